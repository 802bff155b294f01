// The channel code and the index pattern at their thresholds, on pictures painted byte by byte:
// bottom-up BGR rows, so picture row r is buffer row height - 1 - r.
#include "link/image_codec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using ostrel::BitmapInfoHeader;
using ostrel::CImageCodec;

namespace {

// A 24-bit picture whose buffer is exactly its image size, so that a read past it trips ASan.
struct Pic {
    Pic(int nWidth, int nHeight, uint8_t byFill = 0) : nRowBytes((static_cast<size_t>(nWidth) * 3 + 3) / 4 * 4)
    {
        header.biWidth = nWidth;
        header.biHeight = nHeight;
        header.biBitCount = 24;
        header.biSizeImage = static_cast<uint32_t>(nRowBytes * static_cast<size_t>(nHeight));
        pixels.assign(header.biSizeImage, byFill);
    }
    uint8_t* Row(int nRow) { return pixels.data() + static_cast<size_t>(header.biHeight - 1 - nRow) * nRowBytes; }
    void Set(int x, int nRow, uint8_t b, uint8_t g, uint8_t r)
    {
        uint8_t* p = Row(nRow) + 3 * x;
        p[0] = b, p[1] = g, p[2] = r;
    }
    // Pixels x0 .. x0 + n - 1 of a row, grey; those outside the picture are left alone.
    void Run(int x0, int n, int nRow, uint8_t by)
    {
        for (int x = std::max(x0, 0); x < std::min(x0 + n, header.biWidth); ++x)
            Set(x, nRow, by, by, by);
    }
    // Row 2 of an odd field: black 0..15, white 16..46, black 47..77.
    void IndexPattern(uint8_t byBlack, uint8_t byWhite)
    {
        Run(0, 16, 2, byBlack);
        Run(16, 31, 2, byWhite);
        Run(47, 31, 2, byBlack);
    }
    int Channel() const { return CImageCodec::ReadChannelPattern(header, pixels.data()); }
    bool Index() const { return CImageCodec::FindIndexPattern(header, pixels.data()); }

    size_t nRowBytes;
    BitmapInfoHeader header;
    std::vector<uint8_t> pixels;
};

// Left edges of the bit blocks in row 1, and what each is worth; the select block at 602.
struct Block {
    int x0;
    uint8_t byValue;
};
constexpr Block kBits[] = {{90, 8}, {218, 4}, {346, 2}, {474, 1}, {602, 15}};

} // namespace

TEST(ChannelPattern, ABlockNeedsMoreThan25Of30PixelsBrighterThan200InRowOne)
{
    for (const Block& bit : kBits) {
        SCOPED_TRACE(bit.x0);
        const auto channel = [&](auto paint) {
            Pic pic(640, 240);
            paint(pic);
            return pic.Channel();
        };
        EXPECT_EQ(0, channel([&](Pic& p) { p.Run(bit.x0, 25, 1, 255); }));
        EXPECT_EQ(bit.byValue, channel([&](Pic& p) { p.Run(bit.x0, 26, 1, 255); }));
        EXPECT_EQ(0, channel([&](Pic& p) { p.Run(bit.x0 + 5, 25, 1, 255); }));
        EXPECT_EQ(bit.byValue, channel([&](Pic& p) { p.Run(bit.x0 + 5, 25, 1, 255), p.Run(bit.x0 + 2, 1, 1, 255); }));
        // The pixels just beside the block, and whole blocks one row up or down, do not count.
        EXPECT_EQ(0, channel([&](Pic& p) { p.Run(bit.x0 - 1, 26, 1, 255), p.Run(bit.x0 + 30, 1, 1, 255); }));
        EXPECT_EQ(0, channel([&](Pic& p) { p.Run(bit.x0, 30, 0, 255), p.Run(bit.x0, 30, 2, 255); }));
    }
}

TEST(ChannelPattern, BrighterThan200MeansAMeanOfTheThreeBytesAbove200)
{
    struct Shade {
        const char* pszName;
        uint8_t b, g, r;
        bool bBright;
    } shades[] = {
        {"grey 200 is not brighter", 200, 200, 200, false}, {"grey 201 is", 201, 201, 201, true},
        {"602 / 3 = 200", 201, 201, 200, false},              {"603 / 3 = 201", 202, 201, 200, true},
        {"603 / 3 = 201 from blue and green", 255, 255, 93, true},
        {"600 / 3 = 200 from blue and green", 255, 255, 90, false},
        {"one byte at 255 is not enough", 255, 0, 0, false},
    };
    for (const Shade& s : shades) {
        SCOPED_TRACE(s.pszName);
        Pic pic(640, 240);
        for (int x = 90; x < 120; ++x)
            pic.Set(x, 1, s.b, s.g, s.r);
        EXPECT_EQ(s.bBright ? 8 : 0, pic.Channel());
    }
}

TEST(ChannelPattern, EveryCodeReadsBackInBothFormsAndTheSelectBlockEndsAt631)
{
    for (int nCode = 0; nCode < 16; ++nCode) {
        for (const bool bInverted : {false, true}) {
            SCOPED_TRACE(::testing::Message() << "code " << nCode << (bInverted ? " inverted" : ""));
            Pic pic(640, 240);
            for (const Block& bit : kBits)
                if (bit.byValue == 15 ? bInverted : ((nCode & bit.byValue) != 0) != bInverted)
                    pic.Run(bit.x0, 30, 1, 255);
            EXPECT_EQ(nCode, pic.Channel());
        }
    }
    Pic edge(640, 240);
    edge.Run(607, 25, 1, 255);
    edge.Run(632, 1, 1, 255);
    EXPECT_EQ(0, edge.Channel()) << "a bright pixel at 632 does not make 25 into 26";
}

TEST(IndexPattern, BlackUpTo50WhiteFrom200AndFiveWrongPixelsARunAtMost)
{
    const auto found = [](uint8_t byBlack, uint8_t byWhite) {
        Pic pic(640, 240);
        pic.IndexPattern(byBlack, byWhite);
        return pic.Index();
    };
    EXPECT_TRUE(found(50, 200));
    EXPECT_FALSE(found(51, 200));
    EXPECT_FALSE(found(50, 199));
    EXPECT_FALSE(Pic(640, 240).Index()) << "an all-black row has no white run";

    struct Run {
        int x0, x1;
        uint8_t byWrong; // just past the level
    };
    for (const Run& run : {Run{0, 15, 51}, Run{16, 46, 199}, Run{47, 77, 51}}) {
        for (const bool bAtRight : {false, true}) {
            SCOPED_TRACE(::testing::Message() << "run from " << run.x0 << (bAtRight ? ", wrong at its right" : ""));
            for (const int nWrong : {5, 6}) {
                Pic pic(640, 240);
                pic.IndexPattern(0, 255);
                pic.Run(bAtRight ? run.x1 + 1 - nWrong : run.x0, nWrong, 2, run.byWrong);
                EXPECT_EQ(nWrong == 5, pic.Index()) << nWrong;
            }
        }
    }

    // Only row 2 up to pixel 77 counts, counted from the top.
    Pic pic(640, 240);
    pic.IndexPattern(0, 255);
    pic.Run(78, 100, 2, 128);
    pic.Run(0, 78, 1, 128);
    pic.Run(0, 78, 3, 128);
    EXPECT_TRUE(pic.Index());
    Pic upsideDown(640, 240);
    upsideDown.Run(16, 31, 237, 255);
    EXPECT_FALSE(upsideDown.Index());
}

TEST(ChannelPattern, SmallPicturesAndOddHeadersReadOnlyWhatThePictureHolds)
{
    EXPECT_EQ(0, Pic(100, 2, 255).Channel()) << "block a has only 10 of its pixels";
    EXPECT_EQ(12, Pic(300, 2, 255).Channel()) << "blocks a and b whole, the rest outside";
    EXPECT_FALSE(Pic(300, 2, 255).Index()) << "no row 2";
    EXPECT_EQ(0, Pic(640, 1, 255).Channel()) << "no row 1";
    // 115 wide: 25 pixels of block a inside; the row's padding bytes are no 26th pixel.
    EXPECT_EQ(0, Pic(115, 240, 255).Channel());
    EXPECT_EQ(8, Pic(116, 240, 255).Channel());

    // 55 wide: pixels 47..54 of the right black run are inside. Five of them too bright are
    // tolerated; the three padding bytes of the row are no sixth.
    Pic index(55, 3);
    index.IndexPattern(0, 255);
    index.Run(50, 5, 2, 51);
    index.Row(2)[165] = index.Row(2)[166] = index.Row(2)[167] = 255;
    EXPECT_TRUE(index.Index());
    index.Run(49, 1, 2, 51);
    EXPECT_FALSE(index.Index());

    Pic pic(640, 240);
    pic.Run(90, 30, 1, 255);
    pic.IndexPattern(0, 255);
    ASSERT_EQ(8, pic.Channel());
    ASSERT_TRUE(pic.Index());
    BitmapInfoHeader topDown = pic.header;
    topDown.biHeight = -240;
    BitmapInfoHeader noWidth = pic.header;
    noWidth.biWidth = 0;
    for (const BitmapInfoHeader& header : {topDown, noWidth}) {
        EXPECT_EQ(0, CImageCodec::ReadChannelPattern(header, pic.pixels.data()));
        EXPECT_FALSE(CImageCodec::FindIndexPattern(header, pic.pixels.data()));
    }
    EXPECT_EQ(0, CImageCodec::ReadChannelPattern(pic.header, nullptr));
    EXPECT_FALSE(CImageCodec::FindIndexPattern(pic.header, nullptr));
}
