#pragma once

#include "platform/timer_service.h"

#include <QTimer>

#include <map>
#include <memory>

namespace ostrel {

// Timers of one owner on the Qt event loop of the calling thread.
class QtTimerService final : public TimerService {
public:
    // The target may still be under construction: it is called only from the event loop.
    explicit QtTimerService(TimerTarget* pTarget) : m_pTarget(pTarget) {}

    void Start(int nId, int nPeriodMs) override;
    void Stop(int nId) override;
    bool IsRunning(int nId) const override;

private:
    TimerTarget* m_pTarget;
    std::map<int, std::unique_ptr<QTimer>> m_timers; // made at the first start of an ID
};

class QtTimerFactory final : public TimerFactory {
public:
    std::unique_ptr<TimerService> Create(TimerTarget& rTarget) override
    {
        return std::make_unique<QtTimerService>(&rTarget);
    }
};

} // namespace ostrel
