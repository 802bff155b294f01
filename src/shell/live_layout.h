#pragma once

// The live display's layout and channel choices: which channels are on screen, in which
// cells, which buttons are checked or enabled, and the rotation through channels in single
// view. Plain data and rules; the view turns the results into widgets, requests and paint.

#include <cstdint>

namespace ostrel {

// A rectangle in view pixels, (left, top) inside, (right, bottom) outside.
struct CellRect {
    int nLeft = 0;
    int nTop = 0;
    int nRight = 0;
    int nBottom = 0;

    bool IsEmpty() const { return nRight <= nLeft || nBottom <= nTop; }
    bool Contains(int x, int y) const
    {
        return !IsEmpty() && x >= nLeft && x < nRight && y >= nTop && y < nBottom;
    }
    int Width() const { return nRight - nLeft; }
    int Height() const { return nBottom - nTop; }
    bool operator==(const CellRect&) const = default;
};

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
    // The recorder's channel count; the channel buttons follow it at once.
    void SetChannelCount(uint8_t byCount);
    void SetChannelButton(int nChannel, bool bCheck, bool bApplyEnable, bool bEnable);
    void ClearDrawn();

    bool IsSingle() const { return (m_wSplitMode >> 8) == 1; }
    bool IsRotating() const { return m_wRotate >= 0x100; }
    uint8_t SingleChannel() const { return static_cast<uint8_t>(m_wSingleCh & 0xFF); }
    // The channel whose cell contains (x, y), or -1.
    int ChannelAt(int x, int y) const;

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

private:
    void UpdateChannelButtons();
    // nCells channels from nFirst on screen, nFirst in the first cell and in m_wSingleCh.
    void ShowPage(int nFirst, int nCells);
};

} // namespace ostrel
