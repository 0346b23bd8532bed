#include "VolumeDetection.h"

#include "DirectoryProbes.h"
#include "MountInfo.h"

#include <array>
#include <fstream>
#include <utility>

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

namespace renamer {
namespace {

// Not in <linux/magic.h>: the classic NTFS driver's and ntfs3's.
constexpr long kNtfsMagic = 0x5346544e;
constexpr long kNtfs3Magic = 0x7366746e;

std::optional<VolumeKind> volumeKindOfMagic(long magic)
{
    switch (magic) {
    case MSDOS_SUPER_MAGIC:
        return VolumeKind::Fat;
    case EXFAT_SUPER_MAGIC:
        return VolumeKind::Exfat;
    case kNtfsMagic:
    case kNtfs3Magic:
        return VolumeKind::Ntfs;
    case SMB_SUPER_MAGIC:
    case static_cast<long>(CIFS_SUPER_MAGIC):
    case static_cast<long>(SMB2_SUPER_MAGIC):
        return VolumeKind::Smb;
    default:
        return std::nullopt;
    }
}

// The first sector of the device or image file a FUSE driver was started
// on. Only block devices and regular files are opened: a source may be any
// text the driver chose, and opening a FIFO would block.
std::optional<std::string> firstSectorOf(const std::string& source)
{
    if (!source.starts_with('/'))
        return std::nullopt;
    const int descriptor = open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (descriptor < 0)
        return std::nullopt;
    struct stat status {};
    std::optional<std::string> sector;
    if (fstat(descriptor, &status) == 0 && (S_ISBLK(status.st_mode) || S_ISREG(status.st_mode))) {
        std::string bytes(512, '\0');
        if (pread(descriptor, bytes.data(), bytes.size(), 0) == static_cast<ssize_t>(bytes.size()))
            sector = std::move(bytes);
    }
    close(descriptor);
    return sector;
}

// The file-system type udev found on the block device major:minor, which a
// desktop user may read where the device itself is closed to them.
std::optional<std::string> udevFileSystemType(unsigned major, unsigned minor)
{
    std::ifstream record("/run/udev/data/b" + std::to_string(major) + ":" + std::to_string(minor));
    constexpr std::string_view kKey = "E:ID_FS_TYPE=";
    for (std::string line; std::getline(record, line);)
        if (line.starts_with(kKey))
            return line.substr(kKey.size());
    return std::nullopt;
}

// The kind and driver of a FUSE volume.
void detectFuseVolume(int directory, VolumeProfile& volume)
{
    volume.userSpaceDriver = true;
    const auto mount = mountOf(directory);
    if (!mount)
        return;
    const std::string_view type = mount->fileSystemType;
    const std::size_t dot = type.find('.');
    if (dot != std::string_view::npos) {
        const std::string_view driver = type.substr(dot + 1);
        volume.volumeKind = volumeKindOfName(driver).value_or(VolumeKind::Posix);
        if (driver == "fusefat")
            volume.driver = VolumeDriver::Fusefat;
        return;
    }
    // No driver named: what the volume holds tells.
    if (type == "fuseblk") {
        if (const auto udevType = udevFileSystemType(mount->deviceMajor, mount->deviceMinor)) {
            if (const auto kind = volumeKindOfName(*udevType)) {
                volume.volumeKind = *kind;
                return;
            }
        }
    }
    if (const auto sector = firstSectorOf(mount->source))
        volume.volumeKind = volumeKindOfBootSector(*sector).value_or(VolumeKind::Posix);
}

// The kernel's file systems that know RENAME_EXCHANGE. FUSE passes it on to
// drivers that know it too, which none of the desktop's Windows-volume or
// network drivers do; a volume that turns out not to know it is answered
// with EINVAL and changes nothing.
bool exchangesNames(long magic)
{
    switch (magic) {
    case EXT4_SUPER_MAGIC: // also ext2 and ext3 mounted by the ext4 driver
    case XFS_SUPER_MAGIC:
    case BTRFS_SUPER_MAGIC:
    case TMPFS_MAGIC:
    case F2FS_SUPER_MAGIC:
        return true;
    default:
        return false;
    }
}

// tmpfs counts its inode numbers up and btrfs its object ids, so neither
// gives a number out twice while mounted; the other kernel file systems
// give a freed number to the next new file (ext4 at once), where the birth
// time, if the volume keeps one, tells the two apart. FUSE drivers report
// no birth time, and ntfs-3g's numbers are its file records'. Without
// lasting numbers, the size and times are all there is.
FileFingerprint fingerprintOn(long magic, bool stableInodes)
{
    if (!stableInodes)
        return FileFingerprint::SizeAndTimes;
    if (magic == TMPFS_MAGIC || magic == BTRFS_SUPER_MAGIC || magic == FUSE_SUPER_MAGIC)
        return FileFingerprint::None;
    return FileFingerprint::BirthTime;
}

} // namespace

std::optional<VolumeKind> volumeKindOfName(std::string_view name)
{
    constexpr std::array<std::pair<std::string_view, VolumeKind>, 11> kNames = {{
        {"ntfs", VolumeKind::Ntfs},
        {"ntfs3", VolumeKind::Ntfs},
        {"ntfs-3g", VolumeKind::Ntfs},
        {"lowntfs-3g", VolumeKind::Ntfs},
        {"exfat", VolumeKind::Exfat},
        {"exfat-fuse", VolumeKind::Exfat},
        {"vfat", VolumeKind::Fat},
        {"msdos", VolumeKind::Fat},
        {"fusefat", VolumeKind::Fat},
        {"cifs", VolumeKind::Smb},
        {"smb3", VolumeKind::Smb},
    }};
    for (const auto& [known, kind] : kNames)
        if (name == known)
            return kind;
    return std::nullopt;
}

std::optional<VolumeKind> volumeKindOfBootSector(std::string_view sector)
{
    if (sector.size() < 512)
        return std::nullopt;
    if (sector.substr(3, 8) == "NTFS    ")
        return VolumeKind::Ntfs;
    if (sector.substr(3, 8) == "EXFAT   ")
        return VolumeKind::Exfat;
    // FAT12/16 and FAT32 keep their type label at different offsets.
    if (sector.substr(54, 5) == "FAT12" || sector.substr(54, 5) == "FAT16" || sector.substr(82, 5) == "FAT32")
        return VolumeKind::Fat;
    return std::nullopt;
}

VolumeProfile detectVolume(int directory)
{
    VolumeProfile volume;
    struct statfs status {};
    if (fstatfs(directory, &status) != 0)
        return volume;
    const long magic = static_cast<long>(status.f_type);
    if (magic == FUSE_SUPER_MAGIC)
        detectFuseVolume(directory, volume);
    else
        volume.volumeKind = volumeKindOfMagic(magic).value_or(VolumeKind::Posix);

    // The kernel's file systems keep their inode numbers; a FUSE driver only
    // where it has numbers of its own.
    volume.stableInodes = !volume.userSpaceDriver || fuseKeepsInodeNumbers(directory);
    volume.fingerprint = fingerprintOn(magic, volume.stableInodes);
    volume.mayStoreOtherName = volume.userSpaceDriver || volume.volumeKind != VolumeKind::Posix;
    volume.canExchange = exchangesNames(magic);
    if (volume.volumeKind == VolumeKind::Fat || volume.volumeKind == VolumeKind::Exfat)
        volume.caseRule = CaseRule::Ignored;
    const long longest = fpathconf(directory, _PC_NAME_MAX);
    if (longest > 0)
        volume.longestName = static_cast<std::size_t>(longest);
    return volume;
}

} // namespace renamer
