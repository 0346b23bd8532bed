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

TEST(FileListCells, EachRowKnowsItsFileNameFormAsAddedAndAsRewritten)
{
    FileList list;
    list.appendRow("1", "/d", "照片.jpg", {});
    list.appendRow("2", "/d", "a\xff.jpg", {});
    list.appendRow("3", "/d", "a\rb", {});
    EXPECT_EQ(list.fileNameForm(1), TextForm::OneLineUtf8);
    EXPECT_EQ(list.fileNameForm(2), TextForm::Unchecked);
    EXPECT_EQ(list.fileNameForm(3), TextForm::Utf8);
    list.setCell(1, ColumnKey::FileName, "\xc0\xaf");
    list.setCell(2, ColumnKey::FileName, "b.jpg");
    list.setCell(3, ColumnKey::FileName, "c\xe2\x80\xa9");
    EXPECT_EQ(list.fileNameForm(1), TextForm::Unchecked);
    EXPECT_EQ(list.fileNameForm(2), TextForm::OneLineUtf8);
    EXPECT_EQ(list.fileNameForm(3), TextForm::Utf8);
    list.setCell(2, ColumnKey::Path, "/e");
    EXPECT_EQ(list.fileNameForm(2), TextForm::OneLineUtf8) << "another folder keeps the form";
    EXPECT_EQ(list.folderPath(list.folderOf(2)), "/e");
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
    FileList list;
    for (const char* resolved : {"/m/d", "/m/d", "/m/other"})
        ASSERT_TRUE(appendFileRow(list, "/m/d", "a.txt", {.inode = 0, .folder = {1, 0}, .resolvedFolder = resolved}));
    EXPECT_EQ(list.folderOf(2), list.folderOf(1));
    EXPECT_NE(list.folderOf(3), list.folderOf(1));
    EXPECT_EQ(list.origin(3).resolvedFolder, "/m/other");
    list.setCell(1, ColumnKey::Path, "/m/elsewhere");
    EXPECT_EQ(list.origin(1).resolvedFolder, "") << "a path written by hand resolves to nothing known";
}

TEST(FileListRows, EachRowKeepsItsOwnFingerprintThoughFewRowsHaveOne)
{
    // Fingerprints are kept only from the first row that has one: rows
    // before and after it, with and without.
    FileList list;
    const std::uint32_t fingerprints[] = {0, 0, 7, 0, 9};
    for (const std::uint32_t fingerprint : fingerprints)
        ASSERT_TRUE(appendFileRow(list, "/d", "a.txt", {.inode = 1, .fingerprint = fingerprint}));
    for (std::size_t row = 1; row <= std::size(fingerprints); ++row)
        EXPECT_EQ(list.origin(row).fingerprint, fingerprints[row - 1]) << "row " << row;
}
