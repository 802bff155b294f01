#include "channel_code_painter.h"

#include <algorithm>
#include <cstring>

namespace ostrel::dvrsim {

namespace {

struct Span {
    int nX0;
    int nX1; // inclusive
};

// The read ranges are 90..119, 218..247, 346..375, 474..503 and 602..631; painting out to the
// surrounding 8-pixel columns keeps the DCT from softening their edges.
constexpr Span kBitSpans[4] = {{88, 119}, {216, 247}, {344, 375}, {472, 503}}; // a b c d
constexpr Span kSelectSpan = {600, 631};
constexpr Span kIndexWhite = {16, 46}; // between black 0..15 and black 47..77

void FillSpan(uint8_t* pBgrx, int nWidth, int nPitch, int nRows, Span span, uint8_t byValue)
{
    const int nX0 = std::max(0, span.nX0);
    const int nX1 = std::min(nWidth - 1, span.nX1);
    if (nX0 > nX1)
        return;
    for (int y = 0; y < nRows; ++y)
        std::memset(pBgrx + static_cast<size_t>(y) * static_cast<size_t>(nPitch) + 4 * static_cast<size_t>(nX0),
                    byValue, 4 * static_cast<size_t>(nX1 - nX0 + 1));
}

} // namespace

void CChannelCodePainter::Paint(uint8_t* pBgrx, int nWidth, int nPitch, int nHeight, int nChannel,
                                bool bOddField, bool bSelectInverted)
{
    if (pBgrx == nullptr || nWidth <= 0 || nHeight <= 0 || nPitch < 4 * nWidth)
        return;
    const int nStrip = std::min(kStripRows, nHeight);
    const int nBlock = std::min(kBlockRows, nHeight);
    FillSpan(pBgrx, nWidth, nPitch, nStrip, Span{0, nWidth - 1}, 0);

    for (int i = 0; i < 4; ++i) {
        const bool bBit = ((nChannel >> (3 - i)) & 1) != 0;
        if (bBit != bSelectInverted)
            FillSpan(pBgrx, nWidth, nPitch, nBlock, kBitSpans[i], 0xFF);
    }
    if (bSelectInverted)
        FillSpan(pBgrx, nWidth, nPitch, nBlock, kSelectSpan, 0xFF);
    if (bOddField)
        FillSpan(pBgrx, nWidth, nPitch, nBlock, kIndexWhite, 0xFF);
}

} // namespace ostrel::dvrsim
