#include "NaturalOrder.h"

#include "CaseFolding.h"
#include "Utf8.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace renamer {
namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The comparison key of the character at `text[pos]`, advancing past it.
// Bytes that do not decode are not letters, so they keep their own value.
char32_t nextCharacterKey(std::string_view text, std::size_t& pos)
{
    bool valid = false;
    const char32_t c = decodeCodePoint(text, pos, valid);
    return valid ? foldLetterCase(c) : c;
}

// Compares the digit runs starting at a[i] and b[j] by value and advances both
// indexes past them. Leading zeros are skipped and the remaining lengths
// compared first, so runs of any length compare without overflow.
int compareNumbers(std::string_view a, std::size_t& i, std::string_view b, std::size_t& j)
{
    while (i < a.size() && a[i] == '0' && i + 1 < a.size() && isDigit(a[i + 1]))
        ++i;
    while (j < b.size() && b[j] == '0' && j + 1 < b.size() && isDigit(b[j + 1]))
        ++j;
    const std::size_t startA = i;
    const std::size_t startB = j;
    while (i < a.size() && isDigit(a[i]))
        ++i;
    while (j < b.size() && isDigit(b[j]))
        ++j;
    const std::size_t lengthA = i - startA;
    const std::size_t lengthB = j - startB;
    if (lengthA != lengthB)
        return lengthA < lengthB ? -1 : 1;
    return std::memcmp(a.data() + startA, b.data() + startB, lengthA);
}

// Where comparing `a` and `b` can start: the end of their longest common
// prefix, moved back to just after an ASCII byte that is not a digit. Such a
// byte is a character of its own in any name, so both names are split into the
// same characters and digit runs up to there, and those compare equal.
std::size_t sharedStart(std::string_view a, std::string_view b)
{
    const std::size_t limit = std::min(a.size(), b.size());
    std::size_t k = 0;
    while (k < limit && a[k] == b[k])
        ++k;
    while (k > 0 && (static_cast<unsigned char>(a[k - 1]) >= 0x80 || isDigit(a[k - 1])))
        --k;
    return k;
}

// The case-insensitive natural comparison alone; names it calls equal are
// ordered by their bytes afterwards. A digit run sorts where its digits would
// sort as characters; since no other character is a digit, runs never tie with them.
int compareNatural(std::string_view a, std::string_view b)
{
    std::size_t i = sharedStart(a, b);
    std::size_t j = i;
    while (i < a.size() && j < b.size()) {
        const auto left = static_cast<unsigned char>(a[i]);
        const auto right = static_cast<unsigned char>(b[j]);
        if (isDigit(a[i]) && isDigit(b[j])) {
            const int order = compareNumbers(a, i, b, j);
            if (order != 0)
                return order;
        } else if (left < 0x80 && right < 0x80) {
            // Plain ASCII, by far the most common case, needs no decoding.
            const char32_t foldedLeft = foldLetterCase(left);
            const char32_t foldedRight = foldLetterCase(right);
            if (foldedLeft != foldedRight)
                return foldedLeft < foldedRight ? -1 : 1;
            ++i;
            ++j;
        } else {
            const char32_t keyLeft = nextCharacterKey(a, i);
            const char32_t keyRight = nextCharacterKey(b, j);
            if (keyLeft != keyRight)
                return keyLeft < keyRight ? -1 : 1;
        }
    }
    if (i < a.size())
        return 1;
    if (j < b.size())
        return -1;
    return 0;
}

// Writes `value` in UTF-8's encoding, whose byte order is the order of the
// values; bytes that did not decode (0x80..0xFF) are encoded like code points.
char* writeEncoded(char* out, char32_t value)
{
    if (value < 0x80) {
        *out++ = static_cast<char>(value);
    } else if (value < 0x800) {
        *out++ = static_cast<char>(0xC0 | (value >> 6));
        *out++ = static_cast<char>(0x80 | (value & 0x3F));
    } else if (value < 0x10000) {
        *out++ = static_cast<char>(0xE0 | (value >> 12));
        *out++ = static_cast<char>(0x80 | ((value >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (value & 0x3F));
    } else {
        *out++ = static_cast<char>(0xF0 | (value >> 18));
        *out++ = static_cast<char>(0x80 | ((value >> 12) & 0x3F));
        *out++ = static_cast<char>(0x80 | ((value >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (value & 0x3F));
    }
    return out;
}

// Writes a digit count so that smaller counts give smaller bytes and no
// count's bytes are a prefix of another's.
char* writeDigitCount(char* out, std::size_t count)
{
    if (count < 0xFF) {
        *out++ = static_cast<char>(count);
        return out;
    }
    *out++ = static_cast<char>(0xFF);
    for (int shift = 56; shift >= 0; shift -= 8)
        *out++ = static_cast<char>((static_cast<std::uint64_t>(count) >> shift) & 0xFF);
    return out;
}

} // namespace

void appendNaturalSortKey(std::string& key, std::string_view name)
{
    // No input byte yields more than three key bytes: a one-digit number
    // takes three, an undecodable byte two, a longer number less per digit.
    const std::size_t start = key.size();
    key.resize(start + 3 * name.size());
    char* out = key.data() + start;

    std::size_t pos = 0;
    while (pos < name.size()) {
        const auto byte = static_cast<unsigned char>(name[pos]);
        if (!isDigit(name[pos])) {
            if (byte < 0x80) {
                *out++ = static_cast<char>(foldLetterCase(byte));
                ++pos;
            } else {
                out = writeEncoded(out, nextCharacterKey(name, pos));
            }
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
        *out++ = '0';
        out = writeDigitCount(out, pos - digits);
        out = std::copy(name.begin() + digits, name.begin() + pos, out);
    }
    key.resize(out - key.data());
}

bool naturalLess(std::string_view a, std::string_view b)
{
    const int order = compareNatural(a, b);
    if (order != 0)
        return order < 0;
    return a < b; // byte order: char_traits<char> compares as unsigned char
}

} // namespace renamer
