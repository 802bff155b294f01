#pragma once

#include "link/picture.h"
#include "platform/stream_socket.h"

#include <cstdint>
#include <string>

namespace ostrel {

// Why the link gave up a connection. The session answers every one the same way, with the
// disconnect command; the reason is there for the overlay and the tests.
enum class LinkLoss : uint8_t {
    ConnectFailed,   // the first connect failed, no reconnection running
    LoginRefused,    // the recorder answered the login with P0 other than 1
    ReconnectGaveUp, // "Reconnect Count" attempts were used up
};

// A change of the connection's state as the status line shows it, with what the line's text
// needs: the code (0..7), the image watchdog's miss count for code 6, the alarm word for code 7
// (channel bits 0-7, motion 8-15, loss 16-23, alarm 24-31), why the connect failed for code 5.
struct LinkStatus {
    uint8_t byCode = 0;
    uint8_t byMissCount = 0;
    uint32_t dwAlarmEvent = 0;
    ConnectFailure failure = ConnectFailure::None;
    bool operator==(const LinkStatus&) const = default;
};

// What the link reads from and tells the live side of the program (the session, which owns the
// settings and the live layout). The link calls these from inside its own handlers; an
// implementation must not call back into the link from them, except from OnLinkLost, which the
// link delivers only after its handler has returned.
class LinkView {
public:
    virtual ~LinkView() = default;

    // Read at the moment a request is built.
    virtual uint16_t SingleChannel() const = 0;     // m_wSingleCh: 256 = multi-cell, else a channel
    virtual uint32_t LiveChannelMask() const = 0;   // m_dwLiveChMask: bit i = channel i wanted
    virtual std::string HostAddress() const = 0;    // "Host IPAddress": an address or a host name
    virtual uint16_t HostPort() const = 0;          // "Host Port"
    virtual std::string UserId() const = 0;
    virtual std::string Password() const = 0;
    virtual uint8_t ReconnectCount() const = 0;     // "Reconnect Count": attempts allowed
    virtual bool AlertModeOn() const = 0;           // "Use AlertMode" is not 0

    virtual void SetConnectState(uint8_t byState) = 0; // m_byConnectState
    virtual void SetChannelCount(uint8_t byCount) = 0; // m_byChannelCount, from the login reply
    virtual void OnLinkStatus(const LinkStatus& status) = 0;
    virtual void DrawPositions(uint32_t dwRecordPos, uint32_t dwPlayPos) = 0;
    virtual void ToggleActivityLamp() = 0;
    virtual void OnLinkLost(LinkLoss reason) = 0;
    // A live picture was accepted for its channel.
    virtual void OnPicture(uint8_t byChannel, const Picture& picture) = 0;
};

} // namespace ostrel
