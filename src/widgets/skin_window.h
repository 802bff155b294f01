#pragma once

#include "models/cell_rect.h"
#include "models/key_commands.h"
#include "platform/timer_service.h"
#include "res/skin_layout.h"
#include "widgets/back_store.h"
#include "widgets/key_repeat_filter.h"

#include <QFont>
#include <QImage>
#include <QRect>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace ostrel {

class CBitmapButton;
class CSkinButton;
class CSkinSlider;

// Rectangles as the skin's panels are laid out, (left, top)-(right, bottom).
constexpr QRect Box(int l, int t, int r, int b)
{
    return QRect(l, t, r - l, b - t);
}

// What a skinned control is, and so which widget stands at its place.
enum class SkinControlKind : uint8_t {
    Push,      // CBitmapButton: its command at once, on the click
    Momentary, // CSkinButton pressed while held; with a parameter, a key that acts while held
    Toggle,    // CSkinButton lit or unlit, flipped by a click
    Indicator, // a lamp: a toggle that only shows, disabled, an indicator to screen readers
    Slider,    // CSkinSlider: the place's images are its track and its thumb
};

// One row of a window's control table. A row of nCount controls stands for that many
// consecutive IDs, named "<name> 1" to "<name> N", whose key commands (when the row has one)
// follow each other from command on.
struct SkinControl {
    int nControlId;
    SkinControlKind kind;
    const char* pszName;                   // the tooltip's and the screen reader's
    KeyCommand command = KeyCommand::None; // the key command that acts as the control
    int nParameter = 0;                    // reported by a momentary key with its press and release
    int nCount = 1;
};

// What a skinned window is made of.
struct SkinWindowParts {
    int nWidth;
    int nHeight;
    int nBackgroundId;
    int nRefreshTimerId;
    std::span<const SkinPlacement> places; // where the controls sit; creation (and Tab) order
    std::span<const SkinControl> controls; // what they are; every place has its row
    std::span<const KeyBinding> keys;
    bool bOpaqueText; // texts carry a black background over whatever lies under them
};

// The base of the skinned windows, the live view and the archive: a fixed-size window drawn
// from the skin, with its controls at the skin's places.
//  - Painting goes into a back store the size of the window; paintEvent copies from it.
//    ScheduleRefresh asks for the next screen refresh (at most kRefreshPerSecond a second), at
//    which OnRefresh draws what waited and the cells with new pictures go on screen. Moved to
//    a screen of another device pixel ratio, the window loads its background at the new one
//    and OnDeviceScale draws everything again.
//  - CreateSkin makes the controls from the parts' places and control table; clicks come to
//    OnCommand. Controls are found by ID, and named and tooltipped from the table.
//  - The keys of the table act on their press, once (the keyboard's own repeats do nothing,
//    nor does a key while another window is modal): a held command (IsHeldCommand) presses its
//    button until the key is up, any other clicks its control unless OnKeyCommand does more.
//    Hidden or deactivated, the window lets go of what keys and the mouse hold.
class CSkinWindow : public QWidget, public TimerTarget {
    Q_OBJECT
public:
    static constexpr int kRefreshPerSecond = 60;
    static constexpr uint32_t kFrameColour = 0xFFFFFFFFu; // cell frames: white

    CSkinWindow(const SkinWindowParts& parts, TimerFactory& rTimers, QWidget* pParent, Qt::WindowFlags flags = {});
    ~CSkinWindow() override;

    CSkinButton* SkinButton(int nControlId) const;
    CBitmapButton* PushButton(int nControlId) const;
    CSkinSlider* SkinSlider(int nControlId) const;
    // The name and the key of a control, as its tooltip shows them.
    std::string ControlToolTip(int nControlId) const;

    void OnTimer(int nId) override;

protected:
    // Loads the overlay font, takes the screen's device pixel ratio, loads the background and
    // makes the controls. Once, before the window is drawn.
    void CreateSkin();
    bool IsCreated() const { return m_bCreated; }

    // A control was clicked.
    virtual void OnCommand(int nControlId) = 0;
    // A momentary control with a parameter was pressed (1) or released (0): sent before the
    // press or release goes on, and posted after it.
    virtual void OnKeySent(int /*nParameter*/, int /*nPressed*/) {}
    virtual void OnKeyPosted(int /*nParameter*/, int /*nPressed*/) {}
    // A key of the table that is not held went down: clicks the command's control.
    virtual void OnKeyCommand(KeyCommand command);
    // The screen refresh, before the new pictures go on screen.
    virtual void OnRefresh() {}
    // The device pixel ratio changed, the background is loaded anew: everything is drawn again.
    virtual void OnDeviceScale() {}
    virtual void PaintBackground(const QRect& rc) = 0;
    // The cell or tile a channel's pictures go to; empty when it is not on show.
    virtual CellRect PictureCell(int nChannel) const = 0;

    void ScheduleRefresh();
    void DrawText(const QRect& rc, const QString& strText, int nFlags, const QFont& textFont, bool bFillFirst);
    void DrawText(const QRect& rc, const QString& strText, int nFlags, bool bFillFirst)
    {
        DrawText(rc, strText, nFlags, m_overlayFont, bFillFirst);
    }
    // Keeps the channel's newest picture for its cell; true when it goes on screen at the
    // refresh that is now asked for.
    bool ShowPicture(uint8_t byChannel, const Picture& picture);
    // The picture area's background again, then every channel's picture marked for painting
    // into its cell, and the frames of the cells without one.
    void RepaintPictures(const CellRect& rcArea);
    // Lets go of the buttons that keys hold and of the pressed key buttons (those with a
    // parameter), so that no camera keeps moving once the input goes elsewhere.
    void ReleaseHeldKeys();

    TimerService& Timers() { return *m_pTimers; }
    const QImage& Background() const { return m_background; }
    // Pictures painted into the window since the start, each once.
    uint64_t PicturesPainted() const { return m_nPicturesPainted; }

    void paintEvent(QPaintEvent* pEvent) override;
    void keyPressEvent(QKeyEvent* pEvent) override;
    void keyReleaseEvent(QKeyEvent* pEvent) override;
    void changeEvent(QEvent* pEvent) override;
    void hideEvent(QHideEvent* pEvent) override;

    CBackStore m_backStore; // the whole window as drawn

private:
    struct Control {
        int nControlId;
        SkinControlKind kind;
        QWidget* pWidget;
    };
    struct HeldKey {
        uint32_t dwKey; // the physical key that holds it, whatever Shift does meanwhile
        CSkinButton* pButton;
    };

    void CreateControls();
    QWidget* CreateControl(const SkinPlacement& place, const SkinControl& row);
    const Control* FindControl(int nControlId) const;
    const SkinControl* FindRow(int nControlId, int* pIndex) const;
    std::string ControlName(int nControlId) const;
    KeyCommand ControlCommand(int nControlId) const;
    int ControlOfCommand(KeyCommand command) const; // 0 for none
    void RefreshScreen();
    void LoadBackground();
    void HoldKey(KeyCommand command, uint32_t dwPhysicalKey);
    bool ReleaseHeldKey(uint32_t dwPhysicalKey); // false when that key holds nothing

    const SkinWindowParts m_parts;
    std::unique_ptr<TimerService> m_pTimers; // the refresh, and what the window starts itself
    bool m_bCreated = false;
    bool m_bRefreshScheduled = false;
    uint64_t m_nPicturesPainted = 0;
    QImage m_background;
    QFont m_overlayFont;
    std::vector<Control> m_controls;
    std::vector<HeldKey> m_heldKeys; // buttons held by keys that are still down
    CKeyRepeatFilter m_keyRepeats;
};

} // namespace ostrel
