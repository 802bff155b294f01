#pragma once

// Encoding a picture the operator keeps: snapshots and the Motion JPEG frames of a backup.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ostrel {

// Encodes top-down rows of 24-bit RGB pixels (nPitch bytes apart) as a baseline JPEG with
// three components in YCbCr, chroma sampled 2 x 2 (four luma blocks per pair of chroma
// blocks), at nQuality on the IJG scale (1..100). rOut is replaced. False, rOut empty, when
// the sizes are impossible or the encoder fails.
bool EncodeJpeg(const uint8_t* pRgb, int nWidth, int nHeight, int nPitch, int nQuality, std::vector<uint8_t>& rOut);

// The same encoding from top-down rows of 32-bit pixels laid out B, G, R, X in memory (a
// screen capture's layout); the fourth byte is ignored.
bool EncodeJpegBgrx(const uint8_t* pBgrx, int nWidth, int nHeight, int nPitch, int nQuality,
                    std::vector<uint8_t>& rOut);

} // namespace ostrel
