#pragma once

// Repeating timers keyed by small integer IDs, one service per owner, as window timers are:
// starting an ID that runs restarts it with the new period; an expiry repeats until stopped.
// Expiries are delivered to the owner's TimerTarget on the owner's thread, never from inside
// Start or Stop.

#include <memory>

namespace ostrel {

class TimerTarget {
public:
    virtual ~TimerTarget() = default;
    virtual void OnTimer(int nId) = 0;
};

class TimerService {
public:
    virtual ~TimerService() = default;
    // Starts or restarts timer nId; the first expiry comes nPeriodMs after now.
    // A period of 0 expires as soon as the owner's thread is idle (a posted message).
    virtual void Start(int nId, int nPeriodMs) = 0;
    // Stops timer nId; stopping a timer that does not run is harmless.
    virtual void Stop(int nId) = 0;
    virtual bool IsRunning(int nId) const = 0;
};

// Makes the timers of one owner, so an object can create its own service in its constructor
// and never run without one.
class TimerFactory {
public:
    virtual ~TimerFactory() = default;
    // The target may still be under construction: no expiry is delivered before the first Start.
    virtual std::unique_ptr<TimerService> Create(TimerTarget& rTarget) = 0;
};

} // namespace ostrel
