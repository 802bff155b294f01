// The codec on real and hostile pictures: framing repair, the decoded layout, and refusals
// (the simulator's encoder makes the reference pictures); the channel code and index pattern
// at their thresholds, on pictures painted byte by byte; and pictures decoded at the size of
// their cell, whose code and field read exactly as from a full decode.
#include "fakes/test_pictures.h"
#include "link/image_codec.h"
#include "link/picture_scale.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <tuple>

using ostrel::BitmapInfoHeader;
using ostrel::CImageCodec;
using ostrel::ShownSize;
using ostrel::dvrsim::JpegSubsampling;
namespace t = ostrel::testing;

using Bytes = std::vector<uint8_t>;

TEST(RepairJpeg, PutsEveryKnownStartRightAndEndsWithEoi)
{
    struct Row {
        const char* pszName;
        Bytes input;
        Bytes expected; // empty: not recognised
    } rows[] = {
        {"well framed without end", {0xFF, 0xD8, 0xFF, 0xE0, 1, 2}, {0xFF, 0xD8, 0xFF, 0xE0, 1, 2, 0xFF, 0xD9}},
        {"doubled FF dropped", {0xFF, 0xFF, 0xD8, 0xFF, 0xE0, 7, 0xFF, 0xD9}, {0xFF, 0xD8, 0xFF, 0xE0, 7, 0xFF, 0xD9}},
        {"lost FF restored", {0xD8, 0xFF, 0xE0, 7, 0xFF, 0xD9}, {0xFF, 0xD8, 0xFF, 0xE0, 7, 0xFF, 0xD9}},
        {"shortest lost-FF start", {0xD8, 0xFF, 0xE0}, {0xFF, 0xD8, 0xFF, 0xE0, 0xFF, 0xD9}},
        {"two leading bytes dropped", {0x00, 0x12, 0xFF, 0xD8, 0xFF, 0xE0, 9}, {0xFF, 0xD8, 0xFF, 0xE0, 9, 0xFF, 0xD9}},
        {"EXIF start is not known", {0xFF, 0xD8, 0xFF, 0xE1, 0, 0, 0xFF, 0xD9}, {}},
        {"three leading bytes are too many", {1, 2, 3, 0xFF, 0xD8, 0xFF, 0xE0, 0xFF, 0xD9}, {}},
        {"bare start marker", {0xFF, 0xD8}, {}},
    };
    CImageCodec codec;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.pszName);
        size_t nLength = row.input.size();
        const uint8_t* p = codec.RepairJpeg(row.input.data(), nLength);
        if (row.expected.empty()) {
            EXPECT_EQ(nullptr, p);
            continue;
        }
        ASSERT_NE(nullptr, p);
        EXPECT_EQ(row.expected, Bytes(p, p + nLength));
    }
}

TEST(Decode, ColourAndGreyPicturesInTheirBitmapLayoutsAndFormatsWithinBounds)
{
    // 322 x 40 in blue: 24-bit BGR rows of 966 bytes padded to 968.
    Bytes jpeg = t::FlatJpeg(322, 40, 250, 0, 0, JpegSubsampling::S444);
    CImageCodec codec;
    ASSERT_NE(CImageCodec::kDecodeFailed, codec.Decode(jpeg.data(), jpeg.size(), false));
    const BitmapInfoHeader& info = codec.ImageHeader();
    EXPECT_EQ((std::vector<int64_t>{40, 322, 40, 1, 24, 0, 968 * 40}),
              (std::vector<int64_t>{info.biSize, info.biWidth, info.biHeight, info.biPlanes, info.biBitCount,
                                    info.biCompression, info.biSizeImage}));
    const uint8_t* pLast = codec.Pixels() + 39 * 968 + 3 * 321;
    EXPECT_GT(pLast[0], 240);
    EXPECT_LT(pLast[2], 15);

    // Grey: 24-bit BGR with equal bytes.
    jpeg = t::CodedJpeg(6, 5, true, false, JpegSubsampling::Gray);
    EXPECT_EQ(5, codec.Decode(jpeg.data(), jpeg.size(), false));
    EXPECT_EQ(1920u * 240u, codec.ImageHeader().biSizeImage);
    const uint8_t* p = codec.Pixels() + 100 * 1920 + 3 * 300;
    EXPECT_TRUE(p[0] == p[1] && p[1] == p[2]);

    // Formats made by hand: rows padded to four bytes; a refused one leaves the buffer alone.
    ASSERT_TRUE(codec.SetImageFormat(24, 641, 3));
    EXPECT_EQ(1924u * 3u, codec.ImageHeader().biSizeImage);
    const uint8_t* pBefore = codec.Pixels();
    const int bad[][3] = {{24, 0, 240}, {24, 640, -1}, {12, 640, 240}, {32, 1 << 20, 1 << 10}}; // bits, width, height
    for (const auto& f : bad)
        EXPECT_FALSE(codec.SetImageFormat(f[0], f[1], f[2])) << f[0] << " bits, " << f[1] << " x " << f[2];
    EXPECT_EQ(pBefore, codec.Pixels());
}

TEST(Decode, RefusesMoreThan220000PixelsBeforeSizingAnyBuffer)
{
    CImageCodec codec;
    const Bytes limit = t::FlatJpeg(440, 500, 10, 20, 30); // exactly 220000
    const Bytes over = t::FlatJpeg(441, 499, 10, 20, 30);  // 220059
    EXPECT_NE(CImageCodec::kDecodeFailed, codec.Decode(limit.data(), limit.size(), false));
    EXPECT_EQ(CImageCodec::kDecodeFailed, codec.Decode(over.data(), over.size(), false));
    EXPECT_STREQ("Invalid Image.", codec.LastDiagnostic());

    // A well-formed header claiming 65000 x 65000.
    Bytes huge = t::FlatJpeg(640, 240, 0, 0, 0);
    for (size_t i = 2; i + 8 < huge.size(); ++i) {
        if (huge[i] == 0xFF && huge[i + 1] == 0xC0) { // SOF0: length, precision, height, width
            huge[i + 5] = huge[i + 7] = 0xFD;
            huge[i + 6] = huge[i + 8] = 0xE8;
            break;
        }
    }
    CImageCodec fresh;
    EXPECT_EQ(CImageCodec::kDecodeFailed, fresh.Decode(huge.data(), huge.size(), false));
    EXPECT_STREQ("Invalid Image.", fresh.LastDiagnostic());
    EXPECT_LE(fresh.ImageHeader().biSizeImage, 320u * 3u * 240u);
}

TEST(Decode, PaddingBeforeTheEndMarkerIsNoDamageButLostDataIsAndACutPictureDoesNotSpoilTheNextOne)
{
    const Bytes good = t::CameraJpeg(10, true);
    const auto cut = [&](size_t n) { return Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n)); };
    CImageCodec codec;
    Bytes padded = good;
    padded.insert(padded.end() - 2, {0, 0, 0, 0});
    EXPECT_EQ(10, codec.Decode(padded.data(), padded.size(), false)) << codec.LastDiagnostic();
    Bytes paddedWithoutEnd = cut(good.size() - 2); // the repair adds FF D9
    paddedWithoutEnd.insert(paddedWithoutEnd.end(), {0, 0, 0});
    EXPECT_EQ(10, codec.Decode(paddedWithoutEnd.data(), paddedWithoutEnd.size(), false)) << codec.LastDiagnostic();

    const Bytes half = cut(good.size() / 2);
    EXPECT_EQ(CImageCodec::kDecodeFailed, codec.Decode(half.data(), half.size(), false));
    EXPECT_STREQ("Cannot read image data.", codec.LastDiagnostic());
    Bytes marker = good; // a marker in the middle of the scan: the rest is lost
    marker[good.size() / 2] = 0xFF;
    marker[good.size() / 2 + 1] = 0xC4;
    EXPECT_EQ(CImageCodec::kDecodeFailed, codec.Decode(marker.data(), marker.size(), false));
    Bytes cutAndPadded = half;
    cutAndPadded.insert(cutAndPadded.end(), {0, 0, 0xFF, 0xD9});
    EXPECT_EQ(CImageCodec::kDecodeFailed, codec.Decode(cutAndPadded.data(), cutAndPadded.size(), false));

    // Cut inside its tables, a picture fails the library's header read half-way; the decoder
    // must not carry that half-read state into the next picture.
    const Bytes damaged = cut(200);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(CImageCodec::kDecodeFailed, codec.Decode(damaged.data(), damaged.size(), false));
        EXPECT_STREQ("Cannot read JPEG header.", codec.LastDiagnostic());
        EXPECT_EQ(10, codec.Decode(good.data(), good.size(), false)) << codec.LastDiagnostic();
    }
    // Every truncation: short ones have no header, longer ones stop mid-scan.
    for (size_t n = 0; n < good.size() - 2; n += 7)
        EXPECT_EQ(CImageCodec::kDecodeFailed, codec.Decode(good.data(), n, false)) << n;
    EXPECT_EQ(CImageCodec::kDecodeFailed, codec.Decode(nullptr, 100, false));
}

namespace {

// The cells of the live view and the archive, as laid out on the 640 x 480 display.
constexpr ostrel::ShownSize kSixteenCell{158, 118};
constexpr ostrel::ShownSize kFourCell{318, 238};
constexpr ostrel::ShownSize kTinyCell{1, 1}; // the smallest scale there is

// A 24-bit picture whose buffer is exactly its image size, so that a read past it trips ASan.
struct Pic {
    Pic(int nWidth, int nHeight, uint8_t byFill = 0)
        : nRowBytes((static_cast<size_t>(nWidth) * 3 + 3) / 4 * 4),
          header{.biWidth = nWidth, .biHeight = nHeight, .biBitCount = 24,
                 .biSizeImage = static_cast<uint32_t>(nRowBytes * static_cast<size_t>(nHeight))},
          pixels(header.biSizeImage, byFill)
    {
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
        EXPECT_EQ(bit.byValue, channel([&](Pic& p) { p.Run(bit.x0 + 5, 25, 1, 255), p.Run(bit.x0 + 2, 1, 1, 255); }));
        // The pixels just beside the block, and whole blocks one row up or down, do not count.
        EXPECT_EQ(0, channel([&](Pic& p) { p.Run(bit.x0 - 1, 26, 1, 255), p.Run(bit.x0 + 30, 1, 1, 255); }));
        EXPECT_EQ(0, channel([&](Pic& p) { p.Run(bit.x0, 30, 0, 255), p.Run(bit.x0, 30, 2, 255); }));
    }
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

    // Each run from x0 to x1, with pixels just past its level at its right end.
    for (const auto& [x0, x1, byWrong] : {std::tuple<int, int, uint8_t>{0, 15, 51}, {16, 46, 199}, {47, 77, 51}}) {
        for (const int nWrong : {5, 6}) {
            SCOPED_TRACE(::testing::Message() << "run from " << x0 << ", wrong " << nWrong);
            Pic pic(640, 240);
            pic.IndexPattern(0, 255);
            pic.Run(x1 + 1 - nWrong, nWrong, 2, byWrong);
            EXPECT_EQ(nWrong == 5, pic.Index());
        }
    }

    Pic upsideDown(640, 240); // rows count from the top
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

    EXPECT_EQ(0, CImageCodec::ReadChannelPattern(index.header, nullptr));
    EXPECT_FALSE(CImageCodec::FindIndexPattern(index.header, nullptr));
}

TEST(ScaledChannelCode, EveryCodeFieldWidthAndSubsamplingReadsAsTheFullDecode)
{
    // The largest scale whose source rectangle covers 95 % of the cell, worked out by hand: a
    // 240-row field shows 626 or more x 2 * 228 source pixels, a 288-row frame 619 or more x 272.
    const struct {
        ShownSize cell;
        int nScaleOfField, nScaleOfFrame;
    } cells[] = {{kTinyCell, 8, 8}, {kSixteenCell, 4, 2}, {kFourCell, 2, 1}};
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
                        const bool bInverted = nChannel % 3 == 0; // the select block's other form
                        const std::vector<uint8_t> jpeg =
                            t::CodedJpeg(nChannel % 5, nChannel, bOdd, bInverted, s, nWidth, nHeight);
                        ASSERT_EQ(nChannel, full.Decode(jpeg.data(), jpeg.size(), false));
                        ASSERT_EQ(1, full.ScaleDenominator());
                        const uint8_t byField = full.FieldFlag();
                        ASSERT_EQ(bOdd ? CImageCodec::kFieldOdd : CImageCodec::kFieldEven, byField);
                        for (const auto& [cell, nScaleOfField, nScaleOfFrame] : cells) {
                            const int nExpectedScale = nHeight == 240 ? nScaleOfField : nScaleOfFrame;
                            // Start from the other field, so a flag left over cannot pass.
                            const std::vector<uint8_t>& other = bOdd ? evenPicture : oddPicture;
                            ASSERT_EQ(0, scaled.Decode(other.data(), other.size(), false));
                            ASSERT_NE(byField, scaled.FieldFlag());
                            EXPECT_EQ(nChannel, scaled.Decode(jpeg.data(), jpeg.size(), false, cell));
                            EXPECT_EQ(byField, scaled.FieldFlag());
                            EXPECT_EQ(nExpectedScale, scaled.ScaleDenominator());
                            EXPECT_EQ(nWidth / nExpectedScale, scaled.ImageHeader().biWidth); // all divide exactly
                            EXPECT_EQ(nHeight / nExpectedScale, scaled.ImageHeader().biHeight);
                        }
                    }
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
