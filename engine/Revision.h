#pragma once

#include <atomic>
#include <cstdint>

namespace renamer {

// A stamp for "this changed": unique across every object that takes one, so
// that whoever derives tables from an object can tell, by comparing stamps,
// that the object (or another object at the same address) has changed since.
inline std::uint64_t nextRevision()
{
    static std::atomic<std::uint64_t> last{0};
    return ++last;
}

} // namespace renamer
