// The month calendar's page: dates, cell kinds, limits and what clicks and the header controls
// do, at the edges the widget's tests do not reach. Every expected date was worked out by hand
// and checked with GNU date.
#include "models/month_calendar.h"

#include <gtest/gtest.h>

#include <ostream>

using namespace ostrel;

namespace ostrel {
void PrintTo(const CalendarDate& d, std::ostream* pOut)
{
    *pOut << d.nYear << '-' << d.nMonth << '-' << d.nDay;
}
} // namespace ostrel

namespace {

using Date = CalendarDate;
constexpr Date kToday{2026, 2, 11};
constexpr Date kElsewhere{2026, 7, 1}; // a today that is on none of the pages below

CMonthCalendar Showing(const Date& date)
{
    CMonthCalendar cal(kElsewhere);
    EXPECT_TRUE(cal.SetDate(date, kElsewhere));
    return cal;
}

} // namespace

TEST(MonthCalendar, PageStartsOnTheRightDayAndRunsAcrossMonthEnds)
{
    struct Row {
        const char* pszName;
        Date shown, firstCell;
        int nFirstOfMonthCell, nFirstOfNextCell;
        Date lastOfMonth; // the cell just before nFirstOfNextCell
    } rows[] = {
        {"a Sunday start shows seven days before", {2026, 2, 11}, {2026, 1, 25}, 7, 35, {2026, 2, 28}},
        {"a Saturday start shows six days before", {1900, 12, 1}, {1900, 11, 25}, 6, 37, {1900, 12, 31}},
        {"a Wednesday start crosses the year backwards", {2200, 1, 31}, {2199, 12, 29}, 3, 34, {2200, 1, 31}},
        {"2000 is a leap year (divisible by 400)", {2000, 2, 1}, {2000, 1, 30}, 2, 31, {2000, 2, 29}},
        {"2100 is not (divisible by 100)", {2100, 2, 28}, {2100, 1, 31}, 1, 29, {2100, 2, 28}},
        {"2024 is (divisible by 4)", {2024, 2, 29}, {2024, 1, 28}, 4, 33, {2024, 2, 29}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.pszName);
        const CMonthCalendar cal = Showing(row.shown);
        EXPECT_EQ(row.shown.nMonth, cal.DisplayedMonth());
        EXPECT_EQ(row.firstCell, cal.CellAt(0).date);
        EXPECT_EQ((Date{row.shown.nYear, row.shown.nMonth, 1}), cal.CellAt(row.nFirstOfMonthCell).date);
        EXPECT_EQ(row.lastOfMonth, cal.CellAt(row.nFirstOfNextCell - 1).date);
        EXPECT_EQ(1, cal.CellAt(row.nFirstOfNextCell).date.nDay);
        for (int k = 0; k < CMonthCalendar::kCellCount; ++k) {
            const bool bInMonth = k >= row.nFirstOfMonthCell && k < row.nFirstOfNextCell;
            EXPECT_EQ(bInMonth ? CMonthCalendar::KIND_MONTH : CMonthCalendar::KIND_NEIGHBOUR, cal.CellAt(k).byKind) << k;
            EXPECT_EQ(cal.CellAt(k).date == row.shown, cal.CellAt(k).bSelected) << k;
        }
    }

    CMonthCalendar cal(kToday);
    EXPECT_EQ(kToday, cal.Selected());
    EXPECT_EQ(CMonthCalendar::KIND_TODAY, cal.CellAt(17).byKind); // 2026-02-11, a Wednesday
    // The March 2026 page begins on 2026-02-22; today on a grey day is still today.
    ASSERT_TRUE(cal.SetDate({2026, 3, 5}, {2026, 2, 23}));
    EXPECT_EQ(CMonthCalendar::KIND_TODAY, cal.CellAt(1).byKind);
    EXPECT_EQ(CMonthCalendar::KIND_NEIGHBOUR, cal.CellAt(0).byKind);
}

TEST(MonthCalendar, ClicksSelectWithinTheLimitsAndTurnThePage)
{
    struct Row {
        const char* pszName;
        Date shown;
        int nCell;
        bool bNotify;
        Date selected;
        int nMonth; // displayed afterwards
    } rows[] = {
        {"a grey day of the next month turns the page", {2026, 2, 11}, 36, true, {2026, 3, 2}, 3},
        {"a grey day across New Year", {2026, 12, 1}, 41, true, {2027, 1, 9}, 1},
        {"the minimum date itself", {1900, 12, 24}, 6, true, {1900, 12, 1}, 12},
        {"a day before the minimum is refused", {1900, 12, 24}, 5, false, {1900, 12, 24}, 12},
        {"the maximum date itself", {2200, 1, 2}, 33, true, {2200, 1, 31}, 1},
        {"a day after the maximum is refused", {2200, 1, 2}, 34, false, {2200, 1, 2}, 1},
        {"outside the cells nothing happens", {2026, 2, 11}, -1, false, {2026, 2, 11}, 2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.pszName);
        CMonthCalendar cal = Showing(row.shown);
        cal.Press(row.nCell);
        EXPECT_EQ(row.nCell, cal.PressedCell());
        EXPECT_EQ(row.bNotify, cal.Release(row.nCell, kElsewhere));
        EXPECT_EQ(row.selected, cal.Selected());
        EXPECT_EQ(row.selected.nYear, cal.DisplayedYear());
        EXPECT_EQ(row.nMonth, cal.DisplayedMonth());
        EXPECT_EQ(-1, cal.PressedCell());
        int nSelectedCells = 0;
        for (int k = 0; k < CMonthCalendar::kCellCount; ++k) {
            EXPECT_FALSE(cal.CellAt(k).bPressed);
            nSelectedCells += cal.CellAt(k).bSelected ? 1 : 0;
        }
        EXPECT_EQ(1, nSelectedCells);
    }
}

TEST(MonthCalendar, YearAndMonthStepsTurnThePageWithinTheLimits)
{
    enum Kind { kYear, kMonth, kList };
    struct Row {
        const char* pszName;
        Date shown;
        Kind kind;
        int nStep; // years, months or the list's entry
        int nYear, nMonth;
    } rows[] = {
        {"one year on keeps the month", {2026, 2, 11}, kYear, 1, 2027, 2},
        {"going beyond 2200 shows the maximum's month", {2100, 6, 1}, kYear, 1000000, 2200, 1},
        {"January back to December", {2027, 1, 1}, kMonth, -1, 2026, 12},
        {"March back to February", {2026, 3, 31}, kMonth, -1, 2026, 2},
        {"not before the minimum's month", {1900, 12, 1}, kMonth, -1, 1900, 12},
        {"not after the maximum's month", {2200, 1, 31}, kMonth, 1, 2200, 1},
        {"list entry 11 is December of the displayed year", {2026, 8, 3}, kList, 11, 2026, 12},
        {"list entry before the minimum takes the minimum's month", {1900, 12, 3}, kList, 4, 1900, 12},
        {"an entry outside the list changes nothing", {2026, 8, 3}, kList, 12, 2026, 8},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.pszName);
        CMonthCalendar cal = Showing(row.shown);
        if (row.kind == kYear)
            cal.StepYear(row.nStep, kElsewhere);
        else if (row.kind == kMonth)
            cal.StepMonth(row.nStep, kElsewhere);
        else
            cal.ChooseMonth(row.nStep, kElsewhere);
        EXPECT_EQ(row.nYear, cal.DisplayedYear());
        EXPECT_EQ(row.nMonth, cal.DisplayedMonth());
        EXPECT_EQ(row.shown, cal.Selected()) << "a step only turns the page";
    }
    // The page is rebuilt for day 1: February 2027 begins on a Monday, so the page on 2027-01-31.
    CMonthCalendar cal = Showing({2026, 2, 11});
    cal.StepYear(1, kElsewhere);
    EXPECT_EQ((Date{2027, 1, 31}), cal.CellAt(0).date);
    cal.SetYear(1899, kElsewhere); // the year field is clamped the same way
    EXPECT_EQ((Date{1900, 11, 25}), cal.CellAt(0).date);
    cal.SetYear(9999, kElsewhere);
    EXPECT_EQ((Date{2199, 12, 29}), cal.CellAt(0).date);
}

TEST(MonthCalendar, SetDateRefusesImpossibleDatesAndClampsToTheLimits)
{
    struct Row {
        Date in;
        bool bAccepted;
        Date selected;
    } rows[] = {
        {{2024, 2, 29}, true, {2024, 2, 29}},  {{2100, 2, 29}, false, kToday},       {{2026, 13, 1}, false, kToday},
        {{2026, 4, 31}, false, kToday},        {{1900, 11, 30}, true, {1900, 12, 1}}, {{2200, 2, 1}, true, {2200, 1, 31}},
        {{-2147483647, 1, 1}, false, kToday},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::PrintToString(row.in));
        CMonthCalendar cal(kToday);
        EXPECT_EQ(row.bAccepted, cal.SetDate(row.in, kToday));
        EXPECT_EQ(row.selected, cal.Selected());
        EXPECT_EQ(row.selected.nMonth, cal.DisplayedMonth());
    }
}

TEST(MonthCalendar, DateArithmeticAgainstKnownDays)
{
    // Days since 1970-01-01 and weekdays (1 = Sunday), from GNU date.
    struct Row {
        Date d;
        int64_t nDays;
        int nWeekday;
    } rows[] = {
        {{1970, 1, 1}, 0, 5},          {{1900, 12, 1}, -25233, 7}, {{2000, 2, 29}, 11016, 3},
        {{2200, 1, 31}, 84036, 6},     {{1600, 3, 1}, -135080, 4},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(row.nDays, CalendarDate::ToDays(row.d));
        EXPECT_EQ(row.d, CalendarDate::FromDays(row.nDays));
        EXPECT_EQ(row.nWeekday, row.d.Weekday());
    }
}
