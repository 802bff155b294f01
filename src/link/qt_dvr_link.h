#pragma once

#include "link/dvr_link.h"
#include "platform/dvr_socket.h"
#include "platform/qt_timer_service.h"

namespace ostrel {

// The link on the Qt event loop: real sockets, QTimers and the local file system around the
// Qt-free core. Everything the link does is CDvrLink's; this only supplies the services.
class QtDvrLink {
public:
    // The timers hold a pointer to the link made just after them; they fire only from the
    // event loop, never during construction.
    QtDvrLink(Notifier& rNotifier, LinkView* pView)
        : m_timers(&m_link), m_link({&m_timers, m_sockets, m_files, rNotifier}, pView)
    {
    }

    CDvrLink& Link() { return m_link; }
    const CDvrLink& Link() const { return m_link; }

private:
    CDvrSocketFactory m_sockets;
    LocalFileStore m_files;
    QtTimerService m_timers; // outlives the link, which stops its timers as it goes
    CDvrLink m_link;
};

} // namespace ostrel
