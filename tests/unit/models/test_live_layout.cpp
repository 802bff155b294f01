// The live display's layout: which channels are on screen in which cells of the 640 x 480
// display at (62, 22), the channel and layout buttons' states, the double-click between a cell
// and sixteen, and the rotation through the drawn channels in single view. Channels are counted
// from 0 here (the buttons read "Camera 1" for channel 0).
#include "models/live_layout.h"

#include <gtest/gtest.h>

#include <bit>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace ostrel {

static void PrintTo(const CellRect& rc, std::ostream* pOs)
{
    *pOs << '(' << rc.nLeft << ", " << rc.nTop << ")-(" << rc.nRight << ", " << rc.nBottom << ')';
}

} // namespace ostrel

using namespace ostrel;

namespace {

using Action = std::function<CLiveLayout::Effects(CLiveLayout&)>;

bool HasCell(const CLiveLayout& layout, int n) { return !layout.Cell(n).IsEmpty(); }
bool Checked(const CLiveLayout& layout, int n) { return layout.ChannelChecked(n); }
bool Enabled(const CLiveLayout& layout, int n) { return layout.ChannelEnabled(n); }

uint32_t Mask(const CLiveLayout& layout, bool (*pTest)(const CLiveLayout&, int))
{
    uint32_t dw = 0;
    for (int n = 0; n < 16; ++n)
        dw |= pTest(layout, n) ? 1u << n : 0;
    return dw;
}

CLiveLayout::Effects Layout(CLiveLayout& layout, int nButton, int nChannel = -1)
{
    CLiveLayout::Effects effects = layout.OnLayoutButton(nButton);
    return nChannel < 0 ? effects : layout.OnChannelButton(nChannel);
}

// Rectangles worked out by hand: 1 pixel in from each grid step, 2 pixels less on the right and below.
constexpr CellRect kWhole{63, 23, 701, 501};
constexpr CellRect kFourFirst{63, 23, 381, 261}, kFourLast{383, 263, 701, 501};
constexpr CellRect kNineFirst{63, 23, 274, 181}, kNineMiddle{276, 183, 487, 341}, kNineLast{489, 343, 700, 501};
constexpr CellRect kSixteenFirst{63, 23, 221, 141}, kSixteenSixth{223, 143, 381, 261}, kSixteenLast{543, 383, 701, 501};

} // namespace

TEST(LiveLayout, LayoutsChannelsDoubleClicksAndTheChannelCountGiveTheseCellsAndButtons)
{
    const struct {
        const char* szCase;
        Action act; // on a new layout
        bool bSend, bBeep;
        uint16_t wMode, wSingleCh;
        uint32_t dwMask, dwChecked, dwEnabled; // the mask is also the channels with a cell
        int nLayoutChecked; // the one layout button checked
        std::vector<std::pair<int, CellRect>> cells;
    } rows[] = {
        {"at the start: sixteen cells", [](CLiveLayout& l) { return l.ApplyLayout(0x1006); },
         true, false, 0x1006, 256, 0xFFFF, 0xFFFF, 0x0000, 6,
         {{0, kSixteenFirst}, {5, kSixteenSixth}, {15, kSixteenLast}}},
        {"button 1: channel 1 alone", [](CLiveLayout& l) { return Layout(l, 0); },
         true, false, 0x0100, 0, 0x0001, 0x0001, 0xFFFE, 0, {{0, kWhole}, {1, {}}}},
        {"button 2: four cells from channel 1", [](CLiveLayout& l) { return Layout(l, 1); },
         true, false, 0x0401, 256, 0x000F, 0x000F, 0xFFF0, 1, {{0, kFourFirst}, {3, kFourLast}}},
        {"button 4: nine cells", [](CLiveLayout& l) { return Layout(l, 3); },
         true, false, 0x0903, 256, 0x01FF, 0x01FF, 0xFE00, 3,
         {{0, kNineFirst}, {4, kNineMiddle}, {8, kNineLast}}},
        {"button 7 after four: sixteen cells", [](CLiveLayout& l) { Layout(l, 1); return Layout(l, 6); },
         true, false, 0x1006, 256, 0xFFFF, 0xFFFF, 0x0000, 6, {{0, kSixteenFirst}, {15, kSixteenLast}}},
        {"buttons 3, 5 and 6 have no layout: a beep, four cells stay",
         [](CLiveLayout& l) { Layout(l, 1); Layout(l, 2); Layout(l, 4); return Layout(l, 5); },
         false, true, 0x0401, 256, 0x000F, 0x000F, 0xFFF0, 1, {{0, kFourFirst}}},
        {"four cells, camera 7: the page from channel 7", [](CLiveLayout& l) { return Layout(l, 1, 6); },
         true, false, 0x0401, 6, 0x03C0, 0x03C0, 0xFC3F, 1, {{6, kFourFirst}, {9, kFourLast}, {0, {}}}},
        {"four cells, camera 15: the page wraps to channels 1 and 2", [](CLiveLayout& l) { return Layout(l, 1, 14); },
         true, false, 0x0401, 14, 0xC003, 0xC003, 0x3FFC, 1, {{14, kFourFirst}, {1, kFourLast}}},
        {"nine cells, camera 13: the page wraps to channel 5", [](CLiveLayout& l) { return Layout(l, 3, 12); },
         true, false, 0x0903, 12, 0xF01F, 0xF01F, 0x0FE0, 3, {{12, kNineFirst}, {4, kNineLast}}},
        {"a layout button starts from channel 1 again", [](CLiveLayout& l) { Layout(l, 1, 6); return Layout(l, 3); },
         true, false, 0x0903, 256, 0x01FF, 0x01FF, 0xFE00, 3, {{0, kNineFirst}, {4, kNineMiddle}}},
        {"one cell, camera 10 replaces camera 1", [](CLiveLayout& l) { return Layout(l, 0, 9); },
         true, false, 0x0100, 9, 0x0200, 0x0200, 0xFDFF, 0, {{9, kWhole}, {0, {}}}},
        {"one cell, the camera shown: nothing at all", [](CLiveLayout& l) { return Layout(l, 0, 0); },
         false, false, 0x0100, 0, 0x0001, 0x0001, 0xFFFE, 0, {{0, kWhole}}},
        {"sixteen cells, a camera: the layout is sent again", [](CLiveLayout& l) { return l.OnChannelButton(3); },
         true, false, 0x1006, 256, 0xFFFF, 0xFFFF, 0x0000, 6, {{3, {543, 23, 701, 141}}}},
        {"double-click on the second of four cells: its channel alone",
         [](CLiveLayout& l) { Layout(l, 1, 6); return l.OnDoubleClick(500, 100); },
         true, false, 0x0100, 7, 0x0080, 0x0080, 0xFF7F, 0, {{7, kWhole}, {6, {}}}},
        {"double-click on the display's edge in one cell: sixteen from channel 1",
         [](CLiveLayout& l) { Layout(l, 0, 9); return l.OnDoubleClick(62, 22); },
         true, false, 0x1006, 256, 0xFFFF, 0xFFFF, 0x0000, 6, {{0, kSixteenFirst}, {9, {223, 263, 381, 381}}}},
        {"double-click between two cells: nothing",
         [](CLiveLayout& l) { l.ApplyLayout(0x1006); return l.OnDoubleClick(222, 100); },
         false, false, 0x1006, 256, 0xFFFF, 0xFFFF, 0x0000, 6, {}},
        {"double-click right of the display in one cell: nothing",
         [](CLiveLayout& l) { Layout(l, 0); return l.OnDoubleClick(702, 300); },
         false, false, 0x0100, 0, 0x0001, 0x0001, 0xFFFE, 0, {{0, kWhole}}},
        {"4 channels, sixteen cells: 5 to 16 unchecked and disabled",
         [](CLiveLayout& l) { l.ApplyLayout(0x1006); l.SetChannelCount(4); return CLiveLayout::Effects{}; },
         false, false, 0x1006, 256, 0xFFFF, 0x000F, 0x0000, 6, {}},
        {"4 channels after one cell was chosen",
         [](CLiveLayout& l) { Layout(l, 0); l.SetChannelCount(4); return CLiveLayout::Effects{}; },
         false, false, 0x0100, 0, 0x0001, 0x0001, 0x000E, 0, {}},
        {"4 channels after nine cells were chosen",
         [](CLiveLayout& l) { Layout(l, 3); l.SetChannelCount(4); return CLiveLayout::Effects{}; },
         false, false, 0x0903, 256, 0x01FF, 0x000F, 0x0000, 3, {}},
        {"4 channels, four cells from camera 4: only camera 4 checked",
         [](CLiveLayout& l) { l.SetChannelCount(4); return Layout(l, 1, 3); },
         true, false, 0x0401, 3, 0x0078, 0x0008, 0x0007, 1, {{3, kFourFirst}}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.szCase);
        CLiveLayout layout;
        const CLiveLayout::Effects effects = row.act(layout);
        EXPECT_EQ(row.bSend, effects.bSendLive);
        EXPECT_EQ(row.bSend, effects.bRedrawDisplay);
        EXPECT_EQ(row.bBeep, effects.bBeep);
        EXPECT_FALSE(effects.bShowAbout);
        EXPECT_EQ(row.wMode, layout.SplitMode());
        EXPECT_EQ(row.wSingleCh, layout.SingleCh());
        EXPECT_EQ(row.dwMask, layout.LiveChMask());
        EXPECT_EQ(row.dwMask, Mask(layout, HasCell));
        EXPECT_EQ(row.dwChecked, Mask(layout, Checked));
        EXPECT_EQ(row.dwEnabled, Mask(layout, Enabled));
        for (int i = 0; i < 7; ++i)
            EXPECT_EQ(i == row.nLayoutChecked, layout.LayoutChecked(i)) << "layout button " << i + 1;
        for (const auto& [nChannel, rc] : row.cells)
            EXPECT_EQ(rc, layout.Cell(nChannel)) << "channel " << nChannel;
    }
}

// Cells hold their top-left pixel but not the gap after them; the brand plate is (30, 570)-(190, 680).
TEST(LiveLayout, ADoubleClickFindsTheCellUnderItAndTheBrandPlateOpensTheAboutBox)
{
    CLiveLayout layout;
    layout.ApplyLayout(0x1006);
    EXPECT_EQ(0, layout.ChannelAt(63, 23));
    EXPECT_EQ(-1, layout.ChannelAt(221, 30));
    EXPECT_EQ(1, layout.ChannelAt(223, 30));
    EXPECT_EQ(15, layout.ChannelAt(700, 500));
    EXPECT_EQ(-1, layout.ChannelAt(700, 501));
    EXPECT_TRUE(layout.OnDoubleClick(30, 570).bShowAbout && layout.OnDoubleClick(189, 679).bShowAbout);
    EXPECT_FALSE(layout.OnDoubleClick(190, 680).bShowAbout);
    EXPECT_EQ(0x1006, layout.SplitMode());
}

// Each row: the dwell setting, the channels drawn, the channel shown before; then the channel shown
// when rotation starts and after each tick of one second, with '*' where the live request goes.
TEST(LiveLayout, RotationShowsTheNextDrawnChannelAfterTheDwellOfItsSetting)
{
    const struct {
        const char* szCase;
        uint8_t byDwellIndex;
        std::vector<int> drawn;
        int nFrom;
        int nTicks;
        const char* szShown;
    } rows[] = {
        {"01 SEC", 0, {2, 5, 11}, 0, 5, "2* 5* 11* 2* 5* 11*"},
        {"02 SEC", 1, {2, 5, 11}, 0, 6, "2* 2 5* 5 11* 11 2*"},
        {"04 SEC, the default", 3, {2, 5, 11}, 0, 8, "2* 2 2 2 5* 5 5 5 11*"},
        {"06 SEC", 5, {2, 5, 11}, 0, 12, "2* 2 2 2 2 2 5* 5 5 5 5 5 11*"},
        {"channels not drawn are passed over, past 16 back to 1", 0, {3, 14}, 9, 3, "14* 3* 14* 3*"},
        {"only the channel shown drawn: it stays, sent again", 1, {4}, 4, 4, "4* 4 4* 4 4*"},
        {"nothing drawn: the channel stays", 0, {}, 7, 2, "7* 7* 7*"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.szCase);
        CLiveLayout layout;
        layout.OnLayoutButton(0);
        if (row.nFrom != 0)
            layout.OnChannelButton(row.nFrom);
        for (int n : row.drawn)
            layout.SetDrawn(n);
        const auto shown = [&](const CLiveLayout::Effects& effects) {
            return std::to_string(layout.SingleChannel()) + (effects.bSendLive ? "*" : "");
        };
        std::string str = shown(layout.OnRotateButton(true, row.byDwellIndex));
        EXPECT_TRUE(layout.IsRotating() && layout.RotateChecked());
        for (int i = 0; i < row.nTicks; ++i)
            str += " " + shown(layout.RotationTick());
        EXPECT_EQ(row.szShown, str);
        EXPECT_EQ(0x0100, layout.SplitMode());
        EXPECT_EQ(kWhole, layout.Cell(layout.SingleChannel()));
        EXPECT_EQ(1, std::popcount(Mask(layout, HasCell)));
        EXPECT_EQ(1u << layout.SingleChannel(), Mask(layout, Checked));
    }
}

TEST(LiveLayout, RotationStartsOnlyConnectedInOneCellAndStopsByItsButtonOrAnotherLayout)
{
    CLiveLayout layout;
    layout.OnLayoutButton(0);
    layout.OnChannelButton(9);
    layout.SetDrawn(2);
    const CLiveLayout::Effects offline = layout.OnRotateButton(false, 0);
    EXPECT_TRUE(offline.bBeep && !offline.bSendLive);
    EXPECT_FALSE(layout.IsRotating() || layout.RotateChecked());
    EXPECT_FALSE(layout.RotationTick().bSendLive);

    layout.OnLayoutButton(1);
    EXPECT_TRUE(layout.OnRotateButton(true, 0).bBeep) << "four cells";
    EXPECT_FALSE(layout.IsRotating());

    layout.OnLayoutButton(0);
    layout.OnChannelButton(9);
    layout.OnRotateButton(true, 0);
    EXPECT_EQ(2, layout.SingleChannel());
    EXPECT_EQ(0x0200u, layout.LiveChMask()) << "the mask of the channel chosen is kept";
    EXPECT_TRUE(layout.Cell(9).IsEmpty());
    EXPECT_FALSE(layout.OnPtzChannelKey(13, true)) << "the PTZ channel stays while rotating";

    const CLiveLayout::Effects off = layout.OnRotateButton(true, 0);
    EXPECT_TRUE(off.bSendLive);
    EXPECT_FALSE(layout.IsRotating() || layout.RotateChecked());
    EXPECT_EQ(0x1006, layout.SplitMode());
    EXPECT_EQ(0xFFFFu, layout.LiveChMask());
    EXPECT_FALSE(layout.RotationTick().bSendLive);

    layout.OnLayoutButton(0);
    layout.OnRotateButton(true, 0);
    layout.OnLayoutButton(3);
    EXPECT_FALSE(layout.IsRotating() || layout.RotateChecked()) << "nine cells end the rotation";
    EXPECT_FALSE(layout.RotationTick().bSendLive);
    EXPECT_EQ(256, layout.SingleCh());
}

TEST(LiveLayout, PtzChannelKeysStepThroughSixteenChannelsOnThePress)
{
    CLiveLayout layout;
    EXPECT_TRUE(layout.OnPtzChannelKey(14, true));
    EXPECT_EQ(15, layout.PtzChannel());
    EXPECT_TRUE(layout.OnPtzChannelKey(13, true));
    EXPECT_TRUE(layout.OnPtzChannelKey(13, true));
    EXPECT_EQ(1, layout.PtzChannel());
    EXPECT_FALSE(layout.OnPtzChannelKey(13, false)) << "the release";
    EXPECT_FALSE(layout.OnPtzChannelKey(12, true));
    EXPECT_EQ(1, layout.PtzChannel());
}
