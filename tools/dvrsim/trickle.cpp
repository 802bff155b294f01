#include "trickle.h"

#include "link/wire_format.h"

#include <algorithm>

namespace ostrel::dvrsim {

std::vector<uint8_t> CTrickle::Start(const uint8_t* pPacket, size_t nBytes, int64_t nNowMs, int64_t nByteEveryMs)
{
    m_packet.assign(pPacket, pPacket + nBytes);
    m_nSent = std::min(nBytes, wire::kHeaderBytes);
    m_nEveryMs = std::max<int64_t>(1, nByteEveryMs);
    m_nNextMs = nNowMs + m_nEveryMs;
    return {m_packet.begin(), m_packet.begin() + static_cast<std::ptrdiff_t>(m_nSent)};
}

std::vector<uint8_t> CTrickle::Due(int64_t nNowMs)
{
    const size_t nFrom = m_nSent;
    while (Busy() && nNowMs >= m_nNextMs) {
        ++m_nSent;
        m_nNextMs += m_nEveryMs;
    }
    return {m_packet.begin() + static_cast<std::ptrdiff_t>(nFrom), m_packet.begin() + static_cast<std::ptrdiff_t>(m_nSent)};
}

std::vector<uint8_t> CTrickle::Rest()
{
    std::vector<uint8_t> rest(m_packet.begin() + static_cast<std::ptrdiff_t>(m_nSent), m_packet.end());
    m_packet.clear();
    m_nSent = 0;
    return rest;
}

} // namespace ostrel::dvrsim
