#pragma once

#include <cstdint>

namespace renamer {

// How the file system tells entries apart: the device and the inode number.
// An inode number of 0 is unknown: made without asking the disk, or on a
// volume whose numbers a later look-up would not repeat. A check against an
// unknown identity passes, so there the checks fall back to the names alone.
// The fingerprint tells a file from a later one under the same name where
// the inode number cannot: a hash of its birth time where the volume gives
// new files numbers freed before, of its size and times where it gives no
// lasting numbers at all; 0 is unknown (and folders have none).
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint32_t fingerprint = 0;

    bool known() const { return inode != 0; }
    bool operator==(const FileIdentity&) const = default;
};

// Whether two inode numbers, of entries found in one folder, may be one file:
// equal, or either unknown. Within one folder the number alone tells files
// apart; devices are compared where folders are.
inline bool maybeSameInode(std::uint64_t a, std::uint64_t b)
{
    return a == 0 || b == 0 || a == b;
}

// Whether two fingerprints may be of one file: equal, or either unknown.
inline bool maybeSameFingerprint(std::uint32_t a, std::uint32_t b)
{
    return a == 0 || b == 0 || a == b;
}

// Whether two folder identities may be one folder: equal, or either unknown.
inline bool maybeSameFolder(const FileIdentity& a, const FileIdentity& b)
{
    return !a.known() || !b.known() || a == b;
}

} // namespace renamer
