#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace renamer {

// Reads the code point at `text[pos]` and advances `pos` past it. A byte that
// does not start a well-formed, shortest-form sequence is returned as its own
// value, `pos` moves one byte on, and `valid` is false.
char32_t decodeCodePoint(std::string_view text, std::size_t& pos, bool& valid);

// Whether `text` is strict UTF-8: shortest forms, no surrogates, nothing past
// U+10FFFF.
bool isValidUtf8(std::string_view text);

// Appends the UTF-8 form of a code point (at most U+10FFFF, no surrogate).
void appendUtf8(std::string& out, char32_t c);

} // namespace renamer
