// The session as the window drives it: one call per user action, and a
// change set that names exactly what changed.
#include "Pcre2RegularExpression.h"
#include "PosixFileSystem.h"
#include "RenameSession.h"
#include "TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace renamer;
using renamer::test_support::snapshot;
using renamer::test_support::TemporaryDirectory;
using renamer::test_support::writeFile;

namespace renamer {
void PrintTo(const RowRange& rows, std::ostream* out)
{
    *out << "rows " << rows.first << ".." << rows.last;
}
void PrintTo(const ChangedCells& cells, std::ostream* out)
{
    *out << cells.key << " rows " << cells.rows.first << ".." << cells.rows.last;
}
} // namespace renamer

namespace {

class RenameSessionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt"})
            writeFile(dir + "/" + name, name);
    }

    std::vector<std::string> files(std::initializer_list<const char*> names) const
    {
        std::vector<std::string> paths;
        for (const char* name : names)
            paths.push_back(dir + "/" + name);
        return paths;
    }
    std::string cell(std::size_t row, std::string_view key) const { return session.fileList().cell(row, key); }

    TemporaryDirectory temp;
    const std::string dir = temp.path();
    PosixFileSystem fileSystem;
    RenameSession session{fileSystem, makePcre2RegularExpression};
};

using Cells = std::vector<ChangedCells>;

} // namespace

TEST_F(RenameSessionTest, AKeystrokeNamesTheProposalsAndCuesThatChanged)
{
    session.drop(files({"a.txt", "b.txt", "c.txt", "d.txt"}), "(.+)\\.(.+)", "$1.$2");
    // Only b and c match; c then takes the name b takes first.
    const ChangeSet changes = session.edit("^[bc]\\.txt$", "z");
    EXPECT_EQ(changes.cells, (Cells{{ColumnKey::NewName, {2, 3}}}));
    EXPECT_EQ(changes.cues, (RowRange{2, 3}));
    EXPECT_EQ(session.cue(3), (RowCue{RowCueKind::TakenByEarlierRow, 2}));
    EXPECT_TRUE(changes.appended.empty());
    EXPECT_FALSE(changes.statusText);
    EXPECT_FALSE(changes.failureMessage);

    EXPECT_EQ(session.edit("^[bc]\\.txt$", "z"), ChangeSet{}) << "the same texts change nothing";
}

TEST_F(RenameSessionTest, ADropCuesANameTakenOnDiskAtOnce)
{
    session.drop(files({"a.txt"}), "^a", "b");
    EXPECT_EQ(session.cue(1).kind, RowCueKind::TakenOnDisk);
}

TEST_F(RenameSessionTest, ADropOntoRowsAppendsAndNamesOnlyTheEarlierRowsItChanged)
{
    session.drop(files({"a.txt", "b.txt"}), "^", "#-");
    session.apply(); // 1-a.txt, 2-b.txt, with no proposals left
    writeFile(dir + "/1-1-a.txt", "in the way");
    writeFile(dir + "/3-c.txt", "in the way too");

    const ChangeSet changes = session.drop(files({"c.txt"}), "^", "#-");
    EXPECT_EQ(changes.appended, (RowRange{3, 3}));
    EXPECT_EQ(changes.cells, (Cells{{ColumnKey::NewName, {1, 2}}}));
    EXPECT_EQ(changes.cues, (RowRange{1, 1})) << "row 1's new name is taken; row 3 is new as a whole";
    EXPECT_EQ(changes.statusText, "3个文件已加入列表");
    EXPECT_EQ(cell(3, ColumnKey::NewName), "3-c.txt");
}

TEST_F(RenameSessionTest, ABatchThatStopsNamesTheRenamedRowsAndCarriesItsMessage)
{
    session.drop(files({"a.txt", "b.txt", "c.txt"}), "^[ab]\\.txt$", "x.txt");
    ASSERT_EQ(session.cue(2), (RowCue{RowCueKind::TakenByEarlierRow, 1}));

    const ChangeSet changes = session.apply();
    const std::string message = "将\"b.txt\"重命名为\"x.txt\"时出错：文件已存在";
    EXPECT_EQ(changes.failureMessage, message);
    EXPECT_EQ(changes.statusText, message);
    EXPECT_EQ(changes.cells, (Cells{{ColumnKey::FileName, {1, 1}}, {ColumnKey::NewName, {1, 1}}}));
    EXPECT_EQ(changes.cues, (RowRange{2, 2})) << "x.txt is now taken on disk";
    EXPECT_EQ(session.cue(2).kind, RowCueKind::TakenOnDisk);
    EXPECT_EQ(snapshot(dir).at("x.txt"), "a.txt");
}

TEST_F(RenameSessionTest, AClearEmptiesEverythingAndRestoresTheHint)
{
    session.drop(files({"a.txt"}), "^a", "b");
    const ChangeSet changes = session.clear();
    EXPECT_TRUE(changes.cleared);
    EXPECT_EQ(changes.statusText, "提示:将文件或目录拖至列表窗口");
    EXPECT_EQ(session.fileList().rowCount(), 0u);
    EXPECT_EQ(session.cue(1), RowCue{});

    session.drop(files({"b.txt"}), "^b", "a");
    EXPECT_EQ(cell(1, ColumnKey::Id), "1");
}

TEST_F(RenameSessionTest, EachOfManyFoldersIsComparedWithItsOwnNames)
{
    // More folders than the cue tables first make room for, and a second
    // keystroke that reuses those tables.
    constexpr int kFolders = 20;
    std::vector<std::string> paths;
    for (int i = 0; i < kFolders; ++i) {
        const std::string folder = dir + "/folder" + std::to_string(i);
        std::filesystem::create_directory(folder);
        writeFile(folder + "/f" + std::to_string(i) + ".txt", "");
        writeFile(folder + "/taken" + std::to_string(i) + ".txt", "");
        paths.push_back(folder);
    }
    session.drop(paths, "^", "");
    for (const char* replacement : {"x", "taken"}) {
        session.edit("^f", replacement);
        for (std::size_t row = 1; row <= 2 * kFolders; row += 2) {
            const RowCue expected = replacement == std::string("x") ? RowCue{} : RowCue{RowCueKind::TakenOnDisk};
            EXPECT_EQ(session.cue(row), expected) << "row " << row << ", " << replacement;
        }
    }
}
