#include "fakes/fake_ui_poster.h"

namespace ostrel::test {

namespace {

class SharedFakeUiPoster final : public UiPoster {
public:
    explicit SharedFakeUiPoster(std::shared_ptr<FakeUiPoster::Queue> pQueue) : m_pQueue(std::move(pQueue)) {}
    bool Post(std::function<void()> fnCall) override { return m_pQueue->Post(fnCall); }
    std::shared_ptr<UiPoster> Share() override { return std::make_shared<SharedFakeUiPoster>(m_pQueue); }

private:
    std::shared_ptr<FakeUiPoster::Queue> m_pQueue;
};

} // namespace

bool FakeUiPoster::Queue::Post(std::function<void()>& fnCall)
{
    if (!fnCall)
        return false;
    std::lock_guard<std::mutex> guard(lock);
    if (!bOpen)
        return false;
    calls.push_back(std::move(fnCall));
    return true;
}

FakeUiPoster::FakeUiPoster() : m_pQueue(std::make_shared<Queue>()) {}

FakeUiPoster::~FakeUiPoster()
{
    std::deque<std::function<void()>> dropped;
    std::lock_guard<std::mutex> guard(m_pQueue->lock);
    m_pQueue->bOpen = false;
    dropped.swap(m_pQueue->calls);
}

bool FakeUiPoster::Post(std::function<void()> fnCall)
{
    return m_pQueue->Post(fnCall);
}

std::shared_ptr<UiPoster> FakeUiPoster::Share()
{
    return std::make_shared<SharedFakeUiPoster>(m_pQueue);
}

size_t FakeUiPoster::RunPending(size_t nMax)
{
    // A call may destroy this poster; the queue outlives it here.
    const std::shared_ptr<Queue> pQueue = m_pQueue;
    size_t nRan = 0;
    while (nRan < nMax) {
        std::function<void()> fnCall;
        {
            std::lock_guard<std::mutex> guard(pQueue->lock);
            if (pQueue->calls.empty())
                return nRan;
            fnCall = std::move(pQueue->calls.front());
            pQueue->calls.pop_front();
        }
        fnCall();
        ++nRan;
    }
    return nRan;
}

} // namespace ostrel::test
