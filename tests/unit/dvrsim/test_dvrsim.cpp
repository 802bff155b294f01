// The recorder simulator where the link tests cannot see it: a camera sending another camera's
// code (else the wrong-code runs test nothing), an event log that leaves out the daily
// stretches it did not record, the channels a live request is served, and the trickle's bytes.
// The fault plan's timetable is checked by scripts/soak against dvrsim's own log. The command
// line: which error is reported when several options are wrong.
#include "camera_feed.h"
#include "event_log_maker.h"
#include "fakes/test_pictures.h"
#include "link/image_codec.h"
#include "play_timeline.h"
#include "request_reader.h"
#include "sim_options.h"
#include "trickle.h"

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

// After "4" and F5 the client asks P0 = 0, P1 = 6 with channels 5 to 8 masked; all four move.
TEST(LiveRequest, TheMaskChoosesTheChannels)
{
    const struct {
        uint8_t byP0, byP1, byMaskLow, byMaskHigh;
        int nChannels;
        std::vector<int> served;
    } rows[] = {
        {0, 6, 0xF0, 0x00, 16, {4, 5, 6, 7}},
        {1, 1, 0xFF, 0xFF, 4, {0, 1, 2, 3}}, // sixteen asked of a four-camera recorder
    };
    for (const auto& row : rows) {
        std::vector<uint8_t> bytes = {'D', 'V', 'R', ' ', 'P', 'A', 'C', 'K', 'E', 'T', '1', '.', '2', 0, 0, 0,
                                      0x3C, 0, 0, 0, 0x01, 0, 0, 0, 0x11, 0x10, 0, 0,
                                      row.byP0, 0, 0, 0, row.byP1, 0, 0, 0, row.byMaskLow, row.byMaskHigh, 0, 0};
        bytes.resize(60, 0);
        CRequestReader reader;
        reader.Feed(bytes.data(), bytes.size());
        DvrRequest request;
        ASSERT_TRUE(reader.Next(request));
        EXPECT_EQ(row.served, LiveChannels(request.params, row.nChannels)) << int(row.byP0);
    }
}

TEST(Trickle, HeaderAtOnceThenOneByteAnIntervalThenTheRest)
{
    std::vector<uint8_t> packet(32);
    for (size_t i = 0; i < packet.size(); ++i)
        packet[i] = static_cast<uint8_t>(0xA0 + i);
    CTrickle trickle;
    EXPECT_EQ(std::vector<uint8_t>(packet.begin(), packet.begin() + 28), trickle.Start(packet.data(), 32, 1000, 4900));
    EXPECT_TRUE(trickle.Due(5899).empty());
    EXPECT_EQ(std::vector<uint8_t>{0xBC}, trickle.Due(5900));
    EXPECT_EQ((std::vector<uint8_t>{0xBD, 0xBE}), trickle.Due(15700)) << "two intervals passed";
    EXPECT_EQ(std::vector<uint8_t>{0xBF}, trickle.Rest());
    EXPECT_FALSE(trickle.Busy());
}

// Options are read in the order of the help text, whatever their order on the command line; a
// bad number is reported only when nothing was wrong before it, any other error replaces it.
TEST(SimOptions, TheFirstBadNumberOrTheLastOtherErrorIsReported)
{
    const struct {
        const char* pszName;
        std::vector<const char*> arguments;
        const char* pszError; // "": accepted
    } rows[] = {
        {"out of range", {"--port", "65536"}, "--port wants a number from 0 to 65535"},
        {"first in help order", {"--model", "x", "--port", "x"}, "--port wants a number from 0 to 65535"},
        {"other error after a number", {"--port", "x", "--channels", "2"}, "--channels wants 1, 4, 8 or 16"},
        {"number after another error", {"--channels", "2", "--model", "x"}, "--channels wants 1, 4, 8 or 16"},
        {"split-max unread without random", {"--split", "9", "--split-max", "x"}, ""},
        {"split-max with random", {"--split", "random", "--split-max", "0"},
         "--split-max wants a number from 1 to 1048576"},
        {"one half of a pair", {"--outage-for", "5"}, "--outage-at and --outage-for go together"},
        {"range backwards", {"--range-start=2024-05-17 08:00:00", "--range-end=2024-05-10 08:00:00"},
         "--range-end must be after --range-start"},
        {"the parser's own", {"--ptz-reply=1"}, "Unexpected value after '--ptz-reply'."},
    };
    for (const auto& row : rows) {
        QStringList arguments{QStringLiteral("dvrsim")};
        for (const char* psz : row.arguments)
            arguments << QString::fromLatin1(psz);
        QString strError;
        QString strHelp;
        const std::optional<SimOptions> options = ParseSimOptions(arguments, strError, strHelp);
        EXPECT_EQ(*row.pszError == '\0', options.has_value()) << row.pszName;
        EXPECT_EQ(QString::fromLatin1(row.pszError), strError) << row.pszName;
    }
}
