#pragma once

#include "Failure.h"
#include "FileIdentity.h"
#include "FolderReader.h"
#include "OpenFolder.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace renamer {

// Attribute bit of a folder, as `attributes` reports it.
inline constexpr std::uint32_t kDirectoryAttribute = 16;

// A file found by `lookUpFile`. `parentPath + "/" + name` names the same file
// again, also when the parent is the root ("/" + "/" + name).
struct FileHandle {
    std::string name;       // the last component: extension included, no directory
    std::string parentPath; // full path of the containing directory, no trailing "/" except for the root
    FileIdentity identity;  // of the entry itself, links not followed
    OpenFolderPtr folder;   // the folder it was found in, held open; null when made by hand
    std::int64_t birthTime = 0; // in nanoseconds since 1970, where files are told by it (FolderListing::listedAt); else 0
};

// The file-system operations the engine uses; it never touches the disk itself.
// Every operation either succeeds or fails with a description the user may read.
// Paths and names are byte strings as the system holds them (UTF-8 in practice).
// The order in which readFolder lists a folder's entries is the order its
// files take as rows when the folder is dropped.
class FileSystem : public FolderReader {
public:
    // Attribute bits of the file or folder at `path`; kDirectoryAttribute is set
    // for a folder and for a symbolic link to one.
    virtual Result<std::uint32_t> attributes(const std::string& path) = 0;

    // Fails when `path` does not name an existing file (a folder is not a file).
    virtual Result<FileHandle> lookUpFile(const std::string& path) = 0;

    // Opens the folder at `path` (links followed), for a run of look-ups and
    // moves in it that must not be redirected to another folder.
    virtual Result<OpenFolderPtr> openFolder(const std::string& path) = 0;
    // Opens again a folder opened before as `path` that then resolved to
    // `resolvedPath` (OpenFolder::resolvedPath), through that path, passing
    // no symbolic link: where one lies on the way now (the folder was
    // swapped for a link), it fails with FailureKind::FolderReplaced. The
    // open folder's path() is `path`.
    virtual Result<OpenFolderPtr> reopenFolder(const std::string& path, const std::string& resolvedPath) = 0;
    // The file `name` directly inside `folder`: the file at the folder's
    // path + "/" + name, found through the open folder. Fails like lookUpFile.
    virtual Result<FileHandle> lookUpFileIn(const OpenFolderPtr& folder, std::string_view name) = 0;

    // Renames `file` to `destination`, which must lie in the file's own
    // directory. Never replaces another file; a move onto the file's own path
    // succeeds and changes nothing; a change of letter case only succeeds.
    // A file with an open folder is moved within that folder. Returns the
    // name the file has now: the new name, unless the volume stored it
    // otherwise (a driver may change what it is given).
    virtual Result<std::string> move(const FileHandle& file, const std::string& destination) = 0;

    // Gives `a` the name of `b` and `b` that of `a`, in one step that nothing
    // can see halfway, where the volume can (VolumeProfile::canExchange);
    // both lie in one folder, held open by `a`. A volume that cannot fails
    // with FailureKind::Unsupported and changes nothing.
    virtual Result<void> exchange(const FileHandle& a, const FileHandle& b) = 0;
};

} // namespace renamer
