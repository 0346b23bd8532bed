#include "JsPatternTranslation.h"
#include "Pcre2RegularExpression.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <expected>
#include <memory>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Each match row holds what JavaScript's exec() gives for the pattern (no
// flags, or the i flag for the caseless rows): the whole match, then every
// group. The pattern is compiled as the renamer compiles it and matched once
// from the start of the subject: as a subject nothing is known of, and as the
// preview searches a name whose form it knows.

namespace renamer {
namespace {

using namespace std::string_literals;
using namespace std::string_view_literals;

using Captures = std::vector<std::optional<std::string>>; // empty when nothing matched
const Captures kNoMatch{};
const std::optional<std::string> kUnset;

constexpr std::string_view kJsSpaces = "\t\n\v\f\r \u00a0\u1680\u2000\u2001\u2002\u2003\u2004\u2005\u2006\u2007"
                                       "\u2008\u2009\u200a\u2028\u2029\u202f\u205f\u3000\ufeff";

std::expected<Captures, std::string> execute(std::string_view pattern, std::string_view subject, bool ignoreCase,
                                             TextForm form)
{
    const CompiledPattern compiled = makePcre2RegularExpression(pattern, PatternOptions{ignoreCase});
    if (!compiled)
        return std::unexpected("rejected at " + std::to_string(compiled.error().offset) + ": "
                               + compiled.error().message);
    const std::unique_ptr<Matcher> matcher = (*compiled)->makeMatcher();
    const Result<bool> found = matcher->findIn(subject, form);
    if (!found)
        return std::unexpected("match failed: " + found.error().description);
    if (!*found)
        return kNoMatch;
    const MatchOffsets offsets = matcher->match();
    Captures captures;
    for (std::size_t group = 0; group <= static_cast<std::size_t>((*compiled)->captureGroupCount()); ++group) {
        const std::size_t start = offsets.pairs[2 * group];
        if (start == MatchOffsets::kUnsetOffset)
            captures.push_back(kUnset);
        else
            captures.push_back(std::string(subject.substr(start, offsets.pairs[2 * group + 1] - start)));
    }
    return captures;
}

struct MatchRow {
    std::string_view behaviour;
    std::string_view pattern;
    std::string_view subject;
    Captures expected;
};

void expectMatches(std::span<const MatchRow> rows, bool ignoreCase = false)
{
    for (const MatchRow& row : rows) {
        SCOPED_TRACE(row.behaviour);
        for (const TextForm form : {TextForm::Unchecked, textForm(row.subject)}) {
            const auto captures = execute(row.pattern, row.subject, ignoreCase, form);
            if (!captures) {
                ADD_FAILURE() << captures.error();
                continue;
            }
            EXPECT_EQ(*captures, row.expected) << "form " << static_cast<int>(form);
        }
    }
}

const MatchRow kWhitespaceRows[] = {
    {"\\s matches every JavaScript space and line terminator", "^\\s+$", kJsSpaces, {std::string(kJsSpaces)}},
    {"\\s does not match NEL, Mongolian vowel separator or zero width space", "\\s", "\u0085\u180e\u200b", kNoMatch},
    {"\\S skips no-break, ideographic and byte order mark spaces", "\\S+", "\u00a0\u3000x\ufeff", {"x"}},
    {"[a\\S] skips thin space", "[a\\S]", "\u2009\u2029b", {"b"}},
    {"[^a\\S] matches ideographic space only", "[^a\\S]", "ab\u3000", {"\u3000"}},
    {"[^\\S] matches only spaces", "[^\\S]+", "x\u202f\u205fy", {"\u202f\u205f"}},
};
TEST(JsPatternMatch, WhitespaceIsJavaScripts) { expectMatches(kWhitespaceRows); }

const MatchRow kDotRows[] = {
    {"dot skips line feed, carriage return and the Unicode separators", "a.c", "a\nc a\rc a\u2028c a\u2029c", kNoMatch},
    {"dot skips a lone carriage return", "a.c", "xa\rc", kNoMatch},
    {"dot skips a lone paragraph separator", "a.c", "a\u2029c", kNoMatch},
    {"dot matches vertical tab, form feed, NEL and NUL", "^....$", "\v\f\u0085\000"sv, {"\v\f\u0085\000"s}},
    {"dot matches a character that shares a separator's lead byte", "a.c", "a\u2027c", {"a\u2027c"}},
    {"dot in a lookbehind run as a program of its own", "(?<=(.)+)b", "a\u0085b", {"b", "a"}},
    {"dot in a lookbehind stops at a separator", "(?<=^.+)b", "\u2028ab", kNoMatch},
};
TEST(JsPatternMatch, DotStopsAtLineTerminatorsOnly) { expectMatches(kDotRows); }

const MatchRow kAnchorRows[] = {
    {"caret after a line feed does not match", "\\n^a", "\na", kNoMatch},
    {"dollar does not match before a final line feed", "a$", "a\n", kNoMatch},
    {"dollar before a line feed does not match", "a$\\n", "a\n", kNoMatch},
};
TEST(JsPatternMatch, AnchorsHoldAtSubjectEdgesOnly) { expectMatches(kAnchorRows); }

const MatchRow kAsciiClassRows[] = {
    {"\\w skips accented and CJK letters", "\\w+", "é中ab", {"ab"}},
    {"\\d skips Arabic-Indic digits", "\\d+", "٣٤ 12", {"12"}},
    {"\\b sees no boundary before an accented letter", "\\bé", "é", kNoMatch},
    {"\\b sees a boundary between a letter and an accented letter", "a\\b", "aé", {"a"}},
    {"[\\b] is a backspace", "[\\b]", "b\010", {"\010"}},
};
TEST(JsPatternMatch, WordAndDigitClassesStayAscii) { expectMatches(kAsciiClassRows); }

const MatchRow kEscapeRows[] = {
    {"\\u with four digits", "\\u0041\\u00e9", "Aé", {"Aé"}},
    {"\\u{41} repeats u 41 times", "^\\u{41}$", "uuuuuuuuuuuuuuuuuuuuuuuuuuuuuuuuuuuuuuuuu", {"uuuuuuuuuuuuuuuuuuuuuuuuuuuuuuuuuuuuuuuuu"}},
    {"\\x with one digit is the letter x", "\\x4", "x4", {"x4"}},
    {"\\0 followed by 8 is NUL then 8", "\\08", "\0008"sv, {"\0008"s}},
    {"\\ca is control-A", "\\ca", "\001", {"\001"}},
    {"\\c followed by a digit is a backslash and c", "\\c1", "x\\c1", {"\\c1"}},
    {"[\\c_] is the unit separator", "[\\c_]", "\037", {"\037"}},
    {"[\\c*] holds backslash, c and star", "[\\c*]+", "a\\c*", {"\\c*"}},
    {"lower-case letters without meaning are literal", "\\a\\e\\g\\h\\i\\j\\l\\m\\o\\p\\q\\y\\z", "aeghijlmopqyz", {"aeghijlmopqyz"}},
    {"upper-case letters without meaning are literal", "\\A\\C\\E\\G\\H\\K\\L\\N\\P\\Q\\R\\U\\V\\X\\Y\\Z", "ACEGHKLNPQRUVXYZ", {"ACEGHKLNPQRUVXYZ"}},
    {"\\p{L} is the text p{L}", "\\p{L}", "ap{L}", {"p{L}"}},
    {"\\g{2} is g twice", "\\g{2}", "ggg", {"gg"}},
    {"\\R does not match a line break", "\\R", "\r\n", kNoMatch},
};
TEST(JsPatternMatch, EscapesMeanWhatJavaScriptSays) { expectMatches(kEscapeRows); }

// Code points, not UTF-16 units, are what one character matches here.
const MatchRow kCodePointRows[] = {
    {"surrogate pair escape repeats as one character", "^\\uD83D\\uDE00+$", "😀😀", {"😀😀"}},
    {"surrogate pair escape in a class", "^[\\uD83D\\uDE00]$", "😀", {"😀"}},
    {"surrogate pair escape in a class rejects its neighbour", "[\\uD83D\\uDE00]", "😁", kNoMatch},
    {"range ending at a surrogate pair escape", "[\\u0041-\\uD83D\\uDE00]", "@B", {"B"}},
    {"range ending at a lone surrogate escape", "[a-\\uD800]+", ".中b", {"中b"}},
    {"lone surrogate never matches", "a\\uD800|b", "ab", {"b"}},
    {"repeated lone surrogate matches empty", "^a\\uD800*b", "ab", {"ab"}},
    {"lone surrogate in a class is left out", "[\\uD800a]", "xa", {"a"}},
    {"negated class of a lone surrogate matches anything", "[^\\uD800]", "\n", {"\n"}},
    {"dot matches an astral character whole", "^.$", "😀", {"😀"}},
    {"literal astral character repeats as a whole", "😀+", "a😀😀", {"😀😀"}},
};
TEST(JsPatternMatch, SurrogateEscapesAndAstralCharacters) { expectMatches(kCodePointRows); }

const MatchRow kBackreferenceRows[] = {
    {"forward reference matches empty", "\\2(a)(b)", "ab", {"ab", "a", "b"}},
    {"reference inside its own group matches empty", "(a\\1)", "a", {"a", "a"}},
    {"reference to a group in another alternative matches empty", "(a)|\\1b", "b", {"b", kUnset}},
    {"named forward reference", "\\k<n>(?<n>x)", "x", {"x", "x"}},
    {"named reference with an escaped name", "(?<\\u0061b>.)\\k<ab>", "zz", {"zz", "z"}},
    {"\\k without named groups is k", "\\k<a>", "k<a>", {"k<a>"}},
    {"\\1 without groups is octal 1", "\\1", "\001", {"\001"}},
    {"\\10 with one group is octal 10", "(a)\\10", "a\010", {"a\010", "a"}},
    {"\\18 with one group is octal 1 then 8", "(a)\\18", "a\0018", {"a\0018", "a"}},
    {"\\10 with ten groups is a backreference", "(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)\\10", "abcdefghijj", {"abcdefghijj", "a", "b", "c", "d", "e", "f", "g", "h", "i", "j"}},
    {"\\400 is space then 0", "\\400", " 0", {" 0"}},
    {"[\\1] is octal even with a group", "(a)[\\1]", "a\001", {"a\001", "a"}},
};
TEST(JsPatternMatch, DecimalAndNamedEscapes) { expectMatches(kBackreferenceRows); }

const MatchRow kClassRows[] = {
    {"empty class then text matches nothing", "[]a]", "a]", kNoMatch},
    {"negated empty class matches a line feed", "[^]", "\n", {"\n"}},
    {"\\d before a dash keeps the dash literal", "[\\d-z]+", "b-5z", {"-5z"}},
    {"\\d after a dash keeps the dash literal", "[a-\\d]+", "b-5a", {"-5a"}},
    {"range starting at a dash", "[--/]", "a.", {"."}},
    {"escaped dash is not a range", "[a\\-z]", "b", kNoMatch},
    {"range of non-ASCII letters", "[à-ÿ]+", "aéüb", {"éü"}},
    {"POSIX class syntax is a plain class", "[[:alpha:]]", "b a]", {"a]"}},
    {"\\h in a class is h", "[\\h]", "\th", {"h"}},
    {"\\D in a class matches an accented letter", "[\\D]", "5é", {"é"}},
};
TEST(JsPatternMatch, ClassesAreRebuilt) { expectMatches(kClassRows); }

const MatchRow kLenientRows[] = {
    {"brace without a lower bound", "a{,5}", "aa{,5}", {"a{,5}"}},
    {"brace with a non-digit upper bound", "a{1,x}", "a{1,x}", {"a{1,x}"}},
    {"unclosed brace quantifier", "a{1,2", "a{1,2", {"a{1,2"}},
    {"lone braces and bracket", "{}]", "{}]", {"{}]"}},
    {"brace after a lookbehind is literal", "(?<=a){", "a{", {"{"}},
    {"repeated lookahead", "(?=a)*a", "a", {"a"}},
    {"lookahead repeated optionally", "x(?=a)?", "xb", {"x"}},
};
TEST(JsPatternMatch, LenientFormsAreLiteral) { expectMatches(kLenientRows); }

const MatchRow kQuantifierRows[] = {
    {"bounded range", "a{1,2}", "aaa", {"aa"}},
    {"lazy bounded range", "a{1,2}?", "aaa", {"a"}},
    {"lazy question", "a??b", "ab", {"ab"}},
    {"zero count", "ba{0}", "ba", {"b"}},
    {"huge upper bound", "a{0,99999999999}", "aaa", {"aaa"}},
    {"leftmost alternative wins", "(a|ab)(c|bcd)(d*)", "abcd", {"abcd", "a", "bcd", ""}},
    {"repeated dot", ".{2}", "é中x", {"é中"}},
};
TEST(JsPatternMatch, Quantifiers) { expectMatches(kQuantifierRows); }

const MatchRow kCaselessRows[] = {
    {"e acute matches its capital", "é", "É", {"É"}},
    {"Cyrillic de matches its capital", "д", "Д", {"Д"}},
    {"Greek capital sigma matches final sigma", "Σ", "ς", {"ς"}},
    {"a diaeresis escape matches the capital", "\\u00e4", "Ä", {"Ä"}},
    {"ASCII range matches capitals", "^[a-z]+$", "ABC", {"ABC"}},
    {"non-ASCII range matches capitals", "[à-þ]+", "ÉÜ", {"ÉÜ"}},
    {"negated class excludes the capital", "[^a]", "A", kNoMatch},
    {"\\w stays ASCII", "\\w", "É", kNoMatch},
    {"backreference compares without case", "(é)\\1", "éÉ", {"éÉ", "é"}},
};
TEST(JsPatternMatch, CaselessNonAscii) { expectMatches(kCaselessRows, true); }

// Groups inside a lookbehind as JavaScript sets them, matching the body from
// its end: the rightmost of two repeats is served first.
const MatchRow kLookbehindGroupRows[] = {
    {"the right repeat is greedy first", "(?<=(\\d+)(\\d+))$", "1053", {"", "1", "053"}},
    {"a lazy left repeat still takes what the right one leaves", "(?<=(\\d+?)(\\d+))$", "1053", {"", "1", "053"}},
    {"a lazy right repeat takes one", "(?<=(\\d+)(\\d+?))$", "1053", {"", "105", "3"}},
    {"a greedy repeat reaches back as far as it can", "(?<=(a+))b", "aaab", {"b", "aaa"}},
    {"a lazy repeat reaches back one", "(?<=(a+?))b", "aaab", {"b", "a"}},
    {"the first alternative that holds, its sibling unset", "(?<=(bc)|(cd)).", "abcdef", {"d", "bc", kUnset}},
    {"alternatives tried at the first place they hold", "(?<=([abc])|([bcd])).", "abcdef", {"b", "a", kUnset}},
    {"a repeated group keeps its leftmost repetition", "(?<=(?<a>\\w){3})f", "abcdef", {"f", "c"}},
    {"a repeated group of varying width keeps the leftmost", "(?<=(a|b|cd)*)x", "abcdx", {"x", "a"}},
    {"a negative lookbehind's group is unset", "(?<!(\\d))x", "ax", {"x", kUnset}},
    {"a backreference to the pattern's group heeds case", "(.)(?<=(\\1\\1))", "abB", kNoMatch},
    {"a backreference to the pattern's group", "(.)(?<=(\\1\\1))", "abb", {"b", "b", "bb"}},
    {"a word boundary reads the same backwards", "(?<=\\b(\\w+))!", "ab cd!", {"!", "cd"}},
    {"a letter beyond ASCII heeds case", "(?<=é(\\w))x", "Éax", kNoMatch},
};
TEST(JsPatternMatch, LookbehindGroupsAreSetFromTheRight) { expectMatches(kLookbehindGroupRows); }

struct RejectedRow {
    std::string_view behaviour;
    std::string_view pattern;
    std::size_t offset; // the byte the error points at
};

void expectRejected(std::span<const RejectedRow> rows)
{
    for (const RejectedRow& row : rows) {
        SCOPED_TRACE(row.behaviour);
        const auto translated = translateJsPattern(row.pattern);
        if (translated) {
            ADD_FAILURE() << "accepted as " << translated->programs[0].pcre2Pattern;
            continue;
        }
        EXPECT_EQ(translated.error().offset, row.offset);
        EXPECT_FALSE(translated.error().message.empty());
    }
}

const RejectedRow kPcreOnlyRows[] = {
    {"possessive star", "a*+", 2},
    {"possessive count", "a{2}+", 4},
    {"atomic group", "(?>a)", 0},
    {"inline flag", "(?i)a", 0},
    {"start-of-pattern option", "(*UTF)a", 1},
    {"numbered subroutine", "(a)(?1)", 3},
    {"Python-style named group", "(?P<n>a)", 0},
    {"conditional", "(a)(?(1)a|b)", 3},
    {"branch reset", "(?|a)", 0},
};
TEST(JsPatternRejects, PcreOnlySyntax) { expectRejected(kPcreOnlyRows); }

const RejectedRow kJsSyntaxErrorRows[] = {
    {"star with nothing before it", "*a", 0},
    {"star after caret", "^*", 1},
    {"star after word boundary", "\\b*", 2},
    {"quantified lookbehind", "(?<!a){1}", 6},
    {"count after count", "a{2}{3}", 4},
    {"count bounds out of order after clamping", "x{2147483648,1}", 1},
    {"unmatched closing parenthesis", "a)", 1},
    {"unterminated class", "[a", 0},
    {"class range out of order", "[z-a]", 1},
    {"range from c after an escaped backslash", "[\\c-a]", 2},
    {"group name with a lone surrogate", "(?<a\\uD800>a)", 3},
    {"duplicate group name in another alternative", "(?<a>x)|(?<a>y)", 8},
    {"\\k without a name when groups are named", "(?<a>x)\\k", 7},
    {"\\k naming no group", "(?<a>x)\\k<b>", 7},
    {"\\k in a class when groups are named", "(?<a>x)[\\k]", 8},
};
TEST(JsPatternRejects, JavaScriptSyntaxErrors) { expectRejected(kJsSyntaxErrorRows); }

const RejectedRow kUnsupportedRows[] = {
    {"stray continuation byte", "a\x80", 1},
    {"overlong encoding", "\xc0\xaf", 0},
    {"encoded surrogate", "\xed\xa0\x80", 0},
    // JavaScript accepts this, but PCRE2 cannot repeat an item more than 65535 times.
    {"lower bound beyond 65535", "a{70000}", 1},
};
TEST(JsPatternRejects, InvalidUtf8AndHugeCounts) { expectRejected(kUnsupportedRows); }

TEST(Pcre2RegularExpression, ARejectedPatternSaysWhereAndWhy)
{
    const RejectedRow rows[] = {
        {"where the translator stopped", "a)", 1},
        {"a pattern beyond PCRE2's size is the whole pattern's fault", "(?:a{65535}){65535}", 19},
    };
    for (const RejectedRow& row : rows) {
        const CompiledPattern compiled = makePcre2RegularExpression(row.pattern, PatternOptions{});
        ASSERT_FALSE(compiled) << row.behaviour;
        EXPECT_EQ(compiled.error().offset, row.offset) << row.behaviour;
        EXPECT_FALSE(compiled.error().message.empty()) << row.behaviour;
    }
}

TEST(JsPatternGroups, AreCountedAndNamedInOrder)
{
    const struct {
        std::string_view behaviour;
        std::string_view pattern;
        int count;
        std::vector<NamedGroup> names;
    } rows[] = {
        {"plain, named and lookahead groups count; others do not", "(a)(?<x>b)(?:c)(?<y>d)(?=(e))(?<=f)", 4,
         {{"x", 2}, {"y", 3}}},
        {"escaped and bracketed parentheses do not count", "[(]\\((?<z>)", 1, {{"z", 1}}},
        {"escaped names are decoded", "(?<\\u{1d49c}\\u0062>a)(?<é$_>b)", 2, {{"𝒜b", 1}, {"é$_", 2}}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.behaviour);
        const auto translated = translateJsPattern(row.pattern);
        ASSERT_TRUE(translated) << translated.error().message;
        EXPECT_EQ(translated->captureGroupCount, row.count);
        ASSERT_EQ(translated->namedGroups.size(), row.names.size());
        for (std::size_t i = 0; i < row.names.size(); ++i) {
            EXPECT_EQ(translated->namedGroups[i].name, row.names[i].name);
            EXPECT_EQ(translated->namedGroups[i].number, row.names[i].number);
        }
    }
}

// A lookbehind PCRE2 matches as JavaScript does stays in the pattern, where
// PCRE2 runs it at full speed; any other becomes a program of its own.
TEST(JsPatternLookbehind, StaysInPlaceWherePcre2MatchesAsJavaScriptDoes)
{
    const struct {
        std::string_view behaviour;
        std::string_view pattern;
        std::size_t programs;
    } rows[] = {
        {"fixed length", "(?<=\\d{4}-\\d\\d)x", 1},
        {"top-level alternatives of different lengths", "(?<=jpeg|jpg|\\.)x", 1},
        {"a word boundary has no length", "(?<=a\\b|bc)x", 1},
        {"inner alternatives of one length", "(?<=(?:ab|cd){2})x", 1},
        {"inner alternatives of one length once repeated", "(?<=(?:a{2}|bc))x", 1},
        {"inner alternatives of different lengths once repeated", "(?<=(?:a{2}|b))x", 2},
        {"a group captured once", "(?<=(\\d)-)x", 1},
        {"a lookahead inside", "(?<=a(?=b\\d+))x", 1},
        {"a varying repeat", "(?<=\\d+)x", 2},
        {"inner alternatives of different lengths", "(?<=(?:a\\b|bc))x", 2},
        {"a backreference", "(?<=(a)\\1)x", 2},
        {"a group captured by a repeat", "(?<=(\\d){2})x", 2},
        {"a lookbehind inside that needs a program", "(?<=a(?<=\\d+))x", 2},
        {"a varying lookahead inside a varying lookbehind", "(?<=\\w+(?=\\d+))x", 3},
        {"a lookahead with a group inside a varying lookbehind", "(?<=(?=(b)x\\d*cd)\\w+)!", 3},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.behaviour);
        const auto translated = translateJsPattern(row.pattern);
        ASSERT_TRUE(translated) << translated.error().message;
        EXPECT_EQ(translated->programs.size(), row.programs);
        std::vector<int> captured(static_cast<std::size_t>(translated->captureGroupCount) + 1);
        for (const TranslatedProgram& program : translated->programs) {
            for (const Pcre2Group& group : program.groups) {
                if (group.role == Pcre2Group::Role::JsGroup)
                    ++captured[static_cast<std::size_t>(group.index)];
            }
        }
        EXPECT_EQ(std::count(captured.begin() + 1, captured.end(), 1), translated->captureGroupCount)
            << "every group is captured by one program";
    }
}

// Every match of a global search from the subject's start, each with its
// groups' offsets, searched as a subject of `form`.
std::expected<std::vector<std::vector<std::size_t>>, std::string> everyMatch(Matcher& matcher,
                                                                             std::string_view subject, TextForm form)
{
    std::vector<std::vector<std::size_t>> matches;
    Result<bool> found = matcher.findIn(subject, form);
    while (found && *found) {
        const MatchOffsets match = matcher.match();
        matches.emplace_back(match.pairs.begin(), match.pairs.end());
        std::size_t next = match.pairs[1];
        if (next == match.pairs[0]) { // after an empty match, one character on
            if (next == subject.size())
                break;
            for (++next; next < subject.size() && (static_cast<unsigned char>(subject[next]) & 0xC0) == 0x80;)
                ++next;
        }
        found = matcher.find(subject, next);
    }
    if (!found)
        return std::unexpected(found.error().description);
    return matches;
}

// Whatever is typed, the translator must not crash, and what it accepts must
// compile and match without error, lookbehinds of every kind included.
TEST(JsPatternRobustness, RandomPatternsTranslateToCompilablePcre2)
{
    constexpr std::string_view pieces[] = {
        "\\", "^", "$", ".", "|", "?", "*", "+", "(", ")", "[", "]", "{", "}", "-", ",", "=", "!", "<", ">", "0",
        "1", "2", "8", "a", "c", "k", "u", "x", "d", "s", "S", "w", "B", "é", "😀", "\n", "(?", "(?<", "(?<n>",
        "\\k<n>", "\\u", "D83D", "\\c", "{2}", "{1,", "[^", "\x80", "(?<=", "(?<!",
    };
    constexpr std::string_view subjects[] = {"", "ab", "a😀\n(b)", "k<n>uD83Dx{2}", "Aé.😀\u0085-1 8"};
    std::mt19937 random(20240611);
    std::uniform_int_distribution<std::size_t> piece(0, std::size(pieces) - 1);
    std::uniform_int_distribution<int> length(1, 12);
    int accepted = 0;
    for (int round = 0; round < 5000; ++round) {
        std::string pattern;
        for (int n = length(random); n > 0; --n)
            pattern += pieces[piece(random)];
        SCOPED_TRACE(pattern);
        const auto translated = translateJsPattern(pattern);
        if (!translated) {
            EXPECT_LE(translated.error().offset, pattern.size());
            continue;
        }
        ++accepted;
        const CompiledPattern compiled = makePcre2RegularExpression(pattern, PatternOptions{round % 2 == 1});
        if (!compiled) {
            ADD_FAILURE() << compiled.error().message;
            continue;
        }
        const std::unique_ptr<Matcher> matcher = (*compiled)->makeMatcher();
        for (std::string_view subject : subjects) {
            // A subject the preview knows to be one line is searched by the
            // pattern's one-line programs: they must find every match the
            // exact ones find, with the same groups.
            const auto exact = everyMatch(*matcher, subject, TextForm::Unchecked);
            EXPECT_TRUE(exact) << exact.error();
            EXPECT_EQ(everyMatch(*matcher, subject, textForm(subject)), exact) << subject;
        }
    }
    EXPECT_GT(accepted, 1000); // the emitter, not only the error paths, must be exercised
}

// Each thread of a preview has its own matcher: what one matcher holds of
// its subject (the reversed text, what its lookbehinds captured) is not
// another's, and a search continues the subject its own matcher began.
TEST(Pcre2RegularExpression, MatchersOfOnePatternKeepTheirLookbehindsApart)
{
    const CompiledPattern compiled = makePcre2RegularExpression("(?<=(\\d+)_)\\w", PatternOptions{});
    ASSERT_TRUE(compiled) << compiled.error().message;
    const std::unique_ptr<Matcher> first = (*compiled)->makeMatcher();
    const std::unique_ptr<Matcher> second = (*compiled)->makeMatcher();
    const std::string_view firstSubject = "12_a 7_b";
    ASSERT_TRUE(first->find(firstSubject, 0).value_or(false));
    ASSERT_TRUE(second->find("345_c", 0).value_or(false));
    EXPECT_EQ(second->match().pairs[3], 3u);
    ASSERT_TRUE(first->find(firstSubject, 4).value_or(false));
    const MatchOffsets match = first->match();
    EXPECT_EQ(match.pairs[0], 7u);
    EXPECT_EQ(match.pairs[2], 5u) << "the group is the 7 before the second match";
}

// PCRE2 refuses a lookbehind of many groups in place however fixed its
// length; it is then matched as a program of its own.
TEST(Pcre2RegularExpression, ALookbehindTooComplicatedForPcre2InPlaceStillMatches)
{
    constexpr int kGroups = 2100;
    std::string pattern = "(?<=";
    for (int group = 0; group < kGroups; ++group)
        pattern += "(?:a)";
    pattern += ")b";
    const CompiledPattern compiled = makePcre2RegularExpression(pattern, PatternOptions{});
    ASSERT_TRUE(compiled) << compiled.error().message;
    const std::unique_ptr<Matcher> matcher = (*compiled)->makeMatcher();
    const std::string subject = "b" + std::string(kGroups, 'a') + "b";
    ASSERT_TRUE(matcher->find(subject, 0).value_or(false));
    EXPECT_EQ(matcher->match().pairs[0], kGroups + 1u) << "not the first b, which has nothing before it";
}

} // namespace
} // namespace renamer
