#include "ApplyNames.h"

#include "BatchNames.h"
#include "BatchPlan.h"
#include "NameBound.h"
#include "RotateNames.h"
#include "UserTexts.h"

#include <unordered_set>

namespace renamer {

namespace {

// What a progress report says of the rows renamed since the last one.
ChangeSet renamedRows(const RowRange& rows)
{
    ChangeSet changes;
    if (!rows.empty()) {
        changes.cells.push_back({ColumnKey::FileName, rows});
        changes.cells.push_back({ColumnKey::NewName, rows});
    }
    return changes;
}

struct FileIdentityHash {
    std::size_t operator()(const FileIdentity& identity) const
    {
        return std::hash<std::uint64_t>{}(identity.inode * 0x9E3779B97F4A7C15u ^ identity.device);
    }
};

// One batch's play of the rows on disk, in the order of the plan
// (PlanPlayer): the folder it has open, reused while the rows it plays share
// it, the files it has moved so far, and what it has told the window.
class Batch {
public:
    Batch(FileList& list, FileSystem& fileSystem, Progress* progress, const DirectorySnapshot* folders,
          ApplyOutcome& outcome)
        : list_(list)
        , fileSystem_(fileSystem)
        , progress_(progress)
        , outcome_(outcome)
        , names_(list, folders, fileSystem)
        , pathIndex_(list.subItemIndex(ColumnKey::Path))
        , fileNameIndex_(list.subItemIndex(ColumnKey::FileName))
        , newNameIndex_(list.subItemIndex(ColumnKey::NewName))
    {
        oldNames_.reserve(list.rowCount(), 0);
        for (std::size_t row = 1; row <= list.rowCount(); ++row)
            oldNames_.add(list.cell(row, fileNameIndex_));
    }

    Turn play(std::uint32_t row, std::uint32_t /*waitedFor*/)
    {
        if (progress_ && progress_->due()) {
            progress_->report(renamedRows(sinceReport_));
            sinceReport_ = {};
        }
        const std::string_view directory = list_.cell(row, pathIndex_);
        const std::string_view oldName = list_.cell(row, fileNameIndex_);
        const std::string_view newName = list_.cell(row, newNameIndex_);
        if (newName.empty())
            return {TurnOutcome::Stayed};
        auto file = findRowsFile(row, directory, oldName, newName);
        if (!file)
            return stop(row, file.error());
        destination_.assign(directory).append("/").append(newName);
        auto moved = fileSystem_.move(*file, destination_);
        if (!moved) {
            // A name held by a file the batch has not moved may be one that
            // a row has yet to move away: the plan decides.
            if (moved.error().kind == FailureKind::Exists && !indexedNames().touched(row, newName))
                return {TurnOutcome::Blocked, indexedNames().firstRowNamed(row, newName)};
            return stop(row, moved.error());
        }
        const bool sameName = newName == oldName;
        renamed(row, *moved, file->identity);
        return {sameName ? TurnOutcome::Stayed : TurnOutcome::Moved};
    }

    bool leavesItsName(std::uint32_t row) const
    {
        const std::string_view newName = list_.cell(row, newNameIndex_);
        const std::string_view oldName = oldNames_[row - 1];
        // A renamed row shows its new name as FileName.
        return names_.leaves(row, oldName, newName.empty() ? list_.cell(row, fileNameIndex_) : newName);
    }
    std::uint32_t oldNameRow(std::uint32_t row) const { return names_.oldNameRow(row); }
    std::uint32_t nextRowNamedAlike(std::uint32_t row) const { return names_.nextRowNamedAlike(row); }
    void waitFor(std::uint32_t, std::uint32_t) {}
    void blockedBy(std::uint32_t row, std::uint32_t) { stop(row, failureOf(FailureKind::Exists)); }

    bool rotate(std::span<const std::uint32_t> cycle)
    {
        // The names of one cycle are names of one folder.
        const std::string directory(list_.cell(cycle[0], pathIndex_));
        std::vector<RotatingFile> files;
        for (const std::uint32_t row : cycle) {
            const std::string_view newName = list_.cell(row, newNameIndex_);
            auto file = findRowsFile(row, directory, list_.cell(row, fileNameIndex_), newName);
            if (!file) {
                stop(row, file.error());
                return false;
            }
            files.push_back({*std::move(file), std::string(newName)});
        }
        const auto rotated = rotateNames(fileSystem_, folder_, files);
        if (!rotated) {
            stop(cycle[rotated.error().file], rotated.error().failure);
            return false;
        }
        for (std::size_t index = 0; index < cycle.size(); ++index)
            renamed(cycle[index], (*rotated)[index], files[index].file.identity);
        return true;
    }

    bool stopped() const { return outcome_.failure.has_value(); }

private:
    // The row's file, found at directory + "/" + oldName, after making sure
    // that it is the file the row was made for, in the folder it was made
    // for, and that its new name is one a file system may hold.
    Result<FileHandle> findRowsFile(std::uint32_t row, std::string_view directory, std::string_view oldName,
                                    std::string_view newName)
    {
        // A name the preview cut short, or any other that no file system
        // could hold, never reaches the disk.
        if (newName.size() > kLongestPossibleName)
            return failWith(failureOf(FailureKind::NameTooLong));
        const RowOrigin origin = list_.origin(row);
        // The folder is opened through the path it resolved to when the row
        // was made, so that a link put in its place since leads nowhere.
        if (!folder_ || folder_->path() != directory
            || (!origin.resolvedFolder.empty() && folder_->resolvedPath() != origin.resolvedFolder)) {
            folder_.reset();
            auto opened = origin.resolvedFolder.empty()
                ? fileSystem_.openFolder(std::string(directory))
                : fileSystem_.reopenFolder(std::string(directory), std::string(origin.resolvedFolder));
            if (!opened)
                return std::unexpected(opened.error());
            folder_ = *std::move(opened);
        }
        if (!maybeSameFolder(origin.folder, folder_->identity()))
            return failWith(failureOf(FailureKind::FolderReplaced));
        auto file = fileSystem_.lookUpFileIn(folder_, oldName);
        if (!file)
            return file;
        // A file this batch moved here means the row's own file is simply no
        // longer under that name; any other was put there behind the tool's
        // back. Where inode numbers cannot tell, a file the batch moved here
        // came from another name, so it is another row's.
        if (!maybeSameInode(origin.inode, file->identity.inode))
            return failWith(
                failureOf(moved_.contains(file->identity) ? FailureKind::NotFound : FailureKind::FileReplaced));
        if ((origin.inode == 0 || !file->identity.known()) && names_.filled(row, oldName))
            return failWith(failureOf(FailureKind::NotFound));
        // The same inode number, or none, yet another file: one made since
        // under a number freed (born after its folder was read for the row),
        // or on a volume without lasting numbers.
        if (!maybeSameFingerprint(origin.fingerprint, file->identity.fingerprint)
            || (origin.listedAt != 0 && file->birthTime > origin.listedAt))
            return failWith(failureOf(FailureKind::FileReplaced));
        return file;
    }

    void renamed(std::uint32_t row, const std::string& storedName, const FileIdentity& identity)
    {
        names_.rename(row, oldNames_[row - 1], list_.cell(row, newNameIndex_));
        if (identity.known())
            moved_.insert(identity);
        list_.setCell(row, fileNameIndex_, storedName);
        list_.setCell(row, newNameIndex_, {});
        outcome_.changed.include(row);
        sinceReport_.include(row);
        ++outcome_.renamedCount;
    }

    Turn stop(std::uint32_t row, const Failure& failure)
    {
        outcome_.statusText
            = renameFailureMessage(list_.cell(row, fileNameIndex_), list_.cell(row, newNameIndex_), failure.description);
        outcome_.failure = failure;
        return {TurnOutcome::Stopped};
    }

    // The rows' names for the plan, indexed when the batch first finds a
    // name taken: a batch without one needs none.
    BatchNames& indexedNames()
    {
        if (!names_.rowsIndexed())
            names_.indexRows(oldNames_);
        return names_;
    }

    FileList& list_;
    FileSystem& fileSystem_;
    Progress* progress_;
    ApplyOutcome& outcome_;
    BatchNames names_;
    SubItemIndex pathIndex_;
    SubItemIndex fileNameIndex_;
    SubItemIndex newNameIndex_;
    NameList oldNames_; // every row's FileName as the batch began
    OpenFolderPtr folder_;
    std::unordered_set<FileIdentity, FileIdentityHash> moved_;
    std::string destination_;
    RowRange sinceReport_;
};

} // namespace

ApplyOutcome ApplyNames(FileList& list, FileSystem& fileSystem, Progress* progress,
                        const DirectorySnapshot* folders)
{
    ApplyOutcome outcome;
    const auto rowCount = static_cast<std::uint32_t>(list.rowCount());
    Batch batch(list, fileSystem, progress, folders, outcome);
    static_assert(PlanPlayer<Batch>);
    BatchPlan plan;
    plan.start(rowCount);
    for (std::uint32_t row = 1; row <= rowCount && !batch.stopped(); ++row)
        plan.takeTurn(batch, row);
    if (!outcome.failure)
        outcome.statusText = std::to_string(outcome.renamedCount) + std::string(kRenamedSuffix);
    return outcome;
}

} // namespace renamer
