#pragma once

#include "platform/host_name.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The values the "Connections" page offers and checks, without any widget: the lists' entries
// (a setting stores the entry's index), the port and address rules, the PTZ command file of a
// camera type.

namespace ostrel {

inline constexpr std::array<const char*, 6> kPtzTypeNames = {"PELCOD", "PELCOP", "SCC641",
                                                             "HMC250", "HID2404", "DSC_230S"};
inline constexpr std::array<const char*, 6> kRotateIntervalNames = {"01 SEC", "02 SEC", "03 SEC",
                                                                    "04 SEC", "05 SEC", "10 SEC"};
inline constexpr std::array<const char*, 7> kScanRateNames = {"1X", "2X", "4X", "8X", "16X", "32X", "64X"};
inline constexpr std::array<const char*, 5> kReconnectCountNames = {"1", "2", "3", "4", "5"};
// "Avi Codec": how backup files keep their pictures.
inline constexpr std::array<const char*, 3> kAviCodecNames = {"Uncompressed", "Motion JPEG", "MP4 (H.264)"};
inline constexpr std::array<const char*, 13> kRecordIntervalNames = {
    "03SEC", "05SEC", "10SEC", "15SEC", "20SEC", "25SEC", "30SEC",
    "35SEC", "40SEC", "45SEC", "50SEC", "55SEC", "60SEC"};

// Where a typed recorder address stands: Invalid holds a character no address or host name
// has (or is too long), Intermediate may become one by typing more, Acceptable is a dotted
// IPv4 address (no leading zeros, so that no reader takes an octet for octal), an IPv6
// address or a host name (IsConnectableHost).
enum class AddressText { Invalid, Intermediate, Acceptable };
AddressText ClassifyAddressText(std::string_view strText);
inline bool IsRecorderAddress(std::string_view strText)
{
    return ClassifyAddressText(strText) == AddressText::Acceptable;
}

inline constexpr int kMinPort = 1;
inline constexpr int kMaxPort = 65535;
// A TCP port from the port field: decimal digits only (blanks around them allowed), 1 to 65535.
std::optional<int> ParsePort(std::string_view strText);

// The PTZ command file of camera type nType under strWorkDir ("<dir>/PTZ/hmc250.tl" for 3); empty
// for a type outside 0-5.
std::string PtzFilePath(const std::string& strWorkDir, int nType);

} // namespace ostrel
