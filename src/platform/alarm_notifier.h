#pragma once

#include <string>

// Alarm notices that reach an operator looking at another window. Tests substitute one that
// records them.

namespace ostrel {

struct AlarmNotice {
    int nChannel = 0;        // 1-based, as shown
    std::string strTitle;    // "Camera 3: alarm, motion"
    std::string strRecorder; // the recorder's name, as the operator labelled it
};

class AlarmNotifier {
public:
    virtual ~AlarmNotifier() = default;
    // Returns at once; a notice that cannot be shown as such falls back to a sound.
    virtual void NotifyAlarm(const AlarmNotice& notice) = 0;
};

} // namespace ostrel
