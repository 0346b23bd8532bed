#include "CaseFolding.h"

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

namespace {

void appendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        // Folding never leaves the Basic Multilingual Plane for these ranges.
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

} // namespace

void foldCase(std::string_view text, std::string& out)
{
    out.clear();
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            out += static_cast<char>(foldLetterCase(lead));
            ++i;
            continue;
        }
        // Only two-byte sequences hold letters that fold (U+00C0..U+042F).
        if (lead >= 0xC2 && lead <= 0xDF && i + 1 < text.size()
            && (static_cast<unsigned char>(text[i + 1]) & 0xC0) == 0x80) {
            const char32_t c = (static_cast<char32_t>(lead & 0x1F) << 6)
                | (static_cast<unsigned char>(text[i + 1]) & 0x3F);
            appendUtf8(out, foldLetterCase(c));
            i += 2;
            continue;
        }
        out += text[i];
        ++i;
    }
}

} // namespace renamer
