#pragma once

// Batches whose rows chain and go round, renamed on any file system: the
// table that the engine's tests run on a kernel file system and in memory,
// and the volume tests on every mounted volume.
#include "ApplyNames.h"
#include "FileSystem.h"
#include "RenameCues.h"
#include "UserTexts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace renamer::test_support {

// A file system whose first step that would put a file under `failingName`
// (a move there while the name is free, or an exchange with it) fails,
// without changing anything; every other call goes to `inner`. A move onto
// a name that is held fails as the inner file system fails it, so that the
// failing step is one the batch means to take, not one it merely tries.
class FailingStep final : public FileSystem {
public:
    FailingStep(FileSystem& inner, std::string failingName)
        : inner_(inner)
        , failingName_(std::move(failingName))
    {
    }

    Result<std::uint32_t> attributes(const std::string& path) override { return inner_.attributes(path); }
    Result<FolderListing> readFolder(const std::string& path) override { return inner_.readFolder(path); }
    Result<FileHandle> lookUpFile(const std::string& path) override { return inner_.lookUpFile(path); }
    Result<OpenFolderPtr> openFolder(const std::string& path) override { return inner_.openFolder(path); }
    Result<OpenFolderPtr> reopenFolder(const std::string& path, const std::string& resolvedPath) override
    {
        return inner_.reopenFolder(path, resolvedPath);
    }
    Result<FileHandle> lookUpFileIn(const OpenFolderPtr& folder, std::string_view name) override
    {
        return inner_.lookUpFileIn(folder, name);
    }
    Result<std::string> move(const FileHandle& file, const std::string& destination) override
    {
        if (!inner_.lookUpFile(destination) && failsNow(destination.substr(destination.rfind('/') + 1)))
            return failWith(failureOf(FailureKind::NoRights));
        return inner_.move(file, destination);
    }
    Result<void> exchange(const FileHandle& a, const FileHandle& b) override
    {
        if (a.folder && a.folder->volume().canExchange && (failsNow(a.name) || failsNow(b.name)))
            return failWith(failureOf(FailureKind::NoRights));
        return inner_.exchange(a, b);
    }

private:
    bool failsNow(const std::string& name)
    {
        if (failed_ || name != failingName_)
            return false;
        failed_ = true;
        return true;
    }

    FileSystem& inner_;
    std::string failingName_;
    bool failed_ = false;
};

using Disk = std::map<std::string, std::string>; // name -> the name the file had at first

struct PlanBatch {
    const char* behaviour;
    std::vector<std::string> files; // in the folder, besides those the rows rename
    std::vector<std::pair<std::string, std::string>> rows;
    Disk after;                     // the folder afterwards
    std::size_t failingRow = 0;     // 0: the batch succeeds
    FailureKind failure = FailureKind::Other;
    std::uint64_t renamed = 0;
    std::set<std::size_t> redRows{}; // cued as failing before the batch
    std::string failingName{};       // the first step giving a file this name fails
    bool needsCaseToCount = false;   // two names differing in case only can be two files
    bool needsCaseIgnored = false;   // two names differing in case only are one file
};

inline Disk numbered(const char* prefix, int first, int last, int shift)
{
    Disk disk;
    for (int i = first; i <= last; ++i)
        disk[prefix + std::to_string(i + shift)] = prefix + std::to_string(i);
    return disk;
}

inline std::vector<std::pair<std::string, std::string>> shifted(const char* prefix, int first, int last, int shift)
{
    std::vector<std::pair<std::string, std::string>> rows;
    for (int i = first; i <= last; ++i)
        rows.emplace_back(prefix + std::to_string(i), prefix + std::to_string(i + shift));
    return rows;
}

inline const std::vector<PlanBatch>& planBatches()
{
    static const std::vector<PlanBatch> batches = {
        {"a run of ten shifted up by one runs from its free end", {}, shifted("f", 1, 10, 1), numbered("f", 1, 10, 1),
         0, FailureKind::Other, 10},
        {"a run of ten shifted down by one runs in list order", {}, shifted("f", 1, 10, -1),
         numbered("f", 1, 10, -1), 0, FailureKind::Other, 10},
        {"a swap", {}, {{"1_2.txt", "2_1.txt"}, {"2_1.txt", "1_2.txt"}},
         {{"1_2.txt", "2_1.txt"}, {"2_1.txt", "1_2.txt"}}, 0, FailureKind::Other, 2},
        {"three names go round", {}, {{"a", "b"}, {"b", "c"}, {"c", "a"}}, {{"a", "c"}, {"b", "a"}, {"c", "b"}}, 0,
         FailureKind::Other, 3},
        {"a row waiting for a name of a cycle finds it taken after the cycle", {},
         {{"c", "a"}, {"a", "b"}, {"b", "a"}}, {{"a", "b"}, {"b", "a"}, {"c", "c"}}, 1, FailureKind::Exists, 2, {1}},
        {"two cycles", {}, {{"a", "b"}, {"c", "d"}, {"b", "a"}, {"d", "e"}, {"e", "c"}},
         {{"a", "b"}, {"b", "a"}, {"c", "e"}, {"d", "c"}, {"e", "d"}}, 0, FailureKind::Other, 5},
        {"a chain broken by a file outside the batch moves nothing", {"x"}, {{"a", "b"}, {"b", "c"}, {"c", "x"}},
         {{"a", "a"}, {"b", "b"}, {"c", "c"}, {"x", "x"}}, 3, FailureKind::Exists, 0, {1, 2, 3}},
        {"a cycle whose second step fails puts every file back", {}, {{"a", "b"}, {"b", "c"}, {"c", "a"}},
         {{"a", "a"}, {"b", "b"}, {"c", "c"}}, 1, FailureKind::NoRights, 0, {}, "b"},
        {"the second row of a file in a chain finds it renamed", {}, {{"a", "b"}, {"b", "c"}, {"b", "d"}},
         {{"b", "a"}, {"c", "b"}}, 3, FailureKind::NotFound, 2, {3}},
        {"a name the batch filled stays taken, though another row of the file that left it has yet to play", {},
         {{"x", "y"}, {"a", "x"}, {"c", "x"}, {"x", "z"}}, {{"y", "x"}, {"x", "a"}, {"c", "c"}}, 3,
         FailureKind::Exists, 2, {3, 4}},
        {"a change of letter case keeps the name for its file", {}, {{"x", "a.txt"}, {"a.txt", "A.TXT"}},
         {{"x", "x"}, {"a.txt", "a.txt"}}, 1, FailureKind::Exists, 0, {1}, "", false, true},
        {"names in other letters go round", {}, {{"a.txt", "A.txt"}, {"A.txt", "a.txt"}},
         {{"A.txt", "a.txt"}, {"a.txt", "A.txt"}}, 0, FailureKind::Other, 2, {}, "", true},
        {"names in other letters than the files' go round where case does not count", {},
         {{"a.txt", "B.TXT"}, {"b.txt", "A.TXT"}}, {{"B.TXT", "a.txt"}, {"A.TXT", "b.txt"}}, 0, FailureKind::Other,
         2},
    };
    return batches;
}

// Where a batch of the table runs: a fresh folder holding the given files,
// and the folder as it is afterwards; whether the folder ignores letter
// case, and whether rows know their files by inode.
struct PlanFolder {
    std::function<std::string(const std::vector<std::string>& files)> make;
    std::function<Disk(const std::string& folder)> disk;
    bool ignoresCase = false;
    bool rowsKnowTheirFiles = true;
};

// Drops the batch's rows, takes their cues, renames, and checks the folder,
// the rows, the count, the failure and the cues against the table.
inline void renamePlanBatch(const PlanBatch& batch, FileSystem& fileSystem, const PlanFolder& where)
{
    if ((batch.needsCaseToCount && where.ignoresCase) || (batch.needsCaseIgnored && !where.ignoresCase))
        return;
    SCOPED_TRACE(batch.behaviour);
    std::vector<std::string> files = batch.files;
    for (const auto& [oldName, newName] : batch.rows) {
        if (std::find(files.begin(), files.end(), oldName) == files.end())
            files.push_back(oldName);
    }
    const std::string folder = where.make(files);
    FileList list;
    for (const auto& [oldName, newName] : batch.rows) {
        if (where.rowsKnowTheirFiles)
            ASSERT_TRUE(AddFile(list, fileSystem, folder + "/" + oldName)) << oldName;
        else
            ASSERT_TRUE(appendFileRow(list, folder, oldName));
        list.setCell(list.rowCount(), ColumnKey::NewName, newName);
    }
    DirectorySnapshot snapshot;
    snapshot.readDirectoriesOf(list, fileSystem, RowRange{1, list.rowCount()});
    std::vector<RowCue> cues;
    RowCueComputer().compute(list, snapshot, cues);
    std::set<std::size_t> red;
    for (std::size_t row = 1; row <= cues.size(); ++row) {
        if (cues[row - 1].isError())
            red.insert(row);
    }
    EXPECT_EQ(red, batch.redRows);

    FailingStep seam(fileSystem, batch.failingName);
    const ApplyOutcome outcome = ApplyNames(list, seam, nullptr, &snapshot);
    EXPECT_EQ(where.disk(folder), batch.after);
    EXPECT_EQ(outcome.renamedCount, batch.renamed);
    if (batch.failingRow == 0) {
        EXPECT_EQ(outcome.statusText, std::to_string(batch.renamed) + "个文件已重命名");
    } else {
        ASSERT_TRUE(outcome.failure) << outcome.statusText;
        EXPECT_EQ(outcome.failure->kind, batch.failure);
        const auto& [oldName, newName] = batch.rows[batch.failingRow - 1];
        EXPECT_EQ(outcome.statusText, renameFailureMessage(oldName, newName, outcome.failure->description));
    }
    // A renamed row shows its new name, under which its file is; the others
    // keep their cells.
    std::uint64_t renamedRows = 0;
    for (std::size_t row = 1; row <= list.rowCount(); ++row) {
        const auto& [oldName, newName] = batch.rows[row - 1];
        if (list.cell(row, ColumnKey::NewName).empty()) {
            ++renamedRows;
            EXPECT_EQ(list.cell(row, ColumnKey::FileName), newName) << "row " << row;
            const auto file = batch.after.find(newName);
            EXPECT_TRUE(file != batch.after.end() && file->second == oldName) << "row " << row;
        } else {
            EXPECT_EQ(list.cell(row, ColumnKey::FileName), oldName) << "row " << row;
            EXPECT_EQ(list.cell(row, ColumnKey::NewName), newName) << "row " << row;
        }
    }
    EXPECT_EQ(renamedRows, batch.renamed);
}

} // namespace renamer::test_support
