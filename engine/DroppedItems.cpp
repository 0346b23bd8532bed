#include "DroppedItems.h"

#include "StatusTexts.h"

namespace renamer {

Result<void> AddFolder(FileList& list, FileSystem& fileSystem, const std::string& folderPath)
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
    for (std::size_t i = 0; i < files->names.size(); ++i) {
        const std::uint64_t inode = i < files->inodes.size() ? files->inodes[i] : 0;
        if (auto added = appendFileRow(list, files->parentPath, files->names[i], {inode, files->folder}); !added)
            return added;
    }
    return {};
}

namespace {

Result<void> addDroppedPath(FileList& list, FileSystem& fileSystem, const std::string& path)
{
    auto attributes = fileSystem.attributes(path);
    if (!attributes)
        return std::unexpected(attributes.error());
    if (*attributes & kDirectoryAttribute)
        return AddFolder(list, fileSystem, path);
    return AddFile(list, fileSystem, path);
}

} // namespace

DropOutcome AddDroppedItems(FileList& list, FileSystem& fileSystem, const std::vector<std::string>& paths,
                            const PreviewSettings& preview)
{
    DropOutcome outcome;
    const std::size_t rowsBefore = list.rowCount();
    for (const std::string& path : paths) {
        if (auto added = addDroppedPath(list, fileSystem, path); !added) {
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
    outcome.previewChanged = PreviewNames(list, preview.makeRegularExpression, preview.pattern, preview.replacement,
                                          rowsBefore, preview.run);
    return outcome;
}

} // namespace renamer
