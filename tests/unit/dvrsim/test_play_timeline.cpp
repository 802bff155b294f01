// The simulator's archive: play requests, the moment playback shows, and an event log that
// leaves out the daily stretches it did not record.
#include "event_log_maker.h"
#include "play_timeline.h"

#include <gtest/gtest.h>

#include <functional>

using namespace ostrel;
using namespace ostrel::dvrsim;

namespace {

int64_t At(int y, int mo, int d, int h, int mi, int s)
{
    return wire::MakeSecondsValue(wire::DateTimeFields{y, mo, d, h, mi, s});
}

const RecordedRange kWeek{At(2024, 5, 10, 8, 0, 0), At(2024, 5, 17, 8, 0, 0)};

CPlayTimeline Week()
{
    CPlayTimeline timeline;
    timeline.SetRange(kWeek);
    return timeline;
}

} // namespace

TEST(PlayTimeline, RequestWordsGiveChannelCommandSpeedDirectionAndAValidStart)
{
    const uint32_t params[4] = {7, 0x07E8050F, 0x0C000000, 0x01100100};
    const PlayRequest request = PlayRequest::FromParams(params);
    EXPECT_EQ(6, request.nChannel);
    EXPECT_EQ(CPlayTimeline::kPlayCommandStart, request.byCommand);
    EXPECT_EQ(16, request.bySpeed);
    EXPECT_TRUE(request.bReverse);
    const uint32_t all[4] = {0, 0, 0, 0x00010200};
    EXPECT_EQ(-1, PlayRequest::FromParams(all).nChannel);
    EXPECT_EQ(CPlayTimeline::kPlayCommandChange, PlayRequest::FromParams(all).byCommand);

    int64_t nSeconds = 0;
    ASSERT_TRUE(CPlayTimeline::DecodeStart(2, 0x07E8050F, 0x0C1E0500, nSeconds));
    EXPECT_EQ(At(2024, 5, 15, 12, 30, 5), nSeconds);
    ASSERT_TRUE(CPlayTimeline::DecodeStart(1, 1715776205u, 0, nSeconds));
    EXPECT_EQ(1715776205, nSeconds);
    // Month 13, 31 February, day 0, hour 24, minute 60, all zero.
    const uint32_t bad[][2] = {{0x07E80D01, 0}, {0x07E8021F, 0}, {0x07E80500, 0}, {0x07E8050F, 0x18000000},
                               {0x07E8050F, 0x003C0000}, {0, 0}};
    for (const auto& words : bad)
        EXPECT_FALSE(CPlayTimeline::DecodeStart(2, words[0], words[1], nSeconds)) << std::hex << words[0] << " " << words[1];

    CPlayTimeline timeline = Week();
    timeline.SetDailyGap(3 * 3600, 3 * 3600 + 1800); // 03:00 to 03:30 every day
    EXPECT_EQ(PLAY_INVALID_DATE, timeline.Start(At(2024, 5, 10, 7, 59, 59), 1, false));
    EXPECT_FALSE(timeline.IsPlaying());
    EXPECT_EQ(PLAY_INVALID_DATE, timeline.Start(At(2024, 5, 17, 8, 0, 1), 1, false));
    EXPECT_EQ(PLAY_NO_IMAGE, timeline.Start(At(2024, 5, 12, 3, 10, 0), 1, false));
    EXPECT_EQ(1, timeline.Start(At(2024, 5, 12, 3, 30, 0), 1, false));
    EXPECT_EQ(1, timeline.Start(At(2024, 5, 10, 8, 0, 0), 1, false));
    EXPECT_TRUE(timeline.IsPlaying());
    EXPECT_EQ(0u, timeline.Position());
    ASSERT_EQ(1, timeline.Start(At(2024, 5, 13, 20, 0, 0), 1, false));
    EXPECT_EQ(500000u, timeline.Position()) << "the share of the range in ten-thousandths of a percent";
}

TEST(PlayTimeline, SpeedByteIsTheScanRateIndex)
{
    // Normal play sends 1, fast play the "1X".."64X" index; 0 and 1 both play at 1 x.
    const int factors[][2] = {{0, 1}, {1, 1}, {2, 4}, {3, 8}, {4, 16}, {5, 32}, {6, 64}, {7, 64}, {255, 64}};
    for (const auto& row : factors) {
        SCOPED_TRACE(row[0]);
        const auto bySpeed = static_cast<uint8_t>(row[0]);
        EXPECT_EQ(row[1], CPlayTimeline::SpeedFactor(bySpeed));
        // One real second moves the moment by the factor, forwards and backwards.
        CPlayTimeline timeline = Week();
        const int64_t nStart = At(2024, 5, 15, 12, 0, 0);
        for (const bool bReverse : {false, true}) {
            ASSERT_EQ(1, timeline.Start(nStart, bySpeed, bReverse));
            EXPECT_EQ(1, timeline.Advance(1000));
            EXPECT_EQ((nStart + (bReverse ? -row[1] : row[1])) * 1000, timeline.MomentMs());
        }
    }
}

TEST(PlayTimeline, MovesAtSpeedTurnsJumpsGapsAndEndsAtTheEdges)
{
    CPlayTimeline timeline = Week();
    const int64_t nStart = At(2024, 5, 15, 12, 0, 0);
    ASSERT_EQ(1, timeline.Start(nStart, 2, false)); // "4X"
    EXPECT_EQ(1, timeline.Advance(1500));
    EXPECT_EQ((nStart + 6) * 1000, timeline.MomentMs());
    EXPECT_EQ(1, timeline.Advance(250));
    EXPECT_EQ((nStart + 7) * 1000, timeline.MomentMs());
    // A change turns round at the current moment: "8X" back for a second from 12:00:07.
    timeline.Change(3, true);
    EXPECT_EQ(8, timeline.Speed());
    EXPECT_EQ(1, timeline.Advance(1000));
    EXPECT_EQ(nStart - 1, timeline.MomentSeconds());
    // A second and a half of normal play backwards from there: 11:59:57.5.
    timeline.Change(1, true);
    EXPECT_EQ(1, timeline.Advance(1500));
    EXPECT_EQ((nStart - 2) * 1000 - 500, timeline.MomentMs());
    EXPECT_EQ(nStart - 3, timeline.MomentSeconds());

    timeline.SetDailyGap(3 * 3600, 3 * 3600 + 1800);
    ASSERT_EQ(1, timeline.Start(At(2024, 5, 12, 2, 59, 58), 1, false));
    EXPECT_EQ(1, timeline.Advance(3000));
    EXPECT_EQ(At(2024, 5, 12, 3, 30, 0), timeline.MomentSeconds()) << "over the gap in the play direction";
    ASSERT_EQ(1, timeline.Start(At(2024, 5, 12, 3, 30, 1), 1, true));
    EXPECT_EQ(1, timeline.Advance(2000));
    EXPECT_EQ(At(2024, 5, 12, 2, 59, 59), timeline.MomentSeconds());

    ASSERT_EQ(1, timeline.Start(At(2024, 5, 10, 8, 0, 5), 1, true));
    EXPECT_EQ(1, timeline.Advance(2000));
    EXPECT_EQ(PLAY_END, timeline.Advance(4000));
    EXPECT_FALSE(timeline.IsPlaying());
    EXPECT_EQ(kWeek.nStart, timeline.MomentSeconds());
    EXPECT_EQ(PLAY_END, timeline.Advance(1000)) << "nothing moves once stopped";
    ASSERT_EQ(1, timeline.Start(At(2024, 5, 17, 7, 59, 0), 6, false));
    EXPECT_EQ(PLAY_END, timeline.Advance(1000)) << "\"64X\" from a minute before the end";
    EXPECT_EQ(kWeek.nEnd, timeline.MomentSeconds());
}

TEST(EventLogMaker, RecordsAreInTimeOrderInsideTheRangeAndNeverInADailyGap)
{
    const std::vector<uint8_t> log = CEventLogMaker::Make(kWeek, 4, 300, 7);
    ASSERT_EQ(0u, log.size() % kAlarmEventRecordBytes);
    ASSERT_GT(log.size(), 100u * kAlarmEventRecordBytes);
    ASSERT_LE(log.size(), 300u * kAlarmEventRecordBytes);
    EXPECT_EQ(log, CEventLogMaker::Make(kWeek, 4, 300, 7));
    uint32_t dwPrevious = 0;
    for (size_t i = 0; i < log.size(); i += kAlarmEventRecordBytes) {
        const uint8_t* r = &log[i]; // channel, kind, year - 1996, month, day, hour, minute, second
        EXPECT_TRUE(r[0] >= 1 && r[0] <= 4 && r[1] != 0 && r[2] == 28 && r[3] == 5) << i;
        EXPECT_TRUE(r[4] >= 10 && r[4] <= 17 && r[5] < 24 && r[6] < 60 && r[7] < 60) << i;
        const uint32_t dwPacked = wire::MakeTimeCost(1996 + r[2], r[3], r[4], r[5], r[6], r[7]);
        EXPECT_GE(dwPacked, dwPrevious);
        dwPrevious = dwPacked;
    }

    // Every logged event plays pictures: none falls into a gap, read by its hour and minute.
    const auto countWhere = [](const std::vector<uint8_t>& records, const std::function<bool(int, int)>& pred) {
        size_t n = 0;
        for (size_t i = 0; i + kAlarmEventRecordBytes <= records.size(); i += kAlarmEventRecordBytes)
            n += pred(records[i + 5], records[i + 6]) ? 1 : 0;
        return n;
    };
    struct Gap {
        int nFrom, nTo;
        std::function<bool(int, int)> inGap;
    };
    for (const Gap& gap : {Gap{3 * 3600, 3 * 3600 + 1800, [](int h, int m) { return h == 3 && m < 30; }},
                           Gap{23 * 3600, 3600, [](int h, int) { return h == 23 || h == 0; }}}) {
        SCOPED_TRACE(gap.nFrom);
        CPlayTimeline timeline;
        timeline.SetDailyGap(gap.nFrom, gap.nTo);
        ASSERT_GT(countWhere(CEventLogMaker::Make(kWeek, 16, 2000, 3), gap.inGap), 0u) << "without the gap some fall in";
        const std::vector<uint8_t> gapped = CEventLogMaker::Make(kWeek, 16, 2000, 3, [&](int64_t s) { return !timeline.InGap(s); });
        EXPECT_GT(gapped.size(), 1500u * kAlarmEventRecordBytes) << "the log is still full";
        EXPECT_EQ(0u, countWhere(gapped, gap.inGap));
    }
    EXPECT_TRUE(CEventLogMaker::Make(kWeek, 16, 100, 3, [](int64_t) { return false; }).empty())
        << "nothing recorded: nothing logged, and no endless search for a moment";
}
