#pragma once

#include "link/dvr_link.h"
#include "platform/dvr_socket.h"
#include "platform/qt_timer_service.h"

namespace ostrel {

// The link on the Qt event loop: real sockets, QTimers and the local file system around the
// Qt-free core. Everything the link does is CDvrLink's; this only supplies the services.
class QtDvrLink {
public:
    QtDvrLink(Notifier& rNotifier, LinkView* pView) : m_link({m_timers, m_sockets, m_files, rNotifier}, pView) {}

    CDvrLink& Link() { return m_link; }
    const CDvrLink& Link() const { return m_link; }

private:
    QtTimerFactory m_timers;
    CDvrSocketFactory m_sockets;
    LocalFileStore m_files;
    CDvrLink m_link;
};

} // namespace ostrel
