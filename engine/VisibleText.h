#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace renamer {

// A text as the window shows it (status line, message box, tooltips): the
// characters that would break its line or hide or reorder what follows
// become visible escapes, "\n", "\r", "\t", else "\x1B" or "\u2028" (control
// characters, line and paragraph separators, the direction controls).
// Everything else is kept, invalid UTF-8 included; a backslash stays a
// backslash, for names that hold one read better so.
std::string withVisibleControls(std::string_view text);

// How many characters withVisibleControls writes for the code point `c`
// when it escapes it; 0 when it keeps `c` as it is.
std::size_t escapedLength(char32_t c);

} // namespace renamer
