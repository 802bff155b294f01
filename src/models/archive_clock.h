#pragma once

// The archive dialog's clock: the recorded range and whether it is known, the inside-range
// test, previous and next hour, jump to start or end, the play image time in its two forms,
// the time-of-day slider, and the play control word of the five play controls. Plain values
// in, plain values out; local time enters only through the seconds-value conversions.

#include "link/link_archive.h"
#include "link/wire_format.h"
#include "models/month_calendar.h"

#include <cstdint>
#include <string_view>

namespace ostrel {

using ArchiveDateTime = wire::DateTimeFields;

// Limits of an image or range date from the recorder: years 1995..2095, months 1..12, days 1..31.
bool IsPlausibleDate(int nYear, int nMonth, int nDay);
// A time of day with hour < 24, minute < 60, second < 60.
bool IsPlausibleTimeOfDay(int nHour, int nMinute, int nSecond);

// The recorded range as the dialog keeps it. Start and end are what the dialog shows; they
// keep their last values while the range is not known.
struct ArchiveRange {
    ArchiveDateTime m_dtStart;
    ArchiveDateTime m_dtEnd;
    bool m_bRangeKnown = false; // received, plausible and not reversed
    bool m_bEndKnown = false;   // the recorder sent a plausible end
};

// Date words and time words of a version 2 or later recorder. A start or end that fails the
// limits is replaced by dtNow (a plausible end sets m_bEndKnown). The range becomes known and
// takes both values only when both years are above 1996 and the start is not after the end;
// otherwise it is not known and start and end are left as they were.
void ApplyRecordRangeWords(ArchiveRange& range, uint32_t dwStartDate, uint32_t dwStartTime,
                           uint32_t dwEndDate, uint32_t dwEndTime, const ArchiveDateTime& dtNow);
// Seconds values of a version 1 recorder: start and end take the local date-times and the
// request is moved to the start. Known-ness is left as it was, except that a start after the
// end makes the range not known.
void ApplyRecordRangeSeconds(ArchiveRange& range, uint32_t dwStartSeconds, uint32_t dwEndSeconds,
                             ArchiveDateTime& dtRequest);

// Date as year << 16 | month << 8 | day and time of day as seconds, the orders the tests use.
uint32_t DateKey(const ArchiveDateTime& dt);
int SecondOfDay(const ArchiveDateTime& dt);

// Whether a play request at dtRequest lies inside [start, end]: strictly after the start date
// and not after the end date; on the start date itself always going forward, but in reverse
// only when the time of day is later than the start's. The end's time of day is not tested.
bool IsRequestInRange(const ArchiveDateTime& dtRequest, const ArchiveRange& range, bool bReverse);

// Shown when a request lies outside a known range, and for PlayResult::InvalidDate.
constexpr std::string_view kInvalidDateText = "Invalid Date";
// "ERROR", "No Search Image", "End of Play", "Invalid Date"; empty (nothing drawn) for a code
// without a name.
std::string_view PlayResultText(PlayResult result);

// Next hour from nHour on date: the same day up to hour 23, then hour 0 of the next day,
// rolling over month and year ends (February has 29 days in leap years). Minute and second
// are 0. An hour outside 0..23 is taken as the nearest of the two.
ArchiveDateTime NextHour(const CalendarDate& date, int nHour);
// Previous hour: the same day from hour 1, else hour 23 of the day before.
ArchiveDateTime PreviousHour(const CalendarDate& date, int nHour);
// Jump to start or end: the request becomes that end of the range as it stands.
inline ArchiveDateTime JumpToStart(const ArchiveRange& range) { return range.m_dtStart; }
inline ArchiveDateTime JumpToEnd(const ArchiveRange& range) { return range.m_dtEnd; }

// Slider 1085's range, seconds of the day.
constexpr int kSliderMaxSeconds = 86399;

// The slider's time of day as kept (m_dwPosTime): the recorder's time word, hour in bits 31..24,
// minute 23..16, second 15..8.
struct PosTime {
    uint32_t dwWord = 0;

    static constexpr PosTime Of(int nHour, int nMinute, int nSecond)
    {
        return PosTime{wire::MakeTimeWord(nHour, nMinute, nSecond)};
    }
    // From a slider position; one outside the slider's range is taken as its nearest end.
    static PosTime FromSlider(int nSeconds);
    constexpr int Hour() const { return static_cast<int>(dwWord >> 24); }
    constexpr int Minute() const { return static_cast<int>((dwWord >> 16) & 0xFF); }
    constexpr int Second() const { return static_cast<int>((dwWord >> 8) & 0xFF); }
    constexpr int SecondOfDay() const { return Hour() * 3600 + Minute() * 60 + Second(); }
    bool operator==(const PosTime&) const = default;
};

// What one play image time (or a jump) does to the dialog.
struct ImageTimeUpdate {
    bool bDateAccepted = false;  // date within limits: image date, stamp and calendar follow
    ArchiveDateTime stamp;       // names snapshots and AVI files; valid when bDateAccepted
    bool bTimeMoves = false;     // a new, plausible time of day: slider and time text follow
    int nSliderSeconds = 0;      // new slider position when bTimeMoves
    PosTime posTime;             // new time of day when bTimeMoves
};
// Packed form: word A = channel + 1 in bits 31..24, year 23..8, month 7..0; word B = day 31..24,
// hour 23..16, minute 15..8, second 7..0. posTime is the dialog's current time of day.
ImageTimeUpdate ImageTimeFromWords(uint32_t dwWordA, uint32_t dwWordB, PosTime posTime);
// Seconds form: the value as local time, then as ImageTimeFromDateTime.
ImageTimeUpdate ImageTimeFromSeconds(uint32_t dwSeconds, PosTime posTime);
// A date-time (an image time, a jump, previous or next hour) through the same limits.
ImageTimeUpdate ImageTimeFromDateTime(const ArchiveDateTime& dt, PosTime posTime);

// The five play controls 1075..1079 by index.
enum PlayControl : uint8_t {
    PLAY_FAST_REVERSE = 0,
    PLAY_REVERSE = 1,
    PLAY_STOP = 2,
    PLAY_FORWARD = 3,
    PLAY_FAST_FORWARD = 4,
};
constexpr int kSpeedWithoutView = 3;

// The play control word (P3 of the play request): byte 1 the action, byte 2 the speed, byte 3
// 1 for reverse. 0 is the stop.
enum class PlayAction : uint8_t { Stop = 0, Start = 1, Change = 2 };
constexpr uint32_t MakePlayCtrl(PlayAction action, uint8_t bySpeed, bool bReverse)
{
    return static_cast<uint32_t>(action) << 8 | static_cast<uint32_t>(bySpeed) << 16 | (bReverse ? 1u << 24 : 0u);
}
constexpr uint32_t kPlayCtrlStop = MakePlayCtrl(PlayAction::Stop, 0, false);
constexpr uint32_t kPlayCtrlStartForward = MakePlayCtrl(PlayAction::Start, 1, false);

struct PlayControlWord {
    uint32_t dwPlayCtrl = kPlayCtrlStop;
    PlayState playState;
};
// The control word a play control sends and the play state it leaves. state is the state
// before the press; nRequestSpeed the view's "Request Speed" (kSpeedWithoutView without a view),
// taken within 0..255; the normal-speed controls always use speed 1.
PlayControlWord BuildPlayControl(PlayControl control, PlayState state, int nRequestSpeed);

// The link's play date and play time fields for a request at dtRequest.
struct PlayStartFields {
    uint32_t dwPlayDate = 0;
    uint32_t dwPlayTime = 0;
};
// Version 1: seconds values of the request and of the range's end; later versions: the
// request's date word and time word.
PlayStartFields BuildPlayStart(uint8_t byProtocolVersion, const ArchiveDateTime& dtRequest,
                               const ArchiveDateTime& dtEnd);

} // namespace ostrel
