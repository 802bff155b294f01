#pragma once

#include "link/link_view.h"

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

    // The notice's title for the alarm, when one is due at nNowMs; nothing otherwise. A
    // returned title starts the channel's quiet time.
    std::optional<std::string> Admit(const AlarmWord& alarm, int64_t nNowMs);

    // "Camera 3: alarm, video loss, motion"; the active parts, in that order. Empty when none is.
    static std::string Title(const AlarmWord& alarm);

private:
    std::array<std::optional<int64_t>, 256> m_lastNoticeMs{}; // by channel byte
};

} // namespace ostrel
