#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace ostrel {

// Which alarm words become desktop notices: at most one per channel in any ten seconds, so a
// flapping input cannot flood the desktop, and none for a word that reports nothing active.
// Time is the caller's monotonic tick; nothing here reads a clock.
class AlarmNoticeGate {
public:
    static constexpr int64_t kQuietMs = 10000;

    // The notice's title for the alarm word (channel bits 0-7, motion 8-15, loss 16-23, alarm
    // 24-31), when one is due at nNowMs; nothing otherwise. A returned title starts the
    // channel's quiet time.
    std::optional<std::string> Admit(uint32_t dwAlarmEvent, int64_t nNowMs);

    // "Camera 3: alarm, video loss, motion"; the parts present in the word, in that order.
    // Empty when none is active.
    static std::string Title(uint32_t dwAlarmEvent);

private:
    std::array<std::optional<int64_t>, 256> m_lastNoticeMs{}; // by channel byte
};

} // namespace ostrel
