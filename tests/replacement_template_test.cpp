#include "ReplacementTemplate.h"

#include <gtest/gtest.h>

using namespace renamer;

namespace {

constexpr std::size_t kUnset = MatchOffsets::kUnsetOffset;

// Subject "<<abcdefghij>>" matched at "abcdefghij": ten groups, one letter
// each, except group 3, which did not participate.
const std::string kSubject = "<<abcdefghij>>";
const std::vector<std::size_t> kTenGroups = {2, 12, 2, 3, 3, 4, kUnset, kUnset, 5, 6, 6, 7,
                                             7, 8, 8, 9, 9, 10, 10, 11, 11, 12};

std::string expand(std::string_view replacement, int groupCount, const std::vector<NamedGroup>& names = {})
{
    const std::vector<std::size_t> pairs(kTenGroups.begin(), kTenGroups.begin() + 2 * (groupCount + 1));
    const ReplacementTemplate parsed(replacement, groupCount, names);
    std::string out;
    parsed.appendExpansion(kSubject, MatchOffsets{pairs}, out);
    return out;
}

struct TemplateCase {
    const char* behaviour;
    const char* replacement;
    int groupCount;
    const char* expected;
};

const TemplateCase kTemplateCases[] = {
    {"text without $ is copied", "x.txt", 2, "x.txt"},
    {"$$ is one dollar", "$$1", 2, "$1"},
    {"$& is the whole match", "[$&]", 0, "[abcdefghij]"},
    {"$` is the text before the match", "$`", 0, "<<"},
    {"$' is the text after the match", "$'", 0, ">>"},
    {"$1 is the first group", "$1-$2", 2, "a-b"},
    {"a group that did not participate gives nothing", "[$3]", 4, "[]"},
    {"$01 is the first group", "$01", 2, "a"},
    {"$10 is group ten when it exists", "$10", 10, "j"},
    {"$10 is group one and a 0 when there is no group ten", "$10", 2, "a0"},
    {"$0 stays literal", "$0", 2, "$0"},
    {"$00 stays literal", "$00", 2, "$00"},
    {"a reference past the last group stays literal", "$5", 2, "$5"},
    {"$05 with one group is a literal $0 and 5", "$05", 1, "$05"},
    {"$ before another character is literal", "$x$", 2, "$x$"},
    {"a lone $ at the end is literal", "a$", 2, "a$"},
    {"$<name> is literal without named groups", "$<n>", 2, "$<n>"},
    {"# is left for the placeholders", "$1##", 1, "a##"},
};

} // namespace

TEST(ReplacementTemplate, Forms)
{
    for (const TemplateCase& c : kTemplateCases)
        EXPECT_EQ(expand(c.replacement, c.groupCount), c.expected) << c.behaviour;
}

TEST(ReplacementTemplate, NamedGroups)
{
    const std::vector<NamedGroup> names = {{"year", 2}, {"month", 4}};
    EXPECT_EQ(expand("$<month>/$<year>", 4, names), "d/b");
    EXPECT_EQ(expand("[$<nosuch>]", 4, names), "[]") << "an unknown name gives nothing";
    EXPECT_EQ(expand("$<year", 4, names), "$<year") << "an unclosed name stays literal";
}

TEST(ReplacementTemplate, InsertedTextIsNeverRescanned)
{
    const std::string subject = "$1$&";
    const std::vector<std::size_t> pairs = {0, 4, 0, 2};
    const ReplacementTemplate parsed("$1|$&", 1, {});
    std::string out;
    parsed.appendExpansion(subject, MatchOffsets{pairs}, out);
    EXPECT_EQ(out, "$1|$1$&");
}

TEST(ReplacementTemplate, AnExpansionStopsGrowingAtTheBound)
{
    std::string replacement;
    std::string copies;
    for (int i = 0; i < 600; ++i) {
        replacement += "$&";
        copies += "abcdefghij";
    }
    EXPECT_EQ(expand(replacement, 0), copies.substr(0, 1024));
}
