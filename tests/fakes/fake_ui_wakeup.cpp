#include "fakes/fake_ui_wakeup.h"

#include <algorithm>
#include <chrono>

namespace ostrel::test {

class FakeUiWakeup;

struct FakeUiWakeupFactory::Shared {
    mutable std::mutex lock;
    std::condition_variable rung;
    std::vector<FakeUiWakeup*> alive;
    uint64_t nRings = 0;
};

class FakeUiWakeup final : public UiWakeup {
public:
    FakeUiWakeup(std::shared_ptr<FakeUiWakeupFactory::Shared> pShared, std::function<void()> fnHandler)
        : m_pShared(std::move(pShared)), m_fnHandler(std::move(fnHandler))
    {
        const std::lock_guard<std::mutex> guard(m_pShared->lock);
        m_pShared->alive.push_back(this);
    }
    ~FakeUiWakeup() override
    {
        const std::lock_guard<std::mutex> guard(m_pShared->lock);
        auto& alive = m_pShared->alive;
        alive.erase(std::remove(alive.begin(), alive.end(), this), alive.end());
    }
    FakeUiWakeup(const FakeUiWakeup&) = delete;
    FakeUiWakeup& operator=(const FakeUiWakeup&) = delete;

    void Wake() override
    {
        {
            const std::lock_guard<std::mutex> guard(m_pShared->lock);
            bRung = true;
            ++m_pShared->nRings;
        }
        m_pShared->rung.notify_all();
    }
    void Run() { m_fnHandler(); }

    bool bRung = false; // under the shared lock

private:
    std::shared_ptr<FakeUiWakeupFactory::Shared> m_pShared;
    std::function<void()> m_fnHandler;
};

FakeUiWakeupFactory::FakeUiWakeupFactory() : m_pShared(std::make_shared<Shared>()) {}
FakeUiWakeupFactory::~FakeUiWakeupFactory() = default;

std::unique_ptr<UiWakeup> FakeUiWakeupFactory::CreateWakeup(std::function<void()> fnHandler)
{
    return std::make_unique<FakeUiWakeup>(m_pShared, std::move(fnHandler));
}

size_t FakeUiWakeupFactory::RunRung()
{
    std::vector<FakeUiWakeup*> due;
    {
        const std::lock_guard<std::mutex> guard(m_pShared->lock);
        for (FakeUiWakeup* pWakeup : m_pShared->alive)
            if (pWakeup->bRung) {
                pWakeup->bRung = false;
                due.push_back(pWakeup);
            }
    }
    // Wake-ups are destroyed on this thread only, so the pointers stay good while they run,
    // unless a handler destroys another one; the test's handlers do not.
    for (FakeUiWakeup* pWakeup : due)
        pWakeup->Run();
    return due.size();
}

bool FakeUiWakeupFactory::WaitForRing(int nTimeoutMs)
{
    std::unique_lock<std::mutex> guard(m_pShared->lock);
    return m_pShared->rung.wait_for(guard, std::chrono::milliseconds(nTimeoutMs), [&] {
        return std::any_of(m_pShared->alive.begin(), m_pShared->alive.end(),
                           [](const FakeUiWakeup* p) { return p->bRung; });
    });
}

uint64_t FakeUiWakeupFactory::Rings() const
{
    const std::lock_guard<std::mutex> guard(m_pShared->lock);
    return m_pShared->nRings;
}

bool FakeUiWakeupFactory::WaitForRingAfter(uint64_t nSeen, int nTimeoutMs)
{
    std::unique_lock<std::mutex> guard(m_pShared->lock);
    return m_pShared->rung.wait_for(guard, std::chrono::milliseconds(nTimeoutMs),
                                    [&] { return m_pShared->nRings > nSeen; });
}

size_t FakeUiWakeupFactory::Count() const
{
    const std::lock_guard<std::mutex> guard(m_pShared->lock);
    return m_pShared->alive.size();
}

} // namespace ostrel::test
