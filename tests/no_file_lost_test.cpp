// Random hostile lists renamed on real folders: whatever the list holds, no
// file may be lost or overwritten, and the rows and the status text must tell
// what happened on disk.
#include "ApplyNames.h"
#include "Pcre2RegularExpression.h"
#include "PosixFileSystem.h"
#include "PreviewNames.h"
#include "TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <optional>
#include <random>

using namespace renamer;
using renamer::test_support::snapshot;
using renamer::test_support::TemporaryDirectory;
using renamer::test_support::writeFile;

namespace {

using Disk = std::map<std::string, std::string>; // name -> content

const std::vector<std::string> kNamePool = {
    "a.txt", "b.txt", "c.txt", "1.txt", "2.txt", "3.txt", "名 字.txt", "照片01.jpg", ".hidden",
    "x y.txt", "A.TXT", "..dots", " lead space", "img10.jpg", "img2.jpg",
};
const std::string kFreshPrefixes[] = {"新 文件 ", ".dot ", "n", "  "};
const std::vector<std::string> kInvalidNames = {"a/b.txt", ".", "..", "../escape.txt", std::string(256, 'L')};

// What the batch should do, replayed on a model of one folder: the oracle.
struct Expectation {
    std::map<std::string, Disk> disks; // folder -> content
    std::optional<std::size_t> failingRow;
    std::string description;
    std::uint64_t renamed = 0;
};

bool isInvalidName(const std::string& name)
{
    return name == "." || name == ".." || name.find('/') != std::string::npos || name.size() > 255;
}

Expectation replay(const FileList& list, std::map<std::string, Disk> disks)
{
    Expectation expected;
    for (std::size_t row = 1; row <= list.rowCount(); ++row) {
        const std::string& newName = list.cell(row, ColumnKey::NewName);
        if (newName.empty())
            continue;
        Disk& disk = disks[list.cell(row, ColumnKey::Path)];
        const std::string& oldName = list.cell(row, ColumnKey::FileName);
        const auto source = disk.find(oldName);
        std::string failure;
        if (source == disk.end())
            failure = "文件未找到";
        else if (isInvalidName(newName))
            failure = newName.size() > 255 ? "文件名过长" : "文件名无效";
        else if (newName != oldName && disk.contains(newName))
            failure = "文件已存在";
        if (!failure.empty()) {
            expected.failingRow = row;
            expected.description = failure;
            break;
        }
        std::string content = source->second;
        disk.erase(source);
        disk[newName] = content;
        ++expected.renamed;
    }
    expected.disks = std::move(disks);
    return expected;
}

std::multiset<std::string> contents(const std::map<std::string, Disk>& disks)
{
    std::multiset<std::string> all;
    for (const auto& [folder, disk] : disks)
        for (const auto& [name, content] : disk)
            all.insert(content);
    return all;
}

class HostileList {
public:
    explicit HostileList(unsigned seed) : random_(seed) {}

    // Two folders of random files, a list of random rows over them, random
    // proposals, then random changes behind the tool's back.
    void build(const std::string& root, FileSystem& fileSystem, FileList& list)
    {
        for (const char* folderName : {"/one", "/two"}) {
            const std::string folder = root + folderName;
            std::filesystem::create_directory(folder);
            std::vector<std::string> names = kNamePool;
            std::shuffle(names.begin(), names.end(), random_);
            names.resize(1 + pick(8));
            for (const std::string& name : names) {
                writeFile(folder + "/" + name, folder + "/" + name + " #" + std::to_string(serial_++));
                files_.push_back({folder, name});
            }
        }
        if (pick(2) == 0) {
            // Each file at most once.
            std::vector<std::pair<std::string, std::string>> distinct = files_;
            std::shuffle(distinct.begin(), distinct.end(), random_);
            distinct.resize(1 + pick(distinct.size()));
            for (const auto& [folder, name] : distinct)
                ASSERT_TRUE(AddFile(list, fileSystem, folder + "/" + name));
        } else {
            const std::size_t rows = pick(3) == 0 ? 101 + pick(30) : 1 + pick(14);
            for (std::size_t i = 0; i < rows; ++i) {
                const auto& [folder, name] = files_[pick(files_.size())];
                ASSERT_TRUE(AddFile(list, fileSystem, folder + "/" + name));
            }
        }
        propose(list);
        changeBehindTheToolsBack();
    }

private:
    std::size_t pick(std::size_t count) { return std::uniform_int_distribution<std::size_t>(0, count - 1)(random_); }

    void propose(FileList& list)
    {
        if (list.rowCount() > 100) {
            // "##" keeps two digits, so rows 1 and 101 propose the same name.
            PreviewNames(list, makePcre2RegularExpression, "^.*$", "n##.txt");
            return;
        }
        for (std::size_t row = 1; row <= list.rowCount(); ++row) {
            const std::string& name = list.cell(row, ColumnKey::FileName);
            std::string proposal;
            const std::size_t kind = pick(24);
            if (kind < 4)
                proposal = name;
            else if (kind < 5)
                proposal = kInvalidNames[pick(kInvalidNames.size())];
            else if (kind < 7)
                proposal = files_[pick(files_.size())].second; // likely taken
            else if (kind < 11)
                proposal = kNamePool[pick(kNamePool.size())];
            else if (kind < 20)
                proposal = kFreshPrefixes[pick(std::size(kFreshPrefixes))] + std::to_string(serial_++) + ".txt";
            // else no proposal
            list.setCell(row, ColumnKey::NewName, proposal);
        }
        // Swaps and chains between rows.
        if (list.rowCount() >= 2 && pick(2) == 0) {
            const std::size_t first = 1 + pick(list.rowCount());
            const std::size_t second = 1 + pick(list.rowCount());
            list.setCell(first, ColumnKey::NewName, list.cell(second, ColumnKey::FileName));
            list.setCell(second, ColumnKey::NewName, pick(2) == 0 ? list.cell(first, ColumnKey::FileName) : "chain.txt");
        }
    }

    void changeBehindTheToolsBack()
    {
        if (pick(3) != 0)
            return;
        const auto& [folder, name] = files_[pick(files_.size())];
        const std::string path = folder + "/" + name;
        if (pick(2) == 0)
            std::filesystem::remove(path);
        else if (!std::filesystem::exists(folder + "/moved away.txt"))
            std::filesystem::rename(path, folder + "/moved away.txt");
    }

    std::mt19937 random_;
    std::vector<std::pair<std::string, std::string>> files_;
    int serial_ = 0;
};

std::map<std::string, Disk> disksUnder(const std::string& root)
{
    return {{root + "/one", snapshot(root + "/one")}, {root + "/two", snapshot(root + "/two")}};
}

} // namespace

TEST(NoFileLost, HostileListsNeverLoseOrOverwriteAFile)
{
    constexpr unsigned kLists = 400;
    int failedBatches = 0;
    std::uint64_t totalRenamed = 0;
    for (unsigned seed = 1; seed <= kLists; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        TemporaryDirectory temp;
        PosixFileSystem fileSystem;
        FileList list;
        HostileList hostile(seed);
        hostile.build(temp.path(), fileSystem, list);
        if (::testing::Test::HasFatalFailure())
            return;

        const FileList before = list;
        const std::map<std::string, Disk> disksBefore = disksUnder(temp.path());
        const Expectation expected = replay(list, disksBefore);

        const ApplyOutcome outcome = ApplyNames(list, fileSystem);
        const std::map<std::string, Disk> disksAfter = disksUnder(temp.path());

        for (const auto& [folder, disk] : disksBefore)
            ASSERT_EQ(disksAfter.at(folder).size(), disk.size()) << "files in " << folder;
        ASSERT_EQ(contents(disksAfter), contents(disksBefore)) << "every content under exactly one name";
        ASSERT_EQ(disksAfter, expected.disks);

        ASSERT_EQ(outcome.failed, expected.failingRow.has_value());
        ASSERT_EQ(outcome.renamedCount, expected.renamed);
        totalRenamed += expected.renamed;
        if (expected.failingRow) {
            ++failedBatches;
            const std::size_t row = *expected.failingRow;
            ASSERT_EQ(outcome.statusText, renameFailureMessage(before.cell(row, ColumnKey::FileName),
                                                               before.cell(row, ColumnKey::NewName),
                                                               expected.description));
        } else {
            ASSERT_EQ(outcome.statusText, std::to_string(expected.renamed) + "个文件已重命名");
        }

        const std::size_t stop = expected.failingRow.value_or(list.rowCount() + 1);
        for (std::size_t row = 1; row <= list.rowCount(); ++row) {
            const std::string& proposal = before.cell(row, ColumnKey::NewName);
            const bool renamed = row < stop && !proposal.empty();
            ASSERT_EQ(list.cell(row, ColumnKey::FileName), renamed ? proposal : before.cell(row, ColumnKey::FileName))
                << "row " << row;
            ASSERT_EQ(list.cell(row, ColumnKey::NewName), renamed ? "" : proposal) << "row " << row;
        }
        // The last rename of each file shows its real name on disk.
        for (std::size_t row = 1; row < stop; ++row) {
            if (before.cell(row, ColumnKey::NewName).empty())
                continue;
            const std::string& folder = list.cell(row, ColumnKey::Path);
            const std::string& name = list.cell(row, ColumnKey::FileName);
            bool renamedAgainLater = false;
            for (std::size_t later = row + 1; later < stop; ++later)
                renamedAgainLater |= list.cell(later, ColumnKey::Path) == folder
                    && before.cell(later, ColumnKey::FileName) == name
                    && !before.cell(later, ColumnKey::NewName).empty();
            if (!renamedAgainLater) {
                ASSERT_TRUE(disksAfter.at(folder).contains(name)) << "row " << row << " shows " << name;
            }
        }
    }
    // The lists are hostile enough that most batches stop early, but not all.
    EXPECT_GT(failedBatches, static_cast<int>(kLists / 4));
    EXPECT_LT(failedBatches, static_cast<int>(kLists));
    EXPECT_GT(totalRenamed, kLists);
}
