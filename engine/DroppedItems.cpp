#include "DroppedItems.h"

#include "StatusTexts.h"

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

Result<void> AddFolder(FileList& list, FileSystem& fileSystem, const std::string& folderPath, Progress* progress)
{
    auto folder = fileSystem.lookUpFolder(folderPath);
    if (!folder)
        return std::unexpected(folder.error());
    auto files = fileSystem.listFolderFiles(*folder);
    if (!files)
        return std::unexpected(files.error());
    // The listing has just found each file, so looking every one up again
    // would only double the system calls of a large drop.
    list.reserveForAppending(files->names.size(), files->names.totalBytes());
    keepAlive(progress);
    for (std::size_t i = 0; i < files->names.size(); ++i) {
        if (i % kRowsBetweenProgressChecks == kRowsBetweenProgressChecks - 1)
            keepAlive(progress);
        const std::uint64_t inode = i < files->inodes.size() ? files->inodes[i] : 0;
        if (auto added = appendFileRow(list, files->parentPath, files->names[i], {inode, files->folder}); !added)
            return added;
    }
    return {};
}

namespace {

Result<void> addDroppedPath(FileList& list, FileSystem& fileSystem, const std::string& path, Progress* progress)
{
    auto attributes = fileSystem.attributes(path);
    if (!attributes)
        return std::unexpected(attributes.error());
    if (*attributes & kDirectoryAttribute)
        return AddFolder(list, fileSystem, path, progress);
    return AddFile(list, fileSystem, path);
}

} // namespace

DropOutcome AddDroppedItems(FileList& list, FileSystem& fileSystem, const std::vector<std::string>& paths,
                            const PreviewSettings& preview, Progress* progress)
{
    DropOutcome outcome;
    const std::size_t rowsBefore = list.rowCount();
    for (const std::string& path : paths) {
        keepAlive(progress);
        if (auto added = addDroppedPath(list, fileSystem, path, progress); !added) {
            outcome.failure = added.error();
            break;
        }
    }
    if (list.rowCount() > rowsBefore) {
        outcome.appended.first = rowsBefore + 1;
        outcome.appended.last = list.rowCount();
    }
    if (outcome.failure)
        return outcome;
    outcome.statusText = std::to_string(list.rowCount()) + std::string(kAddedToListSuffix);
    keepAlive(progress);
    outcome.previewChanged = PreviewNames(list, preview.makeRegularExpression, preview.pattern, preview.replacement,
                                          rowsBefore, preview.run);
    return outcome;
}

} // namespace renamer
