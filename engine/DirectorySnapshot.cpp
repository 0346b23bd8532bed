#include "DirectorySnapshot.h"

#include <unordered_set>

namespace renamer {

void DirectorySnapshot::read(const std::string& path, FolderReader& reader)
{
    revision_ = nextRevision();
    auto listing = reader.readFolder(path);
    if (!listing) {
        // An unreadable directory gives no cues about names on disk; the
        // batch itself still refuses any collision.
        directories_.erase(path);
        return;
    }
    directories_[path] = std::make_unique<const DirectoryNames>(*std::move(listing));
}

void DirectorySnapshot::readDirectoriesOf(const FileList& list, FolderReader& reader, const RowRange& rows,
                                          std::vector<FolderListing> justRead)
{
    std::unordered_set<std::string> donePaths;
    if (!justRead.empty())
        revision_ = nextRevision();
    for (FolderListing& listing : justRead) {
        donePaths.insert(listing.path);
        std::string path = listing.path;
        directories_[std::move(path)] = std::make_unique<const DirectoryNames>(std::move(listing));
    }
    if (rows.empty())
        return;
    std::vector<bool> seen(list.folderCount());
    for (std::size_t row = rows.first; row <= rows.last; ++row) {
        const FileList::FolderNumber folder = list.folderOf(row);
        if (seen[folder])
            continue;
        seen[folder] = true;
        std::string path(list.folderPath(folder));
        if (donePaths.insert(path).second)
            read(path, reader);
    }
}

void DirectorySnapshot::refresh(const FileList& list, FolderReader& reader)
{
    clear();
    if (list.rowCount() > 0)
        readDirectoriesOf(list, reader, RowRange{1, list.rowCount()});
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
