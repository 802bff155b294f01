#pragma once

#include <QAbstractButton>
#include <QImage>

namespace ostrel {

// A plain push button drawn from two skin bitmaps: the up image, and the down image while the
// mouse holds it. It reports a completed click through QAbstractButton::clicked, at once.
// Tab gives it the focus, drawn as a frame inside its edge (the skin button's); Enter or Return
// then clicks it. Every other key, Space and the arrows included, goes on to the window.
class CBitmapButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit CBitmapButton(int nControlId, QWidget* pParent = nullptr);

    // False when the skin has no up image; a missing down image shows the up image instead.
    bool LoadBitmaps(int nUpId, int nDownId);

    int ControlId() const { return m_nControlId; }
    // Resource number of the image on show now.
    int CurrentBitmapId() const { return isDown() && !m_down.isNull() ? m_nDownId : m_nUpId; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void keyPressEvent(QKeyEvent* pEvent) override;
    void keyReleaseEvent(QKeyEvent* pEvent) override;

private:
    const int m_nControlId;
    int m_nUpId = 0;
    int m_nDownId = 0;
    QImage m_up;
    QImage m_down;
};

} // namespace ostrel
