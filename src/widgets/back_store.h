#pragma once

#include "link/picture.h"
#include "models/cell_painter.h"
#include "models/cell_rect.h"

#include <QImage>
#include <QPainter>
#include <QRegion>

#include <array>
#include <cstdint>

namespace ostrel {

// A window as drawn: one 32-bit image the size of the window, into which the background, the
// texts and the pictures of up to 16 cells (or tiles) are painted; paintEvent copies from it,
// and snapshots, prints and AVI captures copy it too. Each slot keeps the newest picture it
// was given; the picture is painted into its cell, framed, at the next Flush that covers the
// cell, so pictures that arrive faster than the screen refreshes replace each other unpainted.
//
// The image has the device pixels of the screen: its scale (the device pixel ratio) times the
// window's size, with that ratio set, so a QPainter on it draws in window (1x) pixels, and the
// pictures go into their cells at the device's resolution. Every rectangle taken or given here is
// in window pixels; LogicalCopy gives a part at its 1x size for the files the operator keeps.
class CBackStore {
public:
    static constexpr int kSlots = kChannelCount;

    CBackStore(int nWidth, int nHeight, uint32_t dwFrameColour, double dScale = 1.0);

    QImage& Image() { return m_image; }
    const QImage& Image() const { return m_image; }
    double Scale() const { return m_dScale; }
    // Makes the image dScale device pixels per window pixel, black; the owner paints it again
    // (the slots' pictures are kept, but not marked for painting). False when the scale was that.
    bool SetScale(double dScale);
    // rc (window pixels) of the image at 1x: a plain copy at scale 1, smoothly scaled down from
    // the device pixels otherwise.
    QImage LogicalCopy(const QRect& rc) const;
    // The device pixels of the image that show rc: each edge scaled and rounded, so that
    // neighbouring rectangles stay neighbours.
    CellRect ToDevice(const CellRect& rc) const;
    QRect ToDevice(const QRect& rc) const;
    // Copies the parts of the image in region (window pixels) onto the window's painter, in
    // bands of at most 64 device rows: Qt's raster engine hands larger copies to its thread
    // pool, and at 60 refreshes a second the hand-overs cost more than the copying.
    void DrawOnto(QPainter& painter, const QRegion& region) const;

    // Keeps picture as the slot's newest and marks it for painting into rcCell.
    void Show(int nSlot, const Picture& picture, const CellRect& rcCell);
    // Marks the slot's picture for painting again, into rcCell (the layout changed). False, and
    // nothing marked, when the slot has no picture.
    bool Repaint(int nSlot, const CellRect& rcCell);
    // Forgets every slot's picture and pending paint.
    void Clear();
    const Picture& SlotPicture(int nSlot) const;
    bool Pending(int nSlot) const;
    bool AnyPending() const;
    // The cell of a pending slot, frame included; empty when the slot is not pending.
    QRect PendingRect(int nSlot) const;

    // Paints the pending slots into the image; with pOnly, only those whose cell meets it (the
    // others stay pending, so their own refresh still finds them). Returns what it painted.
    QRegion Flush(const QRegion* pOnly = nullptr);
    // The one-pixel frame around rcCell.
    void PaintFrame(const CellRect& rcCell);

    // Pictures painted into cells since construction.
    uint64_t CellsPainted() const { return m_nCellsPainted; }
    // Of those, the pictures painted for the first time (not again after a layout change).
    uint64_t NewPicturesPainted() const { return m_nNewPainted; }

    static QRect ToQRect(const CellRect& rc) { return QRect(rc.nLeft, rc.nTop, rc.Width(), rc.Height()); }

private:
    static bool ValidSlot(int nSlot) { return nSlot >= 0 && nSlot < kSlots; }

    void PaintDeviceFrame(const CellRect& rcCell);

    int m_nWidth;        // window pixels
    int m_nHeight;
    double m_dScale;     // device pixels per window pixel
    QImage m_image;
    uint32_t m_dwFrameColour;
    CCellPainter m_painter;
    std::array<Picture, kSlots> m_pictures;
    std::array<CellRect, kSlots> m_cells;
    std::array<bool, kSlots> m_bPending{};
    std::array<bool, kSlots> m_bNew{}; // the slot's picture was never painted
    uint64_t m_nCellsPainted = 0;
    uint64_t m_nNewPainted = 0;
};

} // namespace ostrel
