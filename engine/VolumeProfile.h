#pragma once

#include "NamingRules.h"

#include <cstddef>
#include <cstdint>

namespace renamer {

// A volume's driver, where it needs handling of its own.
enum class VolumeDriver : std::uint8_t {
    Other,
    // fusefat: loses a file whose rename it refuses (the old entry is gone,
    // the new one never made), so such a name must never reach it.
    Fusefat,
};

// How a volume compares names that differ in letter case only.
enum class CaseRule : std::uint8_t {
    FolderDecides, // each folder may tell them apart or not (ext4 and NTFS fold case per folder)
    Ignored,       // never told apart (FAT, exFAT)
};

// What tells a file from a later one made under its name, besides its inode
// number (FileIdentity::fingerprint).
enum class FileFingerprint : std::uint8_t {
    None,         // the inode number alone: the volume never hands out a freed one while mounted
    BirthTime,    // the birth time: a freed inode number is given to the next new file (ext4, xfs)
    SizeAndTimes, // size, modification and birth time: there are no lasting inode numbers
};

// What a volume is and does, as far as renaming goes: found once per mount
// and the same for every folder on it. A fact about a volume that changes
// what a rename may do or rely on belongs here.
struct VolumeProfile {
    VolumeKind volumeKind = VolumeKind::Posix; // whose naming rules hold (refusalOf)
    VolumeDriver driver = VolumeDriver::Other;
    // Served by a user-space (FUSE) driver, which may lack hard links and
    // RENAME_NOREPLACE.
    bool userSpaceDriver = false;
    // A file keeps its inode number from one look-up to the next. Drivers
    // that make numbers up per look-up do not: there identities are unknown.
    bool stableInodes = true;
    FileFingerprint fingerprint = FileFingerprint::None;
    // A rename may store another name than the one asked for (a user-space
    // driver or a Windows volume may alter what it is given).
    bool mayStoreOtherName = false;
    // Two names in a folder can trade their files in one atomic step
    // (renameat2 with RENAME_EXCHANGE: ext4, xfs, btrfs, tmpfs, f2fs), so
    // that files whose names go round need no third name.
    bool canExchange = false;
    CaseRule caseRule = CaseRule::FolderDecides;
    std::size_t longestName = 255; // in lengthUnit()

    LengthUnit lengthUnit() const { return lengthUnitOf(volumeKind); }
    bool operator==(const VolumeProfile&) const = default;
};

// An inode number found on the volume, as far as it may be trusted: 0
// (unknown) where the volume makes numbers up.
inline std::uint64_t trustedInode(const VolumeProfile& volume, std::uint64_t inode)
{
    return volume.stableInodes ? inode : 0;
}

} // namespace renamer
