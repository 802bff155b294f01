#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Named values of one settings section: text and 32-bit integers, as the user profile keeps
// them. What comes back is untrusted and checked by the caller.

namespace ostrel {

class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // The stored text; nullopt when the value is missing.
    virtual std::optional<std::string> ReadString(std::string_view strName) = 0;
    // The stored integer as a 32-bit value (0..4294967295 read as its two's-complement int);
    // nullopt when the value is missing or is not such an integer.
    virtual std::optional<int32_t> ReadInt(std::string_view strName) = 0;
    virtual void WriteString(std::string_view strName, std::string_view strValue) = 0;
    virtual void WriteInt(std::string_view strName, int32_t nValue) = 0;
    // Makes the writes so far permanent; false when they could not be stored.
    virtual bool Flush() = 0;
};

} // namespace ostrel
