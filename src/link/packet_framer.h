#pragma once

#include "link/wire_format.h"
#include "platform/stream_socket.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ostrel {

// Receives what PacketFramer cuts out of the byte stream.
class PacketSink {
public:
    virtual ~PacketSink() = default;
    // A packet's header and parameter block, with the first nPayloadHere payload bytes (at most
    // the packet's) that came with them. bHeaderInThisRead: the header came in the current
    // socket read (not carried over from the last one).
    virtual void OnPacket(const wire::PacketHeader& header, const wire::ParamBlock& params, const uint8_t* pPayload,
                          size_t nPayloadHere, bool bHeaderInThisRead) = 0;
    // Later payload bytes of the last packet, in order. pBytes may be ContinuationTarget() itself.
    virtual void OnContinuation(const uint8_t* pBytes, size_t nBytes) = 0;
    // Where the rest of the last packet's payload can be read to directly, with room for all of
    // it, or null when the sink does not keep it.
    virtual uint8_t* ContinuationTarget() = 0;
    // The bytes of one socket read have all been handed on.
    virtual void OnReadFramed() = 0;
};

// Cuts the recorder's byte stream into packets by their total length.
//
// Each OnReadable takes one socket read of at most kReceiveBytes. A read that begins with a
// "DVR PACKET" header starts a new packet, whatever was unfinished. Bytes that are no packet are
// skipped up to the next magic, even one split across reads; a header split across reads is
// carried over (at most 59 bytes). A header whose total length is below 60 or above
// kMaxPacketBytes, or whose packet type is not 1..3, cannot be framed: the framer steps over its
// magic and resynchronises. While a payload is unfinished, reads go straight into the sink's
// ContinuationTarget, so the socket's copy is the only one. No allocation after Allocate.
class PacketFramer {
public:
    static constexpr size_t kReceiveBytes = 9129;                   // one read at most
    static constexpr size_t kMaxCarry = wire::kMinPacketBytes - 1; // header bytes kept across reads

    void Allocate();
    void Free();
    bool Allocated() const { return !m_receiveBuf.empty(); }
    // Forgets any carried header bytes and the packet in progress (a new connection).
    void Reset();

    // One readable notification: at most one read of kReceiveBytes, framed and handed to rSink.
    // True when bytes were read.
    bool OnReadable(StreamSocket& rSocket, PacketSink& rSink);

    // Payload bytes of the current packet still to come.
    size_t PacketRemaining() const { return m_nPacketRemaining; }

private:
    bool ReadContinuation(StreamSocket& rSocket, PacketSink& rSink, uint8_t* pTarget);
    void Frame(uint8_t* pBytes, size_t nEnd, size_t nReadStart, PacketSink& rSink);
    size_t FramePacket(const uint8_t* pPacket, size_t nAvailable, bool bHeaderInThisRead, PacketSink& rSink);

    std::vector<uint8_t> m_receiveBuf; // carried header bytes, then one read
    size_t m_nCarry = 0;               // bytes of an unfinished header kept at m_receiveBuf[0]
    size_t m_nPacketRemaining = 0;     // payload bytes of the current packet still to come
};

} // namespace ostrel
