#pragma once

// The 40-byte bitmap information header that describes a decoded picture: the layout of
// its pixel rows for the view, the archive tiles, snapshots and AVI frames.

#include <cstddef>
#include <cstdint>

namespace ostrel {

struct BitmapInfoHeader {
    static constexpr size_t kBytes = 40;

    uint32_t biSize = kBytes;
    int32_t biWidth = 0;        // pixels
    int32_t biHeight = 0;       // pixels; positive: rows stored bottom-up
    uint16_t biPlanes = 1;
    uint16_t biBitCount = 0;    // bits per pixel: 24 (BGR) or 32
    uint32_t biCompression = 0; // 0: uncompressed rows
    uint32_t biSizeImage = 0;   // bytes of pixel data, each row padded to 4 bytes
    int32_t biXPelsPerMeter = 0;
    int32_t biYPelsPerMeter = 0;
    uint32_t biClrUsed = 0;
    uint32_t biClrImportant = 0;

    // Bytes of one stored row: image size over height, as the pixel readers count it.
    uint32_t RowBytes() const;

    // Writes exactly kBytes little-endian bytes.
    void Encode(uint8_t* pOut) const;
    // Reads exactly kBytes little-endian bytes; no field is checked.
    static BitmapInfoHeader Decode(const uint8_t* pIn);

    bool operator==(const BitmapInfoHeader&) const = default;
};

} // namespace ostrel
