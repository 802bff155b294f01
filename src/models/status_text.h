#pragma once

// The texts of the status panel: connection state, clock, positions, PTZ channel.

#include <cstdint>
#include <string>

namespace ostrel {

struct LocalDateTime;

namespace status_text {

// Text of a connection state code 0..7; 6 adds the miss count, 7 spells out the alarm word
// (channel bits 0-7, motion 8-15, loss 16-23, alarm 24-31). Other codes give "".
std::string ConnectStatus(uint8_t byCode, uint8_t byMissCount, uint32_t dwAlarmEvent);
// "2005 / 6 / 30"
std::string Date(const LocalDateTime& t);
// "AM 12 : 05 : 09", "PM 11 : 59 : 59": hours 0..12 after AM, 13..23 as 1..11 after PM.
std::string Time(const LocalDateTime& t);
// "R-POS : 012.3456%" and "P-POS : ..." from ten-thousandths of a percent.
std::string RecordPosition(uint32_t dwPosition);
std::string PlayPosition(uint32_t dwPosition);
// "001".."016" for PTZ channel 0..15.
std::string PtzChannel(uint8_t byChannel);

} // namespace status_text
} // namespace ostrel
