#pragma once

#include "platform/ui_poster.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

namespace ostrel::test {

// A user-interface thread that the test drives: posts from any thread queue up, and run on
// the test's thread, in order, when it calls RunPending(). Destroying it drops what is queued.
class FakeUiPoster final : public UiPoster {
public:
    FakeUiPoster();
    ~FakeUiPoster() override;
    FakeUiPoster(const FakeUiPoster&) = delete;
    FakeUiPoster& operator=(const FakeUiPoster&) = delete;

    bool Post(std::function<void()> fnCall) override;
    std::shared_ptr<UiPoster> Share() override;

    // Runs the queued calls, and the calls they post, until none is left or nMax have run;
    // how many ran.
    size_t RunPending(size_t nMax = SIZE_MAX);

    struct Queue {
        mutable std::mutex lock;
        bool bOpen = true;
        std::deque<std::function<void()>> calls;
        bool Post(std::function<void()>& fnCall);
    };

private:
    std::shared_ptr<Queue> m_pQueue;
};

} // namespace ostrel::test
