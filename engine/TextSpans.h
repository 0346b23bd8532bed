#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace renamer {

// A range of bytes [begin, end) of a UTF-8 text; empty when begin == end.
struct TextSpan {
    std::size_t begin = 0;
    std::size_t end = 0;

    bool empty() const { return begin == end; }
    bool operator==(const TextSpan&) const = default;
};

// The part of `after` that differs from `before` once the text both share at
// their start and at their end is set aside, cut at code point boundaries;
// empty when `after` only lacks some of `before`'s text or equals it.
TextSpan differingSpan(std::string_view before, std::string_view after);

// Sorts the spans and joins those that overlap or touch; drops empty ones.
void joinSpans(std::vector<TextSpan>& spans);

} // namespace renamer
