#include "CaseFolding.h"

#include "Utf8.h"

namespace renamer {

char32_t foldLetterCase(char32_t c)
{
    if (c >= U'A' && c <= U'Z')
        return c + 0x20;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) // Latin-1 capitals, not the multiplication sign
        return c + 0x20;
    if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) // Greek capitals
        return c + 0x20;
    if (c >= 0x400 && c <= 0x40F) // Cyrillic capitals with diacritics: Ѐ..Џ -> ѐ..џ
        return c + 0x50;
    if (c >= 0x410 && c <= 0x42F) // basic Cyrillic capitals А..Я -> а..я
        return c + 0x20;
    return c;
}

void foldCase(std::string_view text, std::string& out)
{
    out.clear();
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t start = pos;
        bool valid = false;
        const char32_t c = decodeCodePoint(text, pos, valid);
        if (valid)
            appendUtf8(out, foldLetterCase(c));
        else
            out.append(text.substr(start, pos - start));
    }
}

} // namespace renamer
