// The recorder simulator where the link tests cannot see it: a camera sending another camera's
// code (else the wrong-code runs test nothing), and an event log that leaves out the daily
// stretches it did not record.
#include "camera_feed.h"
#include "event_log_maker.h"
#include "fakes/test_pictures.h"
#include "link/image_codec.h"
#include "play_timeline.h"

#include <gtest/gtest.h>

using namespace ostrel;
using namespace ostrel::dvrsim;

namespace {

int64_t At(int y, int mo, int d, int h, int mi, int s)
{
    return wire::MakeSecondsValue(wire::DateTimeFields{y, mo, d, h, mi, s});
}

const RecordedRange kWeek{At(2024, 5, 10, 8, 0, 0), At(2024, 5, 17, 8, 0, 0)};

} // namespace

TEST(CameraFeed, AWrongCodeFaultReadsAsTheOtherCamera)
{
    CCameraFeed feed(5, FeedFormat{});
    CImageCodec codec;
    const std::vector<uint8_t> wrong = feed.PictureWithCode(ostrel::testing::TestMomentMs(), true, 9);
    EXPECT_EQ(9, codec.Decode(wrong.data(), wrong.size(), false));
    const std::vector<uint8_t> right = feed.Picture(ostrel::testing::TestMomentMs(), true);
    EXPECT_EQ(5, codec.Decode(right.data(), right.size(), false));
}

// A fault found: events were logged inside the daily gap, where playing them showed nothing.
TEST(EventLogMaker, NoRecordFallsInADailyGap)
{
    // 23:00 to 01:00 every day, across midnight; byte 5 of a record is its hour.
    CPlayTimeline timeline;
    timeline.SetDailyGap(23 * 3600, 3600);
    const std::vector<uint8_t> gapped = CEventLogMaker::Make(kWeek, 16, 2000, 3, [&](int64_t s) { return !timeline.InGap(s); });
    EXPECT_GT(gapped.size(), 1500u * kAlarmEventRecordBytes) << "the log is still full";
    for (size_t i = 0; i < gapped.size(); i += kAlarmEventRecordBytes)
        EXPECT_TRUE(gapped[i + 5] != 23 && gapped[i + 5] != 0) << i;
    EXPECT_TRUE(CEventLogMaker::Make(kWeek, 16, 100, 3, [](int64_t) { return false; }).empty())
        << "nothing recorded: nothing logged, and no endless search for a moment";
}
