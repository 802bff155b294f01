#pragma once

// The screen's resolution, for full-screen use.

namespace ostrel {

class DisplayMode {
public:
    virtual ~DisplayMode() = default;
    // Switches to that size unless the screen already has it, remembering the mode in effect.
    virtual void EnterSize(int nWidth, int nHeight) = 0;
    // Back to the remembered mode when this program changed it; otherwise nothing.
    virtual void Restore() = 0;
    virtual bool Changed() const = 0;
};

// Through the X server's RandR extension (the xrandr program), where there is an X display;
// elsewhere every change fails and the window is only placed.
class XrandrDisplayMode final : public DisplayMode {
public:
    void EnterSize(int nWidth, int nHeight) override;
    void Restore() override;
    bool Changed() const override { return m_bChanged; }

private:
    static bool Available();
    bool CurrentSize(int& nWidth, int& nHeight);
    bool m_bChanged = false;
    int m_nSavedWidth = 0;
    int m_nSavedHeight = 0;
};

} // namespace ostrel
