// What the platform layer finds out about a folder's volume from the mount
// table and a volume's first sector.
#include "MountInfo.h"
#include "TemporaryDirectory.h"
#include "VolumeDetection.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

using namespace renamer;

namespace {

TEST(MountInfo, LinesGiveIdDeviceTypeAndSourceWithEscapesUndone)
{
    const struct {
        const char* behaviour;
        std::string line;
        std::optional<MountEntry> entry;
    } rows[] = {
        {"a kernel mount", "26 1 254:0 / / rw,relatime - ext4 /dev/vda rw,discard",
         MountEntry{26, 254, 0, "/", "ext4", "/dev/vda"}},
        {"a FUSE mount names its driver in the type, after optional fields",
         "49 26 0:41 / /mnt/ssh rw,nosuid shared:7 master:2 - fuse.sshfs root@127.0.0.1:/srv rw,user_id=0",
         MountEntry{49, 0, 41, "/mnt/ssh", "fuse.sshfs", "root@127.0.0.1:/srv"}},
        {"spaces, tabs and backslashes come escaped",
         "47 26 7:1 / /media/My\\040Disk\\011x rw - fuseblk /tmp/a\\134b.img rw",
         MountEntry{47, 7, 1, "/media/My Disk\tx", "fuseblk", "/tmp/a\\b.img"}},
        {"a line cut short is no mount", "47 26 7:1 / /media/x rw -", std::nullopt},
        {"a line without the separator is no mount", "47 26 7:1 / /media/x rw fuseblk /dev/loop1 rw", std::nullopt},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.behaviour);
        const auto entry = parseMountInfoLine(row.line);
        ASSERT_EQ(entry.has_value(), row.entry.has_value());
        if (!entry)
            continue;
        EXPECT_EQ(entry->id, row.entry->id);
        EXPECT_EQ(entry->deviceMajor, row.entry->deviceMajor);
        EXPECT_EQ(entry->deviceMinor, row.entry->deviceMinor);
        EXPECT_EQ(entry->mountPoint, row.entry->mountPoint);
        EXPECT_EQ(entry->fileSystemType, row.entry->fileSystemType);
        EXPECT_EQ(entry->source, row.entry->source);
    }
}

TEST(VolumeDetection, TheFolderOfThisTestIsAnOrdinaryVolume)
{
    test_support::TemporaryDirectory temp;
    const int directory = open(temp.path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(directory, 0);
    const VolumeProfile volume = detectVolume(directory);
    const auto mount = mountOf(directory);
    close(directory);
    ASSERT_TRUE(mount.has_value());
    if (mount->fileSystemType.starts_with("fuse"))
        GTEST_SKIP() << "the temporary folder is itself on FUSE (" << mount->fileSystemType << ")";
    EXPECT_EQ(volume.volumeKind, VolumeKind::Posix) << mount->fileSystemType;
    EXPECT_FALSE(volume.userSpaceDriver);
    EXPECT_TRUE(volume.stableInodes);
}

TEST(BootSector, SignaturesTellNtfsExfatAndFat)
{
    const auto sectorWith = [](std::size_t offset, std::string_view label) {
        std::string sector(512, '\0');
        sector.replace(offset, label.size(), label);
        return sector;
    };
    const struct {
        const char* behaviour;
        std::string sector;
        std::optional<VolumeKind> kind;
    } rows[] = {
        {"NTFS names itself after the jump", sectorWith(3, "NTFS    "), VolumeKind::Ntfs},
        {"exFAT names itself after the jump", sectorWith(3, "EXFAT   "), VolumeKind::Exfat},
        {"FAT16 keeps its label at 54", sectorWith(54, "FAT16   "), VolumeKind::Fat},
        {"FAT32 keeps its label at 82", sectorWith(82, "FAT32   "), VolumeKind::Fat},
        {"a FAT32 label at 54 means nothing", sectorWith(54, "FAT32   "), std::nullopt},
        {"an ext4 image has none", std::string(512, '\0'), std::nullopt},
        {"a short read has none", std::string("\xeb\x52\x90NTFS    "), std::nullopt},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.behaviour);
        EXPECT_EQ(volumeKindOfBootSector(row.sector), row.kind);
    }
}

} // namespace
