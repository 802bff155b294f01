// Pictures stretched into cells: which source pixel lands where; nothing touched outside buffers.
#include "models/cell_painter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using namespace ostrel;

namespace {

// A bottom-up 24-bit picture whose pixel at picture (x, y) is B = x & 0xFF, G = y, R = x >> 8.
struct TestPicture {
    TestPicture(int nWidth, int nHeight)
    {
        const int nRow = (nWidth * 3 + 3) & ~3;
        bmi = {.biWidth = nWidth, .biHeight = nHeight, .biBitCount = 24, .biSizeImage = static_cast<uint32_t>(nRow * nHeight)};
        pixels.assign(bmi.biSizeImage, 0);
        for (int y = 0; y < nHeight; ++y)
            for (int x = 0; x < nWidth; ++x) {
                uint8_t* p = &pixels[static_cast<size_t>((nHeight - 1 - y) * nRow + 3 * x)];
                p[0] = static_cast<uint8_t>(x & 0xFF);
                p[1] = static_cast<uint8_t>(y);
                p[2] = static_cast<uint8_t>(x >> 8);
            }
    }
    // The same pixels as the link hands them out.
    ostrel::Picture Pooled(uint8_t byFieldAlign) const
    {
        static PicturePool pool;
        return pool.Make(bmi, pixels.data(), pixels.size(), byFieldAlign);
    }

    BitmapInfoHeader bmi;
    std::vector<uint8_t> pixels;
};

uint32_t Expected(int x, int y)
{
    return 0xFF000000u | static_cast<uint32_t>(x >> 8) << 16 | static_cast<uint32_t>(y) << 8 | (x & 0xFF);
}

} // namespace

TEST(CellPainter, NearestPixelsOfTheSourceRectangleFillTheCell)
{
    const TestPicture picture(640, 240);
    std::vector<uint32_t> image(877 * 685, 0x12345678);
    CCellPainter painter;
    const CellRect cell{63, 23, 221, 141}; // 158 x 118
    ASSERT_TRUE(painter.Paint(picture.Pooled(1), image.data(), 877, 685, 877, cell));
    const auto at = [&](int x, int y) { return image[static_cast<size_t>(y * 877 + x)]; };
    EXPECT_EQ(Expected(3, 11), at(63, 23)) << "top-left of the source";
    // The source is 626 x 228 from (3, 11): cell pixel (157, 117) takes 3 + 622, 11 + 226.
    EXPECT_EQ(Expected(625, 237), at(220, 140)) << "bottom-right";
    EXPECT_EQ(877u * 685u - 158u * 118u, static_cast<size_t>(std::count(image.begin(), image.end(), 0x12345678u)))
        << "every pixel of the cell written, none outside it";
    ASSERT_TRUE(painter.Paint(picture.Pooled(0), image.data(), 877, 685, 877, cell));
    EXPECT_EQ(Expected(3, 12), at(63, 23)) << "even field";
}

TEST(CellPainter, HeaderOrScaleThatDoesNotDescribeItsBufferIsNotDrawn)
{
    TestPicture picture(640, 240);
    std::vector<uint32_t> image(877 * 685, 7);
    CCellPainter painter;
    const CellRect cell{63, 23, 221, 141};
    struct Row {
        const char* name;
        void (*mangle)(BitmapInfoHeader&);
    } rows[] = {
        {"image size smaller than its rows", [](BitmapInfoHeader& b) { b.biSizeImage -= 1; }},
        {"16 bits per pixel", [](BitmapInfoHeader& b) { b.biBitCount = 16; }},
        {"negative height", [](BitmapInfoHeader& b) { b.biHeight = -240; }},
        {"rows narrower than the width", [](BitmapInfoHeader& b) { b.biWidth = 4000; }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        BitmapInfoHeader bad = picture.bmi;
        row.mangle(bad);
        EXPECT_FALSE(painter.Paint(bad, picture.pixels.data(), 1, image.data(), 877, 685, 877, cell));
        EXPECT_EQ(7u, image[23 * 877 + 63]);
    }
    EXPECT_FALSE(painter.Paint(picture.bmi, nullptr, 1, image.data(), 877, 685, 877, cell));
    EXPECT_FALSE(painter.Paint(Picture{}, image.data(), 877, 685, 877, cell)) << "an empty handle";

    const TestPicture quarter(160, 60);
    // A half-scale picture's rows, a wider original, scales 0 and 16, a negative original.
    for (const PictureScale& scale : {PictureScale{640, 240, 2}, PictureScale{644, 240, 4}, PictureScale{640, 240, 0},
                                      PictureScale{2560, 960, 16}, PictureScale{-640, 240, 4}}) {
        EXPECT_FALSE(painter.Paint(quarter.bmi, quarter.pixels.data(), 1, image.data(), 877, 685, 877, cell, scale))
            << scale.nSourceWidth << " " << scale.nDenominator;
        EXPECT_EQ(7u, image[23 * 877 + 63]);
    }
    EXPECT_TRUE(painter.Paint(quarter.bmi, quarter.pixels.data(), 1, image.data(), 877, 685, 877, cell,
                              PictureScale{637, 237, 4}))
        << "sizes round up: 637 x 237 at 1/4 is 160 x 60";

    // 32 bits per pixel, half outside the image on every side: only the inside is written.
    const BitmapInfoHeader bmi{.biWidth = 64, .biHeight = 64, .biBitCount = 32, .biSizeImage = 64 * 64 * 4};
    const std::vector<uint8_t> pixels(bmi.biSizeImage, 0x40);
    std::vector<uint32_t> small(100 * 100, 0);
    ASSERT_TRUE(painter.Paint(bmi, pixels.data(), 1, small.data(), 100, 100, 100, {-50, -50, 150, 150}));
    EXPECT_EQ(0xFF404040u, small[0]);
    EXPECT_EQ(0xFF404040u, small[99 * 100 + 99]);
}
