#pragma once

#include "Failure.h"
#include "NamingRules.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace renamer {

// Attribute bit of a folder, as `attributes` reports it.
inline constexpr std::uint32_t kDirectoryAttribute = 16;

// How the file system tells entries apart: the device and the inode number.
// An inode number of 0 is unknown: made without asking the disk, or on a
// file system whose numbers a later look-up would not repeat. A check
// against an unknown identity passes, so there the checks fall back to the
// names alone.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;

    bool known() const { return inode != 0; }
    bool operator==(const FileIdentity&) const = default;
};

// Whether two inode numbers, of entries found in one folder, may be one file:
// equal, or either unknown. Within one folder the number alone tells files
// apart; devices are compared where folders are.
inline bool maybeSameInode(std::uint64_t a, std::uint64_t b)
{
    return a == 0 || b == 0 || a == b;
}

// Whether two folder identities may be one folder: equal, or either unknown.
inline bool maybeSameFolder(const FileIdentity& a, const FileIdentity& b)
{
    return !a.known() || !b.known() || a == b;
}

// A folder found by `lookUpFolder`.
struct FolderHandle {
    std::string path;
};

// A folder the file system holds open (a directory descriptor on POSIX). A
// file looked up through it, and that file's move, stay in this very folder
// even when its path is made to name another folder meanwhile.
class OpenFolder {
public:
    OpenFolder(std::string path, FileIdentity identity)
        : path_(std::move(path))
        , identity_(identity)
    {
    }
    virtual ~OpenFolder() = default;
    OpenFolder(const OpenFolder&) = delete;
    OpenFolder& operator=(const OpenFolder&) = delete;

    const std::string& path() const { return path_; }
    const FileIdentity& identity() const { return identity_; }

private:
    std::string path_;
    FileIdentity identity_;
};
using OpenFolderPtr = std::shared_ptr<const OpenFolder>;

// Names held back to back in one buffer: a folder of 100,000 files costs a
// few allocations, not one per name. At most 4 GiB of names in all; more
// throws std::length_error.
class NameList {
public:
    void add(std::string_view name)
    {
        if (bytes_.size() + name.size() > std::numeric_limits<std::uint32_t>::max())
            throw std::length_error("more names than a name list holds");
        bytes_.append(name);
        ends_.push_back(static_cast<std::uint32_t>(bytes_.size()));
    }
    void reserve(std::size_t count, std::size_t totalBytes)
    {
        ends_.reserve(count);
        bytes_.reserve(totalBytes);
    }
    std::size_t size() const { return ends_.size(); }
    bool empty() const { return ends_.empty(); }
    std::size_t totalBytes() const { return bytes_.size(); }
    std::string_view operator[](std::size_t index) const
    {
        const std::size_t begin = index == 0 ? 0 : ends_[index - 1];
        return std::string_view(bytes_).substr(begin, ends_[index] - begin);
    }
    std::vector<std::string_view> views() const
    {
        std::vector<std::string_view> all;
        all.reserve(size());
        for (std::size_t i = 0; i < size(); ++i)
            all.push_back((*this)[i]);
        return all;
    }

private:
    std::string bytes_;
    std::vector<std::uint32_t> ends_; // where each name ends in bytes_
};

// The files directly inside a folder, as `listFolderFiles` finds them.
struct FolderFiles {
    std::string parentPath; // what lookUpFile reports as each file's parentPath
    NameList names;         // in listing order
    std::vector<std::uint64_t> inodes; // of each name, links not followed; 0 where unknown
    FileIdentity folder;    // of the folder listed
};

// Whether a rename in a folder can work at all, as far as rights go.
enum class FolderAccess : std::uint8_t {
    Writable,
    ReadOnlyVolume, // mounted read-only
    NoWriteRights,  // the user may not create or remove entries in the folder
};

// Every entry of a directory, files and sub-folders alike, with how the
// directory compares names and which names it can hold: what a new name
// there may collide with or be refused for.
struct DirectoryNames {
    NameList names;
    bool caseInsensitive = false; // "a.txt" and "A.TXT" name the same entry
    std::size_t longestName = 255; // in lengthUnitOf(volumeKind)
    VolumeKind volumeKind = VolumeKind::Posix; // whose naming rules hold (refusalOf)
    FolderAccess access = FolderAccess::Writable;
    // Served by a user-space (FUSE) driver, which may store a name other than
    // the one it was given and may lack hard links and RENAME_NOREPLACE.
    bool userSpaceDriver = false;
    std::vector<std::uint64_t> inodes; // of each name, as in FolderFiles; may be empty: all unknown
    FileIdentity folder;           // of the directory read
};

// A file found by `lookUpFile`. `parentPath + "/" + name` names the same file
// again, also when the parent is the root ("/" + "/" + name).
struct FileHandle {
    std::string path;       // the path it was looked up by
    std::string name;       // the last component: extension included, no directory
    std::string parentPath; // full path of the containing directory, no trailing "/" except for the root
    FileIdentity identity;  // of the entry itself, links not followed
    OpenFolderPtr folder;   // the folder it was found in, held open; null when made by hand
};

// The file-system operations the engine uses; it never touches the disk itself.
// Every operation either succeeds or fails with a description the user may read.
// Paths and names are byte strings as the system holds them (UTF-8 in practice).
class FileSystem {
public:
    virtual ~FileSystem() = default;

    // Attribute bits of the file or folder at `path`; kDirectoryAttribute is set
    // for a folder and for a symbolic link to one.
    virtual Result<std::uint32_t> attributes(const std::string& path) = 0;

    virtual Result<FolderHandle> lookUpFolder(const std::string& path) = 0;

    // The entries directly inside the folder that are not folders, hidden ones
    // included, in the order a person sees in a file manager (case-insensitive
    // natural order, ties broken by byte order). Each one is a file as
    // lookUpFile would find it, so a caller need not look it up again.
    virtual Result<FolderFiles> listFolderFiles(const FolderHandle& folder) = 0;

    // Fails when `path` does not name an existing file (a folder is not a file).
    virtual Result<FileHandle> lookUpFile(const std::string& path) = 0;

    // Opens the folder at `path` (links followed), for a run of look-ups and
    // moves in it that must not be redirected to another folder.
    virtual Result<OpenFolderPtr> openFolder(const std::string& path) = 0;
    // The file `name` directly inside `folder`: the file at the folder's
    // path + "/" + name, found through the open folder. Fails like lookUpFile.
    virtual Result<FileHandle> lookUpFileIn(const OpenFolderPtr& folder, std::string_view name) = 0;

    // The names a rename in the directory at `path` could collide with.
    virtual Result<DirectoryNames> readDirectoryNames(const std::string& path) = 0;

    // Renames `file` to `destination`, which must lie in the file's own
    // directory. Never replaces another file; a move onto the file's own path
    // succeeds and changes nothing; a change of letter case only succeeds.
    // A file with an open folder is moved within that folder. Returns the
    // name the file has now: the new name, unless the volume stored it
    // otherwise (a driver may change what it is given).
    virtual Result<std::string> move(const FileHandle& file, const std::string& destination) = 0;
};

} // namespace renamer
