#pragma once

#include "TextSpans.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace renamer {

// Replaces the runs of "#" in `name` by the row number and writes the result
// to `out` (its capacity is reused). The eight forms "########" down to "#"
// are applied in that order, each everywhere from the left; a form of n > 1
// characters gives the last n characters of n zeros followed by the number,
// and "#" gives the number unpadded. So a run is cut into pieces of eight
// from the left and a last piece of the remaining width: nine "#" give the
// 8-digit number followed by the unpadded one. `out` stops growing at
// kLongestWorkingName bytes (NameBound.h).
void expandPlaceholders(std::string_view name, std::uint64_t rowNumber, std::string& out);

// Whether `text` holds a placeholder ("#") that expandPlaceholders numbers.
inline bool holdsPlaceholder(std::string_view text) { return text.find('#') != std::string_view::npos; }

// The same, and moves `spans` from `name` onto `out`: a span keeps its text,
// one that reaches into a run of "#" takes in all that the run became, and
// every run's number is added as a span of its own. The spans come out
// sorted and joined.
void expandPlaceholders(std::string_view name, std::uint64_t rowNumber, std::string& out,
                        std::vector<TextSpan>& spans);

} // namespace renamer
