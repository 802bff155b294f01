#pragma once

// The archive's playback area: how many tiles per row, single or multi view, the selected
// channel, which channels have a tile and where, and which layout and channel buttons are lit.

#include "models/cell_rect.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace ostrel {

class CArchiveTiles {
public:
    static constexpr uint16_t MODE_SINGLE = 0x0100;
    static constexpr uint16_t MODE_MULTI = 0x0401;
    static constexpr uint8_t SEL_NONE = 255;   // several channels are shown
    static constexpr int kChannels = 16;
    static constexpr int kMaxGridDiv = 4;
    static const CellRect kPlayArea;           // (62, 22)-(702, 502)

    // Four tiles per row in multi view, as the dialog starts.
    CArchiveTiles();

    // The layout buttons and the channel buttons.
    void OnSingleView();         // 1057
    void OnMultiView();          // 1058
    void OnTilesMore();          // 1053
    void OnTilesFewer();         // 1054
    void OnChannel(int nChannel); // 1059..1074, 0-based
    // Single view on the channel unless the dialog already shows it alone (an alarm event).
    void ShowSingle(int nChannel);

    uint8_t GridDiv() const { return m_nGridDiv; }            // m_nGridDiv
    uint16_t LayoutMode() const { return m_wLayoutMode; }     // m_wLayoutMode
    uint8_t SelChannel() const { return m_nSelChannel; }      // m_nSelChannel
    bool IsSingle() const { return m_wLayoutMode == MODE_SINGLE; }
    // The channel's tile; empty when it has none.
    const CellRect& Tile(int nChannel) const { return m_rcTile[Index(nChannel)]; }
    bool ChannelLit(int nChannel) const { return !Tile(nChannel).IsEmpty(); }
    bool SingleLit() const { return m_bSingleLit; }          // 1057
    bool MultiLit() const { return m_bMultiLit; }            // 1058

private:
    static int Index(int nChannel) { return nChannel >= 0 && nChannel < kChannels ? nChannel : 0; }
    // Tiles from the grid, the mode and the selected channel (which multi view then resets).
    void Relayout();

    uint8_t m_nGridDiv = kMaxGridDiv;
    uint16_t m_wLayoutMode = MODE_MULTI;
    uint8_t m_nSelChannel = SEL_NONE;
    std::array<CellRect, kChannels> m_rcTile{};
    bool m_bSingleLit = false;
    bool m_bMultiLit = true;
};

} // namespace ostrel
