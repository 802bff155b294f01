#pragma once

#include <algorithm>
#include <cstddef>

namespace ostrel {

// Decides when a reused buffer has become oversized. A buffer grown for one big use would
// otherwise stay big for good; once a whole window of kUses uses has needed at most half of
// what the buffer holds, it is to be replaced by one of the size needed. A mix of sizes keeps
// the window's largest, so steady use never allocates per use.
class CShrinkWindow {
public:
    static constexpr int kUses = 64;

    // Counts one use needing nNeededBytes of a buffer that holds nCapacityBytes; true when the
    // caller should replace the buffer by one of nNeededBytes (none when that is 0).
    bool NoteUse(size_t nNeededBytes, size_t nCapacityBytes)
    {
        m_nWindowLargest = std::max(m_nWindowLargest, nNeededBytes);
        if (++m_nWindowUses == kUses) {
            m_nRecentLargest = m_nWindowLargest;
            m_bWindowPassed = true;
            m_nWindowLargest = 0;
            m_nWindowUses = 0;
        }
        return m_bWindowPassed && nCapacityBytes > 0
               && nCapacityBytes / 2 >= std::max(m_nRecentLargest, nNeededBytes);
    }

private:
    int m_nWindowUses = 0;
    size_t m_nWindowLargest = 0; // bytes, of the current window
    size_t m_nRecentLargest = 0; // bytes, of the last whole window
    bool m_bWindowPassed = false;
};

} // namespace ostrel
