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

} // namespace

std::string ConnectStatus(uint8_t byCode, uint8_t byMissCount, uint32_t dwAlarmEvent, ConnectFailure failure)
{
    switch (byCode) {
    case 5:
        switch (failure) {
        case ConnectFailure::Refused: return "CONNECTION FAIL: REFUSED";
        case ConnectFailure::Unreachable: return "CONNECTION FAIL: UNREACHABLE";
        case ConnectFailure::TimedOut: return "CONNECTION FAIL: TIMED OUT";
        case ConnectFailure::UnknownHost: return "CONNECTION FAIL: UNKNOWN HOST";
        case ConnectFailure::None:
        case ConnectFailure::Other: return "CONNECTION FAIL:";
        }
        return "CONNECTION FAIL:";
    case 0: return "WAITING FOR CONNECTION.";
    case 1: return "CONNECTION ESTABLISHED.";
    case 2: return "CONNECTING..";
    case 3: return "CHECK ID : ";
    case 4: return "TRY RECONNECTION";
    case 6: return Format("%s %d", "TRY REQUEST IMAGE", static_cast<int>(byMissCount));
    case 7:
        return Format("[CH %d] [Alarm:%d Loss:%d Motion:%d]", static_cast<int>(dwAlarmEvent & 0xFF),
                      static_cast<int>(dwAlarmEvent >> 24), static_cast<int>((dwAlarmEvent >> 16) & 0xFF),
                      static_cast<int>((dwAlarmEvent >> 8) & 0xFF));
    default: return "";
    }
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

std::string ArchiveConnectStatus(uint8_t byCode, uint8_t byMissCount, uint32_t dwAlarmEvent)
{
    switch (byCode) {
    case 4:
    case 5:
    case 6: return ConnectStatus(byCode, byMissCount, dwAlarmEvent);
    case 7:
        return Format("[CH%d][Alarm:%d Loss:%d Motion:%d]", static_cast<int>(dwAlarmEvent & 0xFF),
                      static_cast<int>(dwAlarmEvent >> 24), static_cast<int>((dwAlarmEvent >> 16) & 0xFF),
                      static_cast<int>((dwAlarmEvent >> 8) & 0xFF));
    default: return kBlankLine;
    }
}

} // namespace ostrel::status_text
