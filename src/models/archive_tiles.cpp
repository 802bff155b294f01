#include "models/archive_tiles.h"

namespace ostrel {

const CellRect CArchiveTiles::kPlayArea{62, 22, 702, 502};

CArchiveTiles::CArchiveTiles()
{
    Relayout();
}

void CArchiveTiles::Relayout()
{
    // The grid shows GridDiv² consecutive channels from the selected one, wrapping past the
    // last; the wrapped ones come first because tiles are dealt out in channel order.
    const int c = m_nSelChannel;
    const int e = m_nGridDiv * m_nGridDiv + c;
    int k = 0;
    for (int n = 0; n < kChannels; ++n) {
        const bool bShown = (e > kChannels && n < e - kChannels) || (n >= c && n < e);
        m_rcTile[static_cast<size_t>(n)] = bShown ? GridCell(kPlayArea, m_nGridDiv, k++, 1, 2) : CellRect{};
    }
    m_bSingleLit = m_wLayoutMode == MODE_SINGLE;
    m_bMultiLit = !m_bSingleLit;
    if (!m_bSingleLit)
        m_nSelChannel = SEL_NONE;
}

void CArchiveTiles::OnSingleView()
{
    if (m_nSelChannel == SEL_NONE) {
        m_nGridDiv = 1;
        m_wLayoutMode = MODE_SINGLE;
        m_nSelChannel = 0;
        Relayout();
        return;
    }
    m_bSingleLit = true;
}

void CArchiveTiles::OnMultiView()
{
    if (m_nSelChannel != SEL_NONE) {
        m_nGridDiv = 2;
        m_wLayoutMode = MODE_MULTI;
        m_nSelChannel = 0;
        Relayout();
        return;
    }
    m_bMultiLit = true;
}

void CArchiveTiles::OnTilesMore()
{
    if (m_nGridDiv < kMaxGridDiv)
        ++m_nGridDiv;
    m_nSelChannel = 0;
    m_wLayoutMode = MODE_MULTI;
    Relayout();
}

void CArchiveTiles::OnTilesFewer()
{
    if (m_nGridDiv > 1)
        --m_nGridDiv;
    m_wLayoutMode = m_nGridDiv == 1 ? MODE_SINGLE : MODE_MULTI;
    m_nSelChannel = 0;
    Relayout();
}

void CArchiveTiles::OnChannel(int nChannel)
{
    if (nChannel < 0 || nChannel >= kChannels)
        return;
    m_nSelChannel = static_cast<uint8_t>(nChannel);
    Relayout();
}

void CArchiveTiles::ShowSingle(int nChannel)
{
    if (nChannel < 0 || nChannel >= kChannels || !IsSingle() || m_nSelChannel == nChannel)
        return;
    m_nSelChannel = static_cast<uint8_t>(nChannel);
    Relayout();
}

} // namespace ostrel
