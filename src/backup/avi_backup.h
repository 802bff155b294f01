#pragma once

#include "backup/backup_file.h"
#include "link/link_archive.h"
#include "platform/clock.h"
#include "platform/file_store.h"
#include "platform/folder_opener.h"
#include "platform/timer_service.h"
#include "platform/ui_poster.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace ostrel {

// Period of a "Record Interval" index in milliseconds: 3, 5, 10 .. 55 seconds for 0..11, 100
// seconds for 12, and 15 seconds for any other index.
int RecordIntervalMs(int nIndex);

// What the backup asks of the archive window, on the user-interface thread.
class BackupView {
public:
    virtual ~BackupView() = default;
    virtual void ShowBackupStatus(const std::string& strText) = 0; // the status line
    virtual void SetBackupLit(bool bLit) = 0;                      // toggle 1086
    virtual void ShowBackupMessage(const std::string& strText) = 0;
    // Copies the play area as drawn into pDst (640 x 480, B G R X, top-down); false when there
    // is nothing to copy.
    virtual bool CapturePlayArea(uint8_t* pDst, int nStrideBytes) = 0;
    // "%04d-%02d-%02d %02d-%02d-%02d" of the last play picture: the name of the file saved now.
    virtual std::string StampText() = 0;
    // The "Record Path" setting.
    virtual std::string RecordFolder() = 0;
};

// The archive's backup: while playback runs forward, the play area is captured each time new
// pictures have been drawn, and every "Record Interval" the captures of that interval become one
// file (AVI or MP4, as the file maker makes them) named after the last play picture, for at most
// 20 minutes of timer time.
//
// Captures run on the user-interface thread (a copy of the play area and the clock's time, about
// a quarter of a millisecond); one saving thread converts, encodes and writes them into the
// interval's file as they come, so the memory a
// run holds stays bounded (kMaxFramesInFlight captures waiting at most) whatever the interval
// and the capture rate. At an interval's end the saving thread finishes that file while the
// captures go on into the next one. Results come back through the UiPoster.
//
// Files never replace each other or anything else (a suffix "_1", "_2" .. before ".avi"), and a
// file appears under its name only complete. A failed write drops that file (its partial data
// removed), says so on the status line, and the next interval tries again.
class CAviBackup final : public TimerTarget {
public:
    static constexpr int kTimerId = 31;
    static constexpr int kRunMs = 1200000;               // timer time of one run
    static constexpr int kFrameWidth = 640;
    static constexpr int kFrameHeight = 480;
    static constexpr int kFrameStride = kFrameWidth * 4;
    static constexpr size_t kMaxFramesInFlight = 48;     // 48 x 1.2 MB waiting at most
    static constexpr int kMaxNameSuffix = 9999;
    static constexpr const char* kRecordingText = "Recording";
    static constexpr const char* kSavingText = "Saving";
    static constexpr const char* kSavedText = "Saving OK";
    static constexpr const char* kFailedText = "AVI Not Saved";
    static constexpr const char* kBlankText = "         ";
    static constexpr const char* kFullText = "Can Not Record Images Any More!";
    static constexpr const char* kFallbackFolder = "RECORD";

    struct Services {
        TimerFactory& rTimers;
        const Clock& rClock; // a capture's time: its refresh's tick
        UiPoster& rPoster;
        BackupFileMaker& rMaker;
        FolderOpener* pFolders = nullptr;
        std::string strStartFolder; // the program's starting folder: RECORD below it, then itself
    };

    CAviBackup(Services services, BackupView& rView);
    // Ends a run as the stop does, lets the saving thread finish every file, and joins it.
    ~CAviBackup() override;
    CAviBackup(const CAviBackup&) = delete;
    CAviBackup& operator=(const CAviBackup&) = delete;

    // The record toggle: starts a run when playing forward (play state exactly 0x0001), stops a
    // running one. True when a run started or stopped.
    bool Toggle(PlayState playState, int nIntervalIndex);
    // The stop control, connection code 6 and "Viewer": the run ends and its file is saved.
    void Stop();
    // A play picture was drawn: the next refresh captures.
    void OnPictureDrawn();
    // Whether a capture is due (a picture drawn since the last one, while recording).
    bool WantsCapture() const { return m_bRecording && m_bNewFrame; }
    // Copies the play area into the current file's queue now, with the clock's time.
    void Capture();

    bool IsRecording() const { return m_bRecording; }     // m_bRecording
    // A file is being finished: the dialog may not be left.
    bool IsBusy() const { return m_nFinishing > 0; }      // m_bAviBusy
    int RemainMs() const { return m_nRemainMs; }          // m_nRemainMs
    int PeriodMs() const { return m_nPeriodMs; }
    uint64_t CapturesDropped() const { return m_nDropped; }
    // Bytes the capture buffers hold; none once a run's last file is done.
    size_t CaptureBytesHeld();
    // For tests and benchmarks: returns once the saving thread has done every job given so far
    // (its reports may still wait in the poster).
    void WaitForSavingThread();

    void OnTimer(int nId) override;

private:
    enum class JobKind : uint8_t { Start, Frame, Commit, Quit };
    struct Job {
        JobKind kind = JobKind::Quit;
        std::string strText;   // Start: the record folder; Commit: the stamp
        size_t nBuffer = 0;    // Frame
        int64_t nTimeUs = 0;   // Frame: when it was captured
    };
    // What the saving thread reports.
    enum class Outcome : uint8_t { Saved, Empty, CommitFailed, WriteFailed };

    void Push(Job job);
    void StartFile();
    void CommitFile();
    void OnOutcome(Outcome outcome, const std::string& strPath);
    // The saving thread's file: the one being written and the folder it goes to.
    struct SavingFile {
        std::unique_ptr<BackupFile> pFile;
        std::string strFolder;
        bool bFailed = false; // a write failed: the interval's captures are dropped
    };
    void SavingThread();
    Job TakeJob(const uint8_t*& rpPixels);
    void SetIdle();
    void Report(Outcome outcome, std::string strPath);
    void StartSaving(SavingFile& rFile, const std::string& strRecordFolder);
    void SaveFrame(SavingFile& rFile, const uint8_t* pPixels, int64_t nTimeUs);
    void CommitSaving(SavingFile& rFile, const std::string& strStamp);
    // Saving thread: the folder files go to, made if missing.
    std::string ChooseFolder(const std::string& strRecordFolder) const;
    void ReleaseBuffer(size_t nBuffer);
    void GiveBackBuffers();

    Services m_services;
    BackupView& m_rView;
    std::unique_ptr<TimerService> m_pTimers;
    std::shared_ptr<UiPoster> m_pPoster;
    // Reports still queued when the backup is gone are dropped: they hold this weakly, and both
    // the reports and the destruction run on the user-interface thread.
    std::shared_ptr<int> m_pAlive = std::make_shared<int>(0);

    // User-interface thread only.
    bool m_bRecording = false;
    bool m_bNewFrame = false;
    int m_nRemainMs = 0;
    int m_nPeriodMs = 0;
    int m_nFinishing = 0;          // commits sent and not yet answered
    bool m_bFolderOpened = false;  // once per run
    bool m_bFullShown = false;     // once per run
    bool m_bFailureShown = false;  // a failure stays on the line until the next file is saved
    std::string m_strShown;
    uint64_t m_nDropped = 0;

    // Shared with the saving thread, under m_mutex.
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    bool m_bWorking = false;
    std::deque<Job> m_jobs;
    std::vector<std::vector<uint8_t>> m_buffers; // capture buffers, made as needed
    std::vector<size_t> m_freeBuffers;

    std::thread m_thread;
};

} // namespace ostrel
