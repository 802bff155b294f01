#pragma once

#include <cstdint>

// The one source of time for the logic: a monotonic tick count and the local wall clock.

namespace ostrel {

struct LocalDateTime {
    int nYear = 1970;
    int nMonth = 1;  // 1..12
    int nDay = 1;    // 1..31
    int nHour = 0;
    int nMinute = 0;
    int nSecond = 0;
    int nDayOfWeek = 4; // 0 = Sunday
};

class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds since an arbitrary start; never goes backwards.
    virtual int64_t TickMs() const = 0;
    // The same tick count in microseconds, where the clock has them.
    virtual int64_t TickUs() const { return TickMs() * 1000; }
    virtual LocalDateTime LocalNow() const = 0;
};

// The system's clocks: steady_clock for ticks, the C library's local time for the date.
class SystemClock final : public Clock {
public:
    int64_t TickMs() const override;
    int64_t TickUs() const override;
    LocalDateTime LocalNow() const override;
};

} // namespace ostrel
