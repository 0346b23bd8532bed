#include "VisibleText.h"

#include <gtest/gtest.h>

using namespace renamer;

TEST(VisibleText, CharactersThatWouldBreakOrDisguiseALineBecomeEscapes)
{
    const struct {
        const char* behaviour;
        std::string text;
        std::string shown;
    } cases[] = {
        {"line breaks and tabs", "a\nb\r\tc", "a\\nb\\r\\tc"},
        {"other control characters and DEL", std::string("\x1B[31m\0\x7F", 7), "\\x1B[31m\\x00\\x7F"},
        {"C1 controls and the Unicode line separators", "a\xC2\x85 b\xE2\x80\xA8", "a\\u0085 b\\u2028"},
        {"a direction override, which would show the name reversed", "\xE2\x80\xAEgpj.exe", "\\u202Egpj.exe"},
        {"ordinary text, backslashes and invalid UTF-8 stay as they are",
         "将\"照片 1.jpg\"重命名为\"a\\b\xFF\"时出错：文件已存在", "将\"照片 1.jpg\"重命名为\"a\\b\xFF\"时出错：文件已存在"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(withVisibleControls(c.text), c.shown) << c.behaviour;
}
