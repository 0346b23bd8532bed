#include "WindowLayout.h"

#include <gtest/gtest.h>

using namespace renamer;

namespace {

WindowLayout atDesignSize()
{
    return layOutForClientSize(kDesignClientWidth, kDesignClientHeight, designLayout());
}

} // namespace

TEST(WindowLayout, TheDesignSizeGivesBackTheDesignPlaces)
{
    const WindowLayout design = designLayout();
    const WindowLayout laidOut = atDesignSize();
    EXPECT_EQ(laidOut.listView1, design.listView1);
    EXPECT_EQ(laidOut.command2, design.command2);
    EXPECT_EQ(laidOut.command3, design.command3);
    EXPECT_EQ(laidOut.label1, (TwipRect{240, 6365, 5895, 255})) << "the status line sits 5 twips below its design top";
    EXPECT_EQ(laidOut.idColumnWidth, 500.0f);
    EXPECT_EQ(laidOut.pathColumnWidth, 0.0f);
    EXPECT_EQ(laidOut.fileNameColumnWidth, 3827.5f) << "the half twip is passed on";
    EXPECT_EQ(laidOut.newNameColumnWidth, 3827.5f);
    for (const auto& [laid, designed] : {std::pair{laidOut.label2, design.label2}, {laidOut.label3, design.label3},
                                         {laidOut.command1, design.command1}, {laidOut.text1, design.text1},
                                         {laidOut.text2, design.text2}})
        EXPECT_EQ(laid, designed) << "the top controls keep their places";
}

TEST(WindowLayout, AWiderWindowWidensTheListAndItsNameColumnsAndMovesTheLowerButtons)
{
    const WindowLayout before = atDesignSize();
    const WindowLayout wider = layOutForClientSize(kDesignClientWidth + 1500, kDesignClientHeight + 300, before);
    EXPECT_EQ(wider.listView1.width, before.listView1.width + 1500);
    EXPECT_EQ(wider.listView1.height, before.listView1.height + 300);
    EXPECT_EQ(wider.fileNameColumnWidth, before.fileNameColumnWidth + 750);
    EXPECT_EQ(wider.newNameColumnWidth, before.newNameColumnWidth + 750);
    EXPECT_EQ(wider.command2.left, before.command2.left + 1500);
    EXPECT_EQ(wider.command3.left, before.command3.left + 1500);
    EXPECT_EQ(wider.command3.top, before.command3.top + 300);
    EXPECT_EQ(wider.label1.top, before.label1.top + 300);
    EXPECT_EQ(wider.command1, before.command1) << "the rename button does not follow the right edge";
}

TEST(WindowLayout, StepsThatWouldGiveANegativeSizeAreSkippedAndTheRestStillRuns)
{
    const WindowLayout before = atDesignSize();
    // Outer width 400 + 240 is less than 720: the list keeps its width.
    const WindowLayout narrow = layOutForClientSize(400, kDesignClientHeight, before);
    EXPECT_EQ(narrow.listView1.width, before.listView1.width);
    EXPECT_EQ(narrow.fileNameColumnWidth, before.fileNameColumnWidth);
    EXPECT_EQ(narrow.command2.left, 640 - 3135.0f) << "the buttons still move";
    EXPECT_EQ(narrow.command3.left, 640 - 1695.0f);

    // A list narrower than 1000 twips leaves the name columns as they were.
    const WindowLayout slim = layOutForClientSize(1200, 1000, before);
    EXPECT_EQ(slim.listView1.width, 720.0f);
    EXPECT_EQ(slim.listView1.height, before.listView1.height) << "1540 - 2310 is negative";
    EXPECT_EQ(slim.fileNameColumnWidth, before.fileNameColumnWidth);
    EXPECT_EQ(slim.idColumnWidth, 500.0f);
    EXPECT_EQ(slim.label1.top, 540.0f);
}

TEST(WindowLayout, ThePathColumnIsHiddenAgainOnEveryLayout)
{
    WindowLayout current = atDesignSize();
    current.pathColumnWidth = 2000;
    EXPECT_EQ(layOutForClientSize(kDesignClientWidth, kDesignClientHeight, current).pathColumnWidth, 0.0f);
}
