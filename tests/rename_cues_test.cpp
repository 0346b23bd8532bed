#include "PosixFileSystem.h"
#include "CueRules.h"
#include "CueTexts.h"
#include "InMemoryFileSystem.h"
#include "RenameCues.h"
#include "TemporaryDirectory.h"
#include "CaseFolding.h"
#include "Utf8.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <random>

using namespace renamer;
using renamer::test_support::InMemoryFileSystem;
using renamer::test_support::TemporaryDirectory;
using renamer::test_support::writeFile;

namespace {

struct Proposal {
    std::string oldName;
    std::string newName;
};

class RenameCuesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : {"a.txt", "b.txt", "B.txt", "c.txt"})
            writeFile(temp.path() + "/" + name, name);
        std::filesystem::create_directory(temp.path() + "/folder");
    }

    // Rows for the proposals (the files need not exist), then a snapshot
    // taken as a drop takes it, then the cues.
    std::vector<RowCue> cuesFor(const std::vector<Proposal>& proposals)
    {
        for (const Proposal& proposal : proposals) {
            EXPECT_TRUE(appendFileRow(list, temp.path(), proposal.oldName));
            list.setCell(list.rowCount(), ColumnKey::NewName, proposal.newName);
        }
        snapshot.readDirectoriesOf(list, fileSystem, RowRange{1, list.rowCount()});
        computer.compute(list, snapshot, cues);
        return cues;
    }

    TemporaryDirectory temp;
    PosixFileSystem fileSystem;
    FileList list;
    DirectorySnapshot snapshot;
    RowCueComputer computer;
    std::vector<RowCue> cues;
};

using Kind = RowCueKind;

} // namespace

namespace renamer {
void PrintTo(const RowCue& cue, std::ostream* out)
{
    *out << "cue " << static_cast<int>(cue.kind) << " row " << cue.otherRow;
}
} // namespace renamer

namespace {

struct CueCase {
    const char* behaviour;
    std::vector<Proposal> rows;
    std::vector<RowCue> expected;
};

} // namespace

TEST_F(RenameCuesTest, EachRowIsMarkedWithWhatTheBatchWouldDoToIt)
{
    const CueCase cases[] = {
        {"a new free name renames cleanly and an empty one is no rename", {{"a.txt", "z.txt"}, {"b.txt", ""}},
         {{}, {}}},
        {"the same name is unchanged", {{"a.txt", "a.txt"}}, {{Kind::Unchanged}}},
        {"a separator, dot names and NUL are invalid",
         {{"a.txt", "x/y"}, {"a.txt", "."}, {"a.txt", ".."}, {"a.txt", std::string("n\0l", 3)}},
         {{Kind::InvalidName}, {Kind::InvalidName}, {Kind::InvalidName}, {Kind::InvalidName}}},
        {"a name as long as the directory allows is free, one byte more is too long",
         {{"a.txt", std::string(255, 'x')}, {"b.txt", std::string(256, 'y')}}, {{}, {Kind::NameTooLong}}},
        {"another file or a folder already has the name", {{"a.txt", "b.txt"}, {"c.txt", "folder"}},
         {{Kind::TakenOnDisk}, {Kind::TakenOnDisk}}},
        {"an earlier row, once renamed, would hold the name", {{"a.txt", "new.txt"}, {"b.txt", "new.txt"}},
         {{}, {Kind::TakenByEarlierRow, 1}}},
        {"a name that a later row frees waits for it", {{"a.txt", "b.txt"}, {"b.txt", "free.txt"}},
         {{Kind::MovesAfterRow, 2}, {}}},
        {"a chain in the right order renames cleanly", {{"b.txt", "free.txt"}, {"a.txt", "b.txt"}}, {{}, {}}},
        {"a chain runs from its free end", {{"a.txt", "b.txt"}, {"b.txt", "c.txt"}, {"c.txt", "free.txt"}},
         {{Kind::MovesAfterRow, 2}, {Kind::MovesAfterRow, 3}, {}}},
        {"a chain whose free end is taken moves nothing", {{"a.txt", "b.txt"}, {"b.txt", "c.txt"}, {"c.txt", "B.txt"}},
         {{Kind::BlockedByRow, 2}, {Kind::BlockedByRow, 3}, {Kind::TakenOnDisk}}},
        {"a swap goes round", {{"a.txt", "b.txt"}, {"b.txt", "a.txt"}},
         {{Kind::RotatesWithRow, 2}, {Kind::RotatesWithRow, 1}}},
        {"three names go round", {{"a.txt", "b.txt"}, {"b.txt", "c.txt"}, {"c.txt", "a.txt"}},
         {{Kind::RotatesWithRow, 2}, {Kind::RotatesWithRow, 3}, {Kind::RotatesWithRow, 1}}},
        {"a row waiting for a name of a cycle finds it taken", {{"c.txt", "a.txt"}, {"a.txt", "b.txt"}, {"b.txt", "a.txt"}},
         {{Kind::TakenByEarlierRow, 3}, {Kind::RotatesWithRow, 3}, {Kind::RotatesWithRow, 2}}},
        {"of two rows waiting for one name the first takes it", {{"a.txt", "b.txt"}, {"c.txt", "b.txt"}, {"b.txt", "x"}},
         {{Kind::MovesAfterRow, 3}, {Kind::TakenByEarlierRow, 1}, {}}},
        {"a file that is not there under its old name", {{"gone.txt", "x.txt"}}, {{Kind::SourceGone}}},
        {"the second row of one file finds it renamed", {{"a.txt", "x.txt"}, {"c.txt", "y.txt"}, {"a.txt", "z.txt"}},
         {{}, {}, {Kind::RenamedByEarlierRow, 1}}},
        {"a file the batch moved onto a row's old name is another row's, where inode numbers cannot tell",
         {{"a.txt", "x.txt"}, {"c.txt", "a.txt"}, {"a.txt", "z.txt"}}, {{}, {}, {Kind::RenamedByEarlierRow, 1}}},
        {"a change of case only is free where case counts", {{"a.txt", "A.txt"}}, {{}}},
        {"a change of case onto another file is taken where case counts", {{"b.txt", "B.txt"}}, {{Kind::TakenOnDisk}}},
        {"a file that is gone is cued gone also where its proposal keeps its name", {{"gone.txt", "gone.txt"}},
         {{Kind::SourceGone}}},
        {"a name that is not UTF-8 gets no proposal, and says so", {{"caf\xE9.txt", ""}, {"b.txt", ""}},
         {{Kind::NameNotUtf8}, {}}},
    };
    for (const CueCase& c : cases) {
        list.clear();
        snapshot.clear();
        cues.clear();
        EXPECT_EQ(cuesFor(c.rows), c.expected) << c.behaviour;
    }
}

TEST_F(RenameCuesTest, OnlyRowsWhoseCueChangedAreReported)
{
    cuesFor({{"a.txt", "b.txt"}, {"b.txt", "a.txt"}, {"c.txt", "z.txt"}});
    EXPECT_TRUE(computer.compute(list, snapshot, cues).empty());
    list.setCell(3, ColumnKey::NewName, "b.txt");
    const RowRange changed = computer.compute(list, snapshot, cues);
    EXPECT_EQ(changed.first, 3u);
    EXPECT_EQ(changed.last, 3u);
    list.setCell(2, ColumnKey::NewName, "free.txt");
    EXPECT_EQ(computer.compute(list, snapshot, cues), (RowRange{1, 2})) << "the swap is now a chain";
    list.clear();
    computer.compute(list, snapshot, cues);
    EXPECT_TRUE(cues.empty());
}

TEST_F(RenameCuesTest, TheSnapshotIsReadWhenAskedNotOnEveryComputation)
{
    cuesFor({{"a.txt", "new.txt"}});
    writeFile(temp.path() + "/new.txt", "appeared later");
    computer.compute(list, snapshot, cues);
    EXPECT_EQ(cues[0], RowCue{});
    snapshot.refresh(list, fileSystem);
    computer.compute(list, snapshot, cues);
    EXPECT_EQ(cues[0].kind, Kind::TakenOnDisk);
}

// The check reads eight bytes at a time, the last eight overlapping: a "/"
// or NUL is found wherever it falls, in names of every length around those
// words, and no other byte is taken for one.
TEST(InvalidNames, ASlashOrNulIsFoundWhereverItFalls)
{
    for (std::size_t length = 1; length <= 20; ++length) {
        const std::string clean(length, 'a');
        EXPECT_FALSE(holdsSlashOrNul(clean)) << length;
        // Bytes one off from "/" (0x2F) and NUL, and high bytes, are none.
        EXPECT_FALSE(holdsSlashOrNul(std::string(length, '.'))) << length;
        EXPECT_FALSE(holdsSlashOrNul(std::string(length, '0'))) << length;
        EXPECT_FALSE(holdsSlashOrNul(std::string(length, '\x01'))) << length;
        EXPECT_FALSE(holdsSlashOrNul(std::string(length, '\xAF'))) << length;
        EXPECT_FALSE(holdsSlashOrNul(std::string(length, '\x80'))) << length;
        for (std::size_t at = 0; at < length; ++at) {
            for (const char bad : {'/', '\0'}) {
                std::string name = clean;
                name[at] = bad;
                EXPECT_TRUE(holdsSlashOrNul(name)) << length << " " << at;
            }
        }
    }
    EXPECT_FALSE(holdsSlashOrNul(""));
}

TEST(RenameCueTexts, ErrorsNameTheOtherRow)
{
    EXPECT_EQ(describeRowCue({Kind::TakenByEarlierRow, 12}), "与第 12 行的新文件名相同");
    EXPECT_EQ(describeRowCue({Kind::RenamedByEarlierRow, 3}), "第 3 行已将此文件重命名");
    EXPECT_EQ(describeRowCue({Kind::MovesAfterRow, 4}), "第 4 行的文件让出此文件名后再重命名");
    EXPECT_EQ(describeRowCue({Kind::RotatesWithRow, 5}), "与第 5 行轮换文件名");
    EXPECT_EQ(describeRowCue({Kind::BlockedByRow, 6}), "新文件名属于第 6 行的文件，而第 6 行不能重命名");
    EXPECT_EQ(describeRowCue({}), "");
    EXPECT_EQ(describeRowCue({Kind::NameNotUtf8}), "文件名不是有效的 UTF-8 文本，表达式无法匹配它，此文件不能重命名");
    for (const Kind error : {Kind::InvalidName, Kind::NameTooLong, Kind::TakenOnDisk, Kind::TakenByEarlierRow,
                             Kind::BlockedByRow, Kind::SourceGone, Kind::RenamedByEarlierRow, Kind::SourceReplaced,
                             Kind::FolderReplaced})
        EXPECT_TRUE(RowCue{error}.isError()) << static_cast<int>(error);
    for (const Kind skipped : {Kind::Clean, Kind::MovesAfterRow, Kind::RotatesWithRow, Kind::Unchanged,
                               Kind::StaleProposal, Kind::NameNotUtf8})
        EXPECT_FALSE(RowCue{skipped}.isError()) << static_cast<int>(skipped);
}

TEST(RenameCuesWithoutCase, ACaseChangeIsTheFileItselfAndOtherCasesCollide)
{
    // A directory that compares names without regard to case, as a FAT or
    // case-folding folder does.
    FolderListing fat;
    fat.caseInsensitive = true;
    for (const char* name : {"PHOTO.JPG", "Ärger.txt", "notes.txt"})
        fat.names.add(name);
    InMemoryFileSystem fileSystem;
    fileSystem.addFolder("/fat", fat);
    FileList list;
    const std::vector<Proposal> rows = {
        {"PHOTO.JPG", "photo.jpg"}, {"ärger.txt", "ÄRGER.TXT"}, {"notes.txt", "Photo.jpg"}, {"x.txt", "y"}};
    for (const Proposal& proposal : rows) {
        ASSERT_TRUE(appendFileRow(list, "/fat", proposal.oldName));
        list.setCell(list.rowCount(), ColumnKey::NewName, proposal.newName);
    }
    DirectorySnapshot snapshot;
    snapshot.readDirectoriesOf(list, fileSystem, RowRange{1, list.rowCount()});
    std::vector<RowCue> cues;
    RowCueComputer().compute(list, snapshot, cues);
    EXPECT_EQ(cues, (std::vector<RowCue>{{}, {}, {Kind::TakenByEarlierRow, 1}, {Kind::SourceGone}}));
}

namespace {

std::string repeated(std::string_view unit, std::size_t count)
{
    std::string text;
    for (std::size_t i = 0; i < count; ++i)
        text += unit;
    return text;
}

} // namespace

TEST(RenameCuesOfAVolume, TheFoldersRulesAndAccessAreCued)
{
    const std::string emoji = "\xf0\x9f\x98\x80"; // two UTF-16 units, four bytes
    const struct {
        const char* behaviour;
        VolumeKind kind;
        FolderAccess access;
        std::string newName;
        RowCue expected;
    } rows[] = {
        {"a colon is refused on Windows volumes", VolumeKind::Exfat, FolderAccess::Writable, "x:.txt",
         {Kind::NotAWindowsName}},
        {"a colon is any character elsewhere", VolumeKind::Posix, FolderAccess::Writable, "x:.txt", {}},
        {"a device name is refused on Windows volumes", VolumeKind::Ntfs, FolderAccess::Writable, "con.txt",
         {Kind::NotAWindowsName}},
        {"127 emoji are 254 UTF-16 units, within NTFS's 255", VolumeKind::Ntfs, FolderAccess::Writable,
         repeated(emoji, 127), {}},
        {"128 emoji are 256 UTF-16 units", VolumeKind::Ntfs, FolderAccess::Writable, repeated(emoji, 128),
         {Kind::NameTooLong}},
        {"127 emoji are 508 bytes where bytes count", VolumeKind::Posix, FolderAccess::Writable,
         repeated(emoji, 127), {Kind::NameTooLong}},
        {"a folder on a read-only volume", VolumeKind::Posix, FolderAccess::ReadOnlyVolume, "b.txt",
         {Kind::ReadOnlyVolume}},
        {"a folder the user may not write", VolumeKind::Fat, FolderAccess::NoWriteRights, "b.txt",
         {Kind::NoWriteRights}},
        {"a row that keeps its name renames nothing, even there", VolumeKind::Posix, FolderAccess::ReadOnlyVolume,
         "a.txt", {Kind::Unchanged}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.behaviour);
        // One folder whose volume kind and access the row chooses.
        FolderListing folder;
        folder.names.add("a.txt");
        folder.volumeKind = row.kind;
        folder.access = row.access;
        InMemoryFileSystem fileSystem;
        fileSystem.addFolder("/v", folder);
        FileList list;
        ASSERT_TRUE(appendFileRow(list, "/v", "a.txt"));
        list.setCell(1, ColumnKey::NewName, row.newName);
        DirectorySnapshot snapshot;
        snapshot.readDirectoriesOf(list, fileSystem, RowRange{1, 1});
        std::vector<RowCue> cues;
        RowCueComputer().compute(list, snapshot, cues);
        EXPECT_EQ(cues, std::vector<RowCue>{row.expected});
    }
}

TEST(RenameCueTexts, AWindowsNameCueSaysWhichRuleTheNameBreaks)
{
    EXPECT_EQ(describeRowCue({Kind::NotAWindowsName}, NameRefusal{NameRefusalKind::ForbiddenCharacter, U':'}),
              "新文件名不适用于 Windows 卷：不能含有“:”");
    EXPECT_EQ(describeRowCue({Kind::NotAWindowsName}), "新文件名不适用于 Windows 卷");
    for (const Kind error : {Kind::NotAWindowsName, Kind::ReadOnlyVolume, Kind::NoWriteRights})
        EXPECT_TRUE(RowCue{error}.isError()) << static_cast<int>(error);
}

TEST(RenameCuesOfKnownFiles, ARowRenamesOnlyTheFileItWasMadeFor)
{
    struct Row {
        std::string path;
        std::string oldName;
        std::string newName;
        std::uint64_t inode;
        std::uint64_t folderInode = 100;
    };
    const struct {
        const char* behaviour;
        std::vector<Row> rows;
        std::vector<RowCue> expected;
    } cases[] = {
        {"the file an earlier row renames to a row's old name is that row's own",
         {{"/v", "a", "x", 1}, {"/v", "x", "z", 1}}, {{}, {}}},
        {"the file an earlier row renames to a row's old name is another's",
         {{"/v", "a", "x", 1}, {"/v", "x", "z", 2}}, {{}, {Kind::SourceReplaced}}},
        {"an earlier row renamed another file away from the old name", {{"/v", "a", "x", 1}, {"/v", "a", "z", 2}},
         {{}, {Kind::SourceGone}}},
        {"where the folder cannot be read the file counts as there, and only names no volume holds are refused",
         {{"/unread", "a", "b", 1},
          {"/unread", "c", std::string(765, 'x'), 1},
          {"/unread", "d", std::string(766, 'y'), 1}},
         {{}, {}, {Kind::NameTooLong}}},
        {"a read-only volume is named before a replaced folder", {{"/read-only", "a", "b", 1, 999}},
         {{Kind::ReadOnlyVolume}}},
        {"the second row of a file in a chain finds it renamed",
         {{"/v", "a", "b", 1}, {"/v", "b", "x", 2}, {"/v", "b", "y", 2}},
         {{Kind::MovesAfterRow, 2}, {}, {Kind::RenamedByEarlierRow, 2}}},
    };
    // Two folders that hold "a" as inode 1 and "b" as inode 2; "/unread"
    // cannot be read.
    InMemoryFileSystem fileSystem;
    for (const char* path : {"/v", "/read-only"}) {
        DirectoryNames folder;
        folder.names.add("a");
        folder.names.add("b");
        folder.inodes = {1, 2};
        folder.folder = {1, 100};
        folder.access = std::string_view(path) == "/read-only" ? FolderAccess::ReadOnlyVolume : FolderAccess::Writable;
        fileSystem.addFolder(path, folder);
    }
    for (const auto& c : cases) {
        SCOPED_TRACE(c.behaviour);
        FileList list;
        for (const Row& row : c.rows) {
            ASSERT_TRUE(appendFileRow(list, row.path, row.oldName, {row.inode, {1, row.folderInode}}));
            list.setCell(list.rowCount(), ColumnKey::NewName, row.newName);
        }
        DirectorySnapshot snapshot;
        snapshot.readDirectoriesOf(list, fileSystem, RowRange{1, list.rowCount()});
        std::vector<RowCue> cues;
        RowCueComputer().compute(list, snapshot, cues);
        EXPECT_EQ(cues, c.expected);
    }
}

namespace {

// The rules' ledger kept plainly, in ordered maps keyed by folder path and
// by name as the folder compares names: what each folder held when read,
// which rows have each old name, and what the rows played so far did with
// each name. The cue computer's tables must agree with it.
class MapLedger {
public:
    using Name = std::pair<std::string, std::string>;

    MapLedger(const FileList& list, const std::map<std::string, DirectoryNames>& folders,
              const std::vector<std::uint8_t>& patternMissed)
        : list_(list)
        , folders_(folders)
        , patternMissed_(patternMissed)
    {
        // A name listed twice (two spellings where case does not count): the last listing counts.
        for (const auto& [path, folder] : folders) {
            for (std::size_t i = 0; i < folder.names.size(); ++i)
                disk_[{path, comparedForm(&folder, folder.names[i])}] = i < folder.inodes.size() ? folder.inodes[i] : 0;
        }
        for (std::uint32_t number = 1; number <= list.rowCount(); ++number)
            rowsNamed_[nameOf(row(number), RowName::Old)].push_back(number);
    }

    CueRow checkedRow(std::uint32_t number) const
    {
        const auto folder = folders_.find(std::string(list_.cell(number, ColumnKey::Path)));
        const DirectoryNames* names = folder == folders_.end() ? nullptr : &folder->second;
        const std::string_view oldName = list_.cell(number, ColumnKey::FileName);
        const std::string_view newName = list_.cell(number, ColumnKey::NewName);
        return {number,
                oldName,
                newName,
                names,
                folderWasReplaced(list_.origin(number).folder, names),
                isValidUtf8(oldName),
                patternMissed_[number - 1] != 0,
                newName == oldName};
    }
    PlayedRow row(std::uint32_t number) const
    {
        const CueRow checked = checkedRow(number);
        return {number,          checked.folder,        !checked.newName.empty(), checked.keepsName,
                checked.oldNameIsUtf8, checked.patternMissed};
    }
    RowCueKind checkedAlone(const PlayedRow& row) const { return checkRowAlone(checkedRow(row.number)); }
    Name nameOf(const PlayedRow& row, RowName which) const
    {
        return {std::string(list_.cell(row.number, ColumnKey::Path)),
                comparedForm(row.folder, list_.cell(row.number, which == RowName::Old ? ColumnKey::FileName
                                                                                    : ColumnKey::NewName))};
    }
    DiskHolder heldOnDisk(const Name& name) const
    {
        const auto found = disk_.find(name);
        return found == disk_.end() ? DiskHolder{} : DiskHolder{true, found->second};
    }
    BatchHolder heldInBatch(const Name& name) const
    {
        const auto found = played_.find(name);
        return found == played_.end() ? BatchHolder{} : found->second;
    }
    std::uint32_t firstRowNamed(const Name& name) const
    {
        const auto found = rowsNamed_.find(name);
        return found == rowsNamed_.end() ? 0 : found->second.front();
    }
    std::uint32_t nextRowNamedAlike(std::uint32_t number) const
    {
        const std::vector<std::uint32_t>& alike = rowsNamed_.at(nameOf(row(number), RowName::Old));
        const auto next = std::upper_bound(alike.begin(), alike.end(), number);
        return next == alike.end() ? 0 : *next;
    }
    void renameTo(const Name& name, std::uint32_t row) { played_[name].renamedToBy = row; }
    void renameAway(const Name& name, std::uint32_t row) { played_[name] = {0, row}; }

private:
    static std::string comparedForm(const DirectoryNames* folder, std::string_view name)
    {
        std::string form(name);
        if (folder != nullptr && folder->caseInsensitive)
            foldCase(name, form);
        return form;
    }

    const FileList& list_;
    const std::map<std::string, DirectoryNames>& folders_;
    const std::vector<std::uint8_t>& patternMissed_;
    std::map<Name, std::uint64_t> disk_; // the inode of each name on disk
    std::map<Name, std::vector<std::uint32_t>> rowsNamed_;
    std::map<Name, BatchHolder> played_;
};
static_assert(CueLedger<MapLedger>);

struct PlainSink {
    std::vector<RowCue>& cues;
    void set(std::uint32_t row, const RowCue& cue, bool) { cues[row - 1] = cue; }
};

// The batch played through the rules, in the plan's order, against the
// plain ledger.
std::vector<RowCue> playedThroughMaps(const FileList& list, const std::map<std::string, DirectoryNames>& folders,
                                      const std::vector<std::uint8_t>& patternMissed)
{
    MapLedger ledger(list, folders, patternMissed);
    std::vector<RowCue> cues(list.rowCount());
    PlainSink sink{cues};
    CuePlay<MapLedger, PlainSink> play(list, ledger, sink);
    BatchPlan plan;
    plan.start(static_cast<std::uint32_t>(list.rowCount()));
    for (std::uint32_t row = 1; row <= list.rowCount(); ++row)
        plan.takeTurn(play, row);
    return cues;
}

} // namespace

TEST(RenameCuesAtRandom, TheTablesAgreeWithAPlainLedger)
{
    // Few names, in two letter cases, so that rows collide, chain, swap and
    // repeat; one folder ignores case and one cannot be read. The first
    // eleven are old names, one of them not UTF-8.
    const std::vector<std::string> pool = {"a",     "A",     "b",     "B",    "é",  "É",   "a.txt",
                                           "A.TXT", "b.txt", "名字",  "\xE9t\xC9", "x y", "",  "a/b",
                                           "..",    std::string(300, 'n'), "a:b", "CON", "x.",  "\x01"};
    const std::vector<std::string> paths = {"/cased", "/fat", "/unreadable"};
    const FolderAccess accesses[] = {FolderAccess::Writable, FolderAccess::Writable, FolderAccess::Writable,
                                     FolderAccess::ReadOnlyVolume, FolderAccess::NoWriteRights};
    std::mt19937 random(7);
    const auto pick = [&random](std::size_t count) {
        return std::uniform_int_distribution<std::size_t>(0, count - 1)(random);
    };
    int checkedCues = 0;
    for (int list = 0; list < 300; ++list) {
        // Folders made up for the test; a path without one cannot be read.
        InMemoryFileSystem fileSystem;
        std::map<std::string, DirectoryNames> folders;
        for (int folder = 0; folder < 2; ++folder) {
            DirectoryNames names;
            names.caseInsensitive = folder == 1;
            names.volumeKind = folder == 1 ? VolumeKind::Fat : VolumeKind::Posix;
            names.access = accesses[pick(std::size(accesses))];
            names.longestName = pick(4) == 0 ? 8 : 255;
            names.folder = {1, 100u + static_cast<std::uint64_t>(folder)};
            for (std::size_t i = 0; i < pool.size(); ++i) {
                if (pick(2) == 0 && !pool[i].empty() && pool[i].find('/') == std::string::npos && pool[i] != "..") {
                    names.names.add(pool[i]);
                    names.inodes.push_back(pick(5) == 0 ? 0 : 10 + i);
                }
            }
            fileSystem.addFolder(paths[static_cast<std::size_t>(folder)], names);
            folders[paths[static_cast<std::size_t>(folder)]] = names;
        }
        FileList rows;
        DirectorySnapshot snapshot;
        RowCueComputer computer;
        std::vector<RowCue> cues;
        for (int keystroke = 0; keystroke < 6; ++keystroke) {
            // Now and then more rows, and with them a fresh look at the disk.
            if (keystroke == 0 || pick(3) == 0) {
                for (std::size_t added = 1 + pick(12); added > 0; --added) {
                    const std::size_t name = pick(11);
                    const std::uint64_t inode = pick(6) == 0 ? 0 : (pick(5) == 0 ? 99 : 10 + name);
                    const std::uint64_t folderInode = pick(10) == 0 ? 999 : 100 + pick(3);
                    const std::string& path = paths[pick(paths.size())];
                    ASSERT_TRUE(appendFileRow(rows, path, pool[name], {inode, {1, folderInode}}));
                }
                snapshot.refresh(rows, fileSystem);
            }
            std::vector<std::uint8_t> patternMissed(rows.rowCount());
            for (std::size_t row = 1; row <= rows.rowCount(); ++row) {
                rows.setCell(row, ColumnKey::NewName, pick(4) == 0 ? std::string(rows.cell(row, ColumnKey::FileName))
                                                                   : pool[pick(pool.size())]);
                patternMissed[row - 1] = pick(8) == 0 ? 1 : 0;
            }
            computer.compute(rows, snapshot, cues, patternMissed);
            ASSERT_EQ(cues, playedThroughMaps(rows, folders, patternMissed))
                << "list " << list << ", keystroke " << keystroke;
            checkedCues += static_cast<int>(cues.size());
        }
    }
    EXPECT_GT(checkedCues, 10000);
}

// Enough rows that the look-ups and the rows that stand alone are worked on
// several cores: mostly names of their own, with now and then a proposal that
// another row has, had or proposes too, chains and swaps among them.
TEST(RenameCuesAtRandom, RowsPlayedOnSeveralCoresAgreeWithAPlainLedger)
{
    constexpr std::size_t kRows = 40000;
    std::mt19937 random(11);
    const auto pick = [&random](std::size_t count) {
        return std::uniform_int_distribution<std::size_t>(0, count - 1)(random);
    };
    std::map<std::string, DirectoryNames> folders;
    DirectoryNames& names = folders["/cased"];
    names.folder = {1, 100};
    names.longestName = 255;
    InMemoryFileSystem fileSystem;
    FileList rows;
    for (std::size_t i = 0; i < kRows; ++i) {
        const std::string name = "n" + std::to_string(i);
        // A few names missing from the disk, or there as another file.
        if (pick(50) != 0) {
            names.names.add(name);
            names.inodes.push_back(pick(50) == 0 ? 10 + kRows + i : 10 + i);
        }
        ASSERT_TRUE(appendFileRow(rows, "/cased", pick(100) == 0 ? "n" + std::to_string(pick(kRows)) : name,
                                  {10 + i, {1, 100}}));
    }
    fileSystem.addFolder("/cased", names);
    DirectorySnapshot snapshot;
    snapshot.refresh(rows, fileSystem);
    RowCueComputer computer;
    std::vector<RowCue> cues;
    for (int keystroke = 0; keystroke < 3; ++keystroke) {
        std::vector<std::uint8_t> patternMissed(kRows);
        for (std::size_t row = 1; row <= kRows; ++row) {
            std::string proposal;
            switch (pick(20)) {
            case 0: proposal = "n" + std::to_string(pick(kRows)); break; // another's name
            case 1: proposal = "m" + std::to_string(pick(kRows / 100)); break; // proposed by others too
            case 2: proposal = std::string(rows.cell(row, ColumnKey::FileName)); break;
            case 3: break; // none
            case 4: proposal = "a/b"; break;
            default: proposal = "m" + std::to_string(row) + "-" + std::to_string(keystroke); break;
            }
            rows.setCell(row, ColumnKey::NewName, proposal);
            patternMissed[row - 1] = pick(30) == 0 ? 1 : 0;
        }
        const std::vector<RowCue> before = cues;
        const RowRange changed = computer.compute(rows, snapshot, cues, patternMissed);
        ASSERT_EQ(cues, playedThroughMaps(rows, folders, patternMissed)) << "keystroke " << keystroke;
        for (std::size_t row = 1; row <= before.size(); ++row) {
            if (before[row - 1] != cues[row - 1]) {
                ASSERT_TRUE(changed.first <= row && row <= changed.last) << "row " << row;
            }
        }
    }
}
