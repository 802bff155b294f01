#pragma once

// Paints the channel code that a recorder puts into the top rows of every picture: four
// channel bits and a select block in row 1, and in odd fields the index pattern in row 2.
// The client reads them back after JPEG compression, so the code is painted to survive it:
// each block fills rows 0..7 (one DCT block row, so luma does not bleed in) and whole 8-pixel
// DCT columns around its range, on a black band of rows 0..10. That band is exactly what the
// client's cells leave out, so no black bar shows; the scene's colour in rows 11..15 reaches
// the blocks' chroma only faintly (every code of every camera, field, width and subsampling
// still reads right with the fast decode).

#include <cstdint>

namespace ostrel::dvrsim {

class CChannelCodePainter {
public:
    static constexpr int kStripRows = 11; // rows 0..10 belong to the code, as many as a cell leaves out
    static constexpr int kBlockRows = 8;  // blocks fill rows 0..7

    // Paints the strip into top-down 32-bit BGRX rows (nPitch bytes apart), clipped to the
    // picture. nChannel is 0..15 (other values are masked to 4 bits). With bSelectInverted the
    // select block is white and the four bits are painted inverted; the value read is the same.
    static void Paint(uint8_t* pBgrx, int nWidth, int nPitch, int nHeight, int nChannel,
                      bool bOddField, bool bSelectInverted = false);
};

} // namespace ostrel::dvrsim
