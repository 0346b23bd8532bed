// What the platform layer finds out about a folder's volume, checked on real
// file systems mounted for the test where the machine allows it.
#include "MountInfo.h"
#include "MountedVolume.h"
#include "PosixFileSystem.h"
#include "VolumeDetection.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

using namespace renamer;
using renamer::test_support::MountedVolume;
using renamer::test_support::VolumeType;
using renamer::test_support::writeFile;

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
    const Volume volume = detectVolume(directory);
    const auto mount = mountOf(directory);
    close(directory);
    ASSERT_TRUE(mount.has_value());
    if (mount->fileSystemType.starts_with("fuse"))
        GTEST_SKIP() << "the temporary folder is itself on FUSE (" << mount->fileSystemType << ")";
    EXPECT_EQ(volume.kind, VolumeKind::Posix) << mount->fileSystemType;
    EXPECT_FALSE(volume.userSpaceDriver);
}

// What each volume must be recognised as.
struct VolumeExpectation {
    VolumeType type;
    VolumeKind kind;
    bool userSpaceDriver;
    bool caseInsensitive;
};

void PrintTo(const VolumeExpectation& expectation, std::ostream* out)
{
    *out << test_support::nameOf(expectation.type);
}

class RealVolume : public ::testing::TestWithParam<VolumeExpectation> {
protected:
    void SetUp() override
    {
        if (!volume.mounted())
            GTEST_SKIP() << "cannot mount " << test_support::nameOf(GetParam().type) << ": " << volume.whyNot();
    }

    DirectoryNames namesOf(const std::string& path)
    {
        auto names = fileSystem.readDirectoryNames(path);
        EXPECT_TRUE(names.has_value()) << path << ": " << names.error().description;
        return names ? *std::move(names) : DirectoryNames{};
    }

    MountedVolume volume{GetParam().type};
    PosixFileSystem fileSystem;
};

TEST_P(RealVolume, DirectoryNamesTellTheKindTheCaseRuleAndTheAccess)
{
    const VolumeExpectation& expected = GetParam();
    const std::string root = volume.path();
    writeFile(root + "/Probe.txt", "x");
    std::filesystem::create_directory(root + "/empty");
    std::filesystem::create_directory(root + "/digits");
    writeFile(root + "/digits/0001", "x");

    const DirectoryNames names = namesOf(root);
    EXPECT_EQ(names.volumeKind, expected.kind);
    EXPECT_EQ(names.userSpaceDriver, expected.userSpaceDriver);
    EXPECT_EQ(names.caseInsensitive, expected.caseInsensitive) << "found by looking Probe.txt up as pROBE.TXT";
    EXPECT_EQ(names.access, FolderAccess::Writable);
    EXPECT_EQ(names.longestName, 255u);
    // Without a name to try, the kind decides.
    EXPECT_EQ(namesOf(root + "/empty").caseInsensitive, expected.caseInsensitive);
    EXPECT_EQ(namesOf(root + "/digits").caseInsensitive, expected.caseInsensitive);

    ASSERT_EQ(volume.makeReadOnly(), "");
    EXPECT_EQ(namesOf(root).access, FolderAccess::ReadOnlyVolume);
}

std::string repeated(std::string_view unit, std::size_t count)
{
    std::string text;
    for (std::size_t i = 0; i < count; ++i)
        text += unit;
    return text;
}

bool isPrintableAscii(std::string_view name)
{
    return std::all_of(name.begin(), name.end(), [](char c) { return c >= 0x20 && c < 0x7f; });
}

// A cue may warn where a volume would take a name, but must never miss a
// name the volume refuses; and the length limit, counted in the volume's
// unit, must be the volume's own.
TEST_P(RealVolume, TheRulesRefuseEveryNameTheVolumeRefuses)
{
    const std::string cjk = "\xe5\x90\x8d";
    const std::string emoji = "\xf0\x9f\x98\x80";
    const struct {
        std::string name;
        bool atTheLengthLimit; // the volume and the rules must agree both ways
    } rows[] = {
        {"x<.txt", false}, {"x>.txt", false}, {"x:.txt", false}, {"x\".txt", false}, {"x\\.txt", false},
        {"x|.txt", false}, {"x?.txt", false}, {"x*.txt", false}, {"x\x01.txt", false}, {"x\x1f.txt", false},
        {"x\x7f.txt", false}, {"x.txt.", false}, {"x.txt ", false}, {"...", false}, {" x.txt", false},
        {"CON", false}, {"con.txt", false}, {"NUL", false}, {"COM1", false}, {"LPT9", false}, {"COM0", false},
        {"CON .txt", false}, {"\xff\xfe.bin", false}, {"\xc3\xa9.txt", false}, {"e\xcc\x81.txt", false},
        {std::string(255, 'n'), true}, {std::string(256, 'n'), true},
        {repeated(cjk, 85), true}, {repeated(cjk, 86), true},
        {repeated(cjk, 255), true}, {repeated(cjk, 256), true},
        {repeated(emoji, 63), true}, {repeated(emoji, 64), true},
        {repeated(emoji, 127), true}, {repeated(emoji, 128), true},
    };
    const std::string folder = volume.path() + "/names";
    const DirectoryNames names = [&] {
        std::filesystem::create_directory(folder);
        return namesOf(folder);
    }();
    for (const auto& row : rows) {
        // fusefat takes printable ASCII only in long names and refuses any
        // other character (EPERM: DEL, "é", "名"), which FAT itself does not;
        // desktops mount FAT through the kernel's vfat.
        if (GetParam().type == VolumeType::Fat && !isPrintableAscii(row.name))
            continue;
        SCOPED_TRACE(row.name.size() > 40 ? std::to_string(row.name.size()) + " bytes" : row.name);
        writeFile(folder + "/source", "x");
        const bool refused = rename((folder + "/source").c_str(), (folder + "/" + row.name).c_str()) != 0;
        const int error = errno;
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            std::filesystem::remove(entry.path());

        const auto refusal = refusalOf(row.name, names.volumeKind, names.longestName);
        if (refused) {
            EXPECT_TRUE(refusal.has_value()) << "the volume refused it: " << strerrorname_np(error);
        } else if (row.atTheLengthLimit) {
            EXPECT_FALSE(refusal.has_value()) << "the volume took it";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Volumes, RealVolume,
                         ::testing::Values(
                             VolumeExpectation{VolumeType::Ext4, VolumeKind::Posix, false, false},
                             VolumeExpectation{VolumeType::Xfs, VolumeKind::Posix, false, false},
                             VolumeExpectation{VolumeType::Btrfs, VolumeKind::Posix, false, false},
                             VolumeExpectation{VolumeType::Exfat, VolumeKind::Exfat, true, true},
                             VolumeExpectation{VolumeType::Fat, VolumeKind::Fat, true, true},
                             VolumeExpectation{VolumeType::Ntfs, VolumeKind::Ntfs, true, false},
                             VolumeExpectation{VolumeType::NtfsWindowsNames, VolumeKind::Ntfs, true, false},
                             VolumeExpectation{VolumeType::Sshfs, VolumeKind::Posix, true, false},
                             VolumeExpectation{VolumeType::SshfsWithoutHardLinks, VolumeKind::Posix, true, false}),
                         [](const auto& info) { return std::string(test_support::nameOf(info.param.type)); });

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
