#pragma once

// How much of a picture a cell shows, and at which size a picture needs decoding for it.
// Geometry only: both the decoder (choosing a scale) and the cell painter (mapping cell pixels
// to picture pixels) use these rules, so they cannot drift apart.

#include <cstdint>

namespace ostrel {

// Part of a picture, in picture coordinates (x from the left, y from the top).
struct SourceRect {
    int x = 0;
    int y = 0;
    int nWidth = 0;
    int nHeight = 0;
    bool operator==(const SourceRect&) const = default;
};

// The size of the cell or tile a channel is shown in, in screen pixels; 0 x 0 when unknown,
// which asks for the full picture.
struct ShownSize {
    int nWidth = 0;
    int nHeight = 0;
    bool IsEmpty() const { return nWidth <= 0 || nHeight <= 0; }
    bool operator==(const ShownSize&) const = default;
};

// The DCT scales the decoder offers: the picture is decoded at 1 / denominator of its size in
// both axes, each scaled pixel standing for denominator x denominator original ones.
constexpr int kDecodeScales[] = {1, 2, 4, 8};
constexpr int kMaxScaleDenominator = 8;

// The part of a picture of nWidth x nHeight (its original, unscaled size) that a cell shows:
// a 240-row field loses 3 columns left, 11 right and 11 rows above, 1 below; other heights 10
// and 11 columns, 15 rows above, 1 below. Pictures whose field flag is 0 are taken one
// row lower. Empty when the picture is too small.
SourceRect SourceRectFor(int nWidth, int nHeight, uint8_t byFieldAlign);

// The largest denominator (1, 2, 4 or 8) at which the source rectangle of a picture of
// nWidth x nHeight still covers at least 95 % of the shown size in both axes. A 240-row field
// counts its rows twice, as the single view shows them. 1 for an empty shown size or source.
int ChooseScaleDenominator(int nWidth, int nHeight, const ShownSize& shown);

// Size of a dimension decoded at 1 / nDenominator: rounded up, as the decoder does.
constexpr int ScaledDimension(int nDimension, int nDenominator)
{
    return nDenominator > 0 ? (nDimension + nDenominator - 1) / nDenominator : nDimension;
}

} // namespace ostrel
