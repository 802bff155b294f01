// The main view offscreen, with the link on a fake socket and a fake clock: what the operator
// clicks, what goes on the wire, what lands on screen.
#include "fakes/camera_look.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_display_mode.h"
#include "fakes/fake_file_store.h"
#include "fakes/fake_socket.h"
#include "fakes/memory_settings_store.h"
#include "fakes/packet_maker.h"
#include "fakes/recording_notifier.h"
#include "res/resource.h"
#include "res/skin_bitmap.h"
#include "session/recorder_session.h"
#include "shell/ostrel_view.h"
#include "fakes/test_pictures.h"
#include "widgets/bitmap_button.h"
#include "widgets/skin_button.h"

#include <QAccessible>
#include <QApplication>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace ostrel;
using namespace ostrel::test;
using namespace ostrel::wire;

namespace {

class ViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        settings.texts["Host IPAddress"] = "127.0.0.1";
        settings.ints["Host Port"] = 8000;
        sockets.pClock = &clock;
        LocalDateTime t;
        t.nYear = 2026;
        t.nMonth = 12;
        t.nDay = 6;
        t.nHour = 12;
        t.nMinute = 5;
        t.nSecond = 8;
        clock.SetLocalNow(t);
    }
    void TearDown() override
    {
        pView.reset();
        pSession.reset();
    }

    void MakeView()
    {
        const std::string strDir = m_dir.path().toStdString();
        pSession = std::make_unique<CRecorderSession>(
            SessionServices{timers, sockets, files, notifier, settings, {strDir, strDir}, strDir});
        pView = std::make_unique<COstrelView>(*pSession, ViewServices{clock, timers, pDisplayMode}, nullptr);
        pView->OnInitialUpdate();
    }
    void Click(int nControlId)
    {
        QWidget* pButton = pView->SkinButton(nControlId);
        if (!pButton)
            pButton = pView->PushButton(nControlId);
        ASSERT_NE(nullptr, pButton) << nControlId;
        QTest::mouseClick(pButton, Qt::LeftButton);
        QCoreApplication::processEvents(); // posted commands
    }
    // Connect, accept the login, and let the login steps run: live pictures are asked for.
    void ConnectAndLogIn(uint32_t dwChannelInfo = 16)
    {
        Click(IDC_CONNECT);
        ASSERT_NE(nullptr, sockets.Last());
        sockets.Last()->CompleteConnect(true);
        sockets.Last()->Deliver(MakePacket(DATATYPE_LOGIN_REPLY, {1, dwChannelInfo}));
        clock.Advance(700);
    }
    ParamBlock LastLiveRequest() const
    {
        for (auto it = sockets.allSent.rbegin(); it != sockets.allSent.rend(); ++it)
            if (GetLe32(it->data() + 24) == DATATYPE_LIVE_REQUEST)
                return DecodeParams(it->data() + kHeaderBytes);
        return {};
    }
    void DeliverPicture(int nChannel, uint32_t dwP0 = 0, uint32_t dwP4 = 0)
    {
        sockets.Last()->Deliver(MakePacket(DATATYPE_LIVE_IMAGE, {dwP0, 0, 0, static_cast<uint32_t>(nChannel + 1), dwP4},
                                           ostrel::testing::CameraJpeg(nChannel, nChannel % 2 == 1)));
    }
    QImage Screen() { return pView->grab().toImage().convertToFormat(QImage::Format_RGB32); }

    FakeClock clock;
    FakeTimerFactory timers{clock};
    FakeSocketFactory sockets;
    FakeFileStore files;
    RecordingNotifier notifier;
    MemorySettingsStore settings;
    DisplayMode* pDisplayMode = nullptr;
    std::unique_ptr<CRecorderSession> pSession;
    std::unique_ptr<COstrelView> pView;

private:
    QTemporaryDir m_dir;
};

bool SameRegion(const QImage& a, const QImage& b, const QRect& rc)
{
    for (int y = rc.top(); y <= rc.bottom(); ++y)
        for (int x = rc.left(); x <= rc.right(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                return false;
    return true;
}

} // namespace

TEST_F(ViewTest, StartsAsSixteenCellsWaitingForAConnection)
{
    MakeView();
    EXPECT_EQ(CLiveLayout::MODE_SIXTEEN, pSession->Layout().SplitMode());
    EXPECT_EQ("WAITING FOR CONNECTION.", pView->StatusLine());
    EXPECT_TRUE(pView->SkinButton(IDC_DISCONNECT)->GetCheck());
    EXPECT_FALSE(pView->SkinButton(IDC_CONNECT)->GetCheck());
    EXPECT_TRUE(pView->SkinButton(IDC_LAYOUT_FIRST + 6)->GetCheck());
    EXPECT_FALSE(pView->SkinButton(IDC_CHANNEL_FIRST + 3)->isEnabled());
    EXPECT_FALSE(pView->SkinButton(IDC_PTZ_LEFT_UP)->isVisibleTo(pView.get()));
    EXPECT_EQ("2026 / 12 / 6", pView->DateText());
    EXPECT_EQ("AM 12 : 05 : 08", pView->TimeText());
    clock.Advance(1000);
    EXPECT_EQ("AM 12 : 05 : 09", pView->TimeText()) << "the clock follows timer 100";
    EXPECT_TRUE(sockets.allSent.empty()) << "nothing connects by itself";

    // The readout's texts are drawn on black over a black well: no box shows around a text.
    const QImage screen = Screen();
    for (const QPoint& pt : {QPoint(738, 66), QPoint(858, 150), QPoint(838, 222), QPoint(745, 226)})
        EXPECT_EQ(qRgb(0, 0, 0), screen.pixel(pt)) << pt.x() << "," << pt.y();
}

TEST_F(ViewTest, LayoutAndChannelClicksSendTheLiveRequestsAndSetTheButtons)
{
    MakeView();
    ConnectAndLogIn();
    EXPECT_EQ((ParamBlock{1, 1, 0xFFFF}), LastLiveRequest());

    Click(IDC_LAYOUT_FIRST + 1); // four cells
    EXPECT_EQ((ParamBlock{1, 1, 0x000F}), LastLiveRequest());
    Click(IDC_CHANNEL_FIRST + 14); // channel 15: channels 15, 16, 1 and 2
    EXPECT_EQ((ParamBlock{0, 15, 0xC003}), LastLiveRequest());
    for (int n : {0, 1, 14, 15}) {
        EXPECT_TRUE(pView->SkinButton(IDC_CHANNEL_FIRST + n)->GetCheck()) << n;
        EXPECT_FALSE(pView->SkinButton(IDC_CHANNEL_FIRST + n)->isEnabled()) << n;
    }
    EXPECT_FALSE(pView->SkinButton(IDC_CHANNEL_FIRST + 2)->GetCheck());
    EXPECT_TRUE(pView->SkinButton(IDC_CHANNEL_FIRST + 2)->isEnabled());
    EXPECT_TRUE(pView->SkinButton(IDC_LAYOUT_FIRST + 1)->GetCheck());
    EXPECT_FALSE(pView->SkinButton(IDC_LAYOUT_FIRST + 6)->GetCheck());

    const size_t nSent = sockets.allSent.size();
    Click(IDC_LAYOUT_FIRST + 2); // no layout: beep, button unchecked, nothing sent
    EXPECT_EQ(nSent, sockets.allSent.size());
    EXPECT_FALSE(pView->SkinButton(IDC_LAYOUT_FIRST + 2)->GetCheck());
    EXPECT_TRUE(pView->SkinButton(IDC_LAYOUT_FIRST + 1)->GetCheck());

    Click(IDC_LAYOUT_FIRST + 0); // one cell
    EXPECT_EQ((ParamBlock{0, 1, 0x0001}), LastLiveRequest());
}

TEST_F(ViewTest, RecorderWithFourChannelsDisablesTheOtherButtons)
{
    MakeView();
    ConnectAndLogIn(4);
    Click(IDC_LAYOUT_FIRST + 0);
    for (int n = 0; n < 16; ++n)
        EXPECT_EQ(n >= 1 && n < 4, pView->SkinButton(IDC_CHANNEL_FIRST + n)->isEnabled()) << n;
}

TEST_F(ViewTest, LayoutChosenBeforeTheLoginLosesTheButtonsOfMissingChannels)
{
    for (int nLayoutButton : {6, 3, 1, 0}) {
        SCOPED_TRACE(nLayoutButton);
        MakeView();
        Click(IDC_LAYOUT_FIRST + nLayoutButton);
        ConnectAndLogIn(4);
        for (int n = 4; n < 16; ++n) {
            EXPECT_FALSE(pView->SkinButton(IDC_CHANNEL_FIRST + n)->GetCheck()) << n;
            EXPECT_FALSE(pView->SkinButton(IDC_CHANNEL_FIRST + n)->isEnabled()) << n;
        }
        // A click on a channel the recorder lacks cannot ask for it.
        const size_t nSent = sockets.allSent.size();
        QTest::mouseClick(pView->SkinButton(IDC_CHANNEL_FIRST + 9), Qt::LeftButton);
        QCoreApplication::processEvents();
        EXPECT_EQ(nSent, sockets.allSent.size());
        pView.reset();
        pSession.reset();
    }
}

TEST_F(ViewTest, PicturesLandInTheirCellsAndOnlyThereOnScreen)
{
    MakeView();
    ConnectAndLogIn();
    const QImage before = Screen();
    DeliverPicture(5, 250000, 500000);
    EXPECT_EQ("R-POS : 050.0000%\nP-POS : 025.0000%", pView->PositionTexts());
    DeliverPicture(0);
    const QImage after = Screen();

    // Channel 6 sits in column 1, row 1 of the sixteen cells.
    const QRect cell5(223, 143, 158, 118), cell0(63, 23, 158, 118), cell7(543, 143, 158, 118);
    EXPECT_FALSE(SameRegion(before, after, cell5));
    EXPECT_FALSE(SameRegion(before, after, cell0));
    EXPECT_TRUE(SameRegion(before, after, cell7)) << "no picture for channel 8 yet";
    EXPECT_EQ(qRgb(255, 255, 255), after.pixel(222, 142)) << "the cell frame";
    // Each cell shows its own camera, told apart by the simulator's own scenes.
    EXPECT_EQ(5, IdentifyCamera(after.copy(cell5), ostrel::testing::TestMomentMs()));
    EXPECT_EQ(0, IdentifyCamera(after.copy(cell0), ostrel::testing::TestMomentMs()));
}

TEST_F(ViewTest, ASmallPictureIsStretchedIntoTheSingleViewUntilTheNextComesWhole)
{
    MakeView();
    ConnectAndLogIn();
    DeliverPicture(5);
    const QRect cell5(223, 143, 158, 118), single(63, 23, 638, 478);
    double dDistance = 0;
    EXPECT_EQ(5, IdentifyCamera(Screen().copy(cell5), ostrel::testing::TestMomentMs(), &dDistance));
    EXPECT_LT(dDistance, 30.0);

    QTest::mouseDClick(pView.get(), Qt::LeftButton, {}, QPoint(300, 200));
    QCoreApplication::processEvents();
    ASSERT_EQ(CLiveLayout::MODE_SINGLE, pSession->Layout().SplitMode());
    const QImage stretched = Screen();
    EXPECT_EQ(5, IdentifyCamera(stretched.copy(single), ostrel::testing::TestMomentMs(), &dDistance));
    EXPECT_LT(dDistance, 30.0);

    DeliverPicture(5);
    const QImage whole = Screen();
    EXPECT_EQ(5, IdentifyCamera(whole.copy(single), ostrel::testing::TestMomentMs(), &dDistance));
    EXPECT_LT(dDistance, 30.0);
    EXPECT_FALSE(SameRegion(stretched, whole, single)) << "the whole picture replaced the stretched one";
}

TEST_F(ViewTest, EveryNewPictureReachesTheScreenAtTheNextRefresh)
{
    MakeView();
    pView->show();
    ConnectAndLogIn();
    QCoreApplication::processEvents();
    const auto onScreen = [&] {
        QCoreApplication::processEvents();
        return QGuiApplication::primaryScreen()->grabWindow(pView->winId()).toImage().convertToFormat(QImage::Format_RGB32);
    };
    const QImage before = onScreen();
    DeliverPicture(6);
    // Something else is painted before the refresh comes round.
    pView->repaint(QRect(740, 230, 40, 40));
    DeliverPicture(8);
    clock.Advance(1000 / COstrelView::kRefreshPerSecond + 1);
    const QImage after = onScreen();
    EXPECT_FALSE(SameRegion(before, after, QRect(383, 143, 158, 118))) << "camera 7";
    EXPECT_FALSE(SameRegion(before, after, QRect(63, 263, 158, 118))) << "camera 9";
}

TEST_F(ViewTest, DoubleClicksSwitchBetweenACellAndSixteen)
{
    MakeView();
    ConnectAndLogIn();
    Click(IDC_LAYOUT_FIRST + 1);
    Click(IDC_CHANNEL_FIRST + 6); // channels 7 to 10
    QTest::mouseDClick(pView.get(), Qt::LeftButton, {}, QPoint(500, 100));
    QCoreApplication::processEvents();
    EXPECT_EQ(CLiveLayout::MODE_SINGLE, pSession->Layout().SplitMode());
    EXPECT_EQ((ParamBlock{0, 8, 1u << 7}), LastLiveRequest()) << "the second cell showed channel 8";

    QTest::mouseDClick(pView.get(), Qt::LeftButton, {}, QPoint(750, 600)); // outside the display
    EXPECT_EQ(CLiveLayout::MODE_SINGLE, pSession->Layout().SplitMode());
    QTest::mouseDClick(pView.get(), Qt::LeftButton, {}, QPoint(300, 300));
    EXPECT_EQ(CLiveLayout::MODE_SIXTEEN, pSession->Layout().SplitMode());
    EXPECT_EQ((ParamBlock{1, 1, 0xFFFF}), LastLiveRequest());
}

TEST_F(ViewTest, RotationVisitsTheDrawnChannelsOnTheClock)
{
    settings.ints["Rotate Interval"] = 0;
    MakeView();
    ConnectAndLogIn();
    DeliverPicture(2);
    DeliverPicture(9);
    Click(IDC_LAYOUT_FIRST + 0);
    Click(IDC_ROTATE);
    ASSERT_TRUE(pView->SkinButton(IDC_ROTATE)->GetCheck());
    EXPECT_EQ(2, pSession->Layout().SingleChannel());
    std::vector<int> seen;
    for (int i = 0; i < 4; ++i) {
        DeliverPicture(pSession->Layout().SingleChannel()); // keep the watchdog quiet
        clock.Advance(1000);
        seen.push_back(pSession->Layout().SingleChannel());
    }
    EXPECT_EQ((std::vector<int>{9, 2, 9, 2}), seen);
    EXPECT_EQ((ParamBlock{0, 3, 1}), LastLiveRequest()) << "rotation leaves the mask";

    Click(IDC_ROTATE); // off: back to sixteen cells
    EXPECT_FALSE(pView->SkinButton(IDC_ROTATE)->GetCheck());
    EXPECT_EQ(CLiveLayout::MODE_SIXTEEN, pSession->Layout().SplitMode());
}

TEST_F(ViewTest, RotationIsRefusedWhileNotConnected)
{
    MakeView();
    Click(IDC_LAYOUT_FIRST + 0);
    Click(IDC_ROTATE);
    EXPECT_FALSE(pView->SkinButton(IDC_ROTATE)->GetCheck());
    EXPECT_FALSE(pSession->Layout().IsRotating());
}

TEST_F(ViewTest, StatusLineFollowsTheLink)
{
    settings.ints["Use AlertMode"] = 1;
    MakeView();
    ConnectAndLogIn();
    EXPECT_EQ("CONNECTION ESTABLISHED.", pView->StatusLine());
    clock.Advance(5000);
    EXPECT_EQ("TRY REQUEST IMAGE 1", pView->StatusLine());
    sockets.Last()->Deliver(MakePacket(DATATYPE_ALARM_EVENT, {2, 0x01000100}));
    EXPECT_EQ("[CH 2] [Alarm:1 Loss:0 Motion:1]", pView->StatusLine());
    const bool bLamp = pView->SkinButton(IDC_ACTIVITY_LAMP)->GetCheck();
    sockets.Last()->Deliver(MakePacket(0x7777, {})); // one read
    EXPECT_NE(bLamp, pView->SkinButton(IDC_ACTIVITY_LAMP)->GetCheck()) << "the lamp blinks with the traffic";
}

TEST_F(ViewTest, ConnectTwiceStartsOneConnectionAndDisconnectWhileIdleChangesNothing)
{
    MakeView();
    Click(IDC_DISCONNECT);
    EXPECT_EQ(0, pSession->ConnectState());
    EXPECT_TRUE(pView->SkinButton(IDC_DISCONNECT)->GetCheck());
    EXPECT_EQ(0, sockets.nCreated);

    Click(IDC_CONNECT);
    EXPECT_EQ(2, pSession->ConnectState());
    EXPECT_EQ("CONNECTING..", pView->StatusLine());
    Click(IDC_CONNECT);
    EXPECT_EQ(1, sockets.nCreated);
    EXPECT_TRUE(pView->SkinButton(IDC_CONNECT)->GetCheck());
    EXPECT_FALSE(pView->SkinButton(IDC_DISCONNECT)->GetCheck());
}

TEST_F(ViewTest, DisconnectClearsThePicturesAndDeletesTheEventLog)
{
    MakeView();
    ConnectAndLogIn();
    const QImage empty = Screen();
    DeliverPicture(0);
    files.files["AlarmEvent.am"] = {1, 2, 3};
    Click(IDC_DISCONNECT);
    EXPECT_EQ(0, pSession->ConnectState());
    EXPECT_FALSE(pSession->Link().HasSocket());
    EXPECT_EQ(0u, files.files.count("AlarmEvent.am"));
    EXPECT_TRUE(SameRegion(empty, Screen(), QRect(63, 23, 158, 118))) << "the cell is empty again";
    EXPECT_EQ("WAITING FOR CONNECTION.", pView->StatusLine());
}

TEST_F(ViewTest, RefusedLoginEndsLikeTheDisconnectButton)
{
    MakeView();
    Click(IDC_CONNECT);
    sockets.Last()->CompleteConnect(true);
    sockets.Last()->Deliver(MakePacket(DATATYPE_LOGIN_REPLY, {0, 16}));
    clock.RunDue();
    EXPECT_EQ(0, pSession->ConnectState());
    EXPECT_TRUE(pView->SkinButton(IDC_DISCONNECT)->GetCheck());
    EXPECT_EQ("WAITING FOR CONNECTION.", pView->StatusLine());
}

TEST_F(ViewTest, ExitSavesTheSettings)
{
    settings.texts["User ISeed"] = "operator";
    MakeView();
    pSession->Settings().byRotateInterval = 5;
    Click(IDC_EXIT);
    EXPECT_EQ("operator", settings.texts["User ISeed"]);
    EXPECT_EQ(5, settings.ints["Rotate Interval"]);
    EXPECT_TRUE(settings.texts.count("Record Path"));
}

TEST_F(ViewTest, FullScreenSwitchesTheScreenAndPutsBackTheOperatorsMode)
{
    FakeDisplayMode display;
    pDisplayMode = &display;
    settings.ints["Use FullScreen"] = 1;
    MakeView();
    EXPECT_EQ(1024, display.nCurrentWidth);
    EXPECT_EQ(768, display.nCurrentHeight);
    pView->ApplyFullScreen(false);
    EXPECT_EQ(1280, display.nCurrentWidth) << "back to the mode in effect before, not the first one listed";
    EXPECT_EQ(1024, display.nCurrentHeight);

    pView->ApplyFullScreen(true);
    pView.reset(); // the view goes while the screen is switched
    EXPECT_EQ(1280, display.nCurrentWidth);
    EXPECT_FALSE(display.Changed());
}

TEST_F(ViewTest, FullScreenOnAScreenAlreadyAt1024By768ChangesNothing)
{
    FakeDisplayMode display;
    display.nCurrentWidth = 1024;
    display.nCurrentHeight = 768;
    pDisplayMode = &display;
    settings.ints["Use FullScreen"] = 1;
    MakeView();
    EXPECT_FALSE(display.Changed());
    Click(IDC_EXIT);
    pView.reset();
    EXPECT_EQ(1024, display.nCurrentWidth);
    EXPECT_FALSE(display.Changed());
}

TEST_F(ViewTest, PtzChannelKeysStepTheChannelAndWrap)
{
    MakeView();
    QTest::mouseClick(pView->SkinButton(IDC_PTZ_CH_MINUS), Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_EQ(15, pSession->Layout().PtzChannel());
    QTest::mouseClick(pView->SkinButton(IDC_PTZ_CH_PLUS), Qt::LeftButton);
    QTest::mouseClick(pView->SkinButton(IDC_PTZ_CH_PLUS), Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_EQ(1, pSession->Layout().PtzChannel());
}

// ---- keys ----------------------------------------------------------------------------------

namespace {

struct KeyAndButton {
    int nControlId;
    Qt::Key key;
    Qt::KeyboardModifiers mods;
};

// What the operator can see after each step: the bytes sent, the layout and every button's check.
struct LiveTrace {
    std::vector<std::vector<uint8_t>> sent;
    std::vector<int> states;
    bool operator==(const LiveTrace&) const = default;
};

} // namespace

TEST_F(ViewTest, LayoutAndCameraKeysSendWhatTheirButtonsSend)
{
    MakeView();
    ConnectAndLogIn();
    QTest::keyClick(pView.get(), Qt::Key_4);
    QCoreApplication::processEvents();
    EXPECT_EQ((ParamBlock{1, 1, 0x000F}), LastLiveRequest());
    QTest::keyClick(pView.get(), Qt::Key_F5, Qt::ShiftModifier); // camera 15: 15, 16, 1 and 2
    QCoreApplication::processEvents();
    EXPECT_EQ((ParamBlock{0, 15, 0xC003}), LastLiveRequest());
    for (int n : {0, 1, 14, 15})
        EXPECT_TRUE(pView->SkinButton(IDC_CHANNEL_FIRST + n)->GetCheck()) << n;
    EXPECT_TRUE(pView->SkinButton(IDC_LAYOUT_FIRST + 1)->GetCheck());

    const size_t nSent = sockets.allSent.size();
    QTest::keyClick(pView.get(), Qt::Key_2); // the layout button without a layout has no key
    QCoreApplication::processEvents();
    EXPECT_EQ(nSent, sockets.allSent.size());
    // Keys typed while a button has the focus frame reach the view all the same.
    QTest::keyClick(pView->SkinButton(IDC_CONNECT), Qt::Key_1);
    QCoreApplication::processEvents();
    EXPECT_EQ((ParamBlock{0, 1, 0x0001}), LastLiveRequest());
}

TEST_F(ViewTest, EveryLiveKeyLeavesTheSameTraceAsItsButton)
{
    // Camera keys in four, nine and one cell(s) and in sixteen, where the camera buttons are all
    // disabled; rotation on and off; the archive button without an archive window.
    const KeyAndButton steps[] = {
        {IDC_LAYOUT_FIRST + 1, Qt::Key_4, {}},        {IDC_CHANNEL_FIRST + 6, Qt::Key_F7, {}},
        {IDC_LAYOUT_FIRST + 3, Qt::Key_9, {}},        {IDC_CHANNEL_FIRST + 12, Qt::Key_F3, Qt::ShiftModifier},
        {IDC_LAYOUT_FIRST + 0, Qt::Key_1, {}},        {IDC_CHANNEL_FIRST + 2, Qt::Key_F3, {}},
        {IDC_CHANNEL_FIRST + 9, Qt::Key_F10, {}},     {IDC_ROTATE, Qt::Key_R, {}},
        {IDC_ROTATE, Qt::Key_R, {}},                  {IDC_CHANNEL_FIRST + 15, Qt::Key_F6, Qt::ShiftModifier},
        {IDC_LAYOUT_FIRST + 6, Qt::Key_0, {}},        {IDC_ARCHIVE, Qt::Key_A, {}},
    };
    const auto run = [&](bool bKeys) {
        MakeView();
        ConnectAndLogIn();
        DeliverPicture(2);
        std::vector<LiveTrace> trace;
        for (const KeyAndButton& step : steps) {
            const size_t nFrom = sockets.allSent.size();
            if (bKeys) {
                QTest::keyClick(pView.get(), step.key, step.mods);
                QCoreApplication::processEvents();
            } else {
                Click(step.nControlId);
            }
            LiveTrace t;
            t.sent.assign(sockets.allSent.begin() + static_cast<std::ptrdiff_t>(nFrom), sockets.allSent.end());
            t.states = {pSession->Layout().SplitMode(), pSession->Layout().SingleChannel(),
                        pSession->Layout().IsRotating() ? 1 : 0};
            for (int nId = IDC_LAYOUT_FIRST; nId <= IDC_ROTATE; ++nId)
                if (CSkinButton* pButton = pView->SkinButton(nId))
                    t.states.push_back(pButton->GetCheck() * 2 + pButton->isEnabled());
            trace.push_back(t);
        }
        pView.reset();
        pSession.reset();
        return trace;
    };
    const std::vector<LiveTrace> clicked = run(false);
    const std::vector<LiveTrace> typed = run(true);
    ASSERT_EQ(clicked.size(), typed.size());
    for (size_t i = 0; i < clicked.size(); ++i)
        EXPECT_TRUE(clicked[i] == typed[i]) << "step " << i;
    EXPECT_FALSE(clicked[1].sent.empty()) << "F7 asked for cameras 7 to 10";
    EXPECT_TRUE(clicked[9].sent.empty()) << "Shift+F6 in sixteen cells: its button is disabled";
}

TEST_F(ViewTest, ACameraKeyWhoseButtonIsDisabledDoesNothing)
{
    MakeView();
    ConnectAndLogIn(4);
    QTest::keyClick(pView.get(), Qt::Key_1);
    QCoreApplication::processEvents();
    ASSERT_FALSE(pView->SkinButton(IDC_CHANNEL_FIRST + 9)->isEnabled());
    const size_t nSent = sockets.allSent.size();
    QTest::keyClick(pView.get(), Qt::Key_F10); // the recorder has four cameras
    QTest::keyClick(pView.get(), Qt::Key_F1);  // camera 1 is on screen: its button is disabled
    QCoreApplication::processEvents();
    EXPECT_EQ(nSent, sockets.allSent.size());
    EXPECT_EQ(0, pSession->Layout().SingleChannel());
    QTest::keyClick(pView.get(), Qt::Key_F2);
    QCoreApplication::processEvents();
    EXPECT_EQ((ParamBlock{0, 2, 1u << 1}), LastLiveRequest());
}

TEST_F(ViewTest, F11FlipsUseFullScreenAndEscapeOnlyTurnsItOff)
{
    FakeDisplayMode display;
    pDisplayMode = &display;
    MakeView();
    QTest::keyClick(pView.get(), Qt::Key_Escape); // already off: nothing to do
    EXPECT_TRUE(display.calls.empty());
    QTest::keyClick(pView.get(), Qt::Key_F11);
    EXPECT_EQ(1, pSession->Settings().bUseFullScreen);
    EXPECT_EQ(std::vector<std::string>{"enter 1024x768"}, display.calls);
    QTest::keyClick(pView.get(), Qt::Key_Escape);
    EXPECT_EQ(0, pSession->Settings().bUseFullScreen);
    EXPECT_EQ((std::vector<std::string>{"enter 1024x768", "restore"}), display.calls);
    EXPECT_FALSE(display.Changed());
    QTest::keyClick(pView.get(), Qt::Key_F11);
    Click(IDC_EXIT);
    EXPECT_EQ(1, settings.ints["Use FullScreen"]) << "kept for the next start";
    pView.reset(); // before the display it holds
}

TEST_F(ViewTest, ButtonsCarryTheirNameAndKeyForTooltipsAndScreenReaders)
{
    MakeView();
    const std::pair<int, const char*> tips[] = {
        {IDC_CHANNEL_FIRST + 0, "Camera 1 (F1)"},       {IDC_CHANNEL_FIRST + 10, "Camera 11 (Shift+F1)"},
        {IDC_CHANNEL_FIRST + 15, "Camera 16 (Shift+F6)"}, {IDC_LAYOUT_FIRST + 6, "Sixteen cameras (0)"},
        {IDC_LAYOUT_FIRST + 2, "No layout"},            {IDC_ROTATE, "Rotation (R)"},
        {IDC_SETTING, "Configurations (S)"},            {IDC_ARCHIVE, "Archive (A)"},
        {IDC_PTZ_UP, "Tilt up (Up)"},                   {IDC_PTZ_ZOOM_OUT, "Zoom out (-)"},
        {IDC_PTZ_FOCUS_IN, "Focus in (Page Up)"},       {IDC_PTZ_CH_MINUS, "Previous PTZ camera ([)"},
        {IDC_CONNECT, "Connect"},                       {IDC_EXIT, "Exit"},
    };
    for (const auto& [nId, pszTip] : tips) {
        QWidget* pControl = pView->SkinButton(nId);
        if (!pControl)
            pControl = pView->PushButton(nId);
        ASSERT_NE(nullptr, pControl) << nId;
        EXPECT_EQ(pszTip, pControl->toolTip().toStdString());
        EXPECT_TRUE(pszTip == pControl->accessibleName() ||
                    QString::fromLatin1(pszTip).startsWith(pControl->accessibleName() + QStringLiteral(" (")))
            << pszTip;
    }
    // Every control on show has a name a screen reader can say, and a role that is not "client".
    for (QWidget* pChild : pView->findChildren<QWidget*>()) {
        if (!pChild->isVisibleTo(pView.get()))
            continue;
        QAccessibleInterface* pIface = QAccessible::queryAccessibleInterface(pChild);
        ASSERT_NE(nullptr, pIface);
        EXPECT_FALSE(pIface->text(QAccessible::Name).isEmpty()) << pChild->metaObject()->className();
        EXPECT_NE(QAccessible::Client, pIface->role()) << pIface->text(QAccessible::Name).toStdString();
    }
    EXPECT_EQ(QAccessible::Indicator, QAccessible::queryAccessibleInterface(pView->SkinButton(IDC_ACTIVITY_LAMP))->role());
}
