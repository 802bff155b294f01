#pragma once

#include "platform/file_store.h"
#include "platform/ui_wakeup.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace ostrel {

// Writes the recorder's event log to its file on a thread of its own, so that a log of up to
// 8 MiB and the file system's syncs never hold up the user-interface thread, however often
// the recorder sends one. Only the newest log matters: one that comes while another is being
// written replaces any that still waits, so at most two logs are held besides the link's.
//
// Construct, Save and destroy on the user-interface thread; fnSaved runs there (through the
// wake-up, never inside Save) once after each write that ended while nothing newer waited,
// so a list reading the file reloads at most once per log written.
class CEventLogSaver {
public:
    CEventLogSaver(FileStore& rFiles, std::string strPath, UiWakeupFactory& rWakeups, std::function<void()> fnSaved);
    // Writes what still waits, then stops the thread.
    ~CEventLogSaver();
    CEventLogSaver(const CEventLogSaver&) = delete;
    CEventLogSaver& operator=(const CEventLogSaver&) = delete;

    // Takes the first nBytes of rLog to be written; rLog gets a buffer in exchange (a log that
    // was waiting and is now dropped, or an empty one), so nothing is copied.
    void Save(std::vector<uint8_t>& rLog, size_t nBytes);
    // Logs written so far, whether or not the write succeeded. Any thread.
    uint32_t Written() const;

private:
    void Run();
    void OnWritten();

    FileStore& m_rFiles;
    const std::string m_strPath;
    std::function<void()> m_fnSaved;
    std::unique_ptr<UiWakeup> m_pWakeup;

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::vector<uint8_t> m_waiting;   // the newest log not yet taken by the thread
    size_t m_nWaiting = 0;            // its bytes
    bool m_bWaiting = false;
    bool m_bStop = false;
    uint32_t m_dwWritten = 0;
    uint32_t m_dwReported = 0;        // writes fnSaved has answered for
    std::thread m_thread;             // last: it starts once the rest is in place
};

} // namespace ostrel
