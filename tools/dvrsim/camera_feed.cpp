#include "camera_feed.h"

#include "channel_code_painter.h"
#include "scene_painter.h"

#include <algorithm>
#include <cstring>

namespace ostrel::dvrsim {

namespace {

int64_t FloorDiv(int64_t a, int64_t b)
{
    return a / b - ((a % b != 0 && (a < 0) != (b < 0)) ? 1 : 0);
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

void CCameraFeed::RenderTick(int64_t nTick)
{
    // Draw at the tick's first millisecond, so a tick looks the same whoever asks first.
    const int64_t nTickMs = FloorDiv(nTick * 1000 + m_format.nSceneFps - 1, m_format.nSceneFps);
    std::memcpy(m_image.bits(), m_background.constBits(), static_cast<size_t>(m_background.sizeInBytes()));
    CScenePainter::PaintMoving(m_image, m_nCamera, nTickMs);
    m_nTick = nTick;
    m_bEncoded[0] = m_bEncoded[1] = false;
    ++m_nRenders;
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
    const int64_t nTick = FloorDiv(nMomentMs * m_format.nSceneFps, 1000);
    if (nTick != m_nTick)
        RenderTick(nTick);
    const size_t nField = bOddField ? 1 : 0;
    if (!m_bEncoded[nField]) {
        EncodeWithCode(m_nCamera, bOddField, m_jpeg[nField]);
        m_bEncoded[nField] = true;
    }
    return m_jpeg[nField];
}

const std::vector<uint8_t>& CCameraFeed::PictureWithCode(int64_t nMomentMs, bool bOddField, int nCodeChannel)
{
    const int64_t nTick = FloorDiv(nMomentMs * m_format.nSceneFps, 1000);
    if (nTick != m_nTick)
        RenderTick(nTick);
    EncodeWithCode(nCodeChannel, bOddField, m_faultJpeg);
    return m_faultJpeg;
}

} // namespace ostrel::dvrsim
