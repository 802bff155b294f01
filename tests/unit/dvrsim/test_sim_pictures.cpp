// The simulator's pictures: the painted code reads back with the client's reader, and every
// camera looks like itself.
#include "link/image_codec.h"
#include "camera_feed.h"
#include "fakes/test_pictures.h"

#include <gtest/gtest.h>

#include <set>

using namespace ostrel;
using namespace ostrel::dvrsim;
namespace t = ostrel::testing;

TEST(ChannelCodePainter, EveryCodeInEveryFormReadsBackAndNothingIsPaintedOutsideThePicture)
{
    for (const int nWidth : {640, 704, 720}) {
        constexpr int kHeight = 24;
        const uint32_t nRow = (static_cast<uint32_t>(nWidth) * 3 + 3) & ~3u;
        BitmapInfoHeader header;
        header.biWidth = nWidth;
        header.biHeight = kHeight;
        header.biBitCount = 24;
        header.biSizeImage = nRow * kHeight;
        for (int nCode = 0; nCode < 64; ++nCode) { // channel, odd field, inverted form
            const int nChannel = nCode % 16;
            const bool bOdd = (nCode & 16) != 0, bInverted = (nCode & 32) != 0;
            SCOPED_TRACE(::testing::Message() << nWidth << " ch " << nChannel << " odd " << bOdd << " inv " << bInverted);
            std::vector<uint8_t> bgrx(static_cast<size_t>(nWidth) * kHeight * 4, 0x80); // grey scene
            CChannelCodePainter::Paint(bgrx.data(), nWidth, nWidth * 4, kHeight, nChannel, bOdd, bInverted);
            std::vector<uint8_t> bottomUp(header.biSizeImage, 0);
            for (int y = 0; y < kHeight; ++y)
                for (int x = 0; x < nWidth; ++x)
                    for (int c = 0; c < 3; ++c)
                        bottomUp[(kHeight - 1 - y) * nRow + 3 * x + c] = bgrx[(static_cast<size_t>(y) * nWidth + x) * 4 + c];
            EXPECT_EQ(nChannel, CImageCodec::ReadChannelPattern(header, bottomUp.data()));
            EXPECT_EQ(bOdd, CImageCodec::FindIndexPattern(header, bottomUp.data()));
        }
    }
    std::vector<uint8_t> bgrx(100 * 4 * 3 + 16, 0x11); // narrower and shorter than the code
    CChannelCodePainter::Paint(bgrx.data(), 100, 400, 3, 15, true, true);
    for (size_t i = 1200; i < bgrx.size(); ++i)
        ASSERT_EQ(0x11, bgrx[i]);
}

TEST(CameraFeed, SixteenCamerasLookDifferentMoveAndCanSendAnotherCode)
{
    std::set<std::vector<uint8_t>> pictures;
    for (int nCamera = 0; nCamera < CScenePainter::kCameraCount; ++nCamera) {
        CCameraFeed feed(nCamera, FeedFormat{});
        const std::vector<uint8_t> now = feed.Picture(t::TestMomentMs(), true);
        EXPECT_NE(now, feed.Picture(t::TestMomentMs() + 2000, true)) << "camera " << nCamera << " does not move";
        pictures.insert(now);
    }
    EXPECT_EQ(16u, pictures.size());

    CCameraFeed feed(5, FeedFormat{});
    CImageCodec codec;
    const std::vector<uint8_t> wrong = feed.PictureWithCode(t::TestMomentMs(), true, 9);
    EXPECT_EQ(9, codec.Decode(wrong.data(), wrong.size(), false));
    const std::vector<uint8_t> right = feed.Picture(t::TestMomentMs(), true);
    EXPECT_EQ(5, codec.Decode(right.data(), right.size(), false));
}
