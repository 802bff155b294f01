#pragma once

#include "link/link_view.h"

#include <cstdint>

namespace ostrel {

// The live view as the session sees it: what it must show when the connection, the recorder or
// a picture changes. Calls come from the session's handlers; an implementation may call the
// session's commands from them.
class LiveWindow {
public:
    virtual ~LiveWindow() = default;
    virtual void OnConnectStatus(const LinkStatus& status) = 0;  // the status line
    virtual void OnLivePicture(uint8_t byChannel, const Picture& picture) = 0;
    virtual void OnPositions(uint32_t dwRecordPos, uint32_t dwPlayPos) = 0;
    virtual void OnActivity() = 0;                                // the lamp blinks
    virtual void OnChannelCount() = 0;     // the channel buttons follow the recorder's count
    // The connection was dropped (command or loss): pictures and drawn marks are gone.
    virtual void OnConnectionDropped() = 0;
    // The archive takes over the screen (true) or hands it back (false).
    virtual void OnArchiveShown(bool bShown) = 0;
};

} // namespace ostrel
