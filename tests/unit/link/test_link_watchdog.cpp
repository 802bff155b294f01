// The image watchdog while a playback or an event log streams in, and the state the link
// returns to when an event log is complete; exact moments on a fake clock.
#include "fakes/link_harness.h"

#include <gtest/gtest.h>

using namespace ostrel;
using namespace ostrel::test;
using namespace ostrel::wire;

namespace {

constexpr int kWatchdog = CDvrLink::kImageWatchdogTimerId;
using Times = std::vector<int64_t>;

// 2026-12-31, 13:45:10 as the archive dialog encodes a play start on a version 2 recorder.
constexpr uint32_t kPlayDate = 0x07EA0C1F;
constexpr uint32_t kPlayTime = 0x0D2D0A00;
constexpr uint32_t kPlayForward = 0x00010100; // start, speed 1, forward
constexpr uint32_t kPlayStop = 0;

// A play picture of channel 6 (1-based in the top byte of P0).
std::vector<uint8_t> PlayImage(size_t nPayload)
{
    return MakePacket(DATATYPE_PLAY_IMAGE, {0x06000000u | (2026u << 8) | 12u, 0x1F0D2D0A, 0, 1, 500000},
                      NumberedPayload(nPayload));
}

std::vector<uint8_t> EventLog(size_t nPayload)
{
    return MakePacket(DATATYPE_EVENT_LOG, {}, NumberedPayload(nPayload));
}

// A logged-in link (live from t = 700) with the archive registered and open at play.
struct WatchdogHarness : LinkHarness {
    WatchdogHarness()
    {
        RegisterArchive();
        LogIn();
        archive.bActive = true;
        archive.wPlayState = 1;
    }
    void AdvanceTo(int64_t nMs) { clock.Advance(nMs - clock.TickMs()); }
    void Play(uint32_t dwControl = kPlayForward) { Link().SendPlay(PlayRequest{kPlayDate, kPlayTime, dwControl, 5}, true); }
    int64_t LastStop()
    {
        int64_t nAt = -1;
        for (const FakeTimerService::Event& e : Timers().Log())
            if (e.nId == kWatchdog && e.kind == FakeTimerService::Event::Stopped)
                nAt = e.nAtMs;
        return nAt;
    }
};

} // namespace

TEST(LinkWatchdog, ContinuationInPlayRestartsTheWatchdogOnlyWhileTheArchivePlays)
{
    struct Row {
        const char* name;
        uint16_t wPlayState; // when the continuation arrives
        bool bRestarts;
    } rows[] = {
        {"playing", 0x0001, true},
        {"playing, high byte set", 0x0201, true},
        {"stopped", 0x0000, false},
        {"low byte 2 is not playing", 0x0102, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        WatchdogHarness h;
        h.AdvanceTo(1000);
        h.Play();
        const auto reads = SplitAt(PlayImage(9000), {4000, 7000});
        h.AdvanceTo(2000);
        h.Socket().Deliver(reads[0]);
        EXPECT_EQ(2000, h.Timers().Starts(kWatchdog).back()) << "the header restarts it while playing";

        h.archive.wPlayState = row.wPlayState;
        h.AdvanceTo(3500);
        h.Socket().Deliver(reads[1]);
        EXPECT_EQ(7000u - 60u, h.Link().CollectedSize());
        if (row.bRestarts) {
            h.AdvanceTo(8499);
            EXPECT_TRUE(h.Timers().Firings(kWatchdog).empty());
            h.AdvanceTo(8500);
            EXPECT_EQ(Times{8500}, h.Timers().Firings(kWatchdog));
        } else {
            EXPECT_EQ(3500, h.LastStop());
            h.AdvanceTo(25000);
            EXPECT_TRUE(h.Timers().Firings(kWatchdog).empty());
            EXPECT_EQ(std::vector<uint8_t>{1}, h.view.statuses) << "only the connection line, no retries";
        }
    }
}

TEST(LinkWatchdog, WatchdogInPlayResendsTheLastPlayRequestThenReconnects)
{
    WatchdogHarness h;
    h.AdvanceTo(1000);
    h.Play();
    const std::vector<uint8_t> play = h.sockets.allSent.back();
    h.AdvanceTo(16000);
    EXPECT_EQ((Times{1000, 6000, 11000}), h.SentAt(DATATYPE_PLAY_REQUEST));
    EXPECT_EQ(play, h.sockets.allSent.back());
    EXPECT_EQ(1000, h.Timers().Starts(kWatchdog).back()) << "the re-sends do not restart it";
    EXPECT_EQ(Times{16000}, h.Timers().Starts(CDvrLink::kReconnectTimerId));
}

TEST(LinkWatchdog, EventLogHeaderAndContinuationStopTheWatchdog)
{
    WatchdogHarness h;
    h.archive.bActive = false;
    h.AdvanceTo(1000);
    h.Link().SendRequest(REQ_EVENT_LOG, true);
    EXPECT_EQ(CDvrLink::kImageWatchdogMs, h.Timers().RemainingMs(kWatchdog)) << "armed by the request";
    const auto reads = SplitAt(EventLog(12000), {5000, 9000});
    h.AdvanceTo(2000);
    h.Socket().Deliver(reads[0]);
    EXPECT_EQ(2000, h.LastStop());
    h.AdvanceTo(2500);
    h.Link().SetImageWatchdog(true); // as a play control of the archive dialog may
    h.AdvanceTo(3500);
    h.Socket().Deliver(reads[1]);
    EXPECT_EQ(3500, h.LastStop());
    EXPECT_EQ(REQ_EVENT_LOG, h.Link().State());

    h.AdvanceTo(20000);
    EXPECT_TRUE(h.Timers().Firings(kWatchdog).empty());
    h.Socket().Deliver(reads[2]);
    EXPECT_EQ(NumberedPayload(12000), h.files.files.at("AlarmEvent.am"));
    EXPECT_EQ(1, h.archive.nAlarmRefreshes);
    EXPECT_FALSE(h.Timers().IsRunning(kWatchdog));
    EXPECT_TRUE(h.archive.drawn.empty() && h.view.drawn.empty()) << "an event log is no picture";
}

TEST(LinkWatchdog, CompleteEventLogReturnsToTheStateBeforeTheLastPlayRequest)
{
    struct Row {
        const char* name;
        std::vector<uint32_t> playControls; // play requests sent before the log, in order
        bool bPlayImages;                   // play pictures arrive before the log
        uint8_t byAfter;
    } rows[] = {
        // The dialog's stop button is itself a play request, sent while playing.
        {"started, then stopped: back to play", {kPlayForward, kPlayStop}, false, REQ_PLAY},
        {"started and playing: a second start keeps play", {kPlayForward, kPlayForward}, true, REQ_PLAY},
        {"one start from live, pictures came: back to live", {kPlayForward}, true, REQ_LIVE},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        WatchdogHarness h;
        h.AdvanceTo(1000);
        for (uint32_t dwCtrl : row.playControls) {
            h.Play(dwCtrl);
            if (row.bPlayImages)
                h.Socket().Deliver(PlayImage(4000));
        }
        h.Link().SendRequest(REQ_EVENT_LOG, false);
        h.Socket().Deliver(SplitAt(EventLog(10000), {6000}));
        EXPECT_EQ(NumberedPayload(10000), h.files.files.at("AlarmEvent.am"));
        EXPECT_EQ(row.byAfter, h.Link().State());
        EXPECT_EQ(0u, h.Link().ExpectedSize());
    }
}

TEST(LinkWatchdog, EventLogIsDroppedWhileAStopIsPendingAndComesWholeAfterIt)
{
    struct Row {
        const char* name;
        bool bStopMidLog;    // the stop goes out after the log's first read
        bool bConfirmByReply; // else the 300 ms retry ends the wait
    } rows[] = {{"stop before the log, retried", false, false}, {"stop in the middle of the log, confirmed", true, true}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        WatchdogHarness h;
        h.archive.bActive = false;
        h.AdvanceTo(1000);
        h.Link().SendRequest(REQ_EVENT_LOG, false);
        const auto reads = SplitAt(EventLog(12000), {5000});
        if (row.bStopMidLog)
            h.Socket().Deliver(reads[0]);
        h.Link().SendRequest(REQ_STOP, true);
        const int nLamps = h.view.nLampToggles;
        h.AdvanceTo(1100);
        h.Socket().Deliver(row.bStopMidLog ? reads[1] : EventLog(5000));
        EXPECT_TRUE(h.files.files.empty());
        EXPECT_EQ(0, h.archive.nAlarmRefreshes);
        EXPECT_EQ(REQ_EVENT_LOG, h.Link().State()) << "the state stays as the request left it";
        EXPECT_EQ(nLamps, h.view.nLampToggles);

        if (row.bConfirmByReply) {
            h.Socket().Deliver(MakePacket(DATATYPE_STOP_REPLY, {1}));
        } else {
            h.AdvanceTo(1300);
            EXPECT_EQ((Times{1000, 1300}), h.SentAt(DATATYPE_STOP));
        }
        EXPECT_FALSE(h.Link().StopPending());
        h.Socket().Deliver(EventLog(300));
        EXPECT_EQ(NumberedPayload(300), h.files.files.at("AlarmEvent.am"));
        EXPECT_EQ(REQ_LIVE, h.Link().State());
    }
}
