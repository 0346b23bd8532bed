#include "Utf8.h"

#include <cstdint>
#include <cstring>

namespace renamer {

char32_t decodeCodePoint(std::string_view text, std::size_t& pos, bool& valid)
{
    valid = false;
    const auto lead = static_cast<unsigned char>(text[pos]);
    int length = 0;
    char32_t value = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        ++pos;
        valid = true;
        return lead;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1F;
        minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0F;
        minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07;
        minimum = 0x10000;
    } else {
        ++pos;
        return lead;
    }
    if (text.size() - pos < static_cast<std::size_t>(length)) {
        ++pos;
        return lead;
    }
    for (int i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[pos + i]);
        if ((next & 0xC0) != 0x80) {
            ++pos;
            return lead;
        }
        value = (value << 6) | (next & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        ++pos;
        return lead;
    }
    pos += length;
    valid = true;
    return value;
}

bool isValidUtf8(std::string_view text)
{
    // Most names are mostly ASCII: eight bytes at a time where none has its
    // high bit set, so that checking a list's every name stays cheap.
    constexpr std::uint64_t kHighBits = 0x8080808080808080u;
    for (std::size_t pos = 0; pos < text.size();) {
        std::uint64_t word = 0;
        if (text.size() - pos >= sizeof word) {
            std::memcpy(&word, text.data() + pos, sizeof word);
            if ((word & kHighBits) == 0) {
                pos += sizeof word;
                continue;
            }
        }
        bool valid = true;
        decodeCodePoint(text, pos, valid);
        if (!valid)
            return false;
    }
    return true;
}

TextForm textForm(std::string_view text)
{
    if (!isValidUtf8(text))
        return TextForm::Unchecked;
    // Each byte looked for on its own (memchr): U+2028 and U+2029 are
    // E2 80 A8 and E2 80 A9.
    if (text.find('\n') != std::string_view::npos || text.find('\r') != std::string_view::npos)
        return TextForm::Utf8;
    for (std::size_t lead = text.find('\xE2'); lead != std::string_view::npos; lead = text.find('\xE2', lead + 1)) {
        const std::string_view rest = text.substr(lead + 1, 2);
        if (rest == "\x80\xA8" || rest == "\x80\xA9")
            return TextForm::Utf8;
    }
    return TextForm::OneLineUtf8;
}

void appendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

} // namespace renamer
