#include "FileSystemFailures.h"
#include "PosixFileSystem.h"
#include "TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace renamer {
namespace {

using test_support::snapshot;
using test_support::TemporaryDirectory;
using test_support::writeFile;

template <class T>
std::optional<FailureKind> failureOf(const Result<T>& result)
{
    return result ? std::nullopt : std::optional(result.error().kind);
}

// Only a document inside the portal is mapped, and only to a host path the
// portal could mean: absolute and outside itself.
TEST(DocumentPortal, APathMapsToTheHostPathItsDocumentNames)
{
    TemporaryDirectory temp;
    const DocumentPortal portal(temp.path() + "/doc/");
    const struct {
        const char* behaviour;
        std::string document;
        std::string hostPath; // the attribute's value; none where empty
        std::optional<std::string> mapped;
    } cases[] = {
        {"a document maps to its host path", "doc/1/a.txt", "/home/u/a.txt", "/home/u/a.txt"},
        {"a trailing NUL is no part of the path", "doc/2/a.txt", std::string("/home/u/a.txt\0", 14),
         "/home/u/a.txt"},
        {"a folder beside the portal is not in it", "docs/3/a.txt", "/home/u/a.txt", std::nullopt},
        {"a document without the attribute maps nowhere", "doc/4/a.txt", "", std::nullopt},
        {"a relative host path is none", "doc/5/a.txt", "u/a.txt", std::nullopt},
        {"a host path inside the portal is none", "doc/6/a.txt", temp.path() + "/doc/7/a.txt", std::nullopt},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.behaviour);
        const std::string path = temp.path() + "/" + row.document;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        writeFile(path, "");
        if (!row.hostPath.empty()) {
            ASSERT_EQ(setxattr(path.c_str(), DocumentPortal::kHostPathAttribute, row.hostPath.data(),
                               row.hostPath.size(), 0),
                      0);
        }
        EXPECT_EQ(portal.hostPathOf(path), row.mapped);
    }
}

TEST(PosixFileSystem, AttributesFollowLinksAndReportDanglingOnesAsFiles)
{
    TemporaryDirectory temp;
    const std::string dir = temp.path();
    writeFile(dir + "/file.txt", "x");
    mkdir((dir + "/folder").c_str(), 0755);
    symlink("folder", (dir + "/link-to-folder").c_str());
    symlink("nowhere", (dir + "/dangling").c_str());

    PosixFileSystem fileSystem;
    const struct {
        const char* behaviour;
        std::string path;
        std::uint32_t bits;
    } rows[] = {
        {"a file has no folder bit", dir + "/file.txt", 0},
        {"a folder has the folder bit", dir + "/folder", kDirectoryAttribute},
        {"a link to a folder counts as a folder", dir + "/link-to-folder", kDirectoryAttribute},
        {"a dangling link exists, as a file", dir + "/dangling", 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.behaviour);
        const auto bits = fileSystem.attributes(row.path);
        ASSERT_TRUE(bits.has_value()) << bits.error().description;
        EXPECT_EQ(*bits, row.bits);
    }
    EXPECT_EQ(failureOf(fileSystem.attributes(dir + "/absent")), FailureKind::NotFound);
}

TEST(PosixFileSystem, ReadingAFolderKeepsItsPathAndRefusesFiles)
{
    TemporaryDirectory temp;
    writeFile(temp.path() + "/file.txt", "x");
    PosixFileSystem fileSystem;
    EXPECT_EQ(fileSystem.readFolder(temp.path() + "//")->path, temp.path());
    EXPECT_EQ(fileSystem.readFolder("/")->path, "/");
    EXPECT_EQ(fileSystem.readFolder(temp.path() + "/file.txt").error(), notAFolderFailure());
    EXPECT_EQ(failureOf(fileSystem.readFolder(temp.path() + "/absent")), FailureKind::NotFound);
}

TEST(PosixFileSystem, AFolderListsEveryEntryWithItsKindInNaturalOrder)
{
    TemporaryDirectory temp;
    const std::string dir = temp.path();
    for (const char* name : {"img10.png", "img2.png", "Img1.png", ".hidden", "\xff\xfe.bin"})
        writeFile(dir + "/" + name, "x");
    mkdir((dir + "/sub").c_str(), 0755);
    symlink("sub", (dir + "/link-to-folder").c_str());
    symlink("img2.png", (dir + "/link-to-file").c_str());
    symlink("nowhere", (dir + "/dangling").c_str());

    PosixFileSystem fileSystem;
    const auto listed = fileSystem.readFolder(dir + "/");
    ASSERT_TRUE(listed.has_value()) << listed.error().description;
    const std::vector<std::string_view> expected = {".hidden",      "dangling",       "Img1.png", "img2.png",
                                                    "img10.png",    "link-to-file",   "link-to-folder",
                                                    "sub",          "\xff\xfe.bin"};
    EXPECT_EQ(listed->names.views(), expected);
    using enum EntryKind;
    EXPECT_EQ(listed->kinds, (std::vector<EntryKind>{File, File, File, File, File, File, Folder, Folder, File}));
    EXPECT_EQ(listed->path, dir);
    for (const std::string_view name : {"dangling", "Img1.png", "link-to-file"})
        EXPECT_EQ(fileSystem.lookUpFile(listed->path + "/" + std::string(name))->parentPath, dir) << name;

    const std::string saved = std::filesystem::current_path();
    ASSERT_EQ(chdir(dir.c_str()), 0);
    const auto relative = fileSystem.readFolder("sub");
    ASSERT_EQ(chdir(saved.c_str()), 0);
    EXPECT_EQ(relative->path, dir + "/sub") << "a relative folder gets the current directory prefixed";
}

TEST(PosixFileSystem, NamesThatDifferOnlyInCaseListInByteOrderWhateverTheDirectorySays)
{
    // Capitals sort first by byte; the order they were made in and the
    // order the directory hands them out must not matter.
    std::vector<std::string> expected;
    for (const char* stem : {"a", "b", "photo", "x1", "z"}) {
        std::string capital = stem;
        for (char& c : capital)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        expected.push_back(capital + ".txt");
        expected.push_back(std::string(stem) + ".txt");
    }
    for (const bool capitalsFirst : {true, false}) {
        TemporaryDirectory temp;
        for (std::size_t i = 0; i < expected.size(); i += 2) {
            writeFile(temp.path() + "/" + expected[capitalsFirst ? i : i + 1], "");
            writeFile(temp.path() + "/" + expected[capitalsFirst ? i + 1 : i], "");
        }
        const auto listed = PosixFileSystem().readFolder(temp.path());
        ASSERT_TRUE(listed.has_value());
        EXPECT_EQ(listed->names.views(), std::vector<std::string_view>(expected.begin(), expected.end()));
    }
}

TEST(PosixFileSystem, LookUpFileSplitsNameAndAbsoluteParent)
{
    TemporaryDirectory temp;
    const std::string dir = temp.path();
    mkdir((dir + "/sub").c_str(), 0755);
    writeFile(dir + "/sub/a.txt", "x");
    writeFile(dir + "/\xff\xfe.txt", "x");
    symlink("sub", (dir + "/link-to-folder").c_str());
    symlink("nowhere", (dir + "/dangling").c_str());
    PosixFileSystem fileSystem;

    const auto file = fileSystem.lookUpFile(dir + "/sub//a.txt");
    ASSERT_TRUE(file.has_value()) << file.error().description;
    EXPECT_EQ(file->name, "a.txt");
    EXPECT_EQ(file->parentPath, dir + "/sub");

    EXPECT_EQ(fileSystem.lookUpFile(dir + "/\xff\xfe.txt")->name, "\xff\xfe.txt");
    EXPECT_EQ(fileSystem.lookUpFile(dir + "/dangling")->name, "dangling");

    const std::string saved = std::filesystem::current_path();
    ASSERT_EQ(chdir(dir.c_str()), 0);
    const auto relative = fileSystem.lookUpFile("sub/a.txt");
    const auto bare = fileSystem.lookUpFile("dangling");
    ASSERT_EQ(chdir(saved.c_str()), 0);
    EXPECT_EQ(relative->parentPath, dir + "/sub");
    EXPECT_EQ(bare->parentPath, dir);

    const struct {
        const char* behaviour;
        std::string path;
        Failure failure;
    } refusals[] = {
        {"a folder is not a file", dir + "/sub", notAFileFailure()},
        {"a link to a folder is not a file", dir + "/link-to-folder", notAFileFailure()},
        {"a file path with a trailing slash names nothing", dir + "/sub/a.txt/", failureOfErrno(ENOENT)},
        {"a missing file is not found", dir + "/absent.txt", failureOfErrno(ENOENT)},
        {"the empty path is not found", "", failureOfErrno(ENOENT)},
    };
    for (const auto& row : refusals) {
        SCOPED_TRACE(row.behaviour);
        const auto refused = fileSystem.lookUpFile(row.path);
        ASSERT_FALSE(refused.has_value());
        EXPECT_EQ(refused.error(), row.failure);
    }
}

TEST(PosixFileSystem, FileInTheRootFolderHasTheRootAsParent)
{
    DIR* root = opendir("/");
    ASSERT_NE(root, nullptr);
    std::string name;
    struct stat status {};
    while (const dirent* entry = readdir(root)) {
        if (lstat((std::string("/") + entry->d_name).c_str(), &status) == 0 && S_ISREG(status.st_mode)) {
            name = entry->d_name;
            break;
        }
    }
    closedir(root);
    if (name.empty())
        GTEST_SKIP() << "no regular file directly in /";

    const auto file = PosixFileSystem().lookUpFile("/" + name);
    ASSERT_TRUE(file.has_value()) << file.error().description;
    EXPECT_EQ(file->parentPath, "/");
    EXPECT_EQ(file->name, name);
    struct stat joined {};
    ASSERT_EQ(lstat((file->parentPath + "/" + file->name).c_str(), &joined), 0);
    EXPECT_EQ(joined.st_ino, status.st_ino);
}

struct MoveRow {
    const char* behaviour;
    std::string destinationSuffix; // appended to the file's parentPath
    std::optional<FailureKind> failure;
    std::map<std::string, std::string> after; // empty: the folder is unchanged
};

// Each row starts from a folder holding a.txt ("A") and b.txt ("B") and moves a.txt.
std::vector<MoveRow> moveRows()
{
    return {
        {"a plain rename moves the file", "/c.txt", std::nullopt, {{"c.txt", "A"}, {"b.txt", "B"}}},
        {"a name of the longest allowed length is accepted", "/" + std::string(255, 'n'), std::nullopt,
         {{std::string(255, 'n'), "A"}, {"b.txt", "B"}}},
        {"a name that is not UTF-8 is kept byte for byte", "/\xfe\xff", std::nullopt,
         {{"\xfe\xff", "A"}, {"b.txt", "B"}}},
        {"a change of letter case only succeeds", "/A.TXT", std::nullopt, {{"A.TXT", "A"}, {"b.txt", "B"}}},
        {"a move onto its own path succeeds and changes nothing", "/a.txt", std::nullopt, {}},
        {"an existing target is never replaced", "/b.txt", FailureKind::Exists, {}},
        {"a name with a slash is refused", "/x/c.txt", FailureKind::NameRefused, {}},
        {"a name with NUL is refused", std::string("/c\0.txt", 7), FailureKind::NameRefused, {}},
        {"the name . is refused", "/.", FailureKind::NameRefused, {}},
        {"the name .. is refused", "/..", FailureKind::NameRefused, {}},
        {"the empty name is refused", "/", FailureKind::NameRefused, {}},
        {"a name one byte too long is refused", "/" + std::string(256, 'n'), FailureKind::NameTooLong, {}},
        {"a destination outside the folder is refused", "-elsewhere/c.txt", FailureKind::NameRefused, {}},
    };
}

} // namespace

// Names the method in test listings (found by argument-dependent lookup).
void PrintTo(NoReplaceMethod method, std::ostream* out)
{
    *out << (method == NoReplaceMethod::kRenameNoReplace ? "renameat2"
             : method == NoReplaceMethod::kLinkThenUnlink ? "link and unlink"
                                                          : "exists-check and rename");
}

namespace {

class PosixFileSystemMove : public ::testing::TestWithParam<NoReplaceMethod> {
protected:
    PosixFileSystem fileSystem{GetParam()};
    TemporaryDirectory temp;
};

TEST_P(PosixFileSystemMove, RowsRenameOrRefuseWithoutTouchingOtherFiles)
{
    const auto rows = moveRows();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const MoveRow& row = rows[i];
        SCOPED_TRACE(row.behaviour);
        const std::string dir = temp.path() + "/" + std::to_string(i);
        mkdir(dir.c_str(), 0755);
        writeFile(dir + "/a.txt", "A");
        writeFile(dir + "/b.txt", "B");
        const auto before = snapshot(dir);
        const auto file = fileSystem.lookUpFile(dir + "/a.txt").value();

        EXPECT_EQ(failureOf(fileSystem.move(file, dir + row.destinationSuffix)), row.failure);
        EXPECT_EQ(snapshot(dir), row.after.empty() ? before : row.after);
    }
}

TEST_P(PosixFileSystemMove, MissingSourceIsNotFound)
{
    writeFile(temp.path() + "/a.txt", "A");
    const auto file = fileSystem.lookUpFile(temp.path() + "/a.txt").value();
    unlink((temp.path() + "/a.txt").c_str());
    EXPECT_EQ(failureOf(fileSystem.move(file, temp.path() + "/c.txt")), FailureKind::NotFound);
    EXPECT_EQ(failureOf(fileSystem.move(file, temp.path() + "/a.txt")), FailureKind::NotFound);
    EXPECT_TRUE(snapshot(temp.path()).empty());
}

// Under the root folder the destination may start with "//" (parent + "/")
// or with "/". The source is missing, so nothing in "/" can change.
TEST_P(PosixFileSystemMove, RootParentAcceptsBothDestinationForms)
{
    const std::string name = ".renamer-absent-" + std::to_string(getpid());
    if (access(("/" + name).c_str(), F_OK) == 0 || access(("/" + name + "-new").c_str(), F_OK) == 0)
        GTEST_SKIP() << "the names this test needs exist in /";
    const FileHandle file{name, "/", {}, {}};
    EXPECT_EQ(failureOf(fileSystem.move(file, "//" + name + "-new")), FailureKind::NotFound);
    EXPECT_EQ(failureOf(fileSystem.move(file, "/" + name + "-new")), FailureKind::NotFound);
    EXPECT_EQ(failureOf(fileSystem.move(file, name + "-new")), FailureKind::NameRefused);
}

// Runs `action` in a child process without root's rights (as "nobody") when
// the test runs as root, so that folder permissions bind it; returns what
// the action returned.
std::string runUnprivileged(const std::function<std::string()>& action)
{
    if (geteuid() != 0)
        return action();
    int channel[2];
    if (pipe(channel) != 0)
        return "pipe failed";
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        constexpr uid_t kNobody = 65534;
        std::string result = "could not drop rights";
        if (setgroups(0, nullptr) == 0 && setresgid(kNobody, kNobody, kNobody) == 0
            && setresuid(kNobody, kNobody, kNobody) == 0)
            result = action();
        const ssize_t written = write(channel[1], result.data(), result.size());
        _exit(written == static_cast<ssize_t>(result.size()) ? 0 : 1);
    }
    close(channel[1]);
    std::string result;
    char buffer[256];
    for (ssize_t got; (got = read(channel[0], buffer, sizeof buffer)) > 0;)
        result.append(buffer, static_cast<std::size_t>(got));
    close(channel[0]);
    waitpid(child, nullptr, 0);
    return result;
}

TEST_P(PosixFileSystemMove, ReadOnlyFolderIsRefused)
{
    const std::string folder = temp.path() + "/read-only";
    mkdir(folder.c_str(), 0755);
    chmod(temp.path().c_str(), 0755);
    writeFile(folder + "/a.txt", "A");
    chmod((folder + "/a.txt").c_str(), 0644);
    const auto file = fileSystem.lookUpFile(folder + "/a.txt").value();
    chmod(folder.c_str(), 0555);
    const std::string failure = runUnprivileged([&] {
        const auto moved = fileSystem.move(file, folder + "/c.txt");
        return moved ? "renamed" : std::to_string(static_cast<int>(moved.error().kind));
    });
    chmod(folder.c_str(), 0755);
    EXPECT_EQ(failure, std::to_string(static_cast<int>(FailureKind::NoRights)));
    EXPECT_EQ(snapshot(folder), (std::map<std::string, std::string>{{"a.txt", "A"}}));
}

// Two names of one file look like a case-only change on a case-insensitive
// system; the move must still leave both names in place.
TEST_P(PosixFileSystemMove, HardLinkOfTheFileIsNotReplaced)
{
    writeFile(temp.path() + "/a", "shared");
    ASSERT_EQ(link((temp.path() + "/a").c_str(), (temp.path() + "/b").c_str()), 0);
    const auto file = fileSystem.lookUpFile(temp.path() + "/a").value();
    EXPECT_EQ(failureOf(fileSystem.move(file, temp.path() + "/b")), FailureKind::Exists);
    EXPECT_EQ(snapshot(temp.path()), (std::map<std::string, std::string>{{"a", "shared"}, {"b", "shared"}}));
}

INSTANTIATE_TEST_SUITE_P(Methods, PosixFileSystemMove,
                         ::testing::Values(NoReplaceMethod::kRenameNoReplace, NoReplaceMethod::kLinkThenUnlink,
                                           NoReplaceMethod::kExistsCheckThenRename),
                         [](const auto& info) {
                             return info.param == NoReplaceMethod::kRenameNoReplace ? "RenameNoReplace"
                                 : info.param == NoReplaceMethod::kLinkThenUnlink   ? "LinkThenUnlink"
                                                                                    : "ExistsCheckThenRename";
                         });

} // namespace
} // namespace renamer

namespace renamer {
namespace {

TEST(PosixFileSystem, AFolderTellsHowItComparesNamesAndHowLongTheyMayBe)
{
    TemporaryDirectory temp;
    writeFile(temp.path() + "/a.txt", "");
    PosixFileSystem fileSystem;
    auto listed = fileSystem.readFolder(temp.path());
    ASSERT_TRUE(listed.has_value()) << listed.error().description;
    EXPECT_FALSE(listed->caseInsensitive) << "this file system tells a.txt from A.TXT";
    EXPECT_EQ(listed->longestName, 255u);

    // Two real names differing in case only prove case sensitivity too.
    writeFile(temp.path() + "/A.TXT", "");
    EXPECT_FALSE(fileSystem.readFolder(temp.path())->caseInsensitive);
}

TEST(PosixFileSystem, AFolderTellsWhetherTheUserMayRenameThere)
{
    TemporaryDirectory temp;
    chmod(temp.path().c_str(), 0755);
    const std::string folder = temp.path() + "/read-only";
    mkdir(folder.c_str(), 0555);
    PosixFileSystem fileSystem;
    const auto accessAs = [&](const std::string& path) {
        return runUnprivileged([&] {
            const auto listed = fileSystem.readFolder(path);
            return listed ? std::to_string(static_cast<int>(listed->access)) : listed.error().description;
        });
    };
    EXPECT_EQ(accessAs(folder), std::to_string(static_cast<int>(FolderAccess::NoWriteRights)));
    chmod(folder.c_str(), 0777);
    EXPECT_EQ(accessAs(folder), std::to_string(static_cast<int>(FolderAccess::Writable)));
}

} // namespace
} // namespace renamer

namespace renamer {
namespace {

TEST(PosixFileSystem, EveryWayOfFindingAFileGivesItsIdentityAndItsMoveStaysInItsFolder)
{
    TemporaryDirectory temp;
    const std::string dir = temp.path();
    mkdir((dir + "/d").c_str(), 0755);
    mkdir((dir + "/other").c_str(), 0755);
    writeFile(dir + "/d/a.txt", "mine");
    writeFile(dir + "/other/a.txt", "the other folder's");
    struct stat file {};
    struct stat folder {};
    ASSERT_EQ(stat((dir + "/d/a.txt").c_str(), &file), 0);
    ASSERT_EQ(stat((dir + "/d").c_str(), &folder), 0);
    const FileIdentity folderIdentity{folder.st_dev, folder.st_ino};

    PosixFileSystem fileSystem;
    const FileHandle found = fileSystem.lookUpFile(dir + "/d/a.txt").value();
    EXPECT_EQ(found.identity.device, file.st_dev);
    EXPECT_EQ(found.identity.inode, file.st_ino);
    EXPECT_EQ(found.folder->identity(), folderIdentity);
    const FolderListing listed = fileSystem.readFolder(dir + "/d").value();
    EXPECT_EQ(listed.inodes, std::vector<std::uint64_t>{file.st_ino});
    if (!listed.fingerprints.empty()) {
        EXPECT_EQ(listed.fingerprints, std::vector<std::uint32_t>{found.identity.fingerprint}) << "listed as looked up";
    }
    EXPECT_EQ(listed.folder, folderIdentity);

    // The folder's path is made to lead elsewhere between look-up and move.
    ASSERT_EQ(rename((dir + "/d").c_str(), (dir + "/d.old").c_str()), 0);
    ASSERT_EQ(symlink("other", (dir + "/d").c_str()), 0);
    EXPECT_EQ(failureOf(fileSystem.move(found, dir + "/d/b.txt")), std::nullopt);
    EXPECT_EQ(snapshot(dir + "/d.old"), (std::map<std::string, std::string>{{"b.txt", "mine"}}));
    EXPECT_EQ(snapshot(dir + "/other"), (std::map<std::string, std::string>{{"a.txt", "the other folder's"}}));
}

} // namespace
} // namespace renamer

namespace renamer {
namespace {

// The look-up after a move on a volume that stores names otherwise: the
// folder holds what such a driver stored, and the name asked is looked for.
TEST(PosixFileSystem, TheNameAVolumeStoredIsFoundUnderTheNameAsked)
{
    const struct {
        const char* behaviour;
        std::vector<std::string> files;
        std::string asked;
        std::optional<std::string> found; // nothing: renamed, but not found
    } rows[] = {
        {"letters in another case", {"photo.jpg"}, "Photo.JPG", "photo.jpg"},
        {"trailing dots and spaces dropped", {"report.txt"}, "report.txt. .", "report.txt"},
        {"two entries that could be it", {"x.txt", "x.TXT"}, "X.txt", std::nullopt},
        {"nothing like the name asked", {"c.txt"}, "b.txt", std::nullopt},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.behaviour);
        TemporaryDirectory temp;
        for (const std::string& file : row.files)
            writeFile(temp.path() + "/" + file, file);
        PosixFileSystem fileSystem;
        const auto stored = fileSystem.storedName(fileSystem.openFolder(temp.path()).value(), row.asked);
        EXPECT_EQ(stored ? std::optional(*stored) : std::nullopt, row.found);
        if (!stored) {
            EXPECT_EQ(stored.error().description, "文件已重命名，但在新文件名下找不到它");
        }
    }
}

TEST(RefusedNames, AFailureForANameHasTheRuleItBreaksOrTheErrnosKind)
{
    const struct {
        const char* behaviour;
        int error;
        std::optional<NameRefusal> refusal;
        FailureKind kind;
    } rows[] = {
        {"a forbidden character is the rule broken", ENOENT, NameRefusal{NameRefusalKind::ForbiddenCharacter, U'|'},
         FailureKind::NameRefused},
        {"a name too long is too long whatever the errno", EBADMSG, NameRefusal{NameRefusalKind::TooLong},
         FailureKind::NameTooLong},
        {"bytes a volume cannot decode", EILSEQ, NameRefusal{NameRefusalKind::NotUtf8}, FailureKind::NameRefused},
        {"ENOENT with no rule broken is still about the name", ENOENT, std::nullopt, FailureKind::NameRefused},
        {"EBADMSG with no rule broken", EBADMSG, std::nullopt, FailureKind::NameRefused},
        {"EPERM with no rule broken is a matter of rights", EPERM, std::nullopt, FailureKind::NoRights},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.behaviour);
        const Failure failure = refusedNameFailure(row.error, row.refusal);
        EXPECT_EQ(failure.kind, row.kind);
        if (row.kind == FailureKind::NameRefused) {
            EXPECT_EQ(failure.refusal, row.refusal);
        }
    }
}

} // namespace
} // namespace renamer
