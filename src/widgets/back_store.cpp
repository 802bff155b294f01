#include "widgets/back_store.h"

#include <algorithm>
#include <cmath>

namespace ostrel {

namespace {

const Picture kNoPicture;

} // namespace

namespace {

// The screen's ratio, bounded so that a bogus one cannot ask for a huge image.
double BoundedScale(double dScale)
{
    return std::isfinite(dScale) ? std::clamp(dScale, 1.0, 8.0) : 1.0;
}

int DeviceEdge(int nEdge, double dScale)
{
    return static_cast<int>(std::lround(nEdge * dScale));
}

} // namespace

CBackStore::CBackStore(int nWidth, int nHeight, uint32_t dwFrameColour, double dScale)
    : m_nWidth(nWidth), m_nHeight(nHeight), m_dScale(0), m_dwFrameColour(dwFrameColour)
{
    SetScale(dScale);
}

bool CBackStore::SetScale(double dScale)
{
    dScale = BoundedScale(dScale);
    if (dScale == m_dScale)
        return false;
    m_dScale = dScale;
    m_image = QImage(DeviceEdge(m_nWidth, dScale), DeviceEdge(m_nHeight, dScale), QImage::Format_RGB32);
    m_image.setDevicePixelRatio(dScale);
    m_image.fill(Qt::black);
    m_bPending.fill(false);
    return true;
}

CellRect CBackStore::ToDevice(const CellRect& rc) const
{
    return {DeviceEdge(rc.nLeft, m_dScale), DeviceEdge(rc.nTop, m_dScale), DeviceEdge(rc.nRight, m_dScale),
            DeviceEdge(rc.nBottom, m_dScale)};
}

void CBackStore::DrawOnto(QPainter& painter, const QRegion& region) const
{
    // Qt splits a copy of more than 95 rows across threads.
    const int nBandRows = std::max(1, static_cast<int>(64.0 / m_dScale));
    for (const QRect& rc : region) {
        for (int y = rc.top(); y <= rc.bottom(); y += nBandRows) {
            const QRect rcBand(rc.left(), y, rc.width(), std::min(nBandRows, rc.bottom() + 1 - y));
            if (m_dScale == 1.0)
                painter.drawImage(rcBand.topLeft(), m_image, rcBand);
            else
                painter.drawImage(rcBand, m_image, QRectF(QPointF(rcBand.topLeft()) * m_dScale,
                                                          QSizeF(rcBand.size()) * m_dScale));
        }
    }
}

QRect CBackStore::ToDevice(const QRect& rc) const
{
    return ToQRect(ToDevice(CellRect{rc.left(), rc.top(), rc.left() + rc.width(), rc.top() + rc.height()}));
}

QImage CBackStore::LogicalCopy(const QRect& rc) const
{
    if (m_dScale == 1.0)
        return m_image.copy(rc);
    QImage part = m_image.copy(ToDevice(rc)).scaled(rc.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    part.setDevicePixelRatio(1.0);
    return part;
}

void CBackStore::Show(int nSlot, const Picture& picture, const CellRect& rcCell)
{
    if (!ValidSlot(nSlot))
        return;
    m_pictures[static_cast<size_t>(nSlot)] = picture;
    m_cells[static_cast<size_t>(nSlot)] = rcCell;
    m_bPending[static_cast<size_t>(nSlot)] = picture && !rcCell.IsEmpty();
    m_bNew[static_cast<size_t>(nSlot)] = static_cast<bool>(picture);
}

bool CBackStore::Repaint(int nSlot, const CellRect& rcCell)
{
    if (!ValidSlot(nSlot) || !m_pictures[static_cast<size_t>(nSlot)])
        return false;
    m_cells[static_cast<size_t>(nSlot)] = rcCell;
    m_bPending[static_cast<size_t>(nSlot)] = !rcCell.IsEmpty();
    return true;
}

void CBackStore::Clear()
{
    for (Picture& picture : m_pictures)
        picture.Reset();
    m_bPending.fill(false);
}

const Picture& CBackStore::SlotPicture(int nSlot) const
{
    return ValidSlot(nSlot) ? m_pictures[static_cast<size_t>(nSlot)] : kNoPicture;
}

bool CBackStore::Pending(int nSlot) const
{
    return ValidSlot(nSlot) && m_bPending[static_cast<size_t>(nSlot)];
}

bool CBackStore::AnyPending() const
{
    for (bool bPending : m_bPending)
        if (bPending)
            return true;
    return false;
}

QRect CBackStore::PendingRect(int nSlot) const
{
    if (!Pending(nSlot))
        return {};
    return ToQRect(m_cells[static_cast<size_t>(nSlot)]).adjusted(-1, -1, 1, 1);
}

QRegion CBackStore::Flush(const QRegion* pOnly)
{
    QRegion painted;
    auto* pImage = reinterpret_cast<uint32_t*>(m_image.bits());
    const int nStride = static_cast<int>(m_image.bytesPerLine() / 4);
    for (size_t n = 0; n < m_bPending.size(); ++n) {
        if (!m_bPending[n])
            continue;
        const CellRect& rcCell = m_cells[n];
        if (pOnly && !pOnly->intersects(ToQRect(rcCell)))
            continue;
        m_bPending[n] = false;
        if (m_painter.Paint(m_pictures[n], pImage, m_image.width(), m_image.height(), nStride, ToDevice(rcCell))) {
            PaintFrame(rcCell);
            ++m_nCellsPainted;
            m_nNewPainted += m_bNew[n] ? 1 : 0;
            m_bNew[n] = false;
            painted += ToQRect(rcCell).adjusted(-1, -1, 1, 1);
        }
    }
    return painted;
}

void CBackStore::PaintFrame(const CellRect& rcCell)
{
    if (m_dScale == 1.0) {
        CCellPainter::PaintFrame(reinterpret_cast<uint32_t*>(m_image.bits()), m_image.width(), m_image.height(),
                                 static_cast<int>(m_image.bytesPerLine() / 4), rcCell, m_dwFrameColour);
        return;
    }
    PaintDeviceFrame(rcCell);
}

void CBackStore::PaintDeviceFrame(const CellRect& rcCell)
{
    // The window pixel around the cell, in the device pixels that show it.
    if (rcCell.IsEmpty())
        return;
    const CellRect in = ToDevice(rcCell);
    const CellRect out = ToDevice(CellRect{rcCell.nLeft - 1, rcCell.nTop - 1, rcCell.nRight + 1, rcCell.nBottom + 1});
    const QRect rcImage = m_image.rect();
    const auto fill = [&](int l, int t, int r, int b) {
        const QRect rc = QRect(l, t, r - l, b - t).intersected(rcImage);
        for (int y = rc.top(); y <= rc.bottom(); ++y)
            std::fill_n(reinterpret_cast<uint32_t*>(m_image.scanLine(y)) + rc.left(), rc.width(), m_dwFrameColour);
    };
    fill(out.nLeft, out.nTop, out.nRight, in.nTop);
    fill(out.nLeft, in.nBottom, out.nRight, out.nBottom);
    fill(out.nLeft, in.nTop, in.nLeft, in.nBottom);
    fill(in.nRight, in.nTop, out.nRight, in.nBottom);
}

} // namespace ostrel
