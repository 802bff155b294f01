#include "widgets/skin_slider.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace ostrel {

CSkinSlider::CSkinSlider(int nControlId, QWidget* pParent) : QWidget(pParent), m_nControlId(nControlId)
{
    // Mouse only: the keyboard would move the position without moving the thumb.
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CSkinSlider::SetSkin(int nBackgroundId, int nThumbId, Qt::CursorShape cursor)
{
    setCursor(cursor);
    m_background.LoadBitmap(nBackgroundId);
    m_thumb.LoadBitmap(nThumbId);
    update();
}

void CSkinSlider::SetRange(int nMin, int nMax, bool bRedraw)
{
    m_nMin = nMin;
    m_nMax = std::max(nMin, nMax);
    SetTrackbarPos(m_nMin);
    if (bRedraw)
        update();
}

void CSkinSlider::SetPosition(int nPos)
{
    SetTrackbarPos(nPos);
    m_nThumbX = nPos / kUnitsPerPixel;
    update();
}

void CSkinSlider::SetTrackbarPos(int nPos)
{
    m_nPos = std::clamp(nPos, m_nMin, m_nMax);
}

void CSkinSlider::Track(int nMouseX)
{
    m_nThumbX = std::clamp(nMouseX - kTrackOffset, 0, kTrackWidth);
    // The share of the span, without the minimum added back.
    const double dSpan = static_cast<double>(m_nMax) - static_cast<double>(m_nMin);
    SetTrackbarPos(static_cast<int>(dSpan * m_nThumbX / static_cast<double>(kTrackWidth)));
    update();
    emit HScroll(SB_THUMBTRACK, m_nThumbX);
}

void CSkinSlider::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (m_background.IsNull())
        p.fillRect(rect(), Qt::black);
    else
        m_background.Draw(p, 0, 0);
    m_thumb.DrawTransparent(p, m_nThumbX, 0);
}

void CSkinSlider::mousePressEvent(QMouseEvent* pEvent)
{
    pEvent->accept();
    if (pEvent->button() != Qt::LeftButton)
        return;
    // The press grabs the mouse until the release.
    m_bDragging = true;
    Track(pEvent->position().toPoint().x());
}

void CSkinSlider::mouseMoveEvent(QMouseEvent* pEvent)
{
    pEvent->accept();
    if (m_bDragging)
        Track(pEvent->position().toPoint().x());
}

void CSkinSlider::mouseReleaseEvent(QMouseEvent* pEvent)
{
    pEvent->accept();
    if (pEvent->button() != Qt::LeftButton || !m_bDragging)
        return;
    m_bDragging = false;
    Track(pEvent->position().toPoint().x());
}

} // namespace ostrel
