#pragma once

#include "NameRefusal.h"
// describeNameRefusal, the words for a refusal
#include "UserTexts.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace renamer {

// The family of file system a folder lies on, as far as its names go.
enum class VolumeKind : std::uint8_t {
    Posix, // ext4, xfs, btrfs, tmpfs, sshfs, ...: any bytes but "/" and NUL
    Ntfs,  // names in UTF-16; Windows cannot open some names it stores
    Exfat, // names in UTF-16, Windows rules
    Fat,   // FAT long names, in UTF-16, Windows rules
    Smb,   // a Windows share: Windows rules, length counted by the client in bytes
};

// What a name's length is counted in where the limit is checked.
enum class LengthUnit : std::uint8_t {
    Bytes,       // the UTF-8 bytes the system call sees
    Utf16Units,  // the UTF-16 code units the volume stores (a character beyond U+FFFF counts two)
};

LengthUnit lengthUnitOf(VolumeKind kind);

// Whether names on such a volume must also be names Windows can open.
bool followsWindowsRules(VolumeKind kind);

// `name`'s length in `unit`. In UTF-16 units a byte that does not decode
// counts one, like the character a volume would have to stand in for it.
std::size_t nameLength(std::string_view name, LengthUnit unit);

// The first reason, reading the name from the left, why `name` is not a name
// a file can have in a folder on a volume of `kind` that holds names of at
// most `longestName` units; nothing when it can have it. Windows rules are
// applied on Windows volumes even where the driver would store the name (as
// ntfs-3g without windows_names does), since such a file is lost to Windows.
std::optional<NameRefusal> refusalOf(std::string_view name, VolumeKind kind, std::size_t longestName);

} // namespace renamer
