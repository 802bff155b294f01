#pragma once

#include <functional>
#include <memory>

// Hands work from any thread to the user-interface thread, as a posted message does: a worker
// thread reports its result, and the result is handled where the widgets live.

namespace ostrel {

class UiPoster {
public:
    virtual ~UiPoster() = default;
    // Queues fnCall to run on the user-interface thread after the handler running there now
    // (never inside this call, also when called from that thread). Calls run in the order they
    // were posted from one thread. Callable from any thread. False, with fnCall dropped unrun,
    // when the poster that runs the calls is gone; calls still queued when it goes are dropped
    // too (destroyed, unrun, on the user-interface thread or on the thread that ends it).
    virtual bool Post(std::function<void()> fnCall) = 0;
    // A poster for threads that may outlive this one: it posts to the same place while this
    // one lives, and drops every call once this one is destroyed. Callable from any thread.
    virtual std::shared_ptr<UiPoster> Share() = 0;
};

} // namespace ostrel
