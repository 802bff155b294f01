#include "packet_builder.h"

namespace ostrel::dvrsim {

namespace {

wire::DateTimeFields LocalFields(int64_t nSeconds)
{
    return wire::SplitSecondsValue(static_cast<uint32_t>(nSeconds < 0 ? 0 : nSeconds));
}

} // namespace

CPacketBuilder::CPacketBuilder(std::string_view magic)
    : m_magic(wire::MakeMagic(magic)), m_byVersion(wire::ProtocolVersionFromMagic(m_magic))
{
}

void CPacketBuilder::AppendPacket(std::vector<uint8_t>& out, uint32_t dwDataType, const wire::ParamBlock& params,
                                  const uint8_t* pPayload, size_t nPayload) const
{
    if (pPayload == nullptr)
        nPayload = 0;
    wire::PacketHeader header;
    header.magic = m_magic;
    header.dwTotalLength = static_cast<uint32_t>(wire::kMinPacketBytes + nPayload);
    header.dwPacketType = nPayload > 0 ? wire::PACKET_PAYLOAD : wire::PACKET_PARAMS;
    header.dwDataType = dwDataType;

    const size_t nAt = out.size();
    out.resize(nAt + wire::kMinPacketBytes);
    wire::EncodeHeader(header, out.data() + nAt);
    wire::EncodeParams(params, out.data() + nAt + wire::kHeaderBytes);
    if (nPayload > 0)
        out.insert(out.end(), pPayload, pPayload + nPayload);
}

void CPacketBuilder::PutRange(wire::ParamBlock& params, const RecordedRange& range) const
{
    if (m_byVersion == 1) {
        params[2] = static_cast<uint32_t>(range.nStart);
        params[3] = static_cast<uint32_t>(range.nEnd);
        return;
    }
    const wire::DateTimeFields start = LocalFields(range.nStart);
    const wire::DateTimeFields end = LocalFields(range.nEnd);
    params[2] = wire::MakeDateWord(start.nYear, start.nMonth, start.nDay);
    params[3] = wire::MakeTimeWord(start.nHour, start.nMinute, start.nSecond);
    params[4] = wire::MakeDateWord(end.nYear, end.nMonth, end.nDay);
    params[5] = wire::MakeTimeWord(end.nHour, end.nMinute, end.nSecond);
}

void CPacketBuilder::AppendLoginReply(std::vector<uint8_t>& out, bool bAccepted, uint8_t byModel,
                                      uint8_t byChannelInfo, const RecordedRange& range) const
{
    wire::ParamBlock params{};
    params[0] = bAccepted ? 1u : 0u;
    params[1] = static_cast<uint32_t>(byModel) << 24 | byChannelInfo;
    PutRange(params, range);
    AppendPacket(out, wire::DATATYPE_LOGIN_REPLY, params);
}

void CPacketBuilder::AppendStatusReply(std::vector<uint8_t>& out, const RecordedRange& range) const
{
    wire::ParamBlock params{};
    PutRange(params, range);
    AppendPacket(out, wire::DATATYPE_DVR_STATUS2_REPLY, params);
}

void CPacketBuilder::AppendStopReply(std::vector<uint8_t>& out) const
{
    AppendPacket(out, wire::DATATYPE_STOP_REPLY, wire::ParamBlock{1});
}

void CPacketBuilder::AppendLiveImage(std::vector<uint8_t>& out, int nChannel, uint32_t dwPlayPos,
                                     uint32_t dwRecordPos, uint32_t dwFlags1, uint32_t dwFlags2,
                                     const uint8_t* pJpeg, size_t nJpeg) const
{
    wire::ParamBlock params{};
    params[0] = dwPlayPos;
    params[3] = static_cast<uint32_t>(nChannel + 1);
    params[4] = dwRecordPos;
    params[5] = dwFlags1;
    params[6] = dwFlags2;
    AppendPacket(out, wire::DATATYPE_LIVE_IMAGE, params, pJpeg, nJpeg);
}

void CPacketBuilder::AppendPlayImage(std::vector<uint8_t>& out, int nChannel, int64_t nSeconds,
                                     uint32_t dwPlayPos, const uint8_t* pJpeg, size_t nJpeg) const
{
    wire::ParamBlock params{};
    if (m_byVersion == 1) {
        params[0] = static_cast<uint32_t>(nChannel) & 0xFFu;
        params[1] = static_cast<uint32_t>(nSeconds);
    } else {
        const wire::DateTimeFields t = LocalFields(nSeconds);
        params[0] = (static_cast<uint32_t>(nChannel + 1) & 0xFFu) << 24
            | (static_cast<uint32_t>(t.nYear) & 0xFFFFu) << 8 | (static_cast<uint32_t>(t.nMonth) & 0xFFu);
        params[1] = static_cast<uint32_t>(t.nDay) << 24 | static_cast<uint32_t>(t.nHour) << 16
            | static_cast<uint32_t>(t.nMinute) << 8 | static_cast<uint32_t>(t.nSecond);
    }
    params[3] = wire::PLAY_IMAGE_FOLLOWS;
    params[4] = dwPlayPos;
    AppendPacket(out, wire::DATATYPE_PLAY_IMAGE, params, pJpeg, nJpeg);
}

void CPacketBuilder::AppendPlayStatus(std::vector<uint8_t>& out, uint8_t byCode) const
{
    wire::ParamBlock params{};
    params[3] = byCode;
    AppendPacket(out, wire::DATATYPE_PLAY_IMAGE, params);
}

void CPacketBuilder::AppendEventLog(std::vector<uint8_t>& out, const std::vector<uint8_t>& records) const
{
    AppendPacket(out, wire::DATATYPE_EVENT_LOG, wire::ParamBlock{}, records.data(), records.size());
}

void CPacketBuilder::AppendAlarmEvent(std::vector<uint8_t>& out, int nChannel, bool bMotion, bool bLoss,
                                      bool bAlarm) const
{
    wire::ParamBlock params{};
    params[0] = static_cast<uint32_t>(nChannel) & 0xFFu;
    params[1] = (bMotion ? 1u : 0u) << 8 | (bLoss ? 1u : 0u) << 16 | (bAlarm ? 1u : 0u) << 24;
    AppendPacket(out, wire::DATATYPE_ALARM_EVENT, params);
}

void CPacketBuilder::AppendPtzReply(std::vector<uint8_t>& out) const
{
    AppendPacket(out, wire::DATATYPE_PTZ_DATA_REPLY, wire::ParamBlock{1});
}

} // namespace ostrel::dvrsim
