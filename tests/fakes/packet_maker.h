#pragma once

#include "link/wire_format.h"

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <vector>

namespace ostrel::test {

// Bytes of one packet as a recorder would send it.
inline std::vector<uint8_t> MakePacket(uint32_t dwDataType, wire::ParamBlock params = {},
                                       const std::vector<uint8_t>& payload = {},
                                       std::string_view magic = wire::kMagicV12)
{
    std::vector<uint8_t> bytes(wire::kMinPacketBytes + payload.size());
    wire::PacketHeader header;
    header.magic = wire::MakeMagic(magic);
    header.dwTotalLength = static_cast<uint32_t>(bytes.size());
    header.dwPacketType = payload.empty() ? wire::PACKET_PARAMS : wire::PACKET_PAYLOAD;
    header.dwDataType = dwDataType;
    wire::EncodeHeader(header, bytes.data());
    wire::EncodeParams(params, bytes.data() + wire::kHeaderBytes);
    std::copy(payload.begin(), payload.end(), bytes.begin() + wire::kPayloadOffset);
    return bytes;
}

// A 60-byte request as the client must send it, spelt out byte by byte rather than built with
// the wire code under test: the magic "DVR PACKET1.<minor>" echoing the login answer ('0'
// before any answer), total length 60, packet type 1 (parameters), the data type, then the
// parameters little-endian and zeros to the end.
inline std::vector<uint8_t> RequestBytes(uint16_t wDataType, std::initializer_list<uint32_t> params, char cMinor = '2')
{
    std::vector<uint8_t> b = {'D', 'V', 'R', ' ', 'P', 'A', 'C', 'K', 'E', 'T', '1', '.', static_cast<uint8_t>(cMinor),
                              0, 0, 0, 60, 0, 0, 0, 1, 0, 0, 0,
                              static_cast<uint8_t>(wDataType & 0xFF), static_cast<uint8_t>(wDataType >> 8), 0, 0};
    for (uint32_t w : params)
        for (int nShift = 0; nShift < 32; nShift += 8)
            b.push_back(static_cast<uint8_t>(w >> nShift));
    b.resize(60, 0);
    return b;
}

// The 300-byte login as the client must send it: magic "DVR PACKET1.0", length 300, packet
// type 2, data type 0x1001, the user name from offset 28 and the password from offset 156.
inline std::vector<uint8_t> LoginBytes(std::string_view user, std::string_view password)
{
    std::vector<uint8_t> b = RequestBytes(0x1001, {}, '0');
    b[16] = 0x2C;
    b[17] = 0x01;
    b[20] = 2;
    b.resize(300, 0);
    std::copy(user.begin(), user.end(), b.begin() + 28);
    std::copy(password.begin(), password.end(), b.begin() + 156);
    return b;
}

// A payload of n bytes whose values say where they are (i mod 251), so a misplaced byte shows.
inline std::vector<uint8_t> NumberedPayload(size_t n)
{
    std::vector<uint8_t> payload(n);
    for (size_t i = 0; i < n; ++i)
        payload[i] = static_cast<uint8_t>(i % 251);
    return payload;
}

inline std::vector<uint8_t> Concat(std::initializer_list<std::vector<uint8_t>> parts)
{
    std::vector<uint8_t> all;
    for (const auto& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

// Splits bytes into reads at the given offsets.
inline std::vector<std::vector<uint8_t>> SplitAt(const std::vector<uint8_t>& bytes,
                                                 std::initializer_list<size_t> offsets)
{
    std::vector<std::vector<uint8_t>> reads;
    size_t nStart = 0;
    for (size_t nOffset : offsets) {
        reads.emplace_back(bytes.begin() + static_cast<std::ptrdiff_t>(nStart),
                           bytes.begin() + static_cast<std::ptrdiff_t>(nOffset));
        nStart = nOffset;
    }
    reads.emplace_back(bytes.begin() + static_cast<std::ptrdiff_t>(nStart), bytes.end());
    return reads;
}

} // namespace ostrel::test
