#pragma once

#include "models/key_commands.h"

#include <cstdint>
#include <optional>

class QKeyEvent;

namespace ostrel {

// The key of a key event as the key tables know it. Keypad keys count as the main ones and
// AltGr (group switch) is ignored, so '[' typed through a layout's third level still counts;
// Shift counts for named keys only. Keys no table knows and chords with Alt or Meta give none.
std::optional<KeyStroke> ToKeyStroke(const QKeyEvent& event);

// The physical key where the window system tells it, else the key's meaning: '+' typed with
// Shift may come up as '=' when Shift is let go first, but on the same key. 0 for neither.
uint32_t KeyId(const QKeyEvent& event);

} // namespace ostrel
