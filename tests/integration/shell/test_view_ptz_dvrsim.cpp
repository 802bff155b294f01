// The PTZ keys of the real client window, offscreen, against dvrsim on loopback: holding the up
// key turns camera 1 up, so its scene slides down the picture, and letting go stops it.
#include "fakes/memory_settings_store.h"
#include "fakes/qt_wait.h"
#include "fakes/recording_notifier.h"
#include "fakes/simulator_process.h"
#include "platform/dvr_socket.h"
#include "platform/file_store.h"
#include "platform/qt_timer_service.h"
#include "ptz/ptz_panel.h"
#include "res/resource.h"
#include "session/recorder_session.h"
#include "shell/ostrel_view.h"
#include "widgets/bitmap_button.h"
#include "widgets/skin_button.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace ostrel;
using namespace ostrel::test;

namespace {

// Pelco P for camera 1 (address 0), written out by hand: stop, then up at tilt speed 0x20. The
// checksum is the XOR of the first seven bytes: A0 ^ AF = 0F, and 0F ^ 08 ^ 20 = 27 for up.
constexpr const char* kPelcoPFile = "<1>\r\n"
                                    "STOP/8/a0/00/00/00/00/00/af/0f/\r\n"
                                    "LEFT/8/a0/00/00/04/20/00/af/2b/\r\n"
                                    "RIGHT/8/a0/00/00/02/20/00/af/2d/\r\n"
                                    "UP/8/a0/00/00/08/00/20/af/27/\r\n";

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
            for (int x = 0; x < after.width(); x += 3) {
                dSum += std::abs(qGray(after.pixel(x, y)) - qGray(before.pixel(x, y - dy)));
                ++n;
            }
        if (n > 0 && dSum / n < dBest) {
            dBest = dSum / n;
            nBest = dy;
        }
    }
    return nBest;
}

} // namespace

TEST(ViewPtzDvrsim, HoldingUpTurnsCameraOneUpAndLettingGoStopsIt)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString strOld = QDir::currentPath();
    QDir::setCurrent(dir.path());
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("PTZ")));
    {
        QFile file(dir.filePath(QStringLiteral("PTZ/pelcoP.tl")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(kPelcoPFile);
    }

    SimulatorProcess sim({"--fps", "10", "--single-fps", "15"});
    ASSERT_NE(0, sim.Port()) << "dvrsim did not start";

    CDvrSocketFactory sockets;
    LocalFileStore files;
    RecordingNotifier notifier;
    SystemClock clock;
    MemorySettingsStore settings;
    settings.texts["Host IPAddress"] = "127.0.0.1";
    settings.ints["Host Port"] = sim.Port();
    settings.ints["Ptz Type"] = 1;
    QtTimerFactory timers;
    const std::string strDir = dir.path().toStdString();
    {
        CRecorderSession session({timers, sockets, files, notifier, settings, {strDir, strDir}, strDir});
        COstrelView view(session, {clock, timers, nullptr}, nullptr);
        view.OnInitialUpdate();
        CPtzPanel panel(session, {timers, files, notifier});
        panel.LoadPtzTable();
        view.SetPtzKeyHandler(&panel);
        view.show();
        EXPECT_TRUE(notifier.messages.empty());

        view.OnLayoutButton(0); // camera 1 alone, as large as it gets
        QTest::mouseClick(view.SkinButton(IDC_CONNECT), Qt::LeftButton);
        ASSERT_TRUE(WaitUntil([&] { return session.Layout().Drawn(0); }, 15000));
        const CellRect& rc = session.Layout().Cell(0);
        const QRect rcCell(rc.nLeft, rc.nTop, rc.Width(), rc.Height());
        // A picture drawn after the moment of asking.
        const auto freshPicture = [&] {
            const uint64_t nMark = view.PicturesDrawn();
            EXPECT_TRUE(WaitUntil([&] { return view.PicturesDrawn() >= nMark + 2; }, 5000));
            return view.BackStore().copy(rcCell);
        };
        RunEventLoop(300);
        const QImage still = freshPicture();

        CSkinButton* pUp = view.SkinButton(IDC_PTZ_UP);
        ASSERT_NE(nullptr, pUp);
        const QPoint centre = pUp->rect().center();
        QTest::mousePress(pUp, Qt::LeftButton, {}, centre);
        RunEventLoop(1000);
        QTest::mouseRelease(pUp, Qt::LeftButton, {}, centre);
        RunEventLoop(500); // the stops are out and the pictures in flight have arrived
        const QImage moved = freshPicture();
        RunEventLoop(700);
        const QImage later = freshPicture();

        const int nMax = rcCell.height() / 2;
        const int nShift = VerticalShift(still, moved, nMax);
        EXPECT_GT(nShift, rcCell.height() / 10) << "the scene slid down the picture by " << nShift << " rows";
        EXPECT_LE(std::abs(VerticalShift(moved, later, nMax)), 1) << "and stays put after the release";

        QTest::mouseClick(view.PushButton(IDC_EXIT), Qt::LeftButton);
    }
    QDir::setCurrent(strOld);
}
