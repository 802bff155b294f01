#include "link/picture_scale.h"

namespace ostrel {

namespace {

constexpr int kFieldRows = 240;
constexpr int64_t kCoverPercent = 95;

} // namespace

SourceRect SourceRectFor(int nWidth, int nHeight, uint8_t byFieldAlign)
{
    SourceRect rc;
    if (nHeight == kFieldRows)
        rc = {3, 11, nWidth - 14, 228};
    else
        rc = {10, 15, nWidth - 21, nHeight - 16};
    if (byFieldAlign == 0)
        ++rc.y;
    if (nWidth <= 0 || nHeight <= 0 || rc.nWidth <= 0 || rc.nHeight <= 0 || rc.x + rc.nWidth > nWidth
        || rc.y + rc.nHeight > nHeight)
        return {};
    return rc;
}

int ChooseScaleDenominator(int nWidth, int nHeight, const ShownSize& shown)
{
    if (shown.IsEmpty())
        return 1;
    const SourceRect src = SourceRectFor(nWidth, nHeight, 1);
    if (src.nWidth <= 0)
        return 1;
    const int64_t nSourceWidth = src.nWidth;
    const int64_t nSourceHeight = static_cast<int64_t>(src.nHeight) * (nHeight == kFieldRows ? 2 : 1);
    int nChosen = 1;
    for (int nDenominator : kDecodeScales) {
        // source / denominator >= 95 % of the cell, in integers.
        if (nSourceWidth * 100 < kCoverPercent * shown.nWidth * nDenominator
            || nSourceHeight * 100 < kCoverPercent * shown.nHeight * nDenominator)
            break;
        nChosen = nDenominator;
    }
    return nChosen;
}

} // namespace ostrel
