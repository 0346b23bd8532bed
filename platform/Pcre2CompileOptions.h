#pragma once

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

namespace renamer {

// Options every translated pattern is compiled with; PCRE2_CASELESS is added
// for case-insensitive matching. No PCRE2_UCP: \d, \w and \b stay ASCII as in
// JavaScript.
inline constexpr uint32_t kPcre2CompileOptions = PCRE2_UTF | PCRE2_DOLLAR_ENDONLY
    | PCRE2_MATCH_UNSET_BACKREF | PCRE2_ALLOW_EMPTY_CLASS | PCRE2_NEVER_BACKSLASH_C;

} // namespace renamer
