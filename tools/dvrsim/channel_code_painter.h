#pragma once

// Paints the channel code that a recorder puts into the top rows of every picture: four
// channel bits and a select block in row 1, and in odd fields the index pattern in row 2.
// The client reads them back after JPEG compression, so the code is painted to survive it:
// the whole first 16-row band (one 4:2:0 macroblock row) is black and neutral, so no colour
// bleeds in, and each block fills rows 0..7 and whole 8-pixel DCT columns around its range.

#include <cstdint>

namespace ostrel::dvrsim {

class CChannelCodePainter {
public:
    static constexpr int kStripRows = 16; // rows 0..15 belong to the code
    static constexpr int kBlockRows = 8;  // blocks fill rows 0..7

    // Paints the strip into top-down 32-bit BGRX rows (nPitch bytes apart), clipped to the
    // picture. nChannel is 0..15 (other values are masked to 4 bits). With bSelectInverted the
    // select block is white and the four bits are painted inverted; the value read is the same.
    static void Paint(uint8_t* pBgrx, int nWidth, int nPitch, int nHeight, int nChannel,
                      bool bOddField, bool bSelectInverted = false);
};

} // namespace ostrel::dvrsim
