#include "widgets/key_repeat_filter.h"

#include "widgets/key_event.h"

#include <QKeyEvent>
#include <QWidget>

#include <algorithm>
#include <utility>

namespace ostrel {

CKeyRepeatFilter::CKeyRepeatFilter(QWidget& rWindow, TimerFactory& rTimers, ReleaseHandler onRelease)
    : m_pWindow(&rWindow), m_pTimers(rTimers.Create(*this)), m_onRelease(std::move(onRelease))
{
    rWindow.installEventFilter(this);
}

CKeyRepeatFilter::~CKeyRepeatFilter()
{
    Forget();
}

CKeyRepeatFilter::DownKey* CKeyRepeatFilter::Find(uint32_t dwKey)
{
    const auto it = std::find_if(m_down.begin(), m_down.end(), [dwKey](const DownKey& k) { return k.dwKey == dwKey; });
    return it == m_down.end() ? nullptr : &*it;
}

bool CKeyRepeatFilter::Press(const QKeyEvent& event)
{
    const uint32_t dwKey = KeyId(event);
    if (event.isAutoRepeat())
        return false;
    DownKey* pDown = Find(dwKey);
    if (!pDown) {
        m_down.push_back(DownKey{dwKey});
        return true;
    }
    if (!pDown->bReleasePending)
        return false; // pressed again without a release: the server's repeat
    const uint64_t qwStamp = event.timestamp();
    if (qwStamp != 0 && qwStamp == pDown->qwReleaseStamp) {
        // The other half of a repeat's release and press.
        pDown->bReleasePending = false;
        m_pTimers->Stop(static_cast<int>(dwKey));
        return false;
    }
    // Let go and pressed again by the operator, quicker than the wait.
    Let(dwKey);
    m_down.push_back(DownKey{dwKey});
    return true;
}

void CKeyRepeatFilter::Release(const QKeyEvent& event)
{
    const uint32_t dwKey = KeyId(event);
    DownKey* pDown = Find(dwKey);
    if (event.isAutoRepeat())
        return;
    if (!pDown) {
        // A key that went down before the window had the keyboard.
        m_onRelease(dwKey);
        return;
    }
    if (s_bServerMarksRepeats) {
        Let(dwKey);
        return;
    }
    pDown->bReleasePending = true;
    pDown->qwReleaseStamp = event.timestamp();
    m_pTimers->Start(static_cast<int>(dwKey), kReleaseWaitMs);
}

void CKeyRepeatFilter::OnTimer(int nId)
{
    m_pTimers->Stop(nId);
    const uint32_t dwKey = static_cast<uint32_t>(nId);
    if (const DownKey* pDown = Find(dwKey); pDown && pDown->bReleasePending)
        Let(dwKey);
}

bool CKeyRepeatFilter::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    if (pWatched == m_pWindow && (pEvent->type() == QEvent::Hide ||
                                  (pEvent->type() == QEvent::ActivationChange && !m_pWindow->isActiveWindow())))
        Forget();
    return false;
}

void CKeyRepeatFilter::Let(uint32_t dwKey)
{
    m_pTimers->Stop(static_cast<int>(dwKey));
    std::erase_if(m_down, [dwKey](const DownKey& k) { return k.dwKey == dwKey; });
    m_onRelease(dwKey);
}

void CKeyRepeatFilter::Forget()
{
    for (const DownKey& key : m_down)
        m_pTimers->Stop(static_cast<int>(key.dwKey));
    m_down.clear();
}

} // namespace ostrel
