#include "VisibleText.h"

#include "Utf8.h"

#include <cstdio>

namespace renamer {

namespace {

bool isShownEscaped(char32_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) // C0, DEL and C1 controls
        || c == 0x2028 || c == 0x2029           // line and paragraph separators
        || c == 0x200E || c == 0x200F || c == 0x061C || (c >= 0x202A && c <= 0x202E)
        || (c >= 0x2066 && c <= 0x2069); // direction marks, embeddings, overrides and isolates
}

void appendEscape(std::string& out, char32_t c)
{
    switch (c) {
    case '\n':
        out += "\\n";
        return;
    case '\r':
        out += "\\r";
        return;
    case '\t':
        out += "\\t";
        return;
    default:
        break;
    }
    char escape[8];
    std::snprintf(escape, sizeof escape, c < 0x80 ? "\\x%02X" : "\\u%04X", static_cast<unsigned>(c));
    out += escape;
}

} // namespace

std::size_t escapedLength(char32_t c)
{
    if (!isShownEscaped(c))
        return 0;
    std::string escape;
    appendEscape(escape, c);
    return escape.size();
}

std::string withVisibleControls(std::string_view text)
{
    std::string shown;
    shown.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t start = pos;
        bool valid = false;
        const char32_t c = decodeCodePoint(text, pos, valid);
        if (valid && isShownEscaped(c))
            appendEscape(shown, c);
        else
            shown.append(text.substr(start, pos - start));
    }
    return shown;
}

} // namespace renamer
