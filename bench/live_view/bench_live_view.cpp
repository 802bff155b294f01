// End to end: dvrsim at full rate into the client's main view (offscreen), in sixteen cells, in
// four and in one, beside the raw single-core full-size decode of the same pictures in the same
// run. The client decodes at the size shown, on decoder threads; each is also measured alone:
// scaled on the user-interface thread ("THREADS=0" in ini/opt.ini), and full size on threads.
//
// dvrsim offers far more pictures than the client can take (1000 a second per camera) and sends
// only what the socket accepts, so the client runs flat out on its core: pictures drawn per
// second, and CPU time per picture (reading, framing, decoding, checking, storing, painting).
// The last part runs the real 16 x 30 pictures/s load and reports the share of one core used.
// BENCH_SCALE=2 runs the view at that device pixel ratio (QT_SCALE_FACTOR): the back store has
// that many device pixels per window pixel, and the pictures are decoded for the device size of
// their cells.
//   bench_live_view [seconds per measurement, default 6]
#include "camera_feed.h"
#include "common/ui_turn_meter.h"
#include "fakes/qt_wait.h"
#include "fakes/simulator_process.h"
#include "fakes/memory_settings_store.h"
#include "fakes/recording_notifier.h"
#include "platform/dvr_socket.h"
#include "platform/file_store.h"
#include "platform/qt_timer_service.h"
#include "platform/qt_ui_wakeup.h"
#include "res/resource.h"
#include "shell/ostrel_view.h"
#include "widgets/skin_button.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <sys/resource.h>
#include <turbojpeg.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <thread>
#include <utility>
#include <vector>

using namespace ostrel;
using ostrel::test::RunEventLoop;
using ostrel::test::WaitUntil;

namespace {

double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}



// Raw TurboJPEG decode of the simulator's pictures of the first nCameras cameras (both fields),
// with the flags the codec uses, into one reused bottom-up BGR buffer: pictures per second of
// CPU time. One camera is what the single view receives, sixteen what the sixteen cells do.
double RawDecodeRate(double dSeconds, int nCameras)
{
    std::vector<std::vector<uint8_t>> jpegs;
    for (int nCamera = 0; nCamera < nCameras; ++nCamera) {
        dvrsim::CCameraFeed feed(nCamera, {});
        for (bool bOdd : {false, true})
            jpegs.push_back(feed.Picture(1796515200000LL + 12345, bOdd));
    }
    tjhandle hDecoder = tjInitDecompress();
    std::vector<uint8_t> pixels(640 * 3 * 240);
    const int nFlags = TJFLAG_BOTTOMUP | TJFLAG_FASTDCT | TJFLAG_FASTUPSAMPLE;
    const double dStart = CpuSeconds();
    uint64_t nPictures = 0;
    while (CpuSeconds() - dStart < dSeconds) {
        for (const auto& jpeg : jpegs) {
            tjDecompress2(hDecoder, jpeg.data(), static_cast<unsigned long>(jpeg.size()), pixels.data(), 640, 640 * 3,
                          240, TJPF_BGR, nFlags);
            ++nPictures;
        }
    }
    const double dRate = static_cast<double>(nPictures) / (CpuSeconds() - dStart);
    tjDestroy(hDecoder);
    return dRate;
}

struct Measurement {
    double dPicturesPerSecond = 0; // drawn, wall clock
    double dCpuPerPicture = 0;     // seconds of the client's CPU, all threads
    double dCoreShare = 0;         // CPU time over wall time
    double dLongestTurnMs = 0;     // longest the user-interface thread was busy at a stretch
};

// How the client decodes.
struct Decoding {
    int nThreads = 0;    // ini/opt.ini THREADS: 0 = on the user-interface thread
    bool bScaled = true; // at the size shown, or full size
};

// A simulator on loopback with the options, and a view connected to it.
class LiveSession {
public:
    LiveSession(const QStringList& options, Decoding decoding) : m_sim(options)
    {
        m_wPort = m_sim.Port();
        m_settings.texts["Host IPAddress"] = "127.0.0.1";
        m_settings.ints["Host Port"] = m_wPort;
        const std::string strDir = m_dir.path().toStdString();
        QDir(m_dir.path()).mkpath(QStringLiteral("ini"));
        std::ofstream(strDir + "/ini/opt.ini") << "[DECODE]\r\nTHREADS=" << decoding.nThreads << "\r\n";
        m_pSession = std::make_unique<CRecorderSession>(
            SessionServices{m_timers, m_sockets, m_files, m_notifier, m_settings, {strDir, strDir}, strDir});
        m_pSession->SetDecodeWakeups(&m_wakeups);
        m_pSession->Link().Pictures().SetScaledDecode(decoding.bScaled);
        m_pView = std::make_unique<COstrelView>(*m_pSession, ViewServices{m_clock, m_timers, nullptr}, nullptr);
        m_pView->OnInitialUpdate();
        m_pView->show();
        QTest::mouseClick(m_pView->SkinButton(IDC_CONNECT), Qt::LeftButton);
        WaitUntil([&] { return m_pView->PicturesDrawn() > 16; }, 15000);
        if (m_pSession->Link().DecodeThreads() != decoding.nThreads)
            std::printf("warning: %d decoder threads, not %d\n", m_pSession->Link().DecodeThreads(), decoding.nThreads);
    }
    ~LiveSession()
    {
        m_pView.reset();
        m_pSession.reset();
    }
    COstrelView& View() { return *m_pView; }

    Measurement Measure(double dSeconds)
    {
        RunEventLoop(1000); // settle
        const uint64_t nStart = m_pView->PicturesDrawn();
        const double dCpu = CpuSeconds();
        QElapsedTimer wall;
        wall.start();
        const bench::UiTurnMeter turns;
        RunEventLoop(static_cast<int>(dSeconds * 1000));
        const double dWall = static_cast<double>(wall.nsecsElapsed()) / 1e9;
        const double dUsed = CpuSeconds() - dCpu;
        const double nPictures = static_cast<double>(m_pView->PicturesDrawn() - nStart);
        return {nPictures / dWall, nPictures > 0 ? dUsed / nPictures : 0, dUsed / dWall,
                turns.LongestMs()};
    }

private:
    QTemporaryDir m_dir;
    test::SimulatorProcess m_sim;
    uint16_t m_wPort = 0;
    CDvrSocketFactory m_sockets;
    LocalFileStore m_files;
    test::RecordingNotifier m_notifier;
    SystemClock m_clock;
    test::MemorySettingsStore m_settings;
    QtTimerFactory m_timers;
    QtUiWakeupFactory m_wakeups;
    std::unique_ptr<CRecorderSession> m_pSession;
    std::unique_ptr<COstrelView> m_pView;
};

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (const char* pszScale = std::getenv("BENCH_SCALE"))
        qputenv("QT_SCALE_FACTOR", pszScale);
    QApplication app(argc, argv);
    const double dSeconds = argc > 1 ? std::max(1.0, std::atof(argv[1])) : 6.0;

    const double dRaw = RawDecodeRate(dSeconds / 2, 16);
    const double dRawFour = RawDecodeRate(dSeconds / 2, 4);
    const double dRawOne = RawDecodeRate(dSeconds / 2, 1);
    std::printf("raw full-size decode (tjDecompress2, same pictures and flags): 16 cameras %.0f, cameras 1-4 %.0f, "
                "camera 1 alone %.0f pictures per CPU second\n", dRaw, dRawFour, dRawOne);
    int nCores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    if (const char* pszThreads = std::getenv("BENCH_THREADS")) // another thread count, for comparison
        nCores = std::max(1, std::atoi(pszThreads));
    std::printf("client decoding: scaled = at the size shown (1/4 in sixteen cells, 1/2 in four, full size in one);"
                " threads = %d decoder threads; device pixel ratio %g\n\n", nCores, qApp->devicePixelRatio());
    std::printf("%-36s %8s %7s %11s %12s %7s %5s %9s\n", "client", "drawn/s", "vs raw", "CPU/picture",
                "pictures/CPUs", "vs raw", "core", "UI turn");

    const Decoding scaledAlone{0, true};
    const Decoding threadsAlone{nCores, false};
    const Decoding both{nCores, true};
    const auto row = [&](const char* pszName, const Measurement& m, double dRawRate) {
        const double dCapacity = m.dCpuPerPicture > 0 ? 1.0 / m.dCpuPerPicture : 0;
        std::printf("%-36s %8.0f %7.2f %8.0f us %12.0f %7.2f %4.0f%% %6.1f ms\n", pszName, m.dPicturesPerSecond,
                    m.dPicturesPerSecond / dRawRate, m.dCpuPerPicture * 1e6, dCapacity, dCapacity / dRawRate,
                    m.dCoreShare * 100, m.dLongestTurnMs);
        std::fflush(stdout);
    };
    // The simulator sends prerendered pictures, so that it costs little beside the client.
    const QStringList flatOut{"--fps", "1000", "--single-fps", "5000", "--scene-fps", "10", "--prerendered", "8"};
    for (const auto& [pszWhat, decoding] :
         {std::pair{"scaled, one thread", scaledAlone}, std::pair{"full size, threads", threadsAlone},
          std::pair{"scaled, threads", both}}) {
        LiveSession session(flatOut, decoding);
        char szName[64];
        std::snprintf(szName, sizeof szName, "16 cells, %s", pszWhat);
        row(szName, session.Measure(dSeconds), dRaw);
        QTest::mouseClick(session.View().SkinButton(IDC_LAYOUT_FIRST + 1), Qt::LeftButton);
        std::snprintf(szName, sizeof szName, "4 cells, %s", pszWhat);
        row(szName, session.Measure(dSeconds), dRawFour);
        QTest::mouseClick(session.View().SkinButton(IDC_LAYOUT_FIRST + 0), Qt::LeftButton);
        std::snprintf(szName, sizeof szName, "1 cell, %s", pszWhat);
        row(szName, session.Measure(dSeconds), dRawOne);
    }
    for (const auto& [pszWhat, decoding] :
         {std::pair{"16 x 30/s, scaled, one thread", scaledAlone}, std::pair{"16 x 30/s, scaled, threads", both}}) {
        LiveSession session({"--fps", "30", "--scene-fps", "10", "--prerendered", "30"}, decoding);
        row(pszWhat, session.Measure(dSeconds), dRaw);
    }
    std::printf("\ntargets: 16 cells >= 2.0 x raw (both), >= 1.0 x (scaled, one thread); 4 cells >= 1.2 x;"
                " 1 cell >= 0.9 x; 16 x 30/s <= 8%% of a core; UI turn <= 16 ms\n");
    return 0;
}
