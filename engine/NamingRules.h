#pragma once

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

// Why a volume refuses a name, or Windows could not open it there.
enum class NameRefusalKind : std::uint8_t {
    Empty,
    DotName,            // "." or ".."
    ForbiddenCharacter, // `character` says which: "/" and NUL anywhere, < > : " \ | ? * on Windows volumes
    ControlCharacter,   // U+0001 to U+001F, on Windows volumes; `character` says which
    NotUtf8,            // a volume that stores UTF-16 cannot hold bytes that do not decode
    DeviceName,         // CON, PRN, AUX, NUL, COM1-COM9, LPT1-LPT9, in any case, with or without an extension
    TrailingDotOrSpace, // Windows drops a trailing "." or " ", so the name could not be opened again
    TooLong,            // longer than the folder allows, counted in its volume's unit
};

struct NameRefusal {
    NameRefusalKind kind;
    char32_t character = 0;

    bool operator==(const NameRefusal&) const = default;
};

// The first reason, reading the name from the left, why `name` is not a name
// a file can have in a folder on a volume of `kind` that holds names of at
// most `longestName` units; nothing when it can have it. Windows rules are
// applied on Windows volumes even where the driver would store the name (as
// ntfs-3g without windows_names does), since such a file is lost to Windows.
std::optional<NameRefusal> refusalOf(std::string_view name, VolumeKind kind, std::size_t longestName);

// A short Simplified Chinese phrase for the reason, naming the character
// where there is one: "不能含有“:”".
std::string describeNameRefusal(const NameRefusal& refusal);

} // namespace renamer
