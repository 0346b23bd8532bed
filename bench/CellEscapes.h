#pragma once

#include <string>
#include <string_view>

namespace renamer {

// The headless driver's line format: a cell is printed with tab, newline and
// backslash written as "\t", "\n" and "\\", so that every row stays one line
// of tab-separated cells; names on standard input take the same escapes.

inline std::string escapeCell(std::string_view text)
{
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '\t':
            escaped += "\\t";
            break;
        case '\n':
            escaped += "\\n";
            break;
        case '\\':
            escaped += "\\\\";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

// The inverse of escapeCell; a backslash before any other character, or at
// the end, stands for itself.
inline std::string unescapeCell(std::string_view line)
{
    std::string text;
    text.reserve(line.size());
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char next = i + 1 < line.size() ? line[i + 1] : '\0';
        if (line[i] == '\\' && (next == 't' || next == 'n' || next == '\\')) {
            text += next == 't' ? '\t' : next == 'n' ? '\n' : '\\';
            ++i;
        } else {
            text += line[i];
        }
    }
    return text;
}

} // namespace renamer
