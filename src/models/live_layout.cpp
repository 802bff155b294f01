#include "models/live_layout.h"

#include <cstddef>

namespace ostrel {

const CellRect CLiveLayout::kDisplay{62, 22, 702, 502};
const CellRect CLiveLayout::kAboutHotspot{30, 570, 190, 680};

CLiveLayout::CLiveLayout()
{
    for (bool& bEnabled : m_bChannelEnabled)
        bEnabled = true;
}

void CLiveLayout::SetChannelButton(int nChannel, ChannelButton state)
{
    if (nChannel < 0 || nChannel >= kChannels)
        return;
    const size_t n = static_cast<size_t>(nChannel);
    const bool bExists = nChannel < m_byChannelCount;
    if (!bExists) {
        // Whatever the button showed before the recorder's channel count was known.
        m_bChannelChecked[n] = false;
        m_bChannelEnabled[n] = false;
        return;
    }
    m_bChannelChecked[n] = state == ChannelButton::OnScreen;
    m_bChannelEnabled[n] = state == ChannelButton::OffScreen;
}

void CLiveLayout::UpdateChannelButtons()
{
    const uint8_t bySingle = SingleChannel();
    for (int n = 0; n < kChannels; ++n) {
        const bool bOnScreen = IsSingle() ? n == bySingle : (m_dwLiveChMask >> n) & 1;
        SetChannelButton(n, bOnScreen ? ChannelButton::OnScreen : ChannelButton::OffScreen);
    }
}

CLiveLayout::Effects CLiveLayout::ApplyLayout(uint16_t wMode)
{
    m_wSplitMode = wMode;
    const int nSingle = SingleChannel();
    if (!IsSingle()) {
        m_wRotate = 0;
        m_bRotateChecked = false;
    }
    UpdateChannelButtons();
    const int nCheckedIndex = wMode & 0xFF;
    for (int i = 0; i < kLayoutButtons; ++i)
        m_bLayoutChecked[i] = i == nCheckedIndex;

    const int nCells = wMode >> 8;
    const int nSide = nCells >= 16 ? 4 : nCells >= 9 ? 3 : nCells >= 4 ? 2 : 1;
    int nChannel = ((m_nLiveFirstSelectCh % kChannels) + kChannels) % kChannels;
    for (int i = 0; i < nSide * nSide; ++i) {
        if (nSide > 1) {
            m_rcCell[nChannel] = GridCell(kDisplay, nSide, i, 1, 2);
        } else {
            m_rcCell[nChannel] = {};
            if (nSingle < kChannels)
                m_rcCell[nSingle] = GridCell(kDisplay, 1, 0, 1, 2);
        }
        nChannel = (nChannel + 1) % kChannels;
    }
    for (int i = nSide * nSide; i < kChannels; ++i) {
        if (nChannel != nSingle)
            m_rcCell[nChannel] = {};
        nChannel = (nChannel + 1) % kChannels;
    }
    Effects effects;
    effects.bSendLive = true;
    effects.bRedrawDisplay = true;
    return effects;
}

CLiveLayout::Effects CLiveLayout::OnLayoutButton(int nIndex)
{
    uint16_t wMode = 0;
    switch (nIndex) {
    case 0: wMode = MODE_SINGLE; break;
    case 1: wMode = MODE_FOUR; break;
    case 3: wMode = MODE_NINE; break;
    case 6: wMode = MODE_SIXTEEN; break;
    default: {
        // Buttons without a layout of their own.
        if (nIndex >= 0 && nIndex < kLayoutButtons)
            m_bLayoutChecked[nIndex] = false;
        Effects effects;
        effects.bBeep = true;
        return effects;
    }
    }
    const int nCells = wMode >> 8;
    m_nLiveFirstSelectCh = 0;
    m_dwLiveChMask = nCells >= 32 ? 0xFFFFFFFFu : (1u << nCells) - 1;
    m_wSingleCh = wMode == MODE_SINGLE ? 0 : SINGLE_CH_MULTI;
    return ApplyLayout(wMode);
}

void CLiveLayout::ShowPage(int nFirst, int nCells)
{
    m_dwLiveChMask = 0;
    for (int j = 0; j < nCells; ++j)
        m_dwLiveChMask |= 1u << ((nFirst + j) % kChannels);
    m_nLiveFirstSelectCh = nFirst;
    m_wSingleCh = static_cast<uint16_t>(nFirst);
}

CLiveLayout::Effects CLiveLayout::OnChannelButton(int nChannel)
{
    if (nChannel < 0 || nChannel >= kChannels)
        return {};
    switch (m_wSplitMode) {
    case MODE_SINGLE:
        if (nChannel == SingleChannel())
            return {};
        ShowPage(nChannel, 1);
        return ApplyLayout(MODE_SINGLE);
    case MODE_FOUR:
        ShowPage(nChannel, 4);
        return ApplyLayout(MODE_FOUR);
    case MODE_NINE:
        ShowPage(nChannel, 9);
        return ApplyLayout(MODE_NINE);
    default:
        return ApplyLayout(MODE_SIXTEEN);
    }
}

CLiveLayout::Effects CLiveLayout::OnRotateButton(bool bConnected, uint8_t byDwellIndex)
{
    if (!IsRotating()) {
        if (bConnected && m_wSplitMode == MODE_SINGLE) {
            m_byRotateCount = 0;
            m_wRotate = static_cast<uint16_t>(0x100 | byDwellIndex);
            m_bRotateChecked = true;
            return NextRotationChannel();
        }
        m_bRotateChecked = false;
        Effects effects;
        effects.bBeep = true;
        return effects;
    }
    m_wRotate = 0;
    m_bRotateChecked = false;
    return OnLayoutButton(6);
}

CLiveLayout::Effects CLiveLayout::NextRotationChannel()
{
    if (m_wSplitMode != MODE_SINGLE)
        return {};
    const int nCurrent = SingleChannel() % kChannels;
    int nNext = nCurrent;
    for (int i = 1; i <= kChannels; ++i) {
        const int n = (nCurrent + i) % kChannels;
        if (m_bChDrawn[n]) {
            nNext = n;
            break;
        }
    }
    m_wSingleCh = static_cast<uint16_t>(nNext);
    return ApplyLayout(MODE_SINGLE);
}

CLiveLayout::Effects CLiveLayout::RotationTick()
{
    if (!IsRotating())
        return {};
    if (m_byRotateCount == (m_wRotate & 0xFF)) {
        m_byRotateCount = 0;
        return NextRotationChannel();
    }
    m_byRotateCount = static_cast<uint8_t>(m_byRotateCount + 1);
    return {};
}

int CLiveLayout::ChannelAt(int x, int y) const
{
    for (int n = 0; n < kChannels; ++n)
        if (m_rcCell[n].Contains(x, y))
            return n;
    return -1;
}

CLiveLayout::Effects CLiveLayout::OnDoubleClick(int x, int y)
{
    Effects effects;
    effects.bShowAbout = kAboutHotspot.Contains(x, y);
    Effects layout;
    if (IsSingle()) {
        if (kDisplay.Contains(x, y))
            layout = OnLayoutButton(6);
    } else {
        const int nChannel = ChannelAt(x, y);
        if (nChannel >= 0) {
            ShowPage(nChannel, 1);
            layout = ApplyLayout(MODE_SINGLE);
        }
    }
    layout.bShowAbout = effects.bShowAbout;
    return layout;
}

bool CLiveLayout::OnPtzChannelKey(int nParameter, bool bPressed)
{
    if (IsRotating() || !bPressed)
        return false;
    if (nParameter == 13)
        m_byPtzCh = static_cast<uint8_t>((m_byPtzCh + 1) % kChannels);
    else if (nParameter == 14)
        m_byPtzCh = static_cast<uint8_t>((m_byPtzCh + kChannels - 1) % kChannels);
    else
        return false;
    return true;
}

void CLiveLayout::SetChannelCount(uint8_t byCount)
{
    m_byChannelCount = byCount;
    UpdateChannelButtons();
}

void CLiveLayout::SetDrawn(int nChannel)
{
    if (nChannel >= 0 && nChannel < kChannels)
        m_bChDrawn[nChannel] = true;
}

void CLiveLayout::ClearDrawn()
{
    for (bool& bDrawn : m_bChDrawn)
        bDrawn = false;
}

} // namespace ostrel
