// End to end: dvrsim at full rate into the client's main view (offscreen), in sixteen cells, in
// four and in one, beside the raw full-size decode of the same pictures in the same run (the
// client itself decodes at the size shown).
//
// dvrsim offers far more pictures than the client can take (1000 a second per camera) and sends
// only what the socket accepts, so the client runs flat out on its core: pictures drawn per
// second, and CPU time per picture (reading, framing, decoding, checking, storing, painting).
// The last part runs the real 16 x 30 pictures/s load and reports the share of one core used.
//   bench_live_view [seconds per measurement, default 6]
#include "camera_feed.h"
#include "fakes/qt_wait.h"
#include "fakes/simulator_process.h"
#include "fakes/memory_settings_store.h"
#include "fakes/recording_notifier.h"
#include "platform/dvr_socket.h"
#include "platform/file_store.h"
#include "platform/qt_timer_service.h"
#include "res/resource.h"
#include "shell/ostrel_view.h"
#include "widgets/skin_button.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <sys/resource.h>
#include <turbojpeg.h>

#include <cstdio>
#include <functional>
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
    double dCpuPerPicture = 0;     // seconds of the client's CPU
    double dCoreShare = 0;         // CPU time over wall time
};

// A simulator on loopback with the options, and a view connected to it.
class LiveSession {
public:
    explicit LiveSession(const QStringList& options) : m_sim(options)
    {
        m_wPort = m_sim.Port();
        m_settings.texts["Host IPAddress"] = "127.0.0.1";
        m_settings.ints["Host Port"] = m_wPort;
        const std::string strDir = m_dir.path().toStdString();
        m_pSession = std::make_unique<CRecorderSession>(
            SessionServices{m_timers, m_sockets, m_files, m_notifier, m_settings, {strDir, strDir}, strDir});
        m_pView = std::make_unique<COstrelView>(*m_pSession, ViewServices{m_clock, m_timers, nullptr}, nullptr);
        m_pView->OnInitialUpdate();
        m_pView->show();
        QTest::mouseClick(m_pView->SkinButton(IDC_CONNECT), Qt::LeftButton);
        WaitUntil([&] { return m_pView->PicturesDrawn() > 16; }, 15000);
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
        RunEventLoop(static_cast<int>(dSeconds * 1000));
        const double dWall = static_cast<double>(wall.nsecsElapsed()) / 1e9;
        const double dUsed = CpuSeconds() - dCpu;
        const double nPictures = static_cast<double>(m_pView->PicturesDrawn() - nStart);
        return {nPictures / dWall, nPictures > 0 ? dUsed / nPictures : 0, dUsed / dWall};
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
    std::unique_ptr<CRecorderSession> m_pSession;
    std::unique_ptr<COstrelView> m_pView;
};

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const double dSeconds = argc > 1 ? std::max(1.0, std::atof(argv[1])) : 6.0;

    const double dRaw = RawDecodeRate(dSeconds / 2, 16);
    const double dRawFour = RawDecodeRate(dSeconds / 2, 4);
    const double dRawOne = RawDecodeRate(dSeconds / 2, 1);
    std::printf("raw full-size decode (tjDecompress2, same pictures and flags): 16 cameras %.0f, cameras 1-4 %.0f, "
                "camera 1 alone %.0f pictures per CPU second\n", dRaw, dRawFour, dRawOne);
    std::printf("the client decodes at the size shown: 1/4 in sixteen cells, 1/2 in four, full size in one\n\n");
    std::printf("%-30s %9s %9s %12s %13s %8s %6s\n", "client", "drawn/s", "vs raw", "CPU/picture", "pictures/CPUs", "vs raw",
                "core");

    Measurement sixteen, four, single, quiet;
    {
        LiveSession session({"--fps", "1000", "--single-fps", "5000", "--scene-fps", "10"});
        sixteen = session.Measure(dSeconds);
        QTest::mouseClick(session.View().SkinButton(IDC_LAYOUT_FIRST + 1), Qt::LeftButton);
        four = session.Measure(dSeconds);
        QTest::mouseClick(session.View().SkinButton(IDC_LAYOUT_FIRST + 0), Qt::LeftButton);
        single = session.Measure(dSeconds);
    }
    {
        LiveSession session({"--fps", "30", "--scene-fps", "10"});
        quiet = session.Measure(dSeconds);
    }
    const auto row = [&](const char* pszName, const Measurement& m, double dRawRate) {
        const double dCapacity = m.dCpuPerPicture > 0 ? 1.0 / m.dCpuPerPicture : 0;
        std::printf("%-30s %9.0f %9.2f %9.0f us %13.0f %8.2f %5.0f%%\n", pszName, m.dPicturesPerSecond,
                    m.dPicturesPerSecond / dRawRate, m.dCpuPerPicture * 1e6, dCapacity, dCapacity / dRawRate,
                    m.dCoreShare * 100);
    };
    row("16 cells, dvrsim full rate", sixteen, dRaw);
    row("4 cells, dvrsim full rate", four, dRawFour);
    row("1 cell, dvrsim full rate", single, dRawOne);
    row("16 cells, dvrsim 16 x 30/s", quiet, dRaw);
    std::printf("\ntargets (one thread, scaled decode): 16 cells >= 1.0 x raw, 1 cell >= 0.6 x raw, "
                "16 x 30/s <= 25%% of a core\n");
    return 0;
}
