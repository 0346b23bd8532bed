// What a folder on a real volume says about its names, on file systems
// mounted for the test where the machine allows it.
#include "MountedVolume.h"
#include "PosixFileSystem.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>

using namespace renamer;
using renamer::test_support::MountedVolume;
using renamer::test_support::VolumeType;
using renamer::test_support::writeFile;

namespace {

// What each volume must be recognised as.
struct VolumeExpectation {
    VolumeType type;
    VolumeKind kind;
    bool userSpaceDriver;
    bool caseInsensitive;
    bool mayStoreOtherName; // a rename there is looked up again under its new name
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

    FolderListing namesOf(const std::string& path)
    {
        auto listed = fileSystem.readFolder(path);
        EXPECT_TRUE(listed.has_value()) << path << ": " << listed.error().description;
        return listed ? *std::move(listed) : FolderListing{};
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

    const FolderListing names = namesOf(root);
    EXPECT_EQ(names.volumeKind, expected.kind);
    EXPECT_EQ(names.userSpaceDriver, expected.userSpaceDriver);
    EXPECT_EQ(names.mayStoreOtherName, expected.mayStoreOtherName);
    // Every kernel file system mounted here exchanges two names in one step;
    // no FUSE driver here does.
    EXPECT_EQ(names.canExchange, !expected.userSpaceDriver);
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
    const FolderListing names = [&] {
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
                             VolumeExpectation{VolumeType::Ext4, VolumeKind::Posix, false, false, false},
                             VolumeExpectation{VolumeType::Xfs, VolumeKind::Posix, false, false, false},
                             VolumeExpectation{VolumeType::Btrfs, VolumeKind::Posix, false, false, false},
                             VolumeExpectation{VolumeType::Tmpfs, VolumeKind::Posix, false, false, false},
                             VolumeExpectation{VolumeType::Exfat, VolumeKind::Exfat, true, true, true},
                             VolumeExpectation{VolumeType::Fat, VolumeKind::Fat, true, true, true},
                             VolumeExpectation{VolumeType::Ntfs, VolumeKind::Ntfs, true, false, true},
                             VolumeExpectation{VolumeType::NtfsWindowsNames, VolumeKind::Ntfs, true, false, true},
                             VolumeExpectation{VolumeType::Sshfs, VolumeKind::Posix, true, false, true},
                             VolumeExpectation{VolumeType::SshfsWithoutHardLinks, VolumeKind::Posix, true, false, true}),
                         [](const auto& info) { return std::string(test_support::nameOf(info.param.type)); });

} // namespace

namespace {

// Undoes what a test set up on the system, also when it fails.
class Undo {
public:
    explicit Undo(std::function<void()> action)
        : action_(std::move(action))
    {
    }
    ~Undo() { action_(); }
    Undo(const Undo&) = delete;
    Undo& operator=(const Undo&) = delete;

private:
    std::function<void()> action_;
};

} // namespace

// A device number outlives its mount: a volume made anew on the same device
// is what it is now, not what the device held before.
TEST(VolumeProfiles, AVolumeMadeAnewOnTheSameDeviceIsSeenAnew)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "mounting needs root";
    for (const char* program : {"losetup", "mkfs.ext4", "mkfs.exfat", "mount.exfat-fuse"})
        if (!test_support::findProgram(program))
            GTEST_SKIP() << program << " is not installed";
    test_support::TemporaryDirectory temp;
    const auto run = [&](const std::vector<std::string>& command) {
        const auto outcome = test_support::runCommand(command, temp.path());
        EXPECT_EQ(outcome.status, 0) << command[0] << ": " << outcome.output;
        return outcome;
    };
    const std::string image = temp.path() + "/volume.img";
    const std::string mountPoint = temp.path() + "/volume";
    std::filesystem::create_directory(mountPoint);
    std::ofstream(image).close();
    std::filesystem::resize_file(image, 32 << 20);
    const std::string device = run({"losetup", "--find", "--show", image}).output;
    ASSERT_FALSE(device.empty());
    const Undo detach([&] { test_support::runCommand({"losetup", "--detach", device}, temp.path()); });
    const auto unmount = [&] { test_support::runCommand({"umount", mountPoint}, temp.path()); };

    PosixFileSystem fileSystem;
    run({"mkfs.ext4", "-q", "-F", device});
    run({"mount", device, mountPoint});
    {
        const Undo unmounted(unmount);
        EXPECT_EQ(fileSystem.readFolder(mountPoint)->volumeKind, VolumeKind::Posix);
    }
    run({"mkfs.exfat", device});
    run({"mount.exfat-fuse", device, mountPoint});
    const Undo unmounted(unmount);
    const auto listed = fileSystem.readFolder(mountPoint);
    ASSERT_TRUE(listed.has_value());
    EXPECT_EQ(listed->volumeKind, VolumeKind::Exfat);
    EXPECT_TRUE(listed->userSpaceDriver);
}
