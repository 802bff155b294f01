#pragma once

// Cuts the client's byte stream into requests. A request starts with a header holding
// "DVR PACKET" and is as long as its total-length field says; bytes before a header are
// skipped, and a header with an impossible length is skipped past its magic. Memory is
// bounded: no request is larger than kMaxRequestBytes and nothing is kept beyond one of them.

#include "link/wire_format.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ostrel::dvrsim {

struct DvrRequest {
    wire::PacketHeader header;
    wire::ParamBlock params{};      // zero for a login
    std::string strUser;            // login only
    std::string strPassword;        // login only
    std::vector<uint8_t> payload;   // bytes after the parameter block (PTZ data)
};

// The 0-based channels below nChannels that a live request asks for: its mask (P2). P0 and P1
// name the view the channels fill (a layout, or the channel a channel button chose first), so
// a request with P0 = 0 and four channels masked wants all four.
std::vector<int> LiveChannels(const wire::ParamBlock& params, int nChannels);

class CRequestReader {
public:
    static constexpr size_t kMaxRequestBytes = 4096; // the client sends at most 1024

    void Feed(const uint8_t* pData, size_t nBytes);
    // Takes the next complete request out of the stream; false when none is complete yet.
    bool Next(DvrRequest& request);
    // Bytes skipped so far because they were not part of a well-formed request.
    size_t SkippedBytes() const { return m_nSkipped; }

private:
    void Skip(size_t nBytes);

    std::vector<uint8_t> m_buffer;
    size_t m_nSkipped = 0;
};

} // namespace ostrel::dvrsim
