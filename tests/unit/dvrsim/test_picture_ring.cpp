// Pre-encoded live pictures: the option's bounds, the moments the ring holds, and that every
// picture is what the live feed would have sent at its moment, with its camera's code.
#include "link/image_codec.h"
#include "picture_ring.h"
#include "sim_options.h"
#include "fakes/test_pictures.h"

#include <gtest/gtest.h>

using namespace ostrel;
using namespace ostrel::dvrsim;
namespace t = ostrel::testing;

TEST(SimOptions, PrerenderedTakesOneToAHundredAndRefusesTheRestByName)
{
    QString strError, strHelp;
    const auto defaults = ParseSimOptions({"dvrsim"}, strError, strHelp);
    ASSERT_TRUE(defaults.has_value());
    EXPECT_EQ(0, defaults->nPrerendered) << "pictures are drawn as asked unless told otherwise";

    for (const auto& [text, nExpected] : {std::pair{"1", 1}, std::pair{"100", 100}, std::pair{"30", 30}, std::pair{"0x10", 16}}) {
        const auto chosen = ParseSimOptions({"dvrsim", "--prerendered", text}, strError, strHelp);
        ASSERT_TRUE(chosen.has_value()) << text << ": " << strError.toStdString();
        EXPECT_EQ(nExpected, chosen->nPrerendered) << text;
    }
    for (const char* pszBad : {"0", "101", "-3", "x", "", "2.5", "99999999999"}) {
        strError.clear();
        EXPECT_FALSE(ParseSimOptions({"dvrsim", "--prerendered", pszBad}, strError, strHelp).has_value()) << pszBad;
        EXPECT_EQ(QStringLiteral("--prerendered wants a number from 1 to 100"), strError) << pszBad;
    }
    strError.clear();
    EXPECT_FALSE(ParseSimOptions({"dvrsim", "--prerendered"}, strError, strHelp).has_value());
    EXPECT_TRUE(strError.contains(QLatin1String("prerendered"))) << strError.toStdString();
}

TEST(PictureRing, MomentsAreTheFirstMillisecondOfConsecutiveSceneTicks)
{
    // No camera: only the moments are worked out, nothing is drawn.
    FeedFormat format;
    format.nSceneFps = 10;
    const CPictureRing tenths(0, 4, format, 1715953510037LL);
    EXPECT_EQ(4, tenths.Size());
    EXPECT_EQ(1715953510000LL, tenths.MomentMs(0));
    EXPECT_EQ(1715953510100LL, tenths.MomentMs(1));
    EXPECT_EQ(1715953510300LL, tenths.MomentMs(3));

    // Seven ticks a second: 1000 ms is the start of tick 7; ticks 8 and 9 start at
    // 8000 / 7 = 1142.9 and 9000 / 7 = 1285.7 ms, so at 1143 and 1286.
    format.nSceneFps = 7;
    const CPictureRing sevenths(0, 3, format, 1100);
    EXPECT_EQ(1000, sevenths.MomentMs(0));
    EXPECT_EQ(1143, sevenths.MomentMs(1));
    EXPECT_EQ(1286, sevenths.MomentMs(2));

    EXPECT_EQ(1, CPictureRing(0, 0, format, 0).Size());
    EXPECT_EQ(100, CPictureRing(0, 500, format, 0).Size());
    EXPECT_EQ(0, CPictureRing(0, 3, format, 0).Cameras());
}

TEST(PictureRing, EveryPictureCarriesItsCameraAndFieldInEveryCamera)
{
    t::EnsureGuiApp();
    const CPictureRing ring(16, 2, FeedFormat{}, t::TestMomentMs());
    ASSERT_EQ(16, ring.Cameras());
    CImageCodec codec;
    size_t nBytes = 0;
    for (int nCamera = 0; nCamera < 16; ++nCamera) {
        for (int i = 0; i < 2; ++i) {
            for (const bool bOdd : {false, true}) {
                SCOPED_TRACE(::testing::Message() << "camera " << nCamera << " picture " << i << " odd " << bOdd);
                const std::vector<uint8_t>& jpeg = ring.Picture(nCamera, i, bOdd);
                ASSERT_GT(jpeg.size(), 1000u);
                nBytes += jpeg.size();
                EXPECT_EQ(nCamera, codec.Decode(jpeg.data(), jpeg.size(), false));
                EXPECT_EQ(bOdd ? CImageCodec::kFieldOdd : CImageCodec::kFieldEven, codec.FieldFlag());
            }
        }
    }
    EXPECT_EQ(nBytes, ring.Bytes());
    EXPECT_TRUE(ring.Picture(16, 0, false).empty());
    EXPECT_TRUE(ring.Picture(-1, 0, false).empty());
}

TEST(PictureRing, HoldsWhatTheLiveFeedSendsAtEachMomentAndWrapsRound)
{
    t::EnsureGuiApp();
    FeedFormat format;
    format.subsampling = JpegSubsampling::S422;
    format.nWidth = 704;
    const int64_t nStart = t::TestMomentMs() + 250; // inside the tick that starts at +200
    const CPictureRing ring(3, 3, format, nStart);
    for (int nCamera = 0; nCamera < 3; ++nCamera) {
        CCameraFeed feed(nCamera, format);
        for (int i = 0; i < 3; ++i) {
            for (const bool bOdd : {false, true}) {
                SCOPED_TRACE(::testing::Message() << "camera " << nCamera << " picture " << i << " odd " << bOdd);
                // The live feed asked at any millisecond of the tick 200 + 100 i ms in.
                EXPECT_EQ(feed.Picture(t::TestMomentMs() + 200 + 100 * i + 99, bOdd), ring.Picture(nCamera, i, bOdd));
                EXPECT_EQ(ring.Picture(nCamera, i, bOdd), ring.Picture(nCamera, i + 3, bOdd));
                EXPECT_EQ(ring.Picture(nCamera, i, bOdd), ring.Picture(nCamera, i - 3, bOdd));
            }
        }
        // The road's cars move between ticks: three moments, three scenes.
        if (nCamera == 0) {
            EXPECT_NE(ring.Picture(0, 0, true), ring.Picture(0, 1, true));
            EXPECT_NE(ring.Picture(0, 1, true), ring.Picture(0, 2, true));
        }
    }
}
