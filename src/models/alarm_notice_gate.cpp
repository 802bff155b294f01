#include "models/alarm_notice_gate.h"

namespace ostrel {

std::string AlarmNoticeGate::Title(const AlarmWord& alarm)
{
    std::string strParts;
    const auto add = [&strParts](const char* pszPart) {
        if (!strParts.empty())
            strParts += ", ";
        strParts += pszPart;
    };
    if (alarm.byAlarm)
        add("alarm");
    if (alarm.byLoss)
        add("video loss");
    if (alarm.byMotion)
        add("motion");
    if (strParts.empty())
        return {};
    return "Camera " + std::to_string(alarm.byChannel) + ": " + strParts;
}

std::optional<std::string> AlarmNoticeGate::Admit(const AlarmWord& alarm, int64_t nNowMs)
{
    std::string strTitle = Title(alarm);
    if (strTitle.empty())
        return std::nullopt;
    std::optional<int64_t>& rLast = m_lastNoticeMs[alarm.byChannel];
    if (rLast && nNowMs - *rLast < kQuietMs)
        return std::nullopt;
    rLast = nNowMs;
    return strTitle;
}

} // namespace ostrel
