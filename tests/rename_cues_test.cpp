#include "PosixFileSystem.h"
#include "CueTexts.h"
#include "InMemoryFileSystem.h"
#include "RenameCues.h"
#include "TemporaryDirectory.h"
#include "CaseFolding.h"

#include <gtest/gtest.h>

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
        {"a name that only a later row frees is still taken", {{"a.txt", "b.txt"}, {"b.txt", "free.txt"}},
         {{Kind::TakenOnDisk}, {}}},
        {"a chain in the right order renames cleanly", {{"b.txt", "free.txt"}, {"a.txt", "b.txt"}}, {{}, {}}},
        {"a swap is refused both ways", {{"a.txt", "b.txt"}, {"b.txt", "a.txt"}},
         {{Kind::TakenOnDisk}, {Kind::TakenOnDisk}}},
        {"a file that is not there under its old name", {{"gone.txt", "x.txt"}}, {{Kind::SourceGone}}},
        {"the second row of one file finds it renamed", {{"a.txt", "x.txt"}, {"c.txt", "y.txt"}, {"a.txt", "z.txt"}},
         {{}, {}, {Kind::RenamedByEarlierRow, 1}}},
        {"a change of case only is free where case counts", {{"a.txt", "A.txt"}}, {{}}},
        {"a change of case onto another file is taken where case counts", {{"b.txt", "B.txt"}}, {{Kind::TakenOnDisk}}},
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
    cuesFor({{"a.txt", "x.txt"}, {"b.txt", "y.txt"}, {"c.txt", "z.txt"}});
    EXPECT_TRUE(computer.compute(list, snapshot, cues).empty());
    list.setCell(3, ColumnKey::NewName, "x.txt");
    const RowRange changed = computer.compute(list, snapshot, cues);
    EXPECT_EQ(changed.first, 3u);
    EXPECT_EQ(changed.last, 3u);
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

TEST(RenameCueTexts, ErrorsNameTheOtherRow)
{
    EXPECT_EQ(describeRowCue({Kind::TakenByEarlierRow, 12}), "与第 12 行的新文件名相同");
    EXPECT_EQ(describeRowCue({Kind::RenamedByEarlierRow, 3}), "第 3 行已将此文件重命名");
    EXPECT_EQ(describeRowCue({}), "");
    for (const Kind error : {Kind::InvalidName, Kind::NameTooLong, Kind::TakenOnDisk, Kind::TakenByEarlierRow,
                             Kind::SourceGone, Kind::RenamedByEarlierRow})
        EXPECT_TRUE(RowCue{error}.isError()) << static_cast<int>(error);
    EXPECT_FALSE(RowCue{Kind::Unchanged}.isError());
    EXPECT_FALSE(RowCue{}.isError());
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

namespace {

// The batch played through plainly, one ordered map of names: what the cue
// computer's tables must agree with.
std::vector<RowCue> playedPlainly(const FileList& list, const std::map<std::string, DirectoryNames>& folders)
{
    struct State {
        std::uint32_t renamedToBy = 0;
        std::uint32_t renamedAwayBy = 0;
    };
    std::map<std::pair<std::string, std::string>, State> names;
    std::vector<RowCue> cues;
    for (std::size_t row = 1; row <= list.rowCount(); ++row) {
        const std::string path(list.cell(row, ColumnKey::Path));
        const std::string oldName(list.cell(row, ColumnKey::FileName));
        const std::string newName(list.cell(row, ColumnKey::NewName));
        const auto folder = folders.find(path);
        const DirectoryNames* directory = folder == folders.end() ? nullptr : &folder->second;
        const auto keyOf = [directory](const std::string& name) {
            std::string key = name;
            if (directory != nullptr && directory->caseInsensitive)
                foldCase(name, key);
            return key;
        };
        // Whether the directory lists the name, and the inode of its last listing.
        const auto listed = [&](const std::string& key, std::uint64_t& inode) {
            bool found = false;
            for (std::size_t i = 0; directory != nullptr && i < directory->names.size(); ++i) {
                if (keyOf(std::string(directory->names[i])) == key) {
                    found = true;
                    inode = i < directory->inodes.size() ? directory->inodes[i] : 0;
                }
            }
            return found;
        };
        const auto cue = [&]() -> RowCue {
            if (newName.empty())
                return {};
            if (newName == "." || newName == ".." || newName.find('/') != std::string::npos)
                return {Kind::InvalidName};
            if (newName.size() > 765)
                return {Kind::NameTooLong};
            if (directory != nullptr && newName != oldName) {
                if (directory->access == FolderAccess::ReadOnlyVolume)
                    return {Kind::ReadOnlyVolume};
                if (directory->access == FolderAccess::NoWriteRights)
                    return {Kind::NoWriteRights};
                if (const auto refusal = refusalOf(newName, directory->volumeKind, directory->longestName))
                    return {refusal->kind == NameRefusalKind::TooLong ? Kind::NameTooLong : Kind::NotAWindowsName};
            }
            const RowOrigin origin = list.origin(row);
            if (directory != nullptr && !maybeSameFolder(origin.folder, directory->folder))
                return {Kind::FolderReplaced};
            const std::string oldKey = keyOf(oldName);
            const auto old = names.find({path, oldKey});
            const State* state = old == names.end() ? nullptr : &old->second;
            bool found = true;
            std::uint64_t foundInode = 0;
            if (state != nullptr && state->renamedToBy != 0)
                foundInode = list.origin(state->renamedToBy).inode;
            else if (state != nullptr && state->renamedAwayBy != 0)
                found = false;
            else if (directory != nullptr)
                found = listed(oldKey, foundInode);
            if (!found || !maybeSameInode(foundInode, origin.inode)) {
                if (state != nullptr && state->renamedAwayBy != 0
                    && maybeSameInode(list.origin(state->renamedAwayBy).inode, origin.inode))
                    return {Kind::RenamedByEarlierRow, state->renamedAwayBy};
                return {found ? Kind::SourceReplaced : Kind::SourceGone};
            }
            if (newName == oldName)
                return {Kind::Unchanged};
            const std::string newKey = keyOf(newName);
            const auto rowNumber = static_cast<std::uint32_t>(row);
            if (newKey == oldKey) {
                names[{path, oldKey}].renamedToBy = rowNumber;
                return {};
            }
            std::uint64_t ignored = 0;
            if (const auto taken = names.find({path, newKey}); taken != names.end()) {
                if (taken->second.renamedToBy != 0)
                    return {Kind::TakenByEarlierRow, taken->second.renamedToBy};
            } else if (listed(newKey, ignored)) {
                return {Kind::TakenOnDisk};
            }
            names[{path, newKey}].renamedToBy = rowNumber;
            State& source = names[{path, oldKey}];
            source.renamedToBy = 0;
            source.renamedAwayBy = rowNumber;
            return {};
        }();
        cues.push_back(cue);
    }
    return cues;
}

} // namespace

TEST(RenameCuesAtRandom, AgreeWithTheBatchPlayedPlainly)
{
    // Few names, in two letter cases, so that rows collide, chain, swap and
    // repeat; one folder ignores case and one cannot be read.
    const std::vector<std::string> pool = {"a",     "A",     "b",     "B",    "é",    "É",   "a.txt", "A.TXT",
                                           "b.txt", "名字", "x y", "",  "a/b", "..", std::string(300, 'n'),
                                           "a:b",   "CON",  "x.", "\x01"};
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
                    const std::size_t name = pick(10);
                    const std::uint64_t inode = pick(6) == 0 ? 0 : (pick(5) == 0 ? 99 : 10 + name);
                    const std::uint64_t folderInode = pick(10) == 0 ? 999 : 100 + pick(3);
                    const std::string& path = paths[pick(paths.size())];
                    ASSERT_TRUE(appendFileRow(rows, path, pool[name], {inode, {1, folderInode}}));
                }
                snapshot.refresh(rows, fileSystem);
            }
            for (std::size_t row = 1; row <= rows.rowCount(); ++row)
                rows.setCell(row, ColumnKey::NewName, pick(4) == 0 ? std::string(rows.cell(row, ColumnKey::FileName))
                                                                   : pool[pick(pool.size())]);
            computer.compute(rows, snapshot, cues);
            ASSERT_EQ(cues, playedPlainly(rows, folders)) << "list " << list << ", keystroke " << keystroke;
            checkedCues += static_cast<int>(cues.size());
        }
    }
    EXPECT_GT(checkedCues, 10000);
}
