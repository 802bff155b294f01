// Pictures decoded at the size they are shown: which scale a cell gets, that the channel code
// and field flag read exactly as from a full decode, and that a scaled picture still shows its
// camera in the cell.
#include "fakes/camera_look.h"
#include "fakes/test_pictures.h"
#include "link/code_band_reader.h"
#include "link/image_codec.h"
#include "link/picture_scale.h"
#include "models/cell_painter.h"

#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <QImage>

#include <random>
#include <vector>

using namespace ostrel;
using ostrel::dvrsim::JpegSubsampling;
namespace t = ostrel::testing;

namespace {

// The cells of the live view and the archive, as laid out on the 640 x 480 display.
constexpr ShownSize kSixteenCell{158, 118};
constexpr ShownSize kNineCell{211, 158};
constexpr ShownSize kFourCell{318, 238};
constexpr ShownSize kSingleCell{638, 478};
constexpr ShownSize kTinyCell{1, 1}; // the smallest scale there is

// The picture painted into a cell of the given size, as the view paints it.
QImage PaintCell(const CImageCodec& codec, const ShownSize& cell)
{
    QImage image(cell.nWidth, cell.nHeight, QImage::Format_RGB32);
    image.fill(Qt::black);
    CCellPainter painter;
    EXPECT_TRUE(painter.Paint(codec.ImageHeader(), codec.Pixels(), codec.FieldFlag(), reinterpret_cast<uint32_t*>(image.bits()),
                              image.width(), image.height(), static_cast<int>(image.bytesPerLine() / 4),
                              CellRect{0, 0, cell.nWidth, cell.nHeight},
                              PictureScale{codec.SourceWidth(), codec.SourceHeight(), codec.ScaleDenominator()}));
    return image;
}

} // namespace

TEST(ScaleChoice, SmallestScaleWhoseSourceCoversNinetyFivePercentOfTheCell)
{
    struct Row {
        const char* pszName;
        int nWidth, nHeight;
        ShownSize cell;
        int nExpected;
    };
    // A 640 x 240 field shows 626 x 228 rows, counted 456 high; 95 % of a cell must be covered.
    const Row rows[] = {
        {"640x240 in sixteen cells: 156.5 x 114 covers 150.1 x 112.1", 640, 240, kSixteenCell, 4},
        {"640x240 in nine cells: 156.5 wide is short of 200.45", 640, 240, kNineCell, 2},
        {"640x240 in the single cell: 313 is short of 606.1", 640, 240, kSingleCell, 1},
        {"640x240 in a dot: the smallest scale", 640, 240, kTinyCell, 8},
        {"width at the edge: 156.5 >= 0.95 x 164", 640, 240, {164, 118}, 4},
        {"width just past it: 156.5 < 0.95 x 165", 640, 240, {165, 118}, 2},
        {"height at the edge: 114 = 0.95 x 120", 640, 240, {158, 120}, 4},
        {"height just past it: 114 < 0.95 x 121", 640, 240, {158, 121}, 2},
        // Other heights: 15 rows above and 1 below off, rows counted once.
        {"704x288 in sixteen cells: 136 rows at 1/2, 68 at 1/4", 704, 288, kSixteenCell, 2},
        {"704x288 in four cells: 136 is short of 226.1", 704, 288, kFourCell, 1},
        {"352x288 in sixteen cells: 165.5 x 136 at 1/2", 352, 288, kSixteenCell, 2},
        {"unknown cell: full size", 640, 240, ShownSize{}, 1},
        {"picture too small for a source rectangle", 20, 10, kTinyCell, 1},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.pszName);
        EXPECT_EQ(r.nExpected, ChooseScaleDenominator(r.nWidth, r.nHeight, r.cell));
    }
}

TEST(ScaledDecode, ProgressivePicturesAreDecodedWholeSoTheirCodeStillReads)
{
    // The first rows of a progressive picture come only after all of it: the code band cannot
    // read them ahead, and the codec decodes it full size.
    CImageCodec codec;
    const std::vector<uint8_t> camera = t::CameraJpeg(3, true);
    ASSERT_EQ(3, codec.Decode(camera.data(), camera.size(), false));
    tjhandle h = tjInitCompress();
    unsigned char* pOut = nullptr;
    unsigned long nOut = 0;
    ASSERT_EQ(0, tjCompress2(h, codec.Pixels(), 640, 640 * 3, 240, TJPF_BGR, &pOut, &nOut, TJSAMP_420, 90,
                             TJFLAG_PROGRESSIVE | TJFLAG_BOTTOMUP));
    const std::vector<uint8_t> progressive(pOut, pOut + nOut);
    tjFree(pOut);
    tjDestroy(h);
    CCodeBandReader reader;
    EXPECT_FALSE(reader.Read(progressive.data(), progressive.size(), true, 3));
    EXPECT_EQ(3, codec.Decode(progressive.data(), progressive.size(), false, kSixteenCell));
    EXPECT_EQ(1, codec.ScaleDenominator());
    EXPECT_EQ(CImageCodec::kFieldOdd, codec.FieldFlag());
}

TEST(ScaledChannelCode, EveryCodeFieldWidthAndSubsamplingReadsAsTheFullDecode)
{
    CImageCodec full;
    CImageCodec scaled;
    const std::vector<uint8_t> oddPicture = t::CodedJpeg(1, 0, true, false);
    const std::vector<uint8_t> evenPicture = t::CodedJpeg(1, 0, false, false);
    for (const JpegSubsampling s : {JpegSubsampling::S420, JpegSubsampling::S422, JpegSubsampling::S444, JpegSubsampling::Gray})
        for (const int nWidth : {640, 704, 720})
            for (const int nHeight : {240, 288})
                for (int nChannel = 0; nChannel < 16; ++nChannel)
                    for (const bool bOdd : {true, false}) {
                        SCOPED_TRACE(::testing::Message() << static_cast<int>(s) << ' ' << nWidth << 'x' << nHeight << " channel "
                                                        << nChannel << (bOdd ? " odd" : " even"));
                        const std::vector<uint8_t> jpeg = t::CameraJpeg(nChannel, bOdd, s, nWidth, nHeight);
                        ASSERT_EQ(nChannel, full.Decode(jpeg.data(), jpeg.size(), false));
                        ASSERT_EQ(1, full.ScaleDenominator());
                        const uint8_t byField = full.FieldFlag();
                        ASSERT_EQ(bOdd ? CImageCodec::kFieldOdd : CImageCodec::kFieldEven, byField);
                        for (const ShownSize& cell : {kTinyCell, kSixteenCell, kFourCell}) {
                            const int nExpectedScale = ChooseScaleDenominator(nWidth, nHeight, cell);
                            // Start from the other field, so a flag left over cannot pass.
                            const std::vector<uint8_t>& other = bOdd ? evenPicture : oddPicture;
                            ASSERT_EQ(0, scaled.Decode(other.data(), other.size(), false));
                            ASSERT_NE(byField, scaled.FieldFlag());
                            EXPECT_EQ(nChannel, scaled.Decode(jpeg.data(), jpeg.size(), false, cell));
                            EXPECT_EQ(byField, scaled.FieldFlag());
                            EXPECT_EQ(nExpectedScale, scaled.ScaleDenominator());
                            EXPECT_EQ(ScaledDimension(nWidth, nExpectedScale), scaled.ImageHeader().biWidth);
                            EXPECT_EQ(ScaledDimension(nHeight, nExpectedScale), scaled.ImageHeader().biHeight);
                        }
                    }
}

TEST(ScaledChannelCode, SelectBlockFormWrongCodesAndHeaderChannelModeReadAsTheFullDecode)
{
    CImageCodec full;
    CImageCodec scaled;
    for (int nCode = 0; nCode < 16; ++nCode)
        for (const bool bInverted : {true, false}) {
            SCOPED_TRACE(::testing::Message() << "code " << nCode << (bInverted ? " inverted" : ""));
            const std::vector<uint8_t> jpeg = t::CodedJpeg(nCode % 5, nCode, nCode % 3 == 0, bInverted);
            const uint8_t byFull = full.Decode(jpeg.data(), jpeg.size(), false);
            EXPECT_EQ(nCode, byFull);
            EXPECT_EQ(byFull, scaled.Decode(jpeg.data(), jpeg.size(), false, kSixteenCell));
            EXPECT_EQ(4, scaled.ScaleDenominator());
            EXPECT_EQ(full.FieldFlag(), scaled.FieldFlag());
        }

    // Header-channel mode scales too, and leaves the field flag as the previous picture left it.
    const std::vector<uint8_t> odd = t::CameraJpeg(4, true);
    const std::vector<uint8_t> even = t::CameraJpeg(4, false);
    ASSERT_EQ(4, scaled.Decode(odd.data(), odd.size(), false, kSixteenCell));
    EXPECT_EQ(0, scaled.Decode(even.data(), even.size(), true, kFourCell));
    EXPECT_EQ(CImageCodec::kFieldOdd, scaled.FieldFlag());
    EXPECT_EQ(2, scaled.ScaleDenominator());
    EXPECT_EQ(320, scaled.ImageHeader().biWidth);
    EXPECT_EQ(120, scaled.ImageHeader().biHeight);
    EXPECT_EQ(640, scaled.SourceWidth());
    EXPECT_EQ(240, scaled.SourceHeight());
}

TEST(ScaledChannelCode, DamagedPicturesFailOrReadExactlyAsTheFullDecode)
{
    // Truncations and flipped bytes anywhere: whatever the full decode makes of a picture, the
    // scaled one makes too (refused, or the same code and field).
    std::mt19937 random(20240517);
    CImageCodec full;
    CImageCodec scaled;
    int nRefused = 0;
    for (int nCase = 0; nCase < 240; ++nCase) {
        std::vector<uint8_t> jpeg = t::CameraJpeg(nCase % 16, nCase % 2 == 1);
        if (nCase % 3 == 0) {
            jpeg.resize(jpeg.size() * static_cast<size_t>(1 + random() % 9) / 10);
        } else {
            for (int n = 0; n < 1 + nCase % 4; ++n)
                jpeg[static_cast<size_t>(random() % jpeg.size())] = static_cast<uint8_t>(random());
        }
        SCOPED_TRACE(nCase);
        const uint8_t byFull = full.Decode(jpeg.data(), jpeg.size(), false);
        const uint8_t byScaled = scaled.Decode(jpeg.data(), jpeg.size(), false, kSixteenCell);
        EXPECT_EQ(byFull, byScaled);
        if (byFull != CImageCodec::kDecodeFailed)
            EXPECT_EQ(full.FieldFlag(), scaled.FieldFlag());
        else
            ++nRefused;
    }
    EXPECT_GT(nRefused, 20) << "the cases include damage the decoder notices";
}

TEST(ScaledPicture, EachCellShowsItsCamera)
{
    CImageCodec scaled;
    for (const ShownSize& cell : {kSixteenCell, kNineCell, kFourCell})
        for (int nChannel = 0; nChannel < 16; ++nChannel) {
            SCOPED_TRACE(::testing::Message() << cell.nWidth << 'x' << cell.nHeight << " channel " << nChannel);
            const std::vector<uint8_t> jpeg = t::CameraJpeg(nChannel, nChannel % 2 == 1);
            ASSERT_EQ(nChannel, scaled.Decode(jpeg.data(), jpeg.size(), false, cell));
            ASSERT_GT(scaled.ScaleDenominator(), 1);
            const QImage shown = PaintCell(scaled, cell);
            double dDistance = 0;
            EXPECT_EQ(nChannel, ostrel::test::IdentifyCamera(shown, t::TestMomentMs(), &dDistance));
            EXPECT_LT(dDistance, 30.0);
        }
}
