#include "models/month_calendar.h"

#include <algorithm>

namespace ostrel {

bool CalendarDate::IsLeapYear(int nYear)
{
    return (nYear % 4 == 0 && nYear % 100 != 0) || nYear % 400 == 0;
}

int CalendarDate::DaysInMonth(int nYear, int nMonth)
{
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (nMonth < 1 || nMonth > 12)
        return 0;
    return nMonth == 2 && IsLeapYear(nYear) ? 29 : kDays[nMonth - 1];
}

bool CalendarDate::IsValid() const
{
    // The year bound keeps the day count far from overflow.
    return nYear >= -100000 && nYear <= 100000 && nDay >= 1 && nDay <= DaysInMonth(nYear, nMonth);
}

// Counts in 400-year eras of 146097 days, each year starting on 1 March so that the leap day
// is the last day of its year.
int64_t CalendarDate::ToDays(const CalendarDate& d)
{
    const int64_t nY = d.nYear - (d.nMonth <= 2 ? 1 : 0);
    const int64_t nEra = (nY >= 0 ? nY : nY - 399) / 400;
    const int64_t nYearOfEra = nY - nEra * 400;
    const int64_t nMonthFromMarch = d.nMonth > 2 ? d.nMonth - 3 : d.nMonth + 9;
    const int64_t nDayOfYear = (153 * nMonthFromMarch + 2) / 5 + d.nDay - 1;
    const int64_t nDayOfEra = nYearOfEra * 365 + nYearOfEra / 4 - nYearOfEra / 100 + nDayOfYear;
    return nEra * 146097 + nDayOfEra - 719468;
}

CalendarDate CalendarDate::FromDays(int64_t nDays)
{
    const int64_t z = nDays + 719468;
    const int64_t nEra = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t nDayOfEra = z - nEra * 146097;
    const int64_t nYearOfEra = (nDayOfEra - nDayOfEra / 1460 + nDayOfEra / 36524 - nDayOfEra / 146096) / 365;
    const int64_t nDayOfYear = nDayOfEra - (365 * nYearOfEra + nYearOfEra / 4 - nYearOfEra / 100);
    const int64_t nMonthFromMarch = (5 * nDayOfYear + 2) / 153;
    const int nDay = static_cast<int>(nDayOfYear - (153 * nMonthFromMarch + 2) / 5 + 1);
    const int nMonth = static_cast<int>(nMonthFromMarch < 10 ? nMonthFromMarch + 3 : nMonthFromMarch - 9);
    const int nYear = static_cast<int>(nYearOfEra + nEra * 400 + (nMonth <= 2 ? 1 : 0));
    return {nYear, nMonth, nDay};
}

int CalendarDate::Weekday() const
{
    // 1970-01-01 was a Thursday (5).
    const int64_t nFromThursday = ToDays(*this) % 7;
    return static_cast<int>((nFromThursday + 7 + 4) % 7) + 1;
}

uint32_t CMonthCalendar::HeaderColour(int nColumn)
{
    if (nColumn == 0)
        return kSundayColour;
    return nColumn == 6 ? kSaturdayColour : kWeekdayColour;
}

CMonthCalendar::CMonthCalendar(const CalendarDate& today)
{
    if (!SetDate(today, today))
        SetDate(kMinDate, today);
}

CalendarDate CMonthCalendar::Clamped(const CalendarDate& d)
{
    return std::clamp(d, kMinDate, kMaxDate);
}

bool CMonthCalendar::SetDate(const CalendarDate& d, const CalendarDate& today)
{
    if (!d.IsValid())
        return false;
    m_selected = Clamped(d);
    ShowMonthOf(m_selected, today);
    return true;
}

void CMonthCalendar::SetYear(int nYear, const CalendarDate& today)
{
    if (nYear <= kMinYear)
        ShowMonthOf(kMinDate, today);
    else if (nYear >= kMaxYear)
        ShowMonthOf(kMaxDate, today);
    else
        ShowMonthOf({nYear, m_nDisplayedMonth, 1}, today);
}

void CMonthCalendar::StepYear(int nStep, const CalendarDate& today)
{
    // Bounded before adding so that no step can overflow.
    SetYear(m_nDisplayedYear + std::clamp(nStep, -(kMaxYear - kMinYear), kMaxYear - kMinYear), today);
}

void CMonthCalendar::StepMonth(int nStep, const CalendarDate& today)
{
    const int nMonths = std::clamp(nStep, -12 * (kMaxYear - kMinYear + 1), 12 * (kMaxYear - kMinYear + 1));
    const CalendarDate mid{m_nDisplayedYear, m_nDisplayedMonth, 15};
    CalendarDate target = mid.AddDays(int64_t{30} * nMonths);
    target.nDay = 1;
    if (target < CalendarDate{kMinDate.nYear, kMinDate.nMonth, 1})
        target = kMinDate;
    else if (target > kMaxDate)
        target = kMaxDate;
    ShowMonthOf(target, today);
}

void CMonthCalendar::ChooseMonth(int nIndex, const CalendarDate& today)
{
    if (nIndex < 0 || nIndex > 11)
        return;
    ShowMonthOf(Clamped({m_nDisplayedYear, nIndex + 1, 1}), today);
}

void CMonthCalendar::Press(int nCell)
{
    if (m_nPressed >= 0)
        m_cells[static_cast<size_t>(m_nPressed)].bPressed = false;
    m_nPressed = nCell >= 0 && nCell < kCellCount ? nCell : -1;
    if (m_nPressed >= 0)
        m_cells[static_cast<size_t>(m_nPressed)].bPressed = true;
}

bool CMonthCalendar::Release(int nCell, const CalendarDate& today)
{
    const int nPressed = m_nPressed;
    Press(-1);
    if (nCell < 0 || nCell >= kCellCount || nCell != nPressed)
        return false;
    const CalendarDate d = m_cells[static_cast<size_t>(nCell)].date;
    if (d < kMinDate || d > kMaxDate)
        return false;
    m_selected = d;
    if (d.nYear != m_nDisplayedYear || d.nMonth != m_nDisplayedMonth)
        ShowMonthOf(d, today);
    else
        MarkSelected();
    return true;
}

void CMonthCalendar::SetHot(int nCell)
{
    if (m_nHot >= 0)
        m_cells[static_cast<size_t>(m_nHot)].bHot = false;
    m_nHot = nCell >= 0 && nCell < kCellCount ? nCell : -1;
    if (m_nHot >= 0)
        m_cells[static_cast<size_t>(m_nHot)].bHot = true;
}

int CMonthCalendar::HitTest(int x, int y)
{
    if (x < kLeft || y < kDaysTop)
        return -1;
    const int nColumn = (x - kLeft) / kCellWidth;
    const int nRow = (y - kDaysTop) / kCellHeight;
    if (nColumn >= kColumns || nRow >= kCellCount / kColumns)
        return -1;
    return nRow * kColumns + nColumn;
}

CellRect CMonthCalendar::CellRectOf(int nCell)
{
    if (nCell < 0 || nCell >= kCellCount)
        return {};
    const int nLeft = kLeft + (nCell % kColumns) * kCellWidth;
    const int nTop = kDaysTop + (nCell / kColumns) * kCellHeight;
    return {nLeft, nTop, nLeft + kCellWidth, nTop + kCellHeight};
}

CellRect CMonthCalendar::HeaderRectOf(int nColumn)
{
    if (nColumn < 0 || nColumn >= kColumns)
        return {};
    const int nLeft = kLeft + nColumn * kCellWidth;
    return {nLeft, kHeaderTop, nLeft + kCellWidth, kHeaderBottom};
}

void CMonthCalendar::ShowMonthOf(const CalendarDate& d, const CalendarDate& today)
{
    m_nDisplayedYear = d.nYear;
    m_nDisplayedMonth = d.nMonth;
    const CalendarDate first{d.nYear, d.nMonth, 1};
    // A month that begins on a Sunday still shows a whole week of the month before.
    int nWeekday = first.Weekday();
    if (nWeekday == 1)
        nWeekday = 8;
    const int64_t nStart = CalendarDate::ToDays(first) - (nWeekday - 1);
    for (int k = 0; k < kCellCount; ++k) {
        Cell& cell = m_cells[static_cast<size_t>(k)];
        cell = {};
        cell.date = CalendarDate::FromDays(nStart + k);
        if (cell.date == today)
            cell.byKind = KIND_TODAY;
        else if (cell.date.nMonth != d.nMonth)
            cell.byKind = KIND_NEIGHBOUR;
    }
    m_nHot = -1;
    m_nPressed = -1;
    MarkSelected();
}

void CMonthCalendar::MarkSelected()
{
    for (Cell& cell : m_cells)
        cell.bSelected = cell.date == m_selected;
}

} // namespace ostrel
