// Alarm notices on the desktop: the session passing the link's alarm words on with the
// recorder's name, at most once per channel in ten seconds (on a fake clock), while alert mode
// is on.
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

namespace {

struct Desktop final : public AlarmNotifier {
    void NotifyAlarm(const AlarmNotice& n) override { titles.push_back(std::to_string(n.nChannel) + " " + n.strTitle + " @" + n.strRecorder); }
    std::vector<std::string> titles;
};

} // namespace

TEST(AlarmNotices, AcceptedNoticesReachTheDesktopAtMostOncePerChannelInTenSeconds)
{
    // The word's bits: channel 0-7, motion 8-15, loss 16-23, alarm 24-31.
    EXPECT_EQ("Camera 4: alarm, video loss, motion", AlarmNoticeGate::Title(0xFF80FF04));
    EXPECT_EQ("", AlarmNoticeGate::Title(0x00000001)) << "everything back to normal";

    FakeClock clock;
    FakeTimerFactory timers{clock};
    FakeSocketFactory sockets;
    FakeFileStore files;
    RecordingNotifier notifier;
    MemorySettingsStore settings;
    Desktop desktop;
    settings.texts = {{"Host IPAddress", "127.0.0.1"}, {"Ip Label", "GATE 2"}};
    settings.ints = {{"Host Port", 8000}, {"Use AlertMode", 0}};
    sockets.pClock = &clock;
    CRecorderSession session(SessionServices{timers, sockets, files, notifier, settings, {"/nonexistent", "/nonexistent"}, "/nonexistent"});
    session.Load();
    session.SetAlarmNotifier(&desktop, &clock);
    ASSERT_TRUE(session.Connect());
    sockets.Last()->CompleteConnect(true);
    sockets.Last()->Deliver(MakePacket(wire::DATATYPE_LOGIN_REPLY, {1, 16}));
    clock.Advance(700);
    const auto alarm = [&](uint32_t dwChannel, uint32_t dwWord) {
        sockets.Last()->Deliver(MakePacket(wire::DATATYPE_ALARM_EVENT, {dwChannel, dwWord}));
    };

    alarm(2, 0x01010101); // alert mode off
    session.Settings().bUseAlertMode = 1; // turned on while connected: the setting of the moment counts
    alarm(3, 0x00000000); // nothing active: no notice, and no quiet time started
    alarm(3, 0x01000100);
    // The input flaps for nine seconds: nothing more on the desktop.
    for (int i = 0; i < 9; ++i) {
        clock.Advance(1000);
        alarm(3, i % 2 ? 0x01000000 : 0x00000100);
    }
    alarm(4, 0x00010000); // another channel is not held back
    clock.Advance(999);   // 9999 ms after the first
    alarm(3, 0x01000000);
    clock.Advance(1);
    alarm(3, 0x01000000);
    // Channels the link does not accept (only 1 to 4) never get that far.
    alarm(5, 0x01000000);
    alarm(0, 0x01000000);
    session.SetAlarmNotifier(nullptr, &clock);
    alarm(1, 0x01000000);
    EXPECT_EQ((std::vector<std::string>{"3 Camera 3: alarm, motion @GATE 2", "4 Camera 4: video loss @GATE 2",
                                        "3 Camera 3: alarm @GATE 2"}),
              desktop.titles);
    EXPECT_EQ(1, sockets.nCreated) << "still the first connection";
    EXPECT_TRUE(notifier.notices.empty()) << "no message box for an alarm";
}
