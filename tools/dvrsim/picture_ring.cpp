#include "picture_ring.h"

#include <algorithm>

namespace ostrel::dvrsim {

namespace {

int64_t FloorDiv(int64_t a, int64_t b)
{
    return a / b - ((a % b != 0 && (a < 0) != (b < 0)) ? 1 : 0);
}

} // namespace

CPictureRing::CPictureRing(int nCameras, int nPictures, const FeedFormat& format, int64_t nStartMs)
    : m_nCameras(std::clamp(nCameras, 0, 16)), m_nPictures(std::clamp(nPictures, 1, kMaxPictures)),
      m_nSceneFps(std::clamp(format.nSceneFps, 1, 1000)),
      m_nFirstTick(FloorDiv(nStartMs * m_nSceneFps, 1000))
{
    m_jpegs.resize(static_cast<size_t>(m_nCameras));
    for (int nCamera = 0; nCamera < m_nCameras; ++nCamera) {
        CCameraFeed feed(nCamera, format);
        auto& pictures = m_jpegs[static_cast<size_t>(nCamera)];
        pictures.resize(static_cast<size_t>(m_nPictures) * 2);
        for (int i = 0; i < m_nPictures; ++i) {
            for (const bool bOdd : {false, true}) {
                std::vector<uint8_t>& jpeg = pictures[static_cast<size_t>(i) * 2 + (bOdd ? 1 : 0)];
                jpeg = feed.Picture(MomentMs(i), bOdd);
                jpeg.shrink_to_fit();
                m_nBytes += jpeg.size();
            }
        }
    }
}

int64_t CPictureRing::MomentMs(int nIndex) const
{
    // The first millisecond of the tick, as the live feed draws it.
    const int64_t nTick = m_nFirstTick + nIndex;
    return FloorDiv(nTick * 1000 + m_nSceneFps - 1, m_nSceneFps);
}

const std::vector<uint8_t>& CPictureRing::Picture(int nCamera, int nIndex, bool bOddField) const
{
    if (nCamera < 0 || nCamera >= m_nCameras)
        return m_none;
    const int nSlot = ((nIndex % m_nPictures) + m_nPictures) % m_nPictures;
    return m_jpegs[static_cast<size_t>(nCamera)][static_cast<size_t>(nSlot) * 2 + (bOddField ? 1 : 0)];
}

} // namespace ostrel::dvrsim
