#include "jpeg_encoder.h"

#include <turbojpeg.h>

namespace ostrel::dvrsim {

namespace {

int TjSubsampling(JpegSubsampling subsampling)
{
    switch (subsampling) {
    case JpegSubsampling::S422: return TJSAMP_422;
    case JpegSubsampling::S444: return TJSAMP_444;
    case JpegSubsampling::Gray: return TJSAMP_GRAY;
    case JpegSubsampling::S420: break;
    }
    return TJSAMP_420;
}

} // namespace

CJpegEncoder::CJpegEncoder() : m_hCompressor(tjInitCompress()) {}

CJpegEncoder::~CJpegEncoder()
{
    if (m_hCompressor != nullptr)
        tjDestroy(static_cast<tjhandle>(m_hCompressor));
}

bool CJpegEncoder::Encode(const uint8_t* pBgrx, int nWidth, int nPitch, int nHeight, int nQuality,
                          JpegSubsampling subsampling, std::vector<uint8_t>& out)
{
    out.clear();
    if (m_hCompressor == nullptr || pBgrx == nullptr || nWidth <= 0 || nHeight <= 0
        || nWidth > 8192 || nHeight > 8192 || nPitch < nWidth * 4 || nQuality < 1 || nQuality > 100)
        return false;
    const int nSamp = TjSubsampling(subsampling);
    // Worst-case size up front, so the library never reallocates behind our back; the scratch
    // buffer only ever grows.
    const unsigned long nBound = tjBufSize(nWidth, nHeight, nSamp);
    if (m_scratch.size() < nBound)
        m_scratch.resize(nBound);
    unsigned char* pOut = m_scratch.data();
    unsigned long nSize = nBound;
    if (tjCompress2(static_cast<tjhandle>(m_hCompressor), pBgrx, nWidth, nPitch, nHeight, TJPF_BGRX,
                    &pOut, &nSize, nSamp, nQuality, TJFLAG_NOREALLOC) != 0
        || pOut != m_scratch.data() || nSize > nBound)
        return false;
    out.assign(m_scratch.data(), m_scratch.data() + nSize);
    return true;
}

} // namespace ostrel::dvrsim
