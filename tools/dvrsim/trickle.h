#pragma once

// One packet dribbled out, as a recorder whose sending has all but stalled: its header at
// once, then one byte per interval; the rest at once when the fault ends. Time is an
// argument, so its tests run on a made-up clock.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ostrel::dvrsim {

class CTrickle {
public:
    bool Busy() const { return m_nSent < m_packet.size(); }

    // Takes a whole packet (it must be longer than its header) at nNowMs and returns what goes
    // out at once: the header.
    std::vector<uint8_t> Start(const uint8_t* pPacket, size_t nBytes, int64_t nNowMs, int64_t nByteEveryMs);
    // The bytes due by nNowMs: one for each interval passed since the last.
    std::vector<uint8_t> Due(int64_t nNowMs);
    // When the next byte is due; meaningless unless Busy().
    int64_t NextDueMs() const { return m_nNextMs; }
    // Everything not yet sent, at once; the trickle is over.
    std::vector<uint8_t> Rest();

private:
    std::vector<uint8_t> m_packet;
    size_t m_nSent = 0;
    int64_t m_nNextMs = 0;
    int64_t m_nEveryMs = 1;
};

} // namespace ostrel::dvrsim
