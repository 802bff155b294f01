// The simulator's event log leaves out the daily stretches it did not record, so that every
// logged event plays pictures. The oracle reads the hour and minute bytes of each record.
#include "event_log_maker.h"
#include "play_timeline.h"

#include <gtest/gtest.h>

#include <functional>

using namespace ostrel;
using namespace ostrel::dvrsim;

namespace {

// How many of the log's records satisfy pred(hour, minute).
size_t CountWhere(const std::vector<uint8_t>& log, const std::function<bool(int, int)>& pred)
{
    size_t n = 0;
    for (size_t i = 0; i + kAlarmEventRecordBytes <= log.size(); i += kAlarmEventRecordBytes)
        if (pred(log[i + 5], log[i + 6]))
            ++n;
    return n;
}

} // namespace

TEST(EventLogGaps, NoEventIsLoggedInsideADailyGap)
{
    const RecordedRange range{wire::MakeSecondsValue({2024, 5, 10, 8, 0, 0}), wire::MakeSecondsValue({2024, 5, 17, 8, 0, 0})};
    struct Case {
        const char* pszName;
        int nFrom, nTo;                   // seconds of the day
        std::function<bool(int, int)> inGap; // by the record's hour and minute
    };
    const Case cases[] = {
        {"03:00-03:30", 3 * 3600, 3 * 3600 + 1800, [](int h, int m) { return h == 3 && m < 30; }},
        {"23:00-01:00 across midnight", 23 * 3600, 3600, [](int h, int) { return h == 23 || h == 0; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszName);
        CPlayTimeline timeline;
        timeline.SetDailyGap(c.nFrom, c.nTo);
        const std::vector<uint8_t> unfiltered = CEventLogMaker::Make(range, 16, 2000, 3);
        ASSERT_GT(CountWhere(unfiltered, c.inGap), 0u) << "without the gap some events fall into it";

        const std::vector<uint8_t> log =
            CEventLogMaker::Make(range, 16, 2000, 3, [&](int64_t s) { return !timeline.InGap(s); });
        EXPECT_GT(log.size(), 1500u * kAlarmEventRecordBytes) << "the log is still full";
        EXPECT_EQ(0u, CountWhere(log, c.inGap));
        EXPECT_EQ(log, CEventLogMaker::Make(range, 16, 2000, 3, [&](int64_t s) { return !timeline.InGap(s); }));
    }

    // Nothing recorded at all: nothing logged, and no endless search for a moment.
    EXPECT_TRUE(CEventLogMaker::Make(range, 16, 100, 3, [](int64_t) { return false; }).empty());
}
