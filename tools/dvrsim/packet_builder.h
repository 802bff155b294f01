#pragma once

// The recorder's side of the packet format: every reply and notice the simulator sends, built
// byte by byte with the wire helpers. Each builder appends one whole packet to `out`, so a
// caller can reuse one buffer and cut packets apart again by their total length.

#include "link/wire_format.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace ostrel::dvrsim {

// A recorded range in seconds values (local time as the system converts it).
struct RecordedRange {
    int64_t nStart = 0;
    int64_t nEnd = 0;
};

// Play status codes in the low byte of P3 of a play image without a picture.
constexpr uint8_t PLAY_ERROR = 0;
constexpr uint8_t PLAY_NO_IMAGE = 2;
constexpr uint8_t PLAY_END = 3;
constexpr uint8_t PLAY_INVALID_DATE = 4;

class CPacketBuilder {
public:
    // The magic the recorder answers with; it decides the date encodings (version 1 for
    // "DVR PACKET1.0": seconds values; otherwise date and time words).
    explicit CPacketBuilder(std::string_view magic = wire::kMagicV12);

    uint8_t Version() const { return m_byVersion; }
    const wire::Magic& Magic() const { return m_magic; }

    // Any packet: header, parameter block and nPayload bytes (packet type 3 when there is a
    // payload, else 1).
    void AppendPacket(std::vector<uint8_t>& out, uint32_t dwDataType, const wire::ParamBlock& params,
                      const uint8_t* pPayload = nullptr, size_t nPayload = 0) const;

    // P2..P5 of a login or status reply: version 1 start and end seconds values in P2 and P3;
    // otherwise start date, start time, end date, end time.
    void PutRange(wire::ParamBlock& params, const RecordedRange& range) const;

    void AppendLoginReply(std::vector<uint8_t>& out, bool bAccepted, uint8_t byModel,
                          uint8_t byChannelInfo, const RecordedRange& range) const;
    void AppendStatusReply(std::vector<uint8_t>& out, const RecordedRange& range) const;
    void AppendStopReply(std::vector<uint8_t>& out) const;
    // nChannel is 0-based; positions in ten-thousandths of a percent.
    void AppendLiveImage(std::vector<uint8_t>& out, int nChannel, uint32_t dwPlayPos, uint32_t dwRecordPos,
                         uint32_t dwFlags1, uint32_t dwFlags2, const uint8_t* pJpeg, size_t nJpeg) const;
    // nSeconds is the picture's moment as a seconds value; nChannel 0-based.
    void AppendPlayImage(std::vector<uint8_t>& out, int nChannel, int64_t nSeconds, uint32_t dwPlayPos,
                         const uint8_t* pJpeg, size_t nJpeg) const;
    void AppendPlayStatus(std::vector<uint8_t>& out, uint8_t byCode) const;
    void AppendEventLog(std::vector<uint8_t>& out, const std::vector<uint8_t>& records) const;
    // nChannel as shown (1-based); the three flags go to bits 8, 16 and 24 of P1.
    void AppendAlarmEvent(std::vector<uint8_t>& out, int nChannel, bool bMotion, bool bLoss, bool bAlarm) const;
    void AppendPtzReply(std::vector<uint8_t>& out) const;

private:
    wire::Magic m_magic;
    uint8_t m_byVersion;
};

} // namespace ostrel::dvrsim
