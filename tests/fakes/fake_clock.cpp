#include "fakes/fake_clock.h"

#include <algorithm>
#include <ctime>
#include <stdexcept>

namespace ostrel::test {

LocalDateTime FakeClock::LocalNow() const
{
    const std::time_t seconds = static_cast<std::time_t>(m_nLocalBaseSeconds + m_nNowMs / 1000);
    std::tm tmNow{};
    gmtime_r(&seconds, &tmNow); // the base is kept as if local time were UTC
    LocalDateTime t;
    t.nYear = tmNow.tm_year + 1900;
    t.nMonth = tmNow.tm_mon + 1;
    t.nDay = tmNow.tm_mday;
    t.nHour = tmNow.tm_hour;
    t.nMinute = tmNow.tm_min;
    t.nSecond = tmNow.tm_sec;
    t.nDayOfWeek = tmNow.tm_wday;
    return t;
}

void FakeClock::SetLocalNow(const LocalDateTime& t)
{
    std::tm tmNow{};
    tmNow.tm_year = t.nYear - 1900;
    tmNow.tm_mon = t.nMonth - 1;
    tmNow.tm_mday = t.nDay;
    tmNow.tm_hour = t.nHour;
    tmNow.tm_min = t.nMinute;
    tmNow.tm_sec = t.nSecond;
    m_nLocalBaseSeconds = static_cast<int64_t>(timegm(&tmNow)) - m_nNowMs / 1000;
}

void FakeClock::Detach(FakeTimerService* pService)
{
    m_services.erase(std::remove(m_services.begin(), m_services.end(), pService), m_services.end());
}

void FakeClock::Advance(int64_t nMs)
{
    const int64_t nTarget = m_nNowMs + nMs;
    for (int nGuard = 0;; ++nGuard) {
        if (nGuard > 1'000'000)
            throw std::runtime_error("FakeClock: timers keep firing without time passing");
        FakeTimerService* pBest = nullptr;
        int nBestId = 0;
        const FakeTimerService::Timer* pBestTimer = nullptr;
        for (FakeTimerService* pService : m_services) {
            for (const auto& [nId, timer] : pService->m_timers) {
                if (timer.nDueMs > nTarget)
                    continue;
                if (!pBestTimer || timer.nDueMs < pBestTimer->nDueMs
                    || (timer.nDueMs == pBestTimer->nDueMs && timer.nSequence < pBestTimer->nSequence)) {
                    pBest = pService;
                    nBestId = nId;
                    pBestTimer = &timer;
                }
            }
        }
        if (!pBest)
            break;
        m_nNowMs = std::max(m_nNowMs, pBestTimer->nDueMs);
        auto& timer = pBest->m_timers.at(nBestId);
        // A repeating timer is due again one period on; a period of 0 waits for the next pass.
        timer.nDueMs = m_nNowMs + std::max(timer.nPeriodMs, 1);
        timer.nSequence = NextSequence();
        pBest->m_log.push_back({m_nNowMs, nBestId, FakeTimerService::Event::Fired});
        pBest->m_rTarget.OnTimer(nBestId);
    }
    m_nNowMs = nTarget;
}

FakeTimerService::FakeTimerService(FakeClock& rClock, TimerTarget& rTarget)
    : m_rClock(rClock), m_rTarget(rTarget)
{
    m_rClock.Attach(this);
}

FakeTimerService::~FakeTimerService()
{
    m_rClock.Detach(this);
}

void FakeTimerService::Start(int nId, int nPeriodMs)
{
    nPeriodMs = std::max(nPeriodMs, 0);
    m_timers[nId] = {nPeriodMs, m_rClock.TickMs() + nPeriodMs, m_rClock.NextSequence()};
    m_log.push_back({m_rClock.TickMs(), nId, Event::Started});
}

void FakeTimerService::Stop(int nId)
{
    if (m_timers.erase(nId) != 0)
        m_log.push_back({m_rClock.TickMs(), nId, Event::Stopped});
}

int64_t FakeTimerService::RemainingMs(int nId) const
{
    const auto it = m_timers.find(nId);
    return it == m_timers.end() ? -1 : it->second.nDueMs - m_rClock.TickMs();
}

std::vector<int64_t> FakeTimerService::Moments(int nId, Event::Kind kind) const
{
    std::vector<int64_t> at;
    for (const Event& e : m_log)
        if (e.nId == nId && e.kind == kind)
            at.push_back(e.nAtMs);
    return at;
}

} // namespace ostrel::test
