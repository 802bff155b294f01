#pragma once

#include <cstdint>

// The one source of time for the logic: a monotonic tick count and the local wall clock.

namespace ostrel {

// A calendar date and a time of day, as the local clock, the recorder's words and the event log
// give them.
struct DateTime {
    int nYear = 0;
    int nMonth = 0;  // 1..12
    int nDay = 0;    // 1..31
    int nHour = 0;
    int nMinute = 0;
    int nSecond = 0;
    bool operator==(const DateTime&) const = default;
};

// The local wall clock's reading.
struct LocalDateTime : DateTime {
    int nDayOfWeek = 4; // 0 = Sunday
};

// Seconds since 1970-01-01 00:00:00 UTC as local time.
LocalDateTime LocalDateTimeOf(int64_t nSeconds);

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
