#include "DroppedItems.h"

#include "UserTexts.h"

namespace renamer {

namespace {

// Rows appended between two looks at the clock.
constexpr std::size_t kRowsBetweenProgressChecks = 4096;

void keepAlive(Progress* progress)
{
    if (progress)
        progress->keepAlive();
}

} // namespace

Result<FolderListing> AddFolder(FileList& list, FileSystem& fileSystem, const std::string& folderPath,
                               Progress* progress)
{
    auto folder = fileSystem.readFolder(folderPath);
    if (!folder)
        return std::unexpected(folder.error());
    // The listing has just found each file, so looking every one up again
    // would only double the system calls of a large drop.
    const NameList& names = folder->names;
    list.reserveForAppending(names.size(), names.totalBytes());
    keepAlive(progress);
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i % kRowsBetweenProgressChecks == kRowsBetweenProgressChecks - 1)
            keepAlive(progress);
        if (folder->kinds[i] != EntryKind::File)
            continue;
        const std::uint64_t inode = i < folder->inodes.size() ? folder->inodes[i] : 0;
        const std::uint32_t fingerprint = i < folder->fingerprints.size() ? folder->fingerprints[i] : 0;
        if (auto added = appendFileRow(list, folder->path, names[i],
                                       {inode, folder->folder, fingerprint, folder->resolvedPath, folder->listedAt});
            !added)
            return std::unexpected(added.error());
    }
    return folder;
}

namespace {

// Adds the rows for one dropped path; a folder's listing goes to `folders`
// when it added rows.
Result<void> addDroppedPath(FileList& list, FileSystem& fileSystem, const std::string& path,
                            std::vector<FolderListing>& folders, Progress* progress)
{
    auto attributes = fileSystem.attributes(path);
    if (!attributes)
        return std::unexpected(attributes.error());
    if ((*attributes & kDirectoryAttribute) == 0)
        return AddFile(list, fileSystem, path);
    const std::size_t rowsBefore = list.rowCount();
    auto folder = AddFolder(list, fileSystem, path, progress);
    if (!folder)
        return std::unexpected(folder.error());
    if (list.rowCount() > rowsBefore)
        folders.push_back(*std::move(folder));
    return {};
}

} // namespace

DropOutcome AddDroppedItems(FileList& list, FileSystem& fileSystem, const std::vector<std::string>& paths,
                            const PreviewSettings& preview, Progress* progress)
{
    DropOutcome outcome;
    const std::size_t rowsBefore = list.rowCount();
    bool failed = false;
    for (const std::string& path : paths) {
        keepAlive(progress);
        // The drop stops silently at its first failure.
        if (!addDroppedPath(list, fileSystem, path, outcome.folders, progress)) {
            failed = true;
            break;
        }
    }
    if (list.rowCount() > rowsBefore) {
        outcome.appended.first = rowsBefore + 1;
        outcome.appended.last = list.rowCount();
    }
    if (failed)
        return outcome;
    outcome.statusText = std::to_string(list.rowCount()) + std::string(kAddedToListSuffix);
    keepAlive(progress);
    outcome.previewChanged = PreviewNames(list, preview.makeRegularExpression, preview.pattern, preview.replacement,
                                          rowsBefore, preview.run);
    return outcome;
}

} // namespace renamer
