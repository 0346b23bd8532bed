#pragma once

// Random hostile lists renamed on real folders: whatever the list holds and
// whatever changed on disk behind the tool's back, no file may be lost or
// overwritten, no row may rename a file other than its own, and the rows and
// the status text must tell what happened on disk. The lists are made for
// the volume they are renamed on (VolumeRules).
#include "ApplyNames.h"
#include "BatchPlan.h"
#include "DroppedItems.h"
#include "Pcre2RegularExpression.h"
#include "PosixFileSystem.h"
#include "PreviewNames.h"
#include "TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <map>
#include <numeric>
#include <optional>
#include <random>
#include <set>
#include <span>

namespace renamer::test_support {


using Disk = std::map<std::string, std::string>; // name -> content
using Disks = std::map<std::string, Disk>;       // folder as first made -> its content

// What a volume allows the lists made for it: names it can hold side by side,
// and changes behind the tool's back whose outcome it can tell.
struct VolumeRules {
    bool caseInsensitive = false; // no two names differing in case only
    bool asciiOnly = false;       // fusefat stores nothing else
    bool symbolicLinks = true;    // a folder can be swapped for a link
    bool identities = true;       // inode numbers tell files apart, not only their sizes and times
};

inline const std::vector<std::string> kNamePool = {
    "a.txt", "b.txt", "c.txt", "1.txt", "2.txt", "3.txt", "名 字.txt", "照片01.jpg", ".hidden",
    "x y.txt", "A.TXT", "..dots", " lead space", "img10.jpg", "img2.jpg",
};
inline const std::string kFreshPrefixes[] = {"新 文件 ", ".dot ", "n", "  "};
inline const std::vector<std::string> kInvalidNames = {"a/b.txt", ".", "..", "../escape.txt", std::string(256, 'L'),
                                                std::string(1024, 'C')};
inline const char* const kFolders[] = {"/one", "/two", "/three"}; // rows live in the first two

// The folders as first made and where each is now: a folder swapped for a
// link lives on under another path.
struct Folders {
    std::string root;
    std::map<std::string, std::string> realPath; // folder as first made -> where it is

    // The folder as first made that `path` leads to now, or "" for none.
    std::string resolve(const std::string& path) const
    {
        std::error_code error;
        const std::string real = std::filesystem::canonical(path, error);
        for (const auto& [folder, where] : realPath)
            if (!error && where == real)
                return folder;
        return {};
    }
    Disks disks() const
    {
        Disks all;
        for (const auto& [folder, where] : realPath)
            all[folder] = snapshot(where);
        return all;
    }
};

// What the batch should do, replayed on a model of the folders: the oracle.
// A row's file is told by its content, which is unique to each file.
struct Expectation {
    Disks disks;
    std::optional<std::size_t> failingRow;
    FailureKind failure = FailureKind::Other;
    std::uint64_t renamed = 0;
    std::vector<std::uint32_t> renamedRows; // in the order the batch renames them
};

inline bool isAscii(std::string_view name)
{
    return std::all_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// The pool without the names the volume cannot hold side by side.
inline std::vector<std::string> namePoolFor(const VolumeRules& rules)
{
    std::vector<std::string> pool;
    for (const std::string& name : kNamePool)
        if ((!rules.asciiOnly || isAscii(name)) && (!rules.caseInsensitive || name != "A.TXT"))
            pool.push_back(name);
    return pool;
}

inline bool isInvalidName(const std::string& name)
{
    return name == "." || name == ".." || name.find('/') != std::string::npos || name.size() > 255;
}

struct RowFile {
    std::string folder;  // as first made
    std::string content; // of the file the row was made for
};

// Why the row cannot be renamed, its new name being taken aside.
inline std::optional<FailureKind> failureOf(const RowFile& file, const std::string& path, const std::string& oldName,
                                            const std::string& newName, const Folders& folders, const Disks& disks,
                                            const std::set<std::string>& moved)
{
    if (newName.size() > 765)
        return FailureKind::NameTooLong;
    if (folders.resolve(path) != file.folder)
        return FailureKind::FolderReplaced;
    const Disk& disk = disks.at(file.folder);
    const auto source = disk.find(oldName);
    if (source == disk.end())
        return FailureKind::NotFound;
    if (source->second != file.content)
        return moved.contains(source->second) ? FailureKind::NotFound : FailureKind::FileReplaced;
    if (isInvalidName(newName))
        return newName.size() > 255 ? FailureKind::NameTooLong : FailureKind::NameRefused;
    return std::nullopt;
}

// The batch played on the model of the folders, in the order of the plan
// (PlanPlayer); names are compared as they are spelled, which the lists
// made for a volume that ignores case allow.
class ModelBatch {
public:
    ModelBatch(const FileList& list, const std::vector<RowFile>& files, const Folders& folders, Disks disks)
        : list_(list)
        , files_(files)
        , folders_(folders)
    {
        expected_.disks = std::move(disks);
        for (std::uint32_t row = 1; row <= list.rowCount(); ++row)
            rowsNamed_[{cell(row, ColumnKey::Path), cell(row, ColumnKey::FileName)}].push_back(row);
    }

    Turn play(std::uint32_t row, std::uint32_t)
    {
        const std::string newName = cell(row, ColumnKey::NewName);
        if (newName.empty())
            return {TurnOutcome::Stayed};
        const std::string oldName = cell(row, ColumnKey::FileName);
        const std::string path = cell(row, ColumnKey::Path);
        if (const auto failure = failureOf(files_[row - 1], path, oldName, newName, folders_, expected_.disks, moved_))
            return stop(row, *failure);
        if (newName != oldName && expected_.disks.at(files_[row - 1].folder).contains(newName)) {
            if (touched_.contains({path, newName}))
                return stop(row, FailureKind::Exists);
            const auto named = rowsNamed_.find({path, newName});
            return {TurnOutcome::Blocked, named == rowsNamed_.end() ? 0 : named->second.front()};
        }
        rename(row);
        return {newName == oldName ? TurnOutcome::Stayed : TurnOutcome::Moved};
    }
    bool leavesItsName(std::uint32_t row) const
    {
        const std::string newName = cell(row, ColumnKey::NewName);
        return !newName.empty() && newName != cell(row, ColumnKey::FileName);
    }
    std::uint32_t oldNameRow(std::uint32_t row) const { return alike(row).front(); }
    std::uint32_t nextRowNamedAlike(std::uint32_t row) const
    {
        const std::vector<std::uint32_t>& rows = alike(row);
        const auto next = std::upper_bound(rows.begin(), rows.end(), row);
        return next == rows.end() ? 0 : *next;
    }
    void waitFor(std::uint32_t, std::uint32_t) {}
    void blockedBy(std::uint32_t row, std::uint32_t) { stop(row, FailureKind::Exists); }
    bool rotate(std::span<const std::uint32_t> cycle)
    {
        // Every file is taken off its name before any takes its new one.
        for (const std::uint32_t row : cycle)
            expected_.disks[files_[row - 1].folder].erase(cell(row, ColumnKey::FileName));
        for (const std::uint32_t row : cycle) {
            expected_.disks[files_[row - 1].folder][cell(row, ColumnKey::NewName)] = files_[row - 1].content;
            record(row);
        }
        return true;
    }
    bool stopped() const { return expected_.failingRow.has_value(); }

    Expectation expectation() && { return std::move(expected_); }

private:
    std::string cell(std::uint32_t row, std::string_view key) const { return std::string(list_.cell(row, key)); }
    const std::vector<std::uint32_t>& alike(std::uint32_t row) const
    {
        return rowsNamed_.at({cell(row, ColumnKey::Path), cell(row, ColumnKey::FileName)});
    }

    Turn stop(std::uint32_t row, FailureKind failure)
    {
        expected_.failingRow = row;
        expected_.failure = failure;
        return {TurnOutcome::Stopped};
    }
    void rename(std::uint32_t row)
    {
        Disk& disk = expected_.disks[files_[row - 1].folder];
        disk.erase(cell(row, ColumnKey::FileName));
        disk[cell(row, ColumnKey::NewName)] = files_[row - 1].content;
        record(row);
    }
    void record(std::uint32_t row)
    {
        const std::string path = cell(row, ColumnKey::Path);
        const std::string oldName = cell(row, ColumnKey::FileName);
        const std::string newName = cell(row, ColumnKey::NewName);
        if (newName != oldName) {
            touched_.insert({path, oldName});
            touched_.insert({path, newName});
        }
        moved_.insert(files_[row - 1].content);
        ++expected_.renamed;
        expected_.renamedRows.push_back(row);
    }

    const FileList& list_;
    const std::vector<RowFile>& files_;
    const Folders& folders_;
    Expectation expected_;
    std::set<std::string> moved_;
    std::set<std::pair<std::string, std::string>> touched_;
    std::map<std::pair<std::string, std::string>, std::vector<std::uint32_t>> rowsNamed_;
};

inline Expectation replay(const FileList& list, const std::vector<RowFile>& files, const Folders& folders, Disks disks)
{
    ModelBatch batch(list, files, folders, std::move(disks));
    static_assert(PlanPlayer<ModelBatch>);
    BatchPlan plan;
    plan.start(static_cast<std::uint32_t>(list.rowCount()));
    for (std::uint32_t row = 1; row <= list.rowCount() && !batch.stopped(); ++row)
        plan.takeTurn(batch, row);
    return std::move(batch).expectation();
}

inline std::multiset<std::string> contents(const Disks& disks)
{
    std::multiset<std::string> all;
    for (const auto& [folder, disk] : disks)
        for (const auto& [name, content] : disk)
            all.insert(content);
    return all;
}

class HostileList {
public:
    explicit HostileList(unsigned seed, VolumeRules rules = {})
        : random_(seed)
        , rules_(rules)
        , pool_(namePoolFor(rules))
    {
        for (const std::string& prefix : kFreshPrefixes)
            if (!rules.asciiOnly || isAscii(prefix))
                freshPrefixes_.push_back(prefix);
    }

    // Three folders of random files, a list of random rows over the first
    // two (single files, whole folders, duplicates), random proposals, then
    // random changes behind the tool's back.
    void build(Folders& folders, FileSystem& fileSystem, FileList& list, std::vector<RowFile>& rowFiles)
    {
        for (const char* folderName : kFolders) {
            const std::string folder = folders.root + folderName;
            std::filesystem::create_directory(folder);
            folders.realPath[folder] = folder;
            std::vector<std::string> names = pool_;
            std::shuffle(names.begin(), names.end(), random_);
            names.resize(1 + pick(8));
            for (const std::string& name : names) {
                writeFile(folder + "/" + name, folder + "/" + name + " #" + std::to_string(serial_++));
                if (folderName != kFolders[2])
                    files_.push_back({folder, name});
            }
        }
        addRows(folders, fileSystem, list);
        // Each row's file, told by its content, as it was when the row was made.
        const Disks disks = folders.disks();
        for (std::size_t row = 1; row <= list.rowCount(); ++row) {
            const std::string folder{list.cell(row, ColumnKey::Path)};
            rowFiles.push_back({folder, disks.at(folder).at(std::string(list.cell(row, ColumnKey::FileName)))});
        }
        propose(list);
        for (std::size_t changes = pick(3); changes > 0; --changes)
            changeBehindTheToolsBack(folders);
    }

private:
    std::size_t pick(std::size_t count) { return std::uniform_int_distribution<std::size_t>(0, count - 1)(random_); }

    void addRows(const Folders& folders, FileSystem& fileSystem, FileList& list)
    {
        switch (pick(3)) {
        case 0: {
            // Each file at most once.
            std::vector<std::pair<std::string, std::string>> distinct = files_;
            std::shuffle(distinct.begin(), distinct.end(), random_);
            distinct.resize(1 + pick(distinct.size()));
            for (const auto& [folder, name] : distinct)
                ASSERT_TRUE(AddFile(list, fileSystem, folder + "/" + name));
            break;
        }
        case 1: {
            const std::size_t rows = pick(3) == 0 ? 101 + pick(30) : 1 + pick(14);
            for (std::size_t i = 0; i < rows; ++i) {
                const auto& [folder, name] = files_[pick(files_.size())];
                ASSERT_TRUE(AddFile(list, fileSystem, folder + "/" + name));
            }
            break;
        }
        default:
            // Whole folders, one of them dropped twice or more, files between.
            for (std::size_t drops = 2 + pick(3); drops > 0; --drops) {
                if (pick(3) == 0) {
                    const auto& [folder, name] = files_[pick(files_.size())];
                    ASSERT_TRUE(AddFile(list, fileSystem, folder + "/" + name));
                } else {
                    ASSERT_TRUE(AddFolder(list, fileSystem, folders.root + kFolders[pick(2)]));
                }
            }
        }
    }

    void propose(FileList& list)
    {
        if (list.rowCount() > 100 || pick(4) == 0) {
            // "##" keeps two digits, so rows 1 and 101 propose the same name;
            // a numbering of duplicates takes names of other rows' files.
            PreviewNames(list, makePcre2RegularExpression, "^.*$", pick(2) == 0 ? "n##.txt" : "#.txt");
            return;
        }
        for (std::size_t row = 1; row <= list.rowCount(); ++row) {
            const std::string name{list.cell(row, ColumnKey::FileName)};
            std::string proposal;
            const std::size_t kind = pick(24);
            if (kind < 4)
                proposal = name;
            else if (kind < 5)
                proposal = kInvalidNames[pick(kInvalidNames.size())];
            else if (kind < 7)
                proposal = files_[pick(files_.size())].second; // likely taken
            else if (kind < 11)
                proposal = pool_[pick(pool_.size())];
            else if (kind < 20)
                proposal = freshPrefixes_[pick(freshPrefixes_.size())] + std::to_string(serial_++) + ".txt";
            // else no proposal
            list.setCell(row, ColumnKey::NewName, proposal);
        }
        // Swaps and chains between rows.
        if (list.rowCount() >= 2 && pick(2) == 0) {
            const std::size_t first = 1 + pick(list.rowCount());
            const std::size_t second = 1 + pick(list.rowCount());
            list.setCell(first, ColumnKey::NewName, list.cell(second, ColumnKey::FileName));
            list.setCell(second, ColumnKey::NewName, pick(2) == 0 ? list.cell(first, ColumnKey::FileName) : "chain.txt");
        }
        // The names of a few rows dealt out among them again: cycles where
        // the rows share a folder, chains into the other folder's names.
        if (list.rowCount() >= 2 && pick(2) == 0) {
            std::vector<std::size_t> rows(list.rowCount());
            std::iota(rows.begin(), rows.end(), 1);
            std::shuffle(rows.begin(), rows.end(), random_);
            rows.resize(2 + pick(std::min<std::size_t>(list.rowCount() - 1, 6)));
            std::vector<std::string> names;
            for (const std::size_t row : rows)
                names.emplace_back(list.cell(row, ColumnKey::FileName));
            std::shuffle(names.begin(), names.end(), random_);
            for (std::size_t i = 0; i < rows.size(); ++i)
                list.setCell(rows[i], ColumnKey::NewName, names[i]);
        }
    }

    void changeBehindTheToolsBack(Folders& folders)
    {
        const auto& [folder, name] = files_[pick(files_.size())];
        const std::string real = folders.realPath.at(folder);
        const std::string path = real + "/" + name;
        if (!std::filesystem::exists(path))
            return;
        // Without inode numbers a file is told by its size and times, so
        // there two files trade names only where their sizes differ; a
        // folder swapped for a link is seen on every volume that has links.
        const std::size_t change = pick(5);
        if (change == 4 && !rules_.symbolicLinks)
            return;
        switch (change) {
        case 0:
            // Gone from the folder. Kept elsewhere, so that no file made
            // later gets its inode number: a number reused that way is the
            // one change the identity cannot see.
            std::filesystem::rename(path, folders.root + "/deleted " + std::to_string(serial_++));
            break;
        case 1:
            if (!std::filesystem::exists(real + "/moved away.txt"))
                std::filesystem::rename(path, real + "/moved away.txt");
            break;
        case 2: {
            // Another file under the same name, saved the way editors save:
            // written aside and renamed over it.
            writeFile(path + ".new", "replacement #" + std::to_string(serial_++));
            std::filesystem::rename(path + ".new", path);
            break;
        }
        case 3: {
            // Two files trade names.
            const auto& [otherFolder, other] = files_[pick(files_.size())];
            const std::string otherPath = real + "/" + other;
            if (otherFolder != folder || other == name || !std::filesystem::exists(otherPath))
                break;
            if (!rules_.identities && std::filesystem::file_size(path) == std::filesystem::file_size(otherPath))
                break;
            std::filesystem::rename(path, real + "/.trading");
            std::filesystem::rename(otherPath, path);
            std::filesystem::rename(real + "/.trading", otherPath);
            break;
        }
        default:
            // The folder moves away and a link to the third folder takes its path.
            if (real != folder)
                break;
            std::filesystem::rename(folder, folder + ".old");
            folders.realPath[folder] = folder + ".old";
            std::filesystem::create_directory_symlink(folders.root + kFolders[2], folder);
        }
    }

    std::mt19937 random_;
    VolumeRules rules_;
    std::vector<std::string> pool_;
    std::vector<std::string> freshPrefixes_;
    std::vector<std::pair<std::string, std::string>> files_;
    int serial_ = 0;
};

// What the batches of many lists did, to check that they were hostile enough.
struct HostileStats {
    int failedBatches = 0;
    std::uint64_t totalRenamed = 0;
    int outOfOrder = 0; // batches that renamed rows out of list order
    std::map<FailureKind, int> stops; // what stopped a batch -> how many it stopped
};

// Makes the list of `seed` in the empty folder `root`, renames it, and checks
// the disk, the rows and the status text against the oracle.
inline void renameHostileList(unsigned seed, const std::string& root, const VolumeRules& rules, HostileStats& stats)
{
    SCOPED_TRACE("seed " + std::to_string(seed));
    PosixFileSystem fileSystem;
    FileList list;
    Folders folders{root, {}};
    std::vector<RowFile> rowFiles;
    HostileList hostile(seed, rules);
    hostile.build(folders, fileSystem, list, rowFiles);
    if (::testing::Test::HasFatalFailure())
        return;

    const FileList before = list;
    const Disks disksBefore = folders.disks();
    const Expectation expected = replay(list, rowFiles, folders, disksBefore);

    const ApplyOutcome outcome = ApplyNames(list, fileSystem);
    const Disks disksAfter = folders.disks();

    for (const auto& [folder, disk] : disksBefore)
        ASSERT_EQ(disksAfter.at(folder).size(), disk.size()) << "files in " << folder;
    ASSERT_EQ(contents(disksAfter), contents(disksBefore)) << "every content under exactly one name";

    // Every renamed row's file holds the name the row now shows, unless a
    // row of the same file renamed it again later.
    int wrongFileRenames = 0;
    const std::vector<std::uint32_t>& renamedRows = expected.renamedRows;
    for (auto renamed = renamedRows.begin(); renamed != renamedRows.end(); ++renamed) {
        const std::string& content = rowFiles[*renamed - 1].content;
        if (std::any_of(renamed + 1, renamedRows.end(),
                        [&](std::uint32_t later) { return rowFiles[later - 1].content == content; }))
            continue;
        const Disk& disk = disksAfter.at(rowFiles[*renamed - 1].folder);
        const auto shown = disk.find(std::string(list.cell(*renamed, ColumnKey::FileName)));
        if (shown == disk.end() || shown->second != content)
            ++wrongFileRenames;
    }
    ASSERT_EQ(wrongFileRenames, 0);
    ASSERT_EQ(disksAfter, expected.disks);

    ASSERT_EQ(outcome.failure.has_value(), expected.failingRow.has_value());
    ASSERT_EQ(outcome.renamedCount, expected.renamed);
    stats.totalRenamed += expected.renamed;
    stats.outOfOrder += !std::is_sorted(renamedRows.begin(), renamedRows.end());
    if (expected.failingRow) {
        ++stats.failedBatches;
        ++stats.stops[expected.failure];
        const std::size_t row = *expected.failingRow;
        ASSERT_EQ(outcome.failure->kind, expected.failure);
        ASSERT_EQ(outcome.statusText, renameFailureMessage(before.cell(row, ColumnKey::FileName),
                                                           before.cell(row, ColumnKey::NewName),
                                                           outcome.failure->description));
    } else {
        ASSERT_EQ(outcome.statusText, std::to_string(expected.renamed) + "个文件已重命名");
    }

    const std::set<std::uint32_t> renamed(renamedRows.begin(), renamedRows.end());
    for (std::uint32_t row = 1; row <= list.rowCount(); ++row) {
        const std::string proposal{before.cell(row, ColumnKey::NewName)};
        ASSERT_EQ(list.cell(row, ColumnKey::FileName),
                  renamed.contains(row) ? proposal : before.cell(row, ColumnKey::FileName))
            << "row " << row;
        ASSERT_EQ(list.cell(row, ColumnKey::NewName), renamed.contains(row) ? "" : proposal) << "row " << row;
    }
}

} // namespace renamer::test_support
