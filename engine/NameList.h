#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace renamer {

// Names held back to back in one buffer: a folder of 100,000 files costs a
// few allocations, not one per name. At most 4 GiB of names in all; more
// throws std::length_error.
class NameList {
public:
    void add(std::string_view name)
    {
        if (bytes_.size() + name.size() > std::numeric_limits<std::uint32_t>::max())
            throw std::length_error("more names than a name list holds");
        bytes_.append(name);
        ends_.push_back(static_cast<std::uint32_t>(bytes_.size()));
    }
    void reserve(std::size_t count, std::size_t totalBytes)
    {
        ends_.reserve(count);
        bytes_.reserve(totalBytes);
    }
    std::size_t size() const { return ends_.size(); }
    bool empty() const { return ends_.empty(); }
    std::size_t totalBytes() const { return bytes_.size(); }
    std::string_view operator[](std::size_t index) const
    {
        const std::size_t begin = index == 0 ? 0 : ends_[index - 1];
        return std::string_view(bytes_).substr(begin, ends_[index] - begin);
    }
    std::vector<std::string_view> views() const
    {
        std::vector<std::string_view> all;
        all.reserve(size());
        for (std::size_t i = 0; i < size(); ++i)
            all.push_back((*this)[i]);
        return all;
    }

private:
    std::string bytes_;
    std::vector<std::uint32_t> ends_; // where each name ends in bytes_
};

} // namespace renamer
