#include "widgets/skin_button.h"

#include "res/skin_bitmap.h"
#include "widgets/skin_accessible.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace ostrel {

CSkinButton::CSkinButton(int nControlId, QWidget* pParent) : QWidget(pParent), m_nControlId(nControlId)
{
    // Moves without a held button tell when the pointer is inside; the leave rule needs that.
    setMouseTracking(true);
    // Tab reaches it, a click does not: the focus frame shows only for keyboard work.
    setFocusPolicy(Qt::TabFocus);
    InstallSkinAccessibility();
}

void CSkinButton::SetBitmaps(int nId0, int nId1, int nId2, int nId3, int nParameter, ButtonMode mode)
{
    m_nBitmapIds = {nId0, nId1, nId2, nId3};
    m_nParameter = nParameter;
    m_mode = mode;
    for (size_t i = 0; i < m_bitmaps.size(); ++i)
        m_bitmaps[i] = m_nBitmapIds[i] != 0 ? SkinBitmap(m_nBitmapIds[i]) : QImage();
    SetState(Normal);
}

void CSkinButton::SetBitmaps(int nNormalId, int nActiveId, ButtonMode mode, int nParameter)
{
    if (mode == Momentary)
        SetBitmaps(nNormalId, nActiveId, 0, 0, nParameter, Momentary);
    else
        SetBitmaps(nNormalId, 0, nActiveId, 0, nParameter, Toggle);
}

void CSkinButton::SetState(int s)
{
    if (s < 0 || s > 3 || s == m_nCurrentState || m_bitmaps[static_cast<size_t>(s)].isNull())
        return;
    m_nCurrentState = s;
    update();
}

int CSkinButton::CurrentBitmapId() const
{
    return m_nCurrentState >= 0 ? m_nBitmapIds[static_cast<size_t>(m_nCurrentState)] : 0;
}

void CSkinButton::SetCheck(int nValue)
{
    if (m_mode == Toggle) {
        m_bCheck = nValue != 0;
        SetState(m_bCheck ? Checked : Normal);
        return;
    }
    if (nValue == 1) {
        SetState(Pressed);
        if (!m_bCheck)
            PostKey(1);
        m_bCheck = true;
    } else {
        SetState(Normal);
        if (m_bCheck)
            PostKey(0);
        m_bCheck = false;
    }
}

void CSkinButton::paintEvent(QPaintEvent*)
{
    if (m_nCurrentState < 0)
        return;
    const size_t nState = static_cast<size_t>(m_nCurrentState);
    const double dScale = devicePixelRatioF();
    const QImage img = dScale == 1.0 ? m_bitmaps[nState] : SkinBitmap(m_nBitmapIds[nState], dScale);
    QPainter p(this);
    // A copy at (0, 0) of the client size: a larger bitmap is cut, a smaller one leaves the
    // window behind showing.
    DrawSkinPart(p, QPointF(0, 0), img, rect());
    if (hasFocus()) {
        p.setPen(QColor::fromRgb(kFocusOuter));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
        p.setPen(QColor::fromRgb(kFocusInner));
        p.drawRect(rect().adjusted(1, 1, -2, -2));
    }
}

void CSkinButton::mousePressEvent(QMouseEvent* pEvent)
{
    pEvent->accept();
    if (pEvent->button() != Qt::LeftButton)
        return;
    m_bTracking = true; // a press happens inside, so leaving from here on counts
    OnButtonDown();
}

void CSkinButton::OnButtonDown()
{
    m_bPressed = true;
    if (m_mode == Momentary) {
        SetState(Pressed);
        PostKey(1);
        emit KeySent(m_nParameter, 1);
        m_bCheck = true;
    } else {
        SetState(m_bCheck ? Pressed : PressedUnchecked);
    }
}

void CSkinButton::mouseReleaseEvent(QMouseEvent* pEvent)
{
    pEvent->accept();
    if (pEvent->button() != Qt::LeftButton)
        return;
    // A release outside belongs to whatever is under the pointer; if this button has not yet
    // seen the pointer leave (the grab hid it), the leave is handled now.
    if (!rect().contains(pEvent->position().toPoint())) {
        if (m_bTracking)
            OnMouseLeave();
        return;
    }
    OnButtonUp();
}

void CSkinButton::mouseMoveEvent(QMouseEvent* pEvent)
{
    pEvent->accept();
    if (rect().contains(pEvent->position().toPoint()))
        m_bTracking = true;
    else if (m_bTracking)
        OnMouseLeave(); // left while the button was held
}

void CSkinButton::leaveEvent(QEvent* pEvent)
{
    if (m_bTracking)
        OnMouseLeave();
    QWidget::leaveEvent(pEvent);
}

void CSkinButton::changeEvent(QEvent* pEvent)
{
    QWidget::changeEvent(pEvent);
    if (pEvent->type() == QEvent::EnabledChange)
        update();
}

void CSkinButton::Press()
{
    if (isEnabled() && !m_bPressed)
        OnButtonDown();
}

void CSkinButton::Release()
{
    if (m_bPressed)
        OnButtonUp();
}

void CSkinButton::Click()
{
    Press();
    Release();
}

void CSkinButton::keyPressEvent(QKeyEvent* pEvent)
{
    if (pEvent->key() != Qt::Key_Return && pEvent->key() != Qt::Key_Enter) {
        pEvent->ignore();
        return;
    }
    if (!pEvent->isAutoRepeat() && !m_bKeyHeld && isEnabled() && !m_bPressed) {
        m_bKeyHeld = true;
        Press();
    }
}

void CSkinButton::keyReleaseEvent(QKeyEvent* pEvent)
{
    if (pEvent->key() != Qt::Key_Return && pEvent->key() != Qt::Key_Enter) {
        pEvent->ignore();
        return;
    }
    if (!pEvent->isAutoRepeat() && m_bKeyHeld) {
        m_bKeyHeld = false;
        Release();
    }
}

void CSkinButton::focusOutEvent(QFocusEvent* pEvent)
{
    // The release of a key held here would go elsewhere: it is let go now, so that a PTZ key
    // does not keep the camera moving.
    if (m_bKeyHeld) {
        m_bKeyHeld = false;
        Release();
    }
    QWidget::focusOutEvent(pEvent);
}

void CSkinButton::OnMouseLeave()
{
    m_bTracking = false;
    OnButtonUp();
}

void CSkinButton::OnButtonUp()
{
    if (!m_bPressed) {
        PostStrayRelease();
        return;
    }
    m_bPressed = false;
    if (m_mode == Momentary) {
        SetState(Normal);
        PostKey(0);
        emit KeySent(m_nParameter, 0);
        m_bCheck = false;
    } else {
        // The image of the state the click leads to.
        SetState(m_bCheck ? Normal : Checked);
    }
    PostCommand();
    if (m_mode == Toggle)
        m_bCheck = !m_bCheck;
}

void CSkinButton::PostKey(int nPressed)
{
    QMetaObject::invokeMethod(
        this, [this, nParameter = m_nParameter, nPressed] { emit KeyPosted(nParameter, nPressed); },
        Qt::QueuedConnection);
}

void CSkinButton::PostCommand()
{
    QMetaObject::invokeMethod(this, [this] { emit CommandPosted(m_nControlId); }, Qt::QueuedConnection);
}

void CSkinButton::PostStrayRelease()
{
    QMetaObject::invokeMethod(this, [this] { emit StrayReleasePosted(); }, Qt::QueuedConnection);
}

} // namespace ostrel
