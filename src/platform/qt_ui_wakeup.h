#pragma once

#include "platform/ui_wakeup.h"

namespace ostrel {

// Wake-ups through the Qt event loop of the thread that creates them: on Unix a non-blocking
// pipe watched by a QSocketNotifier (nothing allocated per ring), elsewhere a queued call.
class QtUiWakeupFactory final : public UiWakeupFactory {
public:
    std::unique_ptr<UiWakeup> CreateWakeup(std::function<void()> fnHandler) override;
};

} // namespace ostrel
