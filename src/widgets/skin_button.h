#pragma once

#include <QAccessible>
#include <QImage>
#include <QWidget>

#include <array>

namespace ostrel {

// A button drawn from up to four skin bitmaps, one per state, placed by its parent at a fixed
// geometry. Toggle buttons flip a check flag on every completed click; momentary buttons report
// press and release with their parameter, for keys that act while held.
//
// What the button tells its parent, and when:
//  - KeyPosted(parameter, 1 press / 0 release): posted, so it arrives after the handler that
//    caused it has returned; on a momentary press or release and on SetCheck changes in
//    momentary mode.
//  - KeySent(parameter, 1 / 0): sent, arriving before the press or release handling goes on;
//    on a momentary press or release by the mouse.
//  - CommandPosted(control ID): posted on every completed click, in both modes.
//  - StrayReleasePosted(): posted on a release or leave that no press preceded.
// "Posted" signals are emitted from a queued call, so they keep this order among themselves
// and run after the current event handler whatever connection the receiver chose.
//
// The keyboard reaches the same paths: Press and Release are the left button going down and
// coming up inside (a disabled button ignores them, as it ignores the mouse), Click is both.
// Tab gives the button the focus, which draws a frame inside its edge; Enter or Return then
// presses it while held. Other keys go on to the parent window, whose own keys they are.
class CSkinButton : public QWidget {
    Q_OBJECT
public:
    enum ButtonMode { Toggle = 0, Momentary = 1 };
    enum State { Normal = 0, Pressed = 1, Checked = 2, PressedUnchecked = 3 };

    explicit CSkinButton(int nControlId, QWidget* pParent = nullptr);

    // Loads the images of states 0-3 from the skin (0 = no image for that state), stores the
    // parameter and the mode, then shows state 0.
    void SetBitmaps(int nId0, int nId1, int nId2, int nId3, int nParameter, ButtonMode mode);
    // The two images of a skin place: released and pressed (states 0 and 1) for a momentary
    // button, unchecked and checked (states 0 and 2) for a toggle.
    void SetBitmaps(int nNormalId, int nActiveId, ButtonMode mode, int nParameter = 0);
    // Shows state s, if it differs from the current one and has an image.
    void SetState(int s);
    bool GetCheck() const { return m_bCheck; }
    void SetCheck(int nValue);

    // The mouse's press and release inside the button, for the keyboard and screen readers.
    void Press();
    void Release();
    void Click();
    bool IsPressed() const { return m_bPressed; }

    int ControlId() const { return m_nControlId; }
    int Parameter() const { return m_nParameter; }
    ButtonMode Mode() const { return m_mode; }
    int CurrentState() const { return m_nCurrentState; }
    // Resource number of the image on show, 0 when none is.
    int CurrentBitmapId() const;

    // What a screen reader calls it: a button, or an indicator for the lamps that only show.
    void SetAccessibleRole(QAccessible::Role role) { m_accessibleRole = role; }
    QAccessible::Role AccessibleRole() const { return m_accessibleRole; }
    // The focus frame: a dark outer and a bright inner line, one pixel each, at the edge.
    static constexpr QRgb kFocusOuter = 0xFF000000u;
    static constexpr QRgb kFocusInner = 0xFFFFC800u;

signals:
    void KeyPosted(int nParameter, int nPressed);
    void KeySent(int nParameter, int nPressed);
    void CommandPosted(int nControlId);
    void StrayReleasePosted();

protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseReleaseEvent(QMouseEvent* pEvent) override;
    void mouseMoveEvent(QMouseEvent* pEvent) override;
    void leaveEvent(QEvent* pEvent) override;
    void changeEvent(QEvent* pEvent) override;
    void keyPressEvent(QKeyEvent* pEvent) override;
    void keyReleaseEvent(QKeyEvent* pEvent) override;
    void focusOutEvent(QFocusEvent* pEvent) override;

private:
    void OnButtonDown();
    void OnButtonUp();
    void OnMouseLeave();
    void PostKey(int nPressed);
    void PostCommand();
    void PostStrayRelease();

    const int m_nControlId;
    std::array<int, 4> m_nBitmapIds{};  // resource number per state, 0 = none
    std::array<QImage, 4> m_bitmaps;    // null where the state has no image
    bool m_bCheck = false;              // checked (toggle) or held (momentary)
    bool m_bPressed = false;            // the left button went down here and has not come up
    int m_nParameter = 0;               // reported with KeyPosted and KeySent
    ButtonMode m_mode = Toggle;
    int m_nCurrentState = -1;           // -1 = no image shown yet
    bool m_bTracking = false;           // the pointer is inside and its leaving will be handled
    bool m_bKeyHeld = false;            // Enter or Return pressed it and has not come up
    QAccessible::Role m_accessibleRole = QAccessible::Button;
};

} // namespace ostrel
