#include "platform/qt_timer_service.h"

namespace ostrel {

void QtTimerService::Start(int nId, int nPeriodMs)
{
    auto& pTimer = m_timers[nId];
    if (!pTimer) {
        pTimer = std::make_unique<QTimer>();
        pTimer->setTimerType(Qt::PreciseTimer);
        QObject::connect(pTimer.get(), &QTimer::timeout, [this, nId] { m_pTarget->OnTimer(nId); });
    }
    pTimer->start(nPeriodMs < 0 ? 0 : nPeriodMs);
}

void QtTimerService::Stop(int nId)
{
    const auto it = m_timers.find(nId);
    if (it != m_timers.end())
        it->second->stop();
}

bool QtTimerService::IsRunning(int nId) const
{
    const auto it = m_timers.find(nId);
    return it != m_timers.end() && it->second->isActive();
}

} // namespace ostrel
