// The whole program, offscreen, against dvrsim on loopback: connect, open the archive, fetch the
// event log with the list button, double-click an event, and the archive plays that camera
// from that moment. The camera is told from the simulator's own scenes.
#include "fakes/camera_look.h"
#include "fakes/qt_wait.h"
#include "fakes/recording_notifier.h"
#include "fakes/simulator_process.h"

#include "alarmlog/alarm_event_dlg.h"
#include "archive/archive_dlg.h"
#include "link/wire_format.h"
#include "res/resource.h"
#include "shell/ostrel_app.h"
#include "shell/ostrel_view.h"
#include "widgets/back_store.h"
#include "widgets/bitmap_button.h"
#include "widgets/skin_button.h"

#include <QApplication>
#include <QDir>
#include <QMouseEvent>
#include <QPushButton>
#include <QSettings>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

using namespace ostrel;
using namespace ostrel::test;

namespace {

void Press(QWidget* pButton)
{
    ASSERT_NE(nullptr, pButton);
    QTest::mouseClick(pButton, Qt::LeftButton, {}, QPoint(pButton->width() / 2, pButton->height() / 2));
    QCoreApplication::processEvents();
}

void DoubleClickRow(QTableWidget* pList, int nRow)
{
    pList->scrollToItem(pList->item(nRow, 1));
    const QPointF pt = pList->visualRect(pList->model()->index(nRow, 1)).center();
    const QPointF ptGlobal = pList->viewport()->mapToGlobal(pt);
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick,
                              QEvent::MouseButtonRelease}) {
        const bool bDown = type != QEvent::MouseButtonRelease;
        QMouseEvent event(type, pt, ptGlobal, Qt::LeftButton, bDown ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(pList->viewport(), &event);
    }
}

int64_t SecondsOf(const wire::DateTimeFields& t)
{
    return wire::MakeSecondsValue(t);
}

} // namespace

TEST(AlarmEventsDvrsim, FetchListDoubleClickAndTheArchivePlaysThatCameraAtThatMoment)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString strOld = QDir::currentPath();
    QDir::setCurrent(dir.path());

    SimulatorProcess sim({"--range-start", "2024-05-10 08:00:00", "--range-end", "2024-05-17 08:00:00", "--gap",
                          "03:00-03:30", "--event-count", "60", "--fps", "5", "--play-fps", "5"});
    const uint16_t wPort = sim.Port();
    ASSERT_NE(0, wPort) << "dvrsim did not start";
    {
        QSettings profile(QStringLiteral("Ostrel"), QStringLiteral("Ostrel16"));
        profile.beginGroup(QStringLiteral("Setting"));
        profile.setValue(QStringLiteral("Host IPAddress"), QStringLiteral("127.0.0.1"));
        profile.setValue(QStringLiteral("Host Port"), wPort);
    }

    RecordingNotifier notifier;
    const SettingsPlaces places{dir.path().toStdString(), dir.path().toStdString()};
    {
        COstrelApp app(notifier, dir.filePath(QStringLiteral("Ostrel.lock")), places);
        ASSERT_TRUE(app.InitInstance());
        CRecorderSession& session = *app.Session();
        Press(app.GetView()->SkinButton(IDC_CONNECT));
        ASSERT_TRUE(WaitUntil([&] { return session.ConnectState() == 1; }, 15000));

        Press(app.GetView()->PushButton(IDC_ARCHIVE));
        CArchiveDlg& archive = *app.GetArchive();
        ASSERT_TRUE(WaitUntil([&] { return archive.Player().Range().m_bRangeKnown; }, 10000));
        Press(archive.SkinButton(IDC_SINGLE_VIEW));

        // The list opens empty (nothing fetched yet) and fills when the log has arrived.
        Press(archive.SkinButton(IDC_EVENT_LIST));
        CAlarmEventDlg* pEvents = app.GetAlarmEvents();
        ASSERT_NE(nullptr, pEvents);
        ASSERT_TRUE(WaitUntil([&] { return pEvents->List()->rowCount() > 0; }, 10000));

        // The rows are the saved file's records, read here byte by byte.
        std::ifstream file("AlarmEvent.am", std::ios::binary);
        const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
        ASSERT_EQ(static_cast<size_t>(pEvents->List()->rowCount()) * 10, bytes.size()) << "every record listed";

        // An event in the middle of the log, on its camera.
        const int nRow = pEvents->List()->rowCount() / 2;
        const uint8_t* r = &bytes[static_cast<size_t>(nRow) * 10];
        const int nChannel = r[0] - 1;
        const wire::DateTimeFields tEvent{1996 + r[2], r[3], r[4], r[5], r[6], r[7]};
        char text[32];
        std::snprintf(text, sizeof text, "CH%d", r[0]);
        ASSERT_EQ(text, pEvents->List()->item(nRow, 0)->text().toStdString());

        const uint64_t nDrawnBefore = archive.PicturesDrawn();
        DoubleClickRow(pEvents->List(), nRow);
        ASSERT_TRUE(WaitUntil([&] { return archive.PicturesDrawn() >= nDrawnBefore + 3; }, 15000));
        EXPECT_EQ(nChannel, archive.Player().Tiles().SelChannel());

        // The pictures are of that camera, from the event's moment on.
        const int64_t nStamp = SecondsOf(archive.Player().ImageStamp());
        EXPECT_GE(nStamp, SecondsOf(tEvent));
        EXPECT_LE(nStamp, SecondsOf(tEvent) + 30);
        const CellRect& rc = archive.Player().Tiles().Tile(nChannel);
        const QImage tile = archive.BackStore().copy(rc.nLeft, rc.nTop, rc.Width(), rc.Height());
        double dDistance = 0;
        EXPECT_EQ(nChannel, IdentifyCamera(tile, nStamp * 1000, &dDistance));
        EXPECT_LT(dDistance, 40.0);

        Press(pEvents->OkButton());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(nullptr, app.GetAlarmEvents()) << "the pointer goes with the list";
        app.ExitInstance();
    }
    QDir::setCurrent(strOld);
}
