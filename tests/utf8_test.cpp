#include "Utf8.h"

#include <gtest/gtest.h>

#include <string>

using namespace renamer;

TEST(Utf8, OnlyStrictUtf8IsValidWhereverItsBytesFall)
{
    const struct {
        const char* behaviour;
        std::string text;
        bool valid;
    } cases[] = {
        {"nothing", "", true},
        {"a short ASCII name", "a.txt", true},
        {"ASCII over several words", "Screenshot 2025-01-10 at 12.png", true},
        {"characters between ASCII words", "abcdefgh照片 12345678.jpg", true},
        {"the highest code point", "abcdefgh\xF4\x8F\xBF\xBF", true},
        {"a stray byte within the first word", "abc\xFF" "defghijk", false},
        {"a stray byte as a word's last byte", "abcdefg\xFF" "abcdefgh", false},
        {"a stray byte after a whole word", "abcdefgh\xE9", false},
        {"a sequence cut off at the end", "abcdefgh\xE7\x85", false},
        {"an overlong form", "\xC0\xAF" "abcdefgh", false},
        {"a surrogate", "\xED\xA0\x80", false},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(isValidUtf8(c.text), c.valid) << c.behaviour;
}
