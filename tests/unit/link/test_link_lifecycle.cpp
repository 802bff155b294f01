// Connect, login, the link's timers and reconnection, and the image watchdog while a playback
// or an event log streams in, at exact moments on a fake clock.
#include "fakes/link_harness.h"

#include <gtest/gtest.h>

#include <optional>

using namespace ostrel;
using namespace ostrel::test;
using namespace ostrel::wire;

namespace {

constexpr int kWatchdog = CDvrLink::kImageWatchdogTimerId;
constexpr int kReconnect = CDvrLink::kReconnectTimerId;
constexpr int kStatusPoll = CDvrLink::kStatusPollTimerId;
using Times = std::vector<int64_t>;

std::vector<uint8_t> LiveImage(size_t nPayload)
{
    return MakePacket(DATATYPE_LIVE_IMAGE, {0, 0, 0, 1}, NumberedPayload(nPayload));
}

} // namespace

TEST(LinkLifecycle, LoginGoesOutOnceTheConnectionStandsAndItsAnswerStartsLiveWithTheirWaits)
{
    LinkHarness h;
    ASSERT_TRUE(h.Link().Connect("10.1.2.3", 8123));
    EXPECT_FALSE(h.Link().Connect("10.1.2.3", 8123)) << "a second connect while a socket exists";
    h.Socket().CompleteConnect(true);
    EXPECT_TRUE(h.Socket().m_bNoDelay);
    EXPECT_EQ(1, h.view.byConnectState);
    EXPECT_EQ(std::vector<uint8_t>{1}, h.view.statuses);
    EXPECT_EQ(5000, h.Timers().RemainingMs(kWatchdog));

    h.clock.Advance(1000);
    h.Socket().Deliver(MakePacket(DATATYPE_LOGIN_REPLY, {1, 0x07000010}));
    EXPECT_EQ(2, h.Link().ProtocolVersion());
    EXPECT_EQ(16, h.view.byChannelCount);
    h.clock.Advance(2000);
    EXPECT_EQ((std::vector<uint32_t>{DATATYPE_LOGIN, DATATYPE_KEY_EMUL, DATATYPE_DVR_STATUS2, DATATYPE_LIVE_REQUEST}),
              h.SentTypes());
    EXPECT_EQ(Times{1000}, h.SentAt(DATATYPE_KEY_EMUL));
    EXPECT_EQ(Times{1200}, h.SentAt(DATATYPE_DVR_STATUS2));
    EXPECT_EQ(Times{1700}, h.SentAt(DATATYPE_LIVE_REQUEST));
    EXPECT_EQ(Times{1700}, h.Timers().Starts(kStatusPoll));
}

TEST(LinkLifecycle, LoginAnswerDecidesHeaderChannelModeTheChannelCountAndWhatIsRequested)
{
    struct Row {
        const char* szCase;
        std::string_view magic;
        uint32_t dwInfo;
        bool bHeaderMode;
        std::optional<uint8_t> viewCount; // none: the view is not told a count
        bool bArchiveOpen;
        uint16_t wPlayState;
        uint32_t dwLast; // the last request of the login sequence
    } rows[] = {
        {"16 channels", kMagicV12, 16, false, 16, false, 1, DATATYPE_LIVE_REQUEST},
        {"4 channels", kMagicV12, 4, false, 4, false, 0, DATATYPE_LIVE_REQUEST},
        {"info 0: no count", kMagicV12, 0, false, {}, false, 0, DATATYPE_LIVE_REQUEST},
        {"8: header channel mode", kMagicV12, 8, true, 8, false, 0, DATATYPE_LIVE_REQUEST},
        {"1: header channel mode", kMagicV12, 1, true, 1, false, 0, DATATYPE_LIVE_REQUEST},
        {"version 1.0 tells no count", kMagicV10, 8, true, {}, false, 0, DATATYPE_LIVE_REQUEST},
        {"the archive plays on", kMagicV12, 16, false, 16, true, 1, DATATYPE_PLAY_REQUEST},
        {"archive open, not playing: a confirmed stop", kMagicV12, 16, false, 16, true, 0, DATATYPE_STOP},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.szCase);
        LinkHarness h;
        h.RegisterArchive();
        h.archive.bActive = row.bArchiveOpen;
        h.archive.wPlayState = row.wPlayState;
        h.view.byChannelCount = 99; // not a count the link tells
        h.LogIn(row.magic, row.dwInfo);
        EXPECT_EQ(row.bHeaderMode, h.Link().Probe().bHeaderChannelMode);
        EXPECT_EQ(row.viewCount.value_or(99), h.view.byChannelCount);
        EXPECT_EQ(row.dwLast, h.SentTypes().back());
        EXPECT_EQ(row.dwLast == DATATYPE_STOP, h.Link().Probe().bStopPending);
        EXPECT_EQ(1u, h.archive.ranges.size()) << "the login hands over the recorded range";
    }
}

TEST(LinkLifecycle, RefusedLoginDisconnectsAfterTheNotificationWithoutAMessage)
{
    LinkHarness h;
    h.ConnectTcp();
    h.Socket().Deliver(MakePacket(DATATYPE_LOGIN_REPLY, {0, 16}, {}, kMagicV10));
    EXPECT_EQ(1, h.Link().ProtocolVersion()) << "the version is taken whatever P0 says";
    EXPECT_TRUE(h.Link().Probe().bHasSocket) << "reported after the notification, not inside it";
    h.clock.RunDue();
    EXPECT_EQ(std::vector<LinkLoss>{LinkLoss::LoginRefused}, h.view.losses);
    EXPECT_FALSE(h.Link().Probe().bHasSocket);
    EXPECT_FALSE(h.Link().Probe().bHasBuffers);
    EXPECT_TRUE(h.notifier.messages.empty() && h.notifier.notices.empty());
    h.clock.Advance(60000);
    EXPECT_EQ(1u, h.sockets.allSent.size()) << "no timer of the old connection is left";
    EXPECT_EQ(0, h.sockets.nDestroyedWhileNotifying);

    LinkHarness never; // a connect that cannot start leaves no socket
    never.sockets.bCreateFails = true;
    EXPECT_FALSE(never.Link().Connect("127.0.0.1", 8000));
    never.sockets.bCreateFails = false;
    never.sockets.bConnectStarts = false;
    EXPECT_FALSE(never.Link().Connect("not an address", 8000));
    EXPECT_FALSE(never.Link().Probe().bHasSocket);
}

TEST(LinkLifecycle, AFailedConnectSaysWhyAndOneThatNeverStandsTimesOutAfterFiveSeconds)
{
    LinkHarness refused;
    ASSERT_TRUE(refused.Link().Connect("127.0.0.1", 1));
    refused.view.byConnectState = 2;
    refused.Socket().CompleteConnect(false, ConnectFailure::Refused);
    ASSERT_FALSE(refused.view.statusEvents.empty());
    EXPECT_EQ((LinkStatus{StatusCode::ConnectFail, 0, {}, ConnectFailure::Refused}), refused.view.statusEvents.back());
    refused.clock.RunDue();
    EXPECT_EQ(std::vector<LinkLoss>{LinkLoss::ConnectFailed}, refused.view.losses);
    EXPECT_FALSE(refused.Link().Probe().bHasSocket) << "reported after the notification, not inside it";
    EXPECT_EQ(0, refused.sockets.nDestroyedWhileNotifying);

    LinkHarness silent; // an address where nothing answers at all; the view keeps the socket
    ASSERT_TRUE(silent.Link().Connect("127.0.0.1", 8000));
    silent.clock.Advance(4999);
    EXPECT_TRUE(silent.view.statusEvents.empty() && !silent.Socket().m_bClosed);
    silent.clock.Advance(1);
    EXPECT_TRUE(silent.Socket().m_bClosed) << "nothing more is heard from the attempt";
    ASSERT_FALSE(silent.view.statusEvents.empty());
    EXPECT_EQ((LinkStatus{StatusCode::ConnectFail, 0, {}, ConnectFailure::TimedOut}), silent.view.statusEvents.back());
    EXPECT_EQ(std::vector<LinkLoss>{LinkLoss::ConnectFailed}, silent.view.losses);

    LinkHarness quick; // a connect that stands in time cancels the timeout
    quick.Link().SetConnectTimeoutMs(2000);
    quick.ConnectTcp();
    quick.clock.Advance(14000); // short of the watchdog's reconnection
    EXPECT_EQ((std::vector<uint8_t>{1, 6, 6}), quick.view.statuses) << "no failure, only the login asked again";
}

TEST(LinkLifecycle, SilentRecorderGetsTheLoginAgainThenReconnectCountAttemptsThenIsGivenUp)
{
    LinkHarness h;
    h.view.byReconnectCount = 3;
    h.ConnectTcp(); // t = 0: login
    h.clock.Advance(19999);
    EXPECT_EQ((Times{0, 5000, 10000}), h.SentAt(DATATYPE_LOGIN));
    EXPECT_EQ((std::vector<uint8_t>{1, 6, 6, 4}), h.view.statuses);
    EXPECT_EQ((Times{15000}), h.Timers().Starts(kReconnect));
    EXPECT_FALSE(h.Timers().IsRunning(kWatchdog));
    for (int64_t t : {20000, 25000, 30000}) {
        h.clock.Advance(t - h.clock.TickMs());
        EXPECT_EQ(2, h.view.statuses.back()) << "attempt at " << t;
        EXPECT_TRUE(h.Link().Probe().bHasBuffers) << "a reconnection keeps the buffers";
        h.Socket().CompleteConnect(false);
        h.clock.RunDue();
        EXPECT_EQ(5, h.view.statuses.back()) << "connection fail at " << t;
    }
    h.clock.Advance(34999 - h.clock.TickMs());
    EXPECT_TRUE(h.view.losses.empty());
    h.clock.Advance(1);
    EXPECT_EQ(std::vector<LinkLoss>{LinkLoss::ReconnectGaveUp}, h.view.losses);
    EXPECT_FALSE(h.Link().Probe().bHasSocket);
    EXPECT_EQ(4, h.sockets.nCreated) << "no fourth attempt";

    LinkHarness back; // the first attempt connects: a new login, the count afresh
    back.ConnectTcp();
    back.clock.Advance(20000);
    EXPECT_EQ(1, back.Link().Probe().byReconnectAttempts);
    back.Socket().CompleteConnect(true);
    EXPECT_EQ((Times{0, 5000, 10000, 20000}), back.SentAt(DATATYPE_LOGIN));
    EXPECT_FALSE(back.Timers().IsRunning(kReconnect));
    EXPECT_EQ(0, back.Link().Probe().byReconnectAttempts);

    LinkHarness none;
    none.view.byReconnectCount = 0;
    none.ConnectTcp();
    none.clock.Advance(20000);
    EXPECT_EQ(std::vector<LinkLoss>{LinkLoss::ReconnectGaveUp}, none.view.losses) << "count 0: the first expiry";
    EXPECT_EQ(1, none.sockets.nCreated);
}

TEST(LinkLifecycle, WatchdogResendsUnarmedAnyDataResetsTheMissCountAndTheStatusPollRuns)
{
    LinkHarness h;
    h.LogIn();
    const int64_t t0 = h.clock.TickMs();
    for (int i = 0; i < 10; ++i) { // a picture every 4.9 s: the watchdog never expires
        h.clock.Advance(4900);
        h.Socket().Deliver(LiveImage(4000));
    }
    EXPECT_TRUE(h.Timers().Firings(kWatchdog).empty());
    // Only the status poll speaks: once in the login sequence, then every 30 s.
    EXPECT_EQ((Times{t0 - 500, t0 + 30000}), h.SentAt(DATATYPE_DVR_STATUS2));

    const int64_t tLast = h.clock.TickMs();
    h.clock.Advance(5000);
    EXPECT_EQ(DATATYPE_LIVE_REQUEST, h.SentTypes().back());
    EXPECT_EQ(1, h.Link().Probe().byMissCount);
    EXPECT_EQ(6, h.view.statuses.back());
    EXPECT_GE(tLast, h.Timers().Starts(kWatchdog).back()) << "the resend must not restart the watchdog";

    // A chunk of a picture between two expiries resets the count as well.
    const auto reads = SplitAt(LiveImage(9000), {4000});
    h.Socket().Deliver(reads[0]);
    EXPECT_EQ(0, h.Link().Probe().byMissCount);
    h.clock.Advance(4999);
    h.Socket().Deliver(reads[1]);
    h.clock.Advance(4999);
    EXPECT_EQ(0, h.Link().Probe().byMissCount);
    EXPECT_FALSE(h.Timers().IsRunning(kReconnect));
}

TEST(LinkLifecycle, RecorderThatStopsReadingIsReconnectedOnceItsQueueIsFullWhilePicturesStillCome)
{
    LinkHarness h;
    h.view.byReconnectCount = 1;
    h.LogIn();
    h.Socket().StopReading();
    const size_t nSentBefore = h.sockets.allSent.size();
    const size_t nStatusesBefore = h.view.statuses.size();
    const int64_t t0 = h.clock.TickMs();
    for (int i = 0; i < 5000; ++i) // as many live requests as a flood of answers could ask for
        h.Link().SendRequest(REQ_LIVE, true);
    // 60-byte requests: 1092 make 65,520 bytes; the 1093rd would pass 64 KiB.
    EXPECT_EQ(1092u, h.sockets.allSent.size() - nSentBefore);
    EXPECT_EQ(65520u, h.Socket().UnsentBytes());
    EXPECT_EQ(std::vector<uint8_t>{4}, std::vector<uint8_t>(h.view.statuses.begin() + nStatusesBefore, h.view.statuses.end()))
        << "TRY RECONNECTION, once";
    EXPECT_EQ(Times{t0}, h.Timers().Starts(kReconnect));

    int nCompleted = 0;
    h.Link().SetImageCompletion([&](const CompletedPayload&) { ++nCompleted; });
    h.clock.Advance(4000);
    h.Socket().Deliver(LiveImage(4000));
    EXPECT_EQ(1, nCompleted) << "what it still sends is taken meanwhile";
    h.clock.Advance(1000);
    EXPECT_EQ(2, h.sockets.nCreated) << "a new connection at 5 s";
    EXPECT_EQ(2, h.view.statuses.back());
}

TEST(LinkLifecycle, DisconnectCancelsEveryTimerOfItsConnection)
{
    LinkHarness h;
    h.ConnectTcp();
    h.Socket().Deliver(MakePacket(DATATYPE_LOGIN_REPLY, {1, 16}));
    h.clock.Advance(100);
    h.DisconnectButton();
    h.clock.Advance(10000);
    EXPECT_EQ((std::vector<uint32_t>{DATATYPE_LOGIN, DATATYPE_KEY_EMUL}), h.SentTypes()) << "login steps cancelled";
    EXPECT_FALSE(h.Timers().IsRunning(CDvrLink::kLoginStepTimerId));

    LinkHarness live;
    live.LogIn();
    live.Link().StartReconnect(true);
    ASSERT_TRUE(live.Link().Disconnect(true));
    EXPECT_FALSE(live.Link().Probe().bHasSocket || live.Link().Probe().bHasBuffers);
    for (int nId : {kWatchdog, kReconnect, kStatusPoll})
        EXPECT_FALSE(live.Timers().IsRunning(nId)) << nId;
    EXPECT_TRUE(live.Link().Disconnect(true)) << "disconnecting twice is harmless";
}

namespace {

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
    int64_t LastStop() { return Timers().Stops(kWatchdog).empty() ? -1 : Timers().Stops(kWatchdog).back(); }
};

} // namespace

TEST(LinkWatchdog, EventLogHeaderAndContinuationStopTheWatchdog)
{
    WatchdogHarness h;
    h.archive.bActive = false;
    h.AdvanceTo(1000);
    h.Link().SendRequest(REQ_EVENT_LOG, true);
    EXPECT_EQ(5000, h.Timers().RemainingMs(kWatchdog)) << "armed by the request";
    const auto reads = SplitAt(EventLog(12000), {5000, 9000});
    h.AdvanceTo(2000);
    h.Socket().Deliver(reads[0]);
    EXPECT_EQ(2000, h.LastStop());
    h.AdvanceTo(2500);
    h.Link().SetImageWatchdog(true); // as a play control of the archive dialog may
    h.AdvanceTo(3500);
    h.Socket().Deliver(reads[1]);
    EXPECT_EQ(3500, h.LastStop());
    h.AdvanceTo(20000);
    EXPECT_TRUE(h.Timers().Firings(kWatchdog).empty());
    h.Socket().Deliver(reads[2]);
    EXPECT_EQ(NumberedPayload(12000), h.files.files.at("AlarmEvent.am"));
    EXPECT_EQ(1, h.archive.nAlarmRefreshes);
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
        EXPECT_EQ(row.byAfter, h.Link().Probe().byState);
        EXPECT_EQ(0u, h.Link().Probe().nExpected);
    }
}

TEST(LinkWatchdog, EventLogIsDroppedWhileAStopIsPendingAndComesWholeAfterIt)
{
    WatchdogHarness h;
    h.archive.bActive = false;
    h.AdvanceTo(1000);
    h.Link().SendRequest(REQ_EVENT_LOG, false);
    const auto reads = SplitAt(EventLog(12000), {5000});
    h.Socket().Deliver(reads[0]);
    h.Link().SendRequest(REQ_STOP, true); // in the middle of the log
    const int nLamps = h.view.nLampToggles;
    h.Socket().Deliver(reads[1]);
    EXPECT_TRUE(h.files.files.empty());
    EXPECT_EQ(0, h.archive.nAlarmRefreshes);
    EXPECT_EQ(REQ_EVENT_LOG, h.Link().Probe().byState) << "the state stays as the request left it";
    EXPECT_EQ(nLamps, h.view.nLampToggles);
    h.Socket().Deliver(MakePacket(DATATYPE_STOP_REPLY, {1}));
    EXPECT_FALSE(h.Link().Probe().bStopPending);
    h.Socket().Deliver(EventLog(300));
    EXPECT_EQ(NumberedPayload(300), h.files.files.at("AlarmEvent.am"));
    EXPECT_EQ(REQ_LIVE, h.Link().Probe().byState);
}
