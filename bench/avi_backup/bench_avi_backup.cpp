// The backup at a steady capture rate: what a capture costs the user-interface thread, the
// longest the user-interface thread is held by anything the backup does while files are
// written, whether the saving thread keeps up, what it costs per capture and how large the
// files grow.
//
//   bench_avi_backup [seconds] [captures per second] [raw|mjpeg|mp4] [record interval index]
//
// BENCH_KEEP=1 keeps the files (their folder is printed) to look at or compare.
//
// The user-interface thread is this program's main loop: every 1/rate seconds it captures a
// 640 x 480 play area out of a window-sized image (as the dialog does from its back store),
// advances the backup's clock by the same time (its 3-second interval ends, a file is finished
// while captures go on into the next) and delivers the saving thread's reports. The play area
// shows sixteen tiles of the simulator's cameras playing at 64 times their speed, labelled as
// the archive labels them; the pictures are drawn before the clock starts.
#include "backup/avi_backup.h"
#include "backup/backup_file_maker.h"

#include "fakes/fake_clock.h"
#include "fakes/fake_folder_opener.h"
#include "fakes/fake_ui_poster.h"
#include "platform/file_store.h"
#include "scene_painter.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

using namespace ostrel;
using WallClock = std::chrono::steady_clock;

namespace {

constexpr int kWindowWidth = 954;
constexpr int kWindowHeight = 687;

double CpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

constexpr int kPlayX = 62, kPlayY = 22;
constexpr int kPlayedSpeed = 64;
constexpr int kDistinctPictures = 240; // drawn beforehand, then shown again in turn

// Play area i of a run at nRate captures a second: the sixteen cameras at the moment 64 times
// i / nRate seconds in, each scene's 640 x 224 canvas in a 160 x 120 tile with its white frame,
// and the camera's label in red at the tile's top left.
QImage PlayArea(int i, int nRate)
{
    QImage area(CAviBackup::kFrameWidth, CAviBackup::kFrameHeight, QImage::Format_RGB32);
    area.fill(Qt::black);
    const int64_t nMomentMs = 36'000'000 + static_cast<int64_t>(i) * 1000 * kPlayedSpeed / nRate;
    QPainter painter(&area);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    for (int nCamera = 0; nCamera < dvrsim::CScenePainter::kCameraCount; ++nCamera) {
        QImage scene(352, 240, QImage::Format_RGB32);
        scene.fill(Qt::black);
        dvrsim::CScenePainter::Paint(scene, nCamera, nMomentMs);
        const QRect tile(nCamera % 4 * 160, nCamera / 4 * 120, 160, 120);
        painter.drawImage(tile.adjusted(1, 1, -1, -1), scene, QRect(3, 16, 338, 213));
        painter.setPen(Qt::white);
        painter.drawRect(tile.adjusted(0, 0, -1, -1));
        painter.setPen(Qt::red);
        painter.drawText(tile.adjusted(4, 3, 0, 0), Qt::AlignLeft | Qt::AlignTop, QStringLiteral("CAM%1").arg(nCamera + 1));
    }
    return area;
}

// A window whose play area shows the next of the pictures drawn beforehand at each capture.
class BenchView final : public BackupView {
public:
    explicit BenchView(int nRate)
    {
        for (int i = 0; i < kDistinctPictures; ++i)
            m_windows.push_back(PlayArea(i, nRate));
    }
    void ShowBackupStatus(const std::string&) override {}
    void SetBackupLit(bool) override {}
    void ShowBackupMessage(const std::string&) override { ++nMessages; }
    bool CapturePlayArea(uint8_t* pDst, int nStrideBytes) override
    {
        // The dialog copies from its window-sized back store; so does this, from the same
        // offsets, to keep the cost of the copy.
        const QImage& area = m_windows[static_cast<size_t>(m_nFrame++ % kDistinctPictures)];
        for (int y = 0; y < CAviBackup::kFrameHeight; ++y)
            std::memcpy(pDst + static_cast<size_t>(y) * static_cast<size_t>(nStrideBytes), area.constScanLine(y),
                        CAviBackup::kFrameStride);
        return true;
    }
    std::string StampText() override { return "bench-" + std::to_string(m_nFrame); }
    std::string RecordFolder() override { return strFolder; }

    std::string strFolder;
    int nMessages = 0;

private:
    std::vector<QImage> m_windows;
    int m_nFrame = 0;
};

} // namespace

int main(int argc, char** argv)
{
    const double dSeconds = argc > 1 ? std::atof(argv[1]) : 12.0;
    const int nRate = argc > 2 ? std::max(1, std::atoi(argv[2])) : 30;
    const std::string strCodec = argc > 3 ? argv[3] : "raw";
    const BackupCodec codec = strCodec == "mjpeg" ? BackupCodec::Mjpeg : strCodec == "mp4" ? BackupCodec::Mp4 : BackupCodec::Raw;
    const int nInterval = argc > 4 ? std::atoi(argv[4]) : 0; // 0: 3-second files
    const char* pszCodec = codec == BackupCodec::Mjpeg ? "Motion JPEG" : codec == BackupCodec::Mp4 ? "MP4 (H.264)" : "uncompressed";
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv); // fonts for the scenes' and the labels' text
    const std::string strFolder =
        (std::filesystem::temp_directory_path() / ("ostrel-bench-avi-" + std::to_string(::getpid()))).string();

    test::FakeClock clock;
    test::FakeTimerFactory timers{clock};
    test::FakeUiPoster poster;
    LocalFileStore files;
    CBackupFileMaker maker(files);
    maker.SetCodec(codec);
    test::FakeFolderOpener folders;
    BenchView view(nRate);
    view.strFolder = strFolder;

    double dCaptureTotal = 0, dCaptureMax = 0, dUiMax = 0;
    int nCaptures = 0;
    uint64_t nDropped = 0;
    const double dCpuStart = CpuSeconds();
    const auto tStart = WallClock::now();
    {
        CAviBackup backup(CAviBackup::Services{timers, clock, poster, maker, &folders, strFolder}, view);
        backup.Toggle(PlayState::Playing(false), nInterval);
        const auto period = std::chrono::microseconds(1000000 / nRate);
        auto tNext = WallClock::now();
        while (WallClock::now() - tStart < std::chrono::duration<double>(dSeconds)) {
            tNext += period;
            std::this_thread::sleep_until(tNext);
            // One turn of the user-interface thread: a picture drawn and captured, the time
            // passing (an interval may end), the saving thread's reports.
            const auto t0 = WallClock::now();
            backup.OnPictureDrawn();
            backup.Capture();
            const auto t1 = WallClock::now();
            clock.Advance(1000 / nRate);
            poster.RunPending();
            const auto t2 = WallClock::now();
            const double dCapture = std::chrono::duration<double, std::milli>(t1 - t0).count();
            dCaptureTotal += dCapture;
            dCaptureMax = std::max(dCaptureMax, dCapture);
            dUiMax = std::max(dUiMax, std::chrono::duration<double, std::milli>(t2 - t0).count());
            ++nCaptures;
        }
        backup.Stop();
        backup.WaitForSavingThread();
        poster.RunPending();
        nDropped = backup.CapturesDropped();
    }
    const double dWall = std::chrono::duration<double>(WallClock::now() - tStart).count();
    const double dCpu = CpuSeconds() - dCpuStart;

    uint64_t nBytes = 0;
    int nFiles = 0;
    for (const auto& entry : std::filesystem::directory_iterator(strFolder)) {
        nBytes += entry.file_size();
        ++nFiles;
    }
    if (std::getenv("BENCH_KEEP"))
        std::printf("files kept in %s\n", strFolder.c_str());
    else
        std::filesystem::remove_all(strFolder);

    std::printf("backup, %s, %d captures a second for %.1f s (%d-second files)\n", pszCodec, nRate, dWall,
                RecordIntervalMs(nInterval) / 1000);
    std::printf("captures %d, dropped %llu, files %d, %.1f MB written, %.1f MB a minute\n", nCaptures,
                static_cast<unsigned long long>(nDropped), nFiles, static_cast<double>(nBytes) / 1e6,
                static_cast<double>(nBytes) / 1e6 * 60.0 * nRate / std::max(1, nCaptures));
    std::printf("capture on the user-interface thread: %.3f ms mean, %.3f ms longest\n",
                dCaptureTotal / std::max(1, nCaptures), dCaptureMax);
    std::printf("longest user-interface turn (capture, timer, reports): %.3f ms\n", dUiMax);
    std::printf("process CPU: %.2f s for %.1f s, %.2f ms per capture, %.0f %% of one core\n", dCpu, dWall,
                1000.0 * dCpu / std::max(1, nCaptures), 100.0 * dCpu / dWall);
    return nDropped == 0 ? 0 : 1;
}
