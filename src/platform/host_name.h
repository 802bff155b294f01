#pragma once

#include <cstddef>
#include <string_view>

namespace ostrel {

// The longest recorder address the program keeps: the address book's values hold 127
// characters, and a host name is seldom half that.
inline constexpr size_t kMaxHostChars = 127;

// What may be connected to: a dotted IPv4 address, an IPv6 address (without brackets), or a
// host name of letters, digits and hyphens in dot-separated labels of 1 to 63 characters that
// neither start nor end with a hyphen, with a last label that is not all digits; at most
// kMaxHostChars in all.
bool IsConnectableHost(std::string_view strHost);

} // namespace ostrel
