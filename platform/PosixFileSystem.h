#pragma once

#include "DocumentPortal.h"
#include "FileSystem.h"
#include "VolumeProfiles.h"

#include <string>

namespace renamer {

// How `move` renames without ever replacing an existing file. Each method
// starts at a later step of the same chain, so that tests can run every step
// on any file system.
enum class NoReplaceMethod {
    // renameat2 with RENAME_NOREPLACE; where the file system does not know
    // the flag, a hard link then unlink; where it has no hard links either,
    // a check that the target is free, immediately followed by the rename.
    kRenameNoReplace,
    // From the hard link on: what file systems without RENAME_NOREPLACE get.
    kLinkThenUnlink,
    // The check and the rename only: what file systems without hard links get.
    kExistsCheckThenRename,
};

// FileSystem on a POSIX system (Linux). Failures are those of
// FileSystemFailures.h: of an errno's kind, a file or folder where the other
// was asked for, and for a new name the volume refuses, the rule it breaks.
class PosixFileSystem final : public FileSystem {
public:
    // A path inside `portal` is taken as the host path it stands for, where
    // the portal says which (lookUpFile, readFolder); a file left there is
    // never renamed.
    explicit PosixFileSystem(NoReplaceMethod method = NoReplaceMethod::kRenameNoReplace,
                             DocumentPortal portal = DocumentPortal::ofThisSession());

    // Follows symbolic links; a dangling link is reported as a file.
    Result<std::uint32_t> attributes(const std::string& path) override;

    // The entries in the order a person sees in a file manager
    // (case-insensitive natural order, ties broken by byte order); symbolic
    // links count as what they point to, dangling ones as files. A relative
    // path gets the current directory prefixed, and trailing slashes go, as
    // for lookUpFile. Besides the entries: whether the user may rename in the
    // folder, whether it tells letter case apart (where the volume leaves
    // that to each folder, probeCaseInsensitivity) and the volume's profile.
    Result<FolderListing> readFolder(const std::string& path) override;

    // A relative `path` gets the current directory as its parent, so the
    // handle's parentPath is always absolute. Names are kept byte for byte.
    // The parent is opened, and the file found through it.
    Result<FileHandle> lookUpFile(const std::string& path) override;

    // Holds the folder as a descriptor that names no access (O_PATH): a
    // folder the user may rename files in but not list still opens.
    Result<OpenFolderPtr> openFolder(const std::string& path) override;
    // openat2 with RESOLVE_NO_SYMLINKS (before Linux 5.6: an open that must
    // resolve to `resolvedPath` again).
    Result<OpenFolderPtr> reopenFolder(const std::string& path, const std::string& resolvedPath) override;
    // `folder` must come from this file system.
    Result<FileHandle> lookUpFileIn(const OpenFolderPtr& folder, std::string_view name) override;

    // `destination` must be file.parentPath + "/" + the new name. The move is
    // made in the file's open folder (one is opened at parentPath for a
    // handle made by hand). A target that is the file itself under another
    // letter case is renamed in one step where the driver passes such a
    // rename on, else through a temporary name in the same folder
    // (TemporaryName.h); a hard link of the file is left alone like any
    // other existing file. On volumes that may store another name than
    // asked (FUSE, Windows volumes) the file is then looked up under its new
    // name, and where the driver stored another name, that name is returned.
    Result<std::string> move(const FileHandle& file, const std::string& destination) override;

    // The name a file just moved to `asked` in `folder` has there: `asked`,
    // unless the volume stored another; then the one entry that equals it
    // the way drivers alter names (letter case folded, trailing dots and
    // spaces dropped). Fails, saying the file was renamed but cannot be
    // found, where there is no such entry or more than one. `move` asks it
    // on volumes that may store another name.
    Result<std::string> storedName(const OpenFolderPtr& folder, const std::string& asked) const;

    // renameat2 with RENAME_EXCHANGE, in `a`'s open folder (one is opened at
    // its parentPath for a handle made by hand).
    Result<void> exchange(const FileHandle& a, const FileHandle& b) override;

private:
    // The folder the handle was looked up in, or its parent path opened now.
    Result<OpenFolderPtr> folderOf(const FileHandle& file);
    // Returns 0 or the errno of the failed move of `from` to `to`, both
    // names in the folder open as `folder`; EEXIST when `to` names an entry.
    int moveNoReplace(int folder, const std::string& from, const std::string& to) const;

    Result<void> moveThroughTemporaryName(int folder, const std::string& from, const std::string& to) const;

    NoReplaceMethod method_;
    DocumentPortal portal_;
    VolumeProfiles volumes_;
};

} // namespace renamer
