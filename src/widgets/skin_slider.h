#pragma once

#include "widgets/mask_bitmap.h"

#include <QWidget>

namespace ostrel {

// A horizontal slider drawn from a track bitmap and a thumb bitmap (the thumb's top-left
// colour is transparent). The mouse places the thumb on a 578-pixel track that starts 7 pixels
// from the left edge, and every mouse step is sent to the listener as HScroll.
class CSkinSlider : public QWidget {
    Q_OBJECT
public:
    static constexpr int kTrackOffset = 7;    // pixels from the left edge to thumb x 0
    static constexpr int kTrackWidth = 578;   // largest thumb x the mouse can set
    static constexpr int kUnitsPerPixel = 149; // SetPosition's position-to-pixel divisor
    static constexpr int SB_THUMBTRACK = 5;

    explicit CSkinSlider(int nControlId, QWidget* pParent = nullptr);

    void SetSkin(int nBackgroundId, int nThumbId, Qt::CursorShape cursor = Qt::ArrowCursor);
    // Sets the range and moves the position to nMin; the thumb stays where it is.
    void SetRange(int nMin, int nMax, bool bRedraw);
    // Sets the position and puts the thumb at nPos / 149 pixels.
    void SetPosition(int nPos);

    int ControlId() const { return m_nControlId; }
    int GetPos() const { return m_nPos; }
    int GetRangeMin() const { return m_nMin; }
    int GetRangeMax() const { return m_nMax; }
    int ThumbX() const { return m_nThumbX; }
    bool IsDragging() const { return m_bDragging; }

signals:
    // Sent (a direct call) on every mouse step: the scroll code and the thumb x in pixels, not
    // the position.
    void HScroll(int nScrollCode, int nThumbX);

protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseMoveEvent(QMouseEvent* pEvent) override;
    void mouseReleaseEvent(QMouseEvent* pEvent) override;

private:
    void Track(int nMouseX);
    void SetTrackbarPos(int nPos); // clamped to the range, as a trackbar does

    const int m_nControlId;
    CMaskBitmap m_background;
    CMaskBitmap m_thumb;
    bool m_bDragging = false;
    int m_nMin = 0;
    int m_nMax = 100;
    int m_nPos = 0;
    int m_nThumbX = 0; // pixels; 0..578 when set by the mouse
};

} // namespace ostrel
