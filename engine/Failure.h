#pragma once

#include <expected>
#include <string>

namespace renamer {

// A failed operation, carrying the text the user may read (it ends the batch's
// failure message, so it is short and in Simplified Chinese where we write it).
struct Failure {
    std::string description;
};

template <class T>
using Result = std::expected<T, Failure>;

inline std::unexpected<Failure> failWith(std::string description)
{
    return std::unexpected<Failure>(Failure{std::move(description)});
}

} // namespace renamer
