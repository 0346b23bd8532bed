// A column's texts, held back to back: every read gives what was last
// written, whatever was rewritten, moved or compacted in between.
#include "TextColumn.h"

#include <gtest/gtest.h>

#include <random>
#include <stdexcept>
#include <string>
#include <vector>

using renamer::TextColumn;

namespace {

std::string textOf(std::mt19937& random)
{
    // Mostly short, now and then longer than the room a text keeps to grow
    // (8 bytes) or than the spare a text may keep at all (4095).
    static const std::size_t kLengths[] = {0, 1, 3, 7, 12, 20, 40, 200, 5000};
    std::string text(kLengths[random() % std::size(kLengths)], '\0');
    for (char& c : text)
        c = static_cast<char>(random() % 256); // NUL bytes too
    return text;
}

} // namespace

TEST(TextColumn, EveryTextReadsBackAsLastWrittenThroughGrowthMovesAndCompaction)
{
    std::mt19937 random(7);
    TextColumn column;
    std::vector<std::string> expected;
    for (int step = 0; step < 40000; ++step) {
        const unsigned what = random() % 8;
        if (expected.empty() || what == 0) {
            expected.push_back(textOf(random));
            column.append(expected.back());
        } else if (what == 1) {
            // A text taken from the column itself, also when the buffer has
            // to grow to hold the copy.
            const std::size_t from = random() % expected.size();
            const std::size_t to = random() % expected.size();
            column.assign(to, column.text(from));
            expected[to] = expected[from];
        } else {
            const std::size_t index = random() % expected.size();
            expected[index] = textOf(random);
            column.assign(index, expected[index]);
        }
        if (step % 997 == 0 || step == 39999) {
            ASSERT_EQ(column.size(), expected.size());
            for (std::size_t i = 0; i < expected.size(); ++i)
                ASSERT_EQ(column.text(i), expected[i]) << "text " << i << " after step " << step;
        }
    }
}

TEST(TextColumn, ATextThatShrinksAndGrowsByAFewBytesStaysInItsPlace)
{
    TextColumn column;
    column.append("IMG_0001.JPG");
    column.append("next");
    // Outgrowing its first place, the text moves and takes room to grow.
    column.assign(0, "IMG_0001.JPG_");
    const char* place = column.text(0).data();
    for (const char* text : {"IMG_0001.JP", "IMG_0001.JPG", "IMG_01.JPG", "IMG_0001.JPG_xxxxxxx", "a"}) {
        column.assign(0, text);
        EXPECT_EQ(column.text(0), text);
        EXPECT_EQ(column.text(0).data(), place) << text;
    }
    EXPECT_EQ(column.text(1), "next");
}

TEST(TextColumn, ATextCopiedFromTheColumnSurvivesTheBufferMoving)
{
    TextColumn column;
    const std::string big(200000, 'x');
    column.append(big);
    column.append(column.text(0)); // the buffer has to grow to take it
    column.assign(0, column.text(1).substr(0, 100000)); // and again, to move text 0
    EXPECT_EQ(column.text(1), big);
    EXPECT_EQ(column.text(0), big.substr(0, 100000));
}

TEST(TextColumn, WhatReplacedTextsLeaveBehindIsGivenBack)
{
    TextColumn column;
    for (int row = 0; row < 10; ++row)
        column.append("short");
    for (int round = 0; round < 2000; ++round) {
        for (std::size_t row = 0; row < 10; ++row)
            column.assign(row, std::string(round % 2 == 0 ? 5000 : 4, 'a' + row));
    }
    // Live: ten texts of 4 bytes, each with the room it once had.
    EXPECT_LT(column.heldBytes(), 10 * 5008 + 2 * 64 * 1024);
    for (std::size_t row = 0; row < 10; ++row)
        EXPECT_EQ(column.text(row), std::string(4, 'a' + row));
}

TEST(TextColumn, ATextLongerThanAColumnHoldsIsRefusedAndTheColumnKept)
{
    TextColumn column;
    column.append(std::string(TextColumn::kLongestText, 'a'));
    EXPECT_EQ(column.text(0).size(), TextColumn::kLongestText);
    const std::string tooLong(TextColumn::kLongestText + 1, 'b');
    EXPECT_THROW(column.append(tooLong), std::length_error);
    EXPECT_THROW(column.assign(0, tooLong), std::length_error);
    EXPECT_EQ(column.size(), 1u);
    EXPECT_EQ(column.text(0), std::string(TextColumn::kLongestText, 'a'));
}
