// The archive's clock: hour steps across days, months and years, the inside-range test, the
// recorded range in both forms, play image times at and past their limits, and the control
// word of each play control. Every expected value was worked out by hand; the seconds values
// were checked with GNU date (`date -u -d "2026-03-10 08:30:00 UTC" +%s`).
#include "models/archive_clock.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <ostream>
#include <string>

namespace ostrel::wire {
void PrintTo(const DateTimeFields& t, std::ostream* pOut)
{
    *pOut << t.nYear << '-' << t.nMonth << '-' << t.nDay << ' ' << t.nHour << ':' << t.nMinute << ':' << t.nSecond;
}
} // namespace ostrel::wire

using namespace ostrel;

namespace {

using DT = ArchiveDateTime;
using Date = CalendarDate;

// Seconds values are local time; these tests read them in UTC so that the values from GNU date
// above hold on any machine.
class UtcZone {
public:
    UtcZone()
    {
        if (const char* psz = std::getenv("TZ"))
            m_saved = psz;
        ::setenv("TZ", "UTC0", 1);
        ::tzset();
    }
    ~UtcZone()
    {
        if (m_saved)
            ::setenv("TZ", m_saved->c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }
    UtcZone(const UtcZone&) = delete;
    UtcZone& operator=(const UtcZone&) = delete;

private:
    std::optional<std::string> m_saved;
};

constexpr uint32_t kSec20260310_083000 = 1773131400;
constexpr uint32_t kSec20260310_083015 = 1773131415;
constexpr uint32_t kSec20260320_060000 = 1773986400;
constexpr uint32_t kSec19950101_000000 = 788918400;
constexpr uint32_t kSec20951231_235959 = 3976214399;
constexpr uint32_t kSec20960101_000000 = 3976214400;

} // namespace

TEST(ArchiveClock, NextHourStepsAcrossDaysMonthsAndYears)
{
    struct Row {
        const char* pszName;
        Date date;
        int nHour;
        DT expected;
    };
    const Row rows[] = {
        {"the middle of a day stays on the day", {2026, 5, 10}, 14, {2026, 5, 10, 15, 0, 0}},
        {"22 o'clock goes to 23 on the same day", {2026, 5, 10}, 22, {2026, 5, 10, 23, 0, 0}},
        {"23 o'clock goes to midnight of the next day", {2026, 5, 10}, 23, {2026, 5, 11, 0, 0, 0}},
        {"30 April is the end of a 30-day month", {2026, 4, 30}, 23, {2026, 5, 1, 0, 0, 0}},
        {"28 February of a common year goes to 1 March", {2026, 2, 28}, 23, {2026, 3, 1, 0, 0, 0}},
        {"28 February of a leap year goes to 29 February", {2024, 2, 28}, 23, {2024, 2, 29, 0, 0, 0}},
        {"29 February of a leap year goes to 1 March", {2024, 2, 29}, 23, {2024, 3, 1, 0, 0, 0}},
        {"2100 is not a leap year", {2100, 2, 28}, 23, {2100, 3, 1, 0, 0, 0}},
        {"2000 is a leap year", {2000, 2, 28}, 23, {2000, 2, 29, 0, 0, 0}},
        {"31 December goes to 1 January of the next year", {2025, 12, 31}, 23, {2026, 1, 1, 0, 0, 0}},
        {"1 January at midnight goes to 01:00", {2026, 1, 1}, 0, {2026, 1, 1, 1, 0, 0}},
        {"an hour past 23 is taken as 23", {2026, 5, 10}, 200, {2026, 5, 11, 0, 0, 0}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.pszName);
        EXPECT_EQ(row.expected, NextHour(row.date, row.nHour));
    }
}

TEST(ArchiveClock, PreviousHourStepsAcrossDaysMonthsAndYears)
{
    struct Row {
        const char* pszName;
        Date date;
        int nHour;
        DT expected;
    };
    const Row rows[] = {
        {"01:xx goes to midnight of the same day", {2026, 1, 1}, 1, {2026, 1, 1, 0, 0, 0}},
        {"23:xx goes to 22:00", {2026, 5, 10}, 23, {2026, 5, 10, 22, 0, 0}},
        {"midnight goes to 23:00 of the day before", {2026, 5, 10}, 0, {2026, 5, 9, 23, 0, 0}},
        {"1 January goes to 31 December of the year before", {2026, 1, 1}, 0, {2025, 12, 31, 23, 0, 0}},
        {"1 March of a common year goes to 28 February", {2026, 3, 1}, 0, {2026, 2, 28, 23, 0, 0}},
        {"1 March of a leap year goes to 29 February", {2024, 3, 1}, 0, {2024, 2, 29, 23, 0, 0}},
        {"1 March 2000 goes to 29 February", {2000, 3, 1}, 0, {2000, 2, 29, 23, 0, 0}},
        {"1 March 2100 goes to 28 February", {2100, 3, 1}, 0, {2100, 2, 28, 23, 0, 0}},
        {"1 May goes to 30 April", {2026, 5, 1}, 0, {2026, 4, 30, 23, 0, 0}},
        {"1 August goes to 31 July", {2026, 8, 1}, 0, {2026, 7, 31, 23, 0, 0}},
        {"a negative hour is taken as midnight", {2026, 5, 10}, -3, {2026, 5, 9, 23, 0, 0}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.pszName);
        EXPECT_EQ(row.expected, PreviousHour(row.date, row.nHour));
    }
}

TEST(ArchiveClock, InsideRangeTest)
{
    const ArchiveRange march{{2026, 3, 10, 8, 30, 0}, {2026, 3, 20, 6, 0, 0}, true, true};
    const ArchiveRange newYear{{2025, 12, 30, 12, 0, 0}, {2026, 1, 2, 12, 0, 0}, true, true};
    struct Row {
        const char* pszName;
        const ArchiveRange* pRange;
        DT request;
        bool bReverse;
        bool bInside;
    };
    const Row rows[] = {
        {"forward on the start date before the start time", &march, {2026, 3, 10, 7, 0, 0}, false, true},
        {"reverse on the start date at the start time", &march, {2026, 3, 10, 8, 30, 0}, true, false},
        {"reverse on the start date before the start time", &march, {2026, 3, 10, 0, 0, 0}, true, false},
        {"reverse on the start date one second after the start", &march, {2026, 3, 10, 8, 30, 1}, true, true},
        {"forward on the day before the start", &march, {2026, 3, 9, 23, 59, 59}, false, false},
        {"reverse on the day after the start before its time", &march, {2026, 3, 11, 0, 0, 0}, true, true},
        {"on the end date after the end time (not tested)", &march, {2026, 3, 20, 23, 0, 0}, false, true},
        {"reverse on the end date", &march, {2026, 3, 20, 23, 0, 0}, true, true},
        {"the day after the end", &march, {2026, 3, 21, 0, 0, 0}, false, false},
        {"a month after the end", &march, {2026, 4, 1, 0, 0, 0}, false, false},
        {"inside across a year end", &newYear, {2026, 1, 1, 0, 0, 0}, true, true},
        {"31 December inside a range that ends in January", &newYear, {2025, 12, 31, 0, 0, 0}, false, true},
        {"before a range that crosses the year end", &newYear, {2025, 12, 29, 23, 0, 0}, false, false},
        {"after a range that crosses the year end", &newYear, {2026, 1, 3, 0, 0, 0}, true, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.pszName);
        EXPECT_EQ(row.bInside, IsRequestInRange(row.request, *row.pRange, row.bReverse));
    }
}

TEST(ArchiveClock, PlayResultTexts)
{
    EXPECT_EQ("ERROR", PlayResultText(0));
    EXPECT_EQ("", PlayResultText(1));
    EXPECT_EQ("No Search Image", PlayResultText(2));
    EXPECT_EQ("End of Play", PlayResultText(3));
    EXPECT_EQ("Invalid Date", PlayResultText(4));
    EXPECT_EQ("", PlayResultText(5));
    EXPECT_EQ("", PlayResultText(0xFFFFFFFF));
}

TEST(ArchiveClock, RecordedRangeFromDateAndTimeWords)
{
    const DT kNow{2026, 12, 6, 14, 0, 0};
    const DT kOldStart{2020, 1, 1, 1, 2, 3};
    const DT kOldEnd{2020, 1, 2, 4, 5, 6};
    struct Row {
        const char* pszName;
        uint32_t dwStartDate, dwStartTime, dwEndDate, dwEndTime;
        bool bKnown;
        bool bEndKnown;
        DT start; // expected members afterwards
        DT end;
    };
    const Row rows[] = {
        {"a plausible range is known", 0x07EA030A, 0x081E0000, 0x07EA0314, 0x06000000, true, true,
         {2026, 3, 10, 8, 30, 0}, {2026, 3, 20, 6, 0, 0}},
        {"start and end at the same moment", 0x07EA030A, 0x081E0000, 0x07EA030A, 0x081E0000, true, true,
         {2026, 3, 10, 8, 30, 0}, {2026, 3, 10, 8, 30, 0}},
        {"a start in month 13 becomes now", 0x07EA0D01, 0x00000000, 0x07EA0C1F, 0x17000000, true, true,
         kNow, {2026, 12, 31, 23, 0, 0}},
        {"an end at hour 24 becomes now and is not a known end", 0x07EA030A, 0x081E0000, 0x07EA0314, 0x18000000,
         true, false, {2026, 3, 10, 8, 30, 0}, kNow},
        {"an end at day 0 becomes now", 0x07EA030A, 0x081E0000, 0x07EA0300, 0x06000000, true, false,
         {2026, 3, 10, 8, 30, 0}, kNow},
        {"a start at minute 60 becomes now, which is after the end", 0x07EA030A, 0x083C0000, 0x07EA0314,
         0x06000000, false, true, kOldStart, kOldEnd},
        {"a start at second 60 becomes now, which is after the end", 0x07EA030A, 0x081E3C00, 0x07EA0314,
         0x06000000, false, true, kOldStart, kOldEnd},
        {"an end in 2096 becomes now", 0x07EA030A, 0x081E0000, 0x08300101, 0x00000000, true, false,
         {2026, 3, 10, 8, 30, 0}, kNow},
        {"a start in 1996 is plausible but not recent enough", 0x07CC0501, 0x00000000, 0x07EA0314, 0x06000000,
         false, true, kOldStart, kOldEnd},
        {"a start in 1997 is recent enough", 0x07CD0501, 0x00000000, 0x07EA0314, 0x06000000, true, true,
         {1997, 5, 1, 0, 0, 0}, {2026, 3, 20, 6, 0, 0}},
        {"a start one second after the end is not known", 0x07EA0314, 0x06000100, 0x07EA0314, 0x06000000,
         false, true, kOldStart, kOldEnd},
        {"a start a day after the end is not known", 0x07EA0315, 0x00000000, 0x07EA0314, 0x06000000, false,
         true, kOldStart, kOldEnd},
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
    const UtcZone utc;
    struct Row {
        const char* pszName;
        uint32_t dwStart, dwEnd;
        bool bKnownBefore;
        bool bKnownAfter;
        DT start;
        DT end;
    };
    const Row rows[] = {
        {"a forward range leaves an unknown range unknown", kSec20260310_083000, kSec20260320_060000, false,
         false, {2026, 3, 10, 8, 30, 0}, {2026, 3, 20, 6, 0, 0}},
        {"a forward range leaves a known range known", kSec20260310_083000, kSec20260320_060000, true, true,
         {2026, 3, 10, 8, 30, 0}, {2026, 3, 20, 6, 0, 0}},
        {"a reversed range is not known", kSec20260320_060000, kSec20260310_083000, true, false,
         {2026, 3, 20, 6, 0, 0}, {2026, 3, 10, 8, 30, 0}},
        {"zero is 1970 and taken as it is", 0, kSec20260310_083000, true, true, {1970, 1, 1, 0, 0, 0},
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
        EXPECT_EQ(row.start, request);
    }
}

TEST(ArchiveClock, PlayControlWordWhenStoppedAndWhenPlaying)
{
    struct Row {
        const char* pszName;
        PlayControl control;
        uint16_t wStateBefore;
        int nSpeed;
        uint32_t dwCtrl;
        uint16_t wStateAfter;
    };
    const Row rows[] = {
        {"stopped: fast reverse starts at the set speed", PLAY_FAST_REVERSE, 0x0000, 5, 0x01050100, 0x0101},
        {"stopped: reverse starts at speed 1", PLAY_REVERSE, 0x0000, 5, 0x01010100, 0x0101},
        {"stopped: stop sends the zero word", PLAY_STOP, 0x0000, 5, 0x00000000, 0x0000},
        {"stopped: forward starts at speed 1", PLAY_FORWARD, 0x0000, 5, 0x00010100, 0x0001},
        {"stopped: fast forward starts at the set speed", PLAY_FAST_FORWARD, 0x0000, 5, 0x00050100, 0x0001},
        {"playing: fast reverse changes", PLAY_FAST_REVERSE, 0x0001, 5, 0x01050200, 0x0101},
        {"playing: reverse changes", PLAY_REVERSE, 0x0001, 5, 0x01010200, 0x0101},
        {"playing: stop sends the zero word", PLAY_STOP, 0x0001, 5, 0x00000000, 0x0000},
        {"playing: forward changes", PLAY_FORWARD, 0x0001, 5, 0x00010200, 0x0001},
        {"playing: fast forward changes", PLAY_FAST_FORWARD, 0x0001, 5, 0x00050200, 0x0001},
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
}

TEST(ArchiveClock, PlayStartFieldsByProtocolVersion)
{
    const UtcZone utc;
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

TEST(ArchiveClock, PackedImageTimesInsideAndOutsideTheLimits)
{
    struct Row {
        const char* pszName;
        uint32_t dwWordA, dwWordB, dwPosTimeBefore;
        bool bDate;
        DT stamp;
        bool bMoves;
        int nSlider;
        uint32_t dwPosTime;
    };
    const Row rows[] = {
        {"a plausible time moves the slider", 0x0407EA03, 0x0A081E0F, 0, true, {2026, 3, 10, 8, 30, 15}, true,
         30615, 0x081E0F00},
        {"the same time of day leaves the slider", 0x0407EA03, 0x0A081E0F, 0x081E0F00, true,
         {2026, 3, 10, 8, 30, 15}, false, 0, 0},
        {"the last second of the day", 0x0107EA03, 0x0A173B3B, 0, true, {2026, 3, 10, 23, 59, 59}, true, 86399,
         0x173B3B00},
        {"year 1995 is the first accepted", 0x0107CB01, 0x01000000, 0x01000000, true, {1995, 1, 1, 0, 0, 0}, true,
         0, 0},
        {"year 2095 is the last accepted", 0x01082F0C, 0x1F000000, 0, true, {2095, 12, 31, 0, 0, 0}, false, 0, 0},
        {"year 1994 is ignored", 0x0107CA03, 0x0A081E0F, 0, false, {}, false, 0, 0},
        {"year 2096 is ignored", 0x01083003, 0x0A081E0F, 0, false, {}, false, 0, 0},
        {"month 0 is ignored", 0x0107EA00, 0x0A081E0F, 0, false, {}, false, 0, 0},
        {"month 13 is ignored", 0x0107EA0D, 0x0A081E0F, 0, false, {}, false, 0, 0},
        {"day 0 is ignored", 0x0107EA03, 0x00081E0F, 0, false, {}, false, 0, 0},
        {"day 32 is ignored", 0x0107EA03, 0x20081E0F, 0, false, {}, false, 0, 0},
        {"31 February passes the day limit", 0x0107EA02, 0x1F081E0F, 0, true, {2026, 2, 31, 8, 30, 15}, true,
         30615, 0x081E0F00},
        {"hour 24 keeps the date but not the slider", 0x0107EA03, 0x0A181E0F, 0, true, {2026, 3, 10, 24, 30, 15},
         false, 0, 0},
        {"minute 60 keeps the date but not the slider", 0x0107EA03, 0x0A083C0F, 0, true,
         {2026, 3, 10, 8, 60, 15}, false, 0, 0},
        {"second 60 keeps the date but not the slider", 0x0107EA03, 0x0A081E3C, 0, true,
         {2026, 3, 10, 8, 30, 60}, false, 0, 0},
        {"all ones is ignored", 0xFFFFFFFF, 0xFFFFFFFF, 0, false, {}, false, 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.pszName);
        const ImageTimeUpdate update = ImageTimeFromWords(row.dwWordA, row.dwWordB, row.dwPosTimeBefore);
        EXPECT_EQ(row.bDate, update.bDateAccepted);
        if (row.bDate) {
            EXPECT_EQ(row.stamp, update.stamp);
        }
        EXPECT_EQ(row.bMoves, update.bTimeMoves);
        if (row.bMoves) {
            EXPECT_EQ(row.nSlider, update.nSliderSeconds);
            EXPECT_EQ(row.dwPosTime, update.dwPosTime);
        }
    }
}

TEST(ArchiveClock, SecondsImageTimesInsideAndOutsideTheLimits)
{
    const UtcZone utc;
    struct Row {
        const char* pszName;
        uint32_t dwSeconds;
        bool bDate;
        DT stamp;
        int nSlider;
    };
    const Row rows[] = {
        {"an image in March 2026", kSec20260310_083015, true, {2026, 3, 10, 8, 30, 15}, 30615},
        {"the first moment of 1995", kSec19950101_000000, true, {1995, 1, 1, 0, 0, 0}, 0},
        {"the last moment of 2095", kSec20951231_235959, true, {2095, 12, 31, 23, 59, 59}, 86399},
        {"the first moment of 2096 is ignored", kSec20960101_000000, false, {}, 0},
        {"zero is 1970 and ignored", 0, false, {}, 0},
        {"one second before 1995 is ignored", kSec19950101_000000 - 1, false, {}, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.pszName);
        // A time of day the rows never carry, so that every accepted image moves the slider.
        const ImageTimeUpdate update = ImageTimeFromSeconds(row.dwSeconds, 0xFFFFFFFF);
        EXPECT_EQ(row.bDate, update.bDateAccepted);
        EXPECT_EQ(row.bDate, update.bTimeMoves);
        if (row.bDate) {
            EXPECT_EQ(row.stamp, update.stamp);
            EXPECT_EQ(row.nSlider, update.nSliderSeconds);
        }
    }
}

TEST(ArchiveClock, SliderPositionsAndJumps)
{
    EXPECT_EQ(0x00000000u, PosTimeFromSlider(0));
    EXPECT_EQ(0x01010100u, PosTimeFromSlider(3661));
    EXPECT_EQ(0x173B3B00u, PosTimeFromSlider(86399));
    EXPECT_EQ(0x173B3B00u, PosTimeFromSlider(90000));
    EXPECT_EQ(0x00000000u, PosTimeFromSlider(-5));

    const ArchiveRange range{{2026, 3, 10, 8, 30, 0}, {2026, 3, 20, 6, 0, 0}, true, true};
    const ImageTimeUpdate toStart = ImageTimeFromDateTime(JumpToStart(range), 0);
    EXPECT_TRUE(toStart.bDateAccepted);
    EXPECT_EQ((DT{2026, 3, 10, 8, 30, 0}), toStart.stamp);
    EXPECT_EQ(30600, toStart.nSliderSeconds);
    EXPECT_EQ(0x081E0000u, toStart.dwPosTime);

    const ImageTimeUpdate toEnd = ImageTimeFromDateTime(JumpToEnd(range), 0);
    EXPECT_EQ((DT{2026, 3, 20, 6, 0, 0}), toEnd.stamp);
    EXPECT_EQ(21600, toEnd.nSliderSeconds);

    // A next hour that lands at midnight is a time of day like any other.
    const ImageTimeUpdate midnight = ImageTimeFromDateTime(NextHour({2024, 2, 28}, 23), 0x17000000);
    EXPECT_EQ((DT{2024, 2, 29, 0, 0, 0}), midnight.stamp);
    EXPECT_TRUE(midnight.bTimeMoves);
    EXPECT_EQ(0, midnight.nSliderSeconds);
}
