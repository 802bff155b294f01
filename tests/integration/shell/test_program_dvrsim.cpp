// The whole program, offscreen, against dvrsim on loopback, as an operator goes through it:
// connect and every cell shows its own camera; open the archive, fetch the event log with the
// list button, double-click an event, and the archive plays that camera from that moment. The
// cameras are told from the simulator's own scenes, the events from the saved file read here
// byte by byte. What a held PTZ key sends is the view's and the panel's tests'.
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
#include <fstream>
#include <iterator>
#include <ranges>

using namespace ostrel;
using namespace ostrel::test;

namespace {

QImage Part(const QImage& image, const CellRect& rc)
{
    return image.copy(rc.nLeft, rc.nTop, rc.Width(), rc.Height());
}

} // namespace

TEST(ProgramDvrsim, LiveCamerasAndAnEventPlayedBack)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString strOld = QDir::currentPath();
    QDir::setCurrent(dir.path());

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

        EXPECT_TRUE(notifier.messages.empty());
        app.ExitInstance();
    }
    QDir::setCurrent(strOld);
}
