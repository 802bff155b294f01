#pragma once

// The texts of the status panel: connection state, clock, positions, PTZ channel.

#include "link/link_view.h"

#include <cstdint>
#include <string>

namespace ostrel {

struct LocalDateTime;

namespace status_text {

// Text of a connection status: ConnectFail adds why the connect failed ("CONNECTION FAIL:
// REFUSED"), TryRequestImage the miss count, ChannelAlarm spells out the alarm. Codes outside
// 0..7 give "".
std::string ConnectStatus(const LinkStatus& status);
// "2005 / 6 / 30"
std::string Date(const LocalDateTime& t);
// "AM 12 : 05 : 09", "PM 11 : 59 : 59": hours 0..12 after AM, 13..23 as 1..11 after PM.
std::string Time(const LocalDateTime& t);
// "R-POS : 012.3456%" and "P-POS : ..." from ten-thousandths of a percent.
std::string RecordPosition(uint32_t dwPosition);
std::string PlayPosition(uint32_t dwPosition);
// "001".."016" for PTZ channel 0..15.
std::string PtzChannel(uint8_t byChannel);

// The archive's texts.
// Nine blanks: what the archive's status line shows when there is nothing to say.
inline constexpr const char* kBlankLine = "         ";
// At the start, when the stored record folder is gone or not writable and the backup folder
// stands in for it.
inline constexpr const char* kRecordFolderUnusable = "RECORD FOLDER UNUSABLE";
inline constexpr const char* kSearching = "SEARCHING";
inline constexpr const char* kUnknownDateTime = "----/--/--  --:--:--";
// "2026/12/06  14:05:09"
std::string ArchiveDateTime(int nYear, int nMonth, int nDay, int nHour, int nMinute, int nSecond);
// "012.3456%" from ten-thousandths of a percent.
std::string ArchivePosition(uint32_t dwPosition);
// "14:05:09" from seconds of the day (0..86399).
std::string TimeOfDay(int nSeconds);
// The archive's line for a connection status: TryReconnect to ChannelAlarm as in the live view,
// but the alarm without blanks ("[CH3][Alarm:1 Loss:0 Motion:0]"); any other code blanks the line.
std::string ArchiveConnectStatus(const LinkStatus& status);

} // namespace status_text
} // namespace ostrel
