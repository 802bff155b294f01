#pragma once

// The live display's layout and channel choices: which channels are on screen, in which
// cells, which buttons are checked or enabled, and the rotation through channels in single
// view. Plain data and rules; the view turns the results into widgets and paint, the session
// into requests.

#include "models/cell_rect.h"

#include <cstdint>

namespace ostrel {

class CLiveLayout {
public:
    static constexpr uint16_t MODE_SINGLE = 0x0100;
    static constexpr uint16_t MODE_FOUR = 0x0401;
    static constexpr uint16_t MODE_NINE = 0x0903;
    static constexpr uint16_t MODE_SIXTEEN = 0x1006;
    static constexpr uint16_t SINGLE_CH_MULTI = 256; // m_wSingleCh in a multi-cell mode
    static constexpr int kLayoutButtons = 7;
    static constexpr int kChannels = 16;
    static const CellRect kDisplay;       // (62, 22)-(702, 502)
    static const CellRect kAboutHotspot;  // (30, 570)-(190, 680)

    // What an operation asks of the view besides the state it changed.
    struct Effects {
        bool bSendLive = false;     // send the live request (the layout changed)
        bool bBeep = false;         // the choice was refused
        bool bRedrawDisplay = false; // invalidate the display area
        bool bShowAbout = false;    // open the about box
    };

    CLiveLayout();

    // Sets the mode and recomputes cells and buttons; asks for a live request and a redraw.
    Effects ApplyLayout(uint16_t wMode);
    Effects OnLayoutButton(int nIndex);            // 0..6 (IDs 1017..1023)
    Effects OnChannelButton(int nChannel);         // 0..15 (IDs 1026..1041)
    Effects OnRotateButton(bool bConnected, uint8_t byDwellIndex);
    Effects NextRotationChannel();
    Effects RotationTick();                        // once a second
    Effects OnDoubleClick(int x, int y);
    // A momentary key's press with its parameter: 13 and 14 step the PTZ channel. True when
    // the PTZ channel changed.
    bool OnPtzChannelKey(int nParameter, bool bPressed);
    // The recorder's channel count; the channel buttons follow it at once, in every layout:
    // channels at or above it are unchecked and disabled.
    void SetChannelCount(uint8_t byCount);
    // What a channel button shows: a channel on screen is checked and disabled (it cannot be
    // chosen again), one off screen unchecked and enabled.
    enum class ChannelButton : uint8_t { OnScreen, OffScreen };
    // Sets one channel button. A channel the recorder lacks always ends unchecked and disabled.
    void SetChannelButton(int nChannel, ChannelButton state);
    // A picture of the channel was drawn (rotation visits only such channels).
    void SetDrawn(int nChannel);
    void ClearDrawn();

    bool IsSingle() const { return (m_wSplitMode >> 8) == 1; }
    bool IsRotating() const { return m_wRotate >= 0x100; }
    uint8_t SingleChannel() const { return static_cast<uint8_t>(m_wSingleCh & 0xFF); }
    // The channel whose cell contains (x, y), or -1.
    int ChannelAt(int x, int y) const;

    uint16_t SplitMode() const { return m_wSplitMode; }       // m_wSplitMode
    uint16_t SingleCh() const { return m_wSingleCh; }         // m_wSingleCh, as the live request carries it
    uint32_t LiveChMask() const { return m_dwLiveChMask; }    // m_dwLiveChMask
    int LiveFirstSelectCh() const { return m_nLiveFirstSelectCh; }
    uint8_t ChannelCount() const { return m_byChannelCount; }
    // The channel's cell; empty when it is not on screen.
    const CellRect& Cell(int nChannel) const { return m_rcCell[Index(nChannel)]; }
    bool Drawn(int nChannel) const { return m_bChDrawn[Index(nChannel)]; }
    uint16_t Rotate() const { return m_wRotate; }
    uint8_t PtzChannel() const { return m_byPtzCh; }          // m_byPtzCh
    bool ChannelChecked(int nChannel) const { return m_bChannelChecked[Index(nChannel)]; }
    bool ChannelEnabled(int nChannel) const { return m_bChannelEnabled[Index(nChannel)]; }
    bool LayoutChecked(int nIndex) const { return m_bLayoutChecked[nIndex >= 0 && nIndex < kLayoutButtons ? nIndex : 0]; }
    bool RotateChecked() const { return m_bRotateChecked; }

private:
    static int Index(int nChannel) { return nChannel >= 0 && nChannel < kChannels ? nChannel : 0; }
    void UpdateChannelButtons();
    // nCells channels from nFirst on screen, nFirst in the first cell and in m_wSingleCh.
    void ShowPage(int nFirst, int nCells);

    uint16_t m_wSplitMode = MODE_SIXTEEN;
    uint16_t m_wSingleCh = SINGLE_CH_MULTI;
    uint32_t m_dwLiveChMask = 0xFFFF;
    int m_nLiveFirstSelectCh = 0;
    uint8_t m_byChannelCount = 16;
    CellRect m_rcCell[kChannels];
    bool m_bChDrawn[kChannels] = {};
    uint16_t m_wRotate = 0;        // 0 = off, else 0x100 | dwell index
    uint8_t m_byRotateCount = 0;   // seconds counted in the current dwell
    uint8_t m_byPtzCh = 0;         // channel the PTZ panel addresses

    // Button states the view shows.
    bool m_bChannelChecked[kChannels] = {};
    bool m_bChannelEnabled[kChannels];
    bool m_bLayoutChecked[kLayoutButtons] = {};
    bool m_bRotateChecked = false;
};

} // namespace ostrel
