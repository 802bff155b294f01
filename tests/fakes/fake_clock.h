#pragma once

#include "platform/clock.h"
#include "platform/timer_service.h"

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

namespace ostrel::test {

class FakeTimerService;

// Time that moves only when a test says so. Advance() fires every due timer of every
// FakeTimerService on this clock in time order (ties in the order they were scheduled),
// so a test can jump 35 seconds and see each expiry at its exact moment.
class FakeClock final : public Clock {
public:
    int64_t TickMs() const override { return m_nNowMs; }
    LocalDateTime LocalNow() const override;

    // The local wall clock shows t at the current tick and moves on with it.
    void SetLocalNow(const LocalDateTime& t);
    void Advance(int64_t nMs);
    // Fires what is due now (timers started with period 0, as posted messages are).
    void RunDue() { Advance(0); }

private:
    friend class FakeTimerService;
    void Attach(FakeTimerService* pService) { m_services.push_back(pService); }
    void Detach(FakeTimerService* pService);
    uint64_t NextSequence() { return ++m_nSequence; }

    int64_t m_nNowMs = 0;
    int64_t m_nLocalBaseSeconds = 0; // seconds since 1970 (as local) at tick 0
    uint64_t m_nSequence = 0;
    std::vector<FakeTimerService*> m_services;
};

// Timers of one owner on a FakeClock. Also keeps a log of starts and stops for assertions.
class FakeTimerService final : public TimerService {
public:
    FakeTimerService(FakeClock& rClock, TimerTarget& rTarget);
    ~FakeTimerService() override;

    void Start(int nId, int nPeriodMs) override;
    void Stop(int nId) override;
    bool IsRunning(int nId) const override { return m_timers.count(nId) != 0; }

    // Milliseconds until timer nId next expires, or -1 when it does not run.
    int64_t RemainingMs(int nId) const;

    struct Event {
        int64_t nAtMs;
        int nId;
        enum Kind { Started, Stopped, Fired } kind;
    };
    const std::vector<Event>& Log() const { return m_log; }
    // Moments at which timer nId started, stopped or fired.
    std::vector<int64_t> Moments(int nId, Event::Kind kind) const;
    std::vector<int64_t> Starts(int nId) const { return Moments(nId, Event::Started); }
    std::vector<int64_t> Stops(int nId) const { return Moments(nId, Event::Stopped); }
    std::vector<int64_t> Firings(int nId) const { return Moments(nId, Event::Fired); }

private:
    friend class FakeClock;
    struct Timer {
        int nPeriodMs;
        int64_t nDueMs;
        uint64_t nSequence;
    };
    FakeClock& m_rClock;
    TimerTarget& m_rTarget;
    std::map<int, Timer> m_timers;
    std::vector<Event> m_log;
};

// Makes FakeTimerServices on one clock, and keeps each one reachable for assertions.
class FakeTimerFactory final : public TimerFactory {
public:
    explicit FakeTimerFactory(FakeClock& rClock) : m_rClock(rClock) {}
    std::unique_ptr<TimerService> Create(TimerTarget& rTarget) override
    {
        auto pService = std::make_unique<FakeTimerService>(m_rClock, rTarget);
        m_made.push_back(pService.get());
        return pService;
    }
    // The service made for the nth owner (0 = first); valid while that owner lives.
    FakeTimerService& Made(size_t n) const { return *m_made.at(n); }

private:
    FakeClock& m_rClock;
    std::vector<FakeTimerService*> m_made;
};

} // namespace ostrel::test
