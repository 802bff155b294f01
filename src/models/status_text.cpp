#include "models/status_text.h"

#include "platform/clock.h"

#include <cstdio>

namespace ostrel::status_text {

namespace {

template <typename... Args>
std::string Format(const char* pszFormat, Args... args)
{
    char text[96];
    std::snprintf(text, sizeof text, pszFormat, args...);
    return text;
}

// "[CH 3] [Alarm:1 Loss:0 Motion:0]", or without the blanks for the archive.
std::string AlarmText(const AlarmWord& alarm, bool bSpaced)
{
    const int nChannel = alarm.byChannel, nAlarm = alarm.byAlarm, nLoss = alarm.byLoss, nMotion = alarm.byMotion;
    if (bSpaced)
        return Format("[CH %d] [Alarm:%d Loss:%d Motion:%d]", nChannel, nAlarm, nLoss, nMotion);
    return Format("[CH%d][Alarm:%d Loss:%d Motion:%d]", nChannel, nAlarm, nLoss, nMotion);
}

} // namespace

std::string ConnectStatus(const LinkStatus& status)
{
    switch (status.code) {
    case StatusCode::ConnectFail:
        switch (status.failure) {
        case ConnectFailure::Refused: return "CONNECTION FAIL: REFUSED";
        case ConnectFailure::Unreachable: return "CONNECTION FAIL: UNREACHABLE";
        case ConnectFailure::TimedOut: return "CONNECTION FAIL: TIMED OUT";
        case ConnectFailure::UnknownHost: return "CONNECTION FAIL: UNKNOWN HOST";
        case ConnectFailure::None:
        case ConnectFailure::Other: return "CONNECTION FAIL:";
        }
        return "CONNECTION FAIL:";
    case StatusCode::Waiting: return "WAITING FOR CONNECTION.";
    case StatusCode::Established: return "CONNECTION ESTABLISHED.";
    case StatusCode::Connecting: return "CONNECTING..";
    case StatusCode::CheckId: return "CHECK ID : ";
    case StatusCode::TryReconnect: return "TRY RECONNECTION";
    case StatusCode::TryRequestImage: return Format("%s %d", "TRY REQUEST IMAGE", static_cast<int>(status.byMissCount));
    case StatusCode::ChannelAlarm: return AlarmText(status.alarm, true);
    }
    return "";
}

std::string Date(const LocalDateTime& t)
{
    return Format("%d / %d / %d", t.nYear, t.nMonth, t.nDay);
}

std::string Time(const LocalDateTime& t)
{
    if (t.nHour < 13)
        return Format("AM %02d : %02d : %02d", t.nHour, t.nMinute, t.nSecond);
    return Format("PM %02d : %02d : %02d", t.nHour - 12, t.nMinute, t.nSecond);
}

std::string RecordPosition(uint32_t dwPosition)
{
    return Format("R-POS : %03u.%.4u%%", dwPosition / 10000u, dwPosition % 10000u);
}

std::string PlayPosition(uint32_t dwPosition)
{
    return Format("P-POS : %03u.%.4u%%", dwPosition / 10000u, dwPosition % 10000u);
}

std::string PtzChannel(uint8_t byChannel)
{
    return Format("%03d", byChannel + 1);
}

std::string ArchiveDateTime(int nYear, int nMonth, int nDay, int nHour, int nMinute, int nSecond)
{
    return Format("%04d/%02d/%02d  %02d:%02d:%02d", nYear, nMonth, nDay, nHour, nMinute, nSecond);
}

std::string ArchivePosition(uint32_t dwPosition)
{
    return Format("%03u.%.04u%%", dwPosition / 10000u, dwPosition % 10000u);
}

std::string TimeOfDay(int nSeconds)
{
    return Format("%02d:%02d:%02d", nSeconds / 3600, nSeconds % 3600 / 60, nSeconds % 60);
}

std::string ArchiveConnectStatus(const LinkStatus& status)
{
    switch (status.code) {
    case StatusCode::TryReconnect:
    case StatusCode::ConnectFail:
    case StatusCode::TryRequestImage: return ConnectStatus(LinkStatus{status.code, status.byMissCount});
    case StatusCode::ChannelAlarm: return AlarmText(status.alarm, false);
    default: return kBlankLine;
    }
}

} // namespace ostrel::status_text
