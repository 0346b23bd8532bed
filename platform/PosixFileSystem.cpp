#include "PosixFileSystem.h"

#include "CaseFolding.h"
#include "DirectoryProbes.h"
#include "FileDescriptor.h"
#include "FileFingerprint.h"
#include "FileSystemFailures.h"
#include "NaturalOrder.h"
#include "TemporaryName.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string_view>

#include <dirent.h>
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <time.h>
#include <sys/stat.h>
#include <unistd.h>

namespace renamer {
namespace {

struct DirectoryCloser {
    void operator()(DIR* directory) const { closedir(directory); }
};
using DirectoryStream = std::unique_ptr<DIR, DirectoryCloser>;

// "/" stays "/" (as does "//"); any other path loses its trailing slashes.
std::string withoutTrailingSlashes(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

std::string joinPath(std::string_view folder, std::string_view name)
{
    std::string path;
    path.reserve(folder.size() + 1 + name.size());
    path += folder;
    if (folder != "/")
        path += '/';
    path += name;
    return path;
}

bool isSameEntry(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The entry's identity, as far as its volume lets it be trusted.
FileIdentity identityOn(const VolumeProfile& volume, const struct stat& status)
{
    return {static_cast<std::uint64_t>(status.st_dev), trustedInode(volume, static_cast<std::uint64_t>(status.st_ino))};
}

// A time as listings and handles keep it, to be compared across them.
std::int64_t nanosecondsSinceEpoch(std::int64_t seconds, std::int64_t nanoseconds)
{
    return seconds * 1'000'000'000 + nanoseconds;
}

// The path the open `descriptor` was reached by, with every symbolic link
// resolved, as the kernel keeps it; empty where it cannot tell.
std::string resolvedPathOf(int descriptor)
{
    const std::string link = "/proc/self/fd/" + std::to_string(descriptor);
    std::string path(PATH_MAX, '\0');
    const ssize_t length = readlink(link.c_str(), path.data(), path.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= path.size() || path[0] != '/')
        return {};
    path.resize(static_cast<std::size_t>(length));
    return path;
}

class PosixOpenFolder final : public OpenFolder {
public:
    PosixOpenFolder(std::string path, const struct stat& status, FileDescriptor descriptor, const VolumeProfile& volume,
                    std::string resolvedPath)
        : OpenFolder(std::move(path), identityOn(volume, status), volume, std::move(resolvedPath))
        , descriptor_(std::move(descriptor))
    {
    }
    int descriptor() const { return descriptor_.get(); }

private:
    FileDescriptor descriptor_;
};

const PosixOpenFolder& posixFolder(const OpenFolderPtr& folder)
{
    const auto* posix = dynamic_cast<const PosixOpenFolder*>(folder.get());
    if (posix == nullptr)
        throw std::invalid_argument("a folder opened by another file system");
    return *posix;
}

Result<std::string> currentDirectory()
{
    std::unique_ptr<char, decltype(&std::free)> path(getcwd(nullptr, 0), &std::free);
    if (!path)
        return failWith(failureOfErrno(errno));
    return std::string(path.get());
}

// `folder` itself when absolute, else the current directory joined with it
// ("" and "." being the current directory).
Result<std::string> absoluteFolder(std::string folder)
{
    if (folder.starts_with('/'))
        return folder;
    auto current = currentDirectory();
    if (!current)
        return std::unexpected(current.error());
    return (folder.empty() || folder == ".") ? *current : joinPath(*current, folder);
}

// The new name `destination` gives the file, or nothing when `destination`
// is not directly inside `parent`. A file in the root folder has the parent
// "/", so both "//name" and "/name" are accepted there.
std::optional<std::string_view> nameInFolder(std::string_view destination, std::string_view parent)
{
    if (parent == "/") {
        if (destination.starts_with("//"))
            return destination.substr(2);
        if (destination.starts_with("/"))
            return destination.substr(1);
        return std::nullopt;
    }
    if (destination.size() > parent.size() && destination.starts_with(parent)
        && destination[parent.size()] == '/')
        return destination.substr(parent.size() + 1);
    return std::nullopt;
}

bool exists(int folder, const std::string& name)
{
    struct stat status {};
    return fstatat(folder, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0;
}

// The failure of a move that failed with `error`. FUSE drivers answer a
// name they cannot store with errnos that mean something else elsewhere
// (ENOENT while the file is there, EINVAL, EPERM, EILSEQ, EBADMSG); the
// volume's naming rules then tell the true cause.
Failure moveFailure(int error, const PosixOpenFolder& folder, const std::string& from, const std::string& to)
{
    switch (error) {
    case ENOENT:
        if (!exists(folder.descriptor(), from))
            return failureOfErrno(error);
        break;
    case EINVAL:
    case EPERM:
    case EILSEQ:
    case EBADMSG:
        break;
    default:
        return failureOfErrno(error);
    }
    const VolumeProfile& volume = folder.volume();
    return refusedNameFailure(error, refusalOf(to, volume.volumeKind, volume.longestName));
}

// Why fusefat would refuse `name`, or nothing. It takes printable ASCII
// only, without the characters Windows forbids, up to 255 bytes.
std::optional<Failure> refusalByFusefat(std::string_view name)
{
    if (name.size() > 255)
        return failureOfErrno(ENAMETOOLONG);
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F)
            return nameRefusedFailure(NameRefusal{NameRefusalKind::ControlCharacter, byte});
        if (byte >= 0x80)
            return onlyAsciiOnThisDriverFailure();
    }
    const auto refusal = refusalOf(name, VolumeKind::Fat, 255);
    if (refusal && refusal->kind == NameRefusalKind::ForbiddenCharacter)
        return nameRefusedFailure(*refusal);
    return std::nullopt;
}

// Whether the entry `to`, which a move of `from` found in its way, may be
// the file itself under another spelling: the same entry, or, where the
// volume makes inode numbers up (exfat-fuse gives each spelling a number of
// its own), any name that differs from the old one in letter case only.
bool mayBeTheFileItself(const PosixOpenFolder& folder, const std::string& from, const std::string& to)
{
    struct stat source {};
    struct stat target {};
    if (fstatat(folder.descriptor(), from.c_str(), &source, AT_SYMLINK_NOFOLLOW) != 0
        || fstatat(folder.descriptor(), to.c_str(), &target, AT_SYMLINK_NOFOLLOW) != 0)
        return false;
    if (isSameEntry(source, target))
        return true;
    if (folder.volume().stableInodes)
        return false;
    std::string foldedFrom;
    std::string foldedTo;
    foldCase(from, foldedFrom);
    foldCase(to, foldedTo);
    return foldedFrom == foldedTo;
}

// A name as a driver that alters names might have stored it: letter case
// folded, trailing dots and spaces dropped.
std::string storedFormOf(std::string_view name)
{
    while (name.size() > 1 && (name.back() == '.' || name.back() == ' '))
        name.remove_suffix(1);
    std::string folded;
    foldCase(name, folded);
    return folded;
}

// A stream over the entries of the open folder, or null.
DIR* listingOf(int folder)
{
    const int descriptor = openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0)
        return nullptr;
    DIR* directory = fdopendir(descriptor);
    if (directory == nullptr)
        close(descriptor);
    return directory;
}

// Calls `visit` with every entry of the directory but "." and "..".
template <class Visit>
Result<void> forEachEntry(DIR* directory, Visit&& visit)
{
    for (;;) {
        errno = 0;
        const dirent* entry = readdir(directory);
        if (entry == nullptr)
            return errno == 0 ? Result<void>{} : failWith(failureOfErrno(errno));
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..")
            visit(*entry);
    }
}

// How a file's name changes to another spelling of it, where the folder
// takes both spellings for one name.
enum class CaseChange : std::uint8_t {
    OneStep,              // a plain rename: no other entry has the new name
    ThroughTemporaryName, // what the listing cannot settle
    Taken,                // another entry has the new name itself
};

// What the open folder's listing says of renaming `from` to `to`, which a
// look-up found to exist: an entry listed under `to` itself is another
// file's; where `from` is the only entry stored alike, `to` leads to it.
CaseChange caseChangeByListing(int folder, const std::string& from, const std::string& to)
{
    DirectoryStream directory(listingOf(folder));
    if (!directory)
        return CaseChange::ThroughTemporaryName;
    const std::string wanted = storedFormOf(to);
    bool taken = false;
    bool othersAlike = false;
    const Result<void> read = forEachEntry(directory.get(), [&](const dirent& entry) {
        const std::string_view name = entry.d_name;
        taken = taken || name == to;
        othersAlike = othersAlike || (name != from && storedFormOf(name) == wanted);
    });
    if (!read)
        return CaseChange::ThroughTemporaryName;
    if (taken)
        return CaseChange::Taken;
    return othersAlike ? CaseChange::ThroughTemporaryName : CaseChange::OneStep;
}

// How `from` changes to `to`, another spelling of its name in the open
// folder. Where the volume keeps inode numbers, both spellings lead to the
// one inode, and the kernel takes a rename of a file onto itself as done
// without asking the file system: only a step through a temporary name
// changes the spelling. A driver that makes numbers up per look-up gives
// each spelling an inode of its own, so the kernel passes the rename on and
// the driver changes the spelling in one step, which a kill cannot split;
// as that step replaces whatever has the new name, the listing must show
// the file as the one entry of that name.
CaseChange caseChangeIn(const PosixOpenFolder& folder, const std::string& from, const std::string& to)
{
    if (folder.volume().stableInodes)
        return CaseChange::ThroughTemporaryName;
    return caseChangeByListing(folder.descriptor(), from, to);
}

// What `entry` of the open directory `directory` is: a link counts as what
// it points to, a dangling one as a file; nothing for an entry gone since
// readdir saw it.
std::optional<EntryKind> kindOfEntry(int directory, const dirent& entry)
{
    if (entry.d_type == DT_DIR)
        return EntryKind::Folder;
    if (entry.d_type != DT_UNKNOWN && entry.d_type != DT_LNK)
        return EntryKind::File;
    struct stat status {};
    if (fstatat(directory, entry.d_name, &status, 0) == 0)
        return S_ISDIR(status.st_mode) ? EntryKind::Folder : EntryKind::File;
    if (fstatat(directory, entry.d_name, &status, AT_SYMLINK_NOFOLLOW) == 0)
        return EntryKind::File;
    return std::nullopt;
}

// Every entry of the open directory, with its kind and listed inode number,
// in the order a person sees in a file manager.
Result<void> readEntries(DIR* directory, FolderListing& listing)
{
    // Names and their sort keys go into two shared buffers, so a large folder
    // costs a few allocations rather than two per entry.
    struct Entry {
        std::uint32_t nameOffset;
        std::uint32_t nameLength;
        std::uint32_t keyOffset;
        std::uint32_t keyLength;
        std::uint64_t inode;
        std::uint32_t fingerprint;
        EntryKind kind;
    };
    std::vector<Entry> entries;
    std::string names;
    std::string keys;
    const int descriptor = dirfd(directory);
    // Where the birth time tells files apart, the time of the listing does
    // it for all of them: one statx per file would double a large drop.
    const unsigned fingerprintFieldsHere
        = listing.fingerprint == FileFingerprint::SizeAndTimes ? fingerprintFields(listing) : 0;
    const Result<void> read = forEachEntry(directory, [&](const dirent& entry) {
        const auto kind = kindOfEntry(descriptor, entry);
        if (!kind)
            return;
        std::uint32_t fingerprint = 0;
        struct statx status {};
        if (fingerprintFieldsHere != 0 && *kind == EntryKind::File
            && statx(descriptor, entry.d_name, AT_SYMLINK_NOFOLLOW, fingerprintFieldsHere, &status) == 0)
            fingerprint = fingerprintOf(listing, status);
        const std::string_view name = entry.d_name;
        const std::size_t nameOffset = names.size();
        const std::size_t keyOffset = keys.size();
        names += name;
        appendNaturalSortKey(keys, name);
        // Offsets are kept in 32 bits, as NameList keeps them.
        if (std::max(names.size(), keys.size()) > std::numeric_limits<std::uint32_t>::max())
            throw std::length_error("more names than a folder listing holds");
        entries.push_back({static_cast<std::uint32_t>(nameOffset), static_cast<std::uint32_t>(name.size()),
                           static_cast<std::uint32_t>(keyOffset), static_cast<std::uint32_t>(keys.size() - keyOffset),
                           static_cast<std::uint64_t>(entry.d_ino), fingerprint, *kind});
    });
    if (!read)
        return read;

    const auto nameOf = [&names](const Entry& entry) {
        return std::string_view(names.data() + entry.nameOffset, entry.nameLength);
    };
    const auto keyOf = [&keys](const Entry& entry) {
        return std::string_view(keys.data() + entry.keyOffset, entry.keyLength);
    };
    std::sort(entries.begin(), entries.end(), [&](const Entry& a, const Entry& b) {
        const int order = keyOf(a).compare(keyOf(b));
        return order != 0 ? order < 0 : nameOf(a) < nameOf(b);
    });

    listing.names.reserve(entries.size(), names.size());
    listing.kinds.reserve(entries.size());
    listing.inodes.reserve(entries.size());
    if (fingerprintFieldsHere != 0)
        listing.fingerprints.reserve(entries.size());
    for (const Entry& entry : entries) {
        listing.names.add(nameOf(entry));
        listing.kinds.push_back(entry.kind);
        listing.inodes.push_back(trustedInode(listing, entry.inode));
        if (fingerprintFieldsHere != 0)
            listing.fingerprints.push_back(entry.fingerprint);
    }
    return {};
}

} // namespace

PosixFileSystem::PosixFileSystem(NoReplaceMethod method, DocumentPortal portal)
    : method_(method)
    , portal_(std::move(portal))
{
}

Result<std::uint32_t> PosixFileSystem::attributes(const std::string& path)
{
    std::uint32_t bits = 0;
    struct stat status {};
    if (stat(path.c_str(), &status) == 0) {
        if (S_ISDIR(status.st_mode))
            bits |= kDirectoryAttribute;
    } else {
        const int error = errno;
        if (lstat(path.c_str(), &status) != 0)
            return failWith(failureOfErrno(error));
    }
    return bits;
}

Result<FolderListing> PosixFileSystem::readFolder(const std::string& path)
{
    auto folderPath = absoluteFolder(withoutTrailingSlashes(path));
    if (!folderPath)
        return std::unexpected(folderPath.error());
    if (auto host = portal_.hostPathOf(*folderPath))
        folderPath = *std::move(host);
    DirectoryStream directory(opendir(folderPath->c_str()));
    if (!directory) {
        const int error = errno;
        struct stat status {};
        if (error == ENOTDIR && stat(folderPath->c_str(), &status) == 0 && !S_ISDIR(status.st_mode))
            return failWith(notAFolderFailure());
        return failWith(failureOfErrno(error));
    }
    const int descriptor = dirfd(directory.get());
    struct stat status {};
    if (fstat(descriptor, &status) != 0)
        return failWith(failureOfErrno(errno));

    FolderListing listing;
    static_cast<VolumeProfile&>(listing) = volumes_.of(descriptor, status.st_dev);
    listing.path = *std::move(folderPath);
    listing.resolvedPath = resolvedPathOf(descriptor);
    listing.folder = identityOn(listing, status);
    if (listing.fingerprint == FileFingerprint::BirthTime) {
        timespec now {};
        clock_gettime(CLOCK_REALTIME, &now);
        listing.listedAt = nanosecondsSinceEpoch(now.tv_sec, now.tv_nsec);
    }
    if (auto read = readEntries(directory.get(), listing); !read)
        return std::unexpected(read.error());
    listing.access = portal_.holds(listing.path) ? FolderAccess::InDocumentPortal : folderAccessOf(descriptor);
    listing.caseInsensitive = listing.caseRule == CaseRule::Ignored
        || probeCaseInsensitivity(descriptor, listing.names).value_or(false);
    return listing;
}

Result<FileHandle> PosixFileSystem::lookUpFile(const std::string& path)
{
    // A file's path neither is empty nor ends in a slash; such a path is
    // resolved whole, only to tell what it names instead.
    if (path.empty() || path.ends_with('/')) {
        struct stat status {};
        if (lstat(path.c_str(), &status) != 0)
            return failWith(failureOfErrno(errno));
        return failWith(notAFileFailure());
    }
    if (auto host = portal_.hostPathOf(path))
        return lookUpFile(*host);
    const auto slash = path.rfind('/');
    std::string prefix;
    std::string_view name = path;
    if (slash != std::string::npos) {
        name = std::string_view(path).substr(slash + 1);
        prefix = withoutTrailingSlashes(path.substr(0, slash + 1));
    }
    auto parent = absoluteFolder(std::move(prefix));
    if (!parent)
        return std::unexpected(parent.error());
    auto folder = openFolder(*parent);
    if (!folder)
        return std::unexpected(folder.error());
    return lookUpFileIn(*folder, name);
}

Result<OpenFolderPtr> PosixFileSystem::openFolder(const std::string& path)
{
    FileDescriptor descriptor(open(path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!descriptor)
        return failWith(failureOfErrno(errno));
    struct stat status {};
    if (fstat(descriptor.get(), &status) != 0)
        return failWith(failureOfErrno(errno));
    const VolumeProfile volume = volumes_.of(descriptor.get(), status.st_dev);
    std::string resolvedPath = resolvedPathOf(descriptor.get());
    return std::make_shared<const PosixOpenFolder>(path, status, std::move(descriptor), volume,
                                                   std::move(resolvedPath));
}

Result<OpenFolderPtr> PosixFileSystem::reopenFolder(const std::string& path, const std::string& resolvedPath)
{
    open_how how{};
    how.flags = O_PATH | O_DIRECTORY | O_CLOEXEC;
    how.resolve = RESOLVE_NO_SYMLINKS;
    FileDescriptor descriptor(static_cast<int>(syscall(SYS_openat2, AT_FDCWD, resolvedPath.c_str(), &how, sizeof how)));
    if (!descriptor && errno == ENOSYS) {
        // A kernel before openat2 (5.6): the folder the path leads to now
        // must still resolve to the same path.
        descriptor = FileDescriptor(open(resolvedPath.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        if (descriptor && resolvedPathOf(descriptor.get()) != resolvedPath)
            return failWith(failureOf(FailureKind::FolderReplaced));
    }
    if (!descriptor)
        return failWith(errno == ELOOP ? failureOf(FailureKind::FolderReplaced) : failureOfErrno(errno));
    struct stat status {};
    if (fstat(descriptor.get(), &status) != 0)
        return failWith(failureOfErrno(errno));
    const VolumeProfile volume = volumes_.of(descriptor.get(), status.st_dev);
    return std::make_shared<const PosixOpenFolder>(path, status, std::move(descriptor), volume, resolvedPath);
}

Result<OpenFolderPtr> PosixFileSystem::folderOf(const FileHandle& file)
{
    // A handle looked up by path alone carries no open folder.
    if (file.folder)
        return file.folder;
    return openFolder(file.parentPath);
}

Result<void> PosixFileSystem::exchange(const FileHandle& a, const FileHandle& b)
{
    auto folder = folderOf(a);
    if (!folder)
        return std::unexpected(folder.error());
    const PosixOpenFolder& open = posixFolder(*folder);
    if (!open.volume().canExchange)
        return failWith(failureOf(FailureKind::Unsupported));
    const int at = open.descriptor();
    if (renameat2(at, a.name.c_str(), at, b.name.c_str(), RENAME_EXCHANGE) == 0)
        return {};
    const int error = errno;
    // EINVAL: the file system does not know the flag after all (an ext2
    // volume served by its own driver); nothing was changed.
    if (error == EINVAL || error == ENOSYS || error == EOPNOTSUPP)
        return failWith(failureOf(FailureKind::Unsupported));
    return failWith(failureOfErrno(error));
}

Result<FileHandle> PosixFileSystem::lookUpFileIn(const OpenFolderPtr& folder, std::string_view name)
{
    // Only a name directly inside the folder is looked up.
    if (name.empty() || name.find('/') != std::string_view::npos || name.find('\0') != std::string_view::npos)
        return failWith(failureOfErrno(ENOENT));
    const PosixOpenFolder& open = posixFolder(folder);
    const int at = open.descriptor();
    const std::string entry(name);
    struct statx status {};
    if (statx(at, entry.c_str(), AT_SYMLINK_NOFOLLOW, STATX_TYPE | STATX_INO | fingerprintFields(open.volume()),
              &status)
        != 0)
        return failWith(failureOfErrno(errno));
    // A link counts as what it points to; a dangling one stays a file.
    struct stat target {};
    if (S_ISDIR(status.stx_mode)
        || (S_ISLNK(status.stx_mode) && fstatat(at, entry.c_str(), &target, 0) == 0 && S_ISDIR(target.st_mode)))
        return failWith(notAFileFailure());

    const auto device = static_cast<std::uint64_t>(makedev(status.stx_dev_major, status.stx_dev_minor));
    const FileIdentity identity{device, trustedInode(open.volume(), status.stx_ino),
                                fingerprintOf(open.volume(), status)};
    std::int64_t birthTime = 0;
    if (open.volume().fingerprint == FileFingerprint::BirthTime && (status.stx_mask & STATX_BTIME) != 0)
        birthTime = nanosecondsSinceEpoch(status.stx_btime.tv_sec, status.stx_btime.tv_nsec);
    return FileHandle{entry, folder->path(), identity, folder, birthTime};
}

Result<std::string> PosixFileSystem::move(const FileHandle& file, const std::string& destination)
{
    const auto newName = nameInFolder(destination, file.parentPath);
    if (!newName)
        return failWith(invalidNameFailure(std::nullopt));
    // What no folder on any volume holds ("", ".", "..", "/" or NUL in it).
    if (const auto refusal = refusalOf(*newName, VolumeKind::Posix, std::numeric_limits<std::size_t>::max()))
        return failWith(invalidNameFailure(refusal));
    // A name longer than the directory allows needs no check of its own: the
    // kernel refuses it (ENAMETOOLONG, "文件名过长") before touching anything.

    if (portal_.holds(file.parentPath))
        return failWith(unmappedDocumentFailure());

    auto opened = folderOf(file);
    if (!opened)
        return std::unexpected(opened.error());
    const OpenFolderPtr folder = *std::move(opened);
    const PosixOpenFolder& open = posixFolder(folder);
    const int at = open.descriptor();
    std::string target(*newName);
    if (target == file.name) {
        struct stat status {};
        if (fstatat(at, file.name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0)
            return failWith(failureOfErrno(errno));
        return target;
    }
    if (open.volume().driver == VolumeDriver::Fusefat) {
        if (auto refusal = refusalByFusefat(target))
            return failWith(*std::move(refusal));
    }

    const int error = moveNoReplace(at, file.name, target);
    if (error == EEXIST) {
        // The entry in the way may be this very file under another letter
        // case; only then is it moved away and back under the new name.
        if (!mayBeTheFileItself(open, file.name, target))
            return failWith(failureOf(FailureKind::Exists));
        switch (caseChangeIn(open, file.name, target)) {
        case CaseChange::Taken:
            return failWith(failureOf(FailureKind::Exists));
        case CaseChange::OneStep:
            if (renameat(at, file.name.c_str(), at, target.c_str()) != 0)
                return failWith(moveFailure(errno, open, file.name, target));
            break;
        case CaseChange::ThroughTemporaryName:
            if (auto moved = moveThroughTemporaryName(at, file.name, target); !moved)
                return std::unexpected(moved.error());
            break;
        }
    } else if (error != 0) {
        return failWith(moveFailure(error, open, file.name, target));
    }

    if (!open.volume().mayStoreOtherName)
        return target;
    return storedName(folder, target);
}

Result<std::string> PosixFileSystem::storedName(const OpenFolderPtr& folder, const std::string& asked) const
{
    const int at = posixFolder(folder).descriptor();
    if (exists(at, asked))
        return asked;
    // Not under the name it was given: the driver stored it otherwise. The
    // listed name it became is the one that compares equal the way such
    // drivers alter names.
    DirectoryStream directory(listingOf(at));
    if (!directory)
        return failWith(lostAfterMoveFailure());
    const std::string wanted = storedFormOf(asked);
    std::string stored;
    int matches = 0;
    const Result<void> read = forEachEntry(directory.get(), [&](const dirent& entry) {
        if (storedFormOf(entry.d_name) == wanted && ++matches == 1)
            stored = entry.d_name;
    });
    if (!read || matches != 1)
        return failWith(lostAfterMoveFailure());
    return stored;
}

int PosixFileSystem::moveNoReplace(int folder, const std::string& from, const std::string& to) const
{
    if (method_ == NoReplaceMethod::kRenameNoReplace) {
        if (renameat2(folder, from.c_str(), folder, to.c_str(), RENAME_NOREPLACE) == 0)
            return 0;
        const int error = errno;
        // EINVAL/ENOSYS: the file system or kernel does not know the flag.
        // EEXIST is true even then: the kernel finds the target in its way
        // before it asks the file system (FUSE answers EINVAL only after).
        if (error != EINVAL && error != ENOSYS)
            return error;
    }

    if (method_ != NoReplaceMethod::kExistsCheckThenRename) {
        // link() refuses an existing target, which makes it a safe first half.
        if (linkat(folder, from.c_str(), folder, to.c_str(), 0) == 0) {
            if (unlinkat(folder, from.c_str(), 0) != 0) {
                const int error = errno;
                // Drop the new name again so the file keeps only its old one.
                unlinkat(folder, to.c_str(), 0);
                return error;
            }
            return 0;
        }
        const int error = errno;
        switch (error) {
        case EPERM: // what FUSE and the VFS answer for a file system without hard links
        case EOPNOTSUPP: // also ENOTSUP on Linux
        case EXDEV:
        case EMLINK:
            break;
        default:
            return error;
        }
    }

    // No way to rename that refuses an existing target by itself: the target
    // is checked in the open folder and renamed onto at once. Another program
    // that creates the same name in the instant between the two calls would
    // lose that file to the rename; nothing narrower is offered by such a
    // file system.
    struct stat status {};
    if (fstatat(folder, to.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0)
        return EEXIST;
    if (errno != ENOENT)
        return errno;
    return renameat(folder, from.c_str(), folder, to.c_str()) == 0 ? 0 : errno;
}

Result<void> PosixFileSystem::moveThroughTemporaryName(int folder, const std::string& from,
                                                       const std::string& to) const
{
    // A name another process took in the meantime is skipped, never replaced.
    std::string temporary;
    int error = EEXIST;
    for (unsigned attempt = 0; attempt < kTemporaryNameAttempts && error == EEXIST; ++attempt) {
        temporary = temporaryNameFor(from, attempt);
        error = moveNoReplace(folder, from, temporary);
    }
    if (error != 0)
        return failWith(failureOfErrno(error));

    // With the file away, the new name is free if it only ever named the
    // file itself; an entry still there under it is another file (a hard
    // link, or another file where inode numbers cannot tell), which the move
    // back leaves alone.
    error = moveNoReplace(folder, temporary, to);
    if (error == 0)
        return {};
    if (moveNoReplace(folder, temporary, from) != 0)
        return failWith(leftUnderTemporaryName(failureOfErrno(error), temporary));
    return failWith(failureOfErrno(error));
}

} // namespace renamer
