#include "platform/qt_timer_service.h"

namespace ostrel {

void QtTimerService::Start(int nId, int nPeriodMs)
{
    if (nPeriodMs < 0)
        nPeriodMs = 0;
    Entry& entry = m_timers[nId];
    if (!entry.pTimer) {
        entry.pTimer = std::make_unique<QTimer>();
        entry.pTimer->setTimerType(Qt::PreciseTimer);
        QObject::connect(entry.pTimer.get(), &QTimer::timeout, [this, nId] { OnTimeout(nId); });
    }
    const bool bSamePeriod = entry.pTimer->isActive() && entry.nPeriodMs == nPeriodMs && nPeriodMs > 0;
    entry.nPeriodMs = nPeriodMs;
    entry.nDueMs = m_clock.elapsed() + nPeriodMs;
    // Running with this period already: it comes no later than the new deadline, and then
    // waits for the rest.
    if (!bSamePeriod)
        entry.pTimer->start(nPeriodMs);
}

void QtTimerService::OnTimeout(int nId)
{
    const auto it = m_timers.find(nId);
    if (it == m_timers.end())
        return;
    Entry& entry = it->second;
    const int64_t nNow = m_clock.elapsed();
    if (nNow < entry.nDueMs) {
        // Restarted since this expiry was set: wait for the rest of the new period.
        entry.pTimer->start(static_cast<int>(entry.nDueMs - nNow));
        return;
    }
    // Back to the whole period after a shortened wait; repeat from now.
    if (entry.pTimer->interval() != entry.nPeriodMs)
        entry.pTimer->start(entry.nPeriodMs);
    entry.nDueMs = nNow + entry.nPeriodMs;
    m_pTarget->OnTimer(nId);
}

void QtTimerService::Stop(int nId)
{
    const auto it = m_timers.find(nId);
    if (it != m_timers.end())
        it->second.pTimer->stop();
}

bool QtTimerService::IsRunning(int nId) const
{
    const auto it = m_timers.find(nId);
    return it != m_timers.end() && it->second.pTimer->isActive();
}

} // namespace ostrel
