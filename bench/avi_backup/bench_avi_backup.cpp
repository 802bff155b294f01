// The AVI backup at a steady capture rate: what a capture costs the user-interface thread, the
// longest the user-interface thread is held by anything the backup does while files are
// written, whether the saving thread keeps up, and what it costs per capture.
//
//   bench_avi_backup [seconds] [captures per second] [raw|mjpeg]
//
// The user-interface thread is this program's main loop: every 1/rate seconds it captures a
// 640 x 480 play area out of a window-sized image (as the dialog does from its back store),
// advances the backup's clock by the same time (its 3-second interval ends, a file is finished
// while captures go on into the next) and delivers the saving thread's reports.
#include "archive/avi_backup.h"
#include "archive/avi_file_maker.h"

#include "fakes/fake_clock.h"
#include "fakes/fake_folder_opener.h"
#include "fakes/fake_ui_poster.h"
#include "platform/file_store.h"

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

// A window-sized image of changing pixels; captures copy its play area.
class BenchView final : public BackupView {
public:
    BenchView() : m_window(static_cast<size_t>(kWindowWidth) * kWindowHeight * 4)
    {
        for (size_t i = 0; i < m_window.size(); ++i)
            m_window[i] = static_cast<uint8_t>(i * 7 + i / 4099);
    }
    void ShowBackupStatus(const std::string&) override {}
    void SetBackupLit(bool) override {}
    void ShowBackupMessage(const std::string&) override { ++nMessages; }
    bool CapturePlayArea(uint8_t* pDst, int nStrideBytes) override
    {
        ++m_window[static_cast<size_t>(m_nFrame++ % 1000) * 4]; // a new picture each time
        for (int y = 0; y < CAviBackup::kFrameHeight; ++y)
            std::memcpy(pDst + static_cast<size_t>(y) * static_cast<size_t>(nStrideBytes),
                        m_window.data() + (static_cast<size_t>(22 + y) * kWindowWidth + 62) * 4,
                        CAviBackup::kFrameStride);
        return true;
    }
    std::string StampText() override { return "bench-" + std::to_string(m_nFrame); }
    std::string RecordFolder() override { return strFolder; }

    std::string strFolder;
    int nMessages = 0;

private:
    std::vector<uint8_t> m_window;
    int m_nFrame = 0;
};

} // namespace

int main(int argc, char** argv)
{
    const double dSeconds = argc > 1 ? std::atof(argv[1]) : 12.0;
    const int nRate = argc > 2 ? std::max(1, std::atoi(argv[2])) : 30;
    const bool bMjpeg = argc > 3 && std::string(argv[3]) == "mjpeg";
    const std::string strFolder =
        (std::filesystem::temp_directory_path() / ("ostrel-bench-avi-" + std::to_string(::getpid()))).string();

    test::FakeClock clock;
    test::FakeTimerFactory timers{clock};
    test::FakeUiPoster poster;
    LocalFileStore files;
    CAviFileMaker maker(files);
    maker.SetCodec(bMjpeg ? AviCodec::Mjpeg : AviCodec::Raw);
    test::FakeFolderOpener folders;
    BenchView view;
    view.strFolder = strFolder;

    double dCaptureTotal = 0, dCaptureMax = 0, dUiMax = 0;
    int nCaptures = 0;
    uint64_t nDropped = 0;
    const double dCpuStart = CpuSeconds();
    const auto tStart = WallClock::now();
    {
        CAviBackup backup(CAviBackup::Services{timers, poster, maker, &folders, strFolder}, view);
        backup.Toggle(0x0001, 0); // 3-second files
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
    std::filesystem::remove_all(strFolder);

    std::printf("AVI backup, %s, %d captures a second for %.1f s (3-second files)\n", bMjpeg ? "Motion JPEG" : "uncompressed",
                nRate, dWall);
    std::printf("captures %d, dropped %llu, files %d, %.1f MB written\n", nCaptures,
                static_cast<unsigned long long>(nDropped), nFiles, static_cast<double>(nBytes) / 1e6);
    std::printf("capture on the user-interface thread: %.3f ms mean, %.3f ms longest\n",
                dCaptureTotal / std::max(1, nCaptures), dCaptureMax);
    std::printf("longest user-interface turn (capture, timer, reports): %.3f ms\n", dUiMax);
    std::printf("process CPU: %.2f s for %.1f s, %.2f ms per capture, %.0f %% of one core\n", dCpu, dWall,
                1000.0 * dCpu / std::max(1, nCaptures), 100.0 * dCpu / dWall);
    return nDropped == 0 ? 0 : 1;
}
