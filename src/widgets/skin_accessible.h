#pragma once

namespace ostrel {

// Makes the skin widgets known to screen readers: a skin button as a button (checkable when it
// toggles, pressed while a momentary one is held) or as an indicator, whose press action is a
// click; the skin slider as a slider with its value. Their names are the windows' to set
// (setAccessibleName). Safe to call more than once; the skin button's constructor calls it.
void InstallSkinAccessibility();

} // namespace ostrel
