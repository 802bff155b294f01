#include "models/archive_clock.h"

#include <algorithm>

namespace ostrel {

namespace {

constexpr int kMinYear = 1995;
constexpr int kEndYear = 2096;    // first year past the limits
constexpr int kKnownAfterYear = 1996;

ArchiveDateTime DateAt(const CalendarDate& d, int nHour)
{
    ArchiveDateTime dt;
    dt.nYear = d.nYear;
    dt.nMonth = d.nMonth;
    dt.nDay = d.nDay;
    dt.nHour = nHour;
    return dt;
}

// The calendar gives valid dates, but a month outside 1..12 must not index past the table.
int MonthLength(int nYear, int nMonth)
{
    const int nDays = CalendarDate::DaysInMonth(nYear, nMonth);
    return nDays > 0 ? nDays : 31;
}

bool IsPlausibleDateTime(const ArchiveDateTime& dt)
{
    return IsPlausibleDate(dt.nYear, dt.nMonth, dt.nDay) && IsPlausibleTimeOfDay(dt.nHour, dt.nMinute, dt.nSecond);
}

bool IsAfter(const ArchiveDateTime& a, const ArchiveDateTime& b)
{
    const uint32_t dwA = DateKey(a);
    const uint32_t dwB = DateKey(b);
    return dwA != dwB ? dwA > dwB : SecondOfDay(a) > SecondOfDay(b);
}

} // namespace

bool IsPlausibleDate(int nYear, int nMonth, int nDay)
{
    return nYear >= kMinYear && nYear < kEndYear && nMonth >= 1 && nMonth <= 12 && nDay >= 1 && nDay <= 31;
}

bool IsPlausibleTimeOfDay(int nHour, int nMinute, int nSecond)
{
    return nHour >= 0 && nHour < 24 && nMinute >= 0 && nMinute < 60 && nSecond >= 0 && nSecond < 60;
}

void ApplyRecordRangeWords(ArchiveRange& range, uint32_t dwStartDate, uint32_t dwStartTime,
                           uint32_t dwEndDate, uint32_t dwEndTime, const ArchiveDateTime& dtNow)
{
    ArchiveDateTime dtStart = wire::SplitDateTimeWords(dwStartDate, dwStartTime);
    if (!IsPlausibleDateTime(dtStart))
        dtStart = dtNow;
    ArchiveDateTime dtEnd = wire::SplitDateTimeWords(dwEndDate, dwEndTime);
    if (IsPlausibleDateTime(dtEnd))
        range.m_bEndKnown = true;
    else
        dtEnd = dtNow;

    if (dtStart.nYear > kKnownAfterYear && dtEnd.nYear > kKnownAfterYear && !IsAfter(dtStart, dtEnd)) {
        range.m_bRangeKnown = true;
        range.m_dtStart = dtStart;
        range.m_dtEnd = dtEnd;
    } else {
        range.m_bRangeKnown = false;
    }
}

void ApplyRecordRangeSeconds(ArchiveRange& range, uint32_t dwStartSeconds, uint32_t dwEndSeconds,
                             ArchiveDateTime& dtRequest)
{
    range.m_dtStart = wire::SplitSecondsValue(dwStartSeconds);
    range.m_dtEnd = wire::SplitSecondsValue(dwEndSeconds);
    dtRequest = range.m_dtStart;
    // Compared as values, not as local date-times: the hour repeated when clocks go back
    // must not turn a forward range around.
    if (dwStartSeconds > dwEndSeconds)
        range.m_bRangeKnown = false;
}

uint32_t DateKey(const ArchiveDateTime& dt)
{
    return wire::MakeDateWord(dt.nYear, dt.nMonth, dt.nDay);
}

int SecondOfDay(const ArchiveDateTime& dt)
{
    return dt.nHour * 3600 + dt.nMinute * 60 + dt.nSecond;
}

bool IsRequestInRange(const ArchiveDateTime& dtRequest, const ArchiveRange& range, bool bReverse)
{
    const uint32_t dwRequest = DateKey(dtRequest);
    const uint32_t dwStart = DateKey(range.m_dtStart);
    if (dwRequest > DateKey(range.m_dtEnd) || dwRequest < dwStart)
        return false;
    if (dwRequest > dwStart)
        return true;
    return !bReverse || SecondOfDay(dtRequest) > SecondOfDay(range.m_dtStart);
}

std::string_view PlayResultText(PlayResult result)
{
    switch (result) {
    case PlayResult::Error: return "ERROR";
    case PlayResult::NoSearchImage: return "No Search Image";
    case PlayResult::EndOfPlay: return "End of Play";
    case PlayResult::InvalidDate: return kInvalidDateText;
    }
    return {};
}

ArchiveDateTime NextHour(const CalendarDate& date, int nHour)
{
    nHour = std::clamp(nHour, 0, 23);
    if (nHour < 23)
        return DateAt(date, nHour + 1);
    CalendarDate next = date;
    if (++next.nDay > MonthLength(next.nYear, next.nMonth)) {
        next.nDay = 1;
        if (++next.nMonth > 12) {
            next.nMonth = 1;
            ++next.nYear;
        }
    }
    return DateAt(next, 0);
}

ArchiveDateTime PreviousHour(const CalendarDate& date, int nHour)
{
    nHour = std::clamp(nHour, 0, 23);
    if (nHour >= 1)
        return DateAt(date, nHour - 1);
    CalendarDate prev = date;
    if (--prev.nDay < 1) {
        if (--prev.nMonth < 1) {
            prev.nMonth = 12;
            --prev.nYear;
        }
        prev.nDay = MonthLength(prev.nYear, prev.nMonth);
    }
    return DateAt(prev, 23);
}

PosTime PosTime::FromSlider(int nSeconds)
{
    nSeconds = std::clamp(nSeconds, 0, kSliderMaxSeconds);
    return Of(nSeconds / 3600, nSeconds % 3600 / 60, nSeconds % 60);
}

ImageTimeUpdate ImageTimeFromWords(uint32_t dwWordA, uint32_t dwWordB, PosTime posTime)
{
    ArchiveDateTime dt;
    dt.nYear = static_cast<int>((dwWordA >> 8) & 0xFFFF);
    dt.nMonth = static_cast<int>(dwWordA & 0xFF);
    dt.nDay = static_cast<int>(dwWordB >> 24);
    dt.nHour = static_cast<int>((dwWordB >> 16) & 0xFF);
    dt.nMinute = static_cast<int>((dwWordB >> 8) & 0xFF);
    dt.nSecond = static_cast<int>(dwWordB & 0xFF);
    return ImageTimeFromDateTime(dt, posTime);
}

ImageTimeUpdate ImageTimeFromSeconds(uint32_t dwSeconds, PosTime posTime)
{
    return ImageTimeFromDateTime(wire::SplitSecondsValue(dwSeconds), posTime);
}

ImageTimeUpdate ImageTimeFromDateTime(const ArchiveDateTime& dt, PosTime posTime)
{
    ImageTimeUpdate update;
    if (!IsPlausibleDate(dt.nYear, dt.nMonth, dt.nDay))
        return update;
    update.bDateAccepted = true;
    update.stamp = dt;
    const PosTime newTime = PosTime::Of(dt.nHour, dt.nMinute, dt.nSecond);
    // The second is checked too, so that the slider never goes past 23:59:59.
    if (newTime != posTime && IsPlausibleTimeOfDay(dt.nHour, dt.nMinute, dt.nSecond)) {
        update.bTimeMoves = true;
        update.nSliderSeconds = SecondOfDay(dt);
        update.posTime = newTime;
    }
    return update;
}

PlayControlWord BuildPlayControl(PlayControl control, PlayState state, int nRequestSpeed)
{
    PlayControlWord word;
    if (control == PLAY_STOP)
        return word;
    const PlayAction action = state.IsPlaying() ? PlayAction::Change : PlayAction::Start;
    const bool bNormal = control == PLAY_REVERSE || control == PLAY_FORWARD;
    const auto bySpeed = static_cast<uint8_t>(bNormal ? 1 : std::clamp(nRequestSpeed, 0, 255));
    const bool bReverse = control == PLAY_FAST_REVERSE || control == PLAY_REVERSE;
    word.dwPlayCtrl = MakePlayCtrl(action, bySpeed, bReverse);
    word.playState = PlayState::Playing(bReverse);
    return word;
}

PlayStartFields BuildPlayStart(uint8_t byProtocolVersion, const ArchiveDateTime& dtRequest,
                               const ArchiveDateTime& dtEnd)
{
    PlayStartFields fields;
    if (byProtocolVersion == 1) {
        fields.dwPlayDate = wire::MakeSecondsValue(dtRequest);
        fields.dwPlayTime = wire::MakeSecondsValue(dtEnd);
    } else {
        fields.dwPlayDate = DateKey(dtRequest);
        fields.dwPlayTime = wire::MakeTimeWord(dtRequest.nHour, dtRequest.nMinute, dtRequest.nSecond);
    }
    return fields;
}

} // namespace ostrel
