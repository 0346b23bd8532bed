#pragma once

#include "RegularExpression.h"

#include <string_view>

namespace renamer {

// Compiles a pattern written in JavaScript's syntax (translated before
// compiling) with PCRE2, and JIT-compiles it when the platform can. Its
// matchers bound every search by a match limit, so that a pathological
// pattern fails a row instead of hanging the window.
CompiledPattern makePcre2RegularExpression(std::string_view pattern, PatternOptions options);

} // namespace renamer
