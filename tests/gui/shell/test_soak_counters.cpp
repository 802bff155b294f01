// The counters a soak run reads: pictures the live view drew, reconnections the link began,
// and the line they are reported in. The link runs on a fake socket and a fake clock.
#include "fakes/camera_look.h"
#include "fakes/test_pictures.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_file_store.h"
#include "fakes/fake_socket.h"
#include "fakes/memory_settings_store.h"
#include "fakes/packet_maker.h"
#include "fakes/recording_notifier.h"
#include "res/resource.h"
#include "session/recorder_session.h"
#include "shell/counter_report.h"
#include "shell/ostrel_view.h"
#include "widgets/skin_button.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace ostrel;
using namespace ostrel::test;
using namespace ostrel::wire;

namespace {

class CountersTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        settings.texts["Host IPAddress"] = "127.0.0.1";
        settings.ints["Host Port"] = 8000;
        sockets.pClock = &clock;
        const std::string strDir = m_dir.path().toStdString();
        pSession = std::make_unique<CRecorderSession>(
            SessionServices{timers, sockets, files, notifier, settings, {strDir, strDir}, strDir});
        pView = std::make_unique<COstrelView>(*pSession, ViewServices{clock, timers, nullptr}, nullptr);
        pView->OnInitialUpdate();
    }
    void TearDown() override
    {
        pView.reset();
        pSession.reset();
    }
    void Click(int nControlId)
    {
        QTest::mouseClick(pView->SkinButton(nControlId), Qt::LeftButton);
        QCoreApplication::processEvents();
    }
    // The TCP connection stands (the first or a reconnection's), the login is accepted and the
    // login steps run: live pictures are asked for.
    void LogIn()
    {
        sockets.Last()->CompleteConnect(true);
        sockets.Last()->Deliver(MakePacket(DATATYPE_LOGIN_REPLY, {1, 16}));
        clock.Advance(700);
    }
    void DeliverPicture(int nChannel)
    {
        sockets.Last()->Deliver(MakePacket(DATATYPE_LIVE_IMAGE, {0, 0, 0, static_cast<uint32_t>(nChannel + 1), 0},
                                           ostrel::testing::CameraJpeg(nChannel, false)));
    }
    uint32_t Reconnects() { return pSession->Link().ReconnectsStarted(); }

    FakeClock clock;
    FakeTimerFactory timers{clock};
    FakeSocketFactory sockets;
    FakeFileStore files;
    RecordingNotifier notifier;
    MemorySettingsStore settings;
    std::unique_ptr<CRecorderSession> pSession;
    std::unique_ptr<COstrelView> pView;

private:
    QTemporaryDir m_dir;
};

} // namespace

TEST(CounterLine, IsOneLineOfNamedNumbers)
{
    EXPECT_EQ("ostrel counters: pictures=0 reconnects=0 state=0 uptime_ms=0\n", FormatCounterLine({}));
    EXPECT_EQ("ostrel counters: pictures=18446744073709551615 reconnects=4294967295 state=2 uptime_ms=3600000\n",
              FormatCounterLine({UINT64_MAX, UINT32_MAX, 2, 3600000}));
}

TEST_F(CountersTest, PicturesCountOnlyWhenAVisibleCellGetsThem)
{
    Click(IDC_CONNECT);
    LogIn();
    for (int n : {0, 5, 15, 5})
        DeliverPicture(n);
    EXPECT_EQ(4u, pView->PicturesDrawn()) << "sixteen cells: every channel is seen";

    Click(IDC_LAYOUT_FIRST + 0); // one cell
    Click(IDC_CHANNEL_FIRST + 2); // channel 3 in it
    ASSERT_TRUE(pSession->Layout().IsSingle());
    DeliverPicture(5);
    EXPECT_EQ(4u, pView->PicturesDrawn()) << "a channel without a cell draws nothing";
    DeliverPicture(2);
    EXPECT_EQ(5u, pView->PicturesDrawn());
}

TEST_F(CountersTest, EachReconnectionIsCountedOnceHoweverManyAttemptsItTakes)
{
    Click(IDC_CONNECT);
    LogIn();
    DeliverPicture(0);
    EXPECT_EQ(0u, Reconnects());

    // Silence: the watchdog's third expiry, 15 s after the last picture, begins a reconnection.
    clock.Advance(14999);
    EXPECT_EQ(0u, Reconnects());
    clock.Advance(1);
    EXPECT_EQ(1u, Reconnects());
    // Two refused attempts, 5 s apart, then one that stands.
    for (int n = 0; n < 2; ++n) {
        clock.Advance(CDvrLink::kReconnectMs);
        sockets.Last()->CompleteConnect(false);
        clock.RunDue();
    }
    clock.Advance(CDvrLink::kReconnectMs);
    LogIn();
    DeliverPicture(0);
    EXPECT_EQ(1u, Reconnects()) << "attempts are not reconnections";
    EXPECT_EQ(1, pSession->ConnectState());

    clock.Advance(15000);
    EXPECT_EQ(2u, Reconnects()) << "the next silence begins the next one";

    Click(IDC_DISCONNECT);
    Click(IDC_CONNECT);
    EXPECT_EQ(2u, Reconnects()) << "the operator's connect is no reconnection";
}
