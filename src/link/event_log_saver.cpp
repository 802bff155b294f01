#include "link/event_log_saver.h"

#include <algorithm>
#include <utility>

namespace ostrel {

CEventLogSaver::CEventLogSaver(FileStore& rFiles, std::string strPath, UiWakeupFactory& rWakeups,
                               std::function<void()> fnSaved)
    : m_rFiles(rFiles),
      m_strPath(std::move(strPath)),
      m_fnSaved(std::move(fnSaved)),
      m_pWakeup(rWakeups.CreateWakeup([this] { OnWritten(); })),
      m_thread([this] { Run(); })
{
}

CEventLogSaver::~CEventLogSaver()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bStop = true;
    }
    m_wake.notify_one();
    m_thread.join();
}

void CEventLogSaver::Save(std::vector<uint8_t>& rLog, size_t nBytes)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_waiting.swap(rLog);
        m_nWaiting = std::min(nBytes, m_waiting.size());
        m_bWaiting = true;
    }
    m_wake.notify_one();
}

uint32_t CEventLogSaver::Written() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_dwWritten;
}

void CEventLogSaver::Run()
{
    std::vector<uint8_t> log;
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_bWaiting || m_bStop; });
        if (!m_bWaiting)
            return; // stopping, and nothing waits
        log.swap(m_waiting);
        const size_t nBytes = m_nWaiting;
        m_bWaiting = false;
        lock.unlock();
        // A failed write leaves the previous file; the list is refreshed all the same.
        m_rFiles.WriteWhole(m_strPath, log.data(), nBytes);
        // Held no longer than needed: a large log is given back at once.
        std::vector<uint8_t>().swap(log);
        lock.lock();
        ++m_dwWritten;
        if (!m_bWaiting && !m_bStop)
            m_pWakeup->Wake();
    }
}

void CEventLogSaver::OnWritten()
{
    uint32_t dwWritten = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        dwWritten = m_dwWritten;
    }
    if (dwWritten == m_dwReported)
        return;
    m_dwReported = dwWritten;
    if (m_fnSaved)
        m_fnSaved();
}

} // namespace ostrel
