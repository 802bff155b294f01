#include "widgets/bitmap_button.h"

#include "res/skin_bitmap.h"

#include <QPainter>

namespace ostrel {

CBitmapButton::CBitmapButton(int nControlId, QWidget* pParent)
    : QAbstractButton(pParent), m_nControlId(nControlId)
{
    setFocusPolicy(Qt::NoFocus); // skinned: no focus frame to draw
}

bool CBitmapButton::LoadBitmaps(int nUpId, int nDownId)
{
    m_nUpId = nUpId;
    m_nDownId = nDownId;
    m_up = SkinBitmap(nUpId);
    m_down = SkinBitmap(nDownId);
    update();
    return !m_up.isNull();
}

QSize CBitmapButton::sizeHint() const
{
    return m_up.isNull() ? QSize(16, 16) : m_up.size();
}

void CBitmapButton::paintEvent(QPaintEvent*)
{
    const QImage& img = isDown() && !m_down.isNull() ? m_down : m_up;
    if (img.isNull())
        return;
    QPainter p(this);
    p.drawImage(QPoint(0, 0), img, QRect(0, 0, width(), height()));
}

} // namespace ostrel
