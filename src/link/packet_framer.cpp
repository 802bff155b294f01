#include "link/packet_framer.h"

#include <algorithm>
#include <cstring>

namespace ostrel {

using namespace wire;

namespace {

bool StartsWithMagic(const uint8_t* p, size_t nBytes)
{
    return nBytes >= kMagicText.size() && std::memcmp(p, kMagicText.data(), kMagicText.size()) == 0;
}

} // namespace

void PacketFramer::Allocate()
{
    if (m_receiveBuf.empty())
        m_receiveBuf.assign(kMaxCarry + kReceiveBytes, 0);
    Reset();
}

void PacketFramer::Free()
{
    std::vector<uint8_t>().swap(m_receiveBuf);
    Reset();
}

void PacketFramer::Reset()
{
    m_nCarry = 0;
    m_nPacketRemaining = 0;
}

bool PacketFramer::OnReadable(StreamSocket& rSocket, PacketSink& rSink)
{
    if (m_receiveBuf.empty())
        return false;
    // Straight into the sink only while the read cannot hold a whole magic of the next packet:
    // with fewer payload bytes outstanding than a magic is long, a header at the start of the
    // read would be cut into the old payload, so such a read goes through the receive buffer.
    if (m_nPacketRemaining >= kMagicText.size()) {
        if (uint8_t* pTarget = rSink.ContinuationTarget())
            return ReadContinuation(rSocket, rSink, pTarget);
    }
    // Any header fragment from the last read sits at the start; this read goes after it.
    const int nRead = rSocket.Receive(m_receiveBuf.data() + m_nCarry, kReceiveBytes);
    if (nRead <= 0)
        return false;
    Frame(m_receiveBuf.data(), m_nCarry + static_cast<size_t>(nRead), m_nCarry, rSink);
    return true;
}

bool PacketFramer::ReadContinuation(StreamSocket& rSocket, PacketSink& rSink, uint8_t* pTarget)
{
    const int nRead = rSocket.Receive(pTarget, std::min(kReceiveBytes, m_nPacketRemaining));
    if (nRead <= 0)
        return false;
    const size_t nBytes = static_cast<size_t>(nRead);
    if (HasPacketMagic(pTarget, nBytes)) {
        // A new packet where the payload should go on: it takes over (rare). Complete the read
        // to its usual size, so the new packet is framed as if read in one go.
        uint8_t* pRead = m_receiveBuf.data();
        std::memcpy(pRead, pTarget, nBytes);
        size_t nTotal = nBytes;
        const int nMore = rSocket.Receive(pRead + nTotal, kReceiveBytes - nTotal);
        if (nMore > 0)
            nTotal += static_cast<size_t>(nMore);
        m_nCarry = 0;
        Frame(pRead, nTotal, 0, rSink);
        return true;
    }
    m_nPacketRemaining -= nBytes;
    rSink.OnContinuation(pTarget, nBytes);
    rSink.OnReadFramed();
    return true;
}

// Cuts one read into packets. Bytes [0, nReadStart) were carried from earlier reads.
void PacketFramer::Frame(uint8_t* pBytes, size_t nEnd, size_t nReadStart, PacketSink& rSink)
{
    const size_t nRead = nEnd - nReadStart;
    size_t nPos = 0;
    const bool bReadStartsPacket = HasPacketMagic(pBytes + nReadStart, nRead);
    if (bReadStartsPacket) {
        // A read that begins with a header starts a new packet, whatever was unfinished.
        nPos = nReadStart;
        m_nPacketRemaining = 0;
    }
    m_nCarry = 0;

    while (nPos < nEnd) {
        const size_t nAvail = nEnd - nPos;
        if (m_nPacketRemaining > 0) {
            const size_t nTake = std::min(nAvail, m_nPacketRemaining);
            m_nPacketRemaining -= nTake;
            rSink.OnContinuation(pBytes + nPos, nTake);
            nPos += nTake;
            continue;
        }
        const bool bHeaderHere = (bReadStartsPacket && nPos == nReadStart) || StartsWithMagic(pBytes + nPos, nAvail);
        if (!bHeaderHere) {
            // Not a packet: skip to the next magic, keeping a tail that may begin one.
            const size_t nSkip = FindPacketMagic(pBytes + nPos, nAvail);
            if (nSkip < nAvail) {
                nPos += nSkip;
                continue;
            }
            const size_t nTail = MagicPrefixTail(pBytes + nPos, nAvail);
            std::memmove(pBytes, pBytes + nEnd - nTail, nTail);
            m_nCarry = nTail;
            break;
        }
        if (nAvail < kMinPacketBytes) {
            std::memmove(pBytes, pBytes + nPos, nAvail);
            m_nCarry = nAvail;
            break;
        }
        nPos += FramePacket(pBytes + nPos, nAvail, nPos >= nReadStart, rSink);
    }
    rSink.OnReadFramed();
}

// Hands on the packet at pPacket (nAvailable >= 60 bytes of it are here) and returns how many of
// those bytes it used.
size_t PacketFramer::FramePacket(const uint8_t* pPacket, size_t nAvailable, bool bHeaderInThisRead, PacketSink& rSink)
{
    const PacketHeader header = DecodeHeader(pPacket);
    if (header.dwTotalLength < kMinPacketBytes || header.dwTotalLength > kMaxPacketBytes
        || header.dwPacketType < PACKET_PARAMS || header.dwPacketType > PACKET_PAYLOAD)
        return 1; // cannot be framed: step over this magic and resynchronise on the next one
    const size_t nPayloadBytes = header.dwTotalLength - kMinPacketBytes;
    const size_t nPayloadHere = std::min(nAvailable - kMinPacketBytes, nPayloadBytes);
    // Whatever of the payload is still to come belongs to this packet.
    m_nPacketRemaining = nPayloadBytes - nPayloadHere;
    rSink.OnPacket(header, DecodeParams(pPacket + kHeaderBytes), pPacket + kPayloadOffset, nPayloadHere,
                   bHeaderInThisRead);
    return kMinPacketBytes + nPayloadHere;
}

} // namespace ostrel
