// What every UiPoster promises, on the Qt poster (threads, also under ThreadSanitizer) and the fake.
#include "fakes/fake_ui_poster.h"
#include "fakes/qt_wait.h"
#include "platform/qt_ui_poster.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <numeric>
#include <thread>
#include <vector>

using namespace ostrel;

namespace {

class QtUi {
public:
    std::unique_ptr<UiPoster> Make() { return std::make_unique<QtUiPoster>(); }
    bool RunUntil(const std::function<bool()>& pred) { return test::WaitUntil(pred, 20000); }
    void RunQueued() { QCoreApplication::processEvents(); }
};

class FakeUi {
public:
    std::unique_ptr<UiPoster> Make()
    {
        auto pPoster = std::make_unique<test::FakeUiPoster>();
        m_pLive = pPoster.get();
        return pPoster;
    }
    bool RunUntil(const std::function<bool()>& pred)
    {
        // The workers keep posting while the test thread runs their calls: it yields, never sleeps.
        for (long nTurn = 0; nTurn < 100'000'000 && !pred(); ++nTurn) {
            RunQueued();
            std::this_thread::yield();
        }
        return pred();
    }
    void RunQueued()
    {
        if (m_pLive)
            m_pLive->RunPending(10000); // workers may post faster than this runs
    }
    void Forget() { m_pLive = nullptr; } // the test destroyed the poster

private:
    test::FakeUiPoster* m_pLive = nullptr;
};

template <typename Ui>
class UiPosterContract : public ::testing::Test {
protected:
    void Destroy(std::unique_ptr<UiPoster>& pPoster)
    {
        if constexpr (std::is_same_v<Ui, FakeUi>)
            ui.Forget();
        pPoster.reset();
    }
    Ui ui;
};

using Posters = ::testing::Types<QtUi, FakeUi>;
TYPED_TEST_SUITE(UiPosterContract, Posters);

} // namespace

TYPED_TEST(UiPosterContract, CallsFromManyThreadsRunOnTheUiThreadInOrder)
{
    constexpr int kThreads = 4;
    constexpr int kCallsEach = 2000;
    std::unique_ptr<UiPoster> pPoster = this->ui.Make();
    const std::thread::id uiThread = std::this_thread::get_id();
    // Only the UI thread touches these: a race here is what ThreadSanitizer would see.
    std::vector<std::vector<int>> seen(kThreads);
    int nOffThread = 0;
    int nSeen = 0;
    std::atomic<int> nRefused{0};
    std::vector<std::thread> workers;
    for (int t = 0; t < kThreads; ++t) {
        workers.emplace_back([&, t] {
            for (int i = 0; i < kCallsEach; ++i) {
                auto pPayload = std::make_shared<int>(i); // written here, read over there
                nRefused += !pPoster->Post([&, t, pPayload] {
                    nOffThread += std::this_thread::get_id() != uiThread;
                    seen[static_cast<size_t>(t)].push_back(*pPayload);
                    ++nSeen;
                });
            }
        });
    }
    ASSERT_TRUE(this->ui.RunUntil([&] { return nSeen == kThreads * kCallsEach; }));
    for (std::thread& worker : workers)
        worker.join();
    EXPECT_EQ(0, nRefused.load());
    EXPECT_EQ(0, nOffThread);
    std::vector<int> expected(kCallsEach);
    std::iota(expected.begin(), expected.end(), 0);
    for (int t = 0; t < kThreads; ++t)
        EXPECT_EQ(expected, seen[static_cast<size_t>(t)]) << "thread " << t;
}

// As when a window closes during a save: queued calls are destroyed unrun, and a worker posting
// through a shared handle meanwhile is refused safely.
TYPED_TEST(UiPosterContract, DestroyedPosterDropsQueuedCallsAndRefusesAWorkerThatOutlivesIt)
{
    std::unique_ptr<UiPoster> pPoster = this->ui.Make();
    const std::shared_ptr<UiPoster> pShared = pPoster->Share();
    auto pCaptured = std::make_shared<int>(0);
    int nRan = 0;
    ASSERT_TRUE(pPoster->Post([&nRan, pCaptured] { ++nRan; }));
    ASSERT_TRUE(pShared->Post([&nRan, pCaptured] { ++nRan; }));
    this->Destroy(pPoster);
    this->ui.RunQueued();
    EXPECT_EQ(0, nRan);
    EXPECT_EQ(1, pCaptured.use_count()) << "the dropped calls were destroyed, not leaked";
    EXPECT_FALSE(pShared->Share()->Post([&nRan] { ++nRan; }));

    pPoster = this->ui.Make();
    std::shared_ptr<UiPoster> pWorkers = pPoster->Share();
    std::atomic<bool> bStop{false};
    std::atomic<int> nAccepted{0}, nRefused{0};
    std::thread worker([&, pWorkers] {
        while (!bStop.load())
            (pWorkers->Post([&nRan] { ++nRan; }) ? nAccepted : nRefused)++;
    });
    ASSERT_TRUE(this->ui.RunUntil([&] { return nRan >= 100; }));
    this->Destroy(pPoster);
    ASSERT_TRUE(this->ui.RunUntil([&] { return nRefused.load() >= 100; }));
    bStop = true;
    worker.join();
    const int nRanAtDestruction = nRan;
    this->ui.RunQueued();
    EXPECT_LE(nRan, nAccepted.load());
    EXPECT_EQ(nRanAtDestruction, nRan) << "nothing runs after the poster is gone";
}
