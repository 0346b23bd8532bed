#include "NaturalOrder.h"

#include <gtest/gtest.h>

#include <cctype>
#include <random>
#include <string>
#include <vector>

using renamer::appendNaturalSortKey;
using renamer::naturalLess;

namespace {

struct OrderRow {
    const char* behaviour;
    std::string before;
    std::string after;
};

// Test names read as the row's behaviour.
std::string rowName(const testing::TestParamInfo<OrderRow>& info)
{
    std::string name = info.param.behaviour;
    for (char& c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    }
    return name;
}

class NaturalOrderRows : public testing::TestWithParam<OrderRow> {};

TEST_P(NaturalOrderRows, FirstSortsBeforeSecondAndNotTheOtherWay)
{
    const OrderRow& row = GetParam();
    EXPECT_TRUE(naturalLess(row.before, row.after)) << row.before << " < " << row.after;
    EXPECT_FALSE(naturalLess(row.after, row.before)) << row.after << " !< " << row.before;
}

const OrderRow kDigitRows[] = {
    {"a shorter number is smaller", "img2", "img10"},
    {"numbers compare by value, not by first digit", "9.txt", "10.txt"},
    {"leading zeros do not add value", "img007", "img10"},
    {"runs longer than any integer compare by length", "x99999999999999999999999999", "x100000000000000000000000000"},
    {"long runs of equal length compare digit by digit", "x123456789012345678901234567", "x123456789012345678901234568"},
    {"zeros before a long run are skipped", "x0000000000000000000000000000000009", "x10"},
    {"equal numbers fall through to the text after them", "a1b", "a1c"},
    {"a second number decides when the first ties", "v1.9", "v1.10"},
    {"a number sorts among the characters where its digits would", "a-", "a1"},
    {"a number sorts before letters", "a1", "ab"},
    {"zero sorts as a number", "0", "1"},
};
INSTANTIATE_TEST_SUITE_P(Digits, NaturalOrderRows, testing::ValuesIn(kDigitRows), rowName);

const OrderRow kCaseRows[] = {
    {"ASCII capitals sort among small letters", "apple", "Banana"},
    {"ASCII small letters sort among capitals", "Apple", "banana"},
    {"underscore sorts before letters of either case", "_x", "Ax"},
    {"Latin-1 capitals fold", "Éa", "éb"},
    {"Latin-1 small letters fold", "éa", "Éb"},
    {"the multiplication sign is not folded onto the division sign", "×b", "÷a"},
    {"Greek capitals fold", "αa", "Αb"},
    {"Cyrillic capitals fold", "яблоко", "Ящик"},
    {"Cyrillic capitals with diacritics fold", "ёa", "Ёb"},
};
INSTANTIATE_TEST_SUITE_P(CaseInsensitivity, NaturalOrderRows, testing::ValuesIn(kCaseRows), rowName);

const OrderRow kTieRows[] = {
    {"same letters in other case: capitals first by byte", "A", "a"},
    {"same letters in other Latin-1 case: capital first by byte", "É", "é"},
    {"same number with and without leading zero: zero first by byte", "img02", "img2"},
    {"a prefix sorts first", "img", "img1"},
    {"the empty name sorts first", "", "a"},
};
INSTANTIATE_TEST_SUITE_P(TiesBrokenByBytes, NaturalOrderRows, testing::ValuesIn(kTieRows), rowName);

const OrderRow kOtherNameRows[] = {
    {"hidden names sort by their dot, before letters", ".bashrc", "a"},
    {"Chinese names follow Latin ones", "zebra", "文件"},
    {"Chinese names with numbers compare by value", "文件2", "文件10"},
    {"Chinese names compare by code point", "一", "二"},
    {"a byte that does not decode compares as its value", "a\x7f", "a\xff"},
    {"a truncated sequence is a byte, not a letter", "a\xc3", "a\xc3\xa9"},
    {"a byte that does not decode is not case-folded", "\xc9", "é"},
};
INSTANTIATE_TEST_SUITE_P(OtherNames, NaturalOrderRows, testing::ValuesIn(kOtherNameRows), rowName);

// Names built from a small alphabet that makes ties, digit runs, case pairs
// and broken UTF-8 likely, so the ordering laws are exercised where they can fail.
std::vector<std::string> randomNames(std::size_t count)
{
    const std::vector<std::string> pieces = {"a", "A", "b", "0", "1", "9", "00", "10", "é", "É", "я", "Я", ".", "_",
                                             "\xc3", "\xff", "文", "Z", std::string(300, '7'), std::string(254, '7')};
    std::mt19937 random(20240607);
    std::uniform_int_distribution<std::size_t> length(0, 5);
    std::uniform_int_distribution<std::size_t> piece(0, pieces.size() - 1);
    std::vector<std::string> names;
    for (std::size_t i = 0; i < count; ++i) {
        std::string name;
        for (std::size_t n = length(random); n > 0; --n)
            name += pieces[piece(random)];
        names.push_back(name);
    }
    return names;
}

TEST(NaturalOrder, IsAStrictTotalOrderOnRandomNames)
{
    const auto names = randomNames(150);
    for (const auto& a : names) {
        EXPECT_FALSE(naturalLess(a, a)) << a;
        for (const auto& b : names) {
            const bool ab = naturalLess(a, b);
            const bool ba = naturalLess(b, a);
            EXPECT_FALSE(ab && ba) << a << " / " << b;
            // Distinct names never tie.
            EXPECT_EQ(a == b, !ab && !ba) << a << " / " << b;
            if (!ab)
                continue;
            for (const auto& c : names) {
                if (naturalLess(b, c)) {
                    EXPECT_TRUE(naturalLess(a, c)) << a << " < " << b << " < " << c;
                }
            }
        }
    }
}

std::string sortKey(const std::string& name)
{
    std::string key;
    appendNaturalSortKey(key, name);
    return key;
}

TEST(NaturalOrder, SortKeysOrderNamesAsNaturalLessDoes)
{
    const auto names = randomNames(300);
    for (const auto& a : names) {
        for (const auto& b : names) {
            const std::string keyA = sortKey(a);
            const std::string keyB = sortKey(b);
            EXPECT_EQ(naturalLess(a, b), keyA < keyB || (keyA == keyB && a < b)) << a << " / " << b;
        }
    }
}

} // namespace
