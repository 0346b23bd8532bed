#include "Stretches.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <utility>
#include <vector>

using namespace renamer;

namespace {

struct SplitCase {
    const char* behaviour;
    std::size_t first;
    std::size_t last;
    unsigned count;
};

const SplitCase kSplitCases[] = {
    {"rows that split evenly", 1, 8, 4},
    {"a remainder is worked too", 1, 7, 2},
    {"more stretches than rows to fill them", 1, 9, 8},
    {"a later round of the preview", 65537, 100001, 8},
    {"one row", 5, 5, 3},
    {"no count is one stretch", 1, 3, 0},
};

} // namespace

TEST(WorkInStretches, EveryRowIsWorkedOnceInOrderedContiguousStretches)
{
    for (const SplitCase& c : kSplitCases) {
        std::vector<std::pair<std::size_t, std::size_t>> worked(std::max(1u, c.count), {0, 0});
        workInStretches(c.first, c.last, c.count,
                        [&](std::size_t first, std::size_t last, unsigned stretch) { worked.at(stretch) = {first, last}; });
        std::size_t next = c.first;
        for (const auto& [first, last] : worked) {
            if (first == 0)
                continue; // a stretch left without rows
            EXPECT_EQ(first, next) << c.behaviour;
            EXPECT_LE(first, last) << c.behaviour;
            next = last + 1;
        }
        EXPECT_EQ(next, c.last + 1) << c.behaviour;
    }
}

TEST(WorkInStretches, AFailureInAnyStretchIsThrownOnAndTheNextCallStillWorksEveryRow)
{
    for (const unsigned failing : {0u, 1u}) {
        EXPECT_THROW(workInStretches(1, 100, 2,
                                     [&](std::size_t, std::size_t, unsigned stretch) {
                                         if (stretch == failing)
                                             throw std::runtime_error("stretch failed");
                                     }),
                     std::runtime_error);
        std::atomic<std::size_t> rows = 0;
        workInStretches(1, 100, 2, [&](std::size_t first, std::size_t last, unsigned) { rows += last - first + 1; });
        EXPECT_EQ(rows, 100u) << "after stretch " << failing << " failed";
    }
}

// The threads kept for stretches serve one caller at a time; another caller
// meanwhile still gets all its rows worked.
TEST(WorkInStretches, CallersOnSeveralThreadsEachGetEveryRowWorked)
{
    constexpr int kCalls = 300;
    std::atomic<std::size_t> rows = 0;
    const auto caller = [&] {
        for (int call = 0; call < kCalls; ++call)
            workInStretches(1, 1000, 2, [&](std::size_t first, std::size_t last, unsigned) { rows += last - first + 1; });
    };
    {
        const std::jthread one(caller);
        const std::jthread other(caller);
    }
    EXPECT_EQ(rows, std::size_t{2} * kCalls * 1000);
}
