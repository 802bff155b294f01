#include "widgets/mask_bitmap.h"

#include "res/skin_bitmap.h"

#include <QPainter>

namespace ostrel {

bool CMaskBitmap::LoadBitmap(int nId)
{
    SetImage(SkinBitmap(nId));
    m_nId = m_image.isNull() ? 0 : nId;
    return !m_image.isNull();
}

void CMaskBitmap::SetImage(QImage image)
{
    m_nId = 0;
    m_image = std::move(image);
    m_masked = QImage();
    m_scaled = QImage();
    m_scaledMasked = QImage();
    m_nWidth = 0;
    m_nHeight = 0;
}

const QImage& CMaskBitmap::ImageAt(double dScale) const
{
    if (dScale == 1.0 || m_nId == 0)
        return m_image;
    if (m_scaled.isNull() || m_scaled.devicePixelRatio() != dScale)
        m_scaled = SkinBitmap(m_nId, dScale);
    return m_scaled;
}

void CMaskBitmap::CacheSize()
{
    if (m_nWidth == 0 || m_nHeight == 0) {
        m_nWidth = m_image.width();
        m_nHeight = m_image.height();
    }
}

int CMaskBitmap::GetWidth()
{
    CacheSize();
    return m_nWidth;
}

int CMaskBitmap::GetHeight()
{
    CacheSize();
    return m_nHeight;
}

void CMaskBitmap::Draw(QPainter& painter, int x, int y) const
{
    if (m_image.isNull())
        return;
    const QPainter::CompositionMode old = painter.compositionMode();
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(QPointF(x, y), ImageAt(painter.device()->devicePixelRatio()));
    painter.setCompositionMode(old);
}

QImage CMaskBitmap::Masked(const QImage& image)
{
    // The mask: every pixel of the key colour, compared on colour alone, becomes clear.
    QImage masked = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = masked.pixel(0, 0) & 0x00FFFFFFu;
    for (int row = 0; row < masked.height(); ++row) {
        QRgb* pLine = reinterpret_cast<QRgb*>(masked.scanLine(row));
        for (int col = 0; col < masked.width(); ++col)
            pLine[col] = (pLine[col] & 0x00FFFFFFu) == key ? 0u : (pLine[col] | 0xFF000000u);
    }
    return masked;
}

void CMaskBitmap::DrawTransparent(QPainter& painter, int x, int y)
{
    if (m_image.isNull())
        return;
    const double dScale = painter.device()->devicePixelRatio();
    const QImage& image = ImageAt(dScale);
    QImage& masked = &image == &m_image ? m_masked : m_scaledMasked;
    if (masked.isNull() || masked.devicePixelRatio() != image.devicePixelRatio())
        masked = Masked(image);
    painter.drawImage(QPointF(x, y), masked);
}

} // namespace ostrel
