// The month calendar's page: dates, cell kinds, limits and what clicks and the header controls do.
// Every expected date was worked out by hand and checked with GNU date.
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

} // namespace

TEST(MonthCalendar, PageStartsOnTheRightDayAndRunsAcrossMonthEnds)
{
    struct Row {
        const char* pszName;
        Date shown;
        Date firstCell;
        int nFirstOfMonthCell;
        int nFirstOfNextCell;
        Date lastOfMonth; // the cell just before nFirstOfNextCell
    };
    const Row rows[] = {
        {"a month that begins on a Sunday shows seven days before it", {2026, 2, 11}, {2026, 1, 25}, 7, 35, {2026, 2, 28}},
        {"a Saturday start shows six days before", {1900, 12, 1}, {1900, 11, 25}, 6, 37, {1900, 12, 31}},
        {"a Wednesday start crosses the year backwards", {2200, 1, 31}, {2199, 12, 29}, 3, 34, {2200, 1, 31}},
        {"2000 is a leap year (divisible by 400)", {2000, 2, 1}, {2000, 1, 30}, 2, 31, {2000, 2, 29}},
        {"2100 is not (divisible by 100)", {2100, 2, 28}, {2100, 1, 31}, 1, 29, {2100, 2, 28}},
        {"2024 is (divisible by 4)", {2024, 2, 29}, {2024, 1, 28}, 4, 33, {2024, 2, 29}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.pszName);
        CMonthCalendar cal(kElsewhere);
        ASSERT_TRUE(cal.SetDate(row.shown, kElsewhere));
        EXPECT_EQ(row.shown.nYear, cal.DisplayedYear());
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
}

TEST(MonthCalendar, TodayIsKindTwoInTheMonthAndInTheGreyDays)
{
    CMonthCalendar cal(kToday);
    EXPECT_EQ(kToday, cal.Selected());
    EXPECT_EQ(CMonthCalendar::KIND_TODAY, cal.CellAt(17).byKind); // 2026-02-11, a Wednesday
    EXPECT_TRUE(cal.CellAt(17).bSelected);

    // On the March page, 2026-02-11 is not shown, 2026-03-01 is cell 0 (a Sunday start: the
    // page begins 2026-02-22); today on a grey day is still today.
    ASSERT_TRUE(cal.SetDate({2026, 3, 5}, {2026, 2, 23}));
    EXPECT_EQ((Date{2026, 2, 22}), cal.CellAt(0).date);
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
        int nYear, nMonth; // displayed afterwards
    };
    const Row rows[] = {
        {"a day of the month", {2026, 2, 11}, 20, true, {2026, 2, 14}, 2026, 2},
        {"a grey day of the next month turns the page", {2026, 2, 11}, 36, true, {2026, 3, 2}, 2026, 3},
        {"a grey day of the last month turns it back", {2026, 2, 11}, 0, true, {2026, 1, 25}, 2026, 1},
        {"a grey day across New Year", {2026, 12, 1}, 41, true, {2027, 1, 9}, 2027, 1},
        {"the minimum date itself", {1900, 12, 24}, 6, true, {1900, 12, 1}, 1900, 12},
        {"a day before the minimum is refused", {1900, 12, 24}, 5, false, {1900, 12, 24}, 1900, 12},
        {"the maximum date itself", {2200, 1, 2}, 33, true, {2200, 1, 31}, 2200, 1},
        {"a day after the maximum is refused", {2200, 1, 2}, 34, false, {2200, 1, 2}, 2200, 1},
        {"outside the cells nothing happens", {2026, 2, 11}, -1, false, {2026, 2, 11}, 2026, 2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.pszName);
        CMonthCalendar cal(kElsewhere);
        ASSERT_TRUE(cal.SetDate(row.shown, kElsewhere));
        cal.Press(row.nCell);
        if (row.nCell >= 0) {
            EXPECT_TRUE(cal.CellAt(row.nCell).bPressed);
        }
        EXPECT_EQ(row.bNotify, cal.Release(row.nCell, kElsewhere));
        EXPECT_EQ(row.selected, cal.Selected());
        EXPECT_EQ(row.nYear, cal.DisplayedYear());
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

TEST(MonthCalendar, YearStepsClampToTheLimitsMonths)
{
    struct Row {
        const char* pszName;
        Date shown;
        int nStep;
        int nYear, nMonth;
    };
    const Row rows[] = {
        {"one year on keeps the month", {2026, 2, 11}, 1, 2027, 2},
        {"one year back keeps the month", {2026, 7, 31}, -1, 2025, 7},
        {"reaching 1900 shows the minimum's month", {1901, 3, 1}, -1, 1900, 12},
        {"going below 1900 too", {1950, 6, 1}, -100, 1900, 12},
        {"reaching 2200 shows the maximum's month", {2199, 8, 1}, 1, 2200, 1},
        {"going beyond 2200 too", {2100, 6, 1}, 1000000, 2200, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.pszName);
        CMonthCalendar cal(kElsewhere);
        ASSERT_TRUE(cal.SetDate(row.shown, kElsewhere));
        cal.StepYear(row.nStep, kElsewhere);
        EXPECT_EQ(row.nYear, cal.DisplayedYear());
        EXPECT_EQ(row.nMonth, cal.DisplayedMonth());
        EXPECT_EQ(row.shown, cal.Selected()) << "a year step only turns the page";
    }
    // The page is rebuilt for day 1: February 2027 begins on a Monday, so the page on 2027-01-31.
    CMonthCalendar cal(kElsewhere);
    cal.SetDate({2026, 2, 11}, kElsewhere);
    cal.StepYear(1, kElsewhere);
    EXPECT_EQ((Date{2027, 1, 31}), cal.CellAt(0).date);
    // The year field's value is clamped the same way.
    cal.SetYear(1899, kElsewhere);
    EXPECT_EQ((Date{1900, 11, 25}), cal.CellAt(0).date);
    cal.SetYear(9999, kElsewhere);
    EXPECT_EQ((Date{2199, 12, 29}), cal.CellAt(0).date);
}

TEST(MonthCalendar, MonthStepsAndTheMonthList)
{
    struct Row {
        const char* pszName;
        Date shown;
        int nStep;     // month spin steps; 0 means the list's entry nIndex instead
        int nIndex;
        int nYear, nMonth;
    };
    const Row rows[] = {
        {"December forward to January", {2026, 12, 31}, 1, 0, 2027, 1},
        {"January back to December", {2027, 1, 1}, -1, 0, 2026, 12},
        {"March back to February (15th less 30 days is 13 February)", {2026, 3, 31}, -1, 0, 2026, 2},
        {"January forward to February (14 February)", {2026, 1, 31}, 1, 0, 2026, 2},
        {"not before the minimum's month", {1900, 12, 1}, -1, 0, 1900, 12},
        {"not after the maximum's month", {2200, 1, 31}, 1, 0, 2200, 1},
        {"list entry 0 is January of the displayed year", {2026, 8, 3}, 0, 0, 2026, 1},
        {"list entry 11 is December", {2026, 8, 3}, 0, 11, 2026, 12},
        {"list entry before the minimum takes the minimum's month", {1900, 12, 3}, 0, 4, 1900, 12},
        {"list entry after the maximum takes the maximum's month", {2200, 1, 3}, 0, 6, 2200, 1},
        {"an entry outside the list changes nothing", {2026, 8, 3}, 0, 12, 2026, 8},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.pszName);
        CMonthCalendar cal(kElsewhere);
        ASSERT_TRUE(cal.SetDate(row.shown, kElsewhere));
        if (row.nStep != 0)
            cal.StepMonth(row.nStep, kElsewhere);
        else
            cal.ChooseMonth(row.nIndex, kElsewhere);
        EXPECT_EQ(row.nYear, cal.DisplayedYear());
        EXPECT_EQ(row.nMonth, cal.DisplayedMonth());
        EXPECT_EQ(row.shown, cal.Selected());
    }
}

TEST(MonthCalendar, SetDateRefusesImpossibleDatesAndClampsToTheLimits)
{
    struct Row {
        const char* pszName;
        Date in;
        bool bAccepted;
        Date selected;
    };
    const Row rows[] = {
        {"29 February of a leap year", {2024, 2, 29}, true, {2024, 2, 29}},
        {"29 February 2100 does not exist", {2100, 2, 29}, false, {2026, 2, 11}},
        {"month 13", {2026, 13, 1}, false, {2026, 2, 11}},
        {"day 0", {2026, 3, 0}, false, {2026, 2, 11}},
        {"31 April", {2026, 4, 31}, false, {2026, 2, 11}},
        {"before the minimum", {1900, 11, 30}, true, {1900, 12, 1}},
        {"after the maximum", {2200, 2, 1}, true, {2200, 1, 31}},
        {"an absurd year", {-2147483647, 1, 1}, false, {2026, 2, 11}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.pszName);
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
    };
    const Row rows[] = {
        {{1970, 1, 1}, 0, 5},
        {{1900, 12, 1}, -25233, 7},
        {{2000, 2, 29}, 11016, 3},
        {{2200, 1, 31}, 84036, 6},
        {{1600, 3, 1}, -135080, 4},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(row.nDays, CalendarDate::ToDays(row.d));
        EXPECT_EQ(row.d, CalendarDate::FromDays(row.nDays));
        EXPECT_EQ(row.nWeekday, row.d.Weekday());
    }
}

TEST(MonthCalendar, PointerMarksAndHitTest)
{
    struct Row {
        const char* pszName;
        int x, y, nCell;
    };
    const Row rows[] = {
        {"first cell's top-left pixel", 8, 50, 0},
        {"first cell's last pixel", 36, 69, 0},
        {"second column", 37, 50, 1},
        {"second row", 8, 70, 7},
        {"last cell's last pixel", 210, 169, 41},
        {"left of the columns", 7, 60, -1},
        {"the header row", 20, 40, -1},
        {"right of the columns", 211, 60, -1},
        {"below the rows", 20, 170, -1},
    };
    for (const Row& row : rows)
        EXPECT_EQ(row.nCell, CMonthCalendar::HitTest(row.x, row.y)) << row.pszName;

    CMonthCalendar cal(kToday);
    cal.SetHot(9);
    cal.SetHot(10);
    EXPECT_FALSE(cal.CellAt(9).bHot);
    EXPECT_TRUE(cal.CellAt(10).bHot);
    cal.SetHot(-1);
    EXPECT_FALSE(cal.CellAt(10).bHot);
    EXPECT_EQ(-1, cal.HotCell());
    cal.SetHot(42);
    EXPECT_EQ(-1, cal.HotCell());
}
