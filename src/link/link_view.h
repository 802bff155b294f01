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

// The connection's state as the session keeps it (m_byConnectState). Its values are also the
// first three status codes.
enum class ConnectState : uint8_t {
    Idle = 0,        // no connection, none under way
    Established = 1, // the socket stands
    Connecting = 2,  // a connect (or a reconnection's attempt) is under way
};

// The status line's codes 0..7.
enum class StatusCode : uint8_t {
    Waiting = 0,
    Established = 1,
    Connecting = 2,
    CheckId = 3,
    TryReconnect = 4,
    ConnectFail = 5,
    TryRequestImage = 6,
    ChannelAlarm = 7,
};

constexpr StatusCode StatusOf(ConnectState state)
{
    return static_cast<StatusCode>(state);
}

// An alarm event as the recorder reports it: P0's low byte is the channel, P1 carries motion in
// bits 8-15, video loss in 16-23 and the alarm input in 24-31. Each part is non-zero when active.
struct AlarmWord {
    uint8_t byChannel = 0; // 1-based
    uint8_t byMotion = 0;
    uint8_t byLoss = 0;
    uint8_t byAlarm = 0;

    static constexpr AlarmWord FromWire(uint32_t dwP0, uint32_t dwP1)
    {
        return AlarmWord{static_cast<uint8_t>(dwP0 & 0xFF), static_cast<uint8_t>((dwP1 >> 8) & 0xFF),
                         static_cast<uint8_t>((dwP1 >> 16) & 0xFF), static_cast<uint8_t>(dwP1 >> 24)};
    }
    bool operator==(const AlarmWord&) const = default;
};

// A change of the connection's state as the status line shows it, with what the line's text
// needs: the image watchdog's miss count for TryRequestImage, the alarm for ChannelAlarm, why the
// connect failed for ConnectFail.
struct LinkStatus {
    StatusCode code = StatusCode::Waiting;
    uint8_t byMissCount = 0;
    AlarmWord alarm{};
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

    virtual void SetConnectState(ConnectState state) = 0; // m_byConnectState
    virtual void SetChannelCount(uint8_t byCount) = 0; // m_byChannelCount, from the login reply
    virtual void OnLinkStatus(const LinkStatus& status) = 0;
    virtual void DrawPositions(uint32_t dwRecordPos, uint32_t dwPlayPos) = 0;
    virtual void ToggleActivityLamp() = 0;
    virtual void OnLinkLost(LinkLoss reason) = 0;
    // A live picture was accepted for its channel.
    virtual void OnPicture(uint8_t byChannel, const Picture& picture) = 0;
};

} // namespace ostrel
