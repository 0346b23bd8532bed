#include "NaturalOrder.h"

#include "CaseFolding.h"
#include "Utf8.h"

#include <cstddef>
#include <cstdint>

namespace renamer {
namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Appends a digit count so that smaller counts give smaller bytes and no
// count's bytes are a prefix of another's.
void appendDigitCount(std::string& key, std::size_t count)
{
    if (count < 0xFF) {
        key += static_cast<char>(count);
        return;
    }
    key += static_cast<char>(0xFF);
    for (int shift = 56; shift >= 0; shift -= 8)
        key += static_cast<char>((static_cast<std::uint64_t>(count) >> shift) & 0xFF);
}

} // namespace

void appendNaturalSortKey(std::string& key, std::string_view name)
{
    // No input byte yields more than three key bytes: a one-digit number
    // takes three, an undecodable byte two, a longer number less per digit.
    key.reserve(key.size() + 3 * name.size());
    for (std::size_t pos = 0; pos < name.size();) {
        if (!isDigit(name[pos])) {
            // UTF-8's byte order is the order of the values. Bytes that do not
            // decode are not letters: they keep their value, encoded like a
            // code point (0x80..0xFF).
            bool valid = false;
            const char32_t c = decodeCodePoint(name, pos, valid);
            appendUtf8(key, valid ? foldLetterCase(c) : c);
            continue;
        }
        while (name[pos] == '0' && pos + 1 < name.size() && isDigit(name[pos + 1]))
            ++pos;
        const std::size_t digits = pos;
        while (pos < name.size() && isDigit(name[pos]))
            ++pos;
        // '0' places the number among the characters where its digits sort;
        // no character's encoding starts with that byte, as digits are never
        // characters of their own.
        key += '0';
        appendDigitCount(key, pos - digits);
        key.append(name.substr(digits, pos - digits));
    }
}

bool naturalLess(std::string_view a, std::string_view b)
{
    // The keys are the one definition of the order; the buffers are kept so
    // that a comparison allocates nothing once they have grown.
    thread_local std::string keyA;
    thread_local std::string keyB;
    keyA.clear();
    keyB.clear();
    appendNaturalSortKey(keyA, a);
    appendNaturalSortKey(keyB, b);
    const int order = keyA.compare(keyB);
    if (order != 0)
        return order < 0;
    return a < b; // byte order: char_traits<char> compares as unsigned char
}

} // namespace renamer
