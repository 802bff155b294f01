#include "models/alarm_notice_gate.h"

namespace ostrel {

std::string AlarmNoticeGate::Title(uint32_t dwAlarmEvent)
{
    const uint32_t dwChannel = dwAlarmEvent & 0xFFu;
    std::string strParts;
    const auto add = [&strParts](const char* pszPart) {
        if (!strParts.empty())
            strParts += ", ";
        strParts += pszPart;
    };
    if ((dwAlarmEvent >> 24) & 0xFFu)
        add("alarm");
    if ((dwAlarmEvent >> 16) & 0xFFu)
        add("video loss");
    if ((dwAlarmEvent >> 8) & 0xFFu)
        add("motion");
    if (strParts.empty())
        return {};
    return "Camera " + std::to_string(dwChannel) + ": " + strParts;
}

std::optional<std::string> AlarmNoticeGate::Admit(uint32_t dwAlarmEvent, int64_t nNowMs)
{
    std::string strTitle = Title(dwAlarmEvent);
    if (strTitle.empty())
        return std::nullopt;
    std::optional<int64_t>& rLast = m_lastNoticeMs[dwAlarmEvent & 0xFFu];
    if (rLast && nNowMs - *rLast < kQuietMs)
        return std::nullopt;
    rLast = nNowMs;
    return strTitle;
}

} // namespace ostrel
