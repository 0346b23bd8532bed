#include "ApplyNames.h"
#include "PosixFileSystem.h"
#include "TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <map>

using namespace renamer;
using renamer::test_support::snapshot;
using renamer::test_support::TemporaryDirectory;
using renamer::test_support::writeFile;

namespace {

using Disk = std::map<std::string, std::string>;

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
    EXPECT_FALSE(outcome.failed);
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
    std::string message;
};

TEST(ApplyNamesStops, AtTheFirstFailureWithTheExactMessage)
{
    const StopCase cases[] = {
        {"the second row of one file finds it gone",
         {{"a.txt", "b.txt"}, {"a.txt", "c.txt"}, {"d.txt", "e.txt"}},
         2,
         "将\"a.txt\"重命名为\"c.txt\"时出错：文件未找到"},
        {"a name already taken is never overwritten",
         {{"a.txt", "A1.txt"}, {"b.txt", "d.txt"}, {"d.txt", "z.txt"}},
         2,
         "将\"b.txt\"重命名为\"d.txt\"时出错：文件已存在"},
        {"a separator cannot move a file out of its folder",
         {{"a.txt", "../a.txt"}},
         1,
         "将\"a.txt\"重命名为\"../a.txt\"时出错：文件名无效"},
        {"a name longer than the file system allows",
         {{"a.txt", std::string(256, 'n')}},
         1,
         "将\"a.txt\"重命名为\"" + std::string(256, 'n') + "\"时出错：文件名过长"},
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
        EXPECT_TRUE(outcome.failed) << c.behaviour;
        EXPECT_EQ(outcome.statusText, c.message) << c.behaviour;
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

namespace {

// Records what the batch asks for, to check how it opens folders and joins a
// directory and a name.
class RecordingFileSystem final : public FileSystem {
public:
    std::vector<std::string> calls;

    Result<std::uint32_t> attributes(const std::string&) override { return 0; }
    Result<FolderHandle> lookUpFolder(const std::string& path) override { return FolderHandle{path}; }
    Result<FolderFiles> listFolderFiles(const FolderHandle&) override { return {}; }
    Result<DirectoryNames> readDirectoryNames(const std::string&) override { return {}; }
    Result<FileHandle> lookUpFile(const std::string&) override { return failWith("unused"); }
    Result<OpenFolderPtr> openFolder(const std::string& path) override
    {
        calls.push_back("open " + path);
        return std::make_shared<const OpenFolder>(path, FileIdentity{});
    }
    Result<FileHandle> lookUpFileIn(const OpenFolderPtr& folder, std::string_view name) override
    {
        calls.push_back("look up " + std::string(name) + " in " + folder->path());
        return FileHandle{folder->path() + "/" + std::string(name), std::string(name), folder->path(), {}, {}};
    }
    Result<std::string> move(const FileHandle&, const std::string& destination) override
    {
        calls.push_back("move to " + destination);
        const std::string name = destination.substr(destination.rfind('/') + 1);
        const auto stored = storedAs.find(name);
        return stored == storedAs.end() ? name : stored->second;
    }

    // Names the volume stores otherwise, as a driver that alters names would.
    std::map<std::string, std::string> storedAs;
};

} // namespace

TEST(ApplyNamesCount, ABatchOfMoreThan32767RenamesReportsItsTrueCount)
{
    RecordingFileSystem fileSystem;
    FileList list;
    const std::size_t count = 33000;
    for (std::size_t i = 1; i <= count; ++i) {
        ASSERT_TRUE(appendFileRow(list, "/", "f" + std::to_string(i)));
        list.setCell(i, ColumnKey::NewName, "g" + std::to_string(i));
    }
    const ApplyOutcome outcome = ApplyNames(list, fileSystem);
    EXPECT_FALSE(outcome.failed);
    EXPECT_EQ(outcome.statusText, "33000个文件已重命名");
    EXPECT_EQ(list.cell(count, ColumnKey::FileName), "g33000");
}

TEST(ApplyNamesInTheRoot, JoinsTheRootAndTheNameWithASecondSeparator)
{
    RecordingFileSystem fileSystem;
    FileList list;
    list.appendRow("1");
    list.setCell(1, ColumnKey::Path, "/");
    list.setCell(1, ColumnKey::FileName, "a.txt");
    list.setCell(1, ColumnKey::NewName, "b.txt");
    ApplyNames(list, fileSystem);
    EXPECT_EQ(fileSystem.calls, (std::vector<std::string>{"open /", "look up a.txt in /", "move to //b.txt"}));
}

TEST(ApplyNamesTooLong, ANameNoFileSystemHoldsNeverReachesTheDisk)
{
    // Even where a file system would take it, as this one takes anything.
    RecordingFileSystem fileSystem;
    FileList list;
    ASSERT_TRUE(appendFileRow(list, "/d", "a.txt"));
    list.setCell(1, ColumnKey::NewName, std::string(766, 'n'));
    const ApplyOutcome outcome = ApplyNames(list, fileSystem);
    EXPECT_EQ(outcome.statusText, renameFailureMessage("a.txt", std::string(766, 'n'), "文件名过长"));
    EXPECT_TRUE(fileSystem.calls.empty());
}

TEST(ApplyNamesStoredName, ARowShowsTheNameAsTheVolumeStoredIt)
{
    RecordingFileSystem fileSystem;
    fileSystem.storedAs = {{"report.txt.", "report.txt"}, {"photo.jpg", "PHOTO.JPG"}};
    FileList list;
    for (const auto& [oldName, newName] :
         {std::pair{"a", "report.txt."}, std::pair{"b", "photo.jpg"}, std::pair{"c", "plain.txt"}}) {
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
