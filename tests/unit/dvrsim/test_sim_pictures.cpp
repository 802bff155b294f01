#include "event_log_maker.h"
#include "link/image_codec.h"
#include "sim_options.h"
#include "fakes/test_pictures.h"

#include <gtest/gtest.h>

#include <set>

using namespace ostrel;
using namespace ostrel::dvrsim;
namespace t = ostrel::testing;

namespace {

// The painted strip as the codec's reader sees it: bottom-up 24-bit rows, no JPEG between.
struct RawPicture {
    BitmapInfoHeader header;
    std::vector<uint8_t> pixels;
};

RawPicture PaintRaw(int nWidth, int nChannel, bool bOdd, bool bInverted)
{
    const int nHeight = 24;
    std::vector<uint8_t> bgrx(static_cast<size_t>(nWidth) * nHeight * 4, 0x80); // grey scene
    CChannelCodePainter::Paint(bgrx.data(), nWidth, nWidth * 4, nHeight, nChannel, bOdd, bInverted);
    RawPicture raw;
    raw.header.biWidth = nWidth;
    raw.header.biHeight = nHeight;
    raw.header.biBitCount = 24;
    const uint32_t nRow = (static_cast<uint32_t>(nWidth) * 3 + 3) & ~3u;
    raw.header.biSizeImage = nRow * nHeight;
    raw.pixels.assign(raw.header.biSizeImage, 0);
    for (int y = 0; y < nHeight; ++y)
        for (int x = 0; x < nWidth; ++x)
            for (int c = 0; c < 3; ++c)
                raw.pixels[(nHeight - 1 - y) * nRow + 3 * x + c] = bgrx[(static_cast<size_t>(y) * nWidth + x) * 4 + c];
    return raw;
}

} // namespace

TEST(ChannelCodePainter, EveryCodeInEveryFormReadsBackExactly)
{
    for (const int nWidth : {640, 704, 720}) {
        for (int nChannel = 0; nChannel < 16; ++nChannel) {
            for (const bool bOdd : {true, false}) {
                for (const bool bInverted : {false, true}) {
                    SCOPED_TRACE(::testing::Message() << nWidth << " ch " << nChannel << " odd " << bOdd << " inv " << bInverted);
                    const RawPicture raw = PaintRaw(nWidth, nChannel, bOdd, bInverted);
                    EXPECT_EQ(nChannel, CImageCodec::ReadChannelPattern(raw.header, raw.pixels.data()));
                    EXPECT_EQ(bOdd, CImageCodec::FindIndexPattern(raw.header, raw.pixels.data()));
                }
            }
        }
    }
}

TEST(ChannelCodePainter, StaysInsideSmallPictures)
{
    // A picture narrower and shorter than the code: nothing is painted outside it.
    std::vector<uint8_t> bgrx(100 * 4 * 3 + 16, 0x11);
    CChannelCodePainter::Paint(bgrx.data(), 100, 400, 3, 15, true, true);
    for (size_t i = 1200; i < bgrx.size(); ++i)
        ASSERT_EQ(0x11, bgrx[i]);
}

TEST(CameraFeed, DrawsEachSceneTickOnceAndEncodesEachFieldOnce)
{
    t::EnsureGuiApp();
    CCameraFeed feed(5, FeedFormat{});
    const int64_t nMs = t::TestMomentMs();
    const std::vector<uint8_t> first = feed.Picture(nMs, true);
    feed.Picture(nMs + 40, true);
    feed.Picture(nMs + 60, false);
    feed.Picture(nMs + 90, false);
    EXPECT_EQ(1u, feed.Renders());
    EXPECT_EQ(2u, feed.Encodes());
    EXPECT_EQ(first, feed.Picture(nMs + 99, true)); // same tick, same bytes
    feed.Picture(nMs + 100, true);                  // next tick at ten scenes a second
    EXPECT_EQ(2u, feed.Renders());

    CImageCodec codec;
    const std::vector<uint8_t> wrong = feed.PictureWithCode(nMs, true, 9);
    EXPECT_EQ(9, codec.Decode(wrong.data(), wrong.size(), false));
    const std::vector<uint8_t> right = feed.Picture(nMs + 100, true);
    EXPECT_EQ(5, codec.Decode(right.data(), right.size(), false));
}

TEST(CameraFeed, SixteenCamerasLookDifferentAndMove)
{
    t::EnsureGuiApp();
    std::set<std::vector<uint8_t>> pictures;
    std::set<std::string> names;
    for (int nCamera = 0; nCamera < CScenePainter::kCameraCount; ++nCamera) {
        CCameraFeed feed(nCamera, FeedFormat{});
        const std::vector<uint8_t> now = feed.Picture(t::TestMomentMs(), true);
        const std::vector<uint8_t> later = feed.Picture(t::TestMomentMs() + 2000, true);
        EXPECT_NE(now, later) << "camera " << nCamera << " does not move";
        pictures.insert(now);
        names.insert(CScenePainter::CameraName(nCamera));
    }
    EXPECT_EQ(16u, pictures.size());
    EXPECT_EQ(16u, names.size());
}

TEST(EventLogMaker, RecordsAreInTimeOrderInsideTheRangeWithValidFields)
{
    const RecordedRange range{wire::MakeSecondsValue({2024, 5, 10, 8, 0, 0}), wire::MakeSecondsValue({2024, 5, 17, 8, 0, 0})};
    const std::vector<uint8_t> log = CEventLogMaker::Make(range, 4, 300, 7);
    ASSERT_EQ(0u, log.size() % kAlarmEventRecordBytes);
    ASSERT_GT(log.size(), 100u * kAlarmEventRecordBytes);
    ASSERT_LE(log.size(), 300u * kAlarmEventRecordBytes);
    EXPECT_EQ(log, CEventLogMaker::Make(range, 4, 300, 7));
    uint32_t dwPrevious = 0;
    std::set<int> channels;
    for (size_t i = 0; i < log.size(); i += kAlarmEventRecordBytes) {
        const uint8_t* r = &log[i];
        channels.insert(r[0]);
        EXPECT_GE(r[0], 1);
        EXPECT_LE(r[0], 4);
        EXPECT_NE(0, r[1]);
        EXPECT_EQ(28, r[2]); // 2024 - 1996
        EXPECT_EQ(5, r[3]);
        EXPECT_GE(r[4], 10);
        EXPECT_LE(r[4], 17);
        EXPECT_LT(r[5], 24);
        EXPECT_LT(r[6], 60);
        EXPECT_LT(r[7], 60);
        const uint32_t dwPacked = wire::MakeTimeCost(1996 + r[2], r[3], r[4], r[5], r[6], r[7]);
        EXPECT_GE(dwPacked, dwPrevious);
        dwPrevious = dwPacked;
    }
    EXPECT_EQ(4u, channels.size());
}

TEST(SimOptions, DefaultsAndChoices)
{
    QString strError, strHelp;
    const auto defaults = ParseSimOptions({QStringLiteral("dvrsim")}, strError, strHelp);
    ASSERT_TRUE(defaults.has_value());
    EXPECT_EQ(8000, defaults->wPort);
    EXPECT_EQ(QStringLiteral("DVR PACKET1.2"), defaults->strMagic);
    EXPECT_EQ(16, defaults->nChannels);
    EXPECT_EQ(640, defaults->format.nWidth);
    EXPECT_EQ(240, defaults->format.nHeight);
    EXPECT_EQ(80, defaults->format.nQuality);
    EXPECT_EQ(JpegSubsampling::S420, defaults->format.subsampling);
    EXPECT_EQ(7, defaults->nRangeDays);
    EXPECT_FALSE(defaults->user.has_value());

    const auto chosen = ParseSimOptions({"dvrsim", "--port", "0", "--magic", "1.0", "--channels", "8", "--width", "720",
                                         "--subsampling", "422", "--user", "admin", "--password", "7", "--split",
                                         "random", "--gap", "03:00-03:30", "--truncate-every", "5"},
                                        strError, strHelp);
    ASSERT_TRUE(chosen.has_value()) << strError.toStdString();
    EXPECT_EQ(0, chosen->wPort);
    EXPECT_EQ(QStringLiteral("DVR PACKET1.0"), chosen->strMagic);
    EXPECT_EQ(8, chosen->nChannels);
    EXPECT_EQ(720, chosen->format.nWidth);
    EXPECT_EQ(JpegSubsampling::S422, chosen->format.subsampling);
    EXPECT_EQ(QStringLiteral("7"), chosen->password.value_or(QString()));
    EXPECT_EQ(SplitMode::Random, chosen->split);
    EXPECT_EQ(3 * 3600, chosen->nGapFrom);
    EXPECT_EQ(3 * 3600 + 1800, chosen->nGapTo);
    EXPECT_EQ(5, chosen->nTruncateEvery);
}

TEST(SimOptions, RefusesWhatNoRecorderWouldDo)
{
    QString strError, strHelp;
    for (const QStringList& args : {QStringList{"dvrsim", "--channels", "5"}, QStringList{"dvrsim", "--width", "800"},
                                    QStringList{"dvrsim", "--magic", "2.0"}, QStringList{"dvrsim", "--port", "70000"},
                                    QStringList{"dvrsim", "--gap", "25:00-26:00"}, QStringList{"dvrsim", "--fps", "x"},
                                    QStringList{"dvrsim", "--no-such-option"}, QStringList{"dvrsim", "stray"}}) {
        strError.clear();
        EXPECT_FALSE(ParseSimOptions(args, strError, strHelp).has_value()) << args.join(' ').toStdString();
        EXPECT_FALSE(strError.isEmpty());
    }
}

TEST(SimOptions, HelpListsEveryOption)
{
    QString strError, strHelp;
    EXPECT_FALSE(ParseSimOptions({"dvrsim", "--help"}, strError, strHelp).has_value());
    for (const char* pszOption :
         {"--port", "--bind", "--port-file", "--user", "--password", "--magic", "--channels", "--model", "--fps",
          "--single-fps", "--play-fps", "--scene-fps", "--prerendered", "--width", "--height", "--quality", "--subsampling",
          "--range-days", "--range-start", "--range-end", "--gap", "--event-count", "--alarm-every", "--ptz-reply",
          "--silence-after", "--close-after", "--split", "--split-max", "--split-gap-ms", "--coalesce",
          "--garbage-every", "--garbage-bytes", "--wrong-channel-every", "--truncate-every", "--oversize-every",
          "--seed", "--contact-sheet"})
        EXPECT_TRUE(strHelp.contains(QLatin1String(pszOption))) << pszOption;
}
