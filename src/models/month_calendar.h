#pragma once

// The month calendar's page: 42 day cells under a weekday header, the selected date, the
// displayed month, and what the mouse and the header controls do to them.

#include "models/cell_rect.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace ostrel {

// A day of the proleptic Gregorian calendar, with its own arithmetic (no time zone, no clock).
struct CalendarDate {
    int nYear = 1970;
    int nMonth = 1; // 1..12
    int nDay = 1;   // 1..DaysInMonth

    static bool IsLeapYear(int nYear);
    // 28..31; 0 for a month outside 1..12.
    static int DaysInMonth(int nYear, int nMonth);
    // Day 0 is 1970-01-01. Only for valid dates.
    static int64_t ToDays(const CalendarDate& d);
    static CalendarDate FromDays(int64_t nDays);

    bool IsValid() const;
    // 1 = Sunday .. 7 = Saturday.
    int Weekday() const;
    CalendarDate AddDays(int64_t nDays) const { return FromDays(ToDays(*this) + nDays); }

    auto operator<=>(const CalendarDate&) const = default;
};

// Drive it with the page commands (SetDate, StepYear, StepMonth, ChooseMonth, Release), which
// rebuild the page and take today's date from the caller, and with the pointer marks (Press,
// SetHot). Cells are numbered 0..41 row by row, Sunday first. Positions are client pixels.
class CMonthCalendar {
public:
    enum CellKind : uint8_t { KIND_MONTH = 0, KIND_NEIGHBOUR = 1, KIND_TODAY = 2 };

    struct Cell {
        CalendarDate date;
        uint8_t byKind = KIND_MONTH;
        bool bSelected = false;
        bool bPressed = false;
        bool bHot = false; // under the pointer
    };

    static constexpr int kCellCount = 42;
    static constexpr int kColumns = 7;
    static constexpr int kCellWidth = 29;
    static constexpr int kCellHeight = 20;
    static constexpr int kLeft = 8;        // first column's left edge
    static constexpr int kHeaderTop = 26;  // weekday row, up to kHeaderBottom
    static constexpr int kHeaderBottom = 46;
    static constexpr int kDaysTop = 50;    // first day row
    static constexpr int kClientWidth = kCellWidth * kColumns + 16;
    static constexpr int kClientHeight = kDaysTop + kCellHeight * 6;
    static constexpr int kMinYear = 1900;
    static constexpr int kMaxYear = 2200;
    static constexpr CalendarDate kMinDate{1900, 12, 1};
    static constexpr CalendarDate kMaxDate{2200, 1, 31};

    // Weekday header, Sunday first, and its text colours as 0xRRGGBB.
    static constexpr std::array<const char*, 7> kHeaderTexts{"Sun", "Mon", "Tue", "Wed", "Thr", "Fri", "Sat"};
    static constexpr uint32_t kSundayColour = 0xFF4040;
    static constexpr uint32_t kWeekdayColour = 0xC0C0C0;
    static constexpr uint32_t kSaturdayColour = 0x4040FF;
    static uint32_t HeaderColour(int nColumn);

    // Starts on today's month with today selected.
    explicit CMonthCalendar(const CalendarDate& today);

    // Selects d and shows its month. A date before the minimum or after the maximum is taken
    // as that limit; an impossible date (month 13, February 30) changes nothing and gives false.
    bool SetDate(const CalendarDate& d, const CalendarDate& today);
    // Moves the displayed year by nStep. Up to 1900 the page shows the minimum date's month,
    // from 2200 the maximum's; otherwise day 1 of the displayed month of the new year.
    void StepYear(int nStep, const CalendarDate& today);
    // Shows nYear (the year field's value), clamped like StepYear.
    void SetYear(int nYear, const CalendarDate& today);
    // Moves the page by whole months: 30 days per step from the 15th of the displayed month.
    // The page never leaves the months of the minimum and maximum date.
    void StepMonth(int nStep, const CalendarDate& today);
    // Month list entry i (0 = January) of the displayed year; kept within the limits as above.
    void ChooseMonth(int nIndex, const CalendarDate& today);

    // The left button goes down on cell nCell (-1: none).
    void Press(int nCell);
    // The button comes up over cell nCell (-1: none). Selects its date when the press went down
    // on the same cell and the date lies within the limits, turning the page when it belongs to a neighbouring month; returns true when a
    // date was selected (the parent is to be told).
    bool Release(int nCell, const CalendarDate& today);
    // Marks the cell under the pointer; -1 clears the mark (the pointer left).
    void SetHot(int nCell);

    // Cell under client point (x, y), or -1.
    static int HitTest(int x, int y);
    static CellRect CellRectOf(int nCell);
    static CellRect HeaderRectOf(int nColumn);

    const Cell& CellAt(int nCell) const { return m_cells.at(static_cast<size_t>(nCell)); }
    const CalendarDate& Selected() const { return m_selected; }
    int DisplayedYear() const { return m_nDisplayedYear; }
    int DisplayedMonth() const { return m_nDisplayedMonth; }
    int HotCell() const { return m_nHot; }
    int PressedCell() const { return m_nPressed; }

private:
    static CalendarDate Clamped(const CalendarDate& d);
    void ShowMonthOf(const CalendarDate& d, const CalendarDate& today);
    void MarkSelected();

    std::array<Cell, kCellCount> m_cells{};
    CalendarDate m_selected;
    int m_nDisplayedYear = 1970;
    int m_nDisplayedMonth = 1;
    int m_nHot = -1;
    int m_nPressed = -1;
};

} // namespace ostrel
