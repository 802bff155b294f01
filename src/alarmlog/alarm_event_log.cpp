#include "alarmlog/alarm_event_log.h"

#include "link/wire_format.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace ostrel {

namespace {

// Bit 7 first: the order in which the texts are joined.
constexpr std::array<const char*, 8> kEventTexts = {
    " Normal Close",      // 0x80
    " Normal Open",       // 0x40
    " Alarm 0 -> 1",      // 0x20
    " Alarm 1 -> 0",      // 0x10
    " No Loss -> Loss",   // 0x08
    " Loss -> No Loss",   // 0x04
    " NoEvent -> Motion", // 0x02
    " Motion -> NoEvent", // 0x01
};

constexpr int kFirstYear = 1996;
constexpr int kLastPackableYearOffset = 63; // six bits of year in the packed time

struct RecordLimits {
    uint8_t byChannel = 16;
    uint8_t byYear = 100;
    uint8_t byMonth = 12;
    uint8_t byDay = 31;
    uint8_t byHour = 24;
    uint8_t byMinute = 59;
    uint8_t bySecond = 59;
};

bool Listable(const uint8_t* r)
{
    constexpr RecordLimits k;
    return r[0] <= k.byChannel && r[2] <= k.byYear && r[3] <= k.byMonth && r[4] <= k.byDay && r[5] <= k.byHour
        && r[6] <= k.byMinute && r[7] <= k.bySecond;
}

} // namespace

std::string AlarmEventLog::EventText(uint8_t byEvents)
{
    if (byEvents == 0)
        return kNoEventText;
    std::string strText;
    for (size_t i = 0; i < kEventTexts.size(); ++i)
        if (byEvents & (0x80u >> i))
            strText += kEventTexts[i];
    return strText;
}

std::string AlarmEventRow::ChannelText() const
{
    return "CH" + std::to_string(byChannel);
}

std::string AlarmEventRow::TypeText() const
{
    return AlarmEventLog::EventText(byEvents);
}

std::string AlarmEventRow::DateTimeText() const
{
    char text[48];
    std::snprintf(text, sizeof text, "[ %04d/%02d/%02d ] %02d:%02d:%02d", kFirstYear + byYear, byMonth, byDay, byHour,
                  byMinute, bySecond);
    return text;
}

bool AlarmEventRow::SameEvent(const AlarmEventRow& other) const
{
    return byChannel == other.byChannel && byEvents == other.byEvents && byYear == other.byYear
        && byMonth == other.byMonth && byDay == other.byDay && byHour == other.byHour && byMinute == other.byMinute
        && bySecond == other.bySecond;
}

std::vector<AlarmEventRow> AlarmEventLog::Parse(const uint8_t* pData, size_t nBytes)
{
    std::vector<AlarmEventRow> rows;
    if (!pData)
        return rows;
    const size_t nRecords = std::min(nBytes / kRecordBytes, kMaxRecords);
    rows.reserve(nRecords);
    for (size_t i = 0; i < nRecords; ++i) {
        const uint8_t* r = pData + i * kRecordBytes;
        if (!Listable(r))
            continue;
        AlarmEventRow& row = rows.emplace_back();
        row.nRecord = static_cast<uint32_t>(i);
        row.byChannel = r[0];
        row.byEvents = r[1];
        row.byYear = r[2];
        row.byMonth = r[3];
        row.byDay = r[4];
        row.byHour = r[5];
        row.byMinute = r[6];
        row.bySecond = r[7];
        row.dwPackedTime = wire::MakeTimeCost(kFirstYear + r[2], r[3], r[4], r[5], r[6], r[7]);
        row.bTimePackable = r[2] <= kLastPackableYearOffset;
    }
    return rows;
}

std::vector<AlarmEventRow> AlarmEventLog::Load(FileStore& rFiles, const std::string& strPath)
{
    std::vector<uint8_t> bytes;
    if (rFiles.ReadAtMost(strPath, kMaxFileBytes, bytes).kind != FileReadResult::Kind::Ok)
        return {};
    return Parse(bytes.data(), bytes.size());
}

int AlarmEventLog::PlayChannelOf(const std::string& strChannelText)
{
    constexpr size_t kMaxTextChars = 32;
    const std::string strText = strChannelText.substr(0, kMaxTextChars);
    if (strText.size() < 3 || strText.compare(0, 2, "CH") != 0)
        return -1;
    unsigned nValue = 0;
    size_t i = 2;
    for (; i < strText.size() && strText[i] >= '0' && strText[i] <= '9'; ++i)
        nValue = (nValue * 10u + static_cast<unsigned>(strText[i] - '0')) & 0xFFu;
    if (i == 2)
        return -1;
    return nValue >= 1 && nValue <= 16 ? static_cast<int>(nValue) - 1 : -1;
}

} // namespace ostrel
