// The archive's clock, tiles and month calendar at the edges the player and widget tests do not
// reach. Every expected value was worked out by hand; dates and seconds values were checked with
// GNU date (`date -u -d "2026-03-10 08:30:00 UTC" +%s`).
#include "models/archive_clock.h"
#include "models/month_calendar.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <tuple>
#include <utility>
#include <vector>

using namespace ostrel;

namespace {

using DT = ArchiveDateTime;
using Date = CalendarDate;

constexpr uint32_t kSec20260310_083000 = 1773131400;
constexpr uint32_t kSec20260320_060000 = 1773986400;

} // namespace

TEST(ArchiveClock, HourStepsCrossDaysMonthsAndYears)
{
    const std::tuple<bool, Date, int, DT> rows[] = {
        {true, {2026, 4, 30}, 23, {2026, 5, 1, 0, 0, 0}},   {true, {2024, 2, 28}, 23, {2024, 2, 29, 0, 0, 0}},
        {true, {2025, 12, 31}, 23, {2026, 1, 1, 0, 0, 0}},  {true, {2026, 5, 10}, 200, {2026, 5, 11, 0, 0, 0}},
        {false, {2026, 1, 1}, 0, {2025, 12, 31, 23, 0, 0}}, {false, {2026, 3, 1}, 0, {2026, 2, 28, 23, 0, 0}},
        {false, {2026, 5, 10}, -3, {2026, 5, 9, 23, 0, 0}},
    };
    for (const auto& [bNext, date, nHour, expected] : rows)
        EXPECT_EQ(expected, bNext ? NextHour(date, nHour) : PreviousHour(date, nHour)) << nHour;
    const ArchiveRange newYear{{2025, 12, 30, 12, 0, 0}, {2026, 1, 2, 12, 0, 0}, true, true};
    EXPECT_TRUE(IsRequestInRange({2025, 12, 31, 0, 0, 0}, newYear, false));
    EXPECT_FALSE(IsRequestInRange({2026, 1, 3, 0, 0, 0}, newYear, true));
}

TEST(ArchiveClock, RecordedRangeFromWordsAndSecondsValues)
{
    const DT kNow{2026, 12, 6, 14, 0, 0};
    const DT kOldStart{2020, 1, 1, 1, 2, 3};
    const DT kOldEnd{2020, 1, 2, 4, 5, 6};
    const DT kStart{2026, 3, 10, 8, 30, 0};
    struct Row {
        const char* pszName;
        uint32_t dwStartDate, dwStartTime, dwEndDate, dwEndTime;
        bool bKnown, bEndKnown;
        DT start, end; // the range afterwards
    } rows[] = {
        {"a start in month 13 becomes now", 0x07EA0D01, 0, 0x07EA0C1F, 0x17000000, true, true, kNow,
         {2026, 12, 31, 23, 0, 0}},
        {"an end at hour 24 becomes now and is no known end", 0x07EA030A, 0x081E0000, 0x07EA0314, 0x18000000, true,
         false, kStart, kNow},
        {"a start one second after the end", 0x07EA0314, 0x06000100, 0x07EA0314, 0x06000000, false, true, kOldStart,
         kOldEnd},
        {"all words zero: both become now", 0, 0, 0, 0, true, false, kNow, kNow},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.pszName);
        ArchiveRange range{kOldStart, kOldEnd, !row.bKnown, false};
        ApplyRecordRangeWords(range, row.dwStartDate, row.dwStartTime, row.dwEndDate, row.dwEndTime, kNow);
        EXPECT_EQ(row.bKnown, range.m_bRangeKnown);
        EXPECT_EQ(row.bEndKnown, range.m_bEndKnown);
        EXPECT_EQ(row.start, range.m_dtStart);
        EXPECT_EQ(row.end, range.m_dtEnd);
    }

    // A version 1 recorder's seconds values are local time; read in UTC, the values from GNU
    // date hold on any machine.
    ::setenv("TZ", "UTC0", 1);
    ::tzset();
    const std::tuple<uint32_t, uint32_t, bool, DT, DT> seconds[] = {
        {kSec20260320_060000, kSec20260310_083000, false, {2026, 3, 20, 6, 0, 0}, {2026, 3, 10, 8, 30, 0}},
        {0, kSec20260310_083000, true, {1970, 1, 1, 0, 0, 0}, {2026, 3, 10, 8, 30, 0}},
        {kSec20260310_083000, 0xFFFFFFFF, true, {2026, 3, 10, 8, 30, 0}, {2106, 2, 7, 6, 28, 15}},
    };
    for (const auto& [dwStart, dwEnd, bKnown, start, end] : seconds) {
        ArchiveRange range{kOldStart, kOldEnd, true, false};
        DT request{2001, 1, 1, 0, 0, 0};
        ApplyRecordRangeSeconds(range, dwStart, dwEnd, request);
        EXPECT_EQ(bKnown, range.m_bRangeKnown) << dwStart;
        EXPECT_EQ(start, range.m_dtStart);
        EXPECT_EQ(end, range.m_dtEnd);
        EXPECT_EQ(start, request) << "the request moves to the start";
    }
}

TEST(MonthCalendar, PageStartsOnTheRightDayAcrossLeapYearsAndLimits)
{
    struct Row {
        Date shown, firstCell;
        int nFirstOfMonthCell, nFirstOfNextCell;
    } rows[] = {
        {{2026, 2, 11}, {2026, 1, 25}, 7, 35}, // a Sunday start shows seven days before
        {{1900, 12, 1}, {1900, 11, 25}, 6, 37},
        {{2200, 1, 31}, {2199, 12, 29}, 3, 34},
        {{2000, 2, 1}, {2000, 1, 30}, 2, 31}, // 2000 is a leap year (divisible by 400)
        {{2100, 2, 28}, {2100, 1, 31}, 1, 29}, // 2100 is not (divisible by 100)
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.shown.nYear * 10000 + row.shown.nMonth * 100 + row.shown.nDay);
        constexpr Date kElsewhere{2026, 7, 1}; // a today that is on none of these pages
        CMonthCalendar cal(kElsewhere);
        ASSERT_TRUE(cal.SetDate(row.shown, kElsewhere));
        EXPECT_EQ(row.firstCell, cal.CellAt(0).date);
        EXPECT_EQ((Date{row.shown.nYear, row.shown.nMonth, 1}), cal.CellAt(row.nFirstOfMonthCell).date);
        EXPECT_EQ(1, cal.CellAt(row.nFirstOfNextCell).date.nDay);
        for (int k = 0; k < CMonthCalendar::kCellCount; ++k) {
            const bool bInMonth = k >= row.nFirstOfMonthCell && k < row.nFirstOfNextCell;
            EXPECT_EQ(bInMonth ? CMonthCalendar::KIND_MONTH : CMonthCalendar::KIND_NEIGHBOUR, cal.CellAt(k).byKind) << k;
            EXPECT_EQ(cal.CellAt(k).date == row.shown, cal.CellAt(k).bSelected) << k;
        }
    }
}

TEST(MonthCalendar, ImpossibleDatesAreRefusedAndOthersClampedToTheLimits)
{
    const Date kToday{2026, 2, 11};
    const std::tuple<Date, bool, Date> rows[] = {
        {{2024, 2, 29}, true, {2024, 2, 29}}, {{2100, 2, 29}, false, kToday},        {{2026, 13, 1}, false, kToday},
        {{2026, 4, 31}, false, kToday},       {{1900, 11, 30}, true, {1900, 12, 1}}, {{2200, 2, 1}, true, {2200, 1, 31}},
        {{-2147483647, 1, 1}, false, kToday},
    };
    for (const auto& [in, bAccepted, selected] : rows) {
        CMonthCalendar cal(kToday);
        EXPECT_EQ(bAccepted, cal.SetDate(in, kToday)) << in.nYear << "-" << in.nMonth << "-" << in.nDay;
        EXPECT_EQ(selected, cal.Selected());
        EXPECT_EQ(selected.nMonth, cal.DisplayedMonth());
    }
}
