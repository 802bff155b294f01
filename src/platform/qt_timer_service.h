#pragma once

#include "platform/timer_service.h"

#include <QElapsedTimer>
#include <QTimer>

#include <cstdint>

#include <map>
#include <memory>

namespace ostrel {

// Timers of one owner on the Qt event loop of the calling thread. Restarting a running timer
// with its own period (the image watchdog, with every picture) only moves its deadline: the
// QTimer is left running and, when it comes early, is set for the rest of the time then. So a
// restart registers no timer with the event loop and allocates nothing.
class QtTimerService final : public TimerService {
public:
    // The target may still be under construction: it is called only from the event loop.
    explicit QtTimerService(TimerTarget* pTarget) : m_pTarget(pTarget) { m_clock.start(); }

    void Start(int nId, int nPeriodMs) override;
    void Stop(int nId) override;
    bool IsRunning(int nId) const override;

private:
    struct Entry {
        std::unique_ptr<QTimer> pTimer;
        int nPeriodMs = 0;
        int64_t nDueMs = 0; // the next expiry, on m_clock
    };
    void OnTimeout(int nId);

    TimerTarget* m_pTarget;
    QElapsedTimer m_clock;
    std::map<int, Entry> m_timers; // made at the first start of an ID
};

class QtTimerFactory final : public TimerFactory {
public:
    std::unique_ptr<TimerService> Create(TimerTarget& rTarget) override
    {
        return std::make_unique<QtTimerService>(&rTarget);
    }
};

} // namespace ostrel
