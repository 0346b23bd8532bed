#pragma once

#include "Utf8.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

namespace renamer::fuzz {

using renamer::isValidUtf8;

// Offsets at which a code point starts, plus the end of the text: the places
// a match of a UTF-8 pattern can begin or end.
inline std::vector<std::size_t> codePointBoundaries(std::string_view text)
{
    std::vector<std::size_t> boundaries;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80)
            boundaries.push_back(i);
    }
    boundaries.push_back(text.size());
    return boundaries;
}

// Splits off the text up to the next newline (or the end) from `input`.
inline std::string_view takeLine(std::string_view& input)
{
    const std::size_t newline = input.find('\n');
    const std::string_view line = input.substr(0, newline);
    input.remove_prefix(newline == std::string_view::npos ? input.size() : newline + 1);
    return line;
}

// A failed property aborts, so that libFuzzer keeps the input as a crash.
inline void require(bool holds, const char* property)
{
    if (holds)
        return;
    std::fprintf(stderr, "property violated: %s\n", property);
    std::abort();
}

} // namespace renamer::fuzz
