#include "FileList.h"
#include "InMemoryFileSystem.h"

#include <gtest/gtest.h>

#include <map>

using namespace renamer;

namespace {

test_support::InMemoryFileSystem twoFiles()
{
    test_support::InMemoryFileSystem fileSystem;
    fileSystem.addFile("/photos/a.jpg");
    fileSystem.addFile("/root.txt");
    return fileSystem;
}

} // namespace

TEST(FileListColumns, KeysHeadersAndSubItemIndicesInDisplayOrder)
{
    const FileList list;
    ASSERT_EQ(list.columnCount(), 4u);
    const std::pair<std::string_view, std::string_view> expected[] = {
        {"ID", "#"}, {"Path", "目录"}, {"FileName", "原文件名"}, {"NewName", "新文件名"}};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(list.columns()[i].key, expected[i].first);
        EXPECT_EQ(list.columns()[i].header, expected[i].second);
        EXPECT_EQ(list.subItemIndex(expected[i].first), list.columns()[i].subItemIndex);
    }
    EXPECT_THROW(list.column("Size"), std::invalid_argument);
}

TEST(FileListCells, ReadAndWriteByKeyAndOutOfRangeRowsThrow)
{
    FileList list;
    const std::size_t row = list.appendRow("1", "/d", "a.txt", {});
    list.setCell(row, ColumnKey::NewName, "新.txt");
    EXPECT_EQ(list.cell(1, ColumnKey::NewName), "新.txt");
    EXPECT_EQ(list.cell(1, list.subItemIndex(ColumnKey::NewName)), "新.txt");
    EXPECT_EQ(list.cell(1, ColumnKey::FileName), "a.txt");
    EXPECT_THROW(list.cell(0, ColumnKey::Id), std::out_of_range);
    EXPECT_THROW(list.cell(2, ColumnKey::Id), std::out_of_range);
}

TEST(AddFile, RowsAreNumberedInOrderAndTheSameFileMayStandTwice)
{
    test_support::InMemoryFileSystem fileSystem = twoFiles();
    FileList list;
    ASSERT_TRUE(AddFile(list, fileSystem, "/photos/a.jpg"));
    ASSERT_TRUE(AddFile(list, fileSystem, "/root.txt"));
    ASSERT_TRUE(AddFile(list, fileSystem, "/photos/a.jpg"));
    ASSERT_EQ(list.rowCount(), 3u);
    for (std::size_t row = 1; row <= 3; ++row)
        EXPECT_EQ(list.cell(row, ColumnKey::Id), std::to_string(row));
    EXPECT_EQ(list.cell(3, ColumnKey::Path), "/photos");
    EXPECT_EQ(list.cell(3, ColumnKey::FileName), "a.jpg");
    EXPECT_EQ(list.cell(3, ColumnKey::NewName), "");
    EXPECT_EQ(list.cell(2, ColumnKey::Path), "/") << "a file in the root keeps the root as its directory";
}

TEST(AddFile, AFailedLookupAddsNoRowAndPassesTheFailureOn)
{
    test_support::InMemoryFileSystem fileSystem = twoFiles();
    FileList list;
    const Result<void> added = AddFile(list, fileSystem, "/photos/missing.jpg");
    ASSERT_FALSE(added);
    EXPECT_EQ(added.error().kind, FailureKind::NotFound);
    EXPECT_EQ(list.rowCount(), 0u);
}

TEST(AddFile, NumberingRestartsAtOneAfterAClear)
{
    test_support::InMemoryFileSystem fileSystem = twoFiles();
    FileList list;
    ASSERT_TRUE(AddFile(list, fileSystem, "/photos/a.jpg"));
    ASSERT_TRUE(AddFile(list, fileSystem, "/root.txt"));
    list.clear();
    EXPECT_EQ(list.rowCount(), 0u);
    ASSERT_TRUE(AddFile(list, fileSystem, "/root.txt"));
    EXPECT_EQ(list.cell(1, ColumnKey::Id), "1");
}

TEST(FileListFolders, RowsShareAFolderOnlyWhereItsPathIdentityAndResolvedPathAgree)
{
    // Without identities (sshfs), a path dropped again after its folder was
    // swapped for a link differs only in where it resolved to.
    const struct {
        const char* behaviour;
        std::string path;
        std::string resolved;
        std::uint64_t folderInode;
        bool sharesRowOnesFolder;
    } rows[] = {
        {"the same folder again", "/m/d", "/m/d", 0, true},
        {"the path resolved elsewhere", "/m/d", "/m/other", 0, false},
        {"another folder at the path", "/m/d", "/m/d", 7, false},
        {"another path to the same place", "/m/link", "/m/d", 0, false},
    };
    FileList list;
    ASSERT_TRUE(
        appendFileRow(list, "/m/d", "a.txt", {.inode = 0, .folder = {1, 0}, .fingerprint = 5, .resolvedFolder = "/m/d"}));
    for (const auto& row : rows) {
        SCOPED_TRACE(row.behaviour);
        ASSERT_TRUE(appendFileRow(list, row.path, "a.txt",
                                  {.inode = 0, .folder = {1, row.folderInode}, .resolvedFolder = row.resolved}));
        const std::size_t added = list.rowCount();
        EXPECT_EQ(list.folderOf(added) == list.folderOf(1), row.sharesRowOnesFolder);
        EXPECT_EQ(list.origin(added).resolvedFolder, row.resolved);
    }
    EXPECT_EQ(list.origin(1).fingerprint, 5u);
    list.setCell(1, ColumnKey::Path, "/m/elsewhere");
    EXPECT_EQ(list.origin(1).resolvedFolder, "") << "a path written by hand resolves to nothing known";
}
