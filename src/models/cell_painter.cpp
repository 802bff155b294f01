#include "models/cell_painter.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace ostrel {

SourceRect CCellPainter::SourceFor(const BitmapInfoHeader& bmi, uint8_t byFieldAlign)
{
    return SourceRectFor(bmi.biWidth, bmi.biHeight, byFieldAlign);
}

bool CCellPainter::Paint(const BitmapInfoHeader& bmi, const uint8_t* pBits, uint8_t byFieldAlign, uint32_t* pImage,
                         int nImageWidth, int nImageHeight, int nStridePixels, const CellRect& rcCell,
                         const PictureScale& scale)
{
    if (!pBits || bmi.biWidth <= 0 || bmi.biHeight <= 0 || (bmi.biBitCount != 24 && bmi.biBitCount != 32))
        return false;
    const int nBytesPerPixel = bmi.biBitCount / 8;
    const uint64_t nRowBytes = bmi.RowBytes();
    if (nRowBytes < static_cast<uint64_t>(bmi.biWidth) * static_cast<uint64_t>(nBytesPerPixel)
        || nRowBytes * static_cast<uint64_t>(bmi.biHeight) > bmi.biSizeImage)
        return false;
    // The scaled rows must be exactly the original size divided by the scale, rounded up.
    int nDenominator = 1;
    int nSourceWidth = bmi.biWidth;
    int nSourceHeight = bmi.biHeight;
    if (scale.nSourceWidth != 0 || scale.nSourceHeight != 0) {
        nDenominator = scale.nDenominator;
        nSourceWidth = scale.nSourceWidth;
        nSourceHeight = scale.nSourceHeight;
        if (nDenominator < 1 || nDenominator > kMaxScaleDenominator || nSourceWidth <= 0 || nSourceHeight <= 0
            || ScaledDimension(nSourceWidth, nDenominator) != bmi.biWidth
            || ScaledDimension(nSourceHeight, nDenominator) != bmi.biHeight)
            return false;
    }
    const SourceRect src = SourceRectFor(nSourceWidth, nSourceHeight, byFieldAlign);
    if (src.nWidth <= 0 || rcCell.IsEmpty())
        return false;

    const int nCellWidth = rcCell.Width();
    const int nCellHeight = rcCell.Height();
    const int nLeft = std::max(rcCell.nLeft, 0), nRight = std::min(rcCell.nRight, nImageWidth);
    const int nTop = std::max(rcCell.nTop, 0), nBottom = std::min(rcCell.nBottom, nImageHeight);
    if (nLeft >= nRight || nTop >= nBottom)
        return false;

    m_columnOffsets.resize(static_cast<size_t>(nRight - nLeft));
    for (int x = nLeft; x < nRight; ++x) {
        const int nSourceX = (src.x + static_cast<int>(static_cast<int64_t>(x - rcCell.nLeft) * src.nWidth / nCellWidth))
                             / nDenominator;
        m_columnOffsets[static_cast<size_t>(x - nLeft)] = static_cast<uint32_t>(nSourceX * nBytesPerPixel);
    }
    const uint32_t* pOffsets = m_columnOffsets.data();
    const uint8_t* pEnd = pBits + nRowBytes * static_cast<uint64_t>(bmi.biHeight); // the rows described
    const size_t nColumns = m_columnOffsets.size();
    int nLastSourceY = -1;
    const uint32_t* pLastOut = nullptr;
    for (int y = nTop; y < nBottom; ++y) {
        const int nSourceY = (src.y + static_cast<int>(static_cast<int64_t>(y - rcCell.nTop) * src.nHeight / nCellHeight))
                             / nDenominator;
        uint32_t* pOut = pImage + static_cast<ptrdiff_t>(y) * nStridePixels + nLeft;
        if (nSourceY == nLastSourceY) {
            // An enlarged picture repeats source rows: copy the row just made.
            std::copy_n(pLastOut, nColumns, pOut);
            continue;
        }
        // Rows are stored bottom-up.
        const uint8_t* pRow = pBits + nRowBytes * static_cast<uint64_t>(bmi.biHeight - 1 - nSourceY);
        // A pixel is read as one 32-bit word (blue, green, red and the next byte, which the
        // alpha replaces) wherever that word stays inside the picture: in every row but the
        // last one in memory, and there up to the last whole word.
        size_t nWords = 0;
        if constexpr (std::endian::native == std::endian::little) {
            nWords = nColumns;
            if (pRow + nRowBytes >= pEnd)
                while (nWords > 0 && pOffsets[nWords - 1] + 4 > nRowBytes)
                    --nWords;
        }
        for (size_t i = 0; i < nWords; ++i) {
            uint32_t dwPixel;
            std::memcpy(&dwPixel, pRow + pOffsets[i], sizeof dwPixel);
            pOut[i] = 0xFF000000u | dwPixel;
        }
        for (size_t i = nWords; i < nColumns; ++i) {
            const uint8_t* p = pRow + pOffsets[i];
            pOut[i] = 0xFF000000u | static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[1]) << 8 | p[0];
        }
        nLastSourceY = nSourceY;
        pLastOut = pOut;
    }
    return true;
}

void CCellPainter::PaintFrame(uint32_t* pImage, int nImageWidth, int nImageHeight, int nStridePixels,
                              const CellRect& rcCell, uint32_t dwColour)
{
    if (rcCell.IsEmpty())
        return;
    const auto put = [&](int x, int y) {
        if (x >= 0 && x < nImageWidth && y >= 0 && y < nImageHeight)
            pImage[static_cast<ptrdiff_t>(y) * nStridePixels + x] = dwColour;
    };
    const int l = rcCell.nLeft - 1, t = rcCell.nTop - 1, r = rcCell.nRight, b = rcCell.nBottom;
    for (int x = l; x <= r; ++x) {
        put(x, t);
        put(x, b);
    }
    for (int y = t; y <= b; ++y) {
        put(l, y);
        put(r, y);
    }
}

} // namespace ostrel
