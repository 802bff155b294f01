#pragma once

#include "platform/ui_wakeup.h"

#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <vector>

namespace ostrel::test {

// Wake-ups whose handlers run only when the test says so, on the test's thread, so a test
// decides exactly when results that threads produced come back.
class FakeUiWakeupFactory final : public UiWakeupFactory {
public:
    FakeUiWakeupFactory();
    ~FakeUiWakeupFactory() override;
    FakeUiWakeupFactory(const FakeUiWakeupFactory&) = delete;
    FakeUiWakeupFactory& operator=(const FakeUiWakeupFactory&) = delete;

    std::unique_ptr<UiWakeup> CreateWakeup(std::function<void()> fnHandler) override;

    // Runs the handler of every wake-up rung since its handler last ran; how many ran.
    size_t RunRung();
    // Blocks until a wake-up rings that has not run yet. The timeout only keeps a broken
    // test from hanging; false when it passed.
    bool WaitForRing(int nTimeoutMs = 20000);
    // Rings so far, of every wake-up; and a wait until there are more than nSeen.
    uint64_t Rings() const;
    bool WaitForRingAfter(uint64_t nSeen, int nTimeoutMs = 20000);
    // Wake-ups alive.
    size_t Count() const;

    struct Shared;

private:
    std::shared_ptr<Shared> m_pShared;
};

} // namespace ostrel::test
