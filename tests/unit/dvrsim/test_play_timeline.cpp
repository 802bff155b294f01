#include "play_timeline.h"

#include <gtest/gtest.h>

using namespace ostrel;
using namespace ostrel::dvrsim;

namespace {

int64_t At(int y, int mo, int d, int h, int mi, int s)
{
    return wire::MakeSecondsValue(wire::DateTimeFields{y, mo, d, h, mi, s});
}

CPlayTimeline Week()
{
    CPlayTimeline timeline;
    timeline.SetRange({At(2024, 5, 10, 8, 0, 0), At(2024, 5, 17, 8, 0, 0)});
    return timeline;
}

} // namespace

TEST(PlayRequest, ControlWordGivesCommandSpeedAndDirection)
{
    const uint32_t params[4] = {7, 0x07E8050F, 0x0C000000, 0x01100100};
    const PlayRequest request = PlayRequest::FromParams(params);
    EXPECT_EQ(6, request.nChannel);
    EXPECT_EQ(CPlayTimeline::kPlayCommandStart, request.byCommand);
    EXPECT_EQ(16, request.bySpeed);
    EXPECT_TRUE(request.bReverse);

    const uint32_t all[4] = {0, 0, 0, 0x00010200};
    const PlayRequest change = PlayRequest::FromParams(all);
    EXPECT_EQ(-1, change.nChannel);
    EXPECT_EQ(CPlayTimeline::kPlayCommandChange, change.byCommand);
    EXPECT_FALSE(change.bReverse);
}

TEST(PlayTimeline, DecodesTheStartOfBothVersions)
{
    int64_t nSeconds = 0;
    ASSERT_TRUE(CPlayTimeline::DecodeStart(2, 0x07E8050F, 0x0C1E0500, nSeconds));
    EXPECT_EQ(At(2024, 5, 15, 12, 30, 5), nSeconds);
    ASSERT_TRUE(CPlayTimeline::DecodeStart(1, 1715776205u, 0, nSeconds));
    EXPECT_EQ(1715776205, nSeconds);

    struct Bad {
        const char* pszName;
        uint32_t dwDate;
        uint32_t dwTime;
    };
    for (const Bad& bad : {Bad{"month 13", 0x07E80D01, 0}, Bad{"31 February", 0x07E8021F, 0},
                           Bad{"day 0", 0x07E80500, 0}, Bad{"hour 24", 0x07E8050F, 0x18000000},
                           Bad{"minute 60", 0x07E8050F, 0x003C0000}, Bad{"all zero", 0, 0}}) {
        EXPECT_FALSE(CPlayTimeline::DecodeStart(2, bad.dwDate, bad.dwTime, nSeconds)) << bad.pszName;
    }
}

TEST(PlayTimeline, StartsOnlyInsideTheRecordingAndOutsideGaps)
{
    CPlayTimeline timeline = Week();
    EXPECT_EQ(PLAY_INVALID_DATE, timeline.Start(At(2024, 5, 10, 7, 59, 59), 1, false));
    EXPECT_FALSE(timeline.IsPlaying());
    EXPECT_EQ(PLAY_INVALID_DATE, timeline.Start(At(2024, 5, 17, 8, 0, 1), 1, false));
    EXPECT_EQ(1, timeline.Start(At(2024, 5, 10, 8, 0, 0), 1, false));
    EXPECT_TRUE(timeline.IsPlaying());

    timeline.SetDailyGap(3 * 3600, 3 * 3600 + 1800); // 03:00 to 03:30 every day
    EXPECT_EQ(PLAY_NO_IMAGE, timeline.Start(At(2024, 5, 12, 3, 10, 0), 1, false));
    EXPECT_EQ(1, timeline.Start(At(2024, 5, 12, 3, 30, 0), 1, false));
}

TEST(PlayTimeline, SpeedByteIsTheScanRateIndex)
{
    // Normal play sends 1, fast play the "1X".."64X" index; 0 and 1 both play at 1 x.
    struct Row {
        uint8_t bySpeed;
        int nFactor;
    };
    for (const Row row : {Row{0, 1}, Row{1, 1}, Row{2, 4}, Row{3, 8}, Row{4, 16}, Row{5, 32}, Row{6, 64},
                          Row{7, 64}, Row{255, 64}}) {
        EXPECT_EQ(row.nFactor, CPlayTimeline::SpeedFactor(row.bySpeed)) << int{row.bySpeed};

        // One real second moves the moment by the factor, forwards and backwards.
        CPlayTimeline timeline = Week();
        const int64_t nStart = At(2024, 5, 15, 12, 0, 0);
        ASSERT_EQ(1, timeline.Start(nStart, row.bySpeed, false));
        EXPECT_EQ(row.nFactor, timeline.Speed());
        EXPECT_EQ(1, timeline.Advance(1000));
        EXPECT_EQ((nStart + row.nFactor) * 1000, timeline.MomentMs()) << int{row.bySpeed};
        ASSERT_EQ(1, timeline.Start(nStart, row.bySpeed, true));
        EXPECT_EQ(1, timeline.Advance(1000));
        EXPECT_EQ((nStart - row.nFactor) * 1000, timeline.MomentMs()) << int{row.bySpeed};
    }
}

TEST(PlayTimeline, MovesAtSpeedInEitherDirectionAndEndsAtTheEdges)
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
    EXPECT_TRUE(timeline.IsReverse());
    EXPECT_EQ(1, timeline.Advance(1000));
    EXPECT_EQ(nStart - 1, timeline.MomentSeconds());
    // A second and a half of normal play backwards from there: 11:59:57.5.
    timeline.Change(1, true);
    EXPECT_EQ(1, timeline.Advance(1500));
    EXPECT_EQ((nStart - 2) * 1000 - 500, timeline.MomentMs());
    EXPECT_EQ(nStart - 3, timeline.MomentSeconds());

    // Reverse from just after the start runs out: end of play, and playback stops there.
    ASSERT_EQ(1, timeline.Start(At(2024, 5, 10, 8, 0, 5), 1, true));
    EXPECT_EQ(1, timeline.Advance(2000));
    EXPECT_EQ(At(2024, 5, 10, 8, 0, 3), timeline.MomentSeconds());
    EXPECT_EQ(PLAY_END, timeline.Advance(4000));
    EXPECT_FALSE(timeline.IsPlaying());
    EXPECT_EQ(At(2024, 5, 10, 8, 0, 0), timeline.MomentSeconds());
    EXPECT_EQ(PLAY_END, timeline.Advance(1000)); // nothing moves once stopped

    // "64X" from a minute before the end is out in one second.
    ASSERT_EQ(1, timeline.Start(At(2024, 5, 17, 7, 59, 0), 6, false));
    EXPECT_EQ(PLAY_END, timeline.Advance(1000));
    EXPECT_EQ(At(2024, 5, 17, 8, 0, 0), timeline.MomentSeconds());
}

TEST(PlayTimeline, JumpsOverGapsInThePlayDirection)
{
    CPlayTimeline timeline = Week();
    timeline.SetDailyGap(3 * 3600, 3 * 3600 + 1800);
    ASSERT_EQ(1, timeline.Start(At(2024, 5, 12, 2, 59, 58), 1, false));
    EXPECT_EQ(1, timeline.Advance(3000));
    EXPECT_EQ(At(2024, 5, 12, 3, 30, 0), timeline.MomentSeconds());

    ASSERT_EQ(1, timeline.Start(At(2024, 5, 12, 3, 30, 1), 1, true));
    EXPECT_EQ(1, timeline.Advance(2000));
    EXPECT_EQ(At(2024, 5, 12, 2, 59, 59), timeline.MomentSeconds());
}

TEST(PlayTimeline, PositionIsTheShareOfTheRangeInTenThousandthsOfAPercent)
{
    CPlayTimeline timeline = Week();
    ASSERT_EQ(1, timeline.Start(At(2024, 5, 10, 8, 0, 0), 1, false));
    EXPECT_EQ(0u, timeline.Position());
    ASSERT_EQ(1, timeline.Start(At(2024, 5, 13, 20, 0, 0), 1, false));
    EXPECT_EQ(500000u, timeline.Position());
    ASSERT_EQ(1, timeline.Start(At(2024, 5, 17, 8, 0, 0), 1, false));
    EXPECT_EQ(1000000u, timeline.Position());
}
