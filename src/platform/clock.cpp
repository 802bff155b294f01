#include "platform/clock.h"

#include <chrono>
#include <ctime>

namespace ostrel {

int64_t SystemClock::TickMs() const
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

int64_t SystemClock::TickUs() const
{
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

LocalDateTime SystemClock::LocalNow() const
{
    return LocalDateTimeOf(std::time(nullptr));
}

LocalDateTime LocalDateTimeOf(int64_t nSeconds)
{
    const auto seconds = static_cast<std::time_t>(nSeconds);
    std::tm tmLocal{};
    localtime_r(&seconds, &tmLocal);
    LocalDateTime t;
    t.nYear = tmLocal.tm_year + 1900;
    t.nMonth = tmLocal.tm_mon + 1;
    t.nDay = tmLocal.tm_mday;
    t.nHour = tmLocal.tm_hour;
    t.nMinute = tmLocal.tm_min;
    t.nSecond = tmLocal.tm_sec;
    t.nDayOfWeek = tmLocal.tm_wday;
    return t;
}

} // namespace ostrel
