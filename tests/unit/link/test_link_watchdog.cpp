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

// A play picture of channel 6 (1-based in the top byte of P0) with an n-byte payload.
std::vector<uint8_t> PlayImage(size_t nPayload)
{
    return MakePacket(DATATYPE_PLAY_IMAGE, {0x06000000u | (2026u << 8) | 12u, 0x1F0D2D0A, 0, 1, 500000},
                      NumberedPayload(nPayload));
}

std::vector<uint8_t> EventLog(size_t nPayload)
{
    return MakePacket(DATATYPE_EVENT_LOG, {}, NumberedPayload(nPayload));
}

Times StopsOf(const FakeTimerService& timers, int nId)
{
    Times at;
    for (const FakeTimerService::Event& e : timers.Log())
        if (e.nId == nId && e.kind == FakeTimerService::Event::Stopped)
            at.push_back(e.nAtMs);
    return at;
}

// A logged-in link with the archive registered; pictures are counted, not decoded.
struct WatchdogHarness : LinkHarness {
    WatchdogHarness()
    {
        Link().SetImageCompletion([this](const CompletedPayload& payload) { completedStates.push_back(payload.byState); });
        RegisterArchive();
        LogIn(); // live from t = 700
    }
    void AdvanceTo(int64_t nMs) { clock.Advance(nMs - clock.TickMs()); }
    std::vector<uint8_t> completedStates;
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
        h.archive.bActive = true;
        h.archive.wPlayState = 1;
        h.AdvanceTo(1000);
        h.Link().SendPlay(PlayRequest{kPlayDate, kPlayTime, kPlayForward, 5}, true);
        const auto reads = SplitAt(PlayImage(9000), {4000, 7000});

        h.AdvanceTo(2000);
        h.Socket().Deliver(reads[0]);
        EXPECT_EQ(2000, h.Timers().Starts(kWatchdog).back()) << "the header restarts it while playing";

        h.archive.wPlayState = row.wPlayState;
        h.AdvanceTo(3500);
        h.Socket().Deliver(reads[1]);
        EXPECT_EQ(REQ_PLAY, h.Link().State());
        EXPECT_EQ(7000u - 60u, h.Link().CollectedSize());
        if (row.bRestarts) {
            EXPECT_EQ(3500, h.Timers().Starts(kWatchdog).back());
            EXPECT_EQ(CDvrLink::kImageWatchdogMs, h.Timers().RemainingMs(kWatchdog));
            h.AdvanceTo(8499);
            EXPECT_TRUE(h.Timers().Firings(kWatchdog).empty());
            h.AdvanceTo(8500);
            EXPECT_EQ(Times{8500}, h.Timers().Firings(kWatchdog));
        } else {
            EXPECT_FALSE(h.Timers().IsRunning(kWatchdog));
            EXPECT_EQ(3500, StopsOf(h.Timers(), kWatchdog).back());
            h.AdvanceTo(25000);
            EXPECT_TRUE(h.Timers().Firings(kWatchdog).empty());
            EXPECT_EQ(std::vector<uint8_t>{1}, h.view.statuses) << "only the connection line, no retries";
        }
    }
}

TEST(LinkWatchdog, WatchdogInPlayResendsTheLastPlayRequest)
{
    WatchdogHarness h;
    h.archive.bActive = true;
    h.archive.wPlayState = 1;
    h.AdvanceTo(1000);
    h.Link().SendPlay(PlayRequest{kPlayDate, kPlayTime, kPlayForward, 5}, true);
    const std::vector<uint8_t> play = h.sockets.allSent.back();
    // P0 = channel 6, P1 the date word, P2 the time word, P3 the control word.
    const std::vector<uint8_t> params(play.begin() + 28, play.begin() + 44);
    EXPECT_EQ((std::vector<uint8_t>{6, 0, 0, 0, 0x1F, 0x0C, 0xEA, 0x07, 0x00, 0x0A, 0x2D, 0x0D, 0x00, 0x01, 0x01, 0x00}),
              params);

    h.AdvanceTo(16000);
    EXPECT_EQ((Times{1000, 6000, 11000}), h.SentAt(DATATYPE_PLAY_REQUEST));
    EXPECT_EQ(play, h.sockets.allSent[h.sockets.allSent.size() - 1]);
    EXPECT_EQ(1000, h.Timers().Starts(kWatchdog).back()) << "the re-sends do not restart it";
    EXPECT_EQ(Times{16000}, h.Timers().Starts(CDvrLink::kReconnectTimerId));
}

TEST(LinkWatchdog, EventLogHeaderAndContinuationStopTheWatchdog)
{
    WatchdogHarness h;
    h.AdvanceTo(1000);
    h.Link().SendRequest(REQ_EVENT_LOG, true);
    EXPECT_EQ(CDvrLink::kImageWatchdogMs, h.Timers().RemainingMs(kWatchdog)) << "armed by the request";
    const std::vector<uint8_t> log = NumberedPayload(12000);
    const auto reads = SplitAt(EventLog(12000), {5000, 9000});

    h.AdvanceTo(2000);
    h.Socket().Deliver(reads[0]);
    EXPECT_FALSE(h.Timers().IsRunning(kWatchdog));
    EXPECT_EQ(2000, StopsOf(h.Timers(), kWatchdog).back());

    h.AdvanceTo(2500);
    h.Link().SetImageWatchdog(true); // as a play control of the archive dialog may
    h.AdvanceTo(3500);
    h.Socket().Deliver(reads[1]);
    EXPECT_FALSE(h.Timers().IsRunning(kWatchdog));
    EXPECT_EQ(3500, StopsOf(h.Timers(), kWatchdog).back());
    EXPECT_EQ(REQ_EVENT_LOG, h.Link().State());

    h.AdvanceTo(20000);
    EXPECT_TRUE(h.Timers().Firings(kWatchdog).empty());
    h.Socket().Deliver(reads[2]);
    EXPECT_EQ(log, h.files.files.at("AlarmEvent.am"));
    EXPECT_EQ(1, h.archive.nAlarmRefreshes);
    EXPECT_FALSE(h.Timers().IsRunning(kWatchdog));
    EXPECT_TRUE(h.completedStates.empty()) << "an event log is no picture";
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
        h.archive.bActive = true;
        h.archive.wPlayState = 1;
        h.AdvanceTo(1000);
        for (uint32_t dwCtrl : row.playControls) {
            h.Link().SendPlay(PlayRequest{kPlayDate, kPlayTime, dwCtrl, 5}, true);
            if (row.bPlayImages)
                h.Socket().Deliver(PlayImage(4000));
        }
        EXPECT_EQ(REQ_PLAY, h.Link().State());

        h.Link().SendRequest(REQ_EVENT_LOG, false);
        h.Socket().Deliver(SplitAt(EventLog(10000), {6000}));
        EXPECT_EQ(NumberedPayload(10000), h.files.files.at("AlarmEvent.am"));
        EXPECT_EQ(row.byAfter, h.Link().State());
        EXPECT_EQ(0u, h.Link().ExpectedSize());
    }
}

TEST(LinkWatchdog, EventLogIsNotCollectedWhileAStopIsPending)
{
    WatchdogHarness h;
    h.AdvanceTo(1000);
    h.Link().SendRequest(REQ_EVENT_LOG, false);
    h.Link().SendRequest(REQ_STOP, true); // confirmed: pending until the reply or the retry
    const int nLamps = h.view.nLampToggles;

    h.AdvanceTo(1100);
    h.Socket().Deliver(EventLog(5000));
    EXPECT_TRUE(h.files.files.empty());
    EXPECT_EQ(0, h.archive.nAlarmRefreshes);
    EXPECT_EQ(REQ_EVENT_LOG, h.Link().State()) << "the state stays as the request left it";
    EXPECT_EQ(0u, h.Link().ExpectedSize());
    EXPECT_EQ(nLamps, h.view.nLampToggles);

    h.AdvanceTo(1300); // the retry sends the stop again and ends the wait
    EXPECT_EQ((Times{1000, 1300}), h.SentAt(DATATYPE_STOP));
    EXPECT_FALSE(h.Link().StopPending());

    h.AdvanceTo(1400);
    h.Socket().Deliver(EventLog(5000));
    EXPECT_EQ(NumberedPayload(5000), h.files.files.at("AlarmEvent.am"));
    EXPECT_EQ(REQ_LIVE, h.Link().State());
}

TEST(LinkWatchdog, ConfirmedStopInTheMiddleOfAnEventLogDropsItsRest)
{
    WatchdogHarness h;
    h.AdvanceTo(1000);
    h.Link().SendRequest(REQ_EVENT_LOG, false);
    const auto reads = SplitAt(EventLog(12000), {5000});
    h.Socket().Deliver(reads[0]);
    h.AdvanceTo(1100);
    h.Link().SendRequest(REQ_STOP, true);
    h.AdvanceTo(1200);
    h.Socket().Deliver(reads[1]);
    EXPECT_TRUE(h.files.files.empty());
    EXPECT_EQ(0, h.archive.nAlarmRefreshes);
    EXPECT_EQ(REQ_EVENT_LOG, h.Link().State());

    // The reply confirms; the next log comes whole.
    h.Socket().Deliver(MakePacket(DATATYPE_STOP_REPLY, {1}));
    EXPECT_FALSE(h.Link().StopPending());
    h.Socket().Deliver(EventLog(300));
    EXPECT_EQ(NumberedPayload(300), h.files.files.at("AlarmEvent.am"));
    EXPECT_EQ(REQ_LIVE, h.Link().State());
}
