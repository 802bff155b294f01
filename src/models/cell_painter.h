#pragma once

// Stretches a channel's decoded picture into its cell of a 32-bit image: the fast path from the
// decoder's bottom-up 24-bit (or 32-bit) rows to the view's back store, with no conversion of
// the whole picture and no allocation per picture.

#include "link/picture.h"
#include "models/cell_rect.h"

#include <cstdint>
#include <vector>

namespace ostrel {

// Part of a picture, in picture coordinates (x from the left, y from the top).
struct SourceRect {
    int x = 0;
    int y = 0;
    int nWidth = 0;
    int nHeight = 0;
    bool operator==(const SourceRect&) const = default;
};

class CCellPainter {
public:
    // The part of a picture a cell shows: a 240-row field loses 3 columns left, 11 right and 11
    // rows above, 1 below; other heights 10 and 11 columns, 15 rows above, 1 below. Pictures of
    // the even field (field flag 0) are taken one row lower. Empty when the picture is too small.
    static SourceRect SourceFor(const BitmapInfoHeader& bmi, uint8_t byFieldAlign);

    // Draws the picture's source rectangle into rcCell of a top-down 32-bit (0xFFRRGGBB) image
    // of nImageWidth x nImageHeight pixels, nearest pixel in both directions. The cell is
    // clipped to the image; a picture whose header does not describe its buffer is not drawn.
    // False when nothing was drawn.
    bool Paint(const Picture& picture, uint32_t* pImage, int nImageWidth, int nImageHeight, int nStridePixels,
               const CellRect& rcCell)
    {
        return Paint(picture.Header(), picture.Bits(), picture.FieldAlign(), pImage, nImageWidth, nImageHeight,
                     nStridePixels, rcCell);
    }
    // The same from a header and the rows it describes (the header is checked against itself).
    bool Paint(const BitmapInfoHeader& bmi, const uint8_t* pBits, uint8_t byFieldAlign, uint32_t* pImage,
               int nImageWidth, int nImageHeight, int nStridePixels, const CellRect& rcCell);

    // The one-pixel frame around rcCell, in colour dwColour, clipped to the image.
    static void PaintFrame(uint32_t* pImage, int nImageWidth, int nImageHeight, int nStridePixels,
                           const CellRect& rcCell, uint32_t dwColour);

private:
    std::vector<uint32_t> m_columnOffsets; // byte offset in a source row for each cell column
};

} // namespace ostrel
