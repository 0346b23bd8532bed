// The headless driver's line format keeps a row on one line whatever its
// names hold, and reads back what it prints.
#include "CellEscapes.h"

#include <gtest/gtest.h>

using namespace renamer;

TEST(DriverEscapes, TabNewlineAndBackslashAreEscapedAndReadBack)
{
    const std::string name = "a\tb\nc\\n d\\";
    EXPECT_EQ(escapeCell(name), "a\\tb\\nc\\\\n d\\\\");
    EXPECT_EQ(unescapeCell(escapeCell(name)), name);
    EXPECT_EQ(unescapeCell("a\\x\\"), "a\\x\\") << "any other backslash stands for itself";
}
