#include "widgets/bitmap_button.h"

#include "res/skin_bitmap.h"
#include "widgets/skin_button.h"

#include <QKeyEvent>
#include <QPainter>

namespace ostrel {

CBitmapButton::CBitmapButton(int nControlId, QWidget* pParent)
    : QAbstractButton(pParent), m_nControlId(nControlId)
{
    setFocusPolicy(Qt::TabFocus);
}

namespace {

bool IsEnterKey(const QKeyEvent* pEvent)
{
    return pEvent->key() == Qt::Key_Return || pEvent->key() == Qt::Key_Enter;
}

} // namespace

void CBitmapButton::keyPressEvent(QKeyEvent* pEvent)
{
    if (!IsEnterKey(pEvent)) {
        pEvent->ignore();
        return;
    }
    if (!pEvent->isAutoRepeat() && isEnabled())
        setDown(true);
}

void CBitmapButton::keyReleaseEvent(QKeyEvent* pEvent)
{
    if (!IsEnterKey(pEvent)) {
        pEvent->ignore();
        return;
    }
    if (!pEvent->isAutoRepeat() && isDown()) {
        setDown(false);
        click();
    }
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
    const bool bDown = isDown() && !m_down.isNull();
    if (m_up.isNull())
        return;
    const double dScale = devicePixelRatioF();
    const QImage img = dScale == 1.0 ? (bDown ? m_down : m_up) : SkinBitmap(bDown ? m_nDownId : m_nUpId, dScale);
    QPainter p(this);
    DrawSkinPart(p, QPointF(0, 0), img, rect());
    if (hasFocus()) {
        p.setPen(QColor::fromRgb(CSkinButton::kFocusOuter));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
        p.setPen(QColor::fromRgb(CSkinButton::kFocusInner));
        p.drawRect(rect().adjusted(1, 1, -2, -2));
    }
}

} // namespace ostrel
