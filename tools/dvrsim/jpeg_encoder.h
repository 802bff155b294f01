#pragma once

// TurboJPEG compression of 32-bit BGRX pixel rows (QImage::Format_RGB32 in memory) into a
// reused output buffer: once the picture size is steady, encoding allocates nothing.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ostrel::dvrsim {

enum class JpegSubsampling : uint8_t { S420, S422, S444, Gray };

class CJpegEncoder {
public:
    CJpegEncoder();
    ~CJpegEncoder();
    CJpegEncoder(const CJpegEncoder&) = delete;
    CJpegEncoder& operator=(const CJpegEncoder&) = delete;

    // Encodes top-down BGRX rows (nPitch bytes apart) at nQuality (1..100) into out, which is
    // resized to the JPEG's length. False when the arguments are out of range or the library
    // fails; out is then empty.
    bool Encode(const uint8_t* pBgrx, int nWidth, int nPitch, int nHeight, int nQuality,
                JpegSubsampling subsampling, std::vector<uint8_t>& out);

private:
    void* m_hCompressor = nullptr;
    std::vector<uint8_t> m_scratch; // worst-case output size
};

} // namespace ostrel::dvrsim
