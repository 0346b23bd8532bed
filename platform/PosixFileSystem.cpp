#include "PosixFileSystem.h"

#include "DirectoryProbes.h"
#include "ErrnoDescription.h"
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
std::string describeMoveError(int error, const std::string& folder)
{
    if (error != EOPNOTSUPP)
        return describeErrno(error);
    return access(folder.c_str(), W_OK | X_OK) == 0 ? kNoSafeRename : describeErrno(EACCES);
}

std::string temporaryNameIn(const std::string& folder)
{
    static std::atomic<unsigned long> counter{0};
    return joinPath(folder, ".~rename-" + std::to_string(getpid()) + "-" + std::to_string(counter++));
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
    FolderFiles files{*std::move(folderPath), {}};
    DirectoryStream directory(opendir(files.parentPath.c_str()));
    if (!directory)
        return failWith(describeErrno(errno));

    // Names and their sort keys go into two shared buffers, so a large folder
    // costs a few allocations rather than two per entry.
    struct Entry {
        std::size_t nameOffset;
        std::size_t nameLength;
        std::size_t keyOffset;
        std::size_t keyLength;
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
        entries.push_back({names.size(), name.size(), keyOffset, keys.size() - keyOffset});
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
    for (const Entry& entry : entries)
        files.names.add(nameOf(entry));
    return files;
}

Result<FileHandle> PosixFileSystem::lookUpFile(const std::string& path)
{
    struct stat status {};
    if (lstat(path.c_str(), &status) != 0)
        return failWith(describeErrno(errno));
    // A link counts as what it points to; a dangling one stays a file.
    if (stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode))
        return failWith(kNotAFile);
    // lstat resolves "name/" as a folder, so a file never gets here with a
    // trailing slash; a path ending in one could not give a name anyway.
    if (path.ends_with('/'))
        return failWith(kNotAFile);

    FileHandle file;
    file.path = path;
    const auto slash = path.rfind('/');
    std::string prefix;
    if (slash == std::string::npos) {
        file.name = path;
    } else {
        file.name = path.substr(slash + 1);
        prefix = withoutTrailingSlashes(path.substr(0, slash + 1));
    }

    auto parent = absoluteFolder(std::move(prefix));
    if (!parent)
        return std::unexpected(parent.error());
    file.parentPath = *std::move(parent);
    return file;
}

Result<void> PosixFileSystem::move(const FileHandle& file, const std::string& destination)
{
    const auto newName = nameInFolder(destination, file.parentPath);
    if (!newName || !isValidName(*newName))
        return failWith(kInvalidName);
    // A name longer than the directory allows needs no check of its own: the
    // kernel refuses it (ENAMETOOLONG, "文件名过长") before touching anything.

    const std::string source = joinPath(file.parentPath, file.name);
    if (*newName == file.name) {
        struct stat status {};
        if (lstat(source.c_str(), &status) != 0)
            return failWith(describeErrno(errno));
        return {};
    }

    const std::string target = joinPath(file.parentPath, *newName);
    const int error = moveNoReplace(source, target);
    if (error == 0)
        return {};
    if (error == EEXIST) {
        // The existing target may be this very file seen under another letter
        // case; only then is it moved away and back under the new name.
        struct stat sourceStatus {};
        struct stat targetStatus {};
        if (lstat(source.c_str(), &sourceStatus) == 0 && lstat(target.c_str(), &targetStatus) == 0
            && isSameEntry(sourceStatus, targetStatus))
            return moveThroughTemporaryName(source, target, file.parentPath);
        return failWith(kAlreadyExists);
    }
    return failWith(describeMoveError(error, file.parentPath));
}

int PosixFileSystem::moveNoReplace(const std::string& from, const std::string& to) const
{
    if (method_ == NoReplaceMethod::kRenameNoReplace) {
        if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
            return 0;
        const int error = errno;
        // EINVAL/ENOSYS: the file system or kernel does not know the flag.
        if (error != EINVAL && error != ENOSYS)
            return error;
    }

    // link() refuses an existing target, which makes it a safe first half.
    if (linkat(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), 0) != 0) {
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
    if (unlink(from.c_str()) != 0) {
        const int error = errno;
        // Drop the new name again so the file keeps only its old one.
        unlink(to.c_str());
        return error;
    }
    return 0;
}

Result<void> PosixFileSystem::moveThroughTemporaryName(const std::string& from, const std::string& to,
                                                       const std::string& folder) const
{
    // A name another process took in the meantime is skipped, never replaced.
    constexpr int kNameAttempts = 16;
    std::string temporary;
    int error = EEXIST;
    for (int attempt = 0; attempt < kNameAttempts && error == EEXIST; ++attempt) {
        temporary = temporaryNameIn(folder);
        error = moveNoReplace(from, temporary);
    }
    if (error != 0)
        return failWith(describeMoveError(error, folder));

    error = moveNoReplace(temporary, to);
    if (error == 0)
        return {};
    if (moveNoReplace(temporary, from) != 0)
        return failWith(describeMoveError(error, folder) + "（文件现名为 " + std::string(lastComponent(temporary)) + "）");
    return failWith(describeMoveError(error, folder));
}

Result<DirectoryNames> PosixFileSystem::readDirectoryNames(const std::string& path)
{
    DirectoryStream directory(opendir(path.c_str()));
    if (!directory)
        return failWith(describeErrno(errno));
    DirectoryNames result;
    const Result<void> read
        = forEachEntry(directory.get(), [&result](const dirent& entry) { result.names.add(entry.d_name); });
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
