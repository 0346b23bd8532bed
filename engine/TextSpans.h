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

// The parts of `after` that are not in `before`: within differingSpan, the
// characters outside a longest common subsequence of the two texts. A single
// character kept between two changes counts as changed, so that a rewritten
// name does not show a scatter of letters it happens to share with the old
// one. Texts of more than 256 characters each are compared by
// differingSpan alone, which bounds the work to 65,536 steps.
std::vector<TextSpan> differingSpans(std::string_view before, std::string_view after);

// Sorts the spans and joins those that overlap or touch; drops empty ones.
void joinSpans(std::vector<TextSpan>& spans);

} // namespace renamer
