#pragma once

#include "NamingRules.h"

#include <optional>
#include <string>
#include <string_view>

namespace renamer {

// What holds a directory, as far as its names go.
struct Volume {
    VolumeKind kind = VolumeKind::Posix;
    bool userSpaceDriver = false; // FUSE
    std::string driver;           // the FUSE driver the mount's type names ("sshfs" of "fuse.sshfs"), or empty
};

// The volume of the open directory `directory`. The kernel's file-system type
// (fstatfs) decides, except for FUSE, where the mount's type in
// /proc/self/mountinfo names the driver ("fuse.fusefat"); exfat-fuse and
// ntfs-3g name none, so there the udev record of the device or the boot
// sector of the device or image file tells. Anything not recognised counts as
// Posix, the rules that hold on every volume.
Volume detectVolume(int directory);

// The kind a driver or file-system name stands for ("ntfs-3g", "exfat",
// "vfat", "cifs", ...); nothing for a name of no Windows volume.
std::optional<VolumeKind> volumeKindOfName(std::string_view name);

// The kind of file system whose first sector is `sector` (NTFS, exFAT or FAT
// by their boot-sector signatures).
std::optional<VolumeKind> volumeKindOfBootSector(std::string_view sector);

} // namespace renamer
