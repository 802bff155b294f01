#pragma once

#include "platform/signal_watcher.h"

#include <QElapsedTimer>

#include <cstdint>
#include <string>

namespace ostrel {

class COstrelApp;

struct CounterSnapshot {
    uint64_t nPicturesDrawn = 0; // pictures painted into the live view's window
    uint32_t dwReconnects = 0;   // reconnections begun by the link
    uint8_t byConnectState = 0;  // 0 none, 1 connected, 2 connecting
    int64_t nUptimeMs = 0;       // since the report was set up
};

// "ostrel counters: pictures=... reconnects=... state=... uptime_ms=...", with a newline.
std::string FormatCounterLine(const CounterSnapshot& snapshot);

// For long unattended runs (scripts/soak): on SIGUSR1 the program writes one counter line to
// stderr. Nothing else changes, and without the signal it costs nothing. The program reads
// nothing from its command line or environment; a signal asks without either.
class CounterReport {
public:
    explicit CounterReport(const COstrelApp& app);
    CounterSnapshot Snapshot() const;

private:
    void Write() const;

    const COstrelApp& m_app;
    QElapsedTimer m_uptime;
    SignalWatcher m_watcher;
};

} // namespace ostrel
