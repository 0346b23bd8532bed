#pragma once

#include "RegularExpression.h"

#include <expected>
#include <string>
#include <string_view>
#include <vector>

namespace renamer {

// A pattern written in JavaScript's RegExp syntax (without the u flag),
// rewritten so that PCRE2 compiled with kPcre2CompileOptions matches what
// JavaScript would match.
struct TranslatedPattern {
    std::string pcre2Pattern;
    int captureGroupCount = 0;
    std::vector<NamedGroup> namedGroups; // in order of appearance
};

// Rejects what JavaScript rejects and PCRE-only syntax; accepts JavaScript's
// lenient forms. The pattern must be valid UTF-8.
std::expected<TranslatedPattern, PatternError> translateJsPattern(std::string_view jsPattern);

} // namespace renamer
