// Random hostile lists renamed in temporary folders (HostileLists.h).
#include "HostileLists.h"

using namespace renamer;
using namespace renamer::test_support;

TEST(NoFileLost, HostileListsNeverLoseOverwriteOrMixUpAFile)
{
    constexpr unsigned kLists = 400;
    HostileStats stats;
    for (unsigned seed = 1; seed <= kLists; ++seed) {
        TemporaryDirectory temp;
        renameHostileList(seed, temp.path(), VolumeRules{}, stats);
        if (::testing::Test::HasFatalFailure())
            return;
    }
    // The lists are hostile enough that most batches stop early, but not all,
    // and every way of stopping occurs.
    EXPECT_GT(stats.failedBatches, static_cast<int>(kLists / 4));
    EXPECT_LT(stats.failedBatches, static_cast<int>(kLists));
    EXPECT_GT(stats.totalRenamed, kLists);
    EXPECT_GT(stats.outOfOrder, static_cast<int>(kLists / 20)) << "chains and cycles went round";
    for (const FailureKind kind : {FailureKind::NotFound, FailureKind::FileReplaced, FailureKind::FolderReplaced,
                                   FailureKind::Exists, FailureKind::NameRefused, FailureKind::NameTooLong})
        EXPECT_GT(stats.stops[kind], 0) << static_cast<int>(kind);
}
