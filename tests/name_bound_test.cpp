// A proposed name stops growing at 1,024 bytes, between UTF-8 sequences, and
// a name cut there is longer than any name a file system holds.
#include "NameBound.h"
#include "Placeholders.h"

#include <gtest/gtest.h>

using namespace renamer;

namespace {

struct BoundCase {
    const char* behaviour;
    std::size_t before; // bytes of "a" already in the name
    std::string piece;
    std::size_t after;
    bool whole;
};

} // namespace

TEST(NameBound, APieceIsAppendedAsFarAsTheBoundAllowsAndNeverSplitsASequence)
{
    const BoundCase cases[] = {
        {"a piece that ends at the bound is appended whole", 1000, std::string(24, 'b'), 1024, true},
        {"a piece one byte longer is cut at the bound", 1000, std::string(25, 'b'), 1024, false},
        {"a two-byte sequence that would end past the bound is left out", 1023, "é", 1023, false},
        {"a four-byte sequence that would straddle the bound is left out", 1021, "x😀", 1022, false},
        {"a full name takes nothing more", 1024, "x", 1024, false},
        {"an empty piece leaves a full name whole", 1024, "", 1024, true},
    };
    for (const BoundCase& c : cases) {
        std::string name(c.before, 'a');
        EXPECT_EQ(appendBounded(name, c.piece), c.whole) << c.behaviour;
        EXPECT_EQ(name.size(), c.after) << c.behaviour;
        EXPECT_EQ(name.substr(c.before), c.piece.substr(0, c.after - c.before)) << c.behaviour;
    }
}

TEST(NameBound, PlaceholdersStopAtTheBoundToo)
{
    // Each "#" becomes eight digits: 200 of them would give 1,800 bytes.
    std::string name;
    for (int i = 0; i < 200; ++i)
        name += "#-";
    std::string out;
    expandPlaceholders(name, 12345678, out);
    EXPECT_EQ(out.size(), 1024u);
    EXPECT_EQ(out.substr(0, 18), "12345678-12345678-");
}
