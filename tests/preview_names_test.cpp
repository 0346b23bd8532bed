#include "Pcre2RegularExpression.h"
#include "PreviewNames.h"
#include "Utf8.h"

#include <gtest/gtest.h>

#include <chrono>

using namespace renamer;

namespace {

const std::string kDefaultPattern = "(.+)\\.(.+)";
const std::string kDefaultReplacement = "$1.$2";

FileList listOf(const std::vector<std::string>& names)
{
    FileList list;
    for (const std::string& name : names) {
        const std::size_t row = list.appendRow(std::to_string(list.rowCount() + 1), {}, {}, {});
        list.setCell(row, ColumnKey::Path, "/d");
        list.setCell(row, ColumnKey::FileName, name);
    }
    return list;
}

std::vector<std::string> newNames(const FileList& list)
{
    std::vector<std::string> names;
    for (std::size_t row = 1; row <= list.rowCount(); ++row)
        names.emplace_back(list.cell(row, ColumnKey::NewName));
    return names;
}

RowRange preview(FileList& list, std::string_view pattern, std::string_view replacement)
{
    return PreviewNames(list, makePcre2RegularExpression, pattern, replacement);
}

using Names = std::vector<std::string>;

} // namespace

TEST(PreviewNames, DefaultsProposeEveryDottedNameUnchangedAndSkipNamesWithoutADot)
{
    FileList list = listOf({"a.b.jpg", "nodot", "报告.docx"});
    list.setCell(2, ColumnKey::NewName, "earlier");
    preview(list, kDefaultPattern, kDefaultReplacement);
    EXPECT_EQ(newNames(list), (Names{"a.b.jpg", "earlier", "报告.docx"}));
}

TEST(PreviewNames, PlaceholdersTakeTheRowNumber)
{
    std::vector<std::string> names(10, "x.png");
    names[0] = "a.jpg";
    names[1] = "b.jpg";
    names[9] = "c.png";
    FileList list = listOf(names);
    preview(list, kDefaultPattern, "photo_###.$2");
    EXPECT_EQ(list.cell(1, ColumnKey::NewName), "photo_001.jpg");
    EXPECT_EQ(list.cell(2, ColumnKey::NewName), "photo_002.jpg");
    EXPECT_EQ(list.cell(10, ColumnKey::NewName), "photo_010.png");
}

TEST(PreviewNames, HashesFromTheFileNameAreNumberedToo)
{
    FileList list = listOf({"a#b.txt"});
    preview(list, kDefaultPattern, kDefaultReplacement);
    EXPECT_EQ(list.cell(1, ColumnKey::NewName), "a1b.txt");
}

// A run remembers whether any name holds a "#", until the rows change.
TEST(PreviewNames, HashesOfNamesWrittenOrAddedSinceTheLastRunAreNumbered)
{
    FileList list = listOf({"a.txt"});
    PreviewRun run;
    const auto previewWithRun = [&] {
        PreviewNames(list, makePcre2RegularExpression, kDefaultPattern, kDefaultReplacement, list.rowCount(), &run);
    };
    previewWithRun();
    list.setCell(1, ColumnKey::FileName, "b#.txt");
    previewWithRun();
    list.appendRow("2", "/d", "c##.txt", {});
    previewWithRun();
    EXPECT_EQ(newNames(list), (Names{"b1.txt", "c02.txt"}));
}

TEST(PreviewNames, MatchingIgnoresCaseAlsoBeyondAscii)
{
    FileList list = listOf({"x.jpg", "ÉTÉ.txt", "ДОМ.txt"});
    preview(list, "JPG$|été|дом", "-");
    EXPECT_EQ(newNames(list), (Names{"x.-", "-.txt", "-.txt"}));
}

TEST(PreviewNames, ANameThatNoLongerMatchesKeepsItsEarlierProposal)
{
    FileList list = listOf({"a.jpg", "b.png"});
    preview(list, "jpg|png", "X");
    preview(list, "png", "Y");
    EXPECT_EQ(newNames(list), (Names{"a.X", "b.Y"}));
}

TEST(PreviewNames, AReplacementThatEmptiesTheNameProposesNothing)
{
    FileList list = listOf({"a.jpg"});
    list.setCell(1, ColumnKey::NewName, "old");
    preview(list, "^.*$", "");
    EXPECT_EQ(list.cell(1, ColumnKey::NewName), "");
}

TEST(PreviewNames, AnInvalidPatternEmptiesEveryProposal)
{
    FileList list = listOf({"a.jpg", "nodot"});
    preview(list, kDefaultPattern, "new.$2");
    list.setCell(2, ColumnKey::NewName, "kept until now");
    const RowRange changed = preview(list, "(unclosed", "x");
    EXPECT_EQ(newNames(list), (Names{"", ""}));
    EXPECT_EQ(changed.first, 1u);
    EXPECT_EQ(changed.last, 2u);
}

TEST(PreviewNames, ARowThatCannotBeMatchedProposesNothingRatherThanAnotherRowsName)
{
    // The middle name is not valid UTF-8, so matching it fails.
    FileList list = listOf({"a.jpg", std::string("\xff\xfe.jpg"), "c.jpg"});
    list.setCell(2, ColumnKey::NewName, "stale");
    preview(list, kDefaultPattern, "$1_new.$2");
    EXPECT_EQ(newNames(list), (Names{"a_new.jpg", "", "c_new.jpg"}));
}

TEST(PreviewNames, ReplacesEveryMatchTheWayJavaScriptDoes)
{
    FileList list = listOf({"abc", "baaac", "a-b-c", "é.txt"});
    preview(list, "a*", "-");
    EXPECT_EQ(newNames(list), (Names{"--b-c-", "-b--c-", "----b---c-", "-é-.-t-x-t-"}))
        << "after an empty match the search steps over a whole character";
    preview(list, "x*", "-");
    EXPECT_EQ(newNames(list)[3], "-é-.-t--t-") << "an empty match may follow a non-empty one";
}

TEST(PreviewNames, ADotStopsAtTheLineTerminatorsOfEveryName)
{
    FileList list = listOf({"a\rb.x", "a\u2028b.x", "a\u0085b.x", "ab.x"});
    preview(list, "^a.+\\.", "");
    EXPECT_EQ(newNames(list), (Names{"", "", "x", "x"})) << "NEL is no line terminator";
}

TEST(PreviewNames, ReportsOnlyTheRowsWhoseProposalChanged)
{
    FileList list = listOf({"a.jpg", "b.txt", "c.txt", "d.jpg"});
    preview(list, "txt", "md");
    const RowRange changed = preview(list, "txt$", "md");
    EXPECT_TRUE(changed.empty());
    const RowRange second = preview(list, "c\\.txt", "C.txt");
    EXPECT_EQ(second.first, 3u);
    EXPECT_EQ(second.last, 3u);
    EXPECT_TRUE(preview(FileList{} = listOf({}), "a", "b").empty());
}

TEST(PreviewNames, ListsLongerThan32767RowsArePreviewedInFullEveryRowByItself)
{
    // Long enough to be worked out in stretches at the same time and in more
    // than one round: every row,
    // also at the stretches' edges, gets what it would get alone.
    constexpr std::size_t kRows = 70000;
    std::vector<std::string> names;
    for (std::size_t row = 1; row <= kRows; ++row)
        names.push_back(row % 3 == 0 ? "nodot" : row % 3 == 1 ? "f.txt" : "\xff.txt");
    FileList list = listOf(names);
    for (std::size_t row = 3; row <= kRows; row += 3)
        list.setCell(row, ColumnKey::NewName, "earlier");
    const RowRange changed = preview(list, kDefaultPattern, "#####.$2");
    for (std::size_t row = 1; row <= kRows; ++row) {
        const std::string expected = row % 3 == 0 ? "earlier"
            : row % 3 == 1                        ? std::to_string(row % 100000 + 100000).substr(1) + ".txt"
                                                  : "";
        ASSERT_EQ(list.cell(row, ColumnKey::NewName), expected) << "row " << row;
    }
    EXPECT_EQ(list.cell(32767, ColumnKey::NewName), "32767.txt");
    EXPECT_EQ(changed, (RowRange{1, kRows}));
}

TEST(PreviewNames, APathologicalPatternIsBoundedAndProposesNothingForTheRowsItChokesOn)
{
    FileList list = listOf(std::vector<std::string>(500, std::string(30, 'a') + "!"));
    list.appendRow("501", {}, {}, {});
    list.setCell(501, ColumnKey::FileName, "aa");
    const auto start = std::chrono::steady_clock::now();
    preview(list, "^(a|a)*$", "x");
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(list.cell(1, ColumnKey::NewName), "");
    EXPECT_EQ(list.cell(500, ColumnKey::NewName), "");
    EXPECT_EQ(list.cell(501, ColumnKey::NewName), "x") << "short names still match";
    EXPECT_LT(elapsed, std::chrono::seconds(5));
}

TEST(PreviewNames, APathologicalLookbehindIsBoundedLikeAnyPattern)
{
    // Read from its end, the body tries every way to split the a's before
    // it finds an x where the y should be.
    FileList list = listOf(std::vector<std::string>(500, "yx" + std::string(30, 'a') + "b"));
    list.appendRow("501", {}, {}, {});
    list.setCell(501, ColumnKey::FileName, "yaab");
    const auto start = std::chrono::steady_clock::now();
    preview(list, "(?<=^y(?:a|a)*)b", "-");
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(list.cell(1, ColumnKey::NewName), "");
    EXPECT_EQ(list.cell(501, ColumnKey::NewName), "yaa-") << "short names still match";
    EXPECT_LT(elapsed, std::chrono::seconds(5));
}

TEST(PreviewNames, AReplacementThatWouldMakeEveryNameEnormousStopsEachAtTheBound)
{
    // "$`" after every character: a name of n characters would grow to
    // about n * n / 2, here some 20 kB a row, 2 GB for the list.
    constexpr std::size_t kRows = 100'000;
    FileList list = listOf(std::vector<std::string>(kRows, std::string(200, 'a') + ".txt"));
    list.appendRow("100001", {}, {}, {});
    std::string chinese;
    for (int i = 0; i < 60; ++i)
        chinese += "名";
    list.setCell(kRows + 1, ColumnKey::FileName, chinese);
    const auto start = std::chrono::steady_clock::now();
    preview(list, ".", "$`");
    const auto elapsed = std::chrono::steady_clock::now() - start;
    for (std::size_t row = 1; row <= kRows; ++row)
        ASSERT_EQ(list.cell(row, ColumnKey::NewName), std::string(1024, 'a')) << "row " << row;
    // Three bytes a character: the bound falls inside the 342nd.
    const std::string cut{list.cell(kRows + 1, ColumnKey::NewName)};
    EXPECT_EQ(cut.size(), 1023u);
    EXPECT_TRUE(isValidUtf8(cut));
    EXPECT_LT(elapsed, std::chrono::seconds(10));
}

TEST(PreviewNames, ANameCutAtTheBoundTakesNothingFromFurtherOn)
{
    const std::string full(1023, 'x');
    const std::string almostFull(1022, 'x');
    const struct {
        const char* behaviour;
        const char* name;
        const char* pattern;
        std::string replacement;
        std::string expected;
    } cases[] = {
        {"cut inside a replacement", "ab", "^a", full + "名", full},
        {"cut inside the text between two matches", "b名b", "b", almostFull, almostFull},
    };
    for (const auto& c : cases) {
        FileList list = listOf({c.name});
        preview(list, c.pattern, c.replacement);
        EXPECT_EQ(list.cell(1, ColumnKey::NewName), c.expected) << c.behaviour;
    }
}

namespace {

// Each row's names make a list of their own, previewed with the pattern and
// the replacement; the proposals are JavaScript's replace (flags gi) of
// each name, with the "#" runs then numbered from row 1, or nothing where
// the pattern misses the name.
struct LookbehindRow {
    std::string_view behaviour;
    std::string_view pattern;
    std::string_view replacement;
    Names names;
    Names proposals;
};

const LookbehindRow kLookbehindRows[] = {
    {"the digits after a date of any length", "(?<=_\\d+_)\\d+", "######",
     {"IMG_20240101_123456.jpg"}, {"IMG_20240101_000001.jpg"}},
    {"the number after the first word", "(?<=^\\w+ )\\d+", "#",
     {"Holiday 2024.jpg"}, {"Holiday 1.jpg"}},
    {"a backreference left of its group", "(?<=\\1(a))b", "X",
     {"aab"}, {"aaX"}},
    {"a repeated group keeps its leftmost repetition", "(?<=(\\d{2}){2})\\d{2}", "[$1]",
     {"20240101.txt"}, {"2024[20][24].txt"}},
    {"nested quantifiers", "(?<=[a-z]+(?:-\\d+)+_)\\d", "<$&>",
     {"ab-1-22_3 x-5_6.txt"}, {"ab-1-22_<3> x-5_<6>.txt"}},
    {"alternatives of different lengths", "(?<=jpeg|jpg|\\.)x", "_",
     {"a.x jpgx jpegx gx"}, {"a._ jpg_ jpeg_ gx"}},
    {"repeated alternatives of different lengths", "(?<=(?:ab|c)+-)\\d", "#",
     {"abcab-1 b-2 c-3", "c-9"}, {"abcab-1 b-2 c-1", "c-2"}},
    {"negative of varying length", "(?<!\\d+)[a-z]", "*",
     {"1a b22c d"}, {"1a *22c *"}},
    {"negative whose end is checked first", "(?<!x\\d+_)\\d", "<$&>",
     {"x12_3 y4_5 6"}, {"x<1><2>_3 y<4>_<5> <6>"}},
    {"a negative lookbehind's groups are unset", "(?<!(\\d)+)x", "[$1]",
     {"1x 2 x"}, {"1x 2 []"}},
    {"backreference to a longer group inside", "(?<=\\1(\\w+))c", "<$1>",
     {"ababc", "ababdc"}, {"abab<ab>", ""}},
    {"group then its backreference, read from the right", "(?<=(\\w+)\\1)c", "<$1>",
     {"ababc"}, {"abab<abab>"}},
    {"backreference inside to a group of the pattern, ignoring case", "(.)(?<=(\\1\\1))", "[$2]",
     {"abB"}, {"ab[bB]"}},
    {"a repeated group inside, by name", "(?<=(?<d>\\d)+)x", "$<d>",
     {"45x"}, {"454"}},
    {"at the start of the name", "(?<=^\\w)\\w", "-",
     {"abc"}, {"a-c"}},
    {"at the end of the name", "(?<=\\.\\w+$)", ".bak",
     {"a.b.jpg"}, {"a.b.jpg.bak"}},
    {"an empty match after every digit", "(?<=\\d+)", "|",
     {"a12b3"}, {"a1|2|b3|"}},
    {"several matches per name, each seen from its own place", "(?<=[a-z]\\d*)\\d", "<$&>",
     {"a12 b3 4"}, {"a<1><2> b<3> 4"}},
    {"a lookahead inside reads forward", "(?<=a(?=b\\d+)\\w+)_", "#",
     {"ab12_ a1_"}, {"ab121 a1_"}},
    {"a lookahead inside with a group and a varying middle", "(?<=(?=(b)x\\d*cd)\\w+)!", "[$1]", {"bx12cd!"},
     {"bx12cd[b]"}},
    {"a lookbehind inside a lookbehind", "(?<=(?<=(a)\\d+)\\w)x", "[$1]",
     {"a12x b12x"}, {"a12[a] b12x"}},
    {"a group of a lookbehind referenced after it", "(?<=(\\w+))\\1", "<$1>",
     {"aaaa"}, {"a<a><aa>"}},
    {"a group referenced before the pattern captures it", "(?<=(\\w)\\2)(\\w)", "<$1$2>",
     {"ab"}, {"a<ab>"}},
    {"giving back characters so that the lookbehind holds", ".?(?<=\\w+)", "<$&>",
     {"ac-"}, {"<a><c><>-"}},
    {"a referenced group beyond ASCII, ignoring case", "(?<=(é)+)\\1", "<$&>",
     {"éÉé"}, {"é<É><é>"}},
    {"a lookbehind's groups come from its run on the path that matched", "(?:(a)b|a(b))(?<=(\\1|\\w+))\\2c", "[$3]",
     {"abbc"}, {"[]"}},
    {"a group unset again by backtracking is unset inside a lookbehind", "(?:(a)(b)x|ab)(?<=^a\\2)", "<$&>", {"ab"},
     {""}},
    {"a negative one inside a positive one", "(?<=x(?<!y\\d+)\\d+)!", "?",
     {"x12! y3!"}, {"x12? y3!"}},
    {"no match leaves the row without a proposal", "(?<=z\\d+)\\d", "#",
     {"a123"}, {""}},
};

} // namespace

TEST(PreviewNames, LookbehindsOfAnyLengthMatchAsInJavaScript)
{
    for (const LookbehindRow& row : kLookbehindRows) {
        SCOPED_TRACE(row.behaviour);
        FileList list = listOf(row.names);
        preview(list, row.pattern, row.replacement);
        EXPECT_EQ(newNames(list), row.proposals);
    }
}

TEST(NameProposer, MatchesEachNameAfreshWhateverItMatchedBefore)
{
    NameProposer proposer(std::make_shared<const PreviewPattern>(makePcre2RegularExpression, "(\\d+)", "<$1>"));
    const struct {
        std::string_view name;
        std::string_view proposal;
        TextSpan matched;
        std::vector<TextSpan> changed;
    } rows[] = {{"a12", "a<12>", {1, 3}, {{1, 2}, {4, 5}}},
                {"b345", "b<345>", {1, 4}, {{1, 2}, {5, 6}}},
                {"a12", "a<12>", {1, 3}, {{1, 2}, {4, 5}}}};
    RowSpans spans;
    for (const auto& row : rows) {
        ASSERT_EQ(proposer.propose(row.name, 1, &spans), NameProposer::Outcome::Proposed) << row.name;
        EXPECT_EQ(proposer.proposal(), row.proposal);
        EXPECT_EQ(spans.matched, std::vector<TextSpan>{row.matched}) << row.name;
        EXPECT_EQ(spans.changed, row.changed) << row.name;
    }
}

TEST(PreviewNames, NamedGroupsCanBeReferencedByName)
{
    FileList list = listOf({"2024-05 trip.jpg"});
    preview(list, "(?<year>\\d{4})-(?<month>\\d\\d)", "$<month>.$<year>");
    EXPECT_EQ(list.cell(1, ColumnKey::NewName), "05.2024 trip.jpg");
}

TEST(PreviewNames, ARunCompilesItsPatternOnceHoweverManyThreadsShareTheRows)
{
    int compiles = 0;
    const RegularExpressionFactory counting = [&compiles](std::string_view pattern, PatternOptions options) {
        ++compiles;
        return makePcre2RegularExpression(pattern, options);
    };
    FileList list = listOf(std::vector<std::string>(100'000, "f.txt"));
    PreviewNames(list, counting, kDefaultPattern, "$1.$2");
    PreviewNames(list, counting, kDefaultPattern, "$1-#.$2");
    EXPECT_EQ(compiles, 2);
    EXPECT_EQ(list.cell(100'000, ColumnKey::NewName), "f-100000.txt");
}
