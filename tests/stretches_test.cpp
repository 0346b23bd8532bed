#include "Stretches.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
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

TEST(WorkInStretches, EveryRowIsWorkedOnceAndEachWorkersPiecesComeInRowOrder)
{
    for (const SplitCase& c : kSplitCases) {
        const unsigned workers = std::max(1u, c.count);
        std::mutex mutex;
        std::vector<std::vector<std::pair<std::size_t, std::size_t>>> pieces(workers);
        workInStretches(c.first, c.last, c.count, [&](std::size_t first, std::size_t last, unsigned worker) {
            const std::lock_guard lock(mutex);
            pieces.at(worker).emplace_back(first, last);
        });
        std::vector<std::pair<std::size_t, std::size_t>> all;
        for (const auto& own : pieces) {
            EXPECT_TRUE(std::ranges::is_sorted(own)) << c.behaviour;
            all.insert(all.end(), own.begin(), own.end());
        }
        std::ranges::sort(all);
        std::size_t next = c.first;
        for (const auto& [first, last] : all) {
            EXPECT_EQ(first, next) << c.behaviour;
            EXPECT_LE(first, last) << c.behaviour;
            next = last + 1;
        }
        EXPECT_EQ(next, c.last + 1) << c.behaviour;
    }
}

// A worker whose core is busy, here one that takes long over each piece,
// leaves the pieces it has not taken yet to the others.
TEST(WorkInStretches, ASlowWorkerTakesFewerRows)
{
    std::vector<std::size_t> rowsOf(2, 0);
    workInStretches(1, 3200, 2, [&](std::size_t first, std::size_t last, unsigned worker) {
        if (worker != 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        rowsOf.at(worker) += last - first + 1;
    });
    EXPECT_EQ(rowsOf[0] + rowsOf[1], 3200u);
    EXPECT_GT(rowsOf[0], rowsOf[1]);
}

TEST(WorkInStretches, AFailureInAnyPieceIsThrownOnAndTheNextCallStillWorksEveryRow)
{
    for (const std::size_t failingRow : {1u, 50u, 100u}) {
        EXPECT_THROW(workInStretches(1, 100, 2,
                                     [&](std::size_t first, std::size_t last, unsigned) {
                                         if (first <= failingRow && failingRow <= last)
                                             throw std::runtime_error("piece failed");
                                     }),
                     std::runtime_error);
        std::atomic<std::size_t> rows = 0;
        workInStretches(1, 100, 2, [&](std::size_t first, std::size_t last, unsigned) { rows += last - first + 1; });
        EXPECT_EQ(rows, 100u) << "after the piece of row " << failingRow << " failed";
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
