#include "DirectoryProbes.h"

#include "FileDescriptor.h"

#include <algorithm>
#include <cerrno>
#include <string>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace renamer {
namespace {

bool hasAsciiLetter(std::string_view name)
{
    return std::any_of(name.begin(), name.end(), [](char c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; });
}

std::string withAsciiCaseSwapped(std::string_view name)
{
    std::string swapped(name);
    for (char& c : swapped) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        else if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return swapped;
}

} // namespace

std::optional<bool> probeCaseInsensitivity(int directory, const NameList& names)
{
    std::size_t probe = 0;
    while (probe < names.size() && !hasAsciiLetter(names[probe]))
        ++probe;
    if (probe == names.size())
        return std::nullopt;
    const std::string other = withAsciiCaseSwapped(names[probe]);
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (names[i] == other)
            return false;
    }
    struct stat status {};
    return fstatat(directory, other.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0;
}

FolderAccess folderAccessOf(int directory)
{
    struct statvfs volume {};
    if (fstatvfs(directory, &volume) == 0 && (volume.f_flag & ST_RDONLY) != 0)
        return FolderAccess::ReadOnlyVolume;
    if (faccessat(directory, ".", W_OK | X_OK, AT_EACCESS) == 0)
        return FolderAccess::Writable;
    switch (errno) {
    case EROFS:
        return FolderAccess::ReadOnlyVolume;
    case EACCES:
    case EPERM:
        return FolderAccess::NoWriteRights;
    default:
        // Anything else says nothing about rights; the rename will tell.
        return FolderAccess::Writable;
    }
}

bool fuseKeepsInodeNumbers(int directory)
{
    // The first block of entries tells: a driver either numbers all its
    // entries or none.
    FileDescriptor listing(openat(directory, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!listing)
        return false;
    alignas(dirent64) char buffer[4096];
    const ssize_t got = getdents64(listing.get(), buffer, sizeof buffer);
    if (got <= 0)
        return false;
    constexpr std::uint64_t kFuseUnknownInode = 0xFFFFFFFF;
    for (ssize_t offset = 0; offset < got;) {
        const auto* entry = reinterpret_cast<const dirent64*>(buffer + offset);
        if (entry->d_ino == kFuseUnknownInode)
            return false;
        offset += entry->d_reclen;
    }
    return true;
}

} // namespace renamer
