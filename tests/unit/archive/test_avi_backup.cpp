// The AVI backup's runs on the fake clock with a real saving thread and a recording file maker:
// which captures go into which file, under which name, and what the operator is shown.
#include "archive/avi_backup.h"

#include "archive/avi_file_maker.h"

#include "fakes/fake_clock.h"
#include "fakes/fake_folder_opener.h"
#include "fakes/fake_ui_poster.h"
#include "platform/file_store.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

using namespace ostrel;
using namespace ostrel::test;

namespace {

// Files as the saving thread leaves them: the captures of each committed file, told apart by
// their first byte. Shared with the saving thread, so everything is under a lock.
struct Disk {
    std::mutex mutex;
    std::condition_variable gateOpened;
    std::set<std::string> names;                       // files that exist
    std::map<std::string, std::vector<int>> committed; // name -> captures
    std::vector<std::string> folders;                  // where files were started
    int nFailAtFrame = -1;  // the file's n-th AddFrame fails (0-based), once
    bool bGateClosed = false; // AddFrame waits while closed
    int nStarted = 0;
    int nDropped = 0;       // files destroyed uncommitted
};

class RecordingFile final : public BackupFile {
public:
    RecordingFile(Disk& rDisk) : m_rDisk(rDisk) {}
    ~RecordingFile() override
    {
        if (!m_bCommitted) {
            const std::lock_guard<std::mutex> lock(m_rDisk.mutex);
            ++m_rDisk.nDropped;
        }
    }
    bool AddFrame(const uint8_t* pBgrx, int nStrideBytes, FileStatus* pStatus) override
    {
        std::unique_lock<std::mutex> lock(m_rDisk.mutex);
        m_rDisk.gateOpened.wait(lock, [&] { return !m_rDisk.bGateClosed; });
        EXPECT_EQ(CAviBackup::kFrameStride, nStrideBytes);
        if (m_rDisk.nFailAtFrame == static_cast<int>(m_frames.size())) {
            m_rDisk.nFailAtFrame = -1;
            pStatus->nErrno = ENOSPC;
            return false;
        }
        m_frames.push_back(pBgrx[0]);
        return true;
    }
    bool Commit(const std::string& strPath, FileStatus* pStatus) override
    {
        const std::lock_guard<std::mutex> lock(m_rDisk.mutex);
        if (m_rDisk.names.count(strPath)) {
            pStatus->nErrno = EEXIST;
            return false;
        }
        m_rDisk.names.insert(strPath);
        m_rDisk.committed[strPath] = m_frames;
        m_bCommitted = true;
        return true;
    }
    uint32_t Frames() const override { return static_cast<uint32_t>(m_frames.size()); }

private:
    Disk& m_rDisk;
    std::vector<int> m_frames;
    bool m_bCommitted = false;
};

class RecordingMaker final : public BackupFileMaker {
public:
    explicit RecordingMaker(Disk& rDisk) : m_rDisk(rDisk) {}
    std::unique_ptr<BackupFile> Start(const std::string& strFolder, FileStatus*) override
    {
        const std::lock_guard<std::mutex> lock(m_rDisk.mutex);
        ++m_rDisk.nStarted;
        m_rDisk.folders.push_back(strFolder);
        return std::make_unique<RecordingFile>(m_rDisk);
    }

private:
    Disk& m_rDisk;
};

// The archive window: the status line, the toggle, message boxes, and a play area whose
// captures carry a running number.
class RecordingBackupView final : public BackupView {
public:
    void ShowBackupStatus(const std::string& strText) override { statuses.push_back(strText); }
    void SetBackupLit(bool bNowLit) override { bLit = bNowLit; }
    void ShowBackupMessage(const std::string& strText) override { messages.push_back(strText); }
    bool CapturePlayArea(uint8_t* pDst, int nStrideBytes) override
    {
        if (!bPictures)
            return false;
        std::memset(pDst, ++nCaptured, static_cast<size_t>(nStrideBytes) * CAviBackup::kFrameHeight);
        return true;
    }
    std::string StampText() override { return strStamp; }
    std::string RecordFolder() override { return strFolder; }

    std::vector<std::string> statuses;
    std::vector<std::string> messages;
    bool bLit = false;
    bool bPictures = true;
    int nCaptured = 0;
    std::string strStamp = "2024-05-12 10-00-00";
    std::string strFolder;
};

class AviBackupTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        strFolder = ::testing::TempDir() + "ostrel-backup-" + std::to_string(::getpid());
        view.strFolder = strFolder;
        pBackup = std::make_unique<CAviBackup>(CAviBackup::Services{timers, poster, maker, &folders, "."}, view);
    }
    // Let the saving thread work off everything, then deliver its reports.
    void Settle()
    {
        pBackup->WaitForSavingThread();
        poster.RunPending();
    }
    // n pictures drawn, then the refresh's capture.
    void Pictures(int n)
    {
        for (int i = 0; i < n; ++i)
            pBackup->OnPictureDrawn();
        if (pBackup->WantsCapture())
            pBackup->Capture();
    }
    std::string File(const std::string& strName) const { return strFolder + "/" + strName; }

    std::string strFolder;
    FakeClock clock;
    FakeTimerFactory timers{clock};
    FakeUiPoster poster;
    Disk disk;
    RecordingMaker maker{disk};
    FakeFolderOpener folders;
    RecordingBackupView view;
    std::unique_ptr<CAviBackup> pBackup;
};

} // namespace

TEST(RecordInterval, TableWithOneHundredSecondsLastAndFifteenOutside)
{
    const int expected[13] = {3000, 5000, 10000, 15000, 20000, 25000, 30000, 35000, 40000, 45000, 50000, 55000, 100000};
    for (int i = 0; i < 13; ++i)
        EXPECT_EQ(expected[i], RecordIntervalMs(i)) << i;
    EXPECT_EQ(15000, RecordIntervalMs(13));
    EXPECT_EQ(15000, RecordIntervalMs(-1));
    EXPECT_EQ(15000, RecordIntervalMs(255));
}

TEST_F(AviBackupTest, StartsOnlyWhilePlayingForward)
{
    for (uint16_t wState : {0x0000, 0x0101, 0x0100, 0x0002})
        EXPECT_FALSE(pBackup->Toggle(wState, 0)) << wState;
    EXPECT_FALSE(pBackup->IsRecording());
    EXPECT_FALSE(view.bLit);
    Settle();
    EXPECT_EQ(0, disk.nStarted);

    EXPECT_TRUE(pBackup->Toggle(0x0001, 0));
    EXPECT_TRUE(pBackup->IsRecording());
    EXPECT_TRUE(view.bLit);
    EXPECT_EQ(CAviBackup::kRunMs, pBackup->RemainMs());
    EXPECT_EQ(1, view.nCaptured) << "one capture at the start";
    EXPECT_EQ("Recording", view.statuses.back());
}

TEST_F(AviBackupTest, EachIntervalBecomesOneFileNamedAfterTheLastPictureAndNothingIsReplaced)
{
    ASSERT_TRUE(pBackup->Toggle(0x0001, 1)); // 5 s
    Pictures(3);  // several pictures before a capture: one capture
    Pictures(1);
    clock.Advance(4999);
    EXPECT_FALSE(pBackup->IsBusy());
    view.strStamp = "2024-05-12 10-00-05";
    clock.Advance(1);
    EXPECT_TRUE(pBackup->IsBusy()) << "the first file is being finished";
    EXPECT_EQ("Saving", view.statuses.back());
    Settle();
    EXPECT_FALSE(pBackup->IsBusy());
    EXPECT_EQ("Saving OK", view.statuses.back());
    EXPECT_EQ((std::vector<int>{1, 2, 3}), disk.committed[File("2024-05-12 10-00-05.avi")]);
    EXPECT_EQ(std::vector<std::string>{strFolder}, folders.opened);

    // The next interval started with a capture of its own; the stamp has not moved, so its file
    // takes a suffix rather than replace the first.
    Pictures(1);
    clock.Advance(5000);
    Settle();
    EXPECT_EQ((std::vector<int>{4, 5}), disk.committed[File("2024-05-12 10-00-05_1.avi")]);
    EXPECT_EQ((std::vector<int>{1, 2, 3}), disk.committed[File("2024-05-12 10-00-05.avi")]);
    EXPECT_EQ(1u, folders.opened.size()) << "the folder opens once a run";

    // The toggle stops: the last file holds what came since.
    Pictures(2);
    EXPECT_TRUE(pBackup->Toggle(0x0001, 1));
    EXPECT_FALSE(pBackup->IsRecording());
    EXPECT_FALSE(view.bLit);
    Settle();
    EXPECT_EQ((std::vector<int>{6, 7}), disk.committed[File("2024-05-12 10-00-05_2.avi")]);
    EXPECT_EQ(3u, disk.committed.size());
    EXPECT_FALSE(timers.Made(0).IsRunning(CAviBackup::kTimerId));
    EXPECT_EQ(std::vector<std::string>(3, strFolder), disk.folders);
}

TEST_F(AviBackupTest, TwentyMinutesOfFifteenSecondPeriodsEndTheRunByItself)
{
    ASSERT_TRUE(pBackup->Toggle(0x0001, 99)); // outside the table: 15 s
    EXPECT_EQ(15000, pBackup->PeriodMs());
    for (int i = 0; i < 79; ++i) {
        clock.Advance(15000);
        ASSERT_TRUE(pBackup->IsRecording()) << i;
    }
    clock.Advance(15000);
    EXPECT_FALSE(pBackup->IsRecording());
    EXPECT_FALSE(view.bLit);
    Settle();
    EXPECT_EQ(80u, disk.committed.size()) << "one capture at each period's start, 80 files";
    EXPECT_FALSE(timers.Made(0).IsRunning(CAviBackup::kTimerId));
}

TEST_F(AviBackupTest, AnEmptyIntervalWritesNothingAndTheRunGoesOn)
{
    view.bPictures = false;
    ASSERT_TRUE(pBackup->Toggle(0x0001, 0));
    clock.Advance(3000);
    Settle();
    EXPECT_TRUE(disk.committed.empty());
    EXPECT_TRUE(folders.opened.empty());
    EXPECT_TRUE(pBackup->IsRecording());
    EXPECT_TRUE(timers.Made(0).IsRunning(CAviBackup::kTimerId)) << "the timer runs on";

    view.bPictures = true;
    Pictures(1);
    clock.Advance(3000);
    Settle();
    EXPECT_EQ(1u, disk.committed.size());
}

TEST_F(AviBackupTest, AFailedWriteDropsThatFileAndTheNextIntervalTriesAgain)
{
    disk.nFailAtFrame = 1;
    ASSERT_TRUE(pBackup->Toggle(0x0001, 0));
    Pictures(1);
    Pictures(1);
    Settle();
    EXPECT_EQ("AVI Not Saved", view.statuses.back());
    Pictures(1);
    Settle();
    EXPECT_EQ("AVI Not Saved", view.statuses.back()) << "a failure is not covered by the next capture";
    clock.Advance(3000);
    Settle();
    EXPECT_TRUE(disk.committed.empty());
    EXPECT_EQ(1, disk.nDropped) << "the partial file is gone";
    EXPECT_FALSE(pBackup->IsBusy());

    Pictures(1);
    clock.Advance(3000);
    Settle();
    EXPECT_EQ(1u, disk.committed.size());
    EXPECT_EQ("Saving OK", view.statuses.back());
}

TEST_F(AviBackupTest, CapturesTheDiskCannotTakeAreDroppedWithOneMessage)
{
    {
        const std::lock_guard<std::mutex> lock(disk.mutex);
        disk.bGateClosed = true;
    }
    ASSERT_TRUE(pBackup->Toggle(0x0001, 12));
    for (size_t i = 0; i < CAviBackup::kMaxFramesInFlight + 10; ++i)
        Pictures(1);
    EXPECT_GE(pBackup->CapturesDropped(), 10u);
    EXPECT_EQ(std::vector<std::string>{"Can Not Record Images Any More!"}, view.messages);
    {
        const std::lock_guard<std::mutex> lock(disk.mutex);
        disk.bGateClosed = false;
    }
    disk.gateOpened.notify_all();
    Settle();
    Pictures(1);
    EXPECT_EQ(1u, view.messages.size());
    pBackup->Toggle(0x0001, 12);
    Settle();
    ASSERT_EQ(1u, disk.committed.size());
    EXPECT_EQ(CAviBackup::kMaxFramesInFlight + 1, disk.committed.begin()->second.size());
}

TEST_F(AviBackupTest, ClosingTheDialogWhileRecordingKeepsTheFile)
{
    ASSERT_TRUE(pBackup->Toggle(0x0001, 12));
    Pictures(1);
    pBackup.reset();
    EXPECT_EQ((std::vector<int>{1, 2}), disk.committed[File("2024-05-12 10-00-00.avi")]);
    // Its report is still queued; delivered now it reaches nothing (and touches nothing freed).
    const size_t nShown = view.statuses.size();
    EXPECT_EQ(1u, poster.RunPending());
    EXPECT_EQ(nShown, view.statuses.size()) << "no \"Saving OK\" from a backup that is gone";
}

TEST_F(AviBackupTest, AMissingRecordFolderIsMade)
{
    view.strFolder = strFolder + "/new/deeper";
    ASSERT_TRUE(pBackup->Toggle(0x0001, 0));
    pBackup->Stop();
    Settle();
    EXPECT_EQ(std::vector<std::string>{strFolder + "/new/deeper"}, disk.folders);
    EXPECT_EQ(1u, disk.committed.count(strFolder + "/new/deeper/2024-05-12 10-00-00.avi"));
}

// ---- the program's files ------------------------------------------------------------------

namespace {

std::string RunShell(const std::string& strCommand)
{
    std::string out;
    FILE* pPipe = ::popen(strCommand.c_str(), "r");
    if (!pPipe)
        return out;
    char buf[256];
    while (std::fgets(buf, sizeof buf, pPipe))
        out += buf;
    ::pclose(pPipe);
    return out;
}

} // namespace

TEST(AviBackupFiles, ARunWritesAviFilesThatAPlayerReadsAndNeverOverwrites)
{
    const std::string strFolder = ::testing::TempDir() + "ostrel-avi-run-" + std::to_string(::getpid());
    std::filesystem::remove_all(strFolder);
    FakeClock clock;
    FakeTimerFactory timers{clock};
    FakeUiPoster poster;
    LocalFileStore files;
    CAviFileMaker maker(files);
    FakeFolderOpener folders;
    RecordingBackupView view;
    view.strFolder = strFolder;
    {
        CAviBackup backup(CAviBackup::Services{timers, poster, maker, &folders, "."}, view);
        ASSERT_TRUE(backup.Toggle(0x0001, 0));
        for (int i = 0; i < 3; ++i) {
            backup.OnPictureDrawn();
            backup.Capture();
        }
        clock.Advance(3000); // four captures in the first file, one to start the second
        backup.WaitForSavingThread();
        maker.SetCodec(AviCodec::Mjpeg); // for files started from now on
        backup.OnPictureDrawn();
        backup.Capture();
        backup.Stop();
        backup.WaitForSavingThread();
        poster.RunPending();
        EXPECT_EQ("Saving OK", view.statuses.back());
    }
    const std::string strFirst = strFolder + "/2024-05-12 10-00-00.avi";
    const std::string strSecond = strFolder + "/2024-05-12 10-00-00_1.avi";
    // Four captures ten samples apart at 60 a second: 31 samples, four pictures.
    EXPECT_EQ("rawvideo,640,480,60/1,31,4\n",
              RunShell("ffprobe -v error -count_frames -select_streams v:0 -show_entries "
                  "stream=codec_name,width,height,r_frame_rate,nb_frames,nb_read_frames -of csv=p=0 '" +
                  strFirst + "'"));
    // The second file was started before the codec changed: still uncompressed, two captures.
    EXPECT_EQ("rawvideo,640,480,60/1,11,2\n",
              RunShell("ffprobe -v error -count_frames -select_streams v:0 -show_entries "
                  "stream=codec_name,width,height,r_frame_rate,nb_frames,nb_read_frames -of csv=p=0 '" +
                  strSecond + "'"));
    // The first capture's pixels: every byte 1 (the view fills each capture with its number).
    const std::string strPixels = RunShell("ffmpeg -v error -i '" + strFirst +
                                      "' -frames:v 1 -f rawvideo -pix_fmt bgr24 - 2>/dev/null | od -An -tu1 -N6 -v | tr -s ' '");
    EXPECT_EQ(" 1 1 1 1 1 1\n", strPixels);
    size_t nLeft = 0;
    for (const auto& entry : std::filesystem::directory_iterator(strFolder))
        nLeft += entry.path().extension() == ".avi" ? 0 : 1;
    EXPECT_EQ(0u, nLeft) << "no temporary left";
    std::filesystem::remove_all(strFolder);
}
