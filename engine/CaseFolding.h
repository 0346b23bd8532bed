#pragma once

#include <string>
#include <string_view>

namespace renamer {

// Maps a capital letter to its small letter: ASCII, Latin-1, Greek and
// Cyrillic capitals; every other code point is returned unchanged.
char32_t foldLetterCase(char32_t c);

// `text` (UTF-8) with its letters folded by foldLetterCase, written to `out`;
// bytes that do not decode are copied as they are.
void foldCase(std::string_view text, std::string& out);

} // namespace renamer
