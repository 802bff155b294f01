#include "play_timeline.h"

#include <algorithm>
#include <ctime>

namespace ostrel::dvrsim {

namespace {

int64_t FloorDiv(int64_t a, int64_t b)
{
    return a / b - ((a % b != 0 && (a < 0) != (b < 0)) ? 1 : 0);
}

int SecondOfDay(int64_t nSeconds)
{
    const std::time_t t = static_cast<std::time_t>(nSeconds);
    std::tm tmLocal{};
    localtime_r(&t, &tmLocal);
    return tmLocal.tm_hour * 3600 + tmLocal.tm_min * 60 + tmLocal.tm_sec;
}

} // namespace

PlayRequest PlayRequest::FromParams(const uint32_t* pParams)
{
    PlayRequest request;
    request.nChannel = pParams[0] == 0 ? -1 : static_cast<int>(pParams[0]) - 1;
    request.dwStartA = pParams[1];
    request.dwStartB = pParams[2];
    request.byCommand = static_cast<uint8_t>(pParams[3] >> 8);
    request.bySpeed = static_cast<uint8_t>(pParams[3] >> 16);
    request.bReverse = static_cast<uint8_t>(pParams[3] >> 24) == 1;
    return request;
}

bool CPlayTimeline::DecodeStart(uint8_t byVersion, uint32_t dwStartA, uint32_t dwStartB, int64_t& nSeconds)
{
    if (byVersion == 1) {
        nSeconds = dwStartA;
        return true;
    }
    const wire::DateTimeFields t = wire::SplitDateTimeWords(dwStartA, dwStartB);
    if (t.nYear < 1970 || t.nYear > 2105 || t.nMonth < 1 || t.nMonth > 12 || t.nDay < 1 || t.nDay > 31
        || t.nHour > 23 || t.nMinute > 59 || t.nSecond > 59)
        return false;
    const int64_t nValue = wire::MakeSecondsValue(t);
    // mktime normalises 31 February into March: a moment that does not read back is no date.
    if (wire::SplitSecondsValue(static_cast<uint32_t>(nValue)).nDay != t.nDay)
        return false;
    nSeconds = nValue;
    return true;
}

void CPlayTimeline::SetDailyGap(int nFromSecond, int nToSecond)
{
    m_nGapFrom = std::clamp(nFromSecond, 0, 86400);
    m_nGapTo = std::clamp(nToSecond, 0, 86400);
}

bool CPlayTimeline::InGap(int64_t nSeconds) const
{
    if (m_nGapFrom == m_nGapTo)
        return false;
    const int nOfDay = SecondOfDay(nSeconds);
    if (m_nGapFrom < m_nGapTo)
        return nOfDay >= m_nGapFrom && nOfDay < m_nGapTo;
    return nOfDay >= m_nGapFrom || nOfDay < m_nGapTo; // across midnight
}

int CPlayTimeline::SpeedFactor(uint8_t bySpeed)
{
    if (bySpeed <= 1)
        return 1;
    return 1 << std::min(bySpeed, kFastestSpeedByte);
}

uint8_t CPlayTimeline::Start(int64_t nSeconds, uint8_t bySpeed, bool bReverse)
{
    m_bPlaying = false;
    if (nSeconds < m_range.nStart || nSeconds > m_range.nEnd)
        return PLAY_INVALID_DATE;
    if (InGap(nSeconds))
        return PLAY_NO_IMAGE;
    m_nMomentMs = nSeconds * 1000;
    m_nSpeed = SpeedFactor(bySpeed);
    m_bReverse = bReverse;
    m_bPlaying = true;
    return wire::PLAY_IMAGE_FOLLOWS;
}

void CPlayTimeline::Change(uint8_t bySpeed, bool bReverse)
{
    m_nSpeed = SpeedFactor(bySpeed);
    m_bReverse = bReverse;
}

uint8_t CPlayTimeline::Advance(int64_t nRealMs)
{
    if (!m_bPlaying)
        return PLAY_END;
    const int64_t nStep = std::max<int64_t>(0, nRealMs) * m_nSpeed;
    m_nMomentMs += m_bReverse ? -nStep : nStep;

    // Jump over a gap a second at a time; a gap is at most a day long.
    for (int i = 0; i <= 86400 && InGap(MomentSeconds()); ++i)
        m_nMomentMs += m_bReverse ? -1000 : 1000;

    if (m_nMomentMs < m_range.nStart * 1000 || m_nMomentMs > m_range.nEnd * 1000) {
        m_nMomentMs = std::clamp(m_nMomentMs, m_range.nStart * 1000, m_range.nEnd * 1000);
        m_bPlaying = false;
        return PLAY_END;
    }
    return wire::PLAY_IMAGE_FOLLOWS;
}

int64_t CPlayTimeline::MomentSeconds() const
{
    return FloorDiv(m_nMomentMs, 1000);
}

uint32_t CPlayTimeline::Position() const
{
    const int64_t nSpan = (m_range.nEnd - m_range.nStart) * 1000;
    if (nSpan <= 0)
        return 0;
    const int64_t nAt = std::clamp<int64_t>(m_nMomentMs - m_range.nStart * 1000, 0, nSpan);
    return static_cast<uint32_t>(nAt * 1000000 / nSpan);
}

} // namespace ostrel::dvrsim
