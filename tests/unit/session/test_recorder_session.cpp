// The session driven as the windows drive it, the recorder played on a fake socket, time on a
// fake clock; checked by the bytes on the wire, the moments they go out and what the live and
// archive windows are told.
#include "session/recorder_session.h"

#include "fakes/core_fixture.h"
#include "fakes/link_harness.h"
#include "fakes/test_pictures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <functional>

namespace fs = std::filesystem;
using namespace ostrel;
using namespace ostrel::test;
using namespace ostrel::wire;

namespace {

using Bytes = std::vector<uint8_t>;
using Times = std::vector<int64_t>;
using Story = std::vector<std::string>;

constexpr int kWatchdog = CDvrLink::kImageWatchdogTimerId;

Bytes LiveRequest(uint32_t dwP0, uint32_t dwP1, uint32_t dwP2, char cMinor = '2')
{
    return RequestBytes(0x1011, {dwP0, dwP1, dwP2}, cMinor);
}

// The live view as a story: the calls that matter in order, statuses with their moment.
class RecordingLiveWindow final : public LiveWindow {
public:
    RecordingLiveWindow(const FakeClock& rClock, Story& rStory) : m_rClock(rClock), m_rStory(rStory) {}
    void OnConnectStatus(const LinkStatus& status) override
    {
        statuses.push_back(status);
        statusAtMs.push_back(m_rClock.TickMs());
        m_rStory.push_back("live: status " + std::to_string(status.byCode));
    }
    void OnLivePicture(uint8_t byChannel, const Picture& picture) override
    {
        pictureChannels.push_back(byChannel);
        lastPicture = picture;
    }
    void OnPositions(uint32_t dwRecordPos, uint32_t dwPlayPos) override { positions.push_back({dwRecordPos, dwPlayPos}); }
    void OnActivity() override { ++nActivity; }
    void OnChannelCount() override { m_rStory.push_back("live: channel count"); }
    void OnConnectionDropped() override { m_rStory.push_back("live: dropped"); }
    void OnArchiveShown(bool bShown) override { m_rStory.push_back(bShown ? "live: archive shown" : "live: archive hidden"); }

    std::vector<LinkStatus> statuses;
    Times statusAtMs;
    std::vector<uint8_t> pictureChannels;
    Picture lastPicture;
    std::vector<std::vector<uint32_t>> positions;
    int nActivity = 0;

private:
    const FakeClock& m_rClock;
    Story& m_rStory;
};

// The archive dialog as far as the session and the link reach it.
class FakeArchiveWindow final : public ArchiveWindow {
public:
    FakeArchiveWindow(const FakeSocketFactory& rSockets, Story& rStory) : m_rSockets(rSockets), m_rStory(rStory) {}
    bool IsArchiveActive() const override { return bActive; }
    uint16_t PlayState() const override { return 0; }
    void OnRecordRange(uint32_t, uint32_t, uint32_t, uint32_t) override {}
    void OnPlayImageTimeSeconds(uint32_t) override {}
    void OnPlayImageTimePacked(uint32_t, uint32_t) override {}
    void OnPlayPosition(uint32_t) override {}
    void OnPlayResult(uint8_t) override {}
    void FlipReceiveIndicator() override {}
    void OnPlayImage(uint8_t, const Picture&) override {}
    void RefreshAlarmEvents() override {}
    void SetArchiveActive(bool bNowActive) override
    {
        bActive = bNowActive;
        m_rStory.push_back(bNowActive ? "archive: active" : "archive: inactive");
    }
    void Activate() override
    {
        nSentAtActivate = m_rSockets.allSent.size();
        m_rStory.push_back("archive: activate");
    }
    void SetConnectionStatus(const LinkStatus& status) override { statuses.push_back(status); }

    bool bActive = false;
    size_t nSentAtActivate = 0;
    std::vector<LinkStatus> statuses;

private:
    const FakeSocketFactory& m_rSockets;
    Story& m_rStory;
};

struct World : SessionRig {
    ~World() { pSession.reset(); } // before the windows go
    CRecorderSession& Make(bool bLoad = true) { return MakeSession(&live, bLoad); }
    int Count(const std::string& strEvent) const { return static_cast<int>(std::count(story.begin(), story.end(), strEvent)); }

    Story story;
    RecordingLiveWindow live{clock, story};
    FakeArchiveWindow archive{sockets, story};
};

class RecorderSessionTest : public ::testing::Test, protected World {};

} // namespace

TEST_F(RecorderSessionTest, LoadStartsFromCleanSettingsAndTakesOptIniAndThePtzFileUnderTheWorkFolder)
{
    store.texts = {{"User ISeed", "operator"}};
    fs::create_directories(fs::path(workDir) / "ini");
    std::ofstream(fs::path(workDir) / "ini" / "opt.ini") << "[PTZ_CMD_INTERVAL]\r\nCMD=120\r\nSTOP=45\r\n";
    CRecorderSession& s = Make(false);
    SetText(s.Settings().szUserId, "stale"); // left-overs of an earlier load must not survive
    s.Settings().byRequestSpeed = 99;
    s.Load();
    EXPECT_EQ("operator", std::string(GetText(s.Settings().szUserId)));
    EXPECT_EQ(4, s.Settings().byRequestSpeed) << "missing in the store: the default, not the old value";
    EXPECT_EQ(120, s.PtzTiming().nPtzCmdInterval);
    EXPECT_EQ(45, s.PtzTiming().nPtzStopInterval);
    EXPECT_EQ(workDir + "/PTZ/user_command.tl", s.PtzFile());
    EXPECT_EQ(workDir + "/PTZ/user_command.tl", std::string(GetText(s.Settings().szPtzFilePath)));
}

TEST_F(RecorderSessionTest, ShutdownWritesTheSettingsAndDestroyingDeletesTheEventLog)
{
    Make();
    LogIn();
    Session().Settings().nHostPort = 8123;
    SetText(Session().Settings().szIpLabel, "YARD");
    EXPECT_TRUE(Session().Shutdown());
    EXPECT_EQ(8123, store.ints.at("Host Port"));
    EXPECT_EQ("YARD", store.texts.at("Ip Label"));
    EXPECT_EQ(workDir + "/PTZ/user_command.tl", store.texts.at("Ptz File Path"));
    EXPECT_FALSE(Session().Link().HasSocket());
    const size_t nSent = Mark();
    clock.Advance(60000);
    EXPECT_EQ(nSent, Mark()) << "no timer of the connection is left";
    EXPECT_TRUE(notifier.messages.empty());
    store.bFailFlush = true;
    EXPECT_FALSE(Session().Shutdown()) << "a store that cannot keep the values is reported";
    EXPECT_EQ(std::vector<std::string>{"Settings: The settings could not be saved; the settings saved before are kept."},
              notifier.messages);

    Make();
    LogIn();
    files.files["AlarmEvent.am"] = {1, 2, 3};
    files.files["other.bin"] = {4};
    pSession.reset();
    EXPECT_EQ(0u, files.files.count("AlarmEvent.am"));
    EXPECT_EQ(1u, files.files.count("other.bin"));
    EXPECT_EQ(nullptr, sockets.Last());
    EXPECT_EQ(0, sockets.nDestroyedWhileNotifying);
}

TEST_F(RecorderSessionTest, ConnectStartsOneSocketToTheStoredRecorderAndLogsInWithTheStoredUser)
{
    store.texts = {{"User ISeed", "operator"}, {"User PSeed", "pw9"}, {"Host IPAddress", "10.20.30.40"}};
    store.ints = {{"Host Port", 9100}};
    CRecorderSession& s = Make();
    EXPECT_EQ(0, s.ConnectState());
    EXPECT_TRUE(s.Connect());
    EXPECT_EQ(2, s.ConnectState());
    EXPECT_EQ("10.20.30.40", Socket().strHost);
    EXPECT_EQ(9100, Socket().wPort);
    EXPECT_FALSE(s.Connect()) << "a second press only keeps the button down";
    EXPECT_EQ(1, sockets.nCreated);

    clock.Advance(40);
    Socket().CompleteConnect(true);
    EXPECT_EQ(1, s.ConnectState());
    Bytes login(300, 0);
    std::memcpy(login.data(), "DVR PACKET1.0", 13);
    login[16] = 0x2C;
    login[17] = 0x01;
    login[20] = 2;
    login[24] = 0x01;
    login[25] = 0x10;
    std::memcpy(login.data() + 28, "operator", 8);
    std::memcpy(login.data() + 156, "pw9", 3);
    ASSERT_EQ(1u, sockets.allSent.size());
    EXPECT_EQ(login, sockets.allSent[0]);

    clock.Advance(60);
    Socket().Deliver(MakePacket(DATATYPE_LOGIN_REPLY, {1, 16}));
    clock.Advance(700);
    // Key emulation at once, the status request 200 ms later, the live request of the
    // sixteen-cell layout 500 ms after that.
    EXPECT_EQ((std::vector<Bytes>{login, RequestBytes(0x1043, {0x201}), RequestBytes(0x1061, {}),
                                  LiveRequest(1, 1, 0xFFFF)}),
              sockets.allSent);
    EXPECT_EQ((Times{40, 100, 300, 800}), sockets.allSentAtMs);
    EXPECT_EQ(Times{800}, Timers().Starts(CDvrLink::kStatusPollTimerId));
    ASSERT_EQ(1u, live.statuses.size());
    EXPECT_EQ(1, live.statuses[0].byCode);
}

TEST_F(RecorderSessionTest, LiveTrafficReachesTheLiveWindowAndDisconnectEndsItOnce)
{
    CRecorderSession& s = Make();
    files.files["AlarmEvent.am"] = {9};
    EXPECT_FALSE(s.Disconnect()) << "nothing to drop";
    EXPECT_EQ(1u, files.files.count("AlarmEvent.am"));

    LogIn();
    const int nActivity = live.nActivity;
    Socket().Deliver(MakePacket(DATATYPE_LIVE_IMAGE, {250000, 0, 0, 1, 750000}, NumberedPayload(100)));
    EXPECT_EQ((std::vector<std::vector<uint32_t>>{{750000, 250000}}), live.positions);
    EXPECT_EQ(nActivity + 1, live.nActivity);
    const Bytes packet = MakePacket(DATATYPE_LIVE_IMAGE, {0, 0, 0, 6}, ostrel::testing::CameraJpeg(5, false));
    Socket().Deliver(SplitAt(packet, {packet.size() / 2})); // two reads: no small-single-read rule
    ASSERT_EQ(std::vector<uint8_t>{5}, live.pictureChannels);
    EXPECT_TRUE(live.lastPicture);
    EXPECT_TRUE(s.Layout().Drawn(5)) << "rotation may visit it";

    EXPECT_TRUE(s.Disconnect());
    EXPECT_EQ(0, s.ConnectState());
    EXPECT_FALSE(s.Link().HasSocket());
    EXPECT_EQ(0u, files.files.count("AlarmEvent.am"));
    EXPECT_FALSE(s.Layout().Drawn(5));
    EXPECT_FALSE(s.Disconnect());
    EXPECT_EQ(1, Count("live: dropped"));
}

// The view's tests follow a small picture into the single cell; here only the sizes.
TEST_F(RecorderSessionTest, EachLiveCellSizeReachesTheDecoder)
{
    CRecorderSession& s = Make();
    struct Row {
        int nButton, nLast; // the last channel with a cell
        ShownSize size;
    } rows[] = {{6, 15, {158, 118}}, {1, 3, {318, 238}}, {3, 8, {211, 158}}, {0, 0, {638, 478}}};
    for (const Row& row : rows) {
        s.OnLayoutButton(row.nButton);
        for (int n = 0; n < 16; ++n)
            EXPECT_EQ((n <= row.nLast ? row.size : ShownSize{}), s.Link().Pictures().ShownSizeOf(REQ_LIVE, n))
                << row.nButton << " " << n;
    }
}

// A refused login, and a reconnection that gives up, end as the disconnect command does and
// show "waiting" last.
TEST(RecorderSessionLoss, LostLinkEndsAsADisconnectShowingWaitingLast)
{
    struct Row {
        const char* name;
        int nReconnectCount;
        std::function<void(World&)> play; // from the moment the TCP connection stands
        Story story;
        Times at;
        int nSockets;
    } rows[] = {
        {"login refused", 3,
         [](World& r) {
             r.clock.Advance(100);
             r.Socket().Deliver(MakePacket(DATATYPE_LOGIN_REPLY, {0, 16}));
             EXPECT_EQ(1, r.Session().ConnectState()) << "not inside the socket's notification";
             r.clock.RunDue();
             EXPECT_EQ(0, r.sockets.nDestroyedWhileNotifying);
             EXPECT_TRUE(r.notifier.messages.empty() && r.notifier.notices.empty());
         },
         {"live: status 1", "live: dropped", "live: status 0"}, {0, 100}, 1},
        {"no reconnection allowed: given up at the first expiry", 0,
         [](World& r) { r.clock.Advance(20000); },
         {"live: status 1", "live: status 6", "live: status 6", "live: status 4", "live: status 4", "live: dropped",
          "live: status 0"},
         {0, 5000, 10000, 15000, 20000, 20000}, 1},
        {"one reconnection, refused: given up at the second expiry", 1,
         [](World& r) {
             r.clock.Advance(20000);
             ASSERT_NE(nullptr, r.sockets.Last());
             EXPECT_EQ(2, r.Session().ConnectState()) << "connecting again";
             r.Socket().CompleteConnect(false);
             r.clock.Advance(5000);
         },
         {"live: status 1", "live: status 6", "live: status 6", "live: status 4", "live: status 4", "live: status 2",
          "live: status 5", "live: status 4", "live: dropped", "live: status 0"},
         {0, 5000, 10000, 15000, 20000, 20000, 20000, 25000, 25000}, 2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        World r;
        r.store.ints["Reconnect Count"] = row.nReconnectCount;
        r.files.files["AlarmEvent.am"] = {9};
        CRecorderSession& s = r.Make();
        ASSERT_TRUE(s.Connect());
        r.Socket().CompleteConnect(true); // t = 0; the recorder never accepts the login
        row.play(r);
        EXPECT_EQ(row.story, r.story);
        EXPECT_EQ(row.at, r.live.statusAtMs);
        EXPECT_EQ(0, s.ConnectState());
        EXPECT_FALSE(s.Link().HasSocket());
        EXPECT_EQ(0u, r.files.files.count("AlarmEvent.am"));
        EXPECT_EQ(row.nSockets, r.sockets.nCreated);
        r.clock.Advance(60000);
        EXPECT_EQ(row.nSockets, r.sockets.nCreated) << "no attempt after giving up";
    }
}

// A connect that cannot start leaves the state at zero; rotation waits for a standing connection.
TEST_F(RecorderSessionTest, ConnectStateGatesRotation)
{
    CRecorderSession& s = Make();
    s.OnLayoutButton(0);
    sockets.bConnectStarts = false;
    EXPECT_TRUE(s.Connect()) << "there was no connection before";
    EXPECT_EQ(0, s.ConnectState());
    EXPECT_FALSE(s.Link().HasSocket());
    sockets.bConnectStarts = true;
    EXPECT_TRUE(s.Connect()) << "so the next press tries again";
    EXPECT_EQ(2, s.ConnectState());
    EXPECT_TRUE(s.OnRotateButton().bBeep) << "still only connecting";
    EXPECT_FALSE(s.Layout().IsRotating());

    ASSERT_NE(nullptr, sockets.Last());
    Socket().CompleteConnect(true);
    const size_t nBefore = sockets.allSent.size();
    EXPECT_FALSE(s.OnRotateButton().bBeep);
    EXPECT_TRUE(s.Layout().IsRotating());
    // Nothing drawn yet: rotation stays on channel 1. No login answer yet, so the magic is 1.0.
    EXPECT_EQ(std::vector<Bytes>{LiveRequest(0, 1, 0x0001, '0')}, SentSince(nBefore));
}

TEST_F(RecorderSessionTest, StatusReachesTheLiveWindowAndTheArchiveOnlyWhileItIsActive)
{
    store.ints["Use AlertMode"] = 1;
    CRecorderSession& s = Make();
    s.SetArchiveWindow(&archive);
    LogIn();
    const int64_t t0 = clock.TickMs();

    // Channel 2: motion 1, loss 0, alarm 1.
    Socket().Deliver(MakePacket(DATATYPE_ALARM_EVENT, {2, 0x01000100}));
    ASSERT_FALSE(live.statuses.empty());
    EXPECT_EQ((LinkStatus{7, 0, 0x01000102}), live.statuses.back());

    // Silence: the miss count rides along, and the last alarm word with it.
    clock.Advance(15000);
    const std::vector<LinkStatus> silence(live.statuses.end() - 3, live.statuses.end());
    EXPECT_EQ((std::vector<LinkStatus>{{6, 1, 0x01000102}, {6, 2, 0x01000102}, {4, 0, 0x01000102}}), silence);
    EXPECT_EQ((Times{t0 + 5000, t0 + 10000, t0 + 15000}), Times(live.statusAtMs.end() - 3, live.statusAtMs.end()));
    EXPECT_TRUE(archive.statuses.empty());

    archive.bActive = true;
    Socket().Deliver(MakePacket(DATATYPE_ALARM_EVENT, {4, 0x00010000}));
    EXPECT_EQ((LinkStatus{7, 0, 0x00010004}), live.statuses.back());
    EXPECT_EQ((std::vector<LinkStatus>{{7, 0, 0x00010004}}), archive.statuses);

    // The alert mode is the session's setting of the moment.
    s.Settings().bUseAlertMode = 0;
    const size_t nBefore = live.statuses.size();
    Socket().Deliver(MakePacket(DATATYPE_ALARM_EVENT, {2, 0x01000100}));
    EXPECT_EQ(nBefore, live.statuses.size());
}

// Needs an archive window and a connection; then stops the live stream twice and hands over,
// and hiding asks for live pictures again.
TEST_F(RecorderSessionTest, ShowArchiveSwitchesBetweenLiveAndArchive)
{
    CRecorderSession& s = Make();
    LogIn();
    story.clear();
    const size_t nBefore = sockets.allSent.size();
    s.ShowArchive(true);
    EXPECT_TRUE(story.empty()) << "no archive window";
    EXPECT_EQ(nBefore, sockets.allSent.size());
    EXPECT_FALSE(s.ArchiveActive());

    s.SetArchiveWindow(&archive);
    s.ShowArchive(true);
    EXPECT_EQ((Story{"archive: active", "live: archive shown", "archive: activate"}), story);
    const Bytes stop = RequestBytes(0x1013, {1});
    EXPECT_EQ((std::vector<Bytes>{stop, stop}), SentSince(nBefore));
    EXPECT_EQ(nBefore + 2, archive.nSentAtActivate) << "both stops before the dialog takes over";
    EXPECT_TRUE(s.ArchiveActive());
    EXPECT_FALSE(s.Link().StopPending()) << "sent without confirmation";
    EXPECT_FALSE(Timers().IsRunning(kWatchdog));

    clock.Advance(1000);
    story.clear();
    const size_t nShown = sockets.allSent.size();
    s.ShowArchive(false);
    EXPECT_EQ((Story{"archive: inactive", "live: archive hidden"}), story);
    EXPECT_EQ(std::vector<Bytes>{LiveRequest(1, 1, 0xFFFF)}, SentSince(nShown));
    EXPECT_FALSE(s.ArchiveActive());
    EXPECT_EQ(CDvrLink::kImageWatchdogMs, Timers().RemainingMs(kWatchdog)) << "the live request is guarded";

    s.Disconnect();
    story.clear();
    s.ShowArchive(true);
    EXPECT_TRUE(story.empty()) << "not connected";
    EXPECT_FALSE(archive.bActive);
}

// The session is the link's view; a link made without one logs in with the key emulation and
// the final request only, and never tries to reconnect.
TEST(LinkWithoutView, LoginSkipsTheStatusRequestAndReconnectionGivesUpAtItsFirstExpiry)
{
    LinkHarness h(false);
    h.ConnectTcp(); // t = 0: login
    h.clock.Advance(1000);
    h.Socket().Deliver(MakePacket(DATATYPE_LOGIN_REPLY, {1, 4}));
    h.clock.Advance(2000);
    EXPECT_EQ((std::vector<uint32_t>{DATATYPE_LOGIN, DATATYPE_KEY_EMUL, DATATYPE_LIVE_REQUEST}), h.SentTypes());
    EXPECT_EQ(Times{1000}, h.SentAt(DATATYPE_KEY_EMUL));
    EXPECT_EQ(Times{1200}, h.SentAt(DATATYPE_LIVE_REQUEST)) << "after the 200 ms wait, without the 500 ms one";
    EXPECT_TRUE(h.view.statuses.empty() && h.view.calls.empty()) << "no view to tell";

    LinkHarness silent(false);
    silent.ConnectTcp(); // t = 0: the recorder never answers
    silent.clock.Advance(20000);
    EXPECT_EQ(Times{20000}, silent.Timers().Firings(CDvrLink::kReconnectTimerId));
    EXPECT_FALSE(silent.Link().HasSocket());
    const size_t nSent = silent.sockets.allSent.size();
    silent.clock.Advance(60000);
    EXPECT_EQ(nSent, silent.sockets.allSent.size());
    EXPECT_EQ(1, silent.sockets.nCreated);
    EXPECT_TRUE(silent.view.losses.empty());
}
