#include "DroppedItems.h"
#include "Pcre2RegularExpression.h"
#include "PosixFileSystem.h"
#include "TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace renamer;
using renamer::test_support::TemporaryDirectory;
using renamer::test_support::writeFile;

namespace {

const RegularExpressionFactory kMakeRegex = makePcre2RegularExpression;
const PreviewSettings kDefaults{kMakeRegex, "(.+)\\.(.+)", "$1.$2"};

struct Row {
    std::string id, path, fileName, newName;
    bool operator==(const Row&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Row& row)
{
    return out << row.id << '|' << row.path << '|' << row.fileName << '|' << row.newName;
}

std::vector<Row> rowsOf(const FileList& list)
{
    std::vector<Row> rows;
    for (std::size_t row = 1; row <= list.rowCount(); ++row)
        rows.push_back({std::string(list.cell(row, ColumnKey::Id)), std::string(list.cell(row, ColumnKey::Path)),
                        std::string(list.cell(row, ColumnKey::FileName)),
                        std::string(list.cell(row, ColumnKey::NewName))});
    return rows;
}

class DroppedItemsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = temp.path();
        mkdir((dir + "/photos").c_str(), 0755);
        mkdir((dir + "/photos/sub").c_str(), 0755);
        mkdir((dir + "/empty").c_str(), 0755);
        for (const char* name : {"img10.jpg", "img2.jpg", "IMG1.jpg", ".hidden", "sub/deeper.jpg"})
            writeFile(dir + "/photos/" + name, name);
        writeFile(dir + "/a.txt", "a");
        writeFile(dir + "/readme", "r");
    }

    DropOutcome drop(const std::vector<std::string>& paths, const PreviewSettings& preview = kDefaults)
    {
        return AddDroppedItems(list, fileSystem, paths, preview);
    }

    TemporaryDirectory temp;
    std::string dir;
    PosixFileSystem fileSystem;
    FileList list;
};

} // namespace

TEST_F(DroppedItemsTest, AFolderAddsItsTopLevelFilesInNaturalOrderAndFilesStandAtTheirPlaceInTheDrop)
{
    const DropOutcome outcome = drop({dir + "/a.txt", dir + "/photos", dir + "/readme"});
    const std::string photos = dir + "/photos";
    EXPECT_EQ(rowsOf(list), (std::vector<Row>{
                                {"1", dir, "a.txt", "a.txt"},
                                {"2", photos, ".hidden", ""},
                                {"3", photos, "IMG1.jpg", "IMG1.jpg"},
                                {"4", photos, "img2.jpg", "img2.jpg"},
                                {"5", photos, "img10.jpg", "img10.jpg"},
                                {"6", dir, "readme", ""},
                            }));
    EXPECT_EQ(outcome.statusText, "6个文件已加入列表");
    EXPECT_EQ(outcome.appended.first, 1u);
    EXPECT_EQ(outcome.appended.last, 6u);
    ASSERT_EQ(outcome.folders.size(), 1u) << "the folder as read, for the names on disk";
    EXPECT_EQ(outcome.folders[0].path, photos);
    EXPECT_EQ(outcome.folders[0].names.size(), 5u) << "its sub-folder too";
}

TEST_F(DroppedItemsTest, ALaterDropAppendsAndTheStatusCountsTheWholeList)
{
    drop({dir + "/a.txt", dir + "/readme"});
    const DropOutcome outcome = drop({dir + "/a.txt", dir + "/photos/img2.jpg"}, {kMakeRegex, "^", "#_"});
    EXPECT_EQ(outcome.statusText, "4个文件已加入列表");
    EXPECT_EQ(outcome.appended.first, 3u);
    EXPECT_EQ(outcome.appended.last, 4u);
    const std::vector<Row> rows = rowsOf(list);
    EXPECT_EQ(rows[2], (Row{"3", dir, "a.txt", "3_a.txt"})) << "the same file may stand twice";
    EXPECT_EQ(rows[0].newName, "1_a.txt") << "the preview runs over all rows, not only the new ones";
}

TEST_F(DroppedItemsTest, AnEmptyFolderAddsNothingButStillReportsAndPreviews)
{
    drop({dir + "/a.txt"});
    list.setCell(1, ColumnKey::NewName, "");
    const DropOutcome outcome = drop({dir + "/empty"});
    EXPECT_EQ(outcome.statusText, "1个文件已加入列表");
    EXPECT_TRUE(outcome.appended.empty());
    EXPECT_TRUE(outcome.folders.empty()) << "a folder that added no rows is not kept";
    EXPECT_EQ(list.cell(1, ColumnKey::NewName), "a.txt");
}

TEST_F(DroppedItemsTest, ALinkToAFolderIsExpandedLikeTheFolder)
{
    symlink((dir + "/photos").c_str(), (dir + "/shortcut").c_str());
    drop({dir + "/shortcut"});
    ASSERT_EQ(list.rowCount(), 4u);
    EXPECT_EQ(list.cell(4, ColumnKey::FileName), "img10.jpg");
}

TEST_F(DroppedItemsTest, TheFirstFailureEndsTheDropWithoutStatusOrPreview)
{
    const DropOutcome outcome = drop({dir + "/a.txt", dir + "/gone.txt", dir + "/readme"});
    EXPECT_FALSE(outcome.statusText);
    EXPECT_EQ(rowsOf(list), (std::vector<Row>{{"1", dir, "a.txt", ""}})) << "no preview after a failed drop";
    EXPECT_EQ(outcome.appended.first, 1u);
    EXPECT_EQ(outcome.appended.last, 1u);
    EXPECT_TRUE(outcome.previewChanged.empty());
}
