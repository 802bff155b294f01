#pragma once

// Shared by the link and simulator tests: requests spelt out byte by byte, so neither side's
// encoder is checked against itself.

#include "fakes/packet_maker.h"

#include <algorithm>
#include <string_view>

namespace ostrel::test {

// The 300-byte login as the client must send it: magic "DVR PACKET1.0", length 300, packet
// type 2, data type 0x1001, the user name from offset 28 and the password from offset 156.
inline std::vector<uint8_t> LoginBytes(std::string_view user, std::string_view password)
{
    std::vector<uint8_t> b = RequestBytes(0x1001, {}, '0');
    b[16] = 0x2C;
    b[17] = 0x01;
    b[20] = 2;
    b.resize(300, 0);
    std::copy(user.begin(), user.end(), b.begin() + 28);
    std::copy(password.begin(), password.end(), b.begin() + 156);
    return b;
}

} // namespace ostrel::test
