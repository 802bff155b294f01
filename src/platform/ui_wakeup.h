#pragma once

#include <functional>
#include <memory>

// A doorbell for the user-interface thread: worker threads ring it when they have results, and
// the owner's handler runs on the user-interface thread, after the handler running there now,
// to collect them. Rings that come while one is pending are one ring, so a stream of results
// costs no allocation and at most one wake-up per turn of the event loop.

namespace ostrel {

class UiWakeup {
public:
    virtual ~UiWakeup() = default;
    // Callable from any thread, also while the handler runs (the handler then runs again).
    virtual void Wake() = 0;
};

class UiWakeupFactory {
public:
    virtual ~UiWakeupFactory() = default;
    // Call on the user-interface thread; fnHandler runs there, never inside Wake. Destroy the
    // wake-up on that thread, after every thread that rings it has stopped.
    virtual std::unique_ptr<UiWakeup> CreateWakeup(std::function<void()> fnHandler) = 0;
};

} // namespace ostrel
