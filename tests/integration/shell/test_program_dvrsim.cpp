// The whole program, offscreen, against dvrsim on loopback, as an operator goes through it:
// connect and every cell shows its own camera; open the archive, fetch the event log with the
// list button, double-click an event, and the archive plays that camera from that moment; back
// to live, hold the up key and camera 1 turns up. The cameras are told from the simulator's own
// scenes, the events from the saved file read here byte by byte.
#include "fakes/gui_fixture.h"
#include "fakes/qt_wait.h"
#include "fakes/simulator_process.h"

#include "alarmlog/alarm_event_dlg.h"
#include "shell/ostrel_app.h"
#include "widgets/bitmap_button.h"

#include <QDateTime>
#include <QDir>
#include <QPushButton>
#include <QSettings>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <limits>
#include <ranges>

using namespace ostrel;
using namespace ostrel::test;

namespace {

// Pelco P for camera 1 (address 0), written out by hand: stop, left, right, up at speed 0x20.
// The checksum is the XOR of the first seven bytes: A0 ^ AF = 0F, and 0F ^ 08 ^ 20 = 27 for up.
constexpr const char* kPelcoPFile = "<1>\r\n"
                                    "STOP/8/a0/00/00/00/00/00/af/0f/\r\n"
                                    "LEFT/8/a0/00/00/04/20/00/af/2b/\r\n"
                                    "RIGHT/8/a0/00/00/02/20/00/af/2d/\r\n"
                                    "UP/8/a0/00/00/08/00/20/af/27/\r\n";

QImage Part(const QImage& image, const CellRect& rc)
{
    return image.copy(rc.nLeft, rc.nTop, rc.Width(), rc.Height());
}

// How far the second picture's content sits below the first's, in rows: the shift whose
// overlapping rows differ least (moving cars and the fixed captions only add noise).
int VerticalShift(const QImage& before, const QImage& after, int nMaxShift)
{
    int nBest = 0;
    double dBest = std::numeric_limits<double>::max();
    for (int dy = -nMaxShift; dy <= nMaxShift; ++dy) {
        double dSum = 0;
        int n = 0;
        for (int y = std::max(0, dy); y < after.height() && y - dy < before.height(); y += 2)
            for (int x = 0; x < after.width(); x += 3, ++n)
                dSum += std::abs(qGray(after.pixel(x, y)) - qGray(before.pixel(x, y - dy)));
        if (n > 0 && dSum / n < dBest) {
            dBest = dSum / n;
            nBest = dy;
        }
    }
    return nBest;
}

} // namespace

TEST(ProgramDvrsim, LiveCamerasEventPlaybackAndAPtzCameraTurningUp)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString strOld = QDir::currentPath();
    QDir::setCurrent(dir.path());
    ASSERT_TRUE(QDir().mkpath(QStringLiteral("PTZ")));
    std::ofstream("PTZ/pelcoP.tl", std::ios::binary) << kPelcoPFile;

    SimulatorProcess sim({"--range-start", "2024-05-10 08:00:00", "--range-end", "2024-05-17 08:00:00", "--gap",
                          "03:00-03:30", "--event-count", "60", "--fps", "10", "--single-fps", "15", "--play-fps", "5"});
    ASSERT_NE(0, sim.Port()) << "dvrsim did not start";
    {
        QSettings profile(QStringLiteral("Ostrel"), QStringLiteral("Ostrel16"));
        profile.beginGroup(QStringLiteral("Setting"));
        profile.setValue(QStringLiteral("Host IPAddress"), QStringLiteral("127.0.0.1"));
        profile.setValue(QStringLiteral("Host Port"), sim.Port());
    }
    RecordingNotifier notifier;
    {
        const SettingsPlaces places{dir.path().toStdString(), dir.path().toStdString()};
        COstrelApp app(notifier, dir.filePath(QStringLiteral("Ostrel.lock")), places);
        ASSERT_TRUE(app.InitInstance());
        CRecorderSession& session = *app.Session();
        COstrelView& view = *app.GetView();
        ClickMiddle(view.SkinButton(IDC_CONNECT));
        const auto allDrawn = [&] { return std::ranges::all_of(std::views::iota(0, 16), [&](int n) { return session.Layout().Drawn(n); }); };
        ASSERT_TRUE(WaitUntil(allDrawn, 15000));
        EXPECT_EQ(ConnectState::Established, session.ConnectionState());
        const QImage live = view.grab().toImage();
        const int64_t nNowMs = QDateTime::currentMSecsSinceEpoch();
        for (int n = 0; n < 16; ++n) {
            double dDistance = 0;
            EXPECT_EQ(n, IdentifyCamera(Part(live, session.Layout().Cell(n)), nNowMs, &dDistance)) << "live cell " << n;
            EXPECT_LT(dDistance, 40.0);
        }

        // The archive, single view, and the event list: it opens empty and fills when the log arrives.
        ClickMiddle(view.PushButton(IDC_ARCHIVE));
        CArchiveDlg& archive = *app.GetArchive();
        ASSERT_TRUE(WaitUntil([&] { return archive.Player().Range().m_bRangeKnown; }, 10000));
        EXPECT_EQ("2024/05/10  08:00:00", archive.Player().StartText()) << "the range dvrsim was started with";
        EXPECT_EQ("2024/05/17  08:00:00", archive.Player().EndText());
        ClickMiddle(archive.SkinButton(IDC_SINGLE_VIEW));
        ClickMiddle(archive.SkinButton(IDC_EVENT_LIST));
        CAlarmEventDlg* pEvents = app.GetAlarmEvents();
        ASSERT_NE(nullptr, pEvents);
        ASSERT_TRUE(WaitUntil([&] { return pEvents->List()->model()->rowCount() > 0; }, 10000));
        std::ifstream file("AlarmEvent.am", std::ios::binary);
        const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
        ASSERT_EQ(static_cast<size_t>(pEvents->List()->model()->rowCount()) * 10, bytes.size()) << "every record listed";

        // An event in the middle of the log plays its camera from the event's moment on.
        const int nRow = pEvents->List()->model()->rowCount() / 2;
        const uint8_t* r = &bytes[static_cast<size_t>(nRow) * 10];
        const int nChannel = r[0] - 1;
        const int64_t nEvent = wire::MakeSecondsValue({1996 + r[2], r[3], r[4], r[5], r[6], r[7]});
        ASSERT_EQ("CH" + std::to_string(r[0]), pEvents->List()->model()->index(nRow, 0).data().toString().toStdString());
        const uint64_t nDrawnBefore = archive.PicturesDrawn();
        DoubleClickRow(pEvents->List(), nRow);
        ASSERT_TRUE(WaitUntil([&] { return archive.PicturesDrawn() >= nDrawnBefore + 3; }, 15000));
        EXPECT_EQ(nChannel, archive.Player().Tiles().SelChannel());
        const int64_t nStamp = wire::MakeSecondsValue(archive.Player().ImageStamp());
        EXPECT_GE(nStamp, nEvent);
        EXPECT_LE(nStamp, nEvent + 30);
        double dDistance = 0;
        EXPECT_EQ(nChannel, IdentifyCamera(Part(archive.BackStore(), archive.Player().Tiles().Tile(nChannel)),
                                           nStamp * 1000, &dDistance));
        EXPECT_LT(dDistance, 40.0);
        ClickMiddle(pEvents->OkButton());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(nullptr, app.GetAlarmEvents()) << "the pointer goes with the list";

        // Back to live with camera 1 alone: holding up turns it up, so its scene slides down the
        // picture, and letting go stops it.
        ClickMiddle(archive.SkinButton(IDC_VIEWER));
        ASSERT_TRUE(WaitUntil([&] { return !archive.isVisible(); }, 5000));
        view.OnLayoutButton(0);
        const auto freshPicture = [&] {
            const uint64_t nMark = view.PicturesDrawn();
            EXPECT_TRUE(WaitUntil([&] { return view.PicturesDrawn() >= nMark + 2; }, 5000));
            return Part(view.BackStore(), session.Layout().Cell(0));
        };
        RunEventLoop(300);
        const QImage still = freshPicture();
        CSkinButton* pUp = view.SkinButton(IDC_PTZ_UP);
        QTest::mousePress(pUp, Qt::LeftButton, {}, pUp->rect().center());
        RunEventLoop(1000);
        QTest::mouseRelease(pUp, Qt::LeftButton, {}, pUp->rect().center());
        // Pictures taken before the stop may still be on their way (slowly, under the sanitizers):
        // the scene has settled once two pictures in a row show it in one place. Still moving, it
        // would slide some thirty rows in the 0.7 s after that; the moving cars make two or three.
        constexpr int kStillRows = 4;
        QImage moved = freshPicture();
        for (int nTries = 0; nTries < 10; ++nTries) {
            const QImage next = freshPicture();
            const bool bSettled = std::abs(VerticalShift(moved, next, still.height() / 2)) <= kStillRows;
            moved = next;
            if (bSettled)
                break;
        }
        RunEventLoop(700);
        const QImage later = freshPicture();
        const int nShift = VerticalShift(still, moved, still.height() / 2);
        EXPECT_GT(nShift, still.height() / 10) << "the scene slid down the picture by " << nShift << " rows";
        EXPECT_LE(std::abs(VerticalShift(moved, later, still.height() / 2)), kStillRows) << "and stays put after the release";

        EXPECT_TRUE(notifier.messages.empty());
        app.ExitInstance();
    }
    QDir::setCurrent(strOld);
}
