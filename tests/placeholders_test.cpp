#include "Placeholders.h"

#include <gtest/gtest.h>

#include <random>

using namespace renamer;

namespace {

std::string expanded(std::string_view name, std::uint64_t row)
{
    std::string out = "left over from an earlier row";
    expandPlaceholders(name, row, out);
    return out;
}

// The eight forms applied one after the other, each everywhere from the left,
// exactly as the rule reads; the single-pass expansion must agree with it.
std::string expandedLiterally(std::string name, std::uint64_t row)
{
    const std::string number = std::to_string(row);
    for (std::size_t width = 8; width >= 1; --width) {
        const std::string form(width, '#');
        const std::string padded = std::string(width, '0') + number;
        const std::string piece = width == 1 ? number : padded.substr(padded.size() - width);
        std::string result;
        std::size_t done = 0;
        for (std::size_t at = name.find(form); at != std::string::npos; at = name.find(form, done)) {
            result += name.substr(done, at - done) + piece;
            done = at + width;
        }
        name = result + name.substr(done);
    }
    return name;
}

struct PlaceholderCase {
    const char* behaviour;
    const char* name;
    std::uint64_t row;
    const char* expected;
};

const PlaceholderCase kPlaceholderCases[] = {
    {"three # pad to three digits", "photo_###.jpg", 1, "photo_001.jpg"},
    {"three # at row ten", "photo_###.png", 10, "photo_010.png"},
    {"two # keep the last two digits of 100", "x##", 100, "x00"},
    {"two # keep the last two digits of 123", "x##", 123, "x23"},
    {"one # is never padded", "#", 7, "7"},
    {"one # is never cut", "#", 123456, "123456"},
    {"eight # pad to eight digits", "########", 42, "00000042"},
    {"nine # give the 8-digit number followed by the unpadded one", "#########", 5, "000000055"},
    {"sixteen # give two 8-digit numbers", "################", 3, "0000000300000003"},
    {"every run is replaced", "#-##-###", 4, "4-04-004"},
    {"a name without # is copied", "plain.txt", 9, "plain.txt"},
    {"an empty name stays empty", "", 9, ""},
    {"Chinese text around a run is kept", "照片##张.jpg", 3, "照片03张.jpg"},
    {"row numbers past 32767 are written in full", "#####", 40000, "40000"},
};

} // namespace

TEST(Placeholders, Table)
{
    for (const PlaceholderCase& c : kPlaceholderCases)
        EXPECT_EQ(expanded(c.name, c.row), c.expected) << c.behaviour;
}

TEST(Placeholders, AgreesWithTheEightFormsAppliedInOrder)
{
    std::mt19937 random(20261207);
    const std::string alphabet = "####a#.";
    for (int i = 0; i < 5000; ++i) {
        std::string name;
        const int length = static_cast<int>(random() % 30);
        for (int c = 0; c < length; ++c)
            name += alphabet[random() % alphabet.size()];
        const std::uint64_t row = 1 + random() % 200000;
        ASSERT_EQ(expanded(name, row), expandedLiterally(name, row)) << name << " row " << row;
    }
}

namespace {

struct SpanCase {
    const char* behaviour;
    const char* name;
    std::uint64_t row;
    std::vector<TextSpan> spans; // in the name
    std::vector<TextSpan> expected; // in the expansion
};

} // namespace

TEST(PlaceholdersWithSpans, SpansFollowTheTextAndEveryNumberIsOne)
{
    const SpanCase cases[] = {
        {"without # a span stays where it is", "abc.txt", 4, {{1, 2}}, {{1, 2}}},
        {"a lone number is a span of its own", "a#.txt", 12, {}, {{1, 3}}},
        {"a span after a run moves by what the run grew", "#x.txt", 100, {{1, 2}}, {{0, 4}}},
        {"a span ending inside a run takes in all of its number", "ab##c", 7, {{0, 3}}, {{0, 4}}},
        {"a span starting inside a run starts at its number", "##cd", 7, {{1, 3}}, {{0, 3}}},
        {"a span covering a run covers its number", "p_###.jpg", 5, {{0, 5}}, {{0, 5}}},
        {"a run that shrinks pulls later spans back", "##.x##", 123, {{3, 4}}, {{0, 2}, {3, 6}}},
        {"nine # are one run", "#########y", 5, {{9, 10}}, {{0, 10}}},
        {"spans are sorted, and joined where they touch", "a#b#c", 2, {{4, 5}, {0, 1}}, {{0, 2}, {3, 5}}},
        {"an empty span goes", "abc", 1, {{1, 1}}, {}},
    };
    for (const SpanCase& c : cases) {
        std::vector<TextSpan> spans = c.spans;
        std::string out;
        expandPlaceholders(c.name, c.row, out, spans);
        EXPECT_EQ(out, expanded(c.name, c.row)) << c.behaviour;
        EXPECT_EQ(spans, c.expected) << c.behaviour;
    }
}
