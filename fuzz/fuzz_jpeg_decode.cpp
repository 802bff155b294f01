// The picture codec on whatever a recorder's payload holds: framing repair, the TurboJPEG
// decode at the cell's scale, the channel code read from full-size first rows, and the scale
// rules. Oracles: the repair against its documented patterns, and every scaled decode against
// a full-size decode of the same bytes, whose channel code and field flag it must read alike.
//
// Input: a settings byte, shown width and height (16 bits each), the payload.
//   settings: bit 0 header-channel mode, bit 1 exact (not fast) decode, bits 2-4 the number of
//   first rows the code band reader decodes on its own.
#include "fuzz_support.h"

#include "link/code_band_reader.h"
#include "link/image_codec.h"
#include "link/picture_scale.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <vector>

using namespace ostrel;
using ostrel::fuzz::InputReader;

namespace {

constexpr uint8_t kChannelCodes = 16; // a channel code is 0..15

bool Starts(const uint8_t* p, size_t n, std::initializer_list<uint8_t> prefix)
{
    if (n < prefix.size())
        return false;
    return std::equal(prefix.begin(), prefix.end(), p);
}

// The repaired framing as the codec documents it, worked out here on its own.
std::vector<uint8_t> ExpectedRepair(const uint8_t* p, size_t n, bool& rbRepairable)
{
    std::vector<uint8_t> out;
    rbRepairable = true;
    if (Starts(p, n, {0xFF, 0xD8, 0xFF, 0xE0}))
        out.assign(p, p + n);
    else if (Starts(p, n, {0xFF, 0xFF, 0xD8, 0xFF, 0xE0}))
        out.assign(p + 1, p + n);
    else if (Starts(p, n, {0xD8, 0xFF, 0xE0})) {
        out.push_back(0xFF);
        out.insert(out.end(), p, p + n);
    } else if (n >= 6 && Starts(p + 2, n - 2, {0xFF, 0xD8, 0xFF, 0xE0}))
        out.assign(p + 2, p + n);
    else {
        rbRepairable = false;
        return out;
    }
    if (out.size() < 2 || out[out.size() - 2] != 0xFF || out.back() != 0xD9) {
        out.push_back(0xFF);
        out.push_back(0xD9);
    }
    return out;
}

void CheckDecoded(const CImageCodec& codec, int nDenominator)
{
    FUZZ_CHECK(codec.SourceWidth() > 0 && codec.SourceHeight() > 0);
    FUZZ_CHECK(int64_t{codec.SourceWidth()} * codec.SourceHeight() <= CImageCodec::kMaxPixels);
    FUZZ_CHECK(codec.ScaleDenominator() == nDenominator);
    fuzz::CheckPictureLayout(codec.ImageHeader(), codec.Pixels(), ScaledDimension(codec.SourceWidth(), nDenominator),
                             ScaledDimension(codec.SourceHeight(), nDenominator));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    InputReader in(pData, nSize);
    const uint8_t bySettings = in.Byte();
    const bool bHeaderChannelMode = (bySettings & 1) != 0;
    const int nShownWidth = in.Le16();
    const int nShownHeight = in.Le16();
    const uint8_t* pJpeg = in.Rest();
    const size_t nJpeg = in.Remaining();

    // The scale rules on their own, for the sizes given.
    const int nDenominator = ChooseScaleDenominator(nShownWidth, nShownHeight, {nShownWidth / 2, nShownHeight / 3});
    FUZZ_CHECK(nDenominator == 1 || nDenominator == 2 || nDenominator == 4 || nDenominator == 8);
    for (const uint8_t byAlign : {0, 1}) {
        const SourceRect rc = SourceRectFor(nShownWidth, nShownHeight, byAlign);
        if (rc.nWidth != 0 || rc.nHeight != 0) {
            FUZZ_CHECK(rc.x >= 0 && rc.y >= 0 && rc.nWidth > 0 && rc.nHeight > 0);
            FUZZ_CHECK(rc.x + rc.nWidth <= nShownWidth && rc.y + rc.nHeight <= nShownHeight);
        }
    }

    CImageCodec repairer;
    bool bRepairable = false;
    const std::vector<uint8_t> expected = ExpectedRepair(pJpeg, nJpeg, bRepairable);
    size_t nRepaired = nJpeg;
    const uint8_t* pRepaired = repairer.RepairJpeg(pJpeg, nRepaired);
    FUZZ_CHECK((pRepaired != nullptr) == bRepairable);
    if (pRepaired) {
        FUZZ_CHECK(nRepaired == expected.size());
        FUZZ_CHECK(std::memcmp(pRepaired, expected.data(), nRepaired) == 0);
    }

    CImageCodec full;
    full.SetFastDecode((bySettings & 2) == 0);
    const uint8_t byFull = full.Decode(pJpeg, nJpeg, bHeaderChannelMode);
    if (byFull != CImageCodec::kDecodeFailed) {
        FUZZ_CHECK(byFull < kChannelCodes);
        FUZZ_CHECK(!bHeaderChannelMode || byFull == 0);
        CheckDecoded(full, 1);
        if (!bHeaderChannelMode)
            FUZZ_CHECK(CImageCodec::ReadChannelPattern(full.ImageHeader(), full.Pixels()) == byFull);
    }

    const ShownSize shown{nShownWidth, nShownHeight};
    CImageCodec scaled;
    scaled.SetFastDecode((bySettings & 2) == 0);
    const uint8_t byScaled = scaled.Decode(pJpeg, nJpeg, bHeaderChannelMode, shown);
    if (byScaled != CImageCodec::kDecodeFailed) {
        FUZZ_CHECK(byScaled < kChannelCodes);
        CheckDecoded(scaled, scaled.ScaleDenominator());
        FUZZ_CHECK(scaled.ScaleDenominator() == 1
                   || scaled.ScaleDenominator() == ChooseScaleDenominator(scaled.SourceWidth(), scaled.SourceHeight(), shown));
        if (byFull != CImageCodec::kDecodeFailed) {
            // The same picture: the same size, channel code and field.
            FUZZ_CHECK(scaled.SourceWidth() == full.SourceWidth() && scaled.SourceHeight() == full.SourceHeight());
            FUZZ_CHECK(byScaled == byFull);
            if (!bHeaderChannelMode)
                FUZZ_CHECK(scaled.FieldFlag() == full.FieldFlag());
        }
    }

    // The code band reader alone, on repaired framing as the codec hands it over.
    if (pRepaired) {
        const int nRows = 1 + ((bySettings >> 2) & 7) * 4;
        CCodeBandReader band;
        if (band.Read(pRepaired, nRepaired, (bySettings & 2) == 0, nRows)) {
            const BitmapInfoHeader& h = band.Header();
            FUZZ_CHECK(h.biWidth > 0 && h.biHeight > 0 && h.biHeight <= nRows);
            FUZZ_CHECK(h.biBitCount == 24);
            FUZZ_CHECK(h.biSizeImage == h.RowBytes() * static_cast<uint32_t>(h.biHeight));
            FUZZ_CHECK(CImageCodec::ReadChannelPattern(h, band.Pixels()) < kChannelCodes);
            if (byFull != CImageCodec::kDecodeFailed && !bHeaderChannelMode && full.ImageHeader().biBitCount == 24
                && nRows >= 3)
                FUZZ_CHECK(CImageCodec::ReadChannelPattern(h, band.Pixels()) == byFull);
        }
    }
    return 0;
}
