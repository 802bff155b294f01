#include "backup/avi_backup.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <system_error>
#include <utility>

namespace ostrel {

int RecordIntervalMs(int nIndex)
{
    constexpr int kPeriods[13] = {3000, 5000, 10000, 15000, 20000, 25000, 30000,
                                  35000, 40000, 45000, 50000, 55000, 100000};
    return nIndex >= 0 && nIndex < 13 ? kPeriods[nIndex] : 15000;
}

CAviBackup::CAviBackup(Services services, BackupView& rView)
    : m_services(std::move(services)), m_rView(rView), m_pTimers(m_services.rTimers.Create(*this)),
      m_pPoster(m_services.rPoster.Share())
{
    // Never reallocated: the saving thread reads buffers while captures take others.
    m_buffers.reserve(kMaxFramesInFlight);
    m_thread = std::thread([this] { SavingThread(); });
}

CAviBackup::~CAviBackup()
{
    if (m_bRecording)
        Stop();
    m_pTimers->Stop(kTimerId);
    Push(Job{JobKind::Quit, {}, 0, 0});
    m_thread.join();
}

void CAviBackup::WaitForSavingThread()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_idle.wait(lock, [this] { return m_jobs.empty() && !m_bWorking; });
}

void CAviBackup::Push(Job job)
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_jobs.push_back(std::move(job));
    }
    m_wake.notify_one();
}

// ---- the run, on the user-interface thread -------------------------------------------------

bool CAviBackup::Toggle(PlayState playState, int nIntervalIndex)
{
    if (m_bRecording) {
        Stop();
        return true;
    }
    if (!playState.IsPlayingForward())
        return false;
    m_nPeriodMs = RecordIntervalMs(nIntervalIndex);
    m_nRemainMs = kRunMs;
    m_bRecording = true;
    m_bFolderOpened = false;
    m_bFullShown = false;
    m_bFailureShown = false;
    m_rView.SetBackupLit(true);
    StartFile();
    Capture();
    m_pTimers->Start(kTimerId, m_nPeriodMs);
    return true;
}

void CAviBackup::Stop()
{
    if (!m_bRecording)
        return;
    m_pTimers->Stop(kTimerId);
    m_bRecording = false;
    m_bNewFrame = false;
    CommitFile();
    m_rView.SetBackupLit(false);
}

void CAviBackup::OnTimer(int nId)
{
    if (nId != kTimerId || !m_bRecording)
        return;
    m_pTimers->Stop(kTimerId);
    m_nRemainMs -= m_nPeriodMs;
    CommitFile();
    if (m_nRemainMs < 1) {
        m_bRecording = false;
        m_bNewFrame = false;
        m_rView.SetBackupLit(false);
        return;
    }
    StartFile();
    Capture();
    m_pTimers->Start(kTimerId, std::min(m_nRemainMs, m_nPeriodMs));
}

void CAviBackup::StartFile()
{
    Push(Job{JobKind::Start, m_rView.RecordFolder(), 0, 0});
}

void CAviBackup::CommitFile()
{
    ++m_nFinishing;
    m_strShown = kSavingText;
    if (!m_bFailureShown)
        m_rView.ShowBackupStatus(kSavingText);
    Push(Job{JobKind::Commit, m_rView.StampText(), 0, 0});
}

void CAviBackup::OnPictureDrawn()
{
    if (m_bRecording)
        m_bNewFrame = true;
}

void CAviBackup::Capture()
{
    if (!m_bRecording)
        return;
    m_bNewFrame = false;
    size_t nBuffer = 0;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_freeBuffers.empty()) {
            nBuffer = m_freeBuffers.back();
            m_freeBuffers.pop_back();
        } else if (m_buffers.size() < kMaxFramesInFlight) {
            nBuffer = m_buffers.size();
            m_buffers.emplace_back();
        } else {
            nBuffer = SIZE_MAX;
        }
    }
    if (nBuffer == SIZE_MAX) {
        // The disk cannot keep up: this capture is lost, and the operator is told once a run.
        ++m_nDropped;
        if (!m_bFullShown) {
            m_bFullShown = true;
            m_rView.ShowBackupMessage(kFullText);
        }
        return;
    }
    // Only this thread touches a buffer taken from the free list until its job is queued.
    const int64_t nTimeUs = m_services.rClock.TickUs();
    std::vector<uint8_t>& buffer = m_buffers[nBuffer];
    buffer.resize(static_cast<size_t>(kFrameStride) * kFrameHeight);
    if (!m_rView.CapturePlayArea(buffer.data(), kFrameStride)) {
        ReleaseBuffer(nBuffer);
        return;
    }
    // "Saving" stays up until its file is done, and a failure until a file is saved.
    if (m_strShown != kRecordingText && !m_bFailureShown && m_nFinishing == 0) {
        m_strShown = kRecordingText;
        m_rView.ShowBackupStatus(kRecordingText);
    }
    Push(Job{JobKind::Frame, {}, nBuffer, nTimeUs});
}

void CAviBackup::ReleaseBuffer(size_t nBuffer)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_freeBuffers.push_back(nBuffer);
}

size_t CAviBackup::CaptureBytesHeld()
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    size_t nBytes = 0;
    for (const std::vector<uint8_t>& buffer : m_buffers)
        nBytes += buffer.capacity();
    return nBytes;
}

void CAviBackup::GiveBackBuffers()
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    // Frames are saved in order, so every buffer is free once the last commit is answered.
    if (m_freeBuffers.size() != m_buffers.size())
        return;
    m_buffers.clear();
    m_freeBuffers.clear();
}

void CAviBackup::OnOutcome(Outcome outcome, const std::string& strPath)
{
    if (outcome != Outcome::WriteFailed && m_nFinishing > 0)
        --m_nFinishing;
    switch (outcome) {
    case Outcome::Saved:
        m_bFailureShown = false;
        m_strShown = kSavedText;
        m_rView.ShowBackupStatus(kSavedText);
        // One file-manager window per run, after its first file.
        if (!m_bFolderOpened && m_services.pFolders) {
            m_bFolderOpened = true;
            m_services.pFolders->OpenFolder(std::filesystem::path(strPath).parent_path().string());
        }
        break;
    case Outcome::Empty:
        if (!m_bFailureShown && m_strShown == kSavingText) {
            m_strShown = kBlankText;
            m_rView.ShowBackupStatus(kBlankText);
        }
        break;
    case Outcome::CommitFailed:
    case Outcome::WriteFailed:
        m_bFailureShown = true;
        m_strShown = kFailedText;
        m_rView.ShowBackupStatus(kFailedText);
        break;
    }
    // A run in which the disk fell behind filled every capture buffer (about 59 MB): the run's
    // last file is done, so they go back rather than stay for the program's life. A run started
    // meanwhile keeps them.
    if (outcome != Outcome::WriteFailed && !m_bRecording && m_nFinishing == 0)
        GiveBackBuffers();
}

// ---- the saving thread ---------------------------------------------------------------------

std::string CAviBackup::ChooseFolder(const std::string& strRecordFolder) const
{
    namespace fs = std::filesystem;
    const auto usable = [this](const fs::path& folder) {
        return !folder.empty() && m_services.rMaker.MakeFolder(folder.string());
    };
    if (usable(strRecordFolder))
        return strRecordFolder;
    const fs::path start = m_services.strStartFolder.empty() ? fs::path(".") : fs::path(m_services.strStartFolder);
    if (usable(start / kFallbackFolder))
        return (start / kFallbackFolder).string();
    return start.string();
}

void CAviBackup::SavingThread()
{
    SavingFile file;
    for (;;) {
        const uint8_t* pPixels = nullptr;
        const Job job = TakeJob(pPixels); // waits for the next one
        switch (job.kind) {
        case JobKind::Quit:
            SetIdle();
            return; // an uncommitted file is dropped with file.pFile
        case JobKind::Start:
            StartSaving(file, job.strText); // the interval's file, in the record folder
            break;
        case JobKind::Frame:
            SaveFrame(file, pPixels, job.nTimeUs); // into the file, then the buffer is free again
            ReleaseBuffer(job.nBuffer);
            break;
        case JobKind::Commit:
            CommitSaving(file, job.strText); // under the stamp's name, a suffix when it is taken
            break;
        }
    }
}

// The saving thread takes the oldest job, and a frame's pixels while the buffers are locked.
CAviBackup::Job CAviBackup::TakeJob(const uint8_t*& rpPixels)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_bWorking = false;
    if (m_jobs.empty())
        m_idle.notify_all();
    m_wake.wait(lock, [this] { return !m_jobs.empty(); });
    Job job = std::move(m_jobs.front());
    m_jobs.pop_front();
    m_bWorking = true;
    if (job.kind == JobKind::Frame)
        rpPixels = m_buffers[job.nBuffer].data();
    return job;
}

// The saving thread ends: whoever waits for it may go on.
void CAviBackup::SetIdle()
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_bWorking = false;
    m_idle.notify_all();
}

// From the saving thread to OnOutcome on the user-interface thread, unless the backup is gone.
void CAviBackup::Report(Outcome outcome, std::string strPath)
{
    const std::weak_ptr<int> alive = m_pAlive;
    m_pPoster->Post([this, alive, outcome, strPath = std::move(strPath)] {
        if (alive.lock())
            OnOutcome(outcome, strPath);
    });
}

void CAviBackup::StartSaving(SavingFile& rFile, const std::string& strRecordFolder)
{
    rFile.strFolder = ChooseFolder(strRecordFolder);
    FileStatus status;
    rFile.pFile = m_services.rMaker.Start(rFile.strFolder, &status);
    rFile.bFailed = !rFile.pFile;
    if (rFile.bFailed)
        Report(Outcome::WriteFailed, {});
}

void CAviBackup::SaveFrame(SavingFile& rFile, const uint8_t* pPixels, int64_t nTimeUs)
{
    // After a failed write the file is gone and the interval's other captures are dropped.
    if (!rFile.pFile || rFile.bFailed)
        return;
    FileStatus status;
    if (!rFile.pFile->AddFrame(pPixels, kFrameStride, nTimeUs, &status)) {
        rFile.pFile.reset();
        rFile.bFailed = true;
        Report(Outcome::WriteFailed, {});
    }
}

void CAviBackup::CommitSaving(SavingFile& rFile, const std::string& strStamp)
{
    if (!rFile.pFile || rFile.pFile->Frames() == 0) {
        rFile.pFile.reset();
        Report(Outcome::Empty, {});
        return;
    }
    const std::string strBase = (std::filesystem::path(rFile.strFolder) / strStamp).string();
    const std::string strExtension = rFile.pFile->Extension();
    bool bSaved = false;
    std::string strPath;
    for (int n = 0; n <= kMaxNameSuffix && !bSaved; ++n) {
        strPath = n == 0 ? strBase + strExtension : strBase + "_" + std::to_string(n) + strExtension;
        FileStatus status;
        bSaved = rFile.pFile->CloseAs(strPath, &status);
        if (!bSaved && status.nErrno != EEXIST)
            break;
    }
    rFile.pFile.reset();
    Report(bSaved ? Outcome::Saved : Outcome::CommitFailed, strPath);
}

} // namespace ostrel
