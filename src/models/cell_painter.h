#pragma once

// Stretches a channel's decoded picture into its cell of a 32-bit image: the fast path from the
// decoder's bottom-up 24-bit (or 32-bit) rows to the view's back store, with no conversion of
// the whole picture and no allocation per picture.

#include "link/picture.h"
#include "link/picture_scale.h"
#include "models/cell_rect.h"

#include <cstdint>
#include <vector>

namespace ostrel {

// How the rows handed to Paint relate to the picture the recorder sent: its size, and the
// denominator of the scale it was decoded at. A zero size means the rows are the picture.
struct PictureScale {
    int nSourceWidth = 0;
    int nSourceHeight = 0;
    int nDenominator = 1;
};

class CCellPainter {
public:
    // The part of a picture a cell shows (SourceRectFor of the header's size).
    static SourceRect SourceFor(const BitmapInfoHeader& bmi, uint8_t byFieldAlign);

    // Draws the picture's source rectangle into rcCell of a top-down 32-bit (0xFFRRGGBB) image
    // of nImageWidth x nImageHeight pixels, nearest pixel in both directions. The cell is
    // clipped to the image; a picture whose header does not describe its buffer is not drawn.
    // False when nothing was drawn.
    //
    // A picture decoded scaled down is drawn as if it were the picture the recorder sent: the
    // source rectangle and the field shift are taken at the original size, and each of its
    // pixels reads the scaled pixel that covers it. So a scaled picture fills the cell exactly
    // like the full one, and a small one stretched into a bigger cell still shows the same part.
    bool Paint(const Picture& picture, uint32_t* pImage, int nImageWidth, int nImageHeight, int nStridePixels,
               const CellRect& rcCell)
    {
        return Paint(picture.Header(), picture.Bits(), picture.FieldAlign(), pImage, nImageWidth, nImageHeight,
                     nStridePixels, rcCell,
                     PictureScale{picture.SourceWidth(), picture.SourceHeight(), picture.ScaleDenominator()});
    }
    // The same from a header and the rows it describes (the header is checked against itself
    // and against the scale).
    bool Paint(const BitmapInfoHeader& bmi, const uint8_t* pBits, uint8_t byFieldAlign, uint32_t* pImage,
               int nImageWidth, int nImageHeight, int nStridePixels, const CellRect& rcCell,
               const PictureScale& scale = {});

    // The one-pixel frame around rcCell, in colour dwColour, clipped to the image.
    static void PaintFrame(uint32_t* pImage, int nImageWidth, int nImageHeight, int nStridePixels,
                           const CellRect& rcCell, uint32_t dwColour);

private:
    std::vector<uint32_t> m_columnOffsets; // byte offset in a source row for each cell column
};

} // namespace ostrel
