#include "event_log_maker.h"

#include <algorithm>
#include <random>

namespace ostrel::dvrsim {

namespace {

struct Event {
    int64_t nSeconds;
    int nChannel;
    uint8_t byEvents;
};

} // namespace

void CEventLogMaker::AppendRecord(std::vector<uint8_t>& out, int nChannel, uint8_t byEvents, int64_t nSeconds,
                                  uint16_t wSequence)
{
    const wire::DateTimeFields t = wire::SplitSecondsValue(static_cast<uint32_t>(std::max<int64_t>(0, nSeconds)));
    const uint8_t record[kAlarmEventRecordBytes] = {
        static_cast<uint8_t>(nChannel), byEvents, static_cast<uint8_t>(t.nYear - 1996),
        static_cast<uint8_t>(t.nMonth), static_cast<uint8_t>(t.nDay), static_cast<uint8_t>(t.nHour),
        static_cast<uint8_t>(t.nMinute), static_cast<uint8_t>(t.nSecond),
        static_cast<uint8_t>(wSequence), static_cast<uint8_t>(wSequence >> 8)};
    out.insert(out.end(), record, record + kAlarmEventRecordBytes);
}

std::vector<uint8_t> CEventLogMaker::Make(const RecordedRange& range, int nChannels, size_t nMaxRecords,
                                          uint32_t dwSeed, const Recorded& recorded)
{
    constexpr int kPlacingTries = 64; // a moment outside every gap, drawn again this often at most
    const auto isRecorded = [&recorded](int64_t nSeconds) { return !recorded || recorded(nSeconds); };
    std::vector<uint8_t> out;
    const int64_t nSpan = range.nEnd - range.nStart;
    if (nSpan <= 0 || nChannels <= 0 || nMaxRecords == 0)
        return out;

    std::mt19937 random(dwSeed);
    const auto uniform = [&random](int64_t nFrom, int64_t nTo) {
        return std::uniform_int_distribution<int64_t>(nFrom, nTo)(random);
    };

    // Pairs of transitions: the start and, a little later, its end.
    std::vector<Event> events;
    const size_t nPairs = (nMaxRecords + 1) / 2;
    for (size_t i = 0; i < nPairs; ++i) {
        const int nChannel = static_cast<int>(uniform(1, nChannels));
        int64_t nAt = range.nStart + uniform(0, nSpan);
        for (int nTry = 1; nTry < kPlacingTries && !isRecorded(nAt); ++nTry)
            nAt = range.nStart + uniform(0, nSpan);
        if (!isRecorded(nAt))
            continue;
        const int64_t nKind = uniform(0, 99);
        uint8_t byOn = EVENT_MOTION_ON;
        uint8_t byOff = EVENT_MOTION_OFF;
        int64_t nLasting = uniform(4, 180);
        if (nKind >= 95) {
            byOn = EVENT_LOSS_ON | EVENT_ALARM_ON; // a camera pulled off its mount
            byOff = EVENT_LOSS_OFF | EVENT_ALARM_OFF;
            nLasting = uniform(60, 3600);
        } else if (nKind >= 85) {
            byOn = EVENT_LOSS_ON;
            byOff = EVENT_LOSS_OFF;
            nLasting = uniform(2, 900);
        } else if (nKind >= 75) {
            byOn = EVENT_ALARM_ON | EVENT_NORMAL_OPEN;
            byOff = EVENT_ALARM_OFF | EVENT_NORMAL_CLOSE;
            nLasting = uniform(1, 120);
        }
        events.push_back({nAt, nChannel, byOn});
        // An end that falls into a gap is not logged: nothing was recorded to see it.
        if (nAt + nLasting <= range.nEnd && isRecorded(nAt + nLasting))
            events.push_back({nAt + nLasting, nChannel, byOff});
    }
    std::stable_sort(events.begin(), events.end(),
                     [](const Event& a, const Event& b) { return a.nSeconds < b.nSeconds; });
    if (events.size() > nMaxRecords)
        events.resize(nMaxRecords);

    out.reserve(events.size() * kAlarmEventRecordBytes);
    uint16_t wSequence = 0;
    for (const Event& e : events)
        AppendRecord(out, e.nChannel, e.byEvents, e.nSeconds, wSequence++);
    return out;
}

} // namespace ostrel::dvrsim
