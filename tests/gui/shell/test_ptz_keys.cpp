// The view's PTZ keys, offscreen, with the PTZ panel behind them and the link on a fake socket
// and a fake clock: the mouse on each key, the bytes on the wire.
#include "fakes/fake_clock.h"
#include "fakes/fake_file_store.h"
#include "fakes/fake_socket.h"
#include "fakes/memory_settings_store.h"
#include "fakes/packet_maker.h"
#include "fakes/recording_notifier.h"
#include "ptz/ptz_panel.h"
#include "res/resource.h"
#include "session/recorder_session.h"
#include "shell/ostrel_view.h"
#include "widgets/skin_button.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace ostrel;
using namespace ostrel::test;

namespace {

using Bytes = std::vector<uint8_t>;

class PtzKeysTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        const std::string strDir = m_dir.path().toStdString();
        // Slot 10 reads "10" in hexadecimal, so the file spells slots 10 to 12 as 0a to 0c.
        std::string strFile = "<1>\n";
        for (int s = 0; s < 13; ++s) {
            static const char* kHex = "0123456789abc";
            strFile += "S/2/c1/0" + std::string(1, kHex[s]) + "\n";
        }
        files.files[strDir + "/PTZ/pelcoP.tl"] = Bytes(strFile.begin(), strFile.end());
        sockets.pClock = &clock;
        pSession = std::make_unique<CRecorderSession>(
            SessionServices{timers, sockets, files, notifier, settings, {strDir, strDir}, strDir});
        pView = std::make_unique<COstrelView>(*pSession, ViewServices{clock, timers, nullptr}, nullptr);
        pView->OnInitialUpdate();
        pPanel = std::make_unique<CPtzPanel>(*pSession, PtzPanelServices{timers, files, notifier});
        pPanel->LoadPtzTable();
        pView->SetPtzKeyHandler(pPanel.get());

        QTest::mouseClick(pView->SkinButton(IDC_CONNECT), Qt::LeftButton);
        QCoreApplication::processEvents();
        sockets.Last()->CompleteConnect(true);
        sockets.Last()->Deliver(MakePacket(wire::DATATYPE_LOGIN_REPLY, {1, 16}));
        clock.Advance(700);
    }
    void TearDown() override
    {
        pView.reset();
        pPanel.reset();
        pSession.reset();
    }

    // Presses the key with the mouse, holds it nHeldMs, lets go, and waits for the stops.
    void Tap(int nControlId, int nHeldMs = 20)
    {
        CSkinButton* pKey = pView->SkinButton(nControlId);
        ASSERT_NE(nullptr, pKey) << nControlId;
        QTest::mousePress(pKey, Qt::LeftButton);
        QCoreApplication::processEvents();
        clock.Advance(nHeldMs);
        QTest::mouseRelease(pKey, Qt::LeftButton);
        QCoreApplication::processEvents();
        clock.Advance(1000);
    }
    // Presses the key on the keyboard, holds it nHeldMs with the keyboard's own repeats (a
    // release and a press marked as repeats every 30 ms), lets go, and waits for the stops.
    void KeyTap(Qt::Key key, int nHeldMs = 20)
    {
        SendKey(QEvent::KeyPress, key, false);
        QCoreApplication::processEvents();
        for (int nMs = 30; nMs < nHeldMs; nMs += 30) {
            clock.Advance(30);
            SendKey(QEvent::KeyRelease, key, true);
            SendKey(QEvent::KeyPress, key, true);
            QCoreApplication::processEvents();
        }
        clock.Advance(nHeldMs % 30 == 0 ? 30 : nHeldMs % 30);
        SendKey(QEvent::KeyRelease, key, false);
        QCoreApplication::processEvents();
        clock.Advance(1000);
    }
    void SendKey(QEvent::Type type, Qt::Key key, bool bRepeat)
    {
        QKeyEvent event(type, key, Qt::NoModifier, QString(), bRepeat);
        QCoreApplication::sendEvent(pView.get(), &event);
    }
    // Payloads of the PTZ requests sent since the last call.
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

    FakeClock clock;
    FakeTimerFactory timers{clock};
    FakeSocketFactory sockets;
    FakeFileStore files;
    RecordingNotifier notifier;
    MemorySettingsStore settings;
    std::unique_ptr<CRecorderSession> pSession;
    std::unique_ptr<CPtzPanel> pPanel;
    std::unique_ptr<COstrelView> pView;

private:
    QTemporaryDir m_dir;
    size_t m_nSeen = 0;
};

} // namespace

TEST_F(PtzKeysTest, EachOfTheTwelveKeysSendsItsCommandWhileHeldAndStopsWhenLetGo)
{
    const std::pair<int, uint8_t> keys[] = {
        {IDC_PTZ_UP, 3},        {IDC_PTZ_LEFT_UP, 5},  {IDC_PTZ_LEFT, 1},     {IDC_PTZ_LEFT_DOWN, 8},
        {IDC_PTZ_DOWN, 4},      {IDC_PTZ_RIGHT_DOWN, 7}, {IDC_PTZ_RIGHT, 2},  {IDC_PTZ_RIGHT_UP, 6},
        {IDC_PTZ_ZOOM_IN, 9},   {IDC_PTZ_ZOOM_OUT, 10}, {IDC_PTZ_FOCUS_IN, 12}, {IDC_PTZ_FOCUS_OUT, 11},
    };
    TakePtzPayloads();
    const Bytes stop = {0xC1, 0x00};
    for (const auto& [nControl, bySlot] : keys) {
        SCOPED_TRACE(nControl);
        CSkinButton* pKey = pView->SkinButton(nControl);
        ASSERT_NE(nullptr, pKey);
        const bool bDiagonal = nControl == IDC_PTZ_LEFT_UP || nControl == IDC_PTZ_LEFT_DOWN ||
                               nControl == IDC_PTZ_RIGHT_DOWN || nControl == IDC_PTZ_RIGHT_UP;
        EXPECT_EQ(!bDiagonal, pKey->isVisibleTo(pView.get()));
        pKey->setVisible(true); // the hidden ones are wired all the same
        Tap(nControl, 150);     // the press and two repeats at 70 ms
        const Bytes move = {0xC1, bySlot};
        EXPECT_EQ((std::vector<Bytes>{move, move, move, stop, stop, stop, stop, stop}), TakePtzPayloads());
    }
}

TEST_F(PtzKeysTest, TheChannelKeysChooseTheCameraAndSendNothing)
{
    TakePtzPayloads();
    Tap(IDC_PTZ_CH_MINUS, 500); // 001 -> 016
    EXPECT_EQ(15, pSession->Layout().PtzChannel());
    EXPECT_TRUE(TakePtzPayloads().empty()) << "held or released, a channel key sends nothing";
    Tap(IDC_PTZ_UP);
    EXPECT_TRUE(TakePtzPayloads().empty()) << "camera 16 has no commands";

    Tap(IDC_PTZ_CH_PLUS); // 016 -> 001
    EXPECT_EQ(0, pSession->Layout().PtzChannel());
    EXPECT_TRUE(TakePtzPayloads().empty());
    Tap(IDC_PTZ_UP);
    const std::vector<Bytes> sent = TakePtzPayloads();
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ((Bytes{0xC1, 0x03}), sent.front());
}

TEST_F(PtzKeysTest, ArrowsZoomAndFocusKeysSendWhatTheirButtonsSendOncePerHold)
{
    // As EachOfTheTwelveKeysSendsItsCommandWhileHeldAndStopsWhenLetGo: held 150 ms, the press
    // and two repeats at 70 ms, then the stop at once and on four ticks.
    const std::pair<Qt::Key, uint8_t> keys[] = {
        {Qt::Key_Up, 3},   {Qt::Key_Down, 4},     {Qt::Key_Left, 1},       {Qt::Key_Right, 2},
        {Qt::Key_Plus, 9}, {Qt::Key_Minus, 10},   {Qt::Key_PageUp, 12},    {Qt::Key_PageDown, 11},
    };
    TakePtzPayloads();
    const Bytes stop = {0xC1, 0x00};
    for (const auto& [key, bySlot] : keys) {
        SCOPED_TRACE(QKeySequence(key).toString().toStdString());
        KeyTap(key, 150);
        const Bytes move = {0xC1, bySlot};
        EXPECT_EQ((std::vector<Bytes>{move, move, move, stop, stop, stop, stop, stop}), TakePtzPayloads());
    }
}

TEST_F(PtzKeysTest, BracketsChooseTheCameraOncePerPressAndSendNothing)
{
    TakePtzPayloads();
    KeyTap(Qt::Key_BracketLeft, 500); // 001 -> 016, the repeats step no further
    EXPECT_EQ(15, pSession->Layout().PtzChannel());
    EXPECT_TRUE(TakePtzPayloads().empty());
    KeyTap(Qt::Key_BracketRight);
    KeyTap(Qt::Key_BracketRight);
    EXPECT_EQ(1, pSession->Layout().PtzChannel());
    EXPECT_TRUE(TakePtzPayloads().empty());
}

TEST_F(PtzKeysTest, AHeldArrowIsLetGoWhenTheWindowLosesTheKeyboard)
{
    TakePtzPayloads();
    SendKey(QEvent::KeyPress, Qt::Key_Left, false);
    QCoreApplication::processEvents();
    EXPECT_TRUE(pView->SkinButton(IDC_PTZ_LEFT)->IsPressed());
    QEvent deactivated(QEvent::ActivationChange); // another window took the keyboard
    QCoreApplication::sendEvent(pView.get(), &deactivated);
    QCoreApplication::processEvents();
    clock.Advance(1000);
    const Bytes move = {0xC1, 0x01}, stop = {0xC1, 0x00};
    EXPECT_EQ((std::vector<Bytes>{move, stop, stop, stop, stop, stop}), TakePtzPayloads());
    EXPECT_FALSE(pView->SkinButton(IDC_PTZ_LEFT)->IsPressed());
    SendKey(QEvent::KeyRelease, Qt::Key_Left, false); // the late release changes nothing
    QCoreApplication::processEvents();
    clock.Advance(1000);
    EXPECT_TRUE(TakePtzPayloads().empty());
}

TEST_F(PtzKeysTest, PlusLetGoAfterShiftStillStopsTheZoom)
{
    // '+' typed as Shift and '=' on scan code 21; Shift comes up first, so the key comes up as '='.
    TakePtzPayloads();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Plus, Qt::ShiftModifier, 21, 0x2B, 1);
    QCoreApplication::sendEvent(pView.get(), &press);
    QCoreApplication::processEvents();
    clock.Advance(20);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Equal, Qt::NoModifier, 21, 0x3D, 0);
    QCoreApplication::sendEvent(pView.get(), &release);
    QCoreApplication::processEvents();
    clock.Advance(1000);
    const Bytes zoom = {0xC1, 0x09}, stop = {0xC1, 0x00};
    EXPECT_EQ((std::vector<Bytes>{zoom, stop, stop, stop, stop, stop}), TakePtzPayloads());
    EXPECT_FALSE(pView->SkinButton(IDC_PTZ_ZOOM_IN)->IsPressed());
}
