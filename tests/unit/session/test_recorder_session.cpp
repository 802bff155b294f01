// The session driven as the windows drive it: checked by the bytes on the wire and what the live
// and archive windows are told.
#include "session/recorder_session.h"

#include "fakes/core_fixture.h"

#include <gtest/gtest.h>

#include <fstream>

namespace fs = std::filesystem;
using namespace ostrel;
using namespace ostrel::test;
using namespace ostrel::wire;

namespace {

using Story = std::vector<std::string>;

// The live view and the archive dialog as a story of the calls that matter, in order.
class RecordingLiveWindow final : public LiveWindow {
public:
    explicit RecordingLiveWindow(Story& rStory) : m_rStory(rStory) {}
    void OnConnectStatus(const LinkStatus& status) override
    {
        m_rStory.push_back("live: status " + std::to_string(static_cast<int>(status.code)));
    }
    void OnLivePicture(uint8_t, const Picture&) override {}
    void OnPositions(uint32_t, uint32_t) override {}
    void OnActivity() override {}
    void OnChannelCount() override {}
    void OnConnectionDropped() override { m_rStory.push_back("live: dropped"); }
    void OnArchiveShown(bool bShown) override { m_rStory.push_back(bShown ? "live: archive shown" : "live: archive hidden"); }

private:
    Story& m_rStory;
};

class FakeArchiveWindow final : public ArchiveWindow {
public:
    FakeArchiveWindow(const FakeSocketFactory& rSockets, Story& rStory) : m_rSockets(rSockets), m_rStory(rStory) {}
    bool IsArchiveActive() const override { return bActive; }
    PlayState State() const override { return {}; }
    void OnRecordRange(uint32_t, uint32_t, uint32_t, uint32_t) override {}
    void OnPlayImageTimeSeconds(uint32_t) override {}
    void OnPlayImageTimePacked(uint32_t, uint32_t) override {}
    void OnPlayPosition(uint32_t) override {}
    void OnPlayResult(PlayResult) override {}
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

class RecorderSessionTest : public ::testing::Test, protected SessionRig {
protected:
    ~RecorderSessionTest() override { pSession.reset(); } // before the windows go
    CRecorderSession& Make(bool bLoad = true) { return MakeSession(&live, bLoad); }

    Story story;
    RecordingLiveWindow live{story};
    FakeArchiveWindow archive{sockets, story};
};

} // namespace

TEST_F(RecorderSessionTest, LoadStartsFromCleanSettingsAndShutdownWritesThemBack)
{
    store.texts = {{"User ISeed", "operator"}};
    fs::create_directories(fs::path(workDir) / "ini");
    std::ofstream(fs::path(workDir) / "ini" / "opt.ini") << "[PTZ_CMD_INTERVAL]\r\nCMD=120\r\nSTOP=45\r\n";
    CRecorderSession& s = Make(false);
    s.Settings().byRequestSpeed = 99; // left-overs of an earlier load must not survive
    s.Load();
    EXPECT_EQ("operator", std::string(GetText(s.Settings().szUserId)));
    EXPECT_EQ(4, s.Settings().byRequestSpeed) << "missing in the store: the default, not the old value";
    EXPECT_EQ((std::pair{120, 45}), (std::pair{s.PtzTiming().nPtzCmdInterval, s.PtzTiming().nPtzStopInterval}));

    LogIn();
    s.Settings().nHostPort = 8123;
    EXPECT_TRUE(s.Shutdown());
    EXPECT_EQ(8123, store.ints.at("Host Port"));
    EXPECT_EQ(workDir + "/PTZ/user_command.tl", store.texts.at("Ptz File Path"));
    store.bFailFlush = true;
    EXPECT_FALSE(s.Shutdown()) << "a store that cannot keep the values is reported";
    EXPECT_EQ(std::vector<std::string>{"Settings: The settings could not be saved; the settings saved before are kept."},
              notifier.messages);

    Make();
    LogIn();
    files.files["AlarmEvent.am"] = {1, 2, 3};
    pSession.reset();
    EXPECT_EQ(0u, files.files.count("AlarmEvent.am")) << "the event log goes with the session";
    EXPECT_EQ(0, sockets.nDestroyedWhileNotifying);
}

// A site from the list: the connection to the old recorder goes (the live window told), the new
// address, port and name are the settings', and the current login goes to the new recorder.
TEST_F(RecorderSessionTest, SwitchingSiteDropsTheOldConnectionAndLogsInAtTheNewAddress)
{
    store.texts = {{"User ISeed", "operator"}, {"User PSeed", "secret"}};
    CRecorderSession& s = Make();
    LogIn();
    ASSERT_EQ("192.168.1.100", Socket().strHost);
    EXPECT_FALSE(s.SwitchSite("Yard", "", 8100));
    EXPECT_FALSE(s.SwitchSite("Yard", "10.1.2.3", 65536));
    EXPECT_FALSE(s.SwitchSite("Yard", std::string(128, 'a'), 8100)) << "longer than the setting holds";
    EXPECT_EQ(1, sockets.nCreated) << "a refused site changes nothing";
    story.clear();
    const size_t nBefore = Mark();
    ASSERT_TRUE(s.SwitchSite("Yard", "10.1.2.3", 8100));
    EXPECT_EQ(Story{"live: dropped"}, story);
    EXPECT_EQ(2, sockets.nCreated);
    EXPECT_EQ("10.1.2.3", Socket().strHost);
    EXPECT_EQ(8100, Socket().wPort);
    Socket().CompleteConnect(true);
    EXPECT_EQ(std::vector<Bytes>{LoginBytes("operator", "secret")}, SentSince(nBefore));
    EXPECT_EQ((std::vector<std::string_view>{"Yard", "10.1.2.3"}),
              (std::vector<std::string_view>{GetText(s.Settings().szIpLabel), GetText(s.Settings().szHostAddress)}));
    EXPECT_EQ(8100, s.Settings().nHostPort);

    // Not connected: the site's connection simply starts.
    s.Disconnect();
    ASSERT_TRUE(s.SwitchSite("Shop", "shop.example", 8000));
    EXPECT_EQ("shop.example", Socket().strHost);
}

// Needs an archive window and a connection; then stops the live stream twice and hands over,
// and hiding asks for live pictures again. Statuses reach the archive only while it is active.
TEST_F(RecorderSessionTest, ShowArchiveSwitchesBetweenLiveAndArchive)
{
    store.ints["Use AlertMode"] = 1;
    CRecorderSession& s = Make();
    LogIn();
    story.clear();
    const size_t nBefore = Mark();
    s.SetArchiveWindow(&archive);
    Socket().Deliver(MakePacket(DATATYPE_ALARM_EVENT, {4, 0x00010000}));
    EXPECT_TRUE(archive.statuses.empty());
    story.clear();
    s.ShowArchive(true);
    EXPECT_EQ((Story{"archive: active", "live: archive shown", "archive: activate"}), story);
    const Bytes stop = RequestBytes(0x1013, {1});
    EXPECT_EQ((std::vector<Bytes>{stop, stop}), SentSince(nBefore));
    EXPECT_EQ(nBefore + 2, archive.nSentAtActivate) << "both stops before the dialog takes over";
    EXPECT_FALSE(Timers().IsRunning(CDvrLink::kImageWatchdogTimerId));
    Socket().Deliver(MakePacket(DATATYPE_ALARM_EVENT, {4, 0x00010000}));
    EXPECT_EQ((std::vector<LinkStatus>{{StatusCode::ChannelAlarm, 0, AlarmWord{4, 0, 1, 0}}}), archive.statuses);

    story.clear();
    const size_t nShown = Mark();
    s.ShowArchive(false);
    EXPECT_EQ((Story{"archive: inactive", "live: archive hidden"}), story);
    EXPECT_EQ(std::vector<Bytes>{RequestBytes(0x1011, {1, 1, 0xFFFF})}, SentSince(nShown));
    EXPECT_EQ(CDvrLink::kImageWatchdogMs, Timers().RemainingMs(CDvrLink::kImageWatchdogTimerId))
        << "the live request is guarded";

    s.Disconnect();
    story.clear();
    s.ShowArchive(true);
    EXPECT_TRUE(story.empty()) << "not connected";
}
