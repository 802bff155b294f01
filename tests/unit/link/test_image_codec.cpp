// The codec on real and hostile pictures: framing repair, the decoded layout of every colour
// form, and refusals. TurboJPEG and Qt make the reference pictures.
#include "link/image_codec.h"
#include "fakes/test_pictures.h"

#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <cstring>
#include <random>

using ostrel::BitmapInfoHeader;
using ostrel::CImageCodec;
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

    // Real pictures repaired decode like the original.
    const Bytes jpeg = t::CameraJpeg(9, true);
    const Bytes lostFf(jpeg.begin() + 1, jpeg.end() - 2); // D8 FF E0 ..., no FF D9
    Bytes shifted = {0xAB, 0xCD};
    shifted.insert(shifted.end(), jpeg.begin(), jpeg.end());
    const Bytes* inputs[] = {&lostFf, &shifted};
    for (const Bytes* pInput : inputs) {
        EXPECT_EQ(9, codec.Decode(pInput->data(), pInput->size(), false));
        EXPECT_EQ(CImageCodec::kFieldOdd, codec.FieldFlag());
    }
}

TEST(Decode, ColourGreyAndFourComponentPicturesInTheirBitmapLayouts)
{
    // 322 x 40 colour, top half red, bottom half blue: bottom-up BGR rows of 966 bytes padded to 968.
    t::EnsureGuiApp();
    QImage image(322, 40, QImage::Format_RGB32);
    image.fill(QColor(0, 0, 255));
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 322; ++x)
            image.setPixel(x, y, qRgb(255, 0, 0));
    Bytes jpeg;
    ostrel::dvrsim::CJpegEncoder().Encode(image.constBits(), 322, static_cast<int>(image.bytesPerLine()), 40, 90,
                                          JpegSubsampling::S444, jpeg);
    CImageCodec codec;
    ASSERT_NE(CImageCodec::kDecodeFailed, codec.Decode(jpeg.data(), jpeg.size(), false));
    const uint8_t expectedHeader[BitmapInfoHeader::kBytes] = {40, 0, 0, 0, 0x42, 1, 0, 0, 40, 0, 0, 0, 1, 0, 24, 0,
                                                              0, 0, 0, 0, 0x40, 0x97, 0, 0}; // 968 x 40 bytes
    uint8_t header[BitmapInfoHeader::kBytes];
    codec.ImageHeader().Encode(header);
    EXPECT_EQ(0, memcmp(expectedHeader, header, sizeof header));
    EXPECT_EQ(codec.ImageHeader(), BitmapInfoHeader::Decode(header));
    const uint8_t* pBottom = codec.Pixels();        // blue
    const uint8_t* pTop = codec.Pixels() + 39 * 968; // red
    EXPECT_GT(pBottom[0], 240);
    EXPECT_LT(pBottom[2], 15);
    EXPECT_LT(pTop[3 * 321], 15);
    EXPECT_GT(pTop[3 * 321 + 2], 240);

    // Grey: 24-bit BGR with equal bytes.
    jpeg = t::CodedJpeg(6, 5, true, false, JpegSubsampling::Gray);
    EXPECT_EQ(5, codec.Decode(jpeg.data(), jpeg.size(), false));
    EXPECT_EQ(1920u * 240u, codec.ImageHeader().biSizeImage);
    const uint8_t* p = codec.Pixels() + 100 * 1920 + 3 * 300;
    EXPECT_TRUE(p[0] == p[1] && p[1] == p[2]);

    // CMYK of (200, 100, 50, 128): 32 bits, premultiplied by the fourth, first and third swapped.
    Bytes cmyk(64 * 16 * 4);
    for (size_t i = 0; i < cmyk.size(); i += 4)
        cmyk[i] = 200, cmyk[i + 1] = 100, cmyk[i + 2] = 50, cmyk[i + 3] = 128;
    tjhandle h = tjInitCompress();
    unsigned char* pJpeg = nullptr;
    unsigned long nJpeg = 0;
    ASSERT_EQ(0, tjCompress2(h, cmyk.data(), 64, 64 * 4, 16, TJPF_CMYK, &pJpeg, &nJpeg, TJSAMP_444, 100, 0));
    tjDestroy(h);
    // TurboJPEG starts it with an Adobe marker; put the JFIF marker the codec knows in front.
    jpeg = {0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0};
    jpeg.insert(jpeg.end(), pJpeg + 2, pJpeg + nJpeg);
    tjFree(pJpeg);
    ASSERT_NE(CImageCodec::kDecodeFailed, codec.Decode(jpeg.data(), jpeg.size(), true)) << codec.LastDiagnostic();
    EXPECT_EQ(32, codec.ImageHeader().biBitCount);
    EXPECT_EQ(64u * 4u * 16u, codec.ImageHeader().biSizeImage);
    p = codec.Pixels() + 8 * 256 + 4 * 30;
    EXPECT_NEAR(50 * 128 / 256, p[0], 3);
    EXPECT_NEAR(100 * 128 / 256, p[1], 3);
    EXPECT_NEAR(200 * 128 / 256, p[2], 3);
    EXPECT_NEAR(128, p[3], 3);

    // Formats made by hand: rows padded to four bytes, and the buffer kept for an equal size.
    ASSERT_TRUE(codec.SetImageFormat(24, 641, 3));
    EXPECT_EQ(1924u * 3u, codec.ImageHeader().biSizeImage);
    const uint8_t* pBefore = codec.Pixels();
    ASSERT_TRUE(codec.SetImageFormat(24, 641, 3));
    EXPECT_EQ(pBefore, codec.Pixels());
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
    const Bytes frame = t::FlatJpeg(640, 480, 10, 20, 30);
    EXPECT_NE(CImageCodec::kDecodeFailed, codec.Decode(limit.data(), limit.size(), false));
    for (const Bytes* pBad : {&over, &frame}) {
        EXPECT_EQ(CImageCodec::kDecodeFailed, codec.Decode(pBad->data(), pBad->size(), false));
        EXPECT_STREQ("Invalid Image.", codec.LastDiagnostic());
    }

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

TEST(Decode, PaddingBeforeTheEndMarkerIsNoDamageButLostDataIs)
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
}

TEST(Decode, ADamagedPictureDoesNotSpoilTheNextOne)
{
    // Cut inside its tables, a picture fails the library's header read half-way; the decoder
    // must not carry that half-read state into the next picture.
    const Bytes good = t::CameraJpeg(12, false);
    const Bytes damaged(good.begin(), good.begin() + 200);
    CImageCodec codec;
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(CImageCodec::kDecodeFailed, codec.Decode(damaged.data(), damaged.size(), false));
        EXPECT_STREQ("Cannot read JPEG header.", codec.LastDiagnostic());
        EXPECT_EQ(12, codec.Decode(good.data(), good.size(), false)) << codec.LastDiagnostic();
    }
}

TEST(Decode, TruncatedAndMutatedCameraPicturesNeverCrashOrBreakTheHeader)
{
    std::vector<Bytes> seeds;
    for (int nChannel : {0, 7, 13})
        seeds.push_back(t::CameraJpeg(nChannel, nChannel % 2 == 0, nChannel == 7 ? JpegSubsampling::S422 : JpegSubsampling::S420));
    CImageCodec codec;
    // Every truncation: short ones have no header, longer ones stop mid-scan.
    for (size_t n = 0; n < seeds[0].size() - 2; n += 7)
        EXPECT_EQ(CImageCodec::kDecodeFailed, codec.Decode(seeds[0].data(), n, false)) << n;
    EXPECT_EQ(CImageCodec::kDecodeFailed, codec.Decode(nullptr, 100, false));

    // Flips, overwrites, insertions and cuts, most of them in the headers.
    std::mt19937 random(20240517);
    int nDecoded = 0;
    for (int i = 0; i < 1500; ++i) {
        Bytes data = seeds[static_cast<size_t>(i) % seeds.size()];
        const int nEdits = 1 + static_cast<int>(random() % 8);
        for (int e = 0; e < nEdits && !data.empty(); ++e) {
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
    }
    EXPECT_GT(nDecoded, 0); // some mutations leave a picture that still decodes
}
