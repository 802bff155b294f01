#pragma once

#include "link/link_archive.h"
#include "link/link_view.h"

namespace ostrel {

// The archive dialog as the session sees it: the three parts the link talks to, and what the
// session asks of it when the operator switches between live and archive.
class ArchiveWindow : public LinkPlayState, public LinkPlayback, public LinkEventLog {
public:
    // m_bArchiveActive := bActive; the window shows itself (and takes the screen) or hides.
    virtual void SetArchiveActive(bool bActive) = 0;
    // The switch to the archive is done: the dialog takes over (stops, asks for its range).
    virtual void Activate() = 0;
    // The connection line, while the archive is active.
    virtual void SetConnectionStatus(const LinkStatus& status) = 0;
};

} // namespace ostrel
