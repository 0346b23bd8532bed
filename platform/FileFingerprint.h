#pragma once

#include "VolumeProfile.h"

#include <cstdint>

#include <sys/stat.h>

namespace renamer {

// The statx fields the fingerprint of a file on `volume` is made of; 0
// where the volume needs none.
unsigned fingerprintFields(const VolumeProfile& volume);

// The fingerprint (FileIdentity) of the file `status` describes, as
// `volume` tells files apart: a hash of the fields fingerprintFields asks
// for, those the volume gave. 0 (unknown) where it gave none of them.
std::uint32_t fingerprintOf(const VolumeProfile& volume, const struct statx& status);

} // namespace renamer
