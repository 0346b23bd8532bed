#pragma once

#include "Failure.h"
#include "RegularExpression.h"
#include "ReplacementTemplate.h"
#include "TextSpans.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace renamer {

// Where a replacement found its matches and what it changed, for drawing a
// row: byte ranges of the text replaced (the row's FileName) and of the text
// it gave (its NewName).
struct RowSpans {
    // Every match, in order; an empty match gives an empty span.
    std::vector<TextSpan> matched;
    // The parts of each match's replacement that are not in the text it
    // replaced (differingSpans).
    std::vector<TextSpan> changed;
};

// JavaScript's replace with a global pattern: writes `subject` with every
// match replaced by `replacement` into `out`, reusing its capacity. After an
// empty match the search goes on one character further. `out` stops growing
// at kLongestWorkingName bytes (NameBound.h), and the search stops with it.
// Returns false, leaving `out` as it was, when the pattern does not match;
// a failure when a search fails, and `out` is then unspecified. When
// `spans` is given, the matches and changes are appended to it.
Result<bool> replaceMatches(const RegularExpression& regex, Matcher& matcher, std::string_view subject,
                            const ReplacementTemplate& replacement, std::string& out, RowSpans* spans = nullptr);

} // namespace renamer
