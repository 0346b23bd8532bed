#include "ApplyNames.h"

#include "NameBound.h"
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

// One batch's walk over the rows: the folder it has open, reused while
// consecutive rows share it, and the files it has moved so far.
class Batch {
public:
    explicit Batch(FileSystem& fileSystem)
        : fileSystem_(fileSystem)
    {
    }

    // Renames the row's file, found at directory + "/" + oldName, to
    // directory + "/" + newName, after making sure that what is found there
    // is the file the row was made for, in the folder it was made for.
    // Returns the name the file has now, as the file system stored it.
    Result<std::string> rename(const RowOrigin& origin, std::string_view directory, std::string_view oldName,
                               std::string_view newName)
    {
        // A name the preview cut short, or any other that no file system
        // could hold, never reaches the disk.
        if (newName.size() > kLongestPossibleName)
            return failWith(failureOf(FailureKind::NameTooLong));
        if (!folder_ || folder_->path() != directory) {
            folder_.reset();
            auto opened = fileSystem_.openFolder(std::string(directory));
            if (!opened)
                return std::unexpected(opened.error());
            folder_ = *std::move(opened);
        }
        if (!maybeSameFolder(origin.folder, folder_->identity()))
            return failWith(failureOf(FailureKind::FolderReplaced));
        auto file = fileSystem_.lookUpFileIn(folder_, oldName);
        if (!file)
            return std::unexpected(file.error());
        if (!maybeSameInode(origin.inode, file->identity.inode)) {
            // A file this batch moved here means the row's own file is simply
            // no longer under that name; any other was put there behind the
            // tool's back.
            return failWith(
                failureOf(moved_.contains(file->identity) ? FailureKind::NotFound : FailureKind::FileReplaced));
        }
        destination_.assign(directory).append("/").append(newName);
        auto moved = fileSystem_.move(*file, destination_);
        if (moved && file->identity.known())
            moved_.insert(file->identity);
        return moved;
    }

private:
    FileSystem& fileSystem_;
    OpenFolderPtr folder_;
    std::unordered_set<FileIdentity, FileIdentityHash> moved_;
    std::string destination_;
};

} // namespace

ApplyOutcome ApplyNames(FileList& list, FileSystem& fileSystem, Progress* progress)
{
    ApplyOutcome outcome;
    const SubItemIndex pathIndex = list.subItemIndex(ColumnKey::Path);
    const SubItemIndex fileNameIndex = list.subItemIndex(ColumnKey::FileName);
    const SubItemIndex newNameIndex = list.subItemIndex(ColumnKey::NewName);
    const std::size_t lastRow = list.rowCount();
    Batch batch(fileSystem);
    RowRange sinceReport;
    for (std::size_t row = 1; row <= lastRow; ++row) {
        if (progress && progress->due()) {
            progress->report(renamedRows(sinceReport));
            sinceReport = {};
        }
        const std::string_view directory = list.cell(row, pathIndex);
        const std::string_view oldName = list.cell(row, fileNameIndex);
        const std::string_view newName = list.cell(row, newNameIndex);
        if (newName.empty())
            continue;

        auto renamed = batch.rename(list.origin(row), directory, oldName, newName);
        if (!renamed) {
            outcome.statusText = renameFailureMessage(oldName, newName, renamed.error().description);
            outcome.failure = renamed.error();
            return outcome;
        }

        list.setCell(row, fileNameIndex, *renamed);
        list.setCell(row, newNameIndex, {});
        outcome.changed.include(row);
        sinceReport.include(row);
        ++outcome.renamedCount;
    }
    outcome.statusText = std::to_string(outcome.renamedCount) + std::string(kRenamedSuffix);
    return outcome;
}

} // namespace renamer
