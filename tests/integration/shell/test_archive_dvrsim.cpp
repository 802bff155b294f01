// The archive dialog against dvrsim on loopback, through the live view's "Archive" button, on
// real timers and the real socket. dvrsim serves a two-day recording with a daily gap; what it
// sends is the oracle: the play time words it stamps from its own timeline (decoded here by
// hand), its play results, and its cameras' scenes in the tiles. No rates are asserted, only
// order and direction, and bounds that hold however slowly either side runs.
#include "archive/archive_dlg.h"
#include "fakes/camera_look.h"
#include "fakes/memory_settings_store.h"
#include "fakes/qt_wait.h"
#include "fakes/recording_notifier.h"
#include "fakes/simulator_process.h"
#include "platform/dvr_socket.h"
#include "platform/file_store.h"
#include "platform/qt_timer_service.h"
#include "res/resource.h"
#include "session/recorder_session.h"
#include "shell/ostrel_view.h"
#include "widgets/bitmap_button.h"
#include "widgets/calendar_ctrl.h"
#include "widgets/skin_button.h"
#include "widgets/skin_slider.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace ostrel;
using namespace ostrel::test;

namespace {

// The recording dvrsim is started with: two days, nothing between 03:00 and 03:30 each day.
constexpr const char* kRangeStart = "2024-05-10 08:00:00";
constexpr const char* kRangeEnd = "2024-05-12 08:00:00";

int64_t Moment(int nYear, int nMonth, int nDay, int nHour, int nMinute, int nSecond)
{
    return QDateTime(QDate(nYear, nMonth, nDay), QTime(nHour, nMinute, nSecond)).toSecsSinceEpoch();
}

// Sits between the session and the dialog's player and writes down what the recorder said, in
// its own terms, before passing every call on unchanged.
class RecorderWitness final : public ArchiveWindow {
public:
    explicit RecorderWitness(ArchiveWindow& rInner) : m_rInner(rInner) {}

    bool IsArchiveActive() const override { return m_rInner.IsArchiveActive(); }
    uint16_t PlayState() const override { return m_rInner.PlayState(); }
    void SetArchiveActive(bool bActive) override { m_rInner.SetArchiveActive(bActive); }
    void Activate() override { m_rInner.Activate(); }
    void SetConnectionStatus(const LinkStatus& status) override { m_rInner.SetConnectionStatus(status); }
    void OnRecordRange(uint32_t a, uint32_t b, uint32_t c, uint32_t d) override { m_rInner.OnRecordRange(a, b, c, d); }
    void OnPlayImageTimeSeconds(uint32_t dwSeconds) override
    {
        times.push_back(dwSeconds);
        m_rInner.OnPlayImageTimeSeconds(dwSeconds);
    }
    void OnPlayImageTimePacked(uint32_t dwA, uint32_t dwB) override
    {
        // Word A: channel + 1, year, month; word B: day, hour, minute, second.
        times.push_back(Moment(static_cast<int>((dwA >> 8) & 0xFFFF), static_cast<int>(dwA & 0xFF),
                               static_cast<int>(dwB >> 24), static_cast<int>((dwB >> 16) & 0xFF),
                               static_cast<int>((dwB >> 8) & 0xFF), static_cast<int>(dwB & 0xFF)));
        m_rInner.OnPlayImageTimePacked(dwA, dwB);
    }
    void OnPlayPosition(uint32_t dwPosition) override { m_rInner.OnPlayPosition(dwPosition); }
    void OnPlayResult(uint8_t byCode) override
    {
        results.push_back(byCode);
        m_rInner.OnPlayResult(byCode);
    }
    void FlipReceiveIndicator() override { m_rInner.FlipReceiveIndicator(); }
    void OnPlayImage(uint8_t byChannel, const Picture& picture) override
    {
        if (picture)
            ++nPictures;
        m_rInner.OnPlayImage(byChannel, picture);
    }
    void RefreshAlarmEvents() override { m_rInner.RefreshAlarmEvents(); }

    std::vector<int64_t> times;   // seconds since 1970 of every play image, in arrival order
    std::vector<uint8_t> results; // play results other than "image follows"
    uint64_t nPictures = 0;       // decoded play pictures

private:
    ArchiveWindow& m_rInner;
};

// The time words from index nFrom on, and whether they never go back (bForward) or never go on.
bool Monotonic(const std::vector<int64_t>& times, size_t nFrom, bool bForward)
{
    for (size_t i = nFrom + 1; i < times.size(); ++i)
        if (bForward ? times[i] < times[i - 1] : times[i] > times[i - 1])
            return false;
    return true;
}

std::string TimeOfDayText(int64_t nSeconds)
{
    return QDateTime::fromSecsSinceEpoch(nSeconds).toString(QStringLiteral("HH:mm:ss")).toStdString();
}

class ArchiveDvrsim : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_pWorld = std::make_unique<World>(); }
    static void TearDownTestSuite() { s_pWorld.reset(); }

    // The whole client: a session, its live view and its archive dialog, connected to dvrsim,
    // with the archive opened from the view.
    struct World {
        World()
            : strOldDir(QDir::currentPath()), sim({"--fps", "5", "--play-fps", "10", "--range-start", kRangeStart,
                                                   "--range-end", kRangeEnd, "--gap", "03:00-03:30"})
        {
            QDir::setCurrent(dir.path());
            settings.texts["Host IPAddress"] = "127.0.0.1";
            settings.ints["Host Port"] = sim.Port();
            const std::string strDir = dir.path().toStdString();
            session = std::make_unique<CRecorderSession>(
                SessionServices{timers, sockets, files, notifier, settings, {strDir, strDir}, strDir});
            view = std::make_unique<COstrelView>(*session, ViewServices{clock, timers, nullptr}, nullptr);
            dlg = std::make_unique<CArchiveDlg>(*session, ArchiveServices{clock, timers, files});
            dlg->Create();
            witness = std::make_unique<RecorderWitness>(dlg->Player());
            session->SetArchiveWindow(witness.get());
            view->OnInitialUpdate();
            view->show();
        }
        ~World()
        {
            session->SetArchiveWindow(nullptr);
            dlg.reset();
            view.reset();
            session.reset();
            QDir::setCurrent(strOldDir);
        }

        QTemporaryDir dir;
        QString strOldDir;
        SimulatorProcess sim;
        CDvrSocketFactory sockets;
        LocalFileStore files;
        RecordingNotifier notifier;
        SystemClock clock;
        MemorySettingsStore settings;
        QtTimerFactory timers;
        std::unique_ptr<CRecorderSession> session;
        std::unique_ptr<COstrelView> view;
        std::unique_ptr<CArchiveDlg> dlg;
        std::unique_ptr<RecorderWitness> witness;
    };

    void SetUp() override
    {
        ASSERT_NE(0, s_pWorld->sim.Port()) << "dvrsim did not start";
        if (!Dlg().isVisible()) {
            QTest::mouseClick(s_pWorld->view->SkinButton(IDC_CONNECT), Qt::LeftButton);
            ASSERT_TRUE(WaitUntil([] { return s_pWorld->session->ConnectState() == 1; }, 10000));
            QTest::mouseClick(s_pWorld->view->PushButton(IDC_ARCHIVE), Qt::LeftButton);
            ASSERT_TRUE(WaitUntil([this] { return Dlg().isVisible() && Player().Range().m_bRangeKnown; }, 10000));
        }
        Press(IDC_STOP);
        // Whatever was under way has stopped reaching the dialog.
        RunEventLoop(600);
    }

    static CArchiveDlg& Dlg() { return *s_pWorld->dlg; }
    static const CArchivePlayer& Player() { return s_pWorld->dlg->Player(); }
    static RecorderWitness& Witness() { return *s_pWorld->witness; }
    // A click posts its command; it runs here, before anything more is read from the socket.
    static void Press(int nId)
    {
        QTest::mouseClick(Dlg().SkinButton(nId), Qt::LeftButton);
        QCoreApplication::sendPostedEvents();
    }

    // The operator picks a day on the calendar and a time of day with the slider.
    static void Choose(int nYear, int nMonth, int nDay, int nSecondOfDay)
    {
        Dlg().Calendar()->SetDate(nYear, nMonth, nDay);
        Dlg().Slider()->SetPosition(nSecondOfDay);
        Q_EMIT Dlg().Slider()->HScroll(CSkinSlider::SB_THUMBTRACK, Dlg().Slider()->ThumbX());
    }

    // Waits for nCount more time words after the first nFrom.
    static bool WaitForTimes(size_t nFrom, size_t nCount, int nMs = 8000)
    {
        return WaitUntil([&] { return Witness().times.size() >= nFrom + nCount; }, nMs);
    }

    static inline std::unique_ptr<World> s_pWorld;
};

} // namespace

TEST_F(ArchiveDvrsim, ForwardShowsEveryCameraAtAdvancingTimesAndStopStopsThem)
{
    EXPECT_EQ("2024/05/10  08:00:00", Player().StartText()) << "the range dvrsim was started with";
    EXPECT_EQ("2024/05/12  08:00:00", Player().EndText());
    const int64_t nRequest = Moment(2024, 5, 10, 10, 0, 0);
    Choose(2024, 5, 10, 10 * 3600);
    const size_t nFrom = Witness().times.size();
    const uint64_t nDrawnBefore = Dlg().PicturesDrawn();
    QElapsedTimer wall;
    wall.start();
    Press(IDC_FORWARD);
    EXPECT_EQ("SEARCHING", Player().StatusLine());
    EXPECT_FALSE(Dlg().Slider()->isEnabled()) << "no search while a search is under way";

    ASSERT_TRUE(WaitForTimes(nFrom, 48));
    ASSERT_TRUE(WaitUntil([&] { return Dlg().PicturesDrawn() >= nDrawnBefore + 16; }, 8000));
    RunEventLoop(1500);
    const double dWall = static_cast<double>(wall.elapsed()) / 1000.0;
    const std::vector<int64_t>& times = Witness().times;

    // From the requested moment on, never backwards, and at normal speed never further than
    // the real time that passed (plus the second the stamps are rounded to).
    EXPECT_EQ(nRequest, times[nFrom]);
    EXPECT_TRUE(Monotonic(times, nFrom, true));
    EXPECT_GT(times.back(), nRequest) << "the moment moves on";
    EXPECT_LE(static_cast<double>(times.back() - nRequest), dWall + 1.0);
    EXPECT_EQ(std::string(9, ' '), Player().StatusLine()) << "SEARCHING goes with the first picture";
    EXPECT_TRUE(Player().PlayLit(PLAY_FORWARD));

    Press(IDC_STOP);
    RunEventLoop(700);
    const size_t nAfterGrace = Witness().times.size();
    const uint64_t nPicturesAfterGrace = Witness().nPictures;
    RunEventLoop(1500);
    EXPECT_EQ(nAfterGrace, Witness().times.size()) << "nothing comes after the stop";
    EXPECT_EQ(nPicturesAfterGrace, Witness().nPictures);
    EXPECT_TRUE(Player().PlayLit(PLAY_STOP));
    EXPECT_TRUE(Dlg().Slider()->isEnabled());

    // The time under the slider is the last picture's, and every tile shows its own camera
    // as dvrsim draws it at that moment.
    const int64_t nLast = Witness().times.back();
    EXPECT_EQ(TimeOfDayText(nLast), Dlg().TimeText());
    const QImage screen = Dlg().grab().toImage();
    for (int n = 0; n < 16; ++n) {
        SCOPED_TRACE(n);
        const CellRect& rc = Player().Tiles().Tile(n);
        ASSERT_FALSE(rc.IsEmpty());
        const QImage tile = screen.copy(rc.nLeft + 1, rc.nTop + 1, rc.Width() - 2, rc.Height() - 2);
        double dDistance = 0;
        EXPECT_EQ(n, IdentifyCamera(tile, nLast * 1000, &dDistance));
        EXPECT_LT(dDistance, 40.0);
    }
}

TEST_F(ArchiveDvrsim, PlayingIntoTheEndOfTheRangeEndsThePlay)
{
    s_pWorld->session->Settings().byRequestSpeed = 6; // "64X": the last minute in about a second
    Press(IDC_GO_END);
    ASSERT_EQ("08:00:00", Dlg().TimeText());
    Choose(2024, 5, 12, 7 * 3600 + 59 * 60);
    const size_t nFrom = Witness().times.size();
    const size_t nResults = Witness().results.size();
    Press(IDC_FAST_FORWARD);
    ASSERT_TRUE(WaitUntil([&] { return Witness().results.size() > nResults; }, 10000));
    EXPECT_EQ(3, Witness().results.back()) << "the recorder's end of play";
    EXPECT_EQ("End of Play", Player().StatusLine());
    EXPECT_TRUE(Player().PlayLit(PLAY_STOP));
    EXPECT_EQ(0, Player().PlayState());

    const std::vector<int64_t>& times = Witness().times;
    ASSERT_GT(times.size(), nFrom) << "pictures came before the end";
    EXPECT_EQ(Moment(2024, 5, 12, 7, 59, 0), times[nFrom]);
    EXPECT_TRUE(Monotonic(times, nFrom, true));
    EXPECT_LE(times.back(), Moment(2024, 5, 12, 8, 0, 0)) << "nothing past the end";
    s_pWorld->session->Settings().byRequestSpeed = kDefaultRequestSpeed;
}

TEST_F(ArchiveDvrsim, TheRecorderRefusesMomentsWithNothingRecorded)
{
    struct Case {
        const char* pszName;
        int nDay;
        int nSecondOfDay;
        uint8_t byCode;
        const char* pszText;
    };
    // Inside the daily gap; and on the last day after the end, which the dialog lets through
    // because it tests only the end's date.
    const Case cases[] = {
        {"in the gap", 11, 3 * 3600 + 10 * 60, 2, "No Search Image"},
        {"first second of the gap", 11, 3 * 3600, 2, "No Search Image"},
        {"after the end on its day", 12, 9 * 3600, 4, "Invalid Date"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszName);
        Press(IDC_STOP);
        RunEventLoop(300);
        Choose(2024, 5, c.nDay, c.nSecondOfDay);
        const size_t nResults = Witness().results.size();
        const uint64_t nPictures = Witness().nPictures;
        Press(IDC_FORWARD);
        ASSERT_TRUE(WaitUntil([&] { return Witness().results.size() > nResults; }, 8000));
        EXPECT_EQ(c.byCode, Witness().results.back());
        EXPECT_EQ(c.pszText, Player().StatusLine());
        EXPECT_TRUE(Player().PlayLit(PLAY_STOP));
        RunEventLoop(500);
        EXPECT_EQ(nPictures, Witness().nPictures) << "no picture for a refused request";
    }
    // Just after the gap plays.
    Press(IDC_STOP);
    RunEventLoop(300);
    Choose(2024, 5, 11, 3 * 3600 + 30 * 60);
    const size_t nFrom = Witness().times.size();
    Press(IDC_FORWARD);
    ASSERT_TRUE(WaitForTimes(nFrom, 4));
    EXPECT_EQ(Moment(2024, 5, 11, 3, 30, 0), Witness().times[nFrom]);
}
