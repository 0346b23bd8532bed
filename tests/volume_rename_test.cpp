// Renaming on real volumes, mounted for each test where the machine allows
// it: what the cues say before the batch, what the batch does on disk, and
// what a failure says, on every kind of volume a desktop user meets.
#include "ApplyNames.h"
#include "DroppedItems.h"
#include "HostileLists.h"
#include "MountedVolume.h"
#include "PlanBatches.h"
#include "PosixFileSystem.h"
#include "CueTexts.h"
#include "RenameCues.h"
#include "TemporaryName.h"

#include <sys/inotify.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <thread>

using namespace renamer;
using renamer::test_support::MountedVolume;
using renamer::test_support::VolumeRules;
using renamer::test_support::VolumeType;

namespace {

using Disk = std::map<std::string, std::string>; // name -> content

struct VolumeCase {
    VolumeType type;
    VolumeRules rules;
    bool windowsRules; // the cues hold names to the rules of Windows volumes
    bool utf16Lengths; // the length limit counts UTF-16 units
};

void PrintTo(const VolumeCase& volumeCase, std::ostream* out)
{
    *out << test_support::nameOf(volumeCase.type);
}

std::string repeated(std::string_view unit, std::size_t count)
{
    std::string text;
    for (std::size_t i = 0; i < count; ++i)
        text += unit;
    return text;
}

// What stopped a batch, if anything did.
std::optional<FailureKind> kindOf(const ApplyOutcome& outcome)
{
    return outcome.failure ? std::optional(outcome.failure->kind) : std::nullopt;
}

// What a batch of rows did: the cues and their texts as a drop shows them,
// the outcome, the rows afterwards, the folder afterwards.
struct BatchResult {
    std::vector<RowCueKind> cues;
    std::vector<std::string> cueTexts;
    ApplyOutcome outcome;
    std::vector<std::string> fileNames;
    Disk disk;
};

class VolumeRename : public ::testing::TestWithParam<VolumeCase> {
protected:
    void SetUp() override
    {
        if (!volume.mounted())
            GTEST_SKIP() << "cannot mount " << test_support::nameOf(GetParam().type) << ": " << volume.whyNot();
    }

    // A fresh folder on the volume holding `files`, each holding its own name.
    std::string folderWith(const std::vector<std::string>& files)
    {
        const std::string folder = volume.path() + "/" + std::to_string(++folders_);
        std::filesystem::create_directory(folder);
        for (const std::string& name : files)
            test_support::writeFile(folder + "/" + name, name);
        return folder;
    }

    // Rows proposing the renames, their cues as a drop computes them, then
    // the batch.
    // `dropped`, where given, is the folder the files are dropped from.
    BatchResult run(const std::string& folder, const std::vector<std::pair<std::string, std::string>>& renames,
                    const std::string& dropped = {})
    {
        FileList list;
        for (const auto& [oldName, newName] : renames) {
            EXPECT_TRUE(AddFile(list, fileSystem, (dropped.empty() ? folder : dropped) + "/" + oldName)) << oldName;
            list.setCell(list.rowCount(), ColumnKey::NewName, newName);
        }
        DirectorySnapshot snapshot;
        snapshot.readDirectoriesOf(list, fileSystem, RowRange{1, list.rowCount()});
        std::vector<RowCue> cues;
        RowCueComputer().compute(list, snapshot, cues);
        BatchResult result;
        if (list.rowCount() > 0) {
            EXPECT_EQ(list.cell(1, ColumnKey::Path), folder) << "the row's folder";
        }
        const DirectoryNames* directory = snapshot.find(folder);
        EXPECT_NE(directory, nullptr);
        for (std::size_t row = 1; row <= list.rowCount(); ++row) {
            const RowCue& cue = cues[row - 1];
            result.cues.push_back(cue.kind);
            std::optional<NameRefusal> refusal;
            if (directory != nullptr)
                refusal = refusalOf(list.cell(row, ColumnKey::NewName), directory->volumeKind,
                                    directory->longestName);
            result.cueTexts.push_back(
                describeRowCue(cue, refusal, cuedName(cue, list.cell(row, ColumnKey::FileName), directory)));
        }
        result.outcome = ApplyNames(list, fileSystem);
        for (std::size_t row = 1; row <= list.rowCount(); ++row)
            result.fileNames.emplace_back(list.cell(row, ColumnKey::FileName));
        result.disk = test_support::snapshot(folder);
        return result;
    }

    bool caseInsensitive() const { return GetParam().rules.caseInsensitive; }

    MountedVolume volume{GetParam().type};
    // Documents a sandboxed application hands on lie in the volume's "doc".
    PosixFileSystem fileSystem{NoReplaceMethod::kRenameNoReplace, DocumentPortal(volume.path() + "/doc")};

private:
    int folders_ = 0;
};

TEST_P(VolumeRename, PlainAndCaseOnlyRenamesSucceedAndNoFileIsReplaced)
{
    std::vector<std::string> files = {"a.txt", "b.txt", "c.txt", "photo.JPG", "d.txt"};
    std::vector<std::pair<std::string, std::string>> renames = {{"a.txt", "x.txt"}, {"photo.JPG", "photo.jpg"}};
    Disk after = {{"x.txt", "a.txt"}, {"b.txt", "b.txt"}, {"c.txt", "c.txt"}, {"photo.jpg", "photo.JPG"},
                  {"d.txt", "d.txt"}};
    if (!GetParam().rules.asciiOnly) {
        // exfat-fuse folds Ä and ä into one name, yet gives each spelling
        // its own inode number.
        files.push_back("ärger.txt");
        renames.emplace_back("ärger.txt", "ÄRGER.txt");
        after.emplace("ÄRGER.txt", "ärger.txt");
    }
    if (!caseInsensitive())
        files.push_back("D.txt"), after.emplace("D.txt", "D.txt");
    const std::string folder = folderWith(files);

    const BatchResult renamed = run(folder, renames);
    EXPECT_EQ(renamed.cues, std::vector<RowCueKind>(renames.size(), RowCueKind::Clean));
    EXPECT_FALSE(renamed.outcome.failure) << renamed.outcome.statusText;
    EXPECT_EQ(renamed.outcome.renamedCount, renames.size());
    EXPECT_EQ(renamed.disk, after);
    for (std::size_t row = 0; row < renames.size(); ++row)
        EXPECT_EQ(renamed.fileNames[row], renames[row].second);

    const struct {
        const char* behaviour;
        std::string oldName;
        std::string newName;
        bool refused;
    } refusals[] = {
        {"a name another file has is never taken", "c.txt", "b.txt", true},
        {"the same name in other letters is that file where case does not count", "c.txt", "B.TXT",
         caseInsensitive()},
        {"a case-only change onto another file is refused where case counts", "d.txt", "D.txt", !caseInsensitive()},
    };
    for (const auto& row : refusals) {
        SCOPED_TRACE(row.behaviour);
        const Disk before = test_support::snapshot(folder);
        const BatchResult result = run(folder, {{row.oldName, row.newName}});
        if (!row.refused)
            continue;
        EXPECT_EQ(result.cues, std::vector<RowCueKind>{RowCueKind::TakenOnDisk});
        EXPECT_EQ(kindOf(result.outcome), FailureKind::Exists);
        EXPECT_EQ(result.disk, before);
    }
}

// The names entered into `folder` (created, linked or moved in) while
// `action` runs.
std::vector<std::string> namesEnteredDuring(const std::string& folder, const std::function<void()>& action)
{
    const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    EXPECT_GE(watch, 0);
    EXPECT_GE(inotify_add_watch(watch, folder.c_str(), IN_CREATE | IN_MOVED_TO), 0);
    action();
    std::vector<std::string> names;
    alignas(inotify_event) char buffer[65536];
    for (ssize_t length; (length = read(watch, buffer, sizeof buffer)) > 0;) {
        for (ssize_t at = 0; at < length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            names.emplace_back(event->len > 0 ? event->name : "");
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
    close(watch);
    return names;
}

// A change of letter case takes a temporary name only where nothing else
// can make it: a driver that changes case itself takes one step, and a name
// another file has is refused at once, so a kill finds no temporary name to
// leave.
TEST_P(VolumeRename, ACaseChangeTakesATemporaryNameOnlyWhereNeeded)
{
    const struct {
        const char* behaviour;
        std::vector<std::string> files;
        bool refused;
    } cases[] = {
        {"a change of case alone", {"e.txt"}, false},
        {"a change of case onto another file's name", {"e.txt", "E.txt"}, true},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.behaviour);
        if (row.refused && caseInsensitive())
            continue; // no folder there holds both names
        const std::string folder = folderWith(row.files);
        BatchResult result;
        const auto entered = namesEnteredDuring(folder, [&] { result = run(folder, {{"e.txt", "E.txt"}}); });
        EXPECT_EQ(kindOf(result.outcome), row.refused ? std::optional(FailureKind::Exists) : std::nullopt);
        EXPECT_EQ(entered, row.refused ? std::vector<std::string>{} : std::vector<std::string>{"E.txt"});
    }
}

// What a killed batch may leave is shown on its row: a file under a
// temporary name, with the name it had, and a file under two names (a kill
// between the link and the unlink), with the other, where inode numbers tell
// that the two names are one file. A file dropped from a sandboxed
// application comes by a path in the document portal (here the volume's
// "doc"): it is renamed where the portal's attribute says it lives, and
// where the portal does not say, its row is cued and the batch refuses it
// with that reason, not with the portal's own answer (文件已存在).
TEST_P(VolumeRename, WhatAKillLeftOrAPortalHidesIsCuedWithTheTruth)
{
    const bool identities = GetParam().rules.identities;
    const std::string leftover = "重命名中断时留下的临时文件名，原名为“";
    const std::string inPortal = "文件来自沙盒应用，找不到它在磁盘上的位置";
    enum class Portal { None, Mapped, Unmapped };
    const struct {
        const char* behaviour;
        std::string oldName;
        std::string linked; // a second name of the file, where not empty
        std::string newName;
        Portal portal; // Mapped: dropped by a portal path naming it; Unmapped: lies in the portal
        RowCueKind cue;
        std::string text;
        std::optional<FailureKind> failure;
    } cases[] = {
        {"a temporary name is cued with the name it was made from, also where its proposal keeps it",
         "photo.jpg.~regex-renamer", "", "photo.jpg.~regex-renamer", Portal::None,
         RowCueKind::LeftUnderTemporaryName, leftover + "photo.jpg”", std::nullopt},
        {"a later attempt's too, and a proposal that renames keeps the cue", "b.txt.~regex-renamer-3", "", "b.txt",
         Portal::None, RowCueKind::LeftUnderTemporaryName, leftover + "b.txt”", std::nullopt},
        {"a name that only ends like one is none", "x.~regex-renamer-1", "", "", Portal::None, RowCueKind::Clean, "",
         std::nullopt},
        {"a file under two names is cued with the other", "c.txt", "c.txt.~regex-renamer", "", Portal::None,
         identities ? RowCueKind::SecondName : RowCueKind::Clean,
         identities ? "此文件还有另一个名字：“c.txt.~regex-renamer”" : "", std::nullopt},
        {"and the other with the first, though a temporary name", "c.txt.~regex-renamer", "c.txt", "", Portal::None,
         identities ? RowCueKind::SecondName : RowCueKind::LeftUnderTemporaryName,
         identities ? "此文件还有另一个名字：“c.txt”" : leftover + "c.txt”", std::nullopt},
        {"an error outranks the cue", "d.txt", "e.txt", "e.txt", Portal::None, RowCueKind::TakenOnDisk,
         "目录中已有同名文件", FailureKind::Exists},
        {"a portal path is renamed as its host file", "f.txt", "", "g.txt", Portal::Mapped, RowCueKind::Clean, "",
         std::nullopt},
        {"a portal path the portal does not place is refused for that", "h.txt", "", "i.txt", Portal::Unmapped,
         RowCueKind::InDocumentPortal, inPortal, FailureKind::Unsupported},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.behaviour);
        std::string folder = folderWith({row.oldName});
        std::string dropped;
        const std::string document = volume.path() + "/doc/" + std::to_string(&row - cases);
        if (row.portal != Portal::None) {
            std::filesystem::create_directories(document);
            test_support::writeFile(document + "/" + row.oldName, row.oldName);
        }
        if (row.portal == Portal::Mapped) {
            const std::string host = folder + "/" + row.oldName;
            dropped = document;
            if (setxattr((document + "/" + row.oldName).c_str(), DocumentPortal::kHostPathAttribute, host.data(),
                         host.size(), 0)
                != 0)
                continue; // a volume without extended attributes
        }
        if (row.portal == Portal::Unmapped)
            folder = document;
        if (!row.linked.empty() && link((folder + "/" + row.oldName).c_str(), (folder + "/" + row.linked).c_str()) != 0)
            continue; // a volume without hard links
        const BatchResult result = run(folder, {{row.oldName, row.newName}}, dropped);
        EXPECT_EQ(result.cues, std::vector<RowCueKind>{row.cue});
        EXPECT_EQ(result.cueTexts, std::vector<std::string>{row.text});
        EXPECT_EQ(kindOf(result.outcome), row.failure);
        EXPECT_EQ(result.disk.count(row.newName.empty() || row.failure ? row.oldName : row.newName), 1U);
    }
}

// Which volumes refuse a name (the rest store it), and what the cue and the
// failure then say.
TEST_P(VolumeRename, NamesWindowsVolumesRefuseAreCuedBeforeAndDescribedAfter)
{
    using Type = VolumeType;
    const struct {
        std::string name;
        std::set<VolumeType> refusedOn;
        std::string reason; // after "新文件名不适用于 Windows 卷：" and "文件名无效："
    } rows[] = {
        {"x:.txt", {Type::Exfat, Type::Fat, Type::NtfsWindowsNames}, "不能含有“:”"},
        {"x?.txt", {Type::Exfat, Type::Fat, Type::NtfsWindowsNames}, "不能含有“?”"},
        {"x\x01.txt", {Type::Exfat, Type::Fat, Type::NtfsWindowsNames}, "不能含有控制字符"},
        {"CON", {Type::NtfsWindowsNames}, "是 Windows 保留的设备名"},
        {"x.txt.", {Type::NtfsWindowsNames}, "不能以“.”结尾"},
        {"\xff.bin", {Type::Exfat, Type::Fat, Type::Ntfs, Type::NtfsWindowsNames}, "含有无法识别的字节"},
    };
    const std::string folder = folderWith({"a.txt"});
    for (const auto& row : rows) {
        SCOPED_TRACE(test_support::nameOf(GetParam().type) + std::string(" ") + row.name);
        const BatchResult result = run(folder, {{"a.txt", row.name}});
        if (GetParam().windowsRules) {
            EXPECT_EQ(result.cues, std::vector<RowCueKind>{RowCueKind::NotAWindowsName});
            EXPECT_EQ(result.cueTexts, std::vector<std::string>{"新文件名不适用于 Windows 卷：" + row.reason});
        } else {
            EXPECT_EQ(result.cues, std::vector<RowCueKind>{RowCueKind::Clean});
        }
        if (row.refusedOn.contains(GetParam().type)) {
            // fusefat takes nothing but ASCII, a limit of that driver.
            const std::string reason = GetParam().type == Type::Fat && row.name[0] == '\xff'
                ? "此卷的驱动（fusefat）只能存 ASCII 字符"
                : row.reason;
            EXPECT_EQ(result.outcome.statusText, renameFailureMessage("a.txt", row.name, "文件名无效：" + reason));
            EXPECT_EQ(result.disk, (Disk{{"a.txt", "a.txt"}}));
        } else {
            // A cue never stands in the way of a rename the volume takes.
            EXPECT_FALSE(result.outcome.failure) << result.outcome.statusText;
            EXPECT_EQ(result.disk, (Disk{{row.name, "a.txt"}}));
            std::filesystem::rename(folder + "/" + row.name, folder + "/a.txt");
        }
    }
}

TEST_P(VolumeRename, TheLengthLimitIsCountedInTheVolumesUnit)
{
    // 255 units, the limit everywhere, are 255 ASCII letters, 255 CJK
    // characters in UTF-16, or 85 of them (255 bytes) in UTF-8.
    const std::string cjk = "\xe5\x90\x8d";
    std::string longest = repeated(cjk, GetParam().utf16Lengths ? 255 : 85);
    std::string tooLong = repeated(cjk, GetParam().utf16Lengths ? 256 : 86);
    if (GetParam().rules.asciiOnly)
        longest = std::string(255, 'n'), tooLong = std::string(256, 'n');
    const std::string folder = folderWith({"a.txt"});

    const BatchResult fits = run(folder, {{"a.txt", longest}});
    EXPECT_EQ(fits.cues, std::vector<RowCueKind>{RowCueKind::Clean});
    EXPECT_FALSE(fits.outcome.failure) << fits.outcome.statusText;
    EXPECT_EQ(fits.disk, (Disk{{longest, "a.txt"}}));

    const BatchResult over = run(folder, {{longest, tooLong}});
    EXPECT_EQ(over.cues, std::vector<RowCueKind>{RowCueKind::NameTooLong});
    EXPECT_EQ(over.cueTexts, std::vector<std::string>{"新文件名过长"});
    EXPECT_EQ(kindOf(over.outcome), FailureKind::NameTooLong);
    EXPECT_EQ(over.disk, (Disk{{longest, "a.txt"}}));
}

TEST_P(VolumeRename, AFolderOnAReadOnlyVolumeIsCuedAndRefused)
{
    const std::string folder = folderWith({"a.txt"});
    ASSERT_EQ(volume.makeReadOnly(), "");
    const BatchResult result = run(folder, {{"a.txt", "b.txt"}});
    EXPECT_EQ(result.cues, std::vector<RowCueKind>{RowCueKind::ReadOnlyVolume});
    EXPECT_EQ(result.cueTexts, std::vector<std::string>{"文件夹所在的卷是只读的"});
    EXPECT_EQ(kindOf(result.outcome), FailureKind::ReadOnly);
    EXPECT_EQ(result.disk, (Disk{{"a.txt", "a.txt"}}));
}

// Where a driver makes inode numbers up, a file the kernel has forgotten
// comes back with another number: the row must still rename its file.
TEST_P(VolumeRename, ARowRenamesItsFileAfterTheKernelForgotIt)
{
    const std::string folder = folderWith({"a.txt"});
    FileList list;
    ASSERT_TRUE(AddFile(list, fileSystem, folder + "/a.txt"));
    ASSERT_TRUE(AddFolder(list, fileSystem, folder)); // the same file, found by listing its folder
    for (const std::size_t row : {1, 2}) {
        const RowOrigin origin = list.origin(row);
        EXPECT_EQ(origin.inode != 0, GetParam().rules.identities) << "row " << row << ": kept where it lasts";
        EXPECT_EQ(origin.folder.known(), GetParam().rules.identities) << "row " << row << "'s folder";
    }
    list.setCell(1, ColumnKey::NewName, "b.txt");
    std::ofstream("/proc/sys/vm/drop_caches") << "2\n";
    const ApplyOutcome outcome = ApplyNames(list, fileSystem);
    EXPECT_EQ(outcome.statusText, "1个文件已重命名");
    EXPECT_EQ(test_support::snapshot(folder), (Disk{{"b.txt", "a.txt"}}));
}

// What another program does between the drop and the button, whether the
// folder or its file was dropped, and what the batch then says.
TEST_P(VolumeRename, AChangeBetweenTheDropAndTheButtonIsSeen)
{
    namespace fs = std::filesystem;
    using Change = std::function<void(const std::string& folder, const std::string& other)>;
    const bool identities = GetParam().rules.identities;
    const struct {
        const char* behaviour;
        Change change;
        std::optional<FailureKind> failure;
        bool needsLinks = false;
    } rows[] = {
        {"the folder swapped for a link to another folder",
         [](const std::string& folder, const std::string& other) {
             fs::rename(folder, folder + ".old");
             fs::create_directory_symlink(other, folder);
         },
         FailureKind::FolderReplaced, true},
        {"the file deleted and made again (ext4 gives it the same inode number)",
         [](const std::string& folder, const std::string&) {
             fs::remove(folder + "/a.txt");
             test_support::writeFile(folder + "/a.txt", "made again");
         },
         FailureKind::FileReplaced},
        {"another file saved over it",
         [](const std::string& folder, const std::string&) {
             test_support::writeFile(folder + "/.a.txt.new", "saved over it");
             fs::rename(folder + "/.a.txt.new", folder + "/a.txt");
         },
         FailureKind::FileReplaced},
        // Without inode numbers a file written to cannot be told from one
        // put in its place.
        {"the file written to", [](const std::string& folder,
                                   const std::string&) { test_support::writeFile(folder + "/a.txt", "written to"); },
         identities ? std::nullopt : std::optional(FailureKind::FileReplaced)},
    };
    for (const auto& row : rows) {
        if (row.needsLinks && !GetParam().rules.symbolicLinks)
            continue;
        for (const bool dropFolder : {true, false}) {
            SCOPED_TRACE(std::string(row.behaviour) + (dropFolder ? ", folder dropped" : ", file dropped"));
            const std::string folder = folderWith({"a.txt"});
            const std::string other = folderWith({"a.txt"});
            FileList list;
            ASSERT_TRUE(dropFolder ? AddFolder(list, fileSystem, folder).has_value()
                                   : AddFile(list, fileSystem, folder + "/a.txt").has_value());
            list.setCell(1, ColumnKey::NewName, "b.txt");
            // Past the clock's tick of the drop, within which a file born
            // again cannot be told from the one read.
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            row.change(folder, other);
            const Disk before = test_support::snapshot(folder + (fs::is_symlink(folder) ? ".old" : ""));

            const ApplyOutcome outcome = ApplyNames(list, fileSystem);
            EXPECT_EQ(kindOf(outcome), row.failure) << outcome.statusText;
            EXPECT_EQ(test_support::snapshot(other), (Disk{{"a.txt", "a.txt"}}));
            if (row.failure) {
                EXPECT_EQ(test_support::snapshot(folder + (fs::is_symlink(folder) ? ".old" : "")), before);
            }
        }
    }
}

TEST_P(VolumeRename, ChainsAndCyclesReachTheNamesTheRowsShow)
{
    const test_support::PlanFolder folder{[this](const std::vector<std::string>& files) { return folderWith(files); },
                                          [](const std::string& path) { return test_support::snapshot(path); },
                                          caseInsensitive()};
    for (const test_support::PlanBatch& batch : test_support::planBatches())
        test_support::renamePlanBatch(batch, fileSystem, folder);
}

TEST_P(VolumeRename, HostileListsLoseNothing)
{
    // fusefat takes about 15 ms a rename; a few lists show the same there.
    const unsigned lists = GetParam().type == VolumeType::Fat ? 4 : 12;
    test_support::HostileStats stats;
    for (unsigned seed = 1; seed <= lists; ++seed) {
        const std::string root = folderWith({});
        test_support::renameHostileList(seed, root, GetParam().rules, stats);
        if (HasFatalFailure())
            return;
    }
    EXPECT_GT(stats.totalRenamed, 0u);
}

constexpr VolumeRules kKernel{false, false, true, true};
constexpr VolumeRules kWindowsFuse{true, false, false, false};

INSTANTIATE_TEST_SUITE_P(
    Volumes, VolumeRename,
    ::testing::Values(VolumeCase{VolumeType::Ext4, kKernel, false, false},
                      VolumeCase{VolumeType::Xfs, kKernel, false, false},
                      VolumeCase{VolumeType::Btrfs, kKernel, false, false},
                      VolumeCase{VolumeType::Tmpfs, kKernel, false, false},
                      VolumeCase{VolumeType::Exfat, kWindowsFuse, true, true},
                      VolumeCase{VolumeType::Fat, VolumeRules{true, true, false, false}, true, true},
                      VolumeCase{VolumeType::Ntfs, VolumeRules{false, false, true, true}, true, true},
                      VolumeCase{VolumeType::NtfsWindowsNames, VolumeRules{false, false, true, true}, true, true},
                      VolumeCase{VolumeType::Sshfs, VolumeRules{false, false, true, false}, false, false},
                      VolumeCase{VolumeType::SshfsWithoutHardLinks, VolumeRules{false, false, true, false}, false,
                                 false}),
    [](const auto& info) { return std::string(test_support::nameOf(info.param.type)); });

} // namespace
