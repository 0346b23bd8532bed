#pragma once

#include "FileList.h"
#include "FolderListing.h"
#include "FolderReader.h"
#include "Revision.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace renamer {

// The names in each directory that rows live in, as they were when read: taken
// when rows are added and after a batch, not on every keystroke.
class DirectorySnapshot {
public:
    // Reads the directories of the given rows, each once, again where it was
    // read before: a drop brings the snapshot of its folders up to date. The
    // folders in `justRead`, read whole a moment ago (by the drop itself),
    // are kept as they are rather than read again.
    void readDirectoriesOf(const FileList& list, FolderReader& reader, const RowRange& rows,
                           std::vector<FolderListing> justRead = {});
    // Reads every directory of the list again.
    void refresh(const FileList& list, FolderReader& reader);
    // Reads one directory again, after it changed.
    void read(const std::string& path, FolderReader& reader);
    void clear();

    // Null when the directory was not read or could not be.
    const DirectoryNames* find(std::string_view path) const;
    // Changes with every read and clear (see nextRevision).
    std::uint64_t revision() const { return revision_; }

private:
    std::unordered_map<std::string, std::unique_ptr<const DirectoryNames>> directories_;
    std::uint64_t revision_ = nextRevision();
};

} // namespace renamer
