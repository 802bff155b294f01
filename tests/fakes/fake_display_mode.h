#pragma once

#include "platform/display_mode.h"

#include <string>
#include <vector>

namespace ostrel::test {

// A screen whose mode changes at once. Records every request ("enter 1024x768", "restore")
// and keeps the DisplayMode rules: no switch when the size is already right, the operator's
// size remembered across repeated switches, a restore only of what this program changed. A
// screen without modes (bSwitches false) answers every request "no" and never changes.
class FakeDisplayMode final : public DisplayMode {
public:
    void EnterSize(int nWidth, int nHeight, SizeAnswer answer) override
    {
        calls.push_back("enter " + std::to_string(nWidth) + "x" + std::to_string(nHeight));
        const bool bHasSize = nWidth == nCurrentWidth && nHeight == nCurrentHeight;
        if (!bSwitches || bHasSize) {
            if (answer)
                answer(bHasSize && bSwitches);
            return;
        }
        if (!m_bChanged) {
            m_nRememberedWidth = nCurrentWidth;
            m_nRememberedHeight = nCurrentHeight;
        }
        m_bChanged = true;
        nCurrentWidth = nWidth;
        nCurrentHeight = nHeight;
        if (answer)
            answer(true);
    }
    void Restore() override
    {
        calls.push_back("restore");
        if (!m_bChanged)
            return;
        m_bChanged = false;
        nCurrentWidth = m_nRememberedWidth;
        nCurrentHeight = m_nRememberedHeight;
    }
    bool Changed() const override { return m_bChanged; }

    bool bSwitches = true;
    int nCurrentWidth = 1280; // the screen's size now; a test may set it
    int nCurrentHeight = 1024;
    std::vector<std::string> calls;

private:
    bool m_bChanged = false;
    int m_nRememberedWidth = 0;
    int m_nRememberedHeight = 0;
};

} // namespace ostrel::test
