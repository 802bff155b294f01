// End to end: dvrsim at full rate into the client's main view (offscreen), in sixteen cells, in
// four and in one, beside the raw single-core full-size decode of the same pictures in the same
// run. The client decodes at the size shown, on decoder threads; each is also measured alone:
// scaled on the user-interface thread ("THREADS=0" in ini/opt.ini), and full size on threads.
//
// dvrsim offers far more pictures than the client can take (5000 a second per camera) and sends
// only what the socket accepts, so the client runs flat out on its core: pictures drawn per
// second, and CPU time per picture (reading, framing, decoding, checking, storing, painting).
// The last part runs the real 16 x 30 pictures/s load and reports the share of one core used.
// Beside them, the decode floor (the codec's own 1/4 decode of the sixteen cameras' pictures,
// on one core, nothing else) and ffmpeg's reduced-resolution decode of the same pictures.
// BENCH_ROWS=TEXT runs only the rows whose name contains TEXT (for a profiler), "flat" the
// flat-out rows. BENCH_NO_REFERENCE=1 leaves the raw, floor and ffmpeg rows out (for a profiler).
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
#include "link/image_codec.h"
#include "link/picture_scale.h"
#include "platform/dvr_socket.h"
#include "platform/file_store.h"
#include "platform/qt_timer_service.h"
#include "platform/qt_ui_wakeup.h"
#include "res/resource.h"
#include "session/view_settings.h"
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
#include <unistd.h>
#include <turbojpeg.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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



// The simulator's pictures of the first nCameras cameras, both fields of each.
std::vector<std::vector<uint8_t>> CameraPictures(int nCameras)
{
    std::vector<std::vector<uint8_t>> jpegs;
    for (int nCamera = 0; nCamera < nCameras; ++nCamera) {
        dvrsim::CCameraFeed feed(nCamera, {});
        for (bool bOdd : {false, true})
            jpegs.push_back(feed.Picture(1796515200000LL + 12345, bOdd));
    }
    return jpegs;
}

// Pictures per CPU second of fnDecode over the pictures, in rounds, for about dSeconds.
template <typename Decode>
double DecodeRate(double dSeconds, const std::vector<std::vector<uint8_t>>& jpegs, Decode fnDecode)
{
    const double dStart = CpuSeconds();
    uint64_t nPictures = 0;
    while (CpuSeconds() - dStart < dSeconds) {
        for (const auto& jpeg : jpegs) {
            fnDecode(jpeg);
            ++nPictures;
        }
    }
    return static_cast<double>(nPictures) / (CpuSeconds() - dStart);
}

// Raw TurboJPEG full-size decode of the first nCameras cameras' pictures, with the flags the
// codec uses, into one reused bottom-up BGR buffer. One camera is what the single view
// receives, sixteen what the sixteen cells do.
double RawDecodeRate(double dSeconds, int nCameras)
{
    tjhandle hDecoder = tjInitDecompress();
    std::vector<uint8_t> pixels(640 * 3 * 240);
    const int nFlags = TJFLAG_BOTTOMUP | TJFLAG_FASTDCT | TJFLAG_FASTUPSAMPLE;
    const double dRate = DecodeRate(dSeconds, CameraPictures(nCameras), [&](const std::vector<uint8_t>& jpeg) {
        tjDecompress2(hDecoder, jpeg.data(), static_cast<unsigned long>(jpeg.size()), pixels.data(), 640, 640 * 3,
                      240, TJPF_BGR, nFlags);
    });
    tjDestroy(hDecoder);
    return dRate;
}

// The codec's decode of the sixteen cameras' pictures for a sixteen-cell cell on nThreads
// threads at once: pictures a wall-clock second, all together. The most the client's decoder
// threads can reach flat out: the cores of a machine share more than they show when all are
// busy (caches, memory bandwidth, a host's hyperthreads).
double FloorRateTogether(double dSeconds, int nThreads, const ShownSize& cell)
{
    const auto jpegs = CameraPictures(16);
    std::atomic<uint64_t> nTotal{0};
    const auto start = std::chrono::steady_clock::now();
    const auto deadline = start + std::chrono::duration<double>(dSeconds);
    std::vector<std::thread> threads;
    for (int i = 0; i < nThreads; ++i)
        threads.emplace_back([&] {
            CImageCodec codec;
            uint64_t nPictures = 0;
            while (std::chrono::steady_clock::now() < deadline)
                for (const auto& jpeg : jpegs) {
                    codec.Decode(jpeg.data(), jpeg.size(), false, cell);
                    ++nPictures;
                }
            nTotal += nPictures;
        });
    for (auto& thread : threads)
        thread.join();
    const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - start;
    return static_cast<double>(nTotal) / wall.count();
}

// The decode floor: the codec's own decode of the sixteen cameras' pictures for a sixteen-cell
// cell (1/4, the code band included), on this thread, nothing else.
double DecodeFloorRate(double dSeconds, const ShownSize& cell)
{
    CImageCodec codec;
    return DecodeRate(dSeconds, CameraPictures(16), [&](const std::vector<uint8_t>& jpeg) {
        codec.Decode(jpeg.data(), jpeg.size(), false, cell);
    });
}

// The floor at the live pace: four pictures every 8.3 ms (sixteen cameras at 30 a second, as
// the client gathers them), the thread asleep in between. A core that sleeps between short
// bursts runs them slower than a busy one (cold caches, lower clock): this is the floor the real
// load can reach, CPU seconds per picture.
double PacedFloorCpuPerPicture(double dSeconds, const ShownSize& cell)
{
    CImageCodec codec;
    const auto jpegs = CameraPictures(16);
    const double dStart = CpuSeconds();
    const auto wallStart = std::chrono::steady_clock::now();
    uint64_t nPictures = 0;
    while (std::chrono::steady_clock::now() - wallStart < std::chrono::duration<double>(dSeconds)) {
        for (int i = 0; i < 4; ++i) {
            const auto& jpeg = jpegs[nPictures % jpegs.size()];
            codec.Decode(jpeg.data(), jpeg.size(), false, cell);
            ++nPictures;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(8333));
    }
    return (CpuSeconds() - dStart) / static_cast<double>(nPictures);
}

double ChildCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// ffmpeg's Motion JPEG decoder on one thread at a quarter of the size (-lowres 2) over the
// sixteen cameras' pictures: CPU seconds per picture, its start-up taken out (a run of 3200
// pictures less one of 32), best of three. pszOutput: what follows the input on its command line.
double FfmpegLowresCpuPerPicture(const char* pszOutput)
{
    const auto jpegs = CameraPictures(16);
    const std::string strBase = "/tmp/ostrel_live_view_" + std::to_string(getpid());
    const auto write = [&](size_t nPictures, const char* pszName) {
        const std::string strFile = strBase + pszName;
        std::ofstream out(strFile, std::ios::binary | std::ios::trunc);
        for (size_t i = 0; i < nPictures; ++i)
            out.write(reinterpret_cast<const char*>(jpegs[i % jpegs.size()].data()),
                      static_cast<std::streamsize>(jpegs[i % jpegs.size()].size()));
        return strFile;
    };
    constexpr size_t kLong = 3200;
    constexpr size_t kShort = 32;
    const std::string strLong = write(kLong, "_long.mjpeg");
    const std::string strShort = write(kShort, "_short.mjpeg");
    const auto run = [&](const std::string& strFile) {
        const std::string strCommand = "ffmpeg -hide_banner -loglevel error -nostdin -threads 1 -lowres 2 -f mjpeg -i '"
            + strFile + "' " + pszOutput + " -f null - ";
        const double dBefore = ChildCpuSeconds();
        return std::system(strCommand.c_str()) == 0 ? ChildCpuSeconds() - dBefore : -1.0;
    };
    double dBest = 1e9;
    for (int i = 0; i < 3; ++i) {
        const double dLong = run(strLong);
        const double dShort = run(strShort);
        if (dLong < 0 || dShort < 0) {
            dBest = -1.0;
            break;
        }
        dBest = std::min(dBest, (dLong - dShort) / static_cast<double>(kLong - kShort));
    }
    std::remove(strLong.c_str());
    std::remove(strShort.c_str());
    return dBest;
}

struct Measurement {
    double dPicturesPerSecond = 0; // drawn, wall clock
    double dCpuPerPicture = 0;     // seconds of the client's CPU, all threads
    double dCoreShare = 0;         // CPU time over wall time
    double dLongestTurnMs = 0;     // longest the user-interface thread was busy at a stretch
    double dDroppedPerSecond = 0;  // read, then dropped unseen for a newer picture of the channel
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
        WaitUntil([&] { return m_pView->PicturesShown() > 16; }, 15000);
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
        const uint64_t nStart = m_pView->PicturesShown();
        const uint64_t nDroppedBefore = m_pSession->Link().Pictures().DroppedUnseen();
        const double dCpu = CpuSeconds();
        QElapsedTimer wall;
        wall.start();
        const bench::UiTurnMeter turns;
        RunEventLoop(static_cast<int>(dSeconds * 1000));
        const double dWall = static_cast<double>(wall.nsecsElapsed()) / 1e9;
        const double dUsed = CpuSeconds() - dCpu;
        const double nPictures = static_cast<double>(m_pView->PicturesShown() - nStart);
        const double nDropped = static_cast<double>(m_pSession->Link().Pictures().DroppedUnseen() - nDroppedBefore);
        return {nPictures / dWall, nPictures > 0 ? dUsed / nPictures : 0, dUsed / dWall, turns.LongestMs(),
                nDropped / dWall};
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
    bench::TimedApplication app(argc, argv);
    const double dSeconds = argc > 1 ? std::max(1.0, std::atof(argv[1])) : 6.0;

    const char* pszRows = std::getenv("BENCH_ROWS");
    const auto wanted = [pszRows](const std::string& strRow) {
        if (!pszRows)
            return true;
        if (std::strcmp(pszRows, "flat") == 0)
            return strRow.find(" x 30/s") == std::string::npos;
        return strRow.find(pszRows) != std::string::npos;
    };

    const bool bReference = std::getenv("BENCH_NO_REFERENCE") == nullptr;
    const double dReferenceSeconds = bReference ? dSeconds / 2 : 0.01;
    const double dRaw = RawDecodeRate(dReferenceSeconds, 16);
    const double dRawFour = RawDecodeRate(dReferenceSeconds, 4);
    const double dRawOne = RawDecodeRate(dReferenceSeconds, 1);
    std::printf("raw full-size decode (tjDecompress2, same pictures and flags): 16 cameras %.0f, cameras 1-4 %.0f, "
                "camera 1 alone %.0f pictures per CPU second\n", dRaw, dRawFour, dRawOne);
    // A sixteen-cell cell at this device pixel ratio: 159 x 119 window pixels.
    const double dRatio = qApp->devicePixelRatio();
    const ShownSize cell{static_cast<int>(159 * dRatio), static_cast<int>(119 * dRatio)};
    const double dFloor = DecodeFloorRate(dReferenceSeconds, cell);
    std::printf("decode floor (the codec's 1/%d decode alone, one core): %.0f us per picture\n",
                ChooseScaleDenominator(640, 240, cell), 1e6 / dFloor);
    const int nMachineCores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    const double dFloorTogether = bReference ? FloorRateTogether(dReferenceSeconds, nMachineCores, cell) : 0.0;
    std::printf("decode floor on all %d cores at once: %.0f pictures a second, %.2f x raw, %.2f x one core's floor\n",
                nMachineCores, dFloorTogether, dFloorTogether / dRaw, dFloorTogether / dFloor);
    const double dPacedFloor = bReference ? PacedFloorCpuPerPicture(dReferenceSeconds, cell) : 0.0;
    std::printf("decode floor at the live pace (4 pictures every 8.3 ms, asleep between): %.0f us per picture\n",
                dPacedFloor * 1e6);
    const double dPeerYuv = bReference ? FfmpegLowresCpuPerPicture("") : 0.0;
    const double dPeerBgr = bReference ? FfmpegLowresCpuPerPicture("-pix_fmt bgr24") : 0.0;
    std::printf("ffmpeg peer (-lowres 2, one thread): %.0f us per picture to its own YUV, %.0f us to bgr24\n",
                dPeerYuv * 1e6, dPeerBgr * 1e6);
    // The client's default for this machine, as with no opt.ini.
    const QTemporaryDir noIni;
    int nThreads = ReadDecodeThreads(nMachineCores, noIni.path().toStdString() + "/opt.ini");
    if (const char* pszThreads = std::getenv("BENCH_THREADS")) // another thread count, for comparison
        nThreads = std::max(1, std::atoi(pszThreads));
    std::printf("client decoding: scaled = at the size shown (1/4 in sixteen cells, 1/2 in four, full size in one);"
                " threads = the default: %d decoder thread(s), the user-interface thread helping; device pixel ratio %g\n", nThreads, dRatio);
    std::printf("drawn/s: pictures handed to a visible cell a second (at most 60 a second per cell reach the screen)\n\n");
    std::printf("%-36s %8s %7s %11s %12s %7s %5s %9s %9s\n", "client", "drawn/s", "vs raw", "CPU/picture",
                "pictures/CPUs", "vs raw", "core", "UI turn", "dropped/s");

    const Decoding scaledAlone{0, true};
    const Decoding threadsAlone{nThreads, false};
    const Decoding both{nThreads, true};
    const auto row = [&](const char* pszName, const Measurement& m, double dRawRate) {
        const double dCapacity = m.dCpuPerPicture > 0 ? 1.0 / m.dCpuPerPicture : 0;
        std::printf("%-36s %8.0f %7.2f %8.0f us %12.0f %7.2f %4.0f%% %6.1f ms %9.0f\n", pszName,
                    m.dPicturesPerSecond, m.dPicturesPerSecond / dRawRate, m.dCpuPerPicture * 1e6, dCapacity,
                    dCapacity / dRawRate, m.dCoreShare * 100, m.dLongestTurnMs, m.dDroppedPerSecond);
        std::fflush(stdout);
    };
    // The simulator sends prerendered pictures, so that it costs little beside the client.
    const QStringList flatOut{"--fps", "5000", "--single-fps", "16000", "--scene-fps", "10", "--prerendered", "8"};
    for (const auto& [pszWhat, decoding] :
         {std::pair{"scaled, one thread", scaledAlone}, std::pair{"full size, threads", threadsAlone},
          std::pair{"scaled, threads", both}}) {
        const std::string strSixteen = std::string("16 cells, ") + pszWhat;
        const std::string strFour = std::string("4 cells, ") + pszWhat;
        const std::string strOne = std::string("1 cell, ") + pszWhat;
        if (!wanted(strSixteen) && !wanted(strFour) && !wanted(strOne))
            continue;
        LiveSession session(flatOut, decoding);
        if (wanted(strSixteen)) {
            const Measurement m = session.Measure(dSeconds);
            row(strSixteen.c_str(), m, dRaw);
            if (decoding.nThreads > 0 && dFloorTogether > 0)
                std::printf("%-36s %.2f x the decode floor on all cores at once\n", "",
                            m.dPicturesPerSecond / dFloorTogether);
        }
        QTest::mouseClick(session.View().SkinButton(IDC_LAYOUT_FIRST + 1), Qt::LeftButton);
        if (wanted(strFour))
            row(strFour.c_str(), session.Measure(dSeconds), dRawFour);
        QTest::mouseClick(session.View().SkinButton(IDC_LAYOUT_FIRST + 0), Qt::LeftButton);
        if (wanted(strOne))
            row(strOne.c_str(), session.Measure(dSeconds), dRawOne);
    }
    // The two real-load rows do the same work unless a backlog builds, so they are measured in
    // turns (one thread, threads, threads, one thread; half the time each), which keeps a drift of
    // this machine's speed out of the comparison.
    const std::pair<const char*, Decoding> realLoad[] = {{"16 x 30/s, scaled, one thread", scaledAlone},
                                                         {"16 x 30/s, scaled, threads", both}};
    Measurement halves[2][2];
    int nHalvesDone[2] = {0, 0};
    for (const int nTurn : {0, 1, 1, 0}) {
        if (!wanted(realLoad[nTurn].first))
            continue;
        LiveSession session({"--fps", "30", "--scene-fps", "10", "--prerendered", "30"}, realLoad[nTurn].second);
        halves[nTurn][nHalvesDone[nTurn]++] = session.Measure(dSeconds / 2);
    }
    for (int nTurn : {0, 1}) {
        if (!wanted(realLoad[nTurn].first))
            continue;
        const Measurement& a = halves[nTurn][0];
        const Measurement& b = halves[nTurn][1];
        const Measurement m{(a.dPicturesPerSecond + b.dPicturesPerSecond) / 2, (a.dCpuPerPicture + b.dCpuPerPicture) / 2,
                            (a.dCoreShare + b.dCoreShare) / 2, std::max(a.dLongestTurnMs, b.dLongestTurnMs),
                            (a.dDroppedPerSecond + b.dDroppedPerSecond) / 2};
        row(realLoad[nTurn].first, m, dRaw);
        std::printf("%-36s %.2f x the decode floor (%.2f x at the live pace), %.2f x the ffmpeg peer (to bgr24)\n", "",
                    m.dCpuPerPicture * dFloor, dPacedFloor > 0 ? m.dCpuPerPicture / dPacedFloor : 0.0,
                    dPeerBgr > 0 ? m.dCpuPerPicture / dPeerBgr : 0.0);
        std::fflush(stdout);
    }
    std::printf("\ntargets: 16 x 30/s (threads) <= 1.15 x the decode floor and <= the ffmpeg peer; flat out"
                " (threads): 16 cells >= 2.0 x raw, 4 cells >= 1.3 x, 1 cell >= 0.95 x; threads never worse than"
                " one thread; UI turn < 16 ms\n");
    return 0;
}
