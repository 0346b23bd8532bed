// The session as the window drives it: one call per user action, and a
// change set that names exactly what changed.
#include "InMemoryFileSystem.h"
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
    // A session that counts in `compiles` the patterns it compiles.
    RenameSession countingCompiles(int& compiles)
    {
        return RenameSession(fileSystem, [&compiles](std::string_view pattern, PatternOptions options) {
            ++compiles;
            return makePcre2RegularExpression(pattern, options);
        });
    }

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
    EXPECT_EQ(changes.tints, (RowRange{1, 4})) << "a new pattern may move the matches in every name";
    EXPECT_EQ(session.cue(3), (RowCue{RowCueKind::TakenByEarlierRow, 2}));
    EXPECT_TRUE(changes.appended.empty());
    EXPECT_FALSE(changes.statusText);
    EXPECT_FALSE(changes.failureMessage);

    EXPECT_EQ(session.edit("^[bc]\\.txt$", "z"), ChangeSet{}) << "the same texts change nothing";
    EXPECT_EQ(session.edit("^[bc]\\.txt$", "y").tints, RowRange{}) << "a new replacement moves no match";
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
    EXPECT_EQ(session.folders(), std::vector<std::string>{dir}) << "a folder dropped again is watched again";
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
         {{Kind::RotatesWithRow, 2}, {Kind::RotatesWithRow, 1}},
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

TEST_F(RenameSessionTest, AProposalThePatternNoLongerGivesIsCuedStaleUntilItMatchesAgain)
{
    session.drop(files({"a.txt", "b.txt", "c.txt"}), "^(.)\\.", "$1_new.");
    ChangeSet changes = session.edit("^[ab]\\.", "x_new.");
    EXPECT_EQ(cell(3, ColumnKey::NewName), "c_new.txt") << "the design keeps the earlier proposal";
    EXPECT_EQ(session.cue(3).kind, RowCueKind::StaleProposal);
    EXPECT_EQ(changes.cues, (RowRange{2, 3})) << "b now takes the name a takes; c is stale";
    EXPECT_EQ(session.cue(2), (RowCue{RowCueKind::TakenByEarlierRow, 1}));

    changes = session.edit("^[abc]\\.", "$&");
    EXPECT_EQ(session.cue(3).kind, RowCueKind::Unchanged) << "matched again";
    changes = session.edit("^[ab]\\.", "$&");
    EXPECT_EQ(session.cue(3).kind, RowCueKind::Unchanged) << "a stale proposal that changes nothing is unchanged";
    EXPECT_EQ(changes.cues, RowRange{});

    session.edit("^c", "x");
    session.edit("^[ab]\\.", "$&");
    writeFile(dir + "/x.txt", "in the way");
    session.foldersChanged({dir});
    EXPECT_EQ(session.cue(3).kind, RowCueKind::TakenOnDisk) << "a stale proposal that would fail is an error";
}

TEST_F(RenameSessionTest, AFolderChangedOutsideIsReadAgainAndOnlyTheRowsWhoseCueChangedAreNamed)
{
    std::filesystem::create_directory(dir + "/other");
    writeFile(dir + "/other/e.txt", "e");
    session.drop({dir + "/a.txt", dir + "/b.txt", dir + "/other", dir + "/c.txt"}, "^(.)\\.", "$1$1.");
    EXPECT_EQ(session.folders(), (std::vector<std::string>{dir, dir + "/other"}));
    ASSERT_EQ(session.cue(2), RowCue{});

    writeFile(dir + "/bb.txt", "created elsewhere");
    std::filesystem::remove(dir + "/c.txt");
    ChangeSet changes = session.foldersChanged({dir + "/other"});
    EXPECT_EQ(changes, (ChangeSet{})) << "a folder nothing changed in changes no cue";
    changes = session.foldersChanged({dir});
    EXPECT_EQ(session.cue(2).kind, RowCueKind::TakenOnDisk);
    EXPECT_EQ(session.cue(4).kind, RowCueKind::SourceGone);
    EXPECT_EQ(changes.cues, (RowRange{2, 4}));
    EXPECT_TRUE(changes.cells.empty());
    EXPECT_FALSE(changes.statusText);

    EXPECT_EQ(session.foldersChanged({dir + "/elsewhere"}), ChangeSet{}) << "not a folder of the rows";
    session.clear();
    EXPECT_TRUE(session.folders().empty());
    EXPECT_EQ(session.foldersChanged({dir}), ChangeSet{}) << "a report that comes after a clear";
}

namespace {

struct SpanCase {
    const char* behaviour;
    const char* name;
    const char* pattern;
    const char* replacement;
    std::vector<TextSpan> matched; // in the old name
    std::vector<TextSpan> changed; // in the new name
};

} // namespace

TEST_F(RenameSessionTest, SpansShowWhatThePatternMatchedAndWhatTheNewNameChanges)
{
    const SpanCase cases[] = {
        {"the default pattern matches all and changes nothing", "IMG_2041.JPG", "(.+)\\.(.+)", "$1.$2", {{0, 12}}, {}},
        {"a group in the middle", "IMG_2041.JPG", "_(\\d+)\\.", "-$1-x.", {{3, 9}}, {{3, 4}, {8, 10}}},
        {"every match of a global pattern", "a-b-c.txt", "-", "_", {{1, 2}, {3, 4}}, {{1, 2}, {3, 4}}},
        {"an empty match marks no text and its insertion changes", "a.txt", "^", "#-", {{0, 0}}, {{0, 2}}},
        {"the numbering is a change, wherever the # came from", "a#b.txt", "(.+)\\.(.+)", "$1.$2", {{0, 7}}, {{1, 2}}},
        {"numbering that grows the name", "x.jpg", "^x", "photo_###", {{0, 1}}, {{0, 9}}},
        {"names beyond ASCII in bytes", "旅行 北京.jpg", "北京", "上海", {{7, 13}}, {{7, 13}}},
        {"a case-insensitive match", "x.JPG", "jpg$", "jpeg", {{2, 5}}, {{2, 6}}},
        {"a name the pattern does not match", "notes", "\\.", "_", {}, {}},
        {"a name its numbering gives back unchanged", "a1.txt", "1", "#", {{1, 2}}, {}},
    };
    for (const SpanCase& c : cases) {
        const std::string path = dir + "/" + c.name;
        writeFile(path, "");
        session.drop({path}, c.pattern, c.replacement);
        const RowSpans spans = session.spans(1);
        EXPECT_EQ(spans.matched, c.matched) << c.behaviour;
        EXPECT_EQ(spans.changed, c.changed) << c.behaviour << ": " << cell(1, ColumnKey::NewName);
        session.clear();
    }
}

TEST_F(RenameSessionTest, AStaleProposalIsComparedWithTheNameAsAWhole)
{
    session.drop(files({"a.txt"}), "^a", "abc");
    session.edit("^z", "y");
    const RowSpans spans = session.spans(1);
    EXPECT_TRUE(spans.matched.empty());
    EXPECT_EQ(spans.changed, (std::vector<TextSpan>{{1, 3}})) << cell(1, ColumnKey::NewName);
    EXPECT_TRUE(session.spans(2).matched.empty()) << "no such row";
}

TEST_F(RenameSessionTest, DrawingRowsCompilesNoPattern)
{
    int compiles = 0;
    RenameSession counted = countingCompiles(compiles);
    counted.drop(files({"a.txt", "b.txt"}), "(.+)\\.(.+)", "$1.$2");
    counted.edit("^b", "c");
    EXPECT_EQ(counted.spans(2).matched, (std::vector<TextSpan>{{0, 1}}));
    EXPECT_TRUE(counted.spans(1).matched.empty());
    EXPECT_EQ(compiles, 2);
}

TEST_F(RenameSessionTest, OnlyANewPatternIsCompiled)
{
    int compiles = 0;
    RenameSession counted = countingCompiles(compiles);
    counted.drop(files({"a.txt", "b.txt"}), "(.+)\\.(.+)", "$1.$2");
    // Keystrokes in the replacement box: the pattern compiled for the drop serves.
    counted.edit("(.+)\\.(.+)", "$2.$1");
    counted.edit("(.+)\\.(.+)", "$2-$1");
    EXPECT_EQ(compiles, 1);
    EXPECT_EQ(counted.fileList().cell(2, ColumnKey::NewName), "txt-b");
    counted.edit("(.+)\\.(.+)x", "$2-$1");
    EXPECT_EQ(compiles, 2);
}

TEST_F(RenameSessionTest, ALongBatchReportsTheRowsRenamedSoFarAsItGoes)
{
    // Every row is due a report; each must name just the rows renamed since
    // the one before, already renamed in the list when it is heard.
    session.setProgressInterval(std::chrono::milliseconds(0));
    session.drop(files({"a.txt", "b.txt", "c.txt", "d.txt"}), "^[abd]", "x$&");
    std::vector<RowRange> reported;
    const ChangeSet changes = session.apply([&](const ChangeSet& soFar) {
        RowRange rows = soFar.cellsOf(ColumnKey::FileName);
        EXPECT_EQ(soFar.cellsOf(ColumnKey::NewName), rows);
        EXPECT_FALSE(soFar.statusText);
        for (std::size_t row = rows.first; !rows.empty() && row <= rows.last; ++row) {
            EXPECT_EQ(cell(row, ColumnKey::FileName).front(), 'x') << "row " << row;
            EXPECT_EQ(cell(row, ColumnKey::NewName), "");
        }
        if (!rows.empty())
            reported.push_back(rows);
    });
    // Row 4 is renamed last, after the last look at the clock within the
    // batch: the change set returned names it, with every other.
    EXPECT_EQ(reported, (std::vector<RowRange>{{1, 1}, {2, 2}}));
    EXPECT_EQ(changes.cellsOf(ColumnKey::FileName), (RowRange{1, 4}));
    EXPECT_EQ(changes.statusText, "3个文件已重命名");
}

TEST_F(RenameSessionTest, ALongDropSaysItGoesOnButAddsItsRowsOnlyAtTheEnd)
{
    std::filesystem::create_directory(dir + "/many");
    for (int i = 0; i < 5000; ++i)
        writeFile(dir + "/many/" + std::to_string(i), "");
    session.setProgressInterval(std::chrono::milliseconds(0));
    std::size_t reports = 0;
    const ChangeSet changes = session.drop({dir + "/many"}, "", "", [&](const ChangeSet& soFar) {
        EXPECT_EQ(soFar, ChangeSet{}) << "a drop's rows are shown together, once it has ended";
        ++reports;
    });
    EXPECT_GE(reports, 4u) << "before and within the listing, before the preview, around reading the folders";
    EXPECT_EQ(changes.appended, (RowRange{1, 5000}));
}

TEST_F(RenameSessionTest, AnActionShorterThanTheIntervalReportsNothing)
{
    session.setProgressInterval(std::chrono::hours(1));
    std::size_t reports = 0;
    const auto count = [&](const ChangeSet&) { ++reports; };
    session.drop(files({"a.txt", "b.txt"}), "^", "x", count);
    session.apply(count);
    EXPECT_EQ(reports, 0u);
}

TEST_F(RenameSessionTest, RowsWhoseFilesAllMadeWayForOthersAreEachCuedMissing)
{
    // Names on disk and the rows' old names then have nothing in common: the
    // cues look up twice as many names as either side has.
    std::filesystem::create_directory(dir + "/many");
    for (int i = 0; i < 300; ++i)
        writeFile(dir + "/many/old" + std::to_string(i), "");
    session.drop({dir + "/many"}, "^", "x");
    for (int i = 0; i < 300; ++i) {
        std::filesystem::remove(dir + "/many/old" + std::to_string(i));
        writeFile(dir + "/many/new" + std::to_string(i), "");
    }
    session.foldersChanged({dir + "/many"});
    for (std::size_t row = 1; row <= 300; ++row)
        ASSERT_EQ(session.cue(row).kind, RowCueKind::SourceGone) << "row " << row;
}

TEST(RenameSessionReads, ADroppedFolderIsReadOnceForItsRowsAndItsNamesOnDisk)
{
    test_support::InMemoryFileSystem fileSystem;
    for (const char* path : {"/d/a.txt", "/d/b.txt", "/e/c.txt"})
        fileSystem.addFile(path);
    fileSystem.recording = true;
    RenameSession session(fileSystem, makePcre2RegularExpression);
    session.drop({"/d", "/e/c.txt"}, "^a", "b");
    std::vector<std::string> reads;
    for (const std::string& call : fileSystem.calls)
        if (call.starts_with("read "))
            reads.push_back(call);
    EXPECT_EQ(reads, (std::vector<std::string>{"read /d", "read /e"}))
        << "the dropped folder once; a dropped file's folder for its names";
    EXPECT_EQ(session.cue(1).kind, RowCueKind::TakenOnDisk) << "the names on disk come from the drop's read";
}
