#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace renamer {

// One line of /proc/self/mountinfo, with the escapes of its text fields
// ("\040" for a space, ...) undone.
struct MountEntry {
    std::uint64_t id = 0;         // what statx reports as stx_mnt_id
    unsigned deviceMajor = 0;     // st_dev of the files on it, except on btrfs
    unsigned deviceMinor = 0;
    std::string mountPoint;
    std::string fileSystemType;   // "ext4", "fuseblk", "fuse.sshfs", ...
    std::string source;           // "/dev/sdb1", "root@host:/dir", or whatever a FUSE driver chose
};

std::optional<MountEntry> parseMountInfoLine(std::string_view line);

// The mount that holds the open directory `directory`: found by its mount id
// where the kernel reports one, else by its device number.
std::optional<MountEntry> mountOf(int directory);

} // namespace renamer
