// The channel code and the index pattern at their thresholds, on pictures painted byte by byte:
// bottom-up BGR rows, so picture row r is buffer row height - 1 - r.

#include "link/image_codec.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <vector>

using ostrel::BitmapInfoHeader;
using ostrel::CImageCodec;

namespace {

// A 24-bit picture whose buffer is exactly its image size, so that a read past it trips ASan.
class Picture {
public:
    Picture(int nWidth, int nHeight)
    {
        m_header.biWidth = nWidth;
        m_header.biHeight = nHeight;
        m_header.biBitCount = 24;
        m_nRowBytes = (static_cast<size_t>(nWidth) * 3 + 3) / 4 * 4;
        m_header.biSizeImage = static_cast<uint32_t>(m_nRowBytes * static_cast<size_t>(nHeight));
        m_pixels.assign(m_header.biSizeImage, 0);
    }

    // Paints pixel (x, row); pixels outside the picture are left alone.
    void Set(int x, int nRow, uint8_t b, uint8_t g, uint8_t r)
    {
        if (x < 0 || x >= m_header.biWidth || nRow < 0 || nRow >= m_header.biHeight)
            return;
        uint8_t* p = Row(nRow) + 3 * x;
        p[0] = b;
        p[1] = g;
        p[2] = r;
    }
    void SetGrey(int x, int nRow, uint8_t by) { Set(x, nRow, by, by, by); }
    // Pixels x0 .. x0 + n - 1 of a row.
    void Run(int x0, int n, int nRow, uint8_t by)
    {
        for (int x = x0; x < x0 + n; ++x)
            SetGrey(x, nRow, by);
    }
    void FillBytes(uint8_t by) { m_pixels.assign(m_pixels.size(), by); }
    const uint8_t* Data() const { return m_pixels.data(); }
    // The stored bytes of picture row nRow, padding included.
    uint8_t* Row(int nRow) { return m_pixels.data() + static_cast<size_t>(m_header.biHeight - 1 - nRow) * m_nRowBytes; }

    int Channel() const { return CImageCodec::ReadChannelPattern(m_header, Data()); }
    bool IndexFound() const { return CImageCodec::FindIndexPattern(m_header, Data()); }

    BitmapInfoHeader m_header;

private:
    size_t m_nRowBytes = 0;
    std::vector<uint8_t> m_pixels;
};

// Left edges of the bit blocks in row 1, and what each is worth.
struct Block {
    const char* pszName;
    int x0;
    uint8_t byValue;
};
constexpr Block kBits[] = {{"a", 90, 8}, {"b", 218, 4}, {"c", 346, 2}, {"d", 474, 1}};
constexpr int kSelectX0 = 602;

// Row 2 of an odd field: black 0..15, white 16..46, black 47..77.
struct IndexRun {
    const char* pszName;
    int x0;
    int x1;
    bool bWhite;
};
constexpr IndexRun kIndexRuns[] = {{"left black run", 0, 15, false}, {"white run", 16, 46, true},
                                   {"right black run", 47, 77, false}};

void PaintIndexPattern(Picture& pic, uint8_t byBlack, uint8_t byWhite)
{
    for (const IndexRun& run : kIndexRuns)
        pic.Run(run.x0, run.x1 - run.x0 + 1, 2, run.bWhite ? byWhite : byBlack);
}

} // namespace

// ---- bit blocks ----

TEST(ChannelPattern, ABitBlockNeedsMoreThan25Of30PixelsBrighterThan200)
{
    for (const Block& bit : kBits) {
        SCOPED_TRACE(bit.pszName);
        Picture pic(640, 240);
        pic.Run(bit.x0, 25, 1, 255);
        EXPECT_EQ(0, pic.Channel()) << "25 bright pixels at the block's left";
        pic.Run(bit.x0 + 25, 1, 1, 255);
        EXPECT_EQ(bit.byValue, pic.Channel()) << "26 bright pixels";

        Picture right(640, 240);
        right.Run(bit.x0 + 5, 25, 1, 255);
        EXPECT_EQ(0, right.Channel()) << "25 bright pixels at the block's right";
        right.SetGrey(bit.x0 + 2, 1, 255);
        EXPECT_EQ(bit.byValue, right.Channel()) << "26 bright pixels, one gap";
    }
}

TEST(ChannelPattern, PixelsBesideABlockDoNotCount)
{
    for (const Block& bit : kBits) {
        SCOPED_TRACE(bit.pszName);
        // 25 inside plus the pixels just left and right of the block.
        Picture pic(640, 240);
        pic.Run(bit.x0 - 1, 1, 1, 255);
        pic.Run(bit.x0, 25, 1, 255);
        pic.Run(bit.x0 + 30, 1, 1, 255);
        EXPECT_EQ(0, pic.Channel());
        // A whole white block one row up or down is in the wrong row.
        Picture rows(640, 240);
        rows.Run(bit.x0, 30, 0, 255);
        rows.Run(bit.x0, 30, 2, 255);
        EXPECT_EQ(0, rows.Channel());
    }
}

TEST(ChannelPattern, BrighterThan200MeansAMeanOfTheThreeBytesAbove200)
{
    struct Shade {
        const char* pszName;
        uint8_t b, g, r;
        bool bBright;
    };
    const Shade shades[] = {
        {"grey 200 is not brighter", 200, 200, 200, false},
        {"grey 201 is", 201, 201, 201, true},
        {"602 / 3 = 200", 201, 201, 200, false},
        {"603 / 3 = 201", 202, 201, 200, true},
        {"604 / 3 = 201 with a dark red", 255, 255, 94, true},
        {"603 / 3 = 201 from blue and green only", 255, 255, 93, true},
        {"600 / 3 = 200 from blue and green only", 255, 255, 90, false},
        {"one byte at 255 is not enough", 255, 0, 0, false},
    };
    for (const Shade& s : shades) {
        SCOPED_TRACE(s.pszName);
        Picture pic(640, 240);
        for (int x = 90; x < 120; ++x)
            pic.Set(x, 1, s.b, s.g, s.r);
        EXPECT_EQ(s.bBright ? 8 : 0, pic.Channel());
    }
}

TEST(ChannelPattern, TheSelectBlockInvertsEveryBit)
{
    // Select white with a, b, c, d white, black, black, white: 1001 inverted is channel 6.
    Picture six(640, 240);
    six.Run(kSelectX0, 30, 1, 255);
    six.Run(90, 30, 1, 255);
    six.Run(474, 30, 1, 255);
    EXPECT_EQ(6, six.Channel());

    // Select alone: every bit reads set.
    Picture fifteen(640, 240);
    fifteen.Run(kSelectX0, 26, 1, 255);
    EXPECT_EQ(15, fifteen.Channel());
    // With 25 of 30 bright the select block is clear and nothing is inverted.
    Picture zero(640, 240);
    zero.Run(kSelectX0, 25, 1, 255);
    EXPECT_EQ(0, zero.Channel());

    // Select and every bit white: channel 0.
    Picture all(640, 240);
    for (const Block& bit : kBits)
        all.Run(bit.x0, 30, 1, 255);
    all.Run(kSelectX0, 30, 1, 255);
    EXPECT_EQ(0, all.Channel());
    // The select block ends at 631: a bright pixel at 632 does not make 25 into 26.
    Picture edge(640, 240);
    edge.Run(kSelectX0 + 5, 25, 1, 255);
    edge.SetGrey(632, 1, 255);
    EXPECT_EQ(0, edge.Channel());
}

TEST(ChannelPattern, EveryCodeReadsBackInBothForms)
{
    for (int nCode = 0; nCode < 16; ++nCode) {
        for (const bool bInverted : {false, true}) {
            SCOPED_TRACE(testing::Message() << "code " << nCode << (bInverted ? " inverted" : ""));
            Picture pic(640, 240);
            for (const Block& bit : kBits) {
                if (((nCode & bit.byValue) != 0) != bInverted)
                    pic.Run(bit.x0, 30, 1, 255);
            }
            if (bInverted)
                pic.Run(kSelectX0, 30, 1, 255);
            EXPECT_EQ(nCode, pic.Channel());
        }
    }
}

// ---- index pattern ----

TEST(IndexPattern, LevelsAre50ForBlackAnd200ForWhite)
{
    Picture exact(640, 240);
    PaintIndexPattern(exact, 50, 200);
    EXPECT_TRUE(exact.IndexFound()) << "50 is black and 200 is white";

    Picture blackTooBright(640, 240);
    PaintIndexPattern(blackTooBright, 51, 200);
    EXPECT_FALSE(blackTooBright.IndexFound()) << "51 is not black";

    Picture whiteTooDark(640, 240);
    PaintIndexPattern(whiteTooDark, 50, 199);
    EXPECT_FALSE(whiteTooDark.IndexFound()) << "199 is not white";

    Picture plain(640, 240);
    PaintIndexPattern(plain, 0, 255);
    EXPECT_TRUE(plain.IndexFound());
    Picture dark(640, 240);
    EXPECT_FALSE(dark.IndexFound()) << "an all-black row has no white run";
}

TEST(IndexPattern, EachRunToleratesFiveWrongPixelsButNotSix)
{
    // Wrong means just past the level: 51 in a black run, 199 in the white one.
    for (const IndexRun& run : kIndexRuns) {
        const uint8_t byWrong = run.bWhite ? 199 : 51;
        for (const bool bAtRight : {false, true}) {
            SCOPED_TRACE(testing::Message() << run.pszName << (bAtRight ? ", wrong pixels at its right" : ", at its left"));
            Picture five(640, 240);
            PaintIndexPattern(five, 0, 255);
            five.Run(bAtRight ? run.x1 - 4 : run.x0, 5, 2, byWrong);
            EXPECT_TRUE(five.IndexFound());

            Picture six(640, 240);
            PaintIndexPattern(six, 0, 255);
            six.Run(bAtRight ? run.x1 - 5 : run.x0, 6, 2, byWrong);
            EXPECT_FALSE(six.IndexFound());
        }
    }
}

TEST(IndexPattern, OnlyRowTwoUpToPixel77Counts)
{
    // Anything past pixel 77, or in rows 1 and 3, leaves the pattern alone.
    Picture pic(640, 240);
    PaintIndexPattern(pic, 0, 255);
    pic.Run(78, 100, 2, 128);
    pic.Run(0, 78, 1, 128);
    pic.Run(0, 78, 3, 128);
    EXPECT_TRUE(pic.IndexFound());

    // Painted in the bottom-up buffer's row 2 instead (the picture's third row from the bottom).
    Picture upsideDown(640, 240);
    PaintIndexPattern(upsideDown, 0, 0);
    upsideDown.Run(16, 31, 237, 255);
    EXPECT_FALSE(upsideDown.IndexFound());
}

// ---- pictures smaller than the code ----

TEST(ChannelPattern, NarrowAndShortPicturesReadOnlyWhatTheyHold)
{
    // 100 x 2: block a has only pixels 90..99 (10 of 30); no row 2 for the index pattern, so
    // its white run reads black.
    Picture narrow(100, 2);
    narrow.FillBytes(255);
    EXPECT_EQ(0, narrow.Channel());
    EXPECT_FALSE(narrow.IndexFound());

    // 300 x 2: blocks a and b are whole, c, d and the select block lie outside.
    Picture wider(300, 2);
    wider.FillBytes(255);
    EXPECT_EQ(12, wider.Channel());
    EXPECT_FALSE(wider.IndexFound());

    // 300 x 3 has row 2, and the index pattern is read in it.
    Picture three(300, 3);
    PaintIndexPattern(three, 0, 255);
    EXPECT_TRUE(three.IndexFound());

    // One row: no code row at all.
    Picture line(640, 1);
    line.FillBytes(255);
    EXPECT_EQ(0, line.Channel());
    EXPECT_FALSE(line.IndexFound());
}

TEST(ChannelPattern, ABlockCutByTheRightEdgeCountsOnlyPixelsInside)
{
    // 115 wide: pixels 90..114 of block a are inside (25 of 30). A 345-byte row is padded to
    // 348; the three padding bytes would read as a 26th pixel if they were counted.
    Picture cut(115, 240);
    cut.FillBytes(255);
    EXPECT_EQ(0, cut.Channel());

    // 116 wide: 26 pixels inside, block a is set.
    Picture whole(116, 240);
    whole.FillBytes(255);
    EXPECT_EQ(8, whole.Channel());

    // 55 wide: pixels 47..54 of the right black run are inside, the rest reads black. Five of them
    // too bright are tolerated; the row's three padding bytes are no sixth pixel.
    Picture index(55, 3);
    PaintIndexPattern(index, 0, 255);
    index.Run(50, 5, 2, 51);
    uint8_t* pRow = index.Row(2);
    pRow[165] = pRow[166] = pRow[167] = 255;
    EXPECT_TRUE(index.IndexFound());
    index.SetGrey(49, 2, 51);
    EXPECT_FALSE(index.IndexFound());
}

TEST(ChannelPattern, HeadersWithoutRowsOrWidthReadNothing)
{
    Picture pic(640, 240);
    pic.Run(90, 30, 1, 255);
    PaintIndexPattern(pic, 0, 255);
    ASSERT_EQ(8, pic.Channel());
    ASSERT_TRUE(pic.IndexFound());
    const uint8_t* bytes = pic.Data();

    BitmapInfoHeader topDown = pic.m_header;
    topDown.biHeight = -240;
    EXPECT_EQ(0, CImageCodec::ReadChannelPattern(topDown, bytes));
    EXPECT_FALSE(CImageCodec::FindIndexPattern(topDown, bytes));

    BitmapInfoHeader noWidth = pic.m_header;
    noWidth.biWidth = 0;
    EXPECT_EQ(0, CImageCodec::ReadChannelPattern(noWidth, bytes));
    EXPECT_FALSE(CImageCodec::FindIndexPattern(noWidth, bytes));

    EXPECT_EQ(0, CImageCodec::ReadChannelPattern(pic.m_header, nullptr));
    EXPECT_FALSE(CImageCodec::FindIndexPattern(pic.m_header, nullptr));
}
