#include "PosixFileSystem.h"

#include "DirectoryProbes.h"
#include "ErrnoDescription.h"
#include "FileDescriptor.h"
#include "NaturalOrder.h"
#include "VolumeDetection.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string_view>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace renamer {
namespace {

constexpr std::uint32_t kHiddenAttribute = 2;

const char* const kNotAFile = "不是文件";
const char* const kNotAFolder = "不是文件夹";
const char* const kInvalidName = "文件名无效";
const char* const kAlreadyExists = "文件已存在";
const char* const kNoSafeRename = "文件系统不支持安全重命名";

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

std::string_view lastComponent(std::string_view path)
{
    const auto slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

bool isHiddenName(std::string_view name)
{
    return name.size() > 1 && name.front() == '.' && name != "..";
}

bool isSameEntry(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

FileIdentity identityOf(const struct stat& status)
{
    return {static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino)};
}

// A listed entry's inode number. FUSE file systems that keep no numbers of
// their own list every entry under FUSE_UNKNOWN_INO and make numbers up per
// look-up: that one is unknown.
std::uint64_t listedInode(const dirent& entry)
{
    constexpr std::uint64_t kFuseUnknownInode = 0xFFFFFFFF;
    const auto inode = static_cast<std::uint64_t>(entry.d_ino);
    return inode == kFuseUnknownInode ? 0 : inode;
}

// The folder's identity, read from its open stream.
FileIdentity identityOf(DIR* directory)
{
    struct stat status {};
    return fstat(dirfd(directory), &status) == 0 ? identityOf(status) : FileIdentity{};
}

class PosixOpenFolder final : public OpenFolder {
public:
    PosixOpenFolder(std::string path, FileIdentity identity, FileDescriptor descriptor)
        : OpenFolder(std::move(path), identity)
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
        return failWith(describeErrno(errno));
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

bool isValidName(std::string_view name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos
        && name.find('\0') == std::string_view::npos;
}

// A refused hard link (the fallback's first half) is ambiguous: the file
// system may have no hard links, or the user may not be allowed to write in
// the folder. The folder's permissions tell which text is true.
std::string describeMoveError(int error, int folder)
{
    if (error != EOPNOTSUPP)
        return describeErrno(error);
    return faccessat(folder, ".", W_OK | X_OK, 0) == 0 ? kNoSafeRename : describeErrno(EACCES);
}

std::string temporaryName()
{
    static std::atomic<unsigned long> counter{0};
    return ".~rename-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
}

// Calls `visit` with every entry of the directory but "." and "..".
template <class Visit>
Result<void> forEachEntry(DIR* directory, Visit&& visit)
{
    for (;;) {
        errno = 0;
        const dirent* entry = readdir(directory);
        if (entry == nullptr)
            return errno == 0 ? Result<void>{} : failWith(describeErrno(errno));
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..")
            visit(*entry);
    }
}

// Whether `entry` of `directory` is listed as a file: anything but a
// folder or a link to one. A link whose target is gone still names an entry.
bool isListedAsFile(DIR* directory, const dirent& entry)
{
    if (entry.d_type == DT_DIR)
        return false;
    if (entry.d_type != DT_UNKNOWN && entry.d_type != DT_LNK)
        return true;
    struct stat status {};
    if (fstatat(dirfd(directory), entry.d_name, &status, 0) == 0)
        return !S_ISDIR(status.st_mode);
    // Gone since readdir saw it, or a dangling link: only the latter is listed.
    return fstatat(dirfd(directory), entry.d_name, &status, AT_SYMLINK_NOFOLLOW) == 0;
}

} // namespace

PosixFileSystem::PosixFileSystem(NoReplaceMethod method)
    : method_(method)
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
            return failWith(describeErrno(error));
    }
    if (isHiddenName(lastComponent(withoutTrailingSlashes(path))))
        bits |= kHiddenAttribute;
    return bits;
}

Result<FolderHandle> PosixFileSystem::lookUpFolder(const std::string& path)
{
    std::string folder = withoutTrailingSlashes(path);
    const int descriptor = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0) {
        const int error = errno;
        struct stat status {};
        if (error == ENOTDIR && stat(folder.c_str(), &status) == 0 && !S_ISDIR(status.st_mode))
            return failWith(kNotAFolder);
        return failWith(describeErrno(error));
    }
    close(descriptor);
    return FolderHandle{std::move(folder)};
}

Result<FolderFiles> PosixFileSystem::listFolderFiles(const FolderHandle& folder)
{
    auto folderPath = absoluteFolder(withoutTrailingSlashes(folder.path));
    if (!folderPath)
        return std::unexpected(folderPath.error());
    FolderFiles files{*std::move(folderPath), {}, {}, {}};
    DirectoryStream directory(opendir(files.parentPath.c_str()));
    if (!directory)
        return failWith(describeErrno(errno));
    files.folder = identityOf(directory.get());

    // Names and their sort keys go into two shared buffers, so a large folder
    // costs a few allocations rather than two per entry.
    struct Entry {
        std::size_t nameOffset;
        std::size_t nameLength;
        std::size_t keyOffset;
        std::size_t keyLength;
        std::uint64_t inode;
    };
    std::vector<Entry> entries;
    std::string names;
    std::string keys;
    const Result<void> read = forEachEntry(directory.get(), [&](const dirent& entry) {
        if (!isListedAsFile(directory.get(), entry))
            return;
        const std::string_view name = entry.d_name;
        const std::size_t keyOffset = keys.size();
        appendNaturalSortKey(keys, name);
        entries.push_back({names.size(), name.size(), keyOffset, keys.size() - keyOffset, listedInode(entry)});
        names += name;
    });
    if (!read)
        return std::unexpected(read.error());

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

    files.names.reserve(entries.size(), names.size());
    files.inodes.reserve(entries.size());
    for (const Entry& entry : entries) {
        files.names.add(nameOf(entry));
        files.inodes.push_back(entry.inode);
    }
    return files;
}

Result<FileHandle> PosixFileSystem::lookUpFile(const std::string& path)
{
    // A file's path neither is empty nor ends in a slash; such a path is
    // resolved whole, only to tell what it names instead.
    if (path.empty() || path.ends_with('/')) {
        struct stat status {};
        if (lstat(path.c_str(), &status) != 0)
            return failWith(describeErrno(errno));
        return failWith(kNotAFile);
    }
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
    auto file = lookUpFileIn(*folder, name);
    if (file)
        file->path = path;
    return file;
}

Result<OpenFolderPtr> PosixFileSystem::openFolder(const std::string& path)
{
    FileDescriptor descriptor(open(path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!descriptor)
        return failWith(describeErrno(errno));
    struct stat status {};
    if (fstat(descriptor.get(), &status) != 0)
        return failWith(describeErrno(errno));
    return std::make_shared<const PosixOpenFolder>(path, identityOf(status), std::move(descriptor));
}

Result<FileHandle> PosixFileSystem::lookUpFileIn(const OpenFolderPtr& folder, std::string_view name)
{
    // Only a name directly inside the folder is looked up.
    if (name.empty() || name.find('/') != std::string_view::npos || name.find('\0') != std::string_view::npos)
        return failWith(describeErrno(ENOENT));
    const int at = posixFolder(folder).descriptor();
    const std::string entry(name);
    struct stat status {};
    if (fstatat(at, entry.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0)
        return failWith(describeErrno(errno));
    // A link counts as what it points to; a dangling one stays a file.
    struct stat target {};
    if (S_ISDIR(status.st_mode)
        || (S_ISLNK(status.st_mode) && fstatat(at, entry.c_str(), &target, 0) == 0 && S_ISDIR(target.st_mode)))
        return failWith(kNotAFile);

    FileHandle file;
    file.path = joinPath(folder->path(), name);
    file.name = entry;
    file.parentPath = folder->path();
    file.identity = identityOf(status);
    file.folder = folder;
    return file;
}

Result<void> PosixFileSystem::move(const FileHandle& file, const std::string& destination)
{
    const auto newName = nameInFolder(destination, file.parentPath);
    if (!newName || !isValidName(*newName))
        return failWith(kInvalidName);
    // A name longer than the directory allows needs no check of its own: the
    // kernel refuses it (ENAMETOOLONG, "文件名过长") before touching anything.

    OpenFolderPtr folder = file.folder;
    if (!folder) {
        auto opened = openFolder(file.parentPath);
        if (!opened)
            return std::unexpected(opened.error());
        folder = *std::move(opened);
    }
    const int at = posixFolder(folder).descriptor();
    if (*newName == file.name) {
        struct stat status {};
        if (fstatat(at, file.name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0)
            return failWith(describeErrno(errno));
        return {};
    }

    const std::string target(*newName);
    const int error = moveNoReplace(at, file.name, target);
    if (error == 0)
        return {};
    if (error == EEXIST) {
        // The existing target may be this very file seen under another letter
        // case; only then is it moved away and back under the new name.
        struct stat sourceStatus {};
        struct stat targetStatus {};
        if (fstatat(at, file.name.c_str(), &sourceStatus, AT_SYMLINK_NOFOLLOW) == 0
            && fstatat(at, target.c_str(), &targetStatus, AT_SYMLINK_NOFOLLOW) == 0
            && isSameEntry(sourceStatus, targetStatus))
            return moveThroughTemporaryName(at, file.name, target);
        return failWith(kAlreadyExists);
    }
    return failWith(describeMoveError(error, at));
}

int PosixFileSystem::moveNoReplace(int folder, const std::string& from, const std::string& to) const
{
    if (method_ == NoReplaceMethod::kRenameNoReplace) {
        if (renameat2(folder, from.c_str(), folder, to.c_str(), RENAME_NOREPLACE) == 0)
            return 0;
        const int error = errno;
        // EINVAL/ENOSYS: the file system or kernel does not know the flag.
        if (error != EINVAL && error != ENOSYS)
            return error;
    }

    // link() refuses an existing target, which makes it a safe first half.
    if (linkat(folder, from.c_str(), folder, to.c_str(), 0) != 0) {
        const int error = errno;
        switch (error) {
        case EPERM:
        case EOPNOTSUPP: // also ENOTSUP on Linux
        case EXDEV:
        case EMLINK:
            return EOPNOTSUPP;
        default:
            return error;
        }
    }
    if (unlinkat(folder, from.c_str(), 0) != 0) {
        const int error = errno;
        // Drop the new name again so the file keeps only its old one.
        unlinkat(folder, to.c_str(), 0);
        return error;
    }
    return 0;
}

Result<void> PosixFileSystem::moveThroughTemporaryName(int folder, const std::string& from,
                                                       const std::string& to) const
{
    // A name another process took in the meantime is skipped, never replaced.
    constexpr int kNameAttempts = 16;
    std::string temporary;
    int error = EEXIST;
    for (int attempt = 0; attempt < kNameAttempts && error == EEXIST; ++attempt) {
        temporary = temporaryName();
        error = moveNoReplace(folder, from, temporary);
    }
    if (error != 0)
        return failWith(describeMoveError(error, folder));

    error = moveNoReplace(folder, temporary, to);
    if (error == 0)
        return {};
    if (moveNoReplace(folder, temporary, from) != 0)
        return failWith(describeMoveError(error, folder) + "（文件现名为 " + temporary + "）");
    return failWith(describeMoveError(error, folder));
}

Result<DirectoryNames> PosixFileSystem::readDirectoryNames(const std::string& path)
{
    DirectoryStream directory(opendir(path.c_str()));
    if (!directory)
        return failWith(describeErrno(errno));
    DirectoryNames result;
    result.folder = identityOf(directory.get());
    const Result<void> read = forEachEntry(directory.get(), [&result](const dirent& entry) {
        result.names.add(entry.d_name);
        result.inodes.push_back(listedInode(entry));
    });
    if (!read)
        return std::unexpected(read.error());
    const int descriptor = dirfd(directory.get());
    const long longest = fpathconf(descriptor, _PC_NAME_MAX);
    if (longest > 0)
        result.longestName = static_cast<std::size_t>(longest);
    const Volume volume = detectVolume(descriptor);
    result.volumeKind = volume.kind;
    result.userSpaceDriver = volume.userSpaceDriver;
    result.access = folderAccessOf(descriptor);
    // A folder without a name to try takes after its kind: FAT and exFAT
    // never tell case apart.
    result.caseInsensitive = probeCaseInsensitivity(descriptor, result.names)
                                 .value_or(volume.kind == VolumeKind::Fat || volume.kind == VolumeKind::Exfat);
    return result;
}

} // namespace renamer
