#pragma once

// The screen's resolution, for full-screen use.

namespace ostrel {

class DisplayMode {
public:
    virtual ~DisplayMode() = default;
    // The current resolution; false when it cannot be read.
    virtual bool CurrentSize(int& nWidth, int& nHeight) = 0;
    // Asks for another resolution; true when the system reports success.
    virtual bool ChangeSize(int nWidth, int nHeight) = 0;
    // Back to the resolution the user configured.
    virtual void RestoreDefault() = 0;
};

// Through the X server's RandR extension (the xrandr program), where there is an X display;
// elsewhere every change fails and the window is only placed.
class XrandrDisplayMode final : public DisplayMode {
public:
    bool CurrentSize(int& nWidth, int& nHeight) override;
    bool ChangeSize(int nWidth, int nHeight) override;
    void RestoreDefault() override;

private:
    static bool Available();
};

} // namespace ostrel
