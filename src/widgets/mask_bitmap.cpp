#include "widgets/mask_bitmap.h"

#include "res/skin_bitmap.h"

#include <QPainter>

namespace ostrel {

bool CMaskBitmap::LoadBitmap(int nId)
{
    SetImage(SkinBitmap(nId));
    return !m_image.isNull();
}

void CMaskBitmap::SetImage(QImage image)
{
    m_image = std::move(image);
    m_masked = QImage();
    m_nWidth = 0;
    m_nHeight = 0;
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
    painter.drawImage(QPoint(x, y), m_image);
    painter.setCompositionMode(old);
}

void CMaskBitmap::DrawTransparent(QPainter& painter, int x, int y)
{
    if (m_image.isNull())
        return;
    if (m_masked.isNull()) {
        // The mask: every pixel of the key colour, compared on colour alone, becomes clear.
        m_masked = m_image.convertToFormat(QImage::Format_ARGB32);
        const QRgb key = qRgb(qRed(m_masked.pixel(0, 0)), qGreen(m_masked.pixel(0, 0)), qBlue(m_masked.pixel(0, 0)));
        for (int row = 0; row < m_masked.height(); ++row) {
            QRgb* pLine = reinterpret_cast<QRgb*>(m_masked.scanLine(row));
            for (int col = 0; col < m_masked.width(); ++col)
                pLine[col] = (pLine[col] & 0x00FFFFFFu) == (key & 0x00FFFFFFu) ? 0u : (pLine[col] | 0xFF000000u);
        }
    }
    painter.drawImage(QPoint(x, y), m_masked);
}

} // namespace ostrel
