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

} // namespace

bool EncodeJpeg(const uint8_t* pRgb, int nWidth, int nHeight, int nPitch, int nQuality, std::vector<uint8_t>& rOut)
{
    rOut.clear();
    if (!pRgb || nWidth <= 0 || nHeight <= 0 || nWidth > 65500 || nHeight > 65500 || nPitch < nWidth * 3 ||
        nQuality < 1 || nQuality > 100)
        return false;
    const std::unique_ptr<void, HandleCloser> handle(tjInitCompress());
    if (!handle)
        return false;
    unsigned char* pJpeg = nullptr;
    unsigned long nJpegBytes = 0;
    const int nResult = tjCompress2(handle.get(), pRgb, nWidth, nPitch, nHeight, TJPF_RGB, &pJpeg, &nJpegBytes,
                                    TJSAMP_420, nQuality, 0);
    const std::unique_ptr<unsigned char, BufferFreer> jpeg(pJpeg);
    if (nResult != 0 || !pJpeg || nJpegBytes == 0)
        return false;
    rOut.assign(pJpeg, pJpeg + nJpegBytes);
    return true;
}

} // namespace ostrel
