#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

// A non-blocking TCP stream as the link needs it. Notifications come on the owner's thread,
// never from inside a call on the socket itself:
//  - OnSocketConnected(true) once the connection stands, OnSocketConnected(false) when a
//    started connect fails (delivered like a posted message, after the current handler);
//  - OnSocketReadable() while unread bytes wait; a handler that leaves bytes unread is told
//    again, so one bounded read per notification never stalls the stream.

namespace ostrel {

// Why a connect failed, for the operator.
enum class ConnectFailure : uint8_t {
    None,
    Refused,     // nothing listens on that port
    Unreachable, // no route to that host or network
    TimedOut,    // no answer in time
    UnknownHost, // the name has no address
    Other,
};

class StreamSocketEvents {
public:
    virtual ~StreamSocketEvents() = default;
    virtual void OnSocketConnected(bool bOk) = 0;
    // Bytes wait. The notification comes again while bytes are left after a read; a handler
    // that reads nothing is not told again about the bytes it left, and reads them when it is
    // ready.
    virtual void OnSocketReadable() = 0;
};

class StreamSocket {
public:
    // Bytes that may wait unsent on one connection, beyond what the kernel holds: a peer that
    // stops reading costs at most this much, however much the program asks to send.
    static constexpr size_t kMaxUnsentBytes = 64 * 1024;

    virtual ~StreamSocket() = default;
    // Starts a connect to a dotted IPv4 address, an IPv6 address or a host name (looked up
    // without blocking). False when it cannot even start (an empty or malformed name, no
    // socket); true when the outcome will be notified.
    virtual bool Connect(const std::string& strHost, uint16_t wPort) = 0;
    // Why the last connect failed; None while none has.
    virtual ConnectFailure Failure() const = 0;
    // Switches Nagle's algorithm off.
    virtual void SetNoDelay() = 0;
    // Takes the bytes whole or not at all: nBytes when taken (sent, or queued to be sent),
    // 0 when they would take the unsent bytes past kMaxUnsentBytes (the peer stopped reading),
    // -1 when not connected. A refused packet is never cut, so the peer never sees half of one.
    virtual int Send(const uint8_t* pData, size_t nBytes) = 0;
    // Bytes taken by Send and not yet handed to the network; at most kMaxUnsentBytes.
    virtual size_t UnsentBytes() const = 0;
    // Reads at most nMax bytes; bytes read, 0 when none wait or the peer closed, -1 on error.
    virtual int Receive(uint8_t* pData, size_t nMax) = 0;
    // Bytes received and not read yet, as far as the socket knows without a system call; a
    // hint for how far behind the reader is, 0 when unknown.
    virtual size_t BytesWaiting() const { return 0; }
    // Shuts the stream down in both directions and closes it. No notification follows.
    virtual void ShutdownAndClose() = 0;
};

class SocketFactory {
public:
    virtual ~SocketFactory() = default;
    // A new unconnected socket reporting to rEvents, or null when none can be made.
    virtual std::unique_ptr<StreamSocket> Create(StreamSocketEvents& rEvents) = 0;
};

} // namespace ostrel
