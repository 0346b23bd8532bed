// The session as the window drives it: one call per user action, and a
// change set that names exactly what changed.
#include "Pcre2RegularExpression.h"
#include "PosixFileSystem.h"
#include "RenameSession.h"
#include "TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>

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
void PrintTo(const RowCue& cue, std::ostream* out)
{
    *out << describeRowCue(cue);
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
    std::string cell(std::size_t row, std::string_view key) const { return std::string(session.fileList().cell(row, key)); }

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

TEST_F(RenameSessionTest, AProposalCutAtTheBoundIsMarkedTooLongAndNeverApplied)
{
    const std::string name = std::string(100, 'l') + ".txt";
    writeFile(dir + "/" + name, "long");
    session.drop({dir + "/" + name}, ".", "$`");
    const std::string proposal = cell(1, ColumnKey::NewName);
    EXPECT_EQ(proposal.size(), 1024u);
    EXPECT_EQ(session.cue(1).kind, RowCueKind::NameTooLong);
    const auto before = snapshot(dir);
    EXPECT_EQ(session.apply().failureMessage, "将\"" + name + "\"重命名为\"" + proposal + "\"时出错：文件名过长");
    EXPECT_EQ(snapshot(dir), before);
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

namespace {

using Disk = std::map<std::string, std::string>;
using Kind = RowCueKind;

struct OwnFileCase {
    const char* behaviour;
    std::map<std::string, Disk> files;         // folder under the test's directory -> its files
    std::vector<std::string> drops;            // under the test's directory
    std::string pattern;
    std::string replacement;
    std::function<void(const std::string&)> behindTheBack; // after the drop, given the directory
    std::vector<RowCue> cues;                  // before the button is pressed
    std::string message;                       // of the batch
    std::map<std::string, Disk> after;         // every folder afterwards
    std::vector<RowCue> cuesAfter;
};

} // namespace

TEST(RenameSessionOwnFile, ARowRenamesTheFileItWasMadeForAndNothingElse)
{
    const Disk numbered = {{"2.txt", "I was 2"}, {"3.txt", "I was 3"}, {"4.txt", "I was 4"}};
    const OwnFileCase cases[] = {
        {"a folder dropped twice: the second drop's rows find their names given to other files",
         {{"d", numbered}},
         {"d", "d"},
         "^\\d+",
         "#",
         [](const std::string&) {},
         {{}, {}, {}, {Kind::RenamedByEarlierRow, 1}, {Kind::RenamedByEarlierRow, 2}, {Kind::RenamedByEarlierRow, 3}},
         "将\"2.txt\"重命名为\"4.txt\"时出错：文件未找到",
         {{"d", {{"1.txt", "I was 2"}, {"2.txt", "I was 3"}, {"3.txt", "I was 4"}}}},
         {{}, {}, {}, {Kind::SourceReplaced}, {Kind::SourceReplaced}, {Kind::SourceGone}}},
        {"a swap whose second file was deleted moves no file twice",
         {{"d", {{"1.txt", "I was 1"}, {"2.txt", "I was 2"}}}},
         {"d/2.txt", "d/1.txt"},
         "^\\d",
         "#",
         [](const std::string& dir) { std::filesystem::remove(dir + "/d/1.txt"); },
         {{Kind::TakenOnDisk}, {Kind::TakenOnDisk}},
         "将\"1.txt\"重命名为\"2.txt\"时出错：文件未找到",
         {{"d", {{"1.txt", "I was 2"}}}},
         {{}, {Kind::SourceReplaced}}},
        {"a folder replaced by a link to another folder renames nothing there",
         {{"d", {{"1.txt", "mine"}}}, {"other", {{"1.txt", "the other folder's"}}}},
         {"d"},
         "^1",
         "x",
         [](const std::string& dir) {
             std::filesystem::rename(dir + "/d", dir + "/d.old");
             std::filesystem::create_directory_symlink(dir + "/other", dir + "/d");
         },
         {{}},
         "将\"1.txt\"重命名为\"x.txt\"时出错：文件夹已被替换",
         {{"d.old", {{"1.txt", "mine"}}}, {"other", {{"1.txt", "the other folder's"}}}},
         {{Kind::FolderReplaced}}},
    };
    for (const OwnFileCase& c : cases) {
        SCOPED_TRACE(c.behaviour);
        TemporaryDirectory temp;
        for (const auto& [folder, files] : c.files) {
            std::filesystem::create_directory(temp.path() + "/" + folder);
            for (const auto& [name, content] : files)
                writeFile(temp.path() + "/" + folder + "/" + name, content);
        }
        std::vector<std::string> paths;
        for (const std::string& path : c.drops)
            paths.push_back(temp.path() + "/" + path);
        PosixFileSystem fileSystem;
        RenameSession session(fileSystem, makePcre2RegularExpression);
        session.drop(paths, c.pattern, c.replacement);
        c.behindTheBack(temp.path());
        for (std::size_t row = 1; row <= c.cues.size(); ++row)
            EXPECT_EQ(session.cue(row), c.cues[row - 1]) << "row " << row << " before the batch";

        EXPECT_EQ(session.apply().failureMessage, c.message);
        for (const auto& [folder, files] : c.after)
            EXPECT_EQ(snapshot(temp.path() + "/" + folder), files) << folder;
        for (std::size_t row = 1; row <= c.cuesAfter.size(); ++row)
            EXPECT_EQ(session.cue(row), c.cuesAfter[row - 1]) << "row " << row << " after the batch";
    }
}
