// The archive's clock: hour steps, the inside-range test, the recorded range in both forms,
// image times at and past their limits, and the control word of each play control. Every
// expected value was worked out by hand; the seconds values were checked with GNU date
// (`date -u -d "2026-03-10 08:30:00 UTC" +%s`).
#include "models/archive_clock.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <ostream>

namespace ostrel::wire {
void PrintTo(const DateTimeFields& t, std::ostream* pOut)
{
    *pOut << t.nYear << '-' << t.nMonth << '-' << t.nDay << ' ' << t.nHour << ':' << t.nMinute << ':' << t.nSecond;
}
} // namespace ostrel::wire

using namespace ostrel;

namespace {

using DT = ArchiveDateTime;

// Seconds values are local time; read in UTC, the values from GNU date hold on any machine.
void UseUtc()
{
    ::setenv("TZ", "UTC0", 1);
    ::tzset();
}

constexpr uint32_t kSec20260310_083000 = 1773131400;
constexpr uint32_t kSec20260310_083015 = 1773131415;
constexpr uint32_t kSec20260320_060000 = 1773986400;
constexpr uint32_t kSec19950101_000000 = 788918400;
constexpr uint32_t kSec20951231_235959 = 3976214399;

const ArchiveRange kMarch{{2026, 3, 10, 8, 30, 0}, {2026, 3, 20, 6, 0, 0}, true, true};

} // namespace

TEST(ArchiveClock, HourStepsCrossDaysMonthsAndYears)
{
    struct Row {
        const char* pszName;
        bool bNext;
        CalendarDate date;
        int nHour;
        DT expected;
    } rows[] = {
        {"the middle of a day", true, {2026, 5, 10}, 14, {2026, 5, 10, 15, 0, 0}},
        {"23 o'clock goes to midnight of the next day", true, {2026, 5, 10}, 23, {2026, 5, 11, 0, 0, 0}},
        {"30 April ends a 30-day month", true, {2026, 4, 30}, 23, {2026, 5, 1, 0, 0, 0}},
        {"28 February of a leap year", true, {2024, 2, 28}, 23, {2024, 2, 29, 0, 0, 0}},
        {"31 December", true, {2025, 12, 31}, 23, {2026, 1, 1, 0, 0, 0}},
        {"an hour past 23 is taken as 23", true, {2026, 5, 10}, 200, {2026, 5, 11, 0, 0, 0}},
        {"01:xx back to midnight", false, {2026, 1, 1}, 1, {2026, 1, 1, 0, 0, 0}},
        {"1 January back to 31 December", false, {2026, 1, 1}, 0, {2025, 12, 31, 23, 0, 0}},
        {"1 March 2026 back to 28 February", false, {2026, 3, 1}, 0, {2026, 2, 28, 23, 0, 0}},
        {"1 May back to 30 April", false, {2026, 5, 1}, 0, {2026, 4, 30, 23, 0, 0}},
        {"a negative hour is taken as midnight", false, {2026, 5, 10}, -3, {2026, 5, 9, 23, 0, 0}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.pszName);
        EXPECT_EQ(row.expected, row.bNext ? NextHour(row.date, row.nHour) : PreviousHour(row.date, row.nHour));
    }
}

TEST(ArchiveClock, InsideRangeTest)
{
    const ArchiveRange newYear{{2025, 12, 30, 12, 0, 0}, {2026, 1, 2, 12, 0, 0}, true, true};
    struct Row {
        const char* pszName;
        const ArchiveRange* pRange;
        DT request;
        bool bReverse;
        bool bInside;
    } rows[] = {
        {"forward on the start date before the start time", &kMarch, {2026, 3, 10, 7, 0, 0}, false, true},
        {"reverse on the start date at the start time", &kMarch, {2026, 3, 10, 8, 30, 0}, true, false},
        {"reverse one second after the start", &kMarch, {2026, 3, 10, 8, 30, 1}, true, true},
        {"the day before the start", &kMarch, {2026, 3, 9, 23, 59, 59}, false, false},
        {"on the end date after the end time (not tested)", &kMarch, {2026, 3, 20, 23, 0, 0}, false, true},
        {"the day after the end", &kMarch, {2026, 3, 21, 0, 0, 0}, false, false},
        {"31 December inside a range that ends in January", &newYear, {2025, 12, 31, 0, 0, 0}, false, true},
        {"after a range that crosses the year end", &newYear, {2026, 1, 3, 0, 0, 0}, true, false},
    };
    for (const Row& row : rows)
        EXPECT_EQ(row.bInside, IsRequestInRange(row.request, *row.pRange, row.bReverse)) << row.pszName;
    EXPECT_EQ("No Search Image", PlayResultText(2));
    EXPECT_EQ("ERROR", PlayResultText(0));
    EXPECT_EQ("", PlayResultText(0xFFFFFFFF));
}

TEST(ArchiveClock, RecordedRangeFromDateAndTimeWords)
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
        {"a plausible range", 0x07EA030A, 0x081E0000, 0x07EA0314, 0x06000000, true, true, kStart, {2026, 3, 20, 6, 0, 0}},
        {"start and end at the same moment", 0x07EA030A, 0x081E0000, 0x07EA030A, 0x081E0000, true, true, kStart, kStart},
        {"a start in month 13 becomes now", 0x07EA0D01, 0, 0x07EA0C1F, 0x17000000, true, true, kNow,
         {2026, 12, 31, 23, 0, 0}},
        {"an end at hour 24 becomes now and is no known end", 0x07EA030A, 0x081E0000, 0x07EA0314, 0x18000000, true,
         false, kStart, kNow},
        {"an end in 2096 becomes now", 0x07EA030A, 0x081E0000, 0x08300101, 0, true, false, kStart, kNow},
        {"a start at minute 60 becomes now, after the end", 0x07EA030A, 0x083C0000, 0x07EA0314, 0x06000000, false, true,
         kOldStart, kOldEnd},
        {"a start in 1996 is not recent enough", 0x07CC0501, 0, 0x07EA0314, 0x06000000, false, true, kOldStart, kOldEnd},
        {"a start in 1997 is", 0x07CD0501, 0, 0x07EA0314, 0x06000000, true, true, {1997, 5, 1, 0, 0, 0},
         {2026, 3, 20, 6, 0, 0}},
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
}

TEST(ArchiveClock, RecordedRangeFromSecondsValues)
{
    UseUtc();
    struct Row {
        const char* pszName;
        uint32_t dwStart, dwEnd;
        bool bKnownBefore, bKnownAfter;
        DT start, end;
    } rows[] = {
        {"a forward range leaves an unknown range unknown", kSec20260310_083000, kSec20260320_060000, false, false,
         {2026, 3, 10, 8, 30, 0}, {2026, 3, 20, 6, 0, 0}},
        {"a reversed range is not known", kSec20260320_060000, kSec20260310_083000, true, false,
         {2026, 3, 20, 6, 0, 0}, {2026, 3, 10, 8, 30, 0}},
        {"zero is 1970, taken as it is", 0, kSec20260310_083000, true, true, {1970, 1, 1, 0, 0, 0},
         {2026, 3, 10, 8, 30, 0}},
        {"the largest value is in 2106", kSec20260310_083000, 0xFFFFFFFF, true, true, {2026, 3, 10, 8, 30, 0},
         {2106, 2, 7, 6, 28, 15}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.pszName);
        ArchiveRange range{{2020, 1, 1, 0, 0, 0}, {2020, 1, 2, 0, 0, 0}, row.bKnownBefore, false};
        DT request{2001, 1, 1, 0, 0, 0};
        ApplyRecordRangeSeconds(range, row.dwStart, row.dwEnd, request);
        EXPECT_EQ(row.bKnownAfter, range.m_bRangeKnown);
        EXPECT_FALSE(range.m_bEndKnown);
        EXPECT_EQ(row.start, range.m_dtStart);
        EXPECT_EQ(row.end, range.m_dtEnd);
        EXPECT_EQ(row.start, request) << "the request moves to the start";
    }
}

TEST(ArchiveClock, PlayControlWordAndPlayStartFields)
{
    struct Row {
        const char* pszName;
        PlayControl control;
        uint16_t wStateBefore;
        int nSpeed;
        uint32_t dwCtrl;
        uint16_t wStateAfter;
    } rows[] = {
        {"stopped: fast reverse starts at the set speed", PLAY_FAST_REVERSE, 0x0000, 5, 0x01050100, 0x0101},
        {"playing: forward changes", PLAY_FORWARD, 0x0001, 5, 0x00010200, 0x0001},
        {"playing in reverse: forward changes direction", PLAY_FORWARD, 0x0101, 5, 0x00010200, 0x0001},
        {"playing in reverse: stop", PLAY_STOP, 0x0101, 5, 0x00000000, 0x0000},
        {"a reverse flag alone is not playing", PLAY_FAST_FORWARD, 0x0100, 5, 0x00050100, 0x0001},
        {"without a view the fast speed is 3", PLAY_FAST_FORWARD, 0x0000, kSpeedWithoutView, 0x00030100, 0x0001},
        {"a speed above a byte is taken as 255", PLAY_FAST_REVERSE, 0x0000, 300, 0x01FF0100, 0x0101},
        {"a negative speed is taken as 0", PLAY_FAST_FORWARD, 0x0001, -1, 0x00000200, 0x0001},
        {"normal speed ignores a wild setting", PLAY_REVERSE, 0x0000, 300, 0x01010100, 0x0101},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.pszName);
        const PlayControlWord word = BuildPlayControl(row.control, row.wStateBefore, row.nSpeed);
        EXPECT_EQ(row.dwCtrl, word.dwPlayCtrl);
        EXPECT_EQ(row.wStateAfter, word.wPlayState);
    }

    UseUtc();
    const DT request{2026, 3, 10, 8, 30, 15};
    const DT end{2026, 3, 20, 6, 0, 0};
    const PlayStartFields v1 = BuildPlayStart(1, request, end);
    EXPECT_EQ(kSec20260310_083015, v1.dwPlayDate);
    EXPECT_EQ(kSec20260320_060000, v1.dwPlayTime);
    for (uint8_t byVersion : {uint8_t{2}, uint8_t{3}}) {
        const PlayStartFields words = BuildPlayStart(byVersion, request, end);
        EXPECT_EQ(0x07EA030Au, words.dwPlayDate) << int{byVersion};
        EXPECT_EQ(0x081E0F00u, words.dwPlayTime) << int{byVersion};
    }
}

TEST(ArchiveClock, ImageTimesInsideAndOutsideTheLimits)
{
    struct Row {
        const char* pszName;
        uint32_t dwWordA, dwWordB, dwPosTimeBefore;
        bool bDate;
        DT stamp;
        bool bMoves;
        int nSlider;
    } rows[] = {
        {"a plausible time moves the slider", 0x0407EA03, 0x0A081E0F, 0, true, {2026, 3, 10, 8, 30, 15}, true, 30615},
        {"the same time of day leaves it", 0x0407EA03, 0x0A081E0F, 0x081E0F00, true, {2026, 3, 10, 8, 30, 15}, false, 0},
        {"the last second of the day", 0x0107EA03, 0x0A173B3B, 0, true, {2026, 3, 10, 23, 59, 59}, true, 86399},
        {"year 1995 is the first accepted", 0x0107CB01, 0x01000000, 0x01000000, true, {1995, 1, 1, 0, 0, 0}, true, 0},
        {"year 1994 is ignored", 0x0107CA03, 0x0A081E0F, 0, false, {}, false, 0},
        {"year 2096 is ignored", 0x01083003, 0x0A081E0F, 0, false, {}, false, 0},
        {"month 13 is ignored", 0x0107EA0D, 0x0A081E0F, 0, false, {}, false, 0},
        {"day 32 is ignored", 0x0107EA03, 0x20081E0F, 0, false, {}, false, 0},
        {"31 February passes the day limit", 0x0107EA02, 0x1F081E0F, 0, true, {2026, 2, 31, 8, 30, 15}, true, 30615},
        {"hour 24 keeps the date but not the slider", 0x0107EA03, 0x0A181E0F, 0, true, {2026, 3, 10, 24, 30, 15},
         false, 0},
        {"second 60 too", 0x0107EA03, 0x0A081E3C, 0, true, {2026, 3, 10, 8, 30, 60}, false, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.pszName);
        const ImageTimeUpdate update = ImageTimeFromWords(row.dwWordA, row.dwWordB, row.dwPosTimeBefore);
        EXPECT_EQ(row.bDate, update.bDateAccepted);
        EXPECT_EQ(row.bMoves, update.bTimeMoves);
        if (row.bDate) {
            EXPECT_EQ(row.stamp, update.stamp);
        }
        if (row.bMoves) {
            EXPECT_EQ(row.nSlider, update.nSliderSeconds);
        }
    }

    UseUtc();
    struct SecondsRow {
        uint32_t dwSeconds;
        bool bDate;
        DT stamp;
    } secondsRows[] = {
        {kSec20260310_083015, true, {2026, 3, 10, 8, 30, 15}},
        {kSec19950101_000000, true, {1995, 1, 1, 0, 0, 0}},
        {kSec20951231_235959, true, {2095, 12, 31, 23, 59, 59}},
        {kSec20951231_235959 + 1, false, {}},
        {kSec19950101_000000 - 1, false, {}},
    };
    for (const SecondsRow& row : secondsRows) {
        SCOPED_TRACE(row.dwSeconds);
        const ImageTimeUpdate update = ImageTimeFromSeconds(row.dwSeconds, 0xFFFFFFFF);
        EXPECT_EQ(row.bDate, update.bDateAccepted);
        EXPECT_EQ(row.bDate, update.bTimeMoves);
        if (row.bDate) {
            EXPECT_EQ(row.stamp, update.stamp);
            EXPECT_EQ(row.stamp.nHour * 3600 + row.stamp.nMinute * 60 + row.stamp.nSecond, update.nSliderSeconds);
        }
    }
}

TEST(ArchiveClock, SliderPositionsAndJumps)
{
    EXPECT_EQ(0x01010100u, PosTimeFromSlider(3661));
    EXPECT_EQ(0x173B3B00u, PosTimeFromSlider(90000));
    EXPECT_EQ(0x00000000u, PosTimeFromSlider(-5));
    const ImageTimeUpdate toStart = ImageTimeFromDateTime(JumpToStart(kMarch), 0);
    EXPECT_EQ((DT{2026, 3, 10, 8, 30, 0}), toStart.stamp);
    EXPECT_EQ(30600, toStart.nSliderSeconds);
    EXPECT_EQ(0x081E0000u, toStart.dwPosTime);
    EXPECT_EQ((DT{2026, 3, 20, 6, 0, 0}), ImageTimeFromDateTime(JumpToEnd(kMarch), 0).stamp);
    // A next hour that lands at midnight is a time of day like any other.
    const ImageTimeUpdate midnight = ImageTimeFromDateTime(NextHour({2024, 2, 28}, 23), 0x17000000);
    EXPECT_TRUE(midnight.bTimeMoves);
    EXPECT_EQ(0, midnight.nSliderSeconds);
}
