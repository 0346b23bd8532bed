#include "VolumeProfiles.h"

#include "VolumeDetection.h"

#include <fcntl.h>
#include <poll.h>

namespace renamer {

void VolumeProfiles::forgetIfMountsChanged()
{
    if (!mountTable_)
        mountTable_ = FileDescriptor(open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC));
    if (!mountTable_) {
        profiles_.clear();
        return;
    }
    // Each change since the last poll of this descriptor is reported once,
    // as POLLPRI and POLLERR.
    pollfd table{mountTable_.get(), POLLPRI, 0};
    if (poll(&table, 1, 0) > 0 && (table.revents & (POLLPRI | POLLERR)) != 0)
        profiles_.clear();
}

VolumeProfile VolumeProfiles::of(int directory, std::uint64_t device)
{
    forgetIfMountsChanged();
    const auto [found, added] = profiles_.try_emplace(device);
    if (added)
        found->second = detectVolume(directory);
    return found->second;
}

} // namespace renamer
