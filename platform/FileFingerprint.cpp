#include "FileFingerprint.h"

namespace renamer {
namespace {

// One step of a 64-bit hash: the value mixed in, then scrambled
// (splitmix64's finaliser), so that nearby times give unrelated hashes.
std::uint64_t mixIn(std::uint64_t hash, std::uint64_t value)
{
    hash ^= value + 0x9E3779B97F4A7C15u;
    hash = (hash ^ (hash >> 30)) * 0xBF58476D1CE4E5B9u;
    hash = (hash ^ (hash >> 27)) * 0x94D049BB133111EBu;
    return hash ^ (hash >> 31);
}

std::uint64_t mixIn(std::uint64_t hash, const struct statx_timestamp& time)
{
    return mixIn(mixIn(hash, static_cast<std::uint64_t>(time.tv_sec)), time.tv_nsec);
}

} // namespace

unsigned fingerprintFields(const VolumeProfile& volume)
{
    switch (volume.fingerprint) {
    case FileFingerprint::None:
        return 0;
    case FileFingerprint::BirthTime:
        return STATX_BTIME;
    case FileFingerprint::SizeAndTimes:
        return STATX_SIZE | STATX_MTIME | STATX_BTIME;
    }
    return 0;
}

std::uint32_t fingerprintOf(const VolumeProfile& volume, const struct statx& status)
{
    const unsigned given = status.stx_mask & fingerprintFields(volume);
    if (given == 0)
        return 0;
    std::uint64_t hash = given;
    if ((given & STATX_SIZE) != 0)
        hash = mixIn(hash, status.stx_size);
    if ((given & STATX_MTIME) != 0)
        hash = mixIn(hash, status.stx_mtime);
    if ((given & STATX_BTIME) != 0)
        hash = mixIn(hash, status.stx_btime);
    const auto folded = static_cast<std::uint32_t>(hash ^ (hash >> 32));
    return folded == 0 ? 1 : folded; // 0 means unknown
}

} // namespace renamer
