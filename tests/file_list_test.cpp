#include "FileList.h"
#include "FileSystem.h"

#include <gtest/gtest.h>

#include <map>

using namespace renamer;

namespace {

// Answers file lookups from a fixed table, so the list can be tested without a disk.
class TableFileSystem final : public FileSystem {
public:
    std::map<std::string, FileHandle> files;

    Result<std::uint32_t> attributes(const std::string&) override { return 0; }
    Result<FolderHandle> lookUpFolder(const std::string& path) override { return FolderHandle{path}; }
    Result<FolderFiles> listFolderFiles(const FolderHandle&) override { return {}; }
    Result<DirectoryNames> readDirectoryNames(const std::string&) override { return {}; }
    Result<FileHandle> lookUpFile(const std::string& path) override
    {
        const auto found = files.find(path);
        if (found == files.end())
            return failWith("文件未找到");
        return found->second;
    }
    Result<OpenFolderPtr> openFolder(const std::string&) override { return failWith("not here"); }
    Result<FileHandle> lookUpFileIn(const OpenFolderPtr&, std::string_view) override { return failWith("not here"); }
    Result<std::string> move(const FileHandle&, const std::string&) override { return failWith("not here"); }
};

TableFileSystem twoFiles()
{
    TableFileSystem fileSystem;
    fileSystem.files["/photos/a.jpg"] = {"/photos/a.jpg", "a.jpg", "/photos", {}, {}};
    fileSystem.files["/root.txt"] = {"/root.txt", "root.txt", "/", {}, {}};
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
    const std::size_t row = list.appendRow("1");
    list.setCell(row, ColumnKey::NewName, "新.txt");
    EXPECT_EQ(list.cell(1, ColumnKey::NewName), "新.txt");
    EXPECT_EQ(list.cell(1, list.subItemIndex(ColumnKey::NewName)), "新.txt");
    EXPECT_EQ(list.cell(1, ColumnKey::FileName), "");
    EXPECT_THROW(list.cell(0, ColumnKey::Id), std::out_of_range);
    EXPECT_THROW(list.cell(2, ColumnKey::Id), std::out_of_range);
}

TEST(AddFile, RowsAreNumberedInOrderAndTheSameFileMayStandTwice)
{
    TableFileSystem fileSystem = twoFiles();
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
    TableFileSystem fileSystem = twoFiles();
    FileList list;
    const Result<void> added = AddFile(list, fileSystem, "/photos/missing.jpg");
    ASSERT_FALSE(added);
    EXPECT_EQ(added.error().description, "文件未找到");
    EXPECT_EQ(list.rowCount(), 0u);
}

TEST(AddFile, NumberingRestartsAtOneAfterAClear)
{
    TableFileSystem fileSystem = twoFiles();
    FileList list;
    ASSERT_TRUE(AddFile(list, fileSystem, "/photos/a.jpg"));
    ASSERT_TRUE(AddFile(list, fileSystem, "/root.txt"));
    list.clear();
    EXPECT_EQ(list.rowCount(), 0u);
    ASSERT_TRUE(AddFile(list, fileSystem, "/root.txt"));
    EXPECT_EQ(list.cell(1, ColumnKey::Id), "1");
}
