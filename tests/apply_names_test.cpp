#include "ApplyNames.h"
#include "InMemoryFileSystem.h"
#include "PlanBatches.h"
#include "PosixFileSystem.h"
#include "TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <map>

using namespace renamer;
using renamer::test_support::InMemoryFileSystem;
using renamer::test_support::snapshot;
using renamer::test_support::TemporaryDirectory;
using renamer::test_support::writeFile;

namespace {

using Disk = std::map<std::string, std::string>;
using renamer::test_support::PlanBatch;
using renamer::test_support::PlanFolder;

class ApplyNamesTest : public ::testing::Test {
protected:
    // Creates each file (content = its name) and a row for it proposing the given new name.
    void addRows(const std::vector<std::pair<std::string, std::string>>& renames)
    {
        for (const auto& [oldName, newName] : renames) {
            if (!std::filesystem::exists(temp.path() + "/" + oldName))
                writeFile(temp.path() + "/" + oldName, oldName);
            ASSERT_TRUE(AddFile(list, fileSystem, temp.path() + "/" + oldName));
            list.setCell(list.rowCount(), ColumnKey::NewName, newName);
        }
    }

    std::string fileName(std::size_t row) const { return std::string(list.cell(row, ColumnKey::FileName)); }
    std::string newName(std::size_t row) const { return std::string(list.cell(row, ColumnKey::NewName)); }

    TemporaryDirectory temp;
    PosixFileSystem fileSystem;
    FileList list;
};

} // namespace

TEST_F(ApplyNamesTest, RenamesInPlaceUpdatesTheRowsAndCounts)
{
    addRows({{"a.jpg", "photo_01.jpg"}, {"b.jpg", ""}, {"c.jpg", "photo_03.jpg"}});
    const ApplyOutcome outcome = ApplyNames(list, fileSystem);
    EXPECT_FALSE(outcome.failure);
    EXPECT_EQ(outcome.statusText, "2个文件已重命名");
    EXPECT_EQ(snapshot(temp.path()), (Disk{{"photo_01.jpg", "a.jpg"}, {"b.jpg", "b.jpg"}, {"photo_03.jpg", "c.jpg"}}));
    EXPECT_EQ(fileName(1), "photo_01.jpg");
    EXPECT_EQ(newName(1), "");
    EXPECT_EQ(fileName(2), "b.jpg");
    EXPECT_EQ(outcome.changed.first, 1u);
    EXPECT_EQ(outcome.changed.last, 3u);

    const ApplyOutcome again = ApplyNames(list, fileSystem);
    EXPECT_EQ(again.statusText, "0个文件已重命名") << "nothing is left to rename";
    EXPECT_TRUE(again.changed.empty());
}

TEST_F(ApplyNamesTest, UnchangedAndCaseOnlyNamesDoNotStopTheBatch)
{
    addRows({{"same.txt", "same.txt"}, {"lower.txt", "LOWER.TXT"}, {"x.txt", "y.txt"}});
    const ApplyOutcome outcome = ApplyNames(list, fileSystem);
    EXPECT_EQ(outcome.statusText, "3个文件已重命名");
    EXPECT_EQ(snapshot(temp.path()), (Disk{{"same.txt", "same.txt"}, {"LOWER.TXT", "lower.txt"}, {"y.txt", "x.txt"}}));
}

struct StopCase {
    const char* behaviour;
    std::vector<std::pair<std::string, std::string>> rows;
    std::size_t failingRow;
    FailureKind kind;
};

TEST(ApplyNamesStops, AtTheFirstFailureWithAMessageNamingItsRow)
{
    const StopCase cases[] = {
        {"the second row of one file finds it gone",
         {{"a.txt", "b.txt"}, {"a.txt", "c.txt"}, {"d.txt", "e.txt"}},
         2,
         FailureKind::NotFound},
        {"a name held by a file that stays is never overwritten",
         {{"a.txt", "A1.txt"}, {"b.txt", "d.txt"}, {"d.txt", "d.txt"}},
         2,
         FailureKind::Exists},
        {"a separator cannot move a file out of its folder",
         {{"a.txt", "../a.txt"}},
         1,
         FailureKind::NameRefused},
        {"a name longer than the file system allows",
         {{"a.txt", std::string(256, 'n')}},
         1,
         FailureKind::NameTooLong},
    };
    for (const StopCase& c : cases) {
        TemporaryDirectory temp;
        PosixFileSystem fileSystem;
        FileList list;
        for (const auto& [oldName, newName] : c.rows) {
            writeFile(temp.path() + "/" + oldName, oldName);
            ASSERT_TRUE(AddFile(list, fileSystem, temp.path() + "/" + oldName));
            list.setCell(list.rowCount(), ColumnKey::NewName, newName);
        }
        const Disk before = snapshot(temp.path());

        const ApplyOutcome outcome = ApplyNames(list, fileSystem);
        ASSERT_TRUE(outcome.failure) << c.behaviour;
        EXPECT_EQ(outcome.failure->kind, c.kind) << c.behaviour;
        const auto& [failingOld, failingNew] = c.rows[c.failingRow - 1];
        EXPECT_EQ(outcome.statusText, renameFailureMessage(failingOld, failingNew, outcome.failure->description))
            << c.behaviour;
        for (std::size_t row = 1; row <= list.rowCount(); ++row) {
            const auto& [oldName, newName] = c.rows[row - 1];
            const bool renamed = row < c.failingRow;
            EXPECT_EQ(list.cell(row, ColumnKey::FileName), renamed ? newName : oldName) << c.behaviour;
            EXPECT_EQ(list.cell(row, ColumnKey::NewName), renamed ? "" : newName) << c.behaviour;
        }
        if (c.failingRow == 1) {
            EXPECT_EQ(snapshot(temp.path()), before) << c.behaviour << ": nothing on disk changed";
        }
        EXPECT_EQ(snapshot(temp.path()).size(), before.size()) << c.behaviour;
    }
}

TEST(ApplyNamesCount, ABatchOfMoreThan32767RenamesReportsItsTrueCount)
{
    InMemoryFileSystem fileSystem;
    FileList list;
    const std::size_t count = 33000;
    for (std::size_t i = 1; i <= count; ++i) {
        fileSystem.addFile("/f" + std::to_string(i));
        ASSERT_TRUE(appendFileRow(list, "/", "f" + std::to_string(i)));
        list.setCell(i, ColumnKey::NewName, "g" + std::to_string(i));
    }
    const ApplyOutcome outcome = ApplyNames(list, fileSystem);
    EXPECT_FALSE(outcome.failure);
    EXPECT_EQ(outcome.statusText, "33000个文件已重命名");
    EXPECT_EQ(list.cell(count, ColumnKey::FileName), "g33000");
}

TEST(ApplyNamesInTheRoot, JoinsTheRootAndTheNameWithASecondSeparator)
{
    InMemoryFileSystem fileSystem;
    fileSystem.addFile("/a.txt", 7);
    fileSystem.recording = true;
    FileList list;
    ASSERT_TRUE(appendFileRow(list, "/", "a.txt", {7, {}}));
    list.setCell(1, ColumnKey::NewName, "b.txt");
    ApplyNames(list, fileSystem);
    EXPECT_EQ(fileSystem.calls, (std::vector<std::string>{"open /", "look up a.txt in /", "move to //b.txt"}));
}

TEST(ApplyNamesTooLong, ANameNoFileSystemHoldsNeverReachesTheDisk)
{
    // Even where a file system would take it.
    InMemoryFileSystem fileSystem;
    FolderListing anyLength;
    anyLength.longestName = 10000;
    fileSystem.addFolder("/d", anyLength);
    fileSystem.addFile("/d/a.txt", 7);
    fileSystem.recording = true;
    FileList list;
    ASSERT_TRUE(appendFileRow(list, "/d", "a.txt", {7, {}}));
    list.setCell(1, ColumnKey::NewName, std::string(766, 'n'));
    const ApplyOutcome outcome = ApplyNames(list, fileSystem);
    ASSERT_TRUE(outcome.failure);
    EXPECT_EQ(outcome.failure->kind, FailureKind::NameTooLong);
    EXPECT_TRUE(fileSystem.calls.empty());
}

TEST(ApplyNamesStoredName, ARowShowsTheNameAsTheVolumeStoredIt)
{
    InMemoryFileSystem fileSystem;
    fileSystem.storedAs = {{"report.txt.", "report.txt"}, {"photo.jpg", "PHOTO.JPG"}};
    FileList list;
    for (const auto& [oldName, newName] :
         {std::pair{"a", "report.txt."}, std::pair{"b", "photo.jpg"}, std::pair{"c", "plain.txt"}}) {
        fileSystem.addFile(std::string("/d/") + oldName);
        ASSERT_TRUE(appendFileRow(list, "/d", oldName));
        list.setCell(list.rowCount(), ColumnKey::NewName, newName);
    }
    const ApplyOutcome outcome = ApplyNames(list, fileSystem);
    EXPECT_EQ(outcome.statusText, "3个文件已重命名");
    EXPECT_EQ(list.cell(1, ColumnKey::FileName), "report.txt");
    EXPECT_EQ(list.cell(2, ColumnKey::FileName), "PHOTO.JPG");
    EXPECT_EQ(list.cell(3, ColumnKey::FileName), "plain.txt");
    EXPECT_EQ(list.cell(1, ColumnKey::NewName), "");
}

TEST(ApplyNamesFolders, APathThatLedToTwoFoldersAtTwoDropsRenamesEachRowInItsOwn)
{
    TemporaryDirectory temp;
    const std::string link = temp.path() + "/link";
    std::filesystem::create_directory(temp.path() + "/x");
    std::filesystem::create_directory(temp.path() + "/y");
    writeFile(temp.path() + "/x/a.txt", "x's");
    writeFile(temp.path() + "/y/a.txt", "y's");
    PosixFileSystem fileSystem;
    FileList list;
    std::filesystem::create_directory_symlink("x", link);
    ASSERT_TRUE(AddFile(list, fileSystem, link + "/a.txt"));
    std::filesystem::remove(link);
    std::filesystem::create_directory_symlink("y", link);
    ASSERT_TRUE(AddFile(list, fileSystem, link + "/a.txt"));
    list.setCell(1, ColumnKey::NewName, "b.txt");
    list.setCell(2, ColumnKey::NewName, "c.txt");

    const ApplyOutcome outcome = ApplyNames(list, fileSystem);
    EXPECT_EQ(outcome.statusText, "2个文件已重命名");
    EXPECT_EQ(snapshot(temp.path() + "/x"), (Disk{{"b.txt", "x's"}}));
    EXPECT_EQ(snapshot(temp.path() + "/y"), (Disk{{"c.txt", "y's"}}));
}

TEST(ApplyNamesPlan, ChainsAndCyclesReachTheNamesTheRowsShow)
{
    for (const PlanBatch& batch : test_support::planBatches()) {
        // On the kernel's file system that holds the temporary folder, which
        // on ext4, xfs, btrfs or tmpfs exchanges names.
        TemporaryDirectory temp;
        PosixFileSystem onDisk;
        const PlanFolder temporaryFolder{[&temp](const std::vector<std::string>& files) {
                                             for (const std::string& name : files)
                                                 writeFile(temp.path() + "/" + name, name);
                                             return temp.path();
                                         },
                                         [](const std::string& folder) { return snapshot(folder); }};
        test_support::renamePlanBatch(batch, onDisk, temporaryFolder);

        // In memory, as a FAT volume through FUSE: it cannot exchange, it
        // ignores case, and the rows do not know their files by inode. The
        // test tells each file by the inode number it was made with.
        InMemoryFileSystem inMemory;
        std::map<std::uint64_t, std::string> madeAs;
        const PlanFolder memoryFolder{[&](const std::vector<std::string>& files) {
                                          FolderListing fuse;
                                          fuse.userSpaceDriver = true;
                                          fuse.caseInsensitive = true;
                                          inMemory.addFolder("/d", fuse);
                                          for (const std::string& name : files) {
                                              const std::uint64_t inode = 100 + madeAs.size();
                                              inMemory.addFile("/d/" + name, inode);
                                              madeAs[inode] = name;
                                          }
                                          return std::string("/d");
                                      },
                                      [&](const std::string& folder) {
                                          const auto listing = inMemory.readFolder(folder);
                                          Disk disk;
                                          for (std::size_t i = 0; i < listing->names.size(); ++i)
                                              disk[std::string(listing->names[i])] = madeAs.at(listing->inodes[i]);
                                          return disk;
                                      },
                                      true, false};
        test_support::renamePlanBatch(batch, inMemory, memoryFolder);
    }
}

TEST(ApplyNamesRotation, TakesNMinusOneExchangesWhereTheVolumeCanAndOneTemporaryNameElsewhere)
{
    const std::string longName = std::string(199, 'x') + "\xe5\x90\x8d.txt"; // a character across byte 200
    const struct {
        const char* behaviour;
        bool canExchange;
        std::vector<std::pair<std::string, std::string>> rows;
        std::vector<std::string> calls; // the renaming steps, in order
    } cases[] = {
        {"three files, two exchanges", true, {{"a", "b"}, {"b", "c"}, {"c", "a"}},
         {"exchange c and a in /d", "exchange c and b in /d"}},
        {"names spelled otherwise than the files' go through a temporary name", true,
         {{"a", "b"}, {"b", "A"}},
         {"move to /d/b.~regex-renamer", "move to /d/b", "move to /d/A"}},
        {"without exchange, the file of the closing row steps aside under its own name", false,
         {{"a", "b"}, {"b", "c"}, {"c", "a"}},
         {"move to /d/c.~regex-renamer", "move to /d/c", "move to /d/b", "move to /d/a"}},
        {"a temporary name keeps at most 200 bytes of the name, whole characters", false,
         {{"z", longName}, {longName, "z"}},
         {"move to /d/" + std::string(199, 'x') + ".~regex-renamer", "move to /d/" + longName, "move to /d/z"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.behaviour);
        InMemoryFileSystem fileSystem;
        FolderListing folder;
        folder.canExchange = c.canExchange;
        folder.caseInsensitive = true;
        fileSystem.addFolder("/d", folder);
        FileList list;
        for (const auto& [oldName, newName] : c.rows) {
            fileSystem.addFile("/d/" + oldName);
            ASSERT_TRUE(AddFile(list, fileSystem, "/d/" + oldName));
            list.setCell(list.rowCount(), ColumnKey::NewName, newName);
        }
        fileSystem.recording = true;
        const ApplyOutcome outcome = ApplyNames(list, fileSystem);
        EXPECT_FALSE(outcome.failure) << outcome.statusText;
        std::vector<std::string> steps;
        for (const std::string& call : fileSystem.calls) {
            if (call.starts_with("move") || call.starts_with("exchange"))
                steps.push_back(call);
        }
        // First each row's attempt at its turn, which finds its name taken.
        ASSERT_GE(steps.size(), c.rows.size());
        steps.erase(steps.begin(), steps.begin() + static_cast<std::ptrdiff_t>(c.rows.size()));
        EXPECT_EQ(steps, c.calls);
    }
}
