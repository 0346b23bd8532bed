#include "DirectorySnapshot.h"

#include <unordered_set>
#include <vector>

namespace renamer {

void DirectorySnapshot::read(const std::string& path, FileSystem& fileSystem)
{
    revision_ = nextRevision();
    auto names = fileSystem.readDirectoryNames(path);
    if (!names) {
        // An unreadable directory gives no cues about names on disk; the
        // batch itself still refuses any collision.
        directories_.erase(path);
        return;
    }
    directories_[path] = std::make_unique<const DirectoryNames>(*std::move(names));
}

void DirectorySnapshot::readDirectoriesOf(const FileList& list, FileSystem& fileSystem, const RowRange& rows)
{
    if (rows.empty())
        return;
    std::vector<bool> seen(list.folderCount());
    std::unordered_set<std::string_view> seenPaths;
    for (std::size_t row = rows.first; row <= rows.last; ++row) {
        const FileList::FolderNumber folder = list.folderOf(row);
        if (seen[folder])
            continue;
        seen[folder] = true;
        const std::string_view path = list.folderPath(folder);
        if (seenPaths.insert(path).second)
            read(std::string(path), fileSystem);
    }
}

void DirectorySnapshot::refresh(const FileList& list, FileSystem& fileSystem)
{
    clear();
    if (list.rowCount() > 0)
        readDirectoriesOf(list, fileSystem, RowRange{1, list.rowCount()});
}

void DirectorySnapshot::clear()
{
    revision_ = nextRevision();
    directories_.clear();
}

const DirectoryNames* DirectorySnapshot::find(std::string_view path) const
{
    const auto found = directories_.find(std::string(path));
    return found == directories_.end() ? nullptr : found->second.get();
}

} // namespace renamer
