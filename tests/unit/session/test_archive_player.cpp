// The archive's playback logic driven as the dialog drives it, with the real link on a fake
// socket and a fake clock: checked by the exact requests on the wire, the moments they go out
// and what the window is told to show.
#include "session/archive_player.h"

#include "fakes/fake_clock.h"
#include "fakes/fake_file_store.h"
#include "fakes/fake_socket.h"
#include "fakes/memory_settings_store.h"
#include "fakes/packet_maker.h"
#include "fakes/recording_notifier.h"
#include "session/recorder_session.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <vector>

using namespace ostrel;
using namespace ostrel::test;
using namespace ostrel::wire;

namespace {

using Bytes = std::vector<uint8_t>;

constexpr const char* kBlank = "         ";

Bytes Request(uint16_t wDataType, std::initializer_list<uint32_t> params, char cMinor = '2')
{
    return RequestBytes(wDataType, params, cMinor);
}

Bytes Play(uint32_t dwChannel, uint32_t dwDate, uint32_t dwTime, uint32_t dwCtrl, char cMinor = '2')
{
    return Request(0x1015, {dwChannel, dwDate, dwTime, dwCtrl}, cMinor);
}

Bytes Status(char cMinor = '2')
{
    return Request(0x1061, {}, cMinor);
}

// The dialog's window as a record of what it was told.
class RecordingScreen final : public ArchiveScreen {
public:
    void ShowWindow(bool bShow) override { bShown = bShow; }
    void DrawStatusLine(const std::string& strText) override { lines.push_back(strText); }
    void DrawStatusPanel() override { ++nPanels; }
    void DrawPositions(const std::string& strRecord, const std::string& strPlay) override
    {
        positions = strRecord + " " + strPlay;
    }
    void DrawTimeOfDay(int nSeconds) override { nSliderSeconds = nSeconds; }
    std::optional<CalendarDate> SelectedDate() const override { return calendar; }
    void SetCalendarDate(const CalendarDate& date) override
    {
        if (calendar)
            calendar = date;
    }
    void EnableSearch(bool bEnable) override { bSearchEnabled = bEnable; }
    void SyncLights() override { ++nSyncs; }
    void RelayoutTiles() override { ++nRelayouts; }
    void DrawPlayImage(uint8_t byChannel, const Picture&) override { imageChannels.push_back(byChannel); }
    void ClearPlayImages() override { ++nClears; }
    void FlipReceiveIndicator() override { ++nFlips; }
    void ShowAlarmEvents(bool bFileExisted) override { alarmListOpened.push_back(bFileExisted); }
    void RefreshAlarmEvents() override { ++nRefreshes; }
    void StopBackup() override { ++nBackupStops; }
    bool BackupBusy() const override { return bBackupBusy; }
    void ShowMessageBox(const std::string& strText) override { boxes.push_back(strText); }

    bool bShown = false;
    std::vector<std::string> lines;
    int nPanels = 0;
    std::string positions;
    int nSliderSeconds = -1;
    std::optional<CalendarDate> calendar = CalendarDate{2000, 1, 1};
    bool bSearchEnabled = true;
    int nSyncs = 0;
    int nRelayouts = 0;
    std::vector<uint8_t> imageChannels;
    int nClears = 0;
    int nFlips = 0;
    std::vector<bool> alarmListOpened;
    int nRefreshes = 0;
    int nBackupStops = 0;
    bool bBackupBusy = false;
    std::vector<std::string> boxes;
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

class ArchivePlayerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Seconds values are local time; in UTC they can be worked out by hand.
        ::setenv("TZ", "UTC", 1);
        ::tzset();
        clock.SetLocalNow(LocalDateTime{2024, 5, 20, 9, 15, 0});
        sockets.pClock = &clock;
        pSession = std::make_unique<CRecorderSession>(
            SessionServices{timers, sockets, files, notifier, store, places, "."});
        pSession->Load();
        pPlayer = std::make_unique<CArchivePlayer>(*pSession, screen, clock, timers);
        pSession->SetArchiveWindow(pPlayer.get());
    }
    void TearDown() override
    {
        pSession->SetArchiveWindow(nullptr);
        pPlayer.reset();
        pSession.reset();
    }

    CRecorderSession& Session() { return *pSession; }
    CArchivePlayer& Player() { return *pPlayer; }
    FakeSocket& Socket() { return *sockets.Last(); }

    // Connected and logged in to a recorder speaking "DVR PACKET1.<minor>", then the archive
    // shown as the view's button does.
    void LogInAndOpen(char cMinor = '2')
    {
        ASSERT_TRUE(Session().Connect());
        Socket().CompleteConnect(true);
        const std::string magic = std::string("DVR PACKET1.") + cMinor;
        Socket().Deliver(MakePacket(DATATYPE_LOGIN_REPLY, {1, 16}, {}, magic));
        clock.Advance(CDvrLink::kLoginKeyWaitMs + CDvrLink::kLoginStatusWaitMs);
        Session().OpenArchive();
    }
    // The recorder's answer to the status request: its recorded range.
    void DeliverRange(uint32_t p2, uint32_t p3, uint32_t p4, uint32_t p5, char cMinor = '2')
    {
        const std::string magic = std::string("DVR PACKET1.") + cMinor;
        Socket().Deliver(MakePacket(DATATYPE_DVR_STATUS2_REPLY, {0, 0, p2, p3, p4, p5}, {}, magic));
    }
    // 2024-05-10 08:00:00 to 2024-05-17 08:00:00.
    void DeliverWeek()
    {
        DeliverRange(DateWord(2024, 5, 10), TimeWord(8, 0, 0), DateWord(2024, 5, 17), TimeWord(8, 0, 0));
    }
    // The operator picks a date in the calendar and a time on the slider.
    void Pick(int y, int m, int d, int nSeconds)
    {
        screen.calendar = CalendarDate{y, m, d};
        Player().OnSliderMoved(nSeconds);
    }
    size_t Mark() const { return sockets.allSent.size(); }
    std::vector<Bytes> SentSince(size_t nFrom) const
    {
        return {sockets.allSent.begin() + static_cast<std::ptrdiff_t>(nFrom), sockets.allSent.end()};
    }
    bool OnlyLit(PlayControl control) const
    {
        for (int i = 0; i < 5; ++i)
            if (pPlayer->PlayLit(static_cast<PlayControl>(i)) != (i == control))
                return false;
        return true;
    }

    FakeClock clock;
    FakeTimerFactory timers{clock};
    FakeSocketFactory sockets;
    FakeFileStore files;
    RecordingNotifier notifier;
    MemorySettingsStore store;
    SettingsPlaces places;
    RecordingScreen screen;
    std::unique_ptr<CRecorderSession> pSession;
    std::unique_ptr<CArchivePlayer> pPlayer;
};

} // namespace

// ---- play controls on a version 2 recorder --------------------------------------------------

TEST_F(ArchivePlayerTest, EveryPlayControlSendsItsPlayRequestThenTheStatusRequest)
{
    LogInAndOpen();
    DeliverWeek();
    ASSERT_TRUE(Player().Range().m_bRangeKnown);
    Pick(2024, 5, 12, 12 * 3600 + 30 * 60 + 15);

    // Stopped: forward starts (1) at speed 1; the request names all channels (P0 0).
    size_t n = Mark();
    Player().OnPlayControl(PLAY_FORWARD);
    EXPECT_EQ((std::vector<Bytes>{Play(0, 0x07E8050C, 0x0C1E0F00, 0x00010100), Status()}), SentSince(n));
    EXPECT_EQ("SEARCHING", screen.lines.back());
    EXPECT_TRUE(Player().Searching());
    EXPECT_FALSE(screen.bSearchEnabled) << "calendar and slider wait for the stop";
    EXPECT_TRUE(OnlyLit(PLAY_FORWARD));
    EXPECT_EQ(1, Player().PlayState());
    EXPECT_EQ("2024/05/12  12:30:15", Player().RequestText());
    EXPECT_EQ(CDvrLink::kImageWatchdogMs, timers.Made(0).RemainingMs(CDvrLink::kImageWatchdogTimerId))
        << "a play request is guarded";

    // Playing: the others change (2); fast ones carry "Request Speed" (4 by default).
    n = Mark();
    Player().OnPlayControl(PLAY_FAST_FORWARD);
    Player().OnPlayControl(PLAY_FAST_REVERSE);
    Player().OnPlayControl(PLAY_REVERSE);
    EXPECT_EQ((std::vector<Bytes>{Play(0, 0x07E8050C, 0x0C1E0F00, 0x00040200), Status(),
                                  Play(0, 0x07E8050C, 0x0C1E0F00, 0x01040200), Status(),
                                  Play(0, 0x07E8050C, 0x0C1E0F00, 0x01010200), Status()}),
              SentSince(n));
    EXPECT_EQ(0x0101, Player().PlayState());
    EXPECT_TRUE(OnlyLit(PLAY_REVERSE));

    // Stop keeps the last date and time and zeroes the control word.
    n = Mark();
    Player().OnPlayControl(PLAY_STOP);
    EXPECT_EQ((std::vector<Bytes>{Play(0, 0x07E8050C, 0x0C1E0F00, 0), Status()}), SentSince(n));
    EXPECT_EQ(kBlank, screen.lines.back());
    EXPECT_TRUE(screen.bSearchEnabled);
    EXPECT_TRUE(OnlyLit(PLAY_STOP));
    EXPECT_EQ(0, Player().PlayState());

    // From stopped, reverse starts; a changed speed setting is read at the press.
    Session().Settings().byRequestSpeed = 6;
    n = Mark();
    Player().OnPlayControl(PLAY_REVERSE);
    Player().OnPlayControl(PLAY_FAST_FORWARD);
    EXPECT_EQ((std::vector<Bytes>{Play(0, 0x07E8050C, 0x0C1E0F00, 0x01010100), Status(),
                                  Play(0, 0x07E8050C, 0x0C1E0F00, 0x00060200), Status()}),
              SentSince(n));
}

TEST_F(ArchivePlayerTest, PlayRequestNamesTheChannelShownAlone)
{
    LogInAndOpen();
    DeliverWeek();
    Pick(2024, 5, 16, 0);
    Player().OnSingleView();     // channel 1 alone
    size_t n = Mark();
    Player().OnPlayControl(PLAY_FORWARD);
    EXPECT_EQ(Play(1, 0x07E80510, 0, 0x00010100), SentSince(n).front());

    Player().OnChannelButton(13); // channel 14 alone
    Player().OnPlayControl(PLAY_STOP);
    n = Mark();
    Player().OnPlayControl(PLAY_FORWARD);
    EXPECT_EQ(Play(14, 0x07E80510, 0, 0x00010100), SentSince(n).front());

    Player().OnMultiView();      // back to several: all channels again
    n = Mark();
    Player().OnPlayControl(PLAY_FORWARD);
    EXPECT_EQ(Play(0, 0x07E80510, 0, 0x00010200), SentSince(n).front());
}

TEST_F(ArchivePlayerTest, RequestOutsideTheRangeIsInvalidDateAndStopsAPlaybackFirst)
{
    LogInAndOpen();
    DeliverWeek();

    // Reverse at the start date, at the start time itself: outside. Nothing is sent.
    Pick(2024, 5, 10, 8 * 3600);
    size_t n = Mark();
    Player().OnPlayControl(PLAY_REVERSE);
    EXPECT_TRUE(SentSince(n).empty());
    EXPECT_EQ("Invalid Date", screen.lines.back());
    EXPECT_TRUE(OnlyLit(PLAY_STOP));
    EXPECT_EQ(0, Player().PlayState());

    // One second later it is inside; forward at the start date is inside at any time.
    Pick(2024, 5, 10, 8 * 3600 + 1);
    n = Mark();
    Player().OnPlayControl(PLAY_REVERSE);
    EXPECT_EQ(Play(0, 0x07E8050A, 0x08000100, 0x01010100), SentSince(n).front());
    Player().OnPlayControl(PLAY_STOP);
    Pick(2024, 5, 10, 0);
    n = Mark();
    Player().OnPlayControl(PLAY_FORWARD);
    EXPECT_EQ(Play(0, 0x07E8050A, 0, 0x00010100), SentSince(n).front());

    // While playing, a day after the end: the stop goes out with the new position, then
    // "Invalid Date"; the watchdog is off.
    Pick(2024, 5, 18, 3600);
    n = Mark();
    Player().OnPlayControl(PLAY_FAST_FORWARD);
    EXPECT_EQ(std::vector<Bytes>{Play(0, 0x07E80512, 0x01000000, 0)}, SentSince(n));
    EXPECT_EQ("Invalid Date", screen.lines.back());
    EXPECT_EQ(0, Player().PlayState());
    EXPECT_TRUE(OnlyLit(PLAY_STOP));
    EXPECT_FALSE(timers.Made(0).IsRunning(CDvrLink::kImageWatchdogTimerId));

    // The end date itself is inside whatever the time.
    Pick(2024, 5, 17, 23 * 3600);
    n = Mark();
    Player().OnPlayControl(PLAY_FORWARD);
    EXPECT_EQ(Play(0, 0x07E80511, 0x17000000, 0x00010100), SentSince(n).front());
}

TEST_F(ArchivePlayerTest, WithoutAKnownRangeEveryPlayControlPressesTheSearchKey)
{
    LogInAndOpen();
    // A range whose start lies after its end is not known; neither is one before 1997.
    DeliverRange(DateWord(2024, 5, 17), TimeWord(8, 0, 0), DateWord(2024, 5, 10), TimeWord(8, 0, 0));
    EXPECT_FALSE(Player().Range().m_bRangeKnown);
    DeliverRange(DateWord(1996, 5, 10), 0, DateWord(2024, 5, 10), 0);
    EXPECT_FALSE(Player().Range().m_bRangeKnown);
    EXPECT_EQ("----/--/--  --:--:--", Player().StartText());

    Pick(2024, 5, 12, 0);
    const Bytes key = Request(0x1043, {0x0204});
    size_t n = Mark();
    Player().OnPlayControl(PLAY_FORWARD);
    EXPECT_EQ((std::vector<Bytes>{key, Status()}), SentSince(n));
    EXPECT_EQ("SEARCHING", screen.lines.back());
    EXPECT_TRUE(Player().Searching());
    EXPECT_TRUE(OnlyLit(PLAY_FORWARD));

    n = Mark();
    Player().OnPlayControl(PLAY_REVERSE);
    EXPECT_EQ((std::vector<Bytes>{key, Status()}), SentSince(n));
    EXPECT_EQ(kBlank, screen.lines.back()) << "normal reverse blanks the line";
    EXPECT_FALSE(Player().Searching());

    n = Mark();
    Player().OnPlayControl(PLAY_FAST_REVERSE);
    Player().OnPlayControl(PLAY_FAST_FORWARD);
    EXPECT_EQ((std::vector<Bytes>{key, Status(), key, Status()}), SentSince(n));
}

TEST_F(ArchivePlayerTest, VersionOneRecorderGetsTheKeyAndPlaysOnlyAlarmEventsInSeconds)
{
    LogInAndOpen('0');
    // Version 1 sends seconds values: 2024-05-10 08:00:00 and 2024-05-17 08:00:00 UTC.
    DeliverRange(1715328000u, 1715932800u, 0, 0, '0');
    EXPECT_EQ("2024/05/10  08:00:00", Player().RequestText()) << "the request moves to the start";
    EXPECT_FALSE(Player().Range().m_bRangeKnown) << "never known on version 1";

    Pick(2024, 5, 12, 12 * 3600);
    size_t n = Mark();
    for (int i : {0, 1, 3, 4})
        Player().OnPlayControl(static_cast<PlayControl>(i));
    const Bytes key = Request(0x1043, {0x0204}, '0');
    EXPECT_EQ((std::vector<Bytes>{key, Status('0'), key, Status('0'), key, Status('0'), key, Status('0')}),
              SentSince(n));

    // An alarm event on channel 3 at 2024-05-12 12:30:15: the moment and the range's end, both
    // in seconds.
    const uint32_t dwEvent = MakeTimeCost(2024, 5, 12, 12, 30, 15);
    Player().OnPlayControl(PLAY_STOP);
    n = Mark();
    Player().PlayEventAt(dwEvent, 2);
    EXPECT_EQ(std::vector<Bytes>{Play(0, 1715517015u, 1715932800u, 0x00010100, '0')}, SentSince(n));
    EXPECT_TRUE(OnlyLit(PLAY_FORWARD));
    EXPECT_EQ(1, Player().PlayState());
}

TEST_F(ArchivePlayerTest, AlarmEventWhilePlayingStopsWaitsASecondThenPlaysTheEventsChannel)
{
    LogInAndOpen();
    DeliverWeek();
    Player().OnSingleView(); // channel 1 alone
    Pick(2024, 5, 12, 0);
    Player().OnPlayControl(PLAY_FAST_REVERSE);

    const uint32_t dwEvent = MakeTimeCost(2024, 5, 14, 3, 12, 7);
    size_t n = Mark();
    Player().PlayEventAt(dwEvent, 6);
    EXPECT_EQ(std::vector<Bytes>{Play(1, 0x07E8050C, 0, 0)}, SentSince(n)) << "the stop first";
    EXPECT_TRUE(Player().Waiting());

    // Operator input during the pause waits for it and then runs in order.
    Player().OnTilesMore();
    Player().OnPlayControl(PLAY_STOP);
    clock.Advance(999);
    EXPECT_EQ(1u, SentSince(n).size());
    EXPECT_EQ(1, Player().Tiles().GridDiv());
    clock.Advance(1);
    EXPECT_EQ((std::vector<Bytes>{Play(1, 0x07E8050C, 0, 0), Play(7, 0x07E8050E, TimeWord(3, 12, 7), 0x00010100),
                                  Play(0, 0x07E8050E, TimeWord(3, 12, 7), 0), Status()}),
              SentSince(n))
        << "the event on channel 7 alone, then the queued stop with the tiles' new choice";
    EXPECT_EQ(2, Player().Tiles().GridDiv());
    EXPECT_FALSE(Player().Waiting());
    EXPECT_EQ("2024/05/14  03:12:07", Player().RequestText());
}

TEST_F(ArchivePlayerTest, ViewerStopsThenGoesBackToLiveHalfASecondLater)
{
    LogInAndOpen();
    DeliverWeek();
    Pick(2024, 5, 12, 0);
    Player().OnPlayControl(PLAY_FORWARD);
    ASSERT_TRUE(Player().IsArchiveActive());

    size_t n = Mark();
    Player().OnViewer();
    EXPECT_EQ((std::vector<Bytes>{Play(0, 0x07E8050C, 0, 0), Status()}), SentSince(n));
    Player().OnPlayControl(PLAY_FORWARD); // pressed during the pause
    clock.Advance(CArchivePlayer::kBackToLiveMs - 1);
    EXPECT_TRUE(Player().IsArchiveActive());
    EXPECT_EQ(2u, SentSince(n).size());
    clock.Advance(1);
    EXPECT_FALSE(Player().IsArchiveActive());
    EXPECT_FALSE(screen.bShown);
    const std::vector<Bytes> sent = SentSince(n);
    ASSERT_GE(sent.size(), 3u);
    EXPECT_EQ(Request(0x1011, {1, 1, 0xFFFF}), sent[2]) << "live first, then the press that waited";
    EXPECT_EQ(Play(0, 0x07E8050C, 0, 0x00010100), sent[3]);
}

TEST_F(ArchivePlayerTest, APauseDiesWithThePlayerAndViewerWorksAfterTheLinkIsLost)
{
    LogInAndOpen();
    Player().OnViewer();
    const size_t n = Mark();
    pSession->SetArchiveWindow(nullptr);
    pPlayer.reset();
    clock.Advance(2000);
    EXPECT_TRUE(SentSince(n).empty());

    // A new dialog; the connection drops while it is in front; "Viewer" still goes back.
    pPlayer = std::make_unique<CArchivePlayer>(*pSession, screen, clock, timers);
    pSession->SetArchiveWindow(pPlayer.get());
    Session().ShowArchive(true);
    ASSERT_TRUE(Player().IsArchiveActive());
    Session().Disconnect();
    Player().OnViewer();
    clock.Advance(CArchivePlayer::kBackToLiveMs);
    EXPECT_FALSE(Player().IsArchiveActive());
    EXPECT_FALSE(screen.bShown);
}

// ---- what the recorder reports ---------------------------------------------------------------

TEST_F(ArchivePlayerTest, PlayImagesMoveCalendarAndSliderAndEndTheSearch)
{
    LogInAndOpen();
    DeliverWeek();
    Pick(2024, 5, 12, 0);
    Player().OnPlayControl(PLAY_FORWARD);
    ASSERT_TRUE(Player().Searching());

    // Channel 3, 2024-05-13 14:15:16, play position 12.3456 %; a picture of no bytes fails
    // its checks but still ends the search.
    const uint32_t dwA = 3u << 24 | 2024u << 8 | 5u;
    const uint32_t dwB = 13u << 24 | 14u << 16 | 15u << 8 | 16u;
    Socket().Deliver(MakePacket(DATATYPE_PLAY_IMAGE, {dwA, dwB, 0, 1, 123456}, {0xFF, 0xD8}));
    EXPECT_EQ((CalendarDate{2024, 5, 13}), screen.calendar);
    EXPECT_EQ(14 * 3600 + 15 * 60 + 16, screen.nSliderSeconds);
    EXPECT_EQ((ArchiveDateTime{2024, 5, 13, 14, 15, 16}), Player().ImageStamp());
    EXPECT_EQ("000.0000% 012.3456%", screen.positions);
    EXPECT_FALSE(Player().Searching());
    EXPECT_EQ(kBlank, screen.lines.back());
    EXPECT_GE(screen.nFlips, 1);

    // Implausible times move nothing: year 2096, month 13, hour 24.
    screen.nSliderSeconds = -1;
    Socket().Deliver(MakePacket(DATATYPE_PLAY_IMAGE, {3u << 24 | 2096u << 8 | 5u, dwB, 0, 1, 0}, {0xFF, 0xD8}));
    Socket().Deliver(MakePacket(DATATYPE_PLAY_IMAGE, {3u << 24 | 2024u << 8 | 13u, dwB, 0, 1, 0}, {0xFF, 0xD8}));
    Socket().Deliver(MakePacket(DATATYPE_PLAY_IMAGE, {dwA, 13u << 24 | 24u << 16, 0, 1, 0}, {0xFF, 0xD8}));
    EXPECT_EQ(-1, screen.nSliderSeconds);
    EXPECT_EQ((CalendarDate{2024, 5, 13}), screen.calendar);

    // The edge of the recording: "End of Play", stopped; an unknown code blanks the line.
    Socket().Deliver(MakePacket(DATATYPE_PLAY_IMAGE, {0, 0, 0, 3}));
    EXPECT_EQ("End of Play", screen.lines.back());
    EXPECT_EQ(0, Player().PlayState());
    EXPECT_TRUE(OnlyLit(PLAY_STOP));
    Player().OnPlayControl(PLAY_FORWARD);
    Socket().Deliver(MakePacket(DATATYPE_PLAY_IMAGE, {0, 0, 0, 9}));
    EXPECT_EQ(kBlank, screen.lines.back());
    EXPECT_EQ(0, Player().PlayState());
    EXPECT_FALSE(timers.Made(0).IsRunning(CDvrLink::kImageWatchdogTimerId));
}

TEST_F(ArchivePlayerTest, ActivateStartsAtTheRangeStartAndConnectionCodesShowOnTheLine)
{
    LogInAndOpen();
    DeliverRange(DateWord(2024, 5, 10), TimeWord(8, 1, 2), 0xFFFFFFFF, 0);
    EXPECT_TRUE(Player().Range().m_bRangeKnown) << "an implausible end is now";
    EXPECT_FALSE(Player().Range().m_bEndKnown);
    EXPECT_EQ("2024/05/20  09:15:00", Player().EndText());

    Session().ShowArchive(false);
    Session().OpenArchive();
    EXPECT_EQ("2024/05/10  08:01:02", Player().RequestText());
    EXPECT_EQ((CalendarDate{2024, 5, 10}), screen.calendar);
    EXPECT_EQ(8 * 3600 + 62, screen.nSliderSeconds);
    EXPECT_TRUE(screen.bSearchEnabled);
    EXPECT_GE(screen.nClears, 2);

    const std::vector<std::pair<LinkStatus, std::string>> cases = {
        {LinkStatus{4}, "TRY RECONNECTION"},
        {LinkStatus{5}, "CONNECTION FAIL:"},
        {LinkStatus{6, 3}, "TRY REQUEST IMAGE 3"},
        {LinkStatus{7, 0, 0x01020303u}, "[CH3][Alarm:1 Loss:2 Motion:3]"},
        {LinkStatus{1}, kBlank},
    };
    for (const auto& [status, text] : cases) {
        Player().SetConnectionStatus(status);
        EXPECT_EQ(text, screen.lines.back());
    }
}

TEST_F(ArchivePlayerTest, HourStepsAndJumpsMoveTheRequestAndSendNothing)
{
    LogInAndOpen();
    DeliverWeek();
    const size_t n = Mark();

    Pick(2024, 2, 28, 23 * 3600 + 59 * 60);
    Player().OnNextHour();
    EXPECT_EQ("2024/02/29  00:00:00", Player().RequestText()) << "a leap year has 29 February";
    EXPECT_EQ((CalendarDate{2024, 2, 29}), screen.calendar);
    EXPECT_EQ(0, screen.nSliderSeconds);
    Player().OnPreviousHour();
    EXPECT_EQ("2024/02/28  23:00:00", Player().RequestText());

    Pick(2023, 12, 31, 23 * 3600 + 5);
    Player().OnNextHour();
    EXPECT_EQ("2024/01/01  00:00:00", Player().RequestText());
    Player().OnPreviousHour();
    EXPECT_EQ("2023/12/31  23:00:00", Player().RequestText());

    Player().OnJumpToEnd();
    EXPECT_EQ("2024/05/17  08:00:00", Player().RequestText());
    EXPECT_EQ((CalendarDate{2024, 5, 17}), screen.calendar);
    Player().OnJumpToStart();
    EXPECT_EQ("2024/05/10  08:00:00", Player().RequestText());
    EXPECT_EQ(8 * 3600, screen.nSliderSeconds);

    // Without a calendar the hour steps do nothing.
    screen.calendar.reset();
    Player().OnNextHour();
    EXPECT_EQ("2024/05/10  08:00:00", Player().RequestText());
    EXPECT_TRUE(SentSince(n).empty());
}

TEST_F(ArchivePlayerTest, AlarmListAsksForTheLogAndReportsWhetherAnOldOneWasThere)
{
    LogInAndOpen();
    size_t n = Mark();
    Player().OnAlarmList();
    EXPECT_EQ(std::vector<Bytes>{Request(0x1041, {1})}, SentSince(n));
    files.files["AlarmEvent.am"] = Bytes(10, 0);
    Player().OnAlarmList();
    EXPECT_EQ((std::vector<bool>{false, true}), screen.alarmListOpened);
}

TEST_F(ArchivePlayerTest, ABackupStillBeingWrittenKeepsTheOperatorInTheArchive)
{
    LogInAndOpen();
    DeliverWeek();
    Pick(2024, 5, 12, 0);
    Player().OnPlayControl(PLAY_FORWARD);

    // The stop ends the run first; while its file is written the status request waits and
    // "Viewer" is refused with its message.
    screen.bBackupBusy = true;
    size_t n = Mark();
    Player().OnViewer();
    EXPECT_EQ(1, screen.nBackupStops);
    EXPECT_EQ(std::vector<Bytes>{Play(0, 0x07E8050C, 0, 0)}, SentSince(n));
    EXPECT_EQ(std::vector<std::string>{"Saving AVI File Now.So Can Not Close This Window!"}, screen.boxes);
    clock.Advance(1000);
    EXPECT_TRUE(Player().IsArchiveActive());

    screen.bBackupBusy = false;
    Player().OnViewer();
    clock.Advance(CArchivePlayer::kBackToLiveMs);
    EXPECT_FALSE(Player().IsArchiveActive());

    // "TRY REQUEST IMAGE" ends a run too.
    Player().SetConnectionStatus(LinkStatus{6, 1});
    EXPECT_EQ(3, screen.nBackupStops);
}

// ---- decoding at the size of the tiles ----------------------------------------------------

TEST_F(ArchivePlayerTest, EachTilesSizeReachesTheDecoder)
{
    const PictureCompletion& pictures = Session().Link().Pictures();
    const auto shown = [&](int n) { return pictures.ShownSizeOf(REQ_PLAY, n); };
    Player().Start();
    for (int n = 0; n < 16; ++n)
        EXPECT_EQ((ShownSize{158, 118}), shown(n)) << "sixteen tiles of 160 x 120 less the gap";
    Player().OnTilesFewer();
    for (int n = 0; n < 16; ++n)
        EXPECT_EQ((n < 9 ? ShownSize{211, 158} : ShownSize{}), shown(n)) << n;
    Player().OnSingleView(); // channel 1 alone
    EXPECT_EQ((ShownSize{638, 478}), shown(0));
    EXPECT_EQ(ShownSize{}, shown(1));
    Player().OnChannelButton(13);
    EXPECT_EQ((ShownSize{638, 478}), shown(13));
    EXPECT_EQ(ShownSize{}, shown(0));
    EXPECT_EQ(ShownSize{}, pictures.ShownSizeOf(REQ_LIVE, 13)) << "the live cells are the session's";
}
