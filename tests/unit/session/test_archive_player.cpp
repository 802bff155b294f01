// The archive's playback logic driven as the dialog drives it, with the real link on a fake
// socket and a fake clock: checked by the exact requests on the wire and what the window shows.
#include "session/archive_player.h"

#include "fakes/core_fixture.h"

#include <gtest/gtest.h>

#include <ctime>

using namespace ostrel;
using namespace ostrel::test;
using namespace ostrel::wire;

namespace {

using Bytes = std::vector<uint8_t>;
using Sent = std::vector<Bytes>;

constexpr const char* kBlank = "         ";

Bytes Play(uint32_t dwChannel, uint32_t dwDate, uint32_t dwTime, uint32_t dwCtrl, char cMinor = '2')
{
    return RequestBytes(0x1015, {dwChannel, dwDate, dwTime, dwCtrl}, cMinor);
}

Bytes Status(char cMinor = '2')
{
    return RequestBytes(0x1061, {}, cMinor);
}

class RecordingScreen final : public ArchiveScreen {
public:
    void ShowWindow(bool bShow) override { bShown = bShow; }
    void DrawStatusLine(const std::string& strText) override { strLine = strText; }
    void DrawStatusPanel() override {}
    void DrawPositions(const std::string&, const std::string&) override {}
    void DrawTimeOfDay(int) override {}
    std::optional<CalendarDate> SelectedDate() const override { return calendar; }
    void SetCalendarDate(const CalendarDate& date) override
    {
        if (calendar)
            calendar = date;
    }
    void EnableSearch(bool bEnable) override { bSearchEnabled = bEnable; }
    void SyncLights() override {}
    void RelayoutTiles() override {}
    void DrawPlayImage(uint8_t, const Picture&) override {}
    void ClearPlayImages() override {}
    void FlipReceiveIndicator() override {}
    void ShowAlarmEvents(bool) override {}
    void RefreshAlarmEvents() override {}
    void StopBackup() override { ++nBackupStops; }
    bool BackupBusy() const override { return false; }
    void ShowMessageBox(const std::string&) override {}

    bool bShown = false;
    std::string strLine;
    std::optional<CalendarDate> calendar = CalendarDate{2000, 1, 1};
    bool bSearchEnabled = true;
    int nBackupStops = 0;
};

// Date and time words of a version 2 recorder.
constexpr uint32_t DateWord(uint32_t y, uint32_t m, uint32_t d)
{
    return y << 16 | m << 8 | d;
}
constexpr uint32_t TimeWord(uint32_t h, uint32_t m, uint32_t s)
{
    return h << 24 | m << 16 | s << 8;
}

class ArchivePlayerTest : public ::testing::Test, protected SessionRig {
protected:
    void SetUp() override
    {
        // Seconds values are local time; in UTC they can be worked out by hand.
        ::setenv("TZ", "UTC", 1);
        ::tzset();
        clock.SetLocalNow(LocalDateTime{2024, 5, 20, 9, 15, 0});
        MakeSession(nullptr);
        pPlayer = std::make_unique<CArchivePlayer>(Session(), screen, clock, timers);
        Session().SetArchiveWindow(pPlayer.get());
    }
    void TearDown() override
    {
        Session().SetArchiveWindow(nullptr);
        pPlayer.reset();
        pSession.reset();
    }
    CArchivePlayer& Player() { return *pPlayer; }
    ArchiveWindow& Window() { return *pPlayer; } // as the session and the link see it

    void LogInAndOpen(char cMinor = '2')
    {
        LogIn(std::string("DVR PACKET1.") + cMinor);
        Session().OpenArchive();
    }
    void DeliverRange(uint32_t p2, uint32_t p3, uint32_t p4, uint32_t p5, char cMinor = '2')
    {
        Socket().Deliver(MakePacket(DATATYPE_DVR_STATUS2_REPLY, {0, 0, p2, p3, p4, p5}, {},
                                    std::string("DVR PACKET1.") + cMinor));
    }
    // Logged in and open on the range 2024-05-10 08:00:00 to 2024-05-17 08:00:00.
    void OpenWeek()
    {
        LogInAndOpen();
        DeliverRange(DateWord(2024, 5, 10), TimeWord(8, 0, 0), DateWord(2024, 5, 17), TimeWord(8, 0, 0));
    }
    void Pick(int y, int m, int d, int nSeconds)
    {
        screen.calendar = CalendarDate{y, m, d};
        Player().OnSliderMoved(nSeconds);
    }
    Sent Press(std::initializer_list<PlayControl> controls)
    {
        const size_t n = Mark();
        for (PlayControl control : controls)
            Player().OnPlayControl(control);
        return SentSince(n);
    }
    bool OnlyLit(PlayControl control) const
    {
        for (int i = 0; i < 5; ++i)
            if (pPlayer->PlayLit(static_cast<PlayControl>(i)) != (i == control))
                return false;
        return true;
    }
    bool WatchdogRuns() { return Timers().IsRunning(CDvrLink::kImageWatchdogTimerId); }

    RecordingScreen screen;
    std::unique_ptr<CArchivePlayer> pPlayer;
};

} // namespace

TEST_F(ArchivePlayerTest, EveryPlayControlSendsItsPlayRequestThenTheStatusRequest)
{
    OpenWeek();
    ASSERT_TRUE(Player().Range().m_bRangeKnown);
    Pick(2024, 5, 12, 12 * 3600 + 30 * 60 + 15);
    const uint32_t d = 0x07E8050C, t = 0x0C1E0F00;

    // Stopped: forward starts (1) at speed 1; the request names all channels (P0 0).
    EXPECT_EQ((Sent{Play(0, d, t, 0x00010100), Status()}), Press({PLAY_FORWARD}));
    EXPECT_EQ("SEARCHING", screen.strLine);
    EXPECT_FALSE(screen.bSearchEnabled) << "calendar and slider wait for the stop";
    EXPECT_TRUE(OnlyLit(PLAY_FORWARD));
    EXPECT_EQ("2024/05/12  12:30:15", Player().RequestText());
    EXPECT_EQ(CDvrLink::kImageWatchdogMs, Timers().RemainingMs(CDvrLink::kImageWatchdogTimerId)) << "guarded";

    // Playing: the others change (2); fast ones carry "Request Speed" (4 by default).
    EXPECT_EQ((Sent{Play(0, d, t, 0x00040200), Status(), Play(0, d, t, 0x01040200), Status(),
                    Play(0, d, t, 0x01010200), Status()}),
              Press({PLAY_FAST_FORWARD, PLAY_FAST_REVERSE, PLAY_REVERSE}));
    EXPECT_TRUE(OnlyLit(PLAY_REVERSE));

    // Stop keeps the last date and time and zeroes the control word.
    EXPECT_EQ((Sent{Play(0, d, t, 0), Status()}), Press({PLAY_STOP}));
    EXPECT_EQ(kBlank, screen.strLine);
    EXPECT_TRUE(screen.bSearchEnabled);
    EXPECT_TRUE(OnlyLit(PLAY_STOP));

    // From stopped, reverse starts; the speed setting is read at the press; a lone channel is named.
    Session().Settings().byRequestSpeed = 6;
    Player().OnSingleView();
    Player().OnChannelButton(13);
    EXPECT_EQ((Sent{Play(14, d, t, 0x01010100), Status(), Play(14, d, t, 0x00060200), Status()}),
              Press({PLAY_REVERSE, PLAY_FAST_FORWARD}));
}

TEST_F(ArchivePlayerTest, RequestOutsideTheRangeIsInvalidDateAndStopsAPlaybackFirst)
{
    OpenWeek();
    // Reverse at the start date and time itself: outside, nothing is sent.
    Pick(2024, 5, 10, 8 * 3600);
    EXPECT_EQ(Sent{}, Press({PLAY_REVERSE}));
    EXPECT_EQ("Invalid Date", screen.strLine);
    EXPECT_TRUE(OnlyLit(PLAY_STOP));
    // One second later it is inside; forward at the start date is inside at any time.
    Pick(2024, 5, 10, 8 * 3600 + 1);
    EXPECT_EQ(Play(0, 0x07E8050A, 0x08000100, 0x01010100), Press({PLAY_REVERSE}).front());
    Player().OnPlayControl(PLAY_STOP);
    Pick(2024, 5, 10, 0);
    EXPECT_EQ(Play(0, 0x07E8050A, 0, 0x00010100), Press({PLAY_FORWARD}).front());

    // While playing, a day after the end: the stop goes out with the new position, then
    // "Invalid Date"; the watchdog is off.
    Pick(2024, 5, 18, 3600);
    EXPECT_EQ(Sent{Play(0, 0x07E80512, 0x01000000, 0)}, Press({PLAY_FAST_FORWARD}));
    EXPECT_EQ("Invalid Date", screen.strLine);
    EXPECT_TRUE(OnlyLit(PLAY_STOP));
    EXPECT_FALSE(WatchdogRuns());
    Pick(2024, 5, 17, 23 * 3600); // the end date is inside whatever the time
    EXPECT_EQ(Play(0, 0x07E80511, 0x17000000, 0x00010100), Press({PLAY_FORWARD}).front());
}

TEST_F(ArchivePlayerTest, WithoutAKnownRangeEveryPlayControlPressesTheSearchKey)
{
    LogInAndOpen();
    // A range whose start lies after its end is not known.
    DeliverRange(DateWord(2024, 5, 17), TimeWord(8, 0, 0), DateWord(2024, 5, 10), TimeWord(8, 0, 0));
    EXPECT_FALSE(Player().Range().m_bRangeKnown);
    EXPECT_EQ("----/--/--  --:--:--", Player().StartText());

    Pick(2024, 5, 12, 0);
    const Bytes key = RequestBytes(0x1043, {0x0204});
    EXPECT_EQ((Sent{key, Status()}), Press({PLAY_FORWARD}));
    EXPECT_EQ("SEARCHING", screen.strLine);
    EXPECT_EQ((Sent{key, Status()}), Press({PLAY_REVERSE}));
    EXPECT_EQ(kBlank, screen.strLine) << "normal reverse blanks the line";

    Window().SetConnectionStatus(LinkStatus{StatusCode::TryRequestImage, 3});
    EXPECT_EQ("TRY REQUEST IMAGE 3", screen.strLine);
    EXPECT_EQ(1, screen.nBackupStops) << "pictures that stop coming end a backup run";

    // The key armed the watchdog; what it re-sends is the status request, never a live request.
    const size_t n = Mark();
    clock.Advance(5000); // the image watchdog
    EXPECT_EQ(Sent{Status()}, SentSince(n));
}

TEST_F(ArchivePlayerTest, AlarmEventWhilePlayingStopsWaitsASecondThenPlaysTheEventsChannel)
{
    OpenWeek();
    Player().OnSingleView(); // channel 1 alone
    Pick(2024, 5, 12, 0);
    Player().OnPlayControl(PLAY_FAST_REVERSE);
    const size_t n = Mark();
    Player().PlayEventAt(MakeTimeCost(2024, 5, 14, 3, 12, 7), 6);
    EXPECT_EQ(Sent{Play(1, 0x07E8050C, 0, 0)}, SentSince(n)) << "the stop first";

    // Operator input during the pause waits for it and then runs in order.
    Player().OnTilesMore();
    Player().OnPlayControl(PLAY_STOP);
    clock.Advance(999);
    EXPECT_EQ(1u, SentSince(n).size());
    EXPECT_EQ(1, Player().Tiles().GridDiv());
    clock.Advance(1);
    EXPECT_EQ((Sent{Play(1, 0x07E8050C, 0, 0), Play(7, 0x07E8050E, TimeWord(3, 12, 7), 0x00010100),
                    Play(0, 0x07E8050E, TimeWord(3, 12, 7), 0), Status()}),
              SentSince(n))
        << "the event on channel 7 alone, then the queued stop with the tiles' new choice";
    EXPECT_EQ("2024/05/14  03:12:07", Player().RequestText());
}

TEST_F(ArchivePlayerTest, PressesDuringTheWayBackToLiveAreDroppedAndThePauseDiesWithThePlayer)
{
    OpenWeek();
    Pick(2024, 5, 12, 0);
    Player().OnViewer();
    size_t n = Mark();
    // Pressed during the pause: a play control, "Viewer" again, the alarm list.
    Player().OnPlayControl(PLAY_FORWARD);
    Player().OnViewer();
    Player().OnAlarmList();
    EXPECT_EQ(Sent{}, SentSince(n));
    clock.Advance(500);
    EXPECT_FALSE(Window().IsArchiveActive());
    EXPECT_EQ(Sent{RequestBytes(0x1011, {1, 1, 0xFFFF})}, SentSince(n)) << "live, and nothing meant for the archive";

    // A new pause dies with the player; a new dialog's "Viewer" works after the link is lost.
    Session().ShowArchive(true);
    Player().OnViewer();
    Session().SetArchiveWindow(nullptr);
    pPlayer = std::make_unique<CArchivePlayer>(Session(), screen, clock, timers);
    n = Mark();
    clock.Advance(2000);
    EXPECT_EQ(Sent{}, SentSince(n));
    Session().SetArchiveWindow(pPlayer.get());
    Session().ShowArchive(true);
    ASSERT_TRUE(Window().IsArchiveActive());
    Session().Disconnect();
    Player().OnViewer();
    clock.Advance(500);
    EXPECT_FALSE(Window().IsArchiveActive());
    EXPECT_FALSE(screen.bShown);
}

// A version 1 recorder knows no range to test against, so an alarm event is what plays: P1 is
// the event's moment and P2 the end of the last range given, both in seconds (UTC here).
TEST_F(ArchivePlayerTest, VersionOnePlayFieldsAreTheEventAndTheRangeEndInSeconds)
{
    LogInAndOpen('0');
    const struct {
        uint32_t dwEnd;     // the range from 2024-05-10 08:00:00 to this
        uint32_t dwPacked;  // the event
        uint32_t dwSeconds; // the event in seconds
    } rows[] = {
        {0x66470E80 /* 2024-05-17 08:00:00 */, MakeTimeCost(2024, 5, 14, 3, 12, 7), 0x6642D687},
        {0x664A9280 /* 2024-05-20 00:00:00 */, MakeTimeCost(2024, 5, 10, 8, 0, 0), 0x663DD400},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.dwSeconds);
        DeliverRange(0x663DD400, row.dwEnd, 0, 0, '0');
        Player().OnPlayControl(PLAY_STOP);
        const size_t n = Mark();
        Player().PlayEventAt(row.dwPacked, 2);
        EXPECT_EQ(Sent{Play(0, row.dwSeconds, row.dwEnd, 0x00010100, '0')}, SentSince(n));
    }
}

// What a play answer without a picture (P3) shows; each ends the search and lights stop.
TEST_F(ArchivePlayerTest, PlayResultsShowTheirTextsAndAnUnknownOneBlanksTheLine)
{
    OpenWeek();
    Pick(2024, 5, 12, 0);
    const std::pair<uint32_t, std::string> rows[] = {{0, "ERROR"}, {2, "No Search Image"}, {3, "End of Play"}, {9, kBlank}};
    for (const auto& [dwCode, strText] : rows) {
        SCOPED_TRACE(dwCode);
        Player().OnPlayControl(PLAY_FORWARD);
        ASSERT_EQ("SEARCHING", screen.strLine);
        Socket().Deliver(MakePacket(DATATYPE_PLAY_IMAGE, {0, 0, 0, dwCode}));
        EXPECT_EQ(strText, screen.strLine);
        EXPECT_TRUE(OnlyLit(PLAY_STOP));
        EXPECT_FALSE(WatchdogRuns());
    }
}
