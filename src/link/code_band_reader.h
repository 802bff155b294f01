#pragma once

// The first rows of a JPEG picture at full size, without decoding the rest: where the recorder
// paints the channel code and the index pattern. A picture shown small is decoded scaled down,
// but its code must be read from the very pixels a full decode gives, so those rows are decoded
// on their own, with the same settings, through libjpeg's scanline interface (decode the first
// MCU row, then abort).
//
// Not thread-safe; one reader is used from one thread.

#include "link/bitmap_info_header.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace ostrel {

class CCodeBandReader {
public:
    CCodeBandReader();
    ~CCodeBandReader();
    CCodeBandReader(const CCodeBandReader&) = delete;
    CCodeBandReader& operator=(const CCodeBandReader&) = delete;

    // Decodes the first nRows rows (at most the picture's height) of the well-framed JPEG as
    // 24-bit BGR, with the fast integer DCT and plain upsampling when bFast is set. Afterwards
    // Header() and Pixels() describe them as a bottom-up picture of that many rows. False, and
    // nothing usable, for anything but a baseline grey or three-component picture, or when the
    // data cannot be read that far; the caller then decodes the whole picture instead.
    bool Read(const uint8_t* pJpeg, size_t nJpeg, bool bFast, int nRows);

    const BitmapInfoHeader& Header() const { return m_header; }
    const uint8_t* Pixels() const { return m_rows.data(); }

private:
    struct Decompressor; // libjpeg's state, kept for reuse
    std::unique_ptr<Decompressor> m_pDecompressor;
    BitmapInfoHeader m_header;
    std::vector<uint8_t> m_rows; // only ever grows
};

} // namespace ostrel
