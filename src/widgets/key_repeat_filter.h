#pragma once

#include "platform/timer_service.h"

#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QKeyEvent;
class QWidget;

namespace ostrel {

// Tells the keyboard's own repeats from the operator's presses and releases, so a held key acts
// once. Qt marks a repeat only when the X server's release and the press that follows it (with
// the same time stamp) are read together; on a busy user-interface thread the pair is split and
// looks like a real release and press. So a press counts only for a key that is not down, and
// a release is acted on only when no press of the same key with the release's time stamp
// follows within kReleaseWaitMs (a press with another stamp is the operator's own). Where the
// X server sends no releases while a key repeats (its detectable auto-repeat,
// SetServerMarksRepeats), releases act at once.
//
// Drive it from the window's key handlers; keys are told apart by KeyId. Releases come out
// through the handler given at construction, never from inside Press. It watches the window: when
// the window hides or loses the keyboard every key counts as up, since their releases go elsewhere.
class CKeyRepeatFilter final : public QObject, public TimerTarget {
public:
    static constexpr int kReleaseWaitMs = 50;
    using ReleaseHandler = std::function<void(uint32_t dwKey)>;

    CKeyRepeatFilter(QWidget& rWindow, TimerFactory& rTimers, ReleaseHandler onRelease);
    ~CKeyRepeatFilter() override;
    CKeyRepeatFilter(const CKeyRepeatFilter&) = delete;
    CKeyRepeatFilter& operator=(const CKeyRepeatFilter&) = delete;

    // True when the press is the operator's and should act.
    bool Press(const QKeyEvent& event);
    void Release(const QKeyEvent& event);
    // The window lost the keyboard: every key counts as up, pending releases are dropped (the
    // window lets go of what they held itself).
    void Forget();

    void OnTimer(int nId) override;
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

    // Set once at start from what the X server agreed to; the tests leave it off.
    static void SetServerMarksRepeats(bool bMarks) { s_bServerMarksRepeats = bMarks; }

private:
    struct DownKey {
        uint32_t dwKey = 0;
        bool bReleasePending = false;
        uint64_t qwReleaseStamp = 0; // the pending release's time stamp; 0 none known
    };
    DownKey* Find(uint32_t dwKey);
    void Let(uint32_t dwKey); // reports the release and forgets the key

    static inline bool s_bServerMarksRepeats = false;
    QWidget* m_pWindow;
    std::unique_ptr<TimerService> m_pTimers;
    ReleaseHandler m_onRelease;
    std::vector<DownKey> m_down;
};

} // namespace ostrel
