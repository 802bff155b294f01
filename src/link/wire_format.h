#pragma once

// The recorder protocol's bytes: packet header, parameter block, login block, and the date,
// time and position encodings that ride in them. Every integer on the wire is a 32-bit
// little-endian word; everything here is encoded and decoded byte by byte.

#include "platform/clock.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace ostrel::wire {

constexpr size_t kMagicBytes = 16;
constexpr size_t kHeaderBytes = 28;
constexpr size_t kParamBytes = 32;
constexpr size_t kLoginBlockBytes = 272;
constexpr size_t kLoginUserBytes = 128;     // user ID field at offset 0 of the login block
constexpr size_t kLoginPasswordBytes = 144; // password field at offset 128 of the login block
constexpr size_t kMinPacketBytes = kHeaderBytes + kParamBytes; // 60
constexpr size_t kLoginPacketBytes = kHeaderBytes + kLoginBlockBytes; // 300
constexpr size_t kPayloadOffset = kMinPacketBytes;
// Largest total length accepted from a recorder: room for any picture of 220 000 pixels and a
// large event log. A header announcing more is dropped before anything is allocated.
constexpr uint32_t kMaxPacketBytes = 8u * 1024u * 1024u;

constexpr std::string_view kMagicText = "DVR PACKET";       // what identifies a header
constexpr std::string_view kMagicV10 = "DVR PACKET1.0";
constexpr std::string_view kMagicV12 = "DVR PACKET1.2";

// Packet type word.
constexpr uint32_t PACKET_PARAMS = 1;  // header and parameter block
constexpr uint32_t PACKET_LOGIN = 2;   // header and login block
constexpr uint32_t PACKET_PAYLOAD = 3; // header, parameter block and payload

// Data types, requests and replies.
constexpr uint32_t DATATYPE_LOGIN = 0x1001;
constexpr uint32_t DATATYPE_LOGIN_REPLY = 0x1002;
constexpr uint32_t DATATYPE_LIVE_REQUEST = 0x1011;
constexpr uint32_t DATATYPE_LIVE_IMAGE = 0x1012;
constexpr uint32_t DATATYPE_STOP = 0x1013;
constexpr uint32_t DATATYPE_STOP_REPLY = 0x1014;
constexpr uint32_t DATATYPE_PLAY_REQUEST = 0x1015;
constexpr uint32_t DATATYPE_PLAY_IMAGE = 0x1016;
constexpr uint32_t DATATYPE_ALARM_EVENT = 0x1036;
constexpr uint32_t DATATYPE_PTZ_DATA = 0x1037;
constexpr uint32_t DATATYPE_PTZ_DATA_REPLY = 0x1038;
constexpr uint32_t DATATYPE_EVENT_LOG_REQUEST = 0x1041;
constexpr uint32_t DATATYPE_EVENT_LOG = 0x1042;
constexpr uint32_t DATATYPE_KEY_EMUL = 0x1043;
constexpr uint32_t DATATYPE_DVR_STATUS2 = 0x1061;
constexpr uint32_t DATATYPE_DVR_STATUS2_REPLY = 0x1062;

// Request kinds; the link's state byte holds the last one that changes state.
constexpr uint8_t REQ_LOGIN = 1;
constexpr uint8_t REQ_LIVE = 2;
constexpr uint8_t REQ_PLAY = 3;
constexpr uint8_t REQ_EVENT_LOG = 4;
constexpr uint8_t REQ_STOP = 8;
constexpr uint8_t REQ_KEY_EMUL = 9;
constexpr uint8_t REQ_DVR_STATUS2 = 102;

// Play status codes in the low byte of P3 of a play image that carries no picture.
constexpr uint8_t PLAY_IMAGE_FOLLOWS = 1;

inline void PutLe32(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

inline uint32_t GetLe32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8
        | static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

using Magic = std::array<uint8_t, kMagicBytes>;

// A magic field holding sv, NUL-terminated and zero-padded (cut to 15 characters).
Magic MakeMagic(std::string_view sv);

struct PacketHeader {
    Magic magic{};
    uint32_t dwTotalLength = 0; // bytes of the whole packet, header included
    uint32_t dwPacketType = 0;  // PACKET_*
    uint32_t dwDataType = 0;    // DATATYPE_*
};

using ParamBlock = std::array<uint32_t, 8>; // P0..P7

void EncodeHeader(const PacketHeader& header, uint8_t* pOut /* kHeaderBytes */);
PacketHeader DecodeHeader(const uint8_t* pIn /* kHeaderBytes */);
void EncodeParams(const ParamBlock& params, uint8_t* pOut /* kParamBytes */);
ParamBlock DecodeParams(const uint8_t* pIn /* kParamBytes */);
// Zeroes the login block and copies both texts NUL-terminated, cut to fit their fields.
void EncodeLoginBlock(std::string_view user, std::string_view password,
                      uint8_t* pOut /* kLoginBlockBytes */);

// True when the first min(nBytes, 28) bytes, read as text up to the first NUL, contain
// "DVR PACKET": the test for "these bytes begin a packet".
bool HasPacketMagic(const uint8_t* p, size_t nBytes);
// Offset of the next "DVR PACKET" at or after p, or nBytes when there is none.
size_t FindPacketMagic(const uint8_t* p, size_t nBytes);
// Length of the longest tail of [p, p + nBytes) that is a proper prefix of "DVR PACKET".
size_t MagicPrefixTail(const uint8_t* p, size_t nBytes);

// Protocol version from a login reply's magic: 1 for "DVR PACKET1.0", 2 for "DVR PACKET1.2",
// 3 for any other text containing "DVR PACKET".
uint8_t ProtocolVersionFromMagic(const Magic& magic);

// Date word: year bits 16-31, month bits 8-15, day bits 0-7.
constexpr uint32_t MakeDateWord(int nYear, int nMonth, int nDay)
{
    return (static_cast<uint32_t>(nYear) & 0xFFFFu) << 16 | (static_cast<uint32_t>(nMonth) & 0xFFu) << 8
        | (static_cast<uint32_t>(nDay) & 0xFFu);
}
// Time word: hour bits 24-31, minute 16-23, second 8-15, bits 0-7 zero.
constexpr uint32_t MakeTimeWord(int nHour, int nMinute, int nSecond)
{
    return (static_cast<uint32_t>(nHour) & 0xFFu) << 24 | (static_cast<uint32_t>(nMinute) & 0xFFu) << 16
        | (static_cast<uint32_t>(nSecond) & 0xFFu) << 8;
}

using DateTimeFields = DateTime;

DateTimeFields SplitDateTimeWords(uint32_t dwDate, uint32_t dwTime);

// Seconds value: seconds since 1970-01-01 00:00:00, the moment read as local time.
uint32_t MakeSecondsValue(const DateTimeFields& t);
DateTimeFields SplitSecondsValue(uint32_t dwSeconds);

// Packed event time: second bits 0-5, minute 6-11, hour 12-16, day 17-21, month 22-25,
// year offset from 1996 in bits 26-31.
uint32_t MakeTimeCost(int nYear, int nMonth, int nDay, int nHour, int nMinute, int nSecond);
DateTimeFields SplitTimeCost(uint32_t dwPacked);

// A position in ten-thousandths of a percent as text: 500000 gives "050.0000%".
std::string FormatPosition(uint32_t dwPosition);

} // namespace ostrel::wire
