#include "TextSpans.h"

#include <gtest/gtest.h>

using namespace renamer;

namespace {

struct DifferenceCase {
    const char* behaviour;
    const char* before;
    const char* after;
    TextSpan expected; // in `after`
};

} // namespace

TEST(DifferingSpan, SetsAsideWhatBothTextsShareAtTheirEnds)
{
    const DifferenceCase cases[] = {
        {"equal texts differ nowhere", "a.txt", "a.txt", {5, 5}},
        {"a new prefix", "a.jpg", "photo_001.jpg", {0, 9}},
        {"a change in the middle", "IMG_1234.JPG", "IMG_x.JPG", {4, 5}},
        {"a removal leaves nothing to show", "abc.txt", "ac.txt", {1, 1}},
        {"an insertion into a repeat", "aa", "aaa", {2, 3}},
        {"nothing shared", "abc", "xyz", {0, 3}},
        {"from an empty text all is new", "", "new", {0, 3}},
        {"to an empty text nothing is left", "old", "", {0, 0}},
        // 北 and 南 share their first and last bytes, 北 and 化 their first two.
        {"a shared first byte is not a shared character", "北京", "南京", {0, 3}},
        {"a shared last byte is not a shared character", "a北", "a南", {1, 4}},
        {"two shared bytes are not a shared character", "x北", "x化", {1, 4}},
        {"shared characters beyond ASCII are set aside", "旅行.jpg", "旅行_01.jpg", {6, 9}},
    };
    for (const DifferenceCase& c : cases)
        EXPECT_EQ(differingSpan(c.before, c.after), c.expected) << c.behaviour;
}

TEST(JoinSpans, SortsJoinsAndDropsEmptyOnes)
{
    std::vector<TextSpan> spans{{8, 9}, {0, 2}, {2, 3}, {5, 5}, {6, 8}, {1, 2}};
    joinSpans(spans);
    EXPECT_EQ(spans, (std::vector<TextSpan>{{0, 3}, {6, 9}}));
}

namespace {

struct SpansCase {
    const char* behaviour;
    std::string before;
    std::string after;
    std::vector<TextSpan> expected; // in `after`
};

} // namespace

TEST(DifferingSpans, MarkWhatTheNewTextDoesNotTakeFromTheOld)
{
    const SpansCase cases[] = {
        {"equal texts differ nowhere", "a.txt", "a.txt", {}},
        {"text kept between two changes is not marked", "_2041.", "-2041-x.", {{0, 1}, {5, 7}}},
        {"a swap marks what moved past the longest kept run", "a.txt", "txt.a", {{3, 5}}},
        {"a lone shared letter between changes is not kept", "IMG_1234", "photo_0001", {{0, 10}}},
        {"an insertion alone", "ab", "a-b", {{1, 2}}},
        {"a removal marks nothing", "a-b", "ab", {}},
        {"characters beyond ASCII are compared whole", "旅行北京", "旅游北京市", {{3, 6}, {12, 15}}},
        {"a kept letter at the end of a rewritten name is not kept", "xab", "bzz", {{0, 3}}},
        {"a text too long to compare is marked as one", std::string(300, 'a') + "b", "b" + std::string(300, 'a'),
         {{0, 301}}},
    };
    for (const SpansCase& c : cases)
        EXPECT_EQ(differingSpans(c.before, c.after), c.expected) << c.behaviour;
}
