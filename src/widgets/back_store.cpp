#include "widgets/back_store.h"

namespace ostrel {

namespace {

const Picture kNoPicture;

} // namespace

CBackStore::CBackStore(int nWidth, int nHeight, uint32_t dwFrameColour)
    : m_image(nWidth, nHeight, QImage::Format_RGB32), m_dwFrameColour(dwFrameColour)
{
    m_image.fill(Qt::black);
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
        if (m_painter.Paint(m_pictures[n], pImage, m_image.width(), m_image.height(), nStride, rcCell)) {
            CCellPainter::PaintFrame(pImage, m_image.width(), m_image.height(), nStride, rcCell, m_dwFrameColour);
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
    CCellPainter::PaintFrame(reinterpret_cast<uint32_t*>(m_image.bits()), m_image.width(), m_image.height(),
                             static_cast<int>(m_image.bytesPerLine() / 4), rcCell, m_dwFrameColour);
}

} // namespace ostrel
