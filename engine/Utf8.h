#pragma once

#include <cstddef>
#include <cstdint>
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

// What is known of a name's characters, worked out once when it is written,
// so that a search over it need not find out again.
enum class TextForm : std::uint8_t {
    // Not known to be UTF-8: a search checks it, and fails on one that is not.
    Unchecked,
    // Valid UTF-8 (isValidUtf8).
    Utf8,
    // Valid UTF-8 without a line terminator (\n, \r, U+2028, U+2029): a
    // pattern's dot matches every character of it.
    OneLineUtf8,
};

// The form of `text`: Unchecked when it is not valid UTF-8.
TextForm textForm(std::string_view text);

// Appends the UTF-8 form of a code point (at most U+10FFFF, no surrogate).
void appendUtf8(std::string& out, char32_t c);

} // namespace renamer
