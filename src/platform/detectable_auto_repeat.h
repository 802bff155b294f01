#pragma once

namespace ostrel {

// Asks the X server to send no key releases while a key repeats, only presses (XKB's
// detectable auto-repeat), for this program's connection. True when the server agreed; false
// off X11 or where XKB does not offer it. Call once the application object exists.
bool EnableDetectableAutoRepeat();

} // namespace ostrel
