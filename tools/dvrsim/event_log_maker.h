#pragma once

// A plausible recorder event log in the 10-byte record format of "AlarmEvent.am": channel
// (1-based), transition bits, year - 1996, month, day, hour, minute, second, and two bytes the
// client does not read (here a little-endian sequence number). Motion comes and goes often,
// alarm inputs and video loss now and then, each transition followed by its end.

#include "packet_builder.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace ostrel::dvrsim {

constexpr size_t kAlarmEventRecordBytes = 10;

// Transition bits of the events byte.
constexpr uint8_t EVENT_NORMAL_CLOSE = 0x80;
constexpr uint8_t EVENT_NORMAL_OPEN = 0x40;
constexpr uint8_t EVENT_ALARM_ON = 0x20;
constexpr uint8_t EVENT_ALARM_OFF = 0x10;
constexpr uint8_t EVENT_LOSS_ON = 0x08;
constexpr uint8_t EVENT_LOSS_OFF = 0x04;
constexpr uint8_t EVENT_MOTION_ON = 0x02;
constexpr uint8_t EVENT_MOTION_OFF = 0x01;

class CEventLogMaker {
public:
    // Whether a moment (seconds value) was recorded; an event is logged only at such moments,
    // so that playing from any logged event shows pictures.
    using Recorded = std::function<bool(int64_t nSeconds)>;

    // At most nMaxRecords records inside the range, in time order, for channels 1..nChannels;
    // the same seed gives the same log. With recorded set, no record falls where it is false.
    static std::vector<uint8_t> Make(const RecordedRange& range, int nChannels, size_t nMaxRecords, uint32_t dwSeed,
                                     const Recorded& recorded = {});

    // One record for a moment given as a seconds value.
    static void AppendRecord(std::vector<uint8_t>& out, int nChannel, uint8_t byEvents, int64_t nSeconds,
                             uint16_t wSequence);
};

} // namespace ostrel::dvrsim
