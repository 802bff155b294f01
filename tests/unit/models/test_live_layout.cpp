// Layout, channel pages and rotation of the live display.
#include "models/live_layout.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <vector>

using namespace ostrel;

namespace {

std::vector<int> OnScreen(const CLiveLayout& layout)
{
    std::vector<int> channels;
    for (int n = 0; n < 16; ++n)
        if (!layout.Cell(n).IsEmpty())
            channels.push_back(n);
    return channels;
}

std::vector<int> CheckedButtons(const CLiveLayout& layout)
{
    std::vector<int> channels;
    for (int n = 0; n < 16; ++n)
        if (layout.ChannelChecked(n))
            channels.push_back(n);
    return channels;
}

} // namespace

TEST(LiveLayout, LayoutButtons)
{
    struct Row {
        const char* name;
        int nIndex;
        uint16_t wMode;
        uint32_t dwMask;
        uint16_t wSingle;
        CellRect rcFirst;
        bool bBeep;
    } rows[] = {
        {"one cell shows channel 1 over the whole area", 0, 0x0100, 0x0001, 0, {63, 23, 701, 501}, false},
        {"four cells of 320 x 240", 1, 0x0401, 0x000F, 256, {63, 23, 381, 261}, false},
        {"nine cells of 213 x 160", 3, 0x0903, 0x01FF, 256, {63, 23, 274, 181}, false},
        {"sixteen cells of 160 x 120", 6, 0x1006, 0xFFFF, 256, {63, 23, 221, 141}, false},
        {"button 1019 has no layout", 2, 0x1006, 0xFFFF, 256, {63, 23, 221, 141}, true},
        {"button 1022 has no layout", 5, 0x1006, 0xFFFF, 256, {63, 23, 221, 141}, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CLiveLayout layout;
        layout.ApplyLayout(CLiveLayout::MODE_SIXTEEN);
        const auto effects = layout.OnLayoutButton(row.nIndex);
        EXPECT_EQ(row.bBeep, effects.bBeep);
        EXPECT_EQ(!row.bBeep, effects.bSendLive);
        EXPECT_EQ(row.wMode, layout.SplitMode());
        EXPECT_EQ(row.dwMask, layout.LiveChMask());
        EXPECT_EQ(row.wSingle, layout.SingleCh());
        EXPECT_EQ(row.rcFirst, layout.Cell(0));
        for (int i = 0; i < 7; ++i)
            EXPECT_EQ(i == (row.wMode & 0xFF), layout.LayoutChecked(i)) << "layout button " << i;
    }
    CLiveLayout sixteen;
    EXPECT_TRUE(sixteen.ApplyLayout(CLiveLayout::MODE_SIXTEEN).bRedrawDisplay);
    EXPECT_EQ((CellRect{543, 383, 701, 501}), sixteen.Cell(15)) << "every cell two pixels inside its step";
    for (int n = 0; n < 16; ++n)
        EXPECT_FALSE(sixteen.ChannelEnabled(n)) << "shown channels cannot be chosen again";
}

TEST(LiveLayout, NineCellPagesStartAtTheChosenChannelAndWrap)
{
    CLiveLayout layout;
    layout.OnLayoutButton(3);
    EXPECT_EQ(0x01FFu, layout.LiveChMask());
    // Channel 12 (0-based 11) starts the page: 11..15, then 0..3 in reading order.
    layout.OnChannelButton(11);
    EXPECT_EQ(0xF80Fu, layout.LiveChMask());
    EXPECT_EQ(11, layout.SingleCh());
    const int order[9] = {11, 12, 13, 14, 15, 0, 1, 2, 3};
    for (int i = 0; i < 9; ++i) {
        SCOPED_TRACE(i);
        // Steps of 213 x 160, each cell two pixels inside its step.
        const int nLeft = 63 + 213 * (i % 3), nTop = 23 + 160 * (i / 3);
        EXPECT_EQ((CellRect{nLeft, nTop, nLeft + 211, nTop + 158}), layout.Cell(order[i]));
    }
    for (int n = 4; n <= 10; ++n)
        EXPECT_TRUE(layout.Cell(n).IsEmpty()) << n;
    EXPECT_EQ((std::vector<int>{0, 1, 2, 3, 11, 12, 13, 14, 15}), CheckedButtons(layout));
    // The last cell's right and bottom edges: 63 + 2 * 213 + 211 = 700, 23 + 2 * 160 + 158 = 501.
    EXPECT_EQ((CellRect{489, 343, 700, 501}), layout.Cell(3));
}

TEST(LiveLayout, DoubleClickOnTheGapOrOutsideDoesNothingAndTheAboutHotspotAnswers)
{
    CLiveLayout layout;
    layout.OnLayoutButton(1);
    EXPECT_FALSE(layout.OnDoubleClick(381, 100).bSendLive) << "the two-pixel gap belongs to no channel";
    layout.OnLayoutButton(0);
    EXPECT_FALSE(layout.OnDoubleClick(750, 300).bSendLive) << "outside the display";
    EXPECT_TRUE(layout.OnDoubleClick(62, 22).bSendLive) << "the display's corner: back to sixteen";
    EXPECT_TRUE(layout.OnDoubleClick(30, 570).bShowAbout);
    EXPECT_FALSE(layout.OnDoubleClick(190, 600).bShowAbout);
}

// The count arrives with the login, while a layout chosen before it is on screen: the buttons of
// channels the recorder lacks must go dark at once, whatever the layout.
TEST(LiveLayout, ChannelCountArrivingUnderAnyLayoutDisablesMissingChannels)
{
    struct Row {
        const char* name;
        int nLayoutButton;
        std::vector<int> checked; // of channels 0-3 after the count of 4
    };
    const Row rows[] = {
        {"sixteen cells", 6, {0, 1, 2, 3}},
        {"nine cells", 3, {0, 1, 2, 3}},
        {"four cells", 1, {0, 1, 2, 3}},
        {"single view", 0, {0}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CLiveLayout layout;
        layout.OnLayoutButton(row.nLayoutButton);
        layout.SetChannelCount(4);
        EXPECT_EQ(row.checked, CheckedButtons(layout));
        for (int n = 4; n < 16; ++n) {
            EXPECT_FALSE(layout.ChannelChecked(n)) << n;
            EXPECT_FALSE(layout.ChannelEnabled(n)) << n;
        }
        for (int n = 0; n < 4; ++n)
            EXPECT_EQ(std::count(row.checked.begin(), row.checked.end(), n) == 0, layout.ChannelEnabled(n)) << n;
        for (int nButton : {6, 0}) {
            layout.OnLayoutButton(nButton);
            for (int n = 4; n < 16; ++n)
                EXPECT_FALSE(layout.ChannelEnabled(n)) << "a missing channel is never offered: " << n;
        }
    }
}

TEST(LiveLayout, SingleViewChannelButtonChangesOnlyForAnotherChannel)
{
    CLiveLayout layout;
    layout.OnLayoutButton(0);
    EXPECT_FALSE(layout.OnChannelButton(0).bSendLive);
    EXPECT_TRUE(layout.OnChannelButton(9).bSendLive);
    EXPECT_EQ((std::vector<int>{9}), OnScreen(layout));
    EXPECT_EQ((CellRect{63, 23, 701, 501}), layout.Cell(9));
    EXPECT_TRUE(layout.OnChannelButton(3).bSendLive);
    EXPECT_EQ(CLiveLayout::MODE_SIXTEEN, [] {
        CLiveLayout sixteen;
        sixteen.OnChannelButton(3);
        return sixteen.SplitMode();
    }()) << "in sixteen cells a channel button only re-applies the layout";
}

TEST(LiveLayout, RotationVisitsDrawnChannelsAtTheDwellPace)
{
    struct Row {
        const char* name;
        uint8_t byDwell;
        std::vector<int> expected; // single channel after each of 8 ticks
    } rows[] = {
        {"dwell index 0 switches every second", 0, {5, 9, 2, 5, 9, 2, 5, 9}},
        {"dwell index 3 switches every four seconds", 3, {2, 2, 2, 5, 5, 5, 5, 9}},
        {"nothing drawn: the current channel stays", 0, {4, 4, 4, 4, 4, 4, 4, 4}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CLiveLayout layout;
        layout.OnLayoutButton(0);
        const bool bDrawn = row.expected[0] != 4;
        if (bDrawn) {
            for (int n : {2, 5, 9})
                layout.SetDrawn(n);
        } else {
            layout.OnChannelButton(4);
        }
        layout.OnRotateButton(true, row.byDwell);
        ASSERT_EQ(bDrawn ? 2 : 4, layout.SingleChannel()) << "rotation moves on at once";
        std::vector<int> seen;
        for (int i = 0; i < 8; ++i) {
            layout.RotationTick();
            seen.push_back(layout.SingleChannel());
        }
        EXPECT_EQ(row.expected, seen);
        EXPECT_EQ(bDrawn ? 1u : 1u << 4, layout.LiveChMask()) << "rotation leaves the mask alone";
    }
}

TEST(LiveLayout, RotationNeedsSingleViewAndAMultiCellLayoutStopsItAndPtzKeysWrap)
{
    CLiveLayout layout;
    EXPECT_TRUE(layout.OnRotateButton(true, 3).bBeep) << "sixteen cells";
    layout.OnLayoutButton(0);
    EXPECT_FALSE(layout.OnRotateButton(true, 3).bBeep);
    EXPECT_EQ(0x103, layout.Rotate());
    EXPECT_FALSE(layout.OnPtzChannelKey(13, true)) << "ignored while rotating";
    layout.ApplyLayout(CLiveLayout::MODE_FOUR);
    EXPECT_FALSE(layout.IsRotating());
    EXPECT_FALSE(layout.RotateChecked());

    EXPECT_TRUE(layout.OnPtzChannelKey(14, true));
    EXPECT_EQ(15, layout.PtzChannel());
    EXPECT_FALSE(layout.OnPtzChannelKey(13, false)) << "releases change nothing";
    EXPECT_TRUE(layout.OnPtzChannelKey(13, true));
    EXPECT_EQ(0, layout.PtzChannel());
    EXPECT_FALSE(layout.OnPtzChannelKey(1324, true));
}
