// The real client window, offscreen, against dvrsim on loopback: after connect every cell
// shows its own camera.
#include "fakes/camera_look.h"
#include "fakes/qt_wait.h"
#include "fakes/simulator_process.h"
#include "fakes/memory_settings_store.h"
#include "fakes/recording_notifier.h"
#include "link/image_codec.h"
#include "platform/dvr_socket.h"
#include "platform/file_store.h"
#include "platform/qt_timer_service.h"
#include "session/recorder_session.h"
#include "res/resource.h"
#include "shell/ostrel_view.h"
#include "widgets/bitmap_button.h"
#include "widgets/skin_button.h"

#include <QApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

using namespace ostrel;
using namespace ostrel::test;

namespace {


// Standard deviation of the grey levels in a region: a picture varies, an empty cell does not.
double Variation(const QImage& image, const QRect& rc)
{
    double sum = 0, sum2 = 0;
    int n = 0;
    for (int y = rc.top(); y <= rc.bottom(); y += 2)
        for (int x = rc.left(); x <= rc.right(); x += 2) {
            const double v = qGray(image.pixel(x, y));
            sum += v;
            sum2 += v * v;
            ++n;
        }
    const double mean = sum / n;
    return std::sqrt(std::max(0.0, sum2 / n - mean * mean));
}

} // namespace

TEST(ViewDvrsim, AfterConnectEveryCellShowsItsOwnCamera)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString strOld = QDir::currentPath();
    QDir::setCurrent(dir.path());

    SimulatorProcess sim({"--fps", "10"});
    const uint16_t wPort = sim.Port();
    ASSERT_NE(0, wPort) << "dvrsim did not start";

    CDvrSocketFactory sockets;
    LocalFileStore files;
    RecordingNotifier notifier;
    SystemClock clock;
    MemorySettingsStore settings;
    settings.texts["Host IPAddress"] = "127.0.0.1";
    settings.ints["Host Port"] = wPort;
    QtTimerFactory timers;
    const std::string strDir = dir.path().toStdString();
    {
        CRecorderSession session({timers, sockets, files, notifier, settings, {strDir, strDir}, strDir});
        COstrelView view(session, {clock, timers, nullptr}, nullptr);
        view.OnInitialUpdate();
        view.show();
        QTest::mouseClick(view.SkinButton(IDC_CONNECT), Qt::LeftButton);
        const auto allDrawn = [&] {
            for (int n = 0; n < 16; ++n)
                if (!session.Layout().Drawn(n))
                    return false;
            return true;
        };
        ASSERT_TRUE(WaitUntil(allDrawn, 15000));
        EXPECT_EQ(1, session.ConnectState());

        const QImage screen = view.grab().toImage();
        const int64_t nNowMs = QDateTime::currentMSecsSinceEpoch();
        for (int n = 0; n < 16; ++n) {
            SCOPED_TRACE(n);
            const CellRect& rc = session.Layout().Cell(n);
            const QImage cell = screen.copy(rc.nLeft, rc.nTop, rc.Width(), rc.Height());
            EXPECT_GT(Variation(screen, QRect(rc.nLeft, rc.nTop, rc.Width(), rc.Height())), 10.0) << "a picture on screen";
            double dDistance = 0;
            EXPECT_EQ(n, IdentifyCamera(cell, nNowMs, &dDistance)) << "its own camera, told from the simulator's scenes";
            EXPECT_LT(dDistance, 40.0);
        }
        QTest::mouseClick(view.PushButton(IDC_EXIT), Qt::LeftButton);
        EXPECT_FALSE(session.Link().HasSocket());
    }
    QDir::setCurrent(strOld);
}
