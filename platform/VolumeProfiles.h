#pragma once

#include "FileDescriptor.h"
#include "VolumeProfile.h"

#include <cstdint>
#include <unordered_map>

namespace renamer {

// The profile of every volume met, worked out once per mount (detectVolume)
// and kept by device. A device number outlives its mount: another volume
// mounted later may get it (a USB stick in the same slot, the next FUSE
// mount). So every profile is forgotten whenever the mount table changes,
// which the kernel signals on an open /proc/self/mountinfo.
class VolumeProfiles {
public:
    // The profile of the volume that holds the open directory `directory`,
    // whose st_dev is `device`.
    VolumeProfile of(int directory, std::uint64_t device);

private:
    void forgetIfMountsChanged();

    std::unordered_map<std::uint64_t, VolumeProfile> profiles_;
    FileDescriptor mountTable_; // watched for changes; none where it cannot be opened, and then nothing is kept
};

} // namespace renamer
