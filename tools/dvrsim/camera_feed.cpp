#include "camera_feed.h"

#include "channel_code_painter.h"
#include "scene_painter.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace ostrel::dvrsim {

namespace {

int64_t FloorDiv(int64_t a, int64_t b)
{
    return a / b - ((a % b != 0 && (a < 0) != (b < 0)) ? 1 : 0);
}

int64_t TickMs(int64_t nTick, int nSceneFps)
{
    // A tick is drawn at its first millisecond, so it looks the same whoever asks first.
    return FloorDiv(nTick * 1000 + nSceneFps - 1, nSceneFps);
}

} // namespace

CCameraFeed::CCameraFeed(int nCamera, const FeedFormat& format)
    : m_nCamera(nCamera), m_format(format),
      m_background(std::max(1, format.nWidth), std::max(1, format.nHeight), QImage::Format_RGB32),
      m_image(m_background.size(), QImage::Format_RGB32)
{
    m_format.nSceneFps = std::clamp(m_format.nSceneFps, 1, 1000);
    m_background.fill(Qt::black);
    CScenePainter::PaintBackground(m_background, m_nCamera);
}

void CCameraFeed::ApplyPose(QImage& image, const PtzPose& pose, QImage& scratch)
{
    const int nTop = CChannelCodePainter::kStripRows;
    const int nWidth = image.width();
    const int nRows = image.height() - nTop;
    if (pose.IsHome() || nWidth <= 0 || nRows <= 0 || image.format() != QImage::Format_RGB32)
        return;
    if (scratch.size() != image.size() || scratch.format() != image.format())
        scratch = QImage(image.size(), image.format());
    std::memcpy(scratch.bits(), image.constBits(), static_cast<size_t>(image.sizeInBytes()));
    const double dZoom = std::max(1.0, pose.dZoom);
    const double cx = nWidth / 2.0;
    const double cy = nRows / 2.0;
    const double dPanPx = pose.dPan * nWidth;
    const double dTiltPx = pose.dTilt * nRows;
    std::vector<int> sourceX(static_cast<size_t>(nWidth));
    for (int x = 0; x < nWidth; ++x) {
        const int sx = static_cast<int>(std::floor(cx + (x + 0.5 - cx) / dZoom + dPanPx));
        sourceX[static_cast<size_t>(x)] = ((sx % nWidth) + nWidth) % nWidth;
    }
    for (int y = 0; y < nRows; ++y) {
        // Looking up brings what is above into view: the scene slides down the picture.
        const int sy = std::clamp(static_cast<int>(std::floor(cy + (y + 0.5 - cy) / dZoom - dTiltPx)), 0, nRows - 1);
        const auto* pSource = reinterpret_cast<const uint32_t*>(scratch.constScanLine(nTop + sy));
        auto* pTarget = reinterpret_cast<uint32_t*>(image.scanLine(nTop + y));
        for (int x = 0; x < nWidth; ++x)
            pTarget[x] = pSource[sourceX[static_cast<size_t>(x)]];
    }
}

void CCameraFeed::RenderTick(int64_t nTick, const PtzPose& pose)
{
    const int64_t nTickMs = TickMs(nTick, m_format.nSceneFps);
    std::memcpy(m_image.bits(), m_background.constBits(), static_cast<size_t>(m_background.sizeInBytes()));
    if (pose.IsHome()) {
        CScenePainter::PaintMoving(m_image, m_nCamera, nTickMs);
    } else {
        // The on-screen text stays where it is while the view turns.
        CScenePainter::PaintMovingParts(m_image, m_nCamera, nTickMs);
        ApplyPose(m_image, pose, m_scratch);
        CScenePainter::PaintText(m_image, m_nCamera, nTickMs);
    }
    m_nTick = nTick;
    m_pose = pose;
    m_bEncoded[0] = m_bEncoded[1] = false;
    ++m_nRenders;
}

void CCameraFeed::RenderIfNeeded(int64_t nMomentMs)
{
    const int64_t nTick = FloorDiv(nMomentMs * m_format.nSceneFps, 1000);
    const PtzPose pose = m_pHead ? m_pHead->PoseAt(TickMs(nTick, m_format.nSceneFps)) : PtzPose{};
    if (nTick != m_nTick || pose != m_pose)
        RenderTick(nTick, pose);
}

bool CCameraFeed::EncodeWithCode(int nChannel, bool bOddField, std::vector<uint8_t>& out)
{
    CChannelCodePainter::Paint(m_image.bits(), m_image.width(), static_cast<int>(m_image.bytesPerLine()),
                               m_image.height(), nChannel, bOddField);
    ++m_nEncodes;
    return m_encoder.Encode(m_image.constBits(), m_image.width(), static_cast<int>(m_image.bytesPerLine()),
                            m_image.height(), m_format.nQuality, m_format.subsampling, out);
}

const std::vector<uint8_t>& CCameraFeed::Picture(int64_t nMomentMs, bool bOddField)
{
    RenderIfNeeded(nMomentMs);
    const size_t nField = bOddField ? 1 : 0;
    if (!m_bEncoded[nField]) {
        EncodeWithCode(m_nCamera, bOddField, m_jpeg[nField]);
        m_bEncoded[nField] = true;
    }
    return m_jpeg[nField];
}

const std::vector<uint8_t>& CCameraFeed::PictureWithCode(int64_t nMomentMs, bool bOddField, int nCodeChannel)
{
    RenderIfNeeded(nMomentMs);
    EncodeWithCode(nCodeChannel, bOddField, m_faultJpeg);
    return m_faultJpeg;
}

} // namespace ostrel::dvrsim
