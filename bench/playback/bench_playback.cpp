// The archive dialog playing sixteen tiles at its fastest play ("64X"), beside the raw decode of
// the same play pictures and the live view's sixteen cells, all in one run.
//
//  1. dvrsim on loopback, both running: the live view flat out in sixteen cells (as
//     bench_live_view), then the archive opened from the view's button and fast forward at
//     64X on all sixteen channels. dvrsim sends at most 60 play pictures a second per channel
//     and draws and encodes a new scene for each at 64X, so the play figures here are bound by
//     the simulator; pictures per second of the client's CPU say what the client could take.
//  2. The same kind of play pictures, recorded once from dvrsim's cameras, fed to the session's
//     link from memory as fast as the link reads them, the dialog drawing into its tiles and
//     refreshing its window 60 times a second as on the event loop: tiles drawn per second
//     flat out, and C++ allocations per picture once the pools are warm.
//   bench_playback [seconds per measurement, default 6]
#include "archive/archive_dlg.h"
#include "camera_feed.h"
#include "fakes/memory_settings_store.h"
#include "fakes/qt_wait.h"
#include "fakes/recording_notifier.h"
#include "fakes/simulator_process.h"
#include "packet_builder.h"
#include "platform/dvr_socket.h"
#include "platform/file_store.h"
#include "platform/qt_timer_service.h"
#include "res/resource.h"
#include "shell/ostrel_view.h"
#include "widgets/bitmap_button.h"
#include "widgets/calendar_ctrl.h"
#include "widgets/skin_button.h"
#include "widgets/skin_slider.h"

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>
#include <turbojpeg.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <vector>

namespace {

// Counts C++ allocations, so the steady state can be shown to allocate nothing per picture.
std::atomic<uint64_t> g_nAllocations{0};
// True while the measured picture path runs; a debugger can stop on allocations there.
volatile bool g_bInPicturePath = false;

} // namespace

void* operator new(size_t n)
{
    g_nAllocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(n == 0 ? 1 : n))
        return p;
    throw std::bad_alloc();
}

void operator delete(void* p) noexcept
{
    std::free(p);
}

void operator delete(void* p, size_t) noexcept
{
    std::free(p);
}

using namespace ostrel;
using ostrel::test::RunEventLoop;
using ostrel::test::WaitUntil;

namespace {

constexpr const char* kRangeStart = "2024-05-10 08:00:00";
constexpr const char* kRangeEnd = "2024-05-12 08:00:00";
constexpr int kPlayFps = 60;          // dvrsim's most per channel
constexpr int kMomentsPerCamera = 8;  // recorded play pictures per camera
constexpr int kFastestSpeedIndex = 6; // "64X"

double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

int64_t PlayStartMs()
{
    return QDateTime(QDate(2024, 5, 11), QTime(12, 0, 0)).toMSecsSinceEpoch();
}

struct PlayPicture {
    int nChannel = 0;
    int64_t nMomentMs = 0;
    std::vector<uint8_t> jpeg;
};

// dvrsim's play pictures of all sixteen cameras as 64X play at 60 pictures/s meets them: each
// channel's moments about a second of scene time apart, the fields alternating, round robin.
std::vector<PlayPicture> RecordPlayPictures()
{
    std::vector<PlayPicture> pictures;
    std::vector<std::unique_ptr<dvrsim::CCameraFeed>> feeds;
    for (int n = 0; n < 16; ++n)
        feeds.push_back(std::make_unique<dvrsim::CCameraFeed>(n, dvrsim::FeedFormat{}));
    for (int k = 0; k < kMomentsPerCamera; ++k)
        for (int n = 0; n < 16; ++n) {
            const int64_t nMomentMs = PlayStartMs() + k * 64 * 1000 / kPlayFps;
            pictures.push_back({n, nMomentMs, feeds[static_cast<size_t>(n)]->Picture(nMomentMs, k % 2 == 1)});
        }
    return pictures;
}

// Raw TurboJPEG decode of the pictures with the codec's flags into one reused bottom-up BGR
// buffer: pictures per second of CPU time.
double RawDecodeRate(const std::vector<PlayPicture>& pictures, double dSeconds)
{
    tjhandle hDecoder = tjInitDecompress();
    std::vector<uint8_t> pixels(640 * 3 * 240);
    const int nFlags = TJFLAG_BOTTOMUP | TJFLAG_FASTDCT | TJFLAG_FASTUPSAMPLE;
    const double dStart = CpuSeconds();
    uint64_t nPictures = 0;
    while (CpuSeconds() - dStart < dSeconds) {
        for (const PlayPicture& picture : pictures) {
            tjDecompress2(hDecoder, picture.jpeg.data(), static_cast<unsigned long>(picture.jpeg.size()), pixels.data(),
                          640, 640 * 3, 240, TJPF_BGR, nFlags);
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

Measurement Measure(const std::function<uint64_t()>& drawn, double dSeconds)
{
    RunEventLoop(1000); // settle
    const uint64_t nStart = drawn();
    const double dCpu = CpuSeconds();
    QElapsedTimer wall;
    wall.start();
    RunEventLoop(static_cast<int>(dSeconds * 1000));
    const double dWall = static_cast<double>(wall.nsecsElapsed()) / 1e9;
    const double dUsed = CpuSeconds() - dCpu;
    const double nPictures = static_cast<double>(drawn() - nStart);
    return {nPictures / dWall, nPictures > 0 ? dUsed / nPictures : 0, dUsed / dWall};
}

// 1. The live view and then the archive dialog against dvrsim.
void MeasureAgainstDvrsim(double dSeconds, Measurement& live, Measurement& play)
{
    QTemporaryDir dir;
    test::SimulatorProcess sim({"--fps", "1000", "--scene-fps", "10", "--play-fps", QString::number(kPlayFps),
                                "--range-start", kRangeStart, "--range-end", kRangeEnd});
    CDvrSocketFactory sockets;
    LocalFileStore files;
    test::RecordingNotifier notifier;
    SystemClock clock;
    test::MemorySettingsStore settings;
    settings.texts["Host IPAddress"] = "127.0.0.1";
    settings.ints["Host Port"] = sim.Port();
    QtTimerFactory timers;
    const std::string strDir = dir.path().toStdString();
    CRecorderSession session({timers, sockets, files, notifier, settings, {strDir, strDir}, strDir});
    COstrelView view(session, {clock, timers, nullptr}, nullptr);
    CArchiveDlg dlg(session, ArchiveServices{clock, timers, files});
    dlg.Create();
    view.OnInitialUpdate();
    view.show();
    QTest::mouseClick(view.SkinButton(IDC_CONNECT), Qt::LeftButton);
    if (!WaitUntil([&] { return view.PicturesDrawn() > 16; }, 15000)) {
        std::printf("no live pictures from dvrsim\n");
        return;
    }
    live = Measure([&] { return view.PicturesDrawn(); }, dSeconds);

    QTest::mouseClick(view.PushButton(IDC_ARCHIVE), Qt::LeftButton);
    WaitUntil([&] { return dlg.isVisible() && dlg.Player().Range().m_bRangeKnown; }, 10000);
    session.Settings().byRequestSpeed = kFastestSpeedIndex;
    dlg.Calendar()->SetDate(2024, 5, 11);
    dlg.Slider()->SetPosition(12 * 3600);
    Q_EMIT dlg.Slider()->HScroll(CSkinSlider::SB_THUMBTRACK, dlg.Slider()->ThumbX());
    QTest::mouseClick(dlg.SkinButton(IDC_FAST_FORWARD), Qt::LeftButton);
    if (!WaitUntil([&] { return dlg.PicturesDrawn() > 16; }, 15000)) {
        std::printf("no play pictures from dvrsim\n");
        return;
    }
    play = Measure([&] { return dlg.PicturesDrawn(); }, dSeconds);
    QTest::mouseClick(dlg.SkinButton(IDC_STOP), Qt::LeftButton);
    RunEventLoop(200);
}

// A socket that serves the head once (the recorded range) and then the recorded play packets
// round and round, in reads of the link's full size.
class RecordedPlaySocket final : public StreamSocket {
public:
    RecordedPlaySocket(const std::vector<uint8_t>& head, const std::vector<uint8_t>& loop) : m_rHead(head), m_rLoop(loop) {}

    bool Connect(const std::string&, uint16_t) override { return true; }
    void SetNoDelay() override {}
    int Send(const uint8_t*, size_t nBytes) override { return static_cast<int>(nBytes); }
    size_t UnsentBytes() const override { return 0; }
    ConnectFailure Failure() const override { return ConnectFailure::None; }
    int Receive(uint8_t* pData, size_t nMax) override
    {
        const std::vector<uint8_t>& from = m_nHeadPos < m_rHead.size() ? m_rHead : m_rLoop;
        size_t& nPos = &from == &m_rHead ? m_nHeadPos : m_nLoopPos;
        const size_t n = std::min(nMax, from.size() - nPos);
        std::memcpy(pData, from.data() + nPos, n);
        nPos += n;
        if (&from == &m_rLoop && m_nLoopPos == m_rLoop.size())
            m_nLoopPos = 0;
        return static_cast<int>(n);
    }
    void ShutdownAndClose() override {}

private:
    const std::vector<uint8_t>& m_rHead;
    const std::vector<uint8_t>& m_rLoop;
    size_t m_nHeadPos = 0;
    size_t m_nLoopPos = 0;
};

class RecordedPlayFactory final : public SocketFactory {
public:
    RecordedPlayFactory(const std::vector<uint8_t>& head, const std::vector<uint8_t>& loop) : m_rHead(head), m_rLoop(loop) {}
    std::unique_ptr<StreamSocket> Create(StreamSocketEvents&) override
    {
        return std::make_unique<RecordedPlaySocket>(m_rHead, m_rLoop);
    }

private:
    const std::vector<uint8_t>& m_rHead;
    const std::vector<uint8_t>& m_rLoop;
};

struct FlatOut {
    double dPicturesPerSecond = 0; // drawn, wall clock
    double dCpuPerPicture = 0;
    double dCoreShare = 0;         // CPU time over wall time (below 1 when others take the core)
    double dAllocsPerPicture = 0;  // reading, decoding and handing pictures to their tiles
    double dAllocsPerRefresh = 0;  // a window refresh on the event loop (60 a second)
};

// 2. The recorded play pictures through the session's link into the dialog, flat out.
FlatOut MeasureRecordedStream(const std::vector<PlayPicture>& pictures, double dSeconds)
{
    const dvrsim::CPacketBuilder builder;
    const int64_t nStart = QDateTime::fromString(QString::fromLatin1(kRangeStart), QStringLiteral("yyyy-MM-dd HH:mm:ss")).toSecsSinceEpoch();
    const int64_t nEnd = QDateTime::fromString(QString::fromLatin1(kRangeEnd), QStringLiteral("yyyy-MM-dd HH:mm:ss")).toSecsSinceEpoch();
    std::vector<uint8_t> head;
    builder.AppendStatusReply(head, dvrsim::RecordedRange{nStart, nEnd});
    std::vector<uint8_t> loop;
    for (const PlayPicture& picture : pictures)
        builder.AppendPlayImage(loop, picture.nChannel, picture.nMomentMs / 1000, 500000, picture.jpeg.data(),
                                picture.jpeg.size());

    QTemporaryDir dir;
    RecordedPlayFactory sockets(head, loop);
    LocalFileStore files;
    test::RecordingNotifier notifier;
    SystemClock clock;
    test::MemorySettingsStore settings;
    QtTimerFactory timers;
    const std::string strDir = dir.path().toStdString();
    CRecorderSession session({timers, sockets, files, notifier, settings, {strDir, strDir}, strDir});
    CArchiveDlg dlg(session, ArchiveServices{clock, timers, files});
    dlg.Create();
    session.Settings().byRequestSpeed = kFastestSpeedIndex;
    session.Connect();
    static_cast<StreamSocketEvents&>(session.Link()).OnSocketConnected(true);
    static_cast<StreamSocketEvents&>(session.Link()).OnSocketReadable(); // the recorded range
    session.ShowArchive(true);
    dlg.Calendar()->SetDate(2024, 5, 11);
    dlg.Player().OnSliderMoved(12 * 3600);
    dlg.Player().OnPlayControl(PLAY_FAST_FORWARD);

    // Reads for a sixtieth of a second, then lets the event loop refresh the window.
    uint64_t nReadAllocs = 0, nRefreshAllocs = 0, nRefreshes = 0;
    bool bSteady = false;
    const auto run = [&](double dFor) {
        QElapsedTimer wall;
        wall.start();
        while (static_cast<double>(wall.nsecsElapsed()) / 1e9 < dFor) {
            QElapsedTimer slice;
            slice.start();
            const uint64_t nBefore = g_nAllocations.load();
            g_bInPicturePath = bSteady;
            while (slice.nsecsElapsed() < 1000000000LL / CArchiveDlg::kRefreshPerSecond)
                static_cast<StreamSocketEvents&>(session.Link()).OnSocketReadable();
            g_bInPicturePath = false;
            const uint64_t nMiddle = g_nAllocations.load();
            QCoreApplication::processEvents();
            nReadAllocs += nMiddle - nBefore;
            nRefreshAllocs += g_nAllocations.load() - nMiddle;
            ++nRefreshes;
        }
    };
    run(1.5); // warm-up: pools, buffers, the window's first paints
    nReadAllocs = nRefreshAllocs = nRefreshes = 0;
    bSteady = true;
    const uint64_t nDrawnBefore = dlg.PicturesDrawn();
    const double dCpu = CpuSeconds();
    QElapsedTimer wall;
    wall.start();
    run(dSeconds);
    const double dWall = static_cast<double>(wall.nsecsElapsed()) / 1e9;
    const double nDrawn = static_cast<double>(dlg.PicturesDrawn() - nDrawnBefore);
    FlatOut result;
    result.dPicturesPerSecond = nDrawn / dWall;
    const double dUsed = CpuSeconds() - dCpu;
    result.dCpuPerPicture = nDrawn > 0 ? dUsed / nDrawn : 0;
    result.dCoreShare = dUsed / dWall;
    result.dAllocsPerPicture = nDrawn > 0 ? static_cast<double>(nReadAllocs) / nDrawn : 0;
    result.dAllocsPerRefresh = nRefreshes > 0 ? static_cast<double>(nRefreshAllocs) / static_cast<double>(nRefreshes) : 0;
    dlg.Player().OnPlayControl(PLAY_STOP);
    return result;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const double dSeconds = argc > 1 ? std::max(1.0, std::atof(argv[1])) : 6.0;

    const std::vector<PlayPicture> pictures = RecordPlayPictures();
    const double dRaw = RawDecodeRate(pictures, dSeconds / 2);
    std::printf("raw decode (tjDecompress2, the same play pictures and flags): %.0f pictures per CPU second\n\n", dRaw);

    // "recorded" as the second argument leaves dvrsim out.
    const bool bRecordedOnly = argc > 2 && std::strcmp(argv[2], "recorded") == 0;
    Measurement live, play;
    if (!bRecordedOnly)
        MeasureAgainstDvrsim(dSeconds, live, play);
    const FlatOut flat = MeasureRecordedStream(pictures, dSeconds);

    std::printf("%-42s %9s %9s %12s %13s %8s %6s\n", "client", "drawn/s", "vs raw", "CPU/picture", "pictures/CPUs",
                "vs raw", "core");
    const auto row = [&](const char* pszName, double dDrawn, double dCpuPerPicture, double dCore) {
        const double dCapacity = dCpuPerPicture > 0 ? 1.0 / dCpuPerPicture : 0;
        std::printf("%-42s %9.0f %9.2f %9.0f us %13.0f %8.2f %5.0f%%\n", pszName, dDrawn, dDrawn / dRaw,
                    dCpuPerPicture * 1e6, dCapacity, dCapacity / dRaw, dCore * 100);
    };
    row("live view, 16 cells, dvrsim flat out", live.dPicturesPerSecond, live.dCpuPerPicture, live.dCoreShare);
    row("archive, 16 tiles, dvrsim 64X, 16 x 60/s", play.dPicturesPerSecond, play.dCpuPerPicture, play.dCoreShare);
    row("archive, 16 tiles, recorded 64X, flat out", flat.dPicturesPerSecond, flat.dCpuPerPicture, flat.dCoreShare);
    std::printf("\nallocations in steady state, recorded stream: %.3f per picture (link, decode, tiles), "
                "%.1f per window refresh (event loop, paint)\n", flat.dAllocsPerPicture, flat.dAllocsPerRefresh);
    return 0;
}
