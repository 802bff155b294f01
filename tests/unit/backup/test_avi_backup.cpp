// The AVI backup's runs on the fake clock with a real saving thread and a recording file maker:
// which captures go into which file, under which name, and what the operator is shown. The AVI
// files themselves are the writer's tests; the program's file maker the archive dialog's.
#include "backup/avi_backup.h"

#include "fakes/fake_clock.h"
#include "fakes/fake_folder_opener.h"
#include "fakes/fake_ui_poster.h"

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

namespace {

// A file maker keeping the captures of each committed file, told apart by their first byte.
// Shared with the saving thread, so under a lock.
struct Disk final : public BackupFileMaker {
    struct File final : public BackupFile {
        explicit File(Disk& rDisk) : disk(rDisk) {}
        bool AddFrame(const uint8_t* pBgrx, int nStrideBytes, int64_t nTimeUs, FileStatus* pStatus) override
        {
            std::unique_lock<std::mutex> lock(disk.mutex);
            disk.gateOpened.wait(lock, [&] { return !disk.bGateClosed; });
            EXPECT_EQ(640 * 4, nStrideBytes);
            if (disk.nFailAtFrame == static_cast<int>(frames.size())) {
                disk.nFailAtFrame = -1;
                pStatus->nErrno = ENOSPC;
                return false;
            }
            frames.push_back(pBgrx[0]);
            times.push_back(nTimeUs);
            return true;
        }
        bool CloseAs(const std::string& strPath, FileStatus* pStatus) override
        {
            const std::lock_guard<std::mutex> lock(disk.mutex);
            const bool bNew = disk.committed.emplace(strPath, frames).second;
            if (bNew)
                disk.times[strPath] = times;
            pStatus->nErrno = bNew ? 0 : EEXIST;
            return bNew;
        }
        uint32_t Frames() const override { return static_cast<uint32_t>(frames.size()); }
        const char* Extension() const override { return ".avi"; }

        Disk& disk;
        std::vector<int> frames;
        std::vector<int64_t> times;
    };
    std::unique_ptr<BackupFile> Start(const std::string&, FileStatus*) override { return std::make_unique<File>(*this); }
    bool MakeFolder(const std::string& strFolder) override
    {
        const std::lock_guard<std::mutex> lock(mutex);
        folders.push_back(strFolder);
        return true;
    }
    void SetGate(bool bClosed)
    {
        const std::lock_guard<std::mutex> lock(mutex);
        bGateClosed = bClosed;
        gateOpened.notify_all();
    }

    std::mutex mutex;
    std::condition_variable gateOpened;
    std::map<std::string, std::vector<int>> committed; // name -> captures
    std::map<std::string, std::vector<int64_t>> times; // name -> the captures' times
    std::vector<std::string> folders;                  // asked for, in order
    int nFailAtFrame = -1;    // the file's n-th AddFrame fails (0-based), once
    bool bGateClosed = false; // AddFrame waits while closed
};

// The archive window; capture n fills the play area with the byte n.
struct View final : public BackupView {
    void ShowBackupStatus(const std::string& strText) override { statuses.push_back(strText); }
    void SetBackupLit(bool bNowLit) override { bLit = bNowLit; }
    void ShowBackupMessage(const std::string& strText) override { messages.push_back(strText); }
    bool CapturePlayArea(uint8_t* pDst, int nStrideBytes) override
    {
        std::memset(pDst, ++nCaptured, static_cast<size_t>(nStrideBytes) * 480);
        return true;
    }
    std::string StampText() override { return strStamp; }
    std::string RecordFolder() override { return strFolder; }

    std::vector<std::string> statuses, messages;
    bool bLit = false;
    int nCaptured = 0;
    std::string strStamp = "2024-05-12 10-00-00", strFolder = "/rec";
};

class AviBackupTest : public ::testing::Test {
protected:
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
    FakeFolderOpener folders;
    View view;
    std::unique_ptr<CAviBackup> pBackup =
        std::make_unique<CAviBackup>(CAviBackup::Services{timers, clock, poster, disk, &folders, "."}, view);
};

} // namespace

TEST_F(AviBackupTest, EachIntervalWhilePlayingForwardBecomesOneFileNamedAfterItsLastPictureOrNone)
{
    for (uint16_t wState : {0x0000, 0x0101, 0x0100, 0x0002}) // stopped, paused, backward
        EXPECT_FALSE(pBackup->Toggle(PlayState{wState}, 0)) << wState;
    ASSERT_TRUE(pBackup->Toggle(PlayState{0x0001}, 1)); // 5 s
    EXPECT_TRUE(view.bLit && view.statuses.back() == "Recording");
    clock.Advance(17);
    Pictures(3); // several pictures before a refresh: one capture; the first was the start's
    clock.Advance(33);
    Pictures(1);
    clock.Advance(4949);
    EXPECT_FALSE(pBackup->IsBusy());
    view.strStamp = "2024-05-12 10-00-05";
    clock.Advance(1);
    EXPECT_TRUE(pBackup->IsBusy() && view.statuses.back() == "Saving") << "the first file is being finished";
    Settle();
    EXPECT_TRUE(!pBackup->IsBusy() && view.statuses.back() == "Saving OK");
    EXPECT_EQ((std::vector<int>{1, 2, 3}), Saved("2024-05-12 10-00-05.avi"));
    EXPECT_EQ((std::vector<int64_t>{0, 17000, 50000}), disk.times["/rec/2024-05-12 10-00-05.avi"])
        << "each capture keeps the time of its refresh";

    // The next interval started with a capture of its own; the stamp has not moved, so its file
    // takes a suffix rather than replace the first.
    Pictures(1);
    clock.Advance(5000);
    Settle();
    EXPECT_EQ((std::vector<int>{4, 5}), Saved("2024-05-12 10-00-05_1.avi"));

    // The toggle stops: the last file holds what came since.
    Pictures(2);
    EXPECT_TRUE(pBackup->Toggle(PlayState{0x0001}, 1));
    EXPECT_FALSE(pBackup->IsRecording() || view.bLit || timers.Made(0).IsRunning(31)); // the interval timer
    Settle();
    EXPECT_EQ((std::vector<int>{6, 7}), Saved("2024-05-12 10-00-05_2.avi"));
    EXPECT_EQ(std::vector<std::string>{"/rec"}, folders.opened) << "the folder opens once a run";
    EXPECT_EQ(std::vector<std::string>(3, "/rec"), disk.folders) << "made through the store, once a file";

    // A failed write drops that file, says so until a file is saved, and the next interval tries
    // again.
    disk.nFailAtFrame = 1;
    ASSERT_TRUE(pBackup->Toggle(PlayState{0x0001}, 0)); // capture 8
    Pictures(1);                             // capture 9 fails
    Pictures(1);
    Settle();
    EXPECT_EQ("AVI Not Saved", view.statuses.back()) << "a failure is not covered by the next capture";
    clock.Advance(3000); // the next file starts with capture 11
    Settle();
    EXPECT_EQ(3u, disk.committed.size()) << "the partial file is not saved";
    Pictures(1);
    clock.Advance(3000);
    Settle();
    EXPECT_EQ((std::vector<int>{11, 12}), Saved("2024-05-12 10-00-05_3.avi"));
    EXPECT_EQ("Saving OK", view.statuses.back());
}

// A saving thread that cannot keep up holds at most 48 captures.
TEST_F(AviBackupTest, CapturesTheDiskCannotTakeAreDroppedWithOneMessage)
{
    disk.SetGate(true);
    ASSERT_TRUE(pBackup->Toggle(PlayState{0x0001}, 12));
    for (size_t i = 0; i < 48 + 10; ++i)
        Pictures(1);
    EXPECT_GE(pBackup->CapturesDropped(), 10u);
    EXPECT_EQ(std::vector<std::string>{"Can Not Record Images Any More!"}, view.messages);
    disk.SetGate(false);
    Settle();
    Pictures(1);
    EXPECT_EQ(1u, view.messages.size());
    EXPECT_EQ(48u * 640 * 480 * 4, pBackup->CaptureBytesHeld());
    pBackup->Toggle(PlayState{0x0001}, 12);
    Settle();
    EXPECT_EQ(0u, pBackup->CaptureBytesHeld()) << "given back with the run's last file";
    ASSERT_EQ(1u, disk.committed.size());
    EXPECT_EQ(48u + 1, disk.committed.begin()->second.size());
}

// A report still queued when the backup is gone reaches nothing (and touches nothing freed).
TEST_F(AviBackupTest, ClosingTheDialogWhileRecordingKeepsTheFile)
{
    ASSERT_TRUE(pBackup->Toggle(PlayState{0x0001}, 12));
    Pictures(1);
    pBackup.reset();
    EXPECT_EQ((std::vector<int>{1, 2}), Saved("2024-05-12 10-00-00.avi"));
    const size_t nShown = view.statuses.size();
    EXPECT_EQ(1u, poster.RunPending());
    EXPECT_EQ(nShown, view.statuses.size()) << "no \"Saving OK\" from a backup that is gone";
}
