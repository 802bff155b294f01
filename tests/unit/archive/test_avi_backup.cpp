// The AVI backup's runs on the fake clock with a real saving thread: with a recording file maker
// (which captures go into which file, under which name, what the operator is shown), and with
// the program's AVI files on the real disk, read back by ffprobe, also when the disk fills.
#include "archive/avi_backup.h"

#include "archive/avi_file_maker.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_folder_opener.h"
#include "fakes/fake_ui_poster.h"
#include "fakes/hostile_files.h"
#include "platform/file_store.h"
#include "support/features_avi.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

using namespace ostrel;
using namespace ostrel::test;
namespace fs = std::filesystem;

namespace {

// A file maker keeping the captures of each committed file, told apart by their first byte.
// Shared with the saving thread, so under a lock.
struct Disk final : public BackupFileMaker {
    std::unique_ptr<BackupFile> Start(const std::string& strFolder, FileStatus* pStatus) override;

    std::mutex mutex;
    std::condition_variable gateOpened;
    std::map<std::string, std::vector<int>> committed; // name -> captures
    int nFailAtFrame = -1;    // the file's n-th AddFrame fails (0-based), once
    bool bGateClosed = false; // AddFrame waits while closed
    int nDropped = 0;         // files destroyed uncommitted
};

class RecordingFile final : public BackupFile {
public:
    explicit RecordingFile(Disk& rDisk) : m_rDisk(rDisk) {}
    ~RecordingFile() override
    {
        const std::lock_guard<std::mutex> lock(m_rDisk.mutex);
        m_rDisk.nDropped += m_bCommitted ? 0 : 1;
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
        if (!m_rDisk.committed.emplace(strPath, m_frames).second) {
            pStatus->nErrno = EEXIST;
            return false;
        }
        return m_bCommitted = true;
    }
    uint32_t Frames() const override { return static_cast<uint32_t>(m_frames.size()); }

private:
    Disk& m_rDisk;
    std::vector<int> m_frames;
    bool m_bCommitted = false;
};

std::unique_ptr<BackupFile> Disk::Start(const std::string&, FileStatus*)
{
    return std::make_unique<RecordingFile>(*this);
}

// The archive window; capture n fills the play area with the byte n.
class RecordingBackupView final : public BackupView {
public:
    void ShowBackupStatus(const std::string& strText) override { statuses.push_back(strText); }
    void SetBackupLit(bool bNowLit) override { bLit = bNowLit; }
    void ShowBackupMessage(const std::string& strText) override { messages.push_back(strText); }
    bool CapturePlayArea(uint8_t* pDst, int nStrideBytes) override
    {
        if (bPictures)
            std::memset(pDst, ++nCaptured, static_cast<size_t>(nStrideBytes) * CAviBackup::kFrameHeight);
        return bPictures;
    }
    std::string StampText() override { return strStamp; }
    std::string RecordFolder() override { return strFolder; }

    std::vector<std::string> statuses, messages;
    bool bLit = false;
    bool bPictures = true;
    int nCaptured = 0;
    std::string strStamp = "2024-05-12 10-00-00";
    std::string strFolder = "/rec";
};

class AviBackupTest : public ::testing::Test {
protected:
    void SetUp() override { Make(disk); }
    void Make(BackupFileMaker& rMaker)
    {
        pBackup.reset();
        pBackup = std::make_unique<CAviBackup>(CAviBackup::Services{timers, poster, rMaker, &folders, "."}, view);
    }
    // The saving thread works off everything, then its reports are delivered.
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
    std::vector<int> Saved(const std::string& strName) { return disk.committed[view.strFolder + "/" + strName]; }

    FakeClock clock;
    FakeTimerFactory timers{clock};
    FakeUiPoster poster;
    Disk disk;
    LocalFileStore files;
    CAviFileMaker aviMaker{files};
    FakeFolderOpener folders;
    RecordingBackupView view;
    std::unique_ptr<CAviBackup> pBackup;
};

} // namespace

TEST_F(AviBackupTest, EachIntervalWhilePlayingForwardBecomesOneFileNamedAfterItsLastPicture)
{
    for (uint16_t wState : {0x0000, 0x0101, 0x0100, 0x0002})
        EXPECT_FALSE(pBackup->Toggle(wState, 0)) << wState;
    EXPECT_FALSE(pBackup->IsRecording());
    ASSERT_TRUE(pBackup->Toggle(0x0001, 1)); // 5 s
    EXPECT_TRUE(view.bLit);
    EXPECT_EQ(CAviBackup::kRunMs, pBackup->RemainMs());
    EXPECT_EQ("Recording", view.statuses.back());
    EXPECT_EQ(1, view.nCaptured) << "one capture at the start";
    Pictures(3); // several pictures before a refresh: one capture
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
    EXPECT_EQ((std::vector<int>{1, 2, 3}), Saved("2024-05-12 10-00-05.avi"));
    EXPECT_EQ(std::vector<std::string>{"/rec"}, folders.opened);

    // The next interval started with a capture of its own; the stamp has not moved, so its file
    // takes a suffix rather than replace the first.
    Pictures(1);
    clock.Advance(5000);
    Settle();
    EXPECT_EQ((std::vector<int>{4, 5}), Saved("2024-05-12 10-00-05_1.avi"));
    EXPECT_EQ(1u, folders.opened.size()) << "the folder opens once a run";

    // The toggle stops: the last file holds what came since.
    Pictures(2);
    EXPECT_TRUE(pBackup->Toggle(0x0001, 1));
    EXPECT_FALSE(pBackup->IsRecording());
    EXPECT_FALSE(view.bLit);
    Settle();
    EXPECT_EQ((std::vector<int>{6, 7}), Saved("2024-05-12 10-00-05_2.avi"));
    EXPECT_EQ((std::vector<int>{1, 2, 3}), Saved("2024-05-12 10-00-05.avi"));
    EXPECT_EQ(3u, disk.committed.size());
    EXPECT_FALSE(timers.Made(0).IsRunning(CAviBackup::kTimerId));
}

TEST_F(AviBackupTest, TwentyMinutesOfFifteenSecondPeriodsEndTheRunByItself)
{
    ASSERT_TRUE(pBackup->Toggle(0x0001, 99)); // outside the table: 15 s
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
    ASSERT_TRUE(pBackup->Toggle(0x0001, 0)); // capture 1
    Pictures(1);                             // capture 2 fails
    Settle();
    EXPECT_EQ("AVI Not Saved", view.statuses.back());
    Pictures(1);
    Settle();
    EXPECT_EQ("AVI Not Saved", view.statuses.back()) << "a failure is not covered by the next capture";
    clock.Advance(3000); // the next file starts with capture 4
    Settle();
    EXPECT_TRUE(disk.committed.empty());
    EXPECT_EQ(1, disk.nDropped) << "the partial file is gone";
    EXPECT_FALSE(pBackup->IsBusy());
    Pictures(1);
    clock.Advance(3000);
    Settle();
    EXPECT_EQ((std::vector<int>{4, 5}), Saved("2024-05-12 10-00-00.avi"));
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

// A report still queued when the backup is gone reaches nothing (and touches nothing freed).
TEST_F(AviBackupTest, ClosingTheDialogWhileRecordingKeepsTheFile)
{
    ASSERT_TRUE(pBackup->Toggle(0x0001, 12));
    Pictures(1);
    pBackup.reset();
    EXPECT_EQ((std::vector<int>{1, 2}), Saved("2024-05-12 10-00-00.avi"));
    const size_t nShown = view.statuses.size();
    EXPECT_EQ(1u, poster.RunPending());
    EXPECT_EQ(nShown, view.statuses.size()) << "no \"Saving OK\" from a backup that is gone";
}

// The program's files on the real disk. By hand: headers 4620, a capture's chunk 8 + 921600,
// nine empty chunks before each later one, idx1 8 + 16 bytes a sample.
TEST_F(AviBackupTest, OnAFullDiskNothingIsLeftAndThenARunWritesFilesAPlayerReads)
{
    constexpr uint64_t kChunk = 8 + 640 * 480 * 3;
    constexpr uint64_t kTwoCaptureFile = 4620 + kChunk + 72 + kChunk + 8 + 16 * 11;
    const fs::path folder = FreshFolder("avi-run") / "new" / "deeper"; // the run makes it
    view.strFolder = folder.string();
    Make(aviMaker);
    const std::pair<const char*, uint64_t> cases[] = {
        {"nothing fits", 0},
        {"in the headers", 4000},
        {"in the first capture", 4620 + 500000},
        {"in the second capture", 4620 + kChunk + 72 + 100},
        {"in idx1, while the file is finished", kTwoCaptureFile - 10},
    };
    for (const auto& [pszWhere, nLimit] : cases) {
        SCOPED_TRACE(pszWhere);
        view.statuses.clear();
        {
            const FileSizeLimit limit(nLimit);
            ASSERT_TRUE(limit.IsSet());
            ASSERT_TRUE(pBackup->Toggle(0x0001, 0));
            Pictures(1);
            pBackup->Stop();
            pBackup->WaitForSavingThread();
        }
        poster.RunPending();
        ASSERT_FALSE(view.statuses.empty());
        EXPECT_EQ("AVI Not Saved", view.statuses.back());
        EXPECT_FALSE(pBackup->IsRecording() || pBackup->IsBusy() || view.bLit) << "the operator may leave the dialog";
        EXPECT_TRUE(view.messages.empty());
        EXPECT_TRUE(folders.opened.empty()) << "no folder shown for a file not saved";
        EXPECT_EQ(0u, FilesIn(folder)) << "neither a part of the file nor its temporary";
    }

    // With the space back: two captures, then four, the second file started before the codec
    // changed, so still uncompressed.
    view.nCaptured = 0;
    ASSERT_TRUE(pBackup->Toggle(0x0001, 0));
    Pictures(1);
    clock.Advance(3000);
    pBackup->WaitForSavingThread();
    aviMaker.SetCodec(AviCodec::Mjpeg); // for files started from now on
    Pictures(1);
    Pictures(1);
    Pictures(1);
    pBackup->Stop();
    Settle();
    EXPECT_EQ("Saving OK", view.statuses.back());
    const fs::path first = folder / "2024-05-12 10-00-00.avi";
    EXPECT_EQ(kTwoCaptureFile, fs::file_size(first));
    EXPECT_EQ("rawvideo,640,480,60/1,0.183333,11,2\n", ProbeStream(first));
    // Four captures ten samples apart at 60 a second: 31 samples, four pictures.
    EXPECT_EQ("rawvideo,640,480,60/1,0.516667,31,4\n", ProbeStream(folder / "2024-05-12 10-00-00_1.avi"));
    EXPECT_EQ(std::string(6, '\1'), DecodePictures(first).substr(0, 6)) << "the first capture's pixels";
    EXPECT_EQ(2u, FilesIn(folder)) << "no temporary left";
}
