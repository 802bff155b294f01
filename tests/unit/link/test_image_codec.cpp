#include "link/image_codec.h"
#include "fakes/test_pictures.h"

#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <random>
#include <string>

using ostrel::BitmapInfoHeader;
using ostrel::CImageCodec;
using ostrel::dvrsim::JpegSubsampling;
namespace t = ostrel::testing;

namespace {

// Brightness of picture pixel (x, row) of a decoded 24-bit picture, row 0 at the top.
int Brightness(const CImageCodec& codec, int x, int nRow)
{
    const BitmapInfoHeader& h = codec.ImageHeader();
    const uint8_t* p = codec.Pixels() + static_cast<size_t>(h.biHeight - 1 - nRow) * h.RowBytes() + 3 * x;
    return (p[0] + p[1] + p[2]) / 3;
}

std::vector<uint8_t> Bytes(std::initializer_list<int> values)
{
    std::vector<uint8_t> out;
    for (int v : values)
        out.push_back(static_cast<uint8_t>(v));
    return out;
}

} // namespace

// ---- framing repair ----

struct RepairCase {
    const char* pszName;
    std::vector<uint8_t> input;
    std::vector<uint8_t> expected; // empty: not recognised
};

TEST(RepairJpeg, PutsEveryKnownStartRightAndEndsWithEoi)
{
    const std::vector<RepairCase> cases = {
        {"well framed copy", Bytes({0xFF, 0xD8, 0xFF, 0xE0, 1, 2, 0xFF, 0xD9}), Bytes({0xFF, 0xD8, 0xFF, 0xE0, 1, 2, 0xFF, 0xD9})},
        {"well framed without end", Bytes({0xFF, 0xD8, 0xFF, 0xE0, 1, 2}), Bytes({0xFF, 0xD8, 0xFF, 0xE0, 1, 2, 0xFF, 0xD9})},
        {"doubled FF dropped", Bytes({0xFF, 0xFF, 0xD8, 0xFF, 0xE0, 7, 0xFF, 0xD9}), Bytes({0xFF, 0xD8, 0xFF, 0xE0, 7, 0xFF, 0xD9})},
        {"lost FF restored", Bytes({0xD8, 0xFF, 0xE0, 7, 0xFF, 0xD9}), Bytes({0xFF, 0xD8, 0xFF, 0xE0, 7, 0xFF, 0xD9})},
        {"lost FF and end: three longer", Bytes({0xD8, 0xFF, 0xE0, 7, 8}), Bytes({0xFF, 0xD8, 0xFF, 0xE0, 7, 8, 0xFF, 0xD9})},
        {"two leading bytes dropped", Bytes({0x00, 0x12, 0xFF, 0xD8, 0xFF, 0xE0, 9}), Bytes({0xFF, 0xD8, 0xFF, 0xE0, 9, 0xFF, 0xD9})},
        {"EXIF start is not known", Bytes({0xFF, 0xD8, 0xFF, 0xE1, 0, 0, 0xFF, 0xD9}), {}},
        {"three leading bytes are too many", Bytes({1, 2, 3, 0xFF, 0xD8, 0xFF, 0xE0, 0xFF, 0xD9}), {}},
        {"bare start marker", Bytes({0xFF, 0xD8}), {}},
        {"nothing", {}, {}},
        {"shortest lost-FF start", Bytes({0xD8, 0xFF, 0xE0}), Bytes({0xFF, 0xD8, 0xFF, 0xE0, 0xFF, 0xD9})},
    };
    CImageCodec codec;
    for (const RepairCase& c : cases) {
        SCOPED_TRACE(c.pszName);
        size_t nLength = c.input.size();
        const uint8_t* p = codec.RepairJpeg(c.input.data(), nLength);
        if (c.expected.empty()) {
            EXPECT_EQ(nullptr, p);
            EXPECT_EQ(c.input.size(), nLength);
            continue;
        }
        ASSERT_NE(nullptr, p);
        EXPECT_EQ(std::vector<uint8_t>(p, p + nLength), c.expected);
    }
}

TEST(RepairJpeg, RepairedRealPicturesDecodeLikeTheOriginal)
{
    const std::vector<uint8_t> jpeg = t::CameraJpeg(9, true);
    std::vector<uint8_t> lostFf(jpeg.begin() + 1, jpeg.end() - 2); // D8 FF E0 ..., no FF D9
    std::vector<uint8_t> shifted = {0xAB, 0xCD};
    shifted.insert(shifted.end(), jpeg.begin(), jpeg.end());

    CImageCodec codec;
    size_t nLength = lostFf.size();
    const uint8_t* p = codec.RepairJpeg(lostFf.data(), nLength);
    ASSERT_NE(nullptr, p);
    EXPECT_EQ(lostFf.size() + 3, nLength);
    EXPECT_EQ(std::vector<uint8_t>(p, p + nLength), jpeg);

    for (const auto* pInput : {&lostFf, &shifted}) {
        CImageCodec decoder;
        EXPECT_EQ(9, decoder.Decode(pInput->data(), pInput->size(), false));
        EXPECT_EQ(CImageCodec::kFieldOdd, decoder.FieldFlag());
    }
}

// ---- the channel code read from real pictures ----

TEST(ChannelCode, EveryChannelAndFieldReadsBackFromCameraPictures)
{
    struct Format {
        JpegSubsampling subsampling;
        int nWidth;
    };
    for (const Format f : {Format{JpegSubsampling::S420, 640}, Format{JpegSubsampling::S422, 640},
                           Format{JpegSubsampling::S420, 704}, Format{JpegSubsampling::S422, 720}}) {
        CImageCodec codec;
        for (int nChannel = 0; nChannel < 16; ++nChannel) {
            for (const bool bOdd : {true, false}) {
                SCOPED_TRACE(testing::Message() << "width " << f.nWidth << " channel " << nChannel << (bOdd ? " odd" : " even"));
                const std::vector<uint8_t> jpeg = t::CameraJpeg(nChannel, bOdd, f.subsampling, f.nWidth);
                EXPECT_EQ(nChannel, codec.Decode(jpeg.data(), jpeg.size(), false));
                EXPECT_EQ(bOdd ? CImageCodec::kFieldOdd : CImageCodec::kFieldEven, codec.FieldFlag());
            }
        }
    }
}

TEST(ChannelCode, InvertedBitsWithTheSelectBlockGiveChannelSix)
{
    const std::vector<uint8_t> jpeg = t::CodedJpeg(3, 6, false, true);
    CImageCodec codec;
    ASSERT_EQ(6, codec.Decode(jpeg.data(), jpeg.size(), false));
    // As painted: select white; a, b, c, d white, black, black, white.
    const int nAt[] = {602, 90, 218, 346, 474};
    const bool bWhite[] = {true, true, false, false, true};
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(nAt[i]);
        for (int x = nAt[i]; x < nAt[i] + 30; ++x)
            EXPECT_EQ(bWhite[i], Brightness(codec, x, 1) > 200);
    }
}

TEST(ChannelCode, FastDecodeReadsEveryCodeTheSame)
{
    // The fast DCT and plain upsampling are only worth having if they never change a reading.
    CImageCodec accurate;
    accurate.SetFastDecode(false);
    CImageCodec fast;
    fast.SetFastDecode(true);
    for (const JpegSubsampling s : {JpegSubsampling::S420, JpegSubsampling::S422}) {
        for (int nChannel = 0; nChannel < 16; ++nChannel) {
            for (const bool bOdd : {true, false}) {
                const std::vector<uint8_t> jpeg = t::CameraJpeg(nChannel, bOdd, s);
                EXPECT_EQ(accurate.Decode(jpeg.data(), jpeg.size(), false), fast.Decode(jpeg.data(), jpeg.size(), false));
                EXPECT_EQ(accurate.FieldFlag(), fast.FieldFlag());
            }
        }
    }
}

TEST(ChannelCode, HeaderChannelModeReturnsZeroAndKeepsTheFieldFlag)
{
    CImageCodec codec;
    const std::vector<uint8_t> odd = t::CameraJpeg(11, true);
    const std::vector<uint8_t> even = t::CameraJpeg(11, false);
    ASSERT_EQ(11, codec.Decode(odd.data(), odd.size(), false));
    ASSERT_EQ(CImageCodec::kFieldOdd, codec.FieldFlag());
    EXPECT_EQ(0, codec.Decode(even.data(), even.size(), true));
    EXPECT_EQ(CImageCodec::kFieldOdd, codec.FieldFlag());
    EXPECT_NE(nullptr, codec.Pixels());
}

TEST(ChannelCode, PicturesTooSmallForThePatternReadOnlyWhatTheyHold)
{
    CImageCodec codec;
    // 352 wide holds blocks a and b but not c, d or the select block: channel 15 reads 12.
    const std::vector<uint8_t> narrow = t::CodedJpeg(0, 15, true, false, JpegSubsampling::S420, 352, 240);
    EXPECT_EQ(12, codec.Decode(narrow.data(), narrow.size(), false));
    EXPECT_EQ(CImageCodec::kFieldOdd, codec.FieldFlag());
    // One row: no code row at all, nothing read out of the buffer.
    const std::vector<uint8_t> line = t::FlatJpeg(640, 1, 255, 255, 255);
    EXPECT_EQ(0, codec.Decode(line.data(), line.size(), false));
    EXPECT_EQ(CImageCodec::kFieldEven, codec.FieldFlag());
    // An all-white picture is channel 15 with the select block set: all bits inverted to 0.
    const std::vector<uint8_t> white = t::FlatJpeg(640, 240, 255, 255, 255);
    EXPECT_EQ(0, codec.Decode(white.data(), white.size(), false));
}

// ---- decoded layout ----

TEST(Decode, ColourPicturesBecomeBottomUpBgrRowsPaddedToFourBytes)
{
    // 322 x 40: top half red, bottom half blue; rows of 966 bytes padded to 968.
    ostrel::testing::EnsureGuiApp();
    QImage image(322, 40, QImage::Format_RGB32);
    image.fill(QColor(0, 0, 255));
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 322; ++x)
            image.setPixel(x, y, qRgb(255, 0, 0));
    std::vector<uint8_t> jpeg;
    ostrel::dvrsim::CJpegEncoder().Encode(image.constBits(), 322, static_cast<int>(image.bytesPerLine()), 40, 90,
                                          JpegSubsampling::S444, jpeg);
    CImageCodec codec;
    ASSERT_NE(CImageCodec::kDecodeFailed, codec.Decode(jpeg.data(), jpeg.size(), false));
    const BitmapInfoHeader& h = codec.ImageHeader();
    EXPECT_EQ(40u, h.biSize);
    EXPECT_EQ(322, h.biWidth);
    EXPECT_EQ(40, h.biHeight);
    EXPECT_EQ(1, h.biPlanes);
    EXPECT_EQ(24, h.biBitCount);
    EXPECT_EQ(0u, h.biCompression);
    EXPECT_EQ(968u * 40u, h.biSizeImage);
    const uint8_t* pFirstRow = codec.Pixels();                  // the picture's bottom row: blue
    const uint8_t* pLastRow = codec.Pixels() + 39 * 968;        // the picture's top row: red
    EXPECT_GT(pFirstRow[0], 240);
    EXPECT_LT(pFirstRow[2], 15);
    EXPECT_LT(pLastRow[3 * 321], 15);
    EXPECT_GT(pLastRow[3 * 321 + 2], 240);
}

TEST(Decode, GreyPicturesBecomeTwentyFourBitBgr)
{
    const std::vector<uint8_t> jpeg = t::CodedJpeg(6, 5, true, false, JpegSubsampling::Gray);
    int nWidth = 0, nHeight = 0, nSamp = 0, nColourSpace = -1;
    tjhandle h = tjInitDecompress();
    ASSERT_EQ(0, tjDecompressHeader3(h, jpeg.data(), jpeg.size(), &nWidth, &nHeight, &nSamp, &nColourSpace));
    tjDestroy(h);
    ASSERT_EQ(TJCS_GRAY, nColourSpace);

    CImageCodec codec;
    EXPECT_EQ(5, codec.Decode(jpeg.data(), jpeg.size(), false));
    EXPECT_EQ(CImageCodec::kFieldOdd, codec.FieldFlag());
    EXPECT_EQ(24, codec.ImageHeader().biBitCount);
    EXPECT_EQ(1920u * 240u, codec.ImageHeader().biSizeImage);
    const uint8_t* p = codec.Pixels() + 100 * 1920 + 3 * 300;
    EXPECT_EQ(p[0], p[1]);
    EXPECT_EQ(p[1], p[2]);
}

TEST(Decode, FourComponentPicturesArePremultipliedWithFirstAndThirdSwapped)
{
    // 64 x 16 CMYK picture of (200, 100, 50, 128); the library hands the components back.
    std::vector<uint8_t> cmyk(64 * 16 * 4);
    for (size_t i = 0; i < cmyk.size(); i += 4) {
        cmyk[i] = 200;
        cmyk[i + 1] = 100;
        cmyk[i + 2] = 50;
        cmyk[i + 3] = 128;
    }
    tjhandle h = tjInitCompress();
    unsigned char* pJpeg = nullptr;
    unsigned long nJpeg = 0;
    ASSERT_EQ(0, tjCompress2(h, cmyk.data(), 64, 64 * 4, 16, TJPF_CMYK, &pJpeg, &nJpeg, TJSAMP_444, 100, 0));
    tjDestroy(h);
    // TurboJPEG starts it with an Adobe marker; put the JFIF marker the codec knows in front.
    std::vector<uint8_t> jpeg = Bytes({0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0});
    jpeg.insert(jpeg.end(), pJpeg + 2, pJpeg + nJpeg);
    tjFree(pJpeg);

    CImageCodec codec;
    ASSERT_NE(CImageCodec::kDecodeFailed, codec.Decode(jpeg.data(), jpeg.size(), true)) << codec.LastDiagnostic();
    EXPECT_EQ(32, codec.ImageHeader().biBitCount);
    EXPECT_EQ(64u * 4u * 16u, codec.ImageHeader().biSizeImage);
    const uint8_t* p = codec.Pixels() + 8 * 256 + 4 * 30;
    EXPECT_NEAR((50 * 128 + 1) >> 8, p[0], 3);
    EXPECT_NEAR((100 * 128 + 1) >> 8, p[1], 3);
    EXPECT_NEAR((200 * 128 + 1) >> 8, p[2], 3);
    EXPECT_NEAR(128, p[3], 3);
}

// ---- refusals ----

TEST(Decode, RefusesPicturesOfMoreThan220000Pixels)
{
    CImageCodec codec;
    const std::vector<uint8_t> field = t::FlatJpeg(640, 240, 10, 20, 30);
    const std::vector<uint8_t> frame = t::FlatJpeg(640, 480, 10, 20, 30);
    const std::vector<uint8_t> limit = t::FlatJpeg(440, 500, 10, 20, 30); // exactly 220000
    const std::vector<uint8_t> over = t::FlatJpeg(441, 499, 10, 20, 30);  // 220059
    EXPECT_NE(CImageCodec::kDecodeFailed, codec.Decode(field.data(), field.size(), false));
    EXPECT_NE(CImageCodec::kDecodeFailed, codec.Decode(limit.data(), limit.size(), false));
    EXPECT_EQ(CImageCodec::kDecodeFailed, codec.Decode(frame.data(), frame.size(), false));
    EXPECT_STREQ("Invalid Image.", codec.LastDiagnostic());
    EXPECT_EQ(CImageCodec::kDecodeFailed, codec.Decode(over.data(), over.size(), false));
    EXPECT_STREQ("Invalid Image.", codec.LastDiagnostic());
}

TEST(Decode, HugeDimensionsInAHeaderAllocateNothing)
{
    // A well-formed header claiming 65000 x 65000 must be refused before any buffer is sized.
    std::vector<uint8_t> jpeg = t::FlatJpeg(640, 240, 0, 0, 0);
    for (size_t i = 2; i + 8 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) { // SOF0: length, precision, height, width
            jpeg[i + 5] = 0xFD;
            jpeg[i + 6] = 0xE8;
            jpeg[i + 7] = 0xFD;
            jpeg[i + 8] = 0xE8;
            break;
        }
    }
    CImageCodec codec;
    EXPECT_EQ(CImageCodec::kDecodeFailed, codec.Decode(jpeg.data(), jpeg.size(), false));
    EXPECT_STREQ("Invalid Image.", codec.LastDiagnostic());
    EXPECT_LE(codec.ImageHeader().biSizeImage, 320u * 3u * 240u);
}

TEST(Decode, TruncatedCorruptAndRandomDataNeverCrash)
{
    const std::vector<uint8_t> jpeg = t::CameraJpeg(4, true);
    CImageCodec codec;
    // Every truncation (the repair appends FF D9): short ones have no header; longer ones stop
    // mid-scan and are refused as damaged.
    for (size_t n = 0; n < jpeg.size() - 2; n += 7) {
        EXPECT_EQ(CImageCodec::kDecodeFailed, codec.Decode(jpeg.data(), n, false)) << n;
    }
    std::mt19937 random(1234);
    std::vector<uint8_t> noise(4096);
    for (int i = 0; i < 200; ++i) {
        for (uint8_t& by : noise)
            by = static_cast<uint8_t>(random());
        noise[0] = 0xFF, noise[1] = 0xD8, noise[2] = 0xFF, noise[3] = 0xE0;
        EXPECT_EQ(CImageCodec::kDecodeFailed, codec.Decode(noise.data(), 16 + random() % 4000, false));
    }
    EXPECT_EQ(CImageCodec::kDecodeFailed, codec.Decode(nullptr, 100, false));
}

TEST(Decode, PaddingBeforeTheEndMarkerIsNoDamageButLostDataIs)
{
    const std::vector<uint8_t> good = t::CameraJpeg(10, true);
    CImageCodec codec;

    std::vector<uint8_t> padded = good;
    padded.insert(padded.end() - 2, {0, 0, 0, 0});
    EXPECT_EQ(10, codec.Decode(padded.data(), padded.size(), false)) << codec.LastDiagnostic();
    std::vector<uint8_t> paddedWithoutEnd(good.begin(), good.end() - 2); // the repair adds FF D9
    paddedWithoutEnd.insert(paddedWithoutEnd.end(), {0, 0, 0});
    EXPECT_EQ(10, codec.Decode(paddedWithoutEnd.data(), paddedWithoutEnd.size(), false)) << codec.LastDiagnostic();

    const std::vector<uint8_t> half(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(good.size() / 2));
    EXPECT_EQ(CImageCodec::kDecodeFailed, codec.Decode(half.data(), half.size(), false));
    EXPECT_STREQ("Cannot read image data.", codec.LastDiagnostic());
    // A marker in the middle of the scan: the rest of the picture is lost.
    std::vector<uint8_t> corrupt = good;
    corrupt[good.size() / 2] = 0xFF;
    corrupt[good.size() / 2 + 1] = 0xC4;
    EXPECT_EQ(CImageCodec::kDecodeFailed, codec.Decode(corrupt.data(), corrupt.size(), false));
    // Cut short and padded: lost data is not padding, whatever follows it.
    std::vector<uint8_t> cutAndPadded(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(good.size() / 2));
    cutAndPadded.insert(cutAndPadded.end(), {0, 0, 0xFF, 0xD9});
    EXPECT_EQ(CImageCodec::kDecodeFailed, codec.Decode(cutAndPadded.data(), cutAndPadded.size(), false));
}

TEST(Decode, ADamagedPictureDoesNotSpoilTheNextOne)
{
    // A picture cut short inside its tables fails the library's header read half-way; the
    // decoder must not carry that half-read state into the next picture.
    const std::vector<uint8_t> good = t::CameraJpeg(12, false);
    const std::vector<uint8_t> damaged(good.begin(), good.begin() + 200);
    CImageCodec codec;
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(CImageCodec::kDecodeFailed, codec.Decode(damaged.data(), damaged.size(), false));
        EXPECT_STREQ("Cannot read JPEG header.", codec.LastDiagnostic());
        EXPECT_EQ(12, codec.Decode(good.data(), good.size(), false)) << codec.LastDiagnostic();
    }
}

TEST(Decode, MutatedCameraPicturesNeverCrashOrBreakTheHeader)
{
    // A small deterministic fuzz loop: flips, overwrites, insertions and cuts of real pictures.
    std::vector<std::vector<uint8_t>> seeds;
    for (int nChannel : {0, 7, 13})
        seeds.push_back(t::CameraJpeg(nChannel, nChannel % 2 == 0, nChannel == 7 ? JpegSubsampling::S422 : JpegSubsampling::S420));
    std::mt19937 random(20240517);
    CImageCodec codec;
    CImageCodec holder;
    int nDecoded = 0;
    for (int i = 0; i < 1500; ++i) {
        std::vector<uint8_t> data = seeds[static_cast<size_t>(i) % seeds.size()];
        const int nEdits = 1 + static_cast<int>(random() % 8);
        for (int e = 0; e < nEdits && !data.empty(); ++e) {
            // Most edits land in the headers, where the interesting parsing happens.
            const size_t nAt = random() % 4 == 0 ? random() % data.size() : random() % std::min<size_t>(data.size(), 700);
            switch (random() % 5) {
            case 0: data[nAt] ^= static_cast<uint8_t>(1u << (random() % 8)); break;
            case 1: data[nAt] = static_cast<uint8_t>(random()); break;
            case 2: data.insert(data.begin() + static_cast<std::ptrdiff_t>(nAt), static_cast<uint8_t>(random())); break;
            case 3: data.erase(data.begin() + static_cast<std::ptrdiff_t>(nAt)); break;
            default: data.resize(nAt); break;
            }
        }
        const uint8_t byResult = codec.Decode(data.data(), data.size(), false);
        if (byResult == CImageCodec::kDecodeFailed)
            continue;
        ++nDecoded;
        ASSERT_LT(byResult, 16);
        const BitmapInfoHeader& h = codec.ImageHeader();
        ASSERT_NE(nullptr, codec.Pixels());
        ASSERT_LE(static_cast<int64_t>(h.biWidth) * h.biHeight, CImageCodec::kMaxPixels);
        ASSERT_EQ(h.RowBytes() * static_cast<uint32_t>(h.biHeight), h.biSizeImage);
        holder.CopyPictureFrom(codec);
    }
    EXPECT_GT(nDecoded, 0); // some mutations leave a picture that still decodes
}

// ---- buffers and holders ----

TEST(ImageCodec, StartsAs320By240And24BitsWithoutPixels)
{
    const CImageCodec codec;
    EXPECT_EQ(320, codec.ImageHeader().biWidth);
    EXPECT_EQ(240, codec.ImageHeader().biHeight);
    EXPECT_EQ(24, codec.ImageHeader().biBitCount);
    EXPECT_EQ(nullptr, codec.Pixels());
}

TEST(ImageCodec, SetImageFormatSizesRowsToFourBytesAndKeepsAnEqualBuffer)
{
    CImageCodec codec;
    ASSERT_TRUE(codec.SetImageFormat(24, 641, 3));
    EXPECT_EQ(1924u * 3u, codec.ImageHeader().biSizeImage);
    ASSERT_TRUE(codec.SetImageFormat(32, 5, 2));
    EXPECT_EQ(40u, codec.ImageHeader().biSizeImage);
    ASSERT_TRUE(codec.SetImageFormat(24, 640, 240));
    const uint8_t* pBefore = codec.Pixels();
    ASSERT_TRUE(codec.SetImageFormat(24, 640, 240));
    EXPECT_EQ(pBefore, codec.Pixels());

    EXPECT_FALSE(codec.SetImageFormat(24, 0, 240));
    EXPECT_FALSE(codec.SetImageFormat(24, 640, -1));
    EXPECT_FALSE(codec.SetImageFormat(12, 640, 240));
    EXPECT_FALSE(codec.SetImageFormat(32, 1 << 20, 1 << 10));
    EXPECT_EQ(640, codec.ImageHeader().biWidth);
    EXPECT_EQ(pBefore, codec.Pixels());
}

TEST(ImageCodec, HolderCopiesHeaderAndPixelsButNotTheFieldFlag)
{
    const std::vector<uint8_t> odd = t::CameraJpeg(2, true);
    const std::vector<uint8_t> other = t::CameraJpeg(3, false);
    CImageCodec decoder;
    CImageCodec holder;
    ASSERT_EQ(2, decoder.Decode(odd.data(), odd.size(), false));
    holder.CopyPictureFrom(decoder);
    EXPECT_EQ(decoder.ImageHeader(), holder.ImageHeader());
    ASSERT_NE(nullptr, holder.Pixels());
    EXPECT_NE(decoder.Pixels(), holder.Pixels());
    EXPECT_EQ(0, memcmp(decoder.Pixels(), holder.Pixels(), decoder.ImageHeader().biSizeImage));
    EXPECT_EQ(CImageCodec::kFieldEven, holder.FieldFlag()); // its own, untouched

    // The next picture of the same size reuses both buffers.
    const uint8_t* pDecoderPixels = decoder.Pixels();
    const uint8_t* pHolderPixels = holder.Pixels();
    ASSERT_EQ(3, decoder.Decode(other.data(), other.size(), false));
    holder.CopyPictureFrom(decoder);
    EXPECT_EQ(pDecoderPixels, decoder.Pixels());
    EXPECT_EQ(pHolderPixels, holder.Pixels());
    EXPECT_EQ(0, memcmp(decoder.Pixels(), holder.Pixels(), decoder.ImageHeader().biSizeImage));
}

TEST(BitmapInfoHeader, EncodesFortyLittleEndianBytes)
{
    BitmapInfoHeader h;
    h.biWidth = 640;
    h.biHeight = 240;
    h.biBitCount = 24;
    h.biSizeImage = 460800;
    uint8_t bytes[BitmapInfoHeader::kBytes];
    h.Encode(bytes);
    const uint8_t expected[BitmapInfoHeader::kBytes] = {40, 0, 0, 0, 0x80, 2, 0, 0, 240, 0, 0, 0, 1, 0, 24, 0,
                                                        0, 0, 0, 0, 0x00, 0x08, 0x07, 0};
    EXPECT_EQ(0, memcmp(expected, bytes, sizeof bytes));
    EXPECT_EQ(h, BitmapInfoHeader::Decode(bytes));
}
