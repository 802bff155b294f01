// Alarm notices on the desktop: the session passing the link's alarm words on with the
// recorder's name, at most once per channel in ten seconds (on a fake clock), while alert mode
// is on.
#include "fakes/core_fixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace ostrel;
using namespace ostrel::test;

TEST(AlarmNotices, AcceptedNoticesReachTheDesktopAtMostOncePerChannelInTenSeconds)
{
    struct Desktop final : public AlarmNotifier {
        void NotifyAlarm(const AlarmNotice& n) override { titles.push_back(std::to_string(n.nChannel) + " " + n.strTitle + " @" + n.strRecorder); }
        std::vector<std::string> titles;
    } desktop;
    SessionRig rig;
    rig.store.texts["Ip Label"] = "GATE 2";
    CRecorderSession& session = rig.MakeSession(nullptr);
    session.SetAlarmNotifier(&desktop, &rig.clock);
    rig.LogIn();
    // The word's bits: channel 0-7, motion 8-15, loss 16-23, alarm 24-31.
    const auto alarm = [&rig](uint32_t dwChannel, uint32_t dwWord) {
        rig.Socket().Deliver(MakePacket(wire::DATATYPE_ALARM_EVENT, {dwChannel, dwWord}));
    };
    alarm(2, 0x01010101); // alert mode off
    session.Settings().bUseAlertMode = 1; // turned on while connected: the setting of the moment counts
    alarm(3, 0x00000000); // nothing active: no notice, and no quiet time started
    alarm(3, 0x01000100);
    // The input flaps for nine seconds: nothing more on the desktop.
    for (int i = 0; i < 9; ++i) {
        rig.clock.Advance(1000);
        alarm(3, i % 2 ? 0x01000000 : 0x00000100);
    }
    alarm(4, 0x00010000); // another channel is not held back
    rig.clock.Advance(999); // 9999 ms after the first
    alarm(3, 0x01000000);
    rig.clock.Advance(1);
    alarm(3, 0x01000000);
    // Channels the link does not accept (only 1 to 4) never get that far.
    alarm(5, 0x01000000);
    alarm(0, 0x01000000);
    session.SetAlarmNotifier(nullptr, &rig.clock);
    alarm(1, 0x01000000);
    EXPECT_EQ((std::vector<std::string>{"3 Camera 3: alarm, motion @GATE 2", "4 Camera 4: video loss @GATE 2",
                                        "3 Camera 3: alarm @GATE 2"}),
              desktop.titles);
    EXPECT_EQ(1, rig.sockets.nCreated) << "still the first connection";
    EXPECT_TRUE(rig.notifier.notices.empty()) << "no message box for an alarm";
}
