// The main view offscreen, with the link on a fake socket and a fake clock: what the operator
// clicks and types, what goes on the wire, what lands on screen, and the soak run's counters.
#include "fakes/fake_display_mode.h"
#include "config/site_list_dlg.h"
#include "fakes/gui_fixture.h"
#include "ptz/ptz_panel.h"
#include "shell/counter_report.h"
#include "widgets/bitmap_button.h"

#include <QAccessible>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScreen>
#include <QTimer>

using namespace ostrel;
using namespace ostrel::test;
using namespace ostrel::wire;

namespace {

class ViewTest : public SessionTest {
protected:
    void Click(int nControlId)
    {
        QWidget* pButton = pView->SkinButton(nControlId);
        ClickMiddle(pButton ? pButton : pView->PushButton(nControlId));
    }
    void Key(Qt::Key key, Qt::KeyboardModifiers mods = {}, QWidget* pTarget = nullptr)
    {
        QTest::keyClick(pTarget ? pTarget : pView.get(), key, mods);
        QCoreApplication::processEvents();
    }
    void ConnectAndLogIn(uint32_t dwChannelInfo = 16)
    {
        Click(IDC_CONNECT);
        AcceptLogin({1, dwChannelInfo});
    }
    Bytes LastLiveRequest() const
    {
        for (auto it = sockets.allSent.rbegin(); it != sockets.allSent.rend(); ++it)
            if (GetLe32(it->data() + 24) == DATATYPE_LIVE_REQUEST)
                return *it;
        return {};
    }
    void DeliverPicture(int nChannel, uint32_t dwP0 = 0, uint32_t dwP4 = 0)
    {
        sockets.Last()->Deliver(MakePacket(DATATYPE_LIVE_IMAGE, {dwP0, 0, 0, static_cast<uint32_t>(nChannel + 1), dwP4},
                                           ostrel::testing::CameraJpeg(nChannel, nChannel % 2 == 1)));
    }
    QImage Screen() { return pView->grab().toImage().convertToFormat(QImage::Format_RGB32); }
    int CameraOnScreen(const QRect& rc)
    {
        double dDistance = 0;
        const int nCamera = IdentifyCamera(Screen().copy(rc), ostrel::testing::TestMomentMs(), &dDistance);
        EXPECT_LT(dDistance, 30.0);
        return nCamera;
    }
    bool Checked(int nControlId) const { return pView->SkinButton(nControlId)->GetCheck(); }
};

bool SameRegion(const QImage& a, const QImage& b, const QRect& rc)
{
    return a.copy(rc) == b.copy(rc);
}

// In sixteen cells channel n sits in column n % 4, row n / 4 of 160 x 120 cells from (62, 22).
QRect Cell16(int n)
{
    return QRect(63 + 160 * (n % 4), 23 + 120 * (n / 4), 158, 118);
}

Bytes Live(uint32_t dwP0, uint32_t dwP1, uint32_t dwMask)
{
    return RequestBytes(DATATYPE_LIVE_REQUEST, {dwP0, dwP1, dwMask});
}

} // namespace

TEST_F(ViewTest, StartsAsSixteenCellsWaitingForAConnectionWithItsControlsNamedAndKeysShown)
{
    MakeView();
    EXPECT_EQ(0x1006, pSession->Layout().SplitMode()) << "sixteen cells";
    EXPECT_EQ("WAITING FOR CONNECTION.", pView->StatusLine());
    EXPECT_TRUE(Checked(IDC_DISCONNECT) && !Checked(IDC_CONNECT) && Checked(IDC_LAYOUT_FIRST + 6));
    EXPECT_EQ("2026 / 12 / 6", pView->DateText());
    EXPECT_EQ("AM 12 : 05 : 08", pView->TimeText());
    clock.Advance(1000);
    EXPECT_EQ("AM 12 : 05 : 09", pView->TimeText());
    EXPECT_TRUE(sockets.allSent.empty()) << "nothing connects by itself";
    // The readout's texts are drawn on black over a black well: no box shows around a text.
    const QImage screen = Screen();
    for (const QPoint& pt : {QPoint(738, 66), QPoint(858, 150), QPoint(838, 222), QPoint(745, 226)})
        EXPECT_EQ(qRgb(0, 0, 0), screen.pixel(pt)) << pt.x() << "," << pt.y();
    EXPECT_EQ("Camera 11 (Shift+F1)", pView->SkinButton(IDC_CHANNEL_FIRST + 10)->toolTip().toStdString());
    EXPECT_EQ("Configurations (S)", pView->PushButton(IDC_SETTING)->toolTip().toStdString());
    // Every control on show has a name a screen reader can say, and a role that is not "client".
    for (QWidget* pChild : pView->findChildren<QWidget*>()) {
        if (!pChild->isVisibleTo(pView.get()))
            continue;
        QAccessibleInterface* pIface = QAccessible::queryAccessibleInterface(pChild);
        ASSERT_NE(nullptr, pIface);
        EXPECT_FALSE(pIface->text(QAccessible::Name).isEmpty()) << pChild->metaObject()->className();
        EXPECT_NE(QAccessible::Client, pIface->role()) << pIface->text(QAccessible::Name).toStdString();
    }
    EXPECT_EQ("Camera 11", QAccessible::queryAccessibleInterface(pView->SkinButton(IDC_CHANNEL_FIRST + 10))->text(QAccessible::Name).toStdString());
    EXPECT_TRUE(QAccessible::queryAccessibleInterface(pView->SkinButton(IDC_ROTATE))->state().checkable) << "a toggle";
}

// The login's channel count reaches the buttons (for every layout: test_live_layout): neither a
// click nor a key can ask for a channel the recorder lacks.
TEST_F(ViewTest, TheButtonsOfChannelsTheRecorderLacksAreDisabledAfterTheLogin)
{
    MakeView();
    Click(IDC_LAYOUT_FIRST + 0);
    ConnectAndLogIn(4);
    EXPECT_FALSE(Checked(IDC_CHANNEL_FIRST + 9) || pView->SkinButton(IDC_CHANNEL_FIRST + 9)->isEnabled());
    const size_t nSent = Mark();
    QTest::mouseClick(pView->SkinButton(IDC_CHANNEL_FIRST + 9), Qt::LeftButton);
    Key(Qt::Key_F10);
    EXPECT_EQ(nSent, Mark());
}

TEST_F(ViewTest, PicturesLandInTheirCellsAndCountOncePainted)
{
    MakeView();
    ConnectAndLogIn();
    const QImage before = Screen();
    DeliverPicture(5, 250000, 500000);
    EXPECT_EQ("R-POS : 050.0000%\nP-POS : 025.0000%", pView->PositionTexts());
    DeliverPicture(0);
    const QImage after = Screen();
    EXPECT_FALSE(SameRegion(before, after, Cell16(5)));
    EXPECT_TRUE(SameRegion(before, after, Cell16(7))) << "no picture for channel 8 yet";
    EXPECT_EQ(qRgb(255, 255, 255), after.pixel(222, 142)) << "the cell frame";
    EXPECT_EQ(5, CameraOnScreen(Cell16(5)));
    EXPECT_EQ(0, CameraOnScreen(Cell16(0)));
    EXPECT_EQ(2u, pView->PicturesDrawn());

    Click(IDC_LAYOUT_FIRST + 0);
    Click(IDC_CHANNEL_FIRST + 2); // channel 3 alone
    DeliverPicture(5); // no cell
    DeliverPicture(2);
    EXPECT_EQ(2u, pView->PicturesDrawn()) << "a picture waiting for the refresh is not painted yet";
    Screen();
    EXPECT_EQ(3u, pView->PicturesDrawn());
    Click(IDC_LAYOUT_FIRST + 6);
    Screen();
    EXPECT_EQ(3u, pView->PicturesDrawn()) << "the old pictures painted again in sixteen cells are not new";
}

TEST_F(ViewTest, EveryNewPictureReachesTheScreenAtTheNextRefresh)
{
    MakeView();
    pView->show();
    ConnectAndLogIn();
    const auto onScreen = [&] {
        QCoreApplication::processEvents();
        return QGuiApplication::primaryScreen()->grabWindow(pView->winId()).toImage().convertToFormat(QImage::Format_RGB32);
    };
    const QImage before = onScreen();
    DeliverPicture(6);
    pView->repaint(QRect(740, 230, 40, 40)); // something else is painted before the refresh
    DeliverPicture(8);
    clock.Advance(17); // the next refresh, at 60 a second
    const QImage after = onScreen();
    EXPECT_FALSE(SameRegion(before, after, Cell16(6)));
    EXPECT_FALSE(SameRegion(before, after, Cell16(8)));
}

// Where a double-click lands and what it switches to are the layout's rows (test_live_layout).
TEST_F(ViewTest, ADoubleClickReachesTheLayoutAndTheCellShowsTheLastPictureStretched)
{
    MakeView();
    ConnectAndLogIn();
    Click(IDC_LAYOUT_FIRST + 1);
    Click(IDC_CHANNEL_FIRST + 6); // channels 7 to 10
    DeliverPicture(7);
    QTest::mouseDClick(pView.get(), Qt::LeftButton, {}, QPoint(500, 100));
    EXPECT_EQ(Live(0, 8, 1u << 7), LastLiveRequest()) << "the second cell showed channel 8";
    EXPECT_EQ(7, CameraOnScreen(QRect(63, 23, 638, 478))) << "the quarter-size picture, stretched";
    EXPECT_EQ(0x0100, pSession->Layout().SplitMode()) << "one cell";
}

TEST_F(ViewTest, ConnectLoginStatusLineLampAndDisconnect)
{
    settings.ints["Use AlertMode"] = 1;
    MakeView();
    Click(IDC_DISCONNECT); // while idle: nothing
    Click(IDC_CONNECT);
    EXPECT_EQ("CONNECTING..", pView->StatusLine());
    Click(IDC_CONNECT);
    EXPECT_EQ(1, sockets.nCreated) << "one connection however often it is pressed";
    AcceptLogin({0, 16}); // refused: ends like the disconnect button
    EXPECT_TRUE(Checked(IDC_DISCONNECT) && !Checked(IDC_CONNECT));
    EXPECT_EQ("WAITING FOR CONNECTION.", pView->StatusLine());

    ConnectAndLogIn();
    EXPECT_EQ("CONNECTION ESTABLISHED.", pView->StatusLine());
    EXPECT_EQ(Live(1, 1, 0xFFFF), LastLiveRequest());
    clock.Advance(5000);
    EXPECT_EQ("TRY REQUEST IMAGE 1", pView->StatusLine());
    sockets.Last()->Deliver(MakePacket(DATATYPE_ALARM_EVENT, {2, 0x01000100}));
    EXPECT_EQ("[CH 2] [Alarm:1 Loss:0 Motion:1]", pView->StatusLine());
    const bool bLamp = Checked(IDC_ACTIVITY_LAMP);
    sockets.Last()->Deliver(MakePacket(0x7777, {})); // one read
    EXPECT_EQ(bLamp, Checked(IDC_ACTIVITY_LAMP)) << "drawn at the next refresh, not per read";
    clock.Advance(1000 / 60);
    EXPECT_NE(bLamp, Checked(IDC_ACTIVITY_LAMP)) << "the lamp blinks with the traffic";
    const QImage empty = Screen();
    DeliverPicture(0);
    files.files["AlarmEvent.am"] = {1, 2, 3};
    Click(IDC_DISCONNECT);
    EXPECT_FALSE(pSession->Link().Probe().bHasSocket);
    EXPECT_EQ(0u, files.files.count("AlarmEvent.am")) << "the event log goes with the connection";
    EXPECT_TRUE(SameRegion(empty, Screen(), Cell16(0))) << "the cell is empty again";
    EXPECT_EQ("WAITING FOR CONNECTION.", pView->StatusLine());
}

// Ctrl+K lists the address book's sites, filtered by what is typed (without regard to case);
// Enter hands the one chosen to the session (whose test has the login at the new address).
TEST_F(ViewTest, SitesKeyFiltersTheAddressBookAndEnterConnectsToTheChosenSite)
{
    MakeView();
    QDir(QString::fromStdString(Dir())).mkpath(QStringLiteral("ini"));
    QFile book(QString::fromStdString(Dir() + "/ini/cnn.ini"));
    ASSERT_TRUE(book.open(QIODevice::WriteOnly));
    book.write("[SHOP]\r\nIP=10.0.0.1\r\nPORT=8000\r\n[YARD]\r\nIP=10.0.0.2\r\nPORT=8100\r\n"
               "[Back yard]\r\nIP=10.0.0.3\r\nPORT=9000\r\n");
    book.close();
    ConnectAndLogIn();
    std::vector<std::string> all, shown;
    QTimer::singleShot(0, [&] {
        auto* pSites = qobject_cast<CSiteListDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(nullptr, pSites);
        for (const IpHistoryEntry& entry : pSites->Shown())
            all.push_back(entry.strName);
        QTest::keyClicks(pSites->FilterEdit(), "yA");
        for (const IpHistoryEntry& entry : pSites->Shown())
            shown.push_back(entry.strName);
        QTest::keyClick(pSites->FilterEdit(), Qt::Key_Down);
        QTest::keyClick(pSites->FilterEdit(), Qt::Key_Return);
    });
    Key(Qt::Key_K, Qt::ControlModifier);
    EXPECT_EQ((std::vector<std::string>{"SHOP", "YARD", "Back yard"}), all);
    EXPECT_EQ((std::vector<std::string>{"YARD", "Back yard"}), shown);
    EXPECT_EQ("10.0.0.3", sockets.Last()->strHost);
    EXPECT_EQ(9000, sockets.Last()->wPort);
    EXPECT_EQ("Back yard", std::string(GetText(pSession->Settings().szIpLabel)));
    EXPECT_TRUE(Checked(IDC_CONNECT) && !Checked(IDC_DISCONNECT));

    // Escape closes the list and changes nothing.
    QTimer::singleShot(0, [] { QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_Escape); });
    Key(Qt::Key_K, Qt::ControlModifier);
    EXPECT_EQ("10.0.0.3", sockets.Last()->strHost);
    EXPECT_EQ(2, sockets.nCreated);
}

TEST_F(ViewTest, FullScreenAtTheStartByF11AndEscapeIsPutBackWhenTheViewGoesAndExitSaves)
{
    FakeDisplayMode display;
    settings.ints["Use FullScreen"] = 1;
    MakeView(&display);
    pSession->Settings().byRotateInterval = 5;
    EXPECT_EQ(std::vector<std::string>{"enter 1024x768"}, display.calls);
    Key(Qt::Key_Escape);
    EXPECT_EQ(0, pSession->Settings().bUseFullScreen);
    EXPECT_EQ(1280, display.nCurrentWidth) << "back to the operator's mode";
    Key(Qt::Key_F11);
    EXPECT_EQ(1024, display.nCurrentWidth);
    Click(IDC_EXIT);
    EXPECT_EQ(1, settings.ints["Use FullScreen"]) << "kept for the next start";
    EXPECT_EQ(5, settings.ints["Rotate Interval"]);
    pView.reset(); // the view goes while the screen is switched, before the display it holds
    EXPECT_FALSE(display.Changed());
    EXPECT_EQ(1280, display.nCurrentWidth);
}

// Each key clicks its button, so it sends that button's request (worked out by hand). What the
// layout makes of each press, and where a press does nothing, are the layout's rows.
TEST_F(ViewTest, EveryLiveKeySendsTheRequestOfItsButton)
{
    const struct {
        const char* pszName;
        Qt::Key key;
        Qt::KeyboardModifiers mods;
        std::vector<Bytes> sent;
    } steps[] = {
        {"4: four cells", Qt::Key_4, {}, {Live(1, 1, 0x000F)}},
        {"F7: the page from camera 7", Qt::Key_F7, {}, {Live(0, 7, 0x03C0)}},
        {"9: nine cells", Qt::Key_9, {}, {Live(1, 1, 0x01FF)}},
        {"Shift+F3: the page from camera 13", Qt::Key_F3, Qt::ShiftModifier, {Live(0, 13, 0xF01F)}},
        {"1: one cell", Qt::Key_1, {}, {Live(0, 1, 0x0001)}},
        {"F3: camera 3 alone", Qt::Key_F3, {}, {Live(0, 3, 0x0004)}},
        {"F10: camera 10 alone", Qt::Key_F10, {}, {Live(0, 10, 0x0200)}},
        {"R: rotation on, to the one drawn camera, the mask kept", Qt::Key_R, {}, {Live(0, 3, 0x0200)}},
        {"R: rotation off, sixteen cells", Qt::Key_R, {}, {Live(1, 1, 0xFFFF)}},
        {"0: sixteen cells, sent again", Qt::Key_0, {}, {Live(1, 1, 0xFFFF)}},
        {"A: the archive asks for the range", Qt::Key_A, {}, {RequestBytes(DATATYPE_DVR_STATUS2, {})}},
    };
    MakeView();
    ConnectAndLogIn();
    DeliverPicture(2);
    for (size_t i = 0; i < std::size(steps); ++i) {
        const size_t nFrom = Mark();
        // Keys typed while a button has the focus frame reach the view all the same.
        Key(steps[i].key, steps[i].mods, i % 2 ? pView->SkinButton(IDC_CONNECT) : nullptr);
        EXPECT_TRUE(steps[i].sent == SentSince(nFrom)) << steps[i].pszName;
    }
    EXPECT_TRUE(Checked(IDC_LAYOUT_FIRST + 6) && !Checked(IDC_ROTATE));
}

TEST(CounterLine, IsOneLineOfNamedNumbers)
{
    EXPECT_EQ("ostrel counters: pictures=0 reconnects=0 state=0 uptime_ms=0\n", FormatCounterLine({}));
    EXPECT_EQ("ostrel counters: pictures=18446744073709551615 reconnects=4294967295 state=2 uptime_ms=3600000\n",
              FormatCounterLine({UINT64_MAX, UINT32_MAX, 2, 3600000}));
}

// ---- the PTZ keys, with the PTZ panel behind them ------------------------------------------

namespace {

class PtzKeysTest : public ViewTest {
protected:
    void SetUp() override
    {
        ViewTest::SetUp();
        // One slot per key; slot 10 reads "10" in hexadecimal, so slots 10 to 12 are 0a to 0c.
        std::string strFile = "<1>\n";
        for (const char* pszSlot : {"00", "01", "02", "03", "04", "05", "06", "07", "08", "09", "0a", "0b", "0c"})
            strFile += std::string("S/2/c1/") + pszSlot + "\n";
        files.files[Dir() + "/PTZ/pelcoP.tl"] = Bytes(strFile.begin(), strFile.end());
        MakeView();
        pPanel = std::make_unique<CPtzPanel>(*pSession, PtzPanelServices{timers, files, notifier});
        pPanel->LoadPtzTable();
        pView->SetPtzKeyHandler(pPanel.get());
        ConnectAndLogIn();
        TakePtzPayloads();
    }
    void TearDown() override
    {
        Close();
        pPanel.reset();
    }
    // Holds the key for 150 ms with the mouse, or on the keyboard with its repeats every 30 ms
    // in turn: a release and a press that Qt marks, the same pair unmarked (read apart, one time
    // stamp), a press alone (the X server's detectable repeat); lets go and waits for the stops.
    void Hold(int nControlId, Qt::Key key)
    {
        if (key == Qt::Key_unknown) {
            QTest::mousePress(pView->SkinButton(nControlId), Qt::LeftButton);
            QCoreApplication::processEvents();
            clock.Advance(150);
            QTest::mouseRelease(pView->SkinButton(nControlId), Qt::LeftButton);
        } else {
            SendKey(QEvent::KeyPress, key, false, 1);
            for (int nMs = 30; nMs < 150; nMs += 30) {
                clock.Advance(30);
                const int nStyle = nMs / 30 % 3; // 1 the marked pair, 2 the unmarked one, 0 a press
                if (nStyle != 0)
                    SendKey(QEvent::KeyRelease, key, nStyle == 1, nMs);
                SendKey(QEvent::KeyPress, key, nStyle == 1, nMs);
            }
            clock.Advance(30);
            SendKey(QEvent::KeyRelease, key, false, 150);
        }
        QCoreApplication::processEvents();
        clock.Advance(1000);
    }
    void SendKey(QEvent::Type type, Qt::Key key, bool bRepeat, int nStamp = 0)
    {
        QKeyEvent event(type, key, Qt::NoModifier, QString(), bRepeat);
        event.setTimestamp(static_cast<quint64>(nStamp));
        QCoreApplication::sendEvent(pView.get(), &event);
        QCoreApplication::processEvents();
    }
    // Payloads of the PTZ requests (data type 0x1037) sent since the last call.
    std::vector<Bytes> TakePtzPayloads()
    {
        std::vector<Bytes> payloads;
        for (; m_nSeen < sockets.allSent.size(); ++m_nSeen) {
            const Bytes& p = sockets.allSent[m_nSeen];
            if (p.size() >= 60 && p[24] == 0x37 && p[25] == 0x10)
                payloads.emplace_back(p.begin() + 60, p.end());
        }
        return payloads;
    }
    // The move, then the stop at once and on four ticks.
    static std::vector<Bytes> MovesThenStops(uint8_t bySlot, int nMoves)
    {
        std::vector<Bytes> payloads(static_cast<size_t>(nMoves), Bytes{0xC1, bySlot});
        payloads.insert(payloads.end(), 5, Bytes{0xC1, 0x00});
        return payloads;
    }

    std::unique_ptr<CPtzPanel> pPanel;

private:
    size_t m_nSeen = 0;
};

} // namespace

TEST_F(PtzKeysTest, EachKeyByMouseOrKeyboardSendsItsCommandWhileHeldAndStopsWhenLetGo)
{
    const struct {
        const char* pszName;
        int nControl;
        Qt::Key key; // none: the mouse
        uint8_t bySlot;
    } keys[] = {
        {"up", IDC_PTZ_UP, Qt::Key_Up, 3},                {"left up", IDC_PTZ_LEFT_UP, Qt::Key_unknown, 5},
        {"left", IDC_PTZ_LEFT, Qt::Key_Left, 1},          {"left down", IDC_PTZ_LEFT_DOWN, Qt::Key_unknown, 8},
        {"down", IDC_PTZ_DOWN, Qt::Key_Down, 4},          {"right down", IDC_PTZ_RIGHT_DOWN, Qt::Key_unknown, 7},
        {"right", IDC_PTZ_RIGHT, Qt::Key_Right, 2},       {"right up", IDC_PTZ_RIGHT_UP, Qt::Key_unknown, 6},
        {"zoom in", IDC_PTZ_ZOOM_IN, Qt::Key_Plus, 9},    {"zoom out", IDC_PTZ_ZOOM_OUT, Qt::Key_Minus, 10},
        {"focus in", IDC_PTZ_FOCUS_IN, Qt::Key_PageUp, 12}, {"focus out", IDC_PTZ_FOCUS_OUT, Qt::Key_PageDown, 11},
    };
    for (const auto& [pszName, nControl, key, bySlot] : keys) {
        SCOPED_TRACE(pszName);
        DeliverPicture(0); // keeps the watchdog quiet
        CSkinButton* pKey = pView->SkinButton(nControl);
        ASSERT_NE(nullptr, pKey);
        // The diagonals have no key and are hidden, but wired all the same.
        EXPECT_EQ(key != Qt::Key_unknown, pKey->isVisibleTo(pView.get()));
        pKey->setVisible(true);
        // Held 150 ms by its key, which presses the button, or else the mouse: a move and two repeats.
        Hold(nControl, key);
        EXPECT_EQ(MovesThenStops(bySlot, 3), TakePtzPayloads());
    }
}

TEST_F(PtzKeysTest, HeldKeysAreLetGoWhenADialogOrAnotherWindowTakesTheInputOrShiftComesUpFirst)
{
    // Up held with the mouse when "S" opens Configurations: its stops follow before the dialog
    // is closed.
    QTest::mousePress(pView->SkinButton(IDC_PTZ_UP), Qt::LeftButton);
    QCoreApplication::processEvents();
    std::vector<Bytes> whileOpen;
    QTimer::singleShot(0, [&] {
        clock.Advance(1000);
        whileOpen = TakePtzPayloads();
        QApplication::activeModalWidget()->close();
    });
    SendKey(QEvent::KeyPress, Qt::Key_S, false);
    EXPECT_EQ(MovesThenStops(0x03, 1), whileOpen);
    EXPECT_FALSE(pView->SkinButton(IDC_PTZ_UP)->IsPressed());

    SendKey(QEvent::KeyPress, Qt::Key_Left, false);
    QEvent deactivated(QEvent::ActivationChange); // another window took the keyboard
    QCoreApplication::sendEvent(pView.get(), &deactivated);
    QCoreApplication::processEvents();
    clock.Advance(1000);
    EXPECT_EQ(MovesThenStops(0x01, 1), TakePtzPayloads());
    EXPECT_FALSE(pView->SkinButton(IDC_PTZ_LEFT)->IsPressed());
    SendKey(QEvent::KeyRelease, Qt::Key_Left, false); // the late release changes nothing
    clock.Advance(1000);
    EXPECT_TRUE(TakePtzPayloads().empty());

    // '+' typed as Shift and '=' on scan code 21; Shift comes up first, so the key comes up as '='.
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Plus, Qt::ShiftModifier, 21, 0x2B, 1);
    QCoreApplication::sendEvent(pView.get(), &press);
    QCoreApplication::processEvents();
    clock.Advance(10);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Equal, Qt::NoModifier, 21, 0x3D, 0);
    QCoreApplication::sendEvent(pView.get(), &release);
    QCoreApplication::processEvents();
    clock.Advance(1000);
    EXPECT_EQ(MovesThenStops(0x09, 1), TakePtzPayloads());
    EXPECT_FALSE(pView->SkinButton(IDC_PTZ_ZOOM_IN)->IsPressed());
}
