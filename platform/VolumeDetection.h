#pragma once

#include "VolumeProfile.h"

#include <optional>
#include <string>
#include <string_view>

namespace renamer {

// The profile of the volume that holds the open directory `directory`, worked
// out from scratch. Its kind: the kernel's file-system type (fstatfs)
// decides, except for FUSE, where the mount's type in /proc/self/mountinfo
// names the driver ("fuse.fusefat"); exfat-fuse and ntfs-3g name none, so
// there the udev record of the device or the boot sector of the device or
// image file tells. Anything not recognised counts as Posix, the rules that
// hold on every volume. The length limit is _PC_NAME_MAX, which FUSE drivers
// of Windows volumes report in UTF-16 units.
VolumeProfile detectVolume(int directory);

// The kind a driver or file-system name stands for ("ntfs-3g", "exfat",
// "vfat", "cifs", ...); nothing for a name of no Windows volume.
std::optional<VolumeKind> volumeKindOfName(std::string_view name);

// The kind of file system whose first sector is `sector` (NTFS, exFAT or FAT
// by their boot-sector signatures).
std::optional<VolumeKind> volumeKindOfBootSector(std::string_view sector);

} // namespace renamer
