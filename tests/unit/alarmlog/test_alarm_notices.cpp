// Alarm notices on the desktop: which alarm words become one, how often per channel (on a fake
// clock), and the session passing the link's accepted notices on with the recorder's name.
#include "models/alarm_notice_gate.h"
#include "session/recorder_session.h"

#include "fakes/fake_clock.h"
#include "fakes/fake_file_store.h"
#include "fakes/fake_socket.h"
#include "fakes/memory_settings_store.h"
#include "fakes/packet_maker.h"
#include "fakes/recording_notifier.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace ostrel;
using namespace ostrel::test;

TEST(AlarmNoticeGate, TitleNamesWhatTheWordReportsAndEachChannelHasTenQuietSeconds)
{
    // channel bits 0-7, motion 8-15, loss 16-23, alarm 24-31
    EXPECT_EQ("Camera 3: alarm, motion", AlarmNoticeGate::Title(0x01000103));
    EXPECT_EQ("Camera 2: video loss", AlarmNoticeGate::Title(0x00010002));
    EXPECT_EQ("Camera 4: alarm, video loss, motion", AlarmNoticeGate::Title(0xFF80FF04));
    EXPECT_EQ("", AlarmNoticeGate::Title(0x00000001)) << "everything back to normal";

    AlarmNoticeGate gate;
    const auto admitted = [&gate](uint32_t dwWord, int64_t nMs) { return gate.Admit(dwWord, nMs).has_value(); };
    EXPECT_TRUE(admitted(0x01000001, 1000));
    EXPECT_FALSE(admitted(0x00000101, 1001)) << "channel 1 again at once, even for another cause";
    EXPECT_TRUE(admitted(0x01000002, 1500)) << "channel 2 has its own quiet time";
    EXPECT_FALSE(admitted(0x01000001, 10999));
    EXPECT_TRUE(admitted(0x01000001, 11000)) << "ten seconds after the last notice";
    EXPECT_FALSE(admitted(0x01000002, 11499));
    EXPECT_TRUE(admitted(0x01000002, 11500));
    EXPECT_FALSE(admitted(0x00000003, 12000)) << "nothing active: no notice";
    EXPECT_TRUE(admitted(0x00010003, 12001)) << "and no quiet time started";
    // A denied notice does not move the quiet time on: a flapping input gets through every ten seconds.
    for (int64_t t = 11000; t < 21000; t += 250)
        EXPECT_FALSE(admitted(0x01000001, t + 1)) << t;
    EXPECT_TRUE(admitted(0x01000001, 21000));
}

namespace {

class RecordingAlarmNotifier final : public AlarmNotifier {
public:
    void NotifyAlarm(const AlarmNotice& n) override
    {
        titles.push_back(std::to_string(n.nChannel) + " " + n.strTitle + " @" + n.strRecorder);
    }
    std::vector<std::string> titles;
};

// The session with the real link on a fake socket, logged in, and a recording desktop.
class SessionNotices : public ::testing::Test {
protected:
    void Start(int nAlertMode)
    {
        settings.texts["Host IPAddress"] = "127.0.0.1";
        settings.ints["Host Port"] = 8000;
        settings.ints["Use AlertMode"] = nAlertMode;
        settings.texts["Ip Label"] = "GATE 2";
        sockets.pClock = &clock;
        pSession = std::make_unique<CRecorderSession>(
            SessionServices{timers, sockets, files, notifier, settings, {"/nonexistent", "/nonexistent"}, "/nonexistent"});
        pSession->Load();
        pSession->SetAlarmNotifier(&desktop, &clock);
        ASSERT_TRUE(pSession->Connect());
        sockets.Last()->CompleteConnect(true);
        sockets.Last()->Deliver(MakePacket(wire::DATATYPE_LOGIN_REPLY, {1, 16}));
        clock.Advance(700);
    }
    void Alarm(uint32_t dwP0, uint32_t dwP1) { sockets.Last()->Deliver(MakePacket(wire::DATATYPE_ALARM_EVENT, {dwP0, dwP1})); }

    FakeClock clock;
    FakeTimerFactory timers{clock};
    FakeSocketFactory sockets;
    FakeFileStore files;
    RecordingNotifier notifier;
    MemorySettingsStore settings;
    RecordingAlarmNotifier desktop;
    std::unique_ptr<CRecorderSession> pSession;
};

} // namespace

TEST_F(SessionNotices, AcceptedNoticesReachTheDesktopAtMostOncePerChannelInTenSeconds)
{
    Start(1);
    Alarm(3, 0x01000100);
    // The input flaps for nine seconds: nothing more on the desktop.
    for (int i = 0; i < 9; ++i) {
        clock.Advance(1000);
        Alarm(3, i % 2 ? 0x01000000 : 0x00000100);
    }
    Alarm(4, 0x00010000); // another channel is not held back
    clock.Advance(999);   // 9999 ms after the first
    Alarm(3, 0x01000000);
    clock.Advance(1);
    Alarm(3, 0x01000000);
    // Channels the link does not accept (only 1 to 4) never get that far.
    Alarm(5, 0x01000000);
    Alarm(0, 0x01000000);
    EXPECT_EQ((std::vector<std::string>{"3 Camera 3: alarm, motion @GATE 2", "4 Camera 4: video loss @GATE 2",
                                        "3 Camera 3: alarm @GATE 2"}),
              desktop.titles);
    EXPECT_EQ(1, sockets.nCreated) << "still the first connection";
    EXPECT_TRUE(notifier.notices.empty()) << "no message box for an alarm";
}

TEST_F(SessionNotices, NothingWithAlertModeOffOrWithoutANotifier)
{
    Start(0);
    Alarm(2, 0x01010101);
    EXPECT_TRUE(desktop.titles.empty());
    pSession->Settings().bUseAlertMode = 1; // turned on while connected: the setting of the moment counts
    Alarm(2, 0x01010101);
    EXPECT_EQ(1u, desktop.titles.size());
    pSession->Settings().bUseAlertMode = 0;
    clock.Advance(10000);
    Alarm(2, 0x01010101);
    pSession->Settings().bUseAlertMode = 1;
    pSession->SetAlarmNotifier(nullptr, &clock);
    Alarm(1, 0x01000000);
    EXPECT_EQ(1u, desktop.titles.size());
    EXPECT_EQ(1, sockets.nCreated) << "still the first connection";
}
