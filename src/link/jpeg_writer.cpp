#include "link/jpeg_writer.h"

#include <turbojpeg.h>

#include <memory>

namespace ostrel {

namespace {

struct HandleCloser {
    void operator()(void* h) const { tjDestroy(h); }
};
struct BufferFreer {
    void operator()(unsigned char* p) const { tjFree(p); }
};

bool Encode(const uint8_t* pPixels, int nPixelFormat, int nPixelBytes, int nWidth, int nHeight, int nPitch,
            int nQuality, std::vector<uint8_t>& rOut)
{
    rOut.clear();
    if (!pPixels || nWidth <= 0 || nHeight <= 0 || nWidth > 65500 || nHeight > 65500 ||
        nPitch / nPixelBytes < nWidth || nQuality < 1 || nQuality > 100)
        return false;
    const std::unique_ptr<void, HandleCloser> handle(tjInitCompress());
    if (!handle)
        return false;
    unsigned char* pJpeg = nullptr;
    unsigned long nJpegBytes = 0;
    const int nResult = tjCompress2(handle.get(), pPixels, nWidth, nPitch, nHeight, nPixelFormat, &pJpeg, &nJpegBytes,
                                    TJSAMP_420, nQuality, 0);
    const std::unique_ptr<unsigned char, BufferFreer> jpeg(pJpeg);
    if (nResult != 0 || !pJpeg || nJpegBytes == 0)
        return false;
    rOut.assign(pJpeg, pJpeg + nJpegBytes);
    return true;
}

} // namespace

bool EncodeJpeg(const uint8_t* pRgb, int nWidth, int nHeight, int nPitch, int nQuality, std::vector<uint8_t>& rOut)
{
    return Encode(pRgb, TJPF_RGB, 3, nWidth, nHeight, nPitch, nQuality, rOut);
}

bool EncodeJpegBgrx(const uint8_t* pBgrx, int nWidth, int nHeight, int nPitch, int nQuality,
                    std::vector<uint8_t>& rOut)
{
    return Encode(pBgrx, TJPF_BGRX, 4, nWidth, nHeight, nPitch, nQuality, rOut);
}

} // namespace ostrel
