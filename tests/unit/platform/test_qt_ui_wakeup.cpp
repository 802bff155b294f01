// The Qt wake-up with real threads (also under ThreadSanitizer): rings from any thread run the
// handler on the user-interface thread, never inside Wake, and no ring is lost.
#include "fakes/qt_wait.h"
#include "platform/qt_ui_wakeup.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

using namespace ostrel;

TEST(QtUiWakeup, RingsFromThreadsRunTheHandlerOnThisThreadAndNoneIsLost)
{
    QtUiWakeupFactory factory;
    const std::thread::id uiThread = std::this_thread::get_id();
    std::atomic<int> nProduced{0};
    int nSeen = 0;       // what the handler has collected, read only here
    int nHandlerRuns = 0;
    bool bOffThread = false;
    std::unique_ptr<UiWakeup> pWakeup = factory.CreateWakeup([&] {
        ++nHandlerRuns;
        bOffThread = bOffThread || std::this_thread::get_id() != uiThread;
        nSeen = nProduced.load();
    });

    pWakeup->Wake();
    EXPECT_EQ(0, nHandlerRuns) << "never inside Wake";
    ASSERT_TRUE(test::WaitUntil([&] { return nHandlerRuns == 1; }, 20000));

    // Two threads produce and ring, round after round, while the handler runs. A lost ring
    // leaves the doorbell dead, and a later round waits in vain.
    constexpr int kRounds = 600;
    constexpr int kEach = 20;
    for (int nRound = 1; nRound <= kRounds; ++nRound) {
        std::vector<std::thread> producers;
        for (int t = 0; t < 2; ++t)
            producers.emplace_back([&] {
                for (int i = 0; i < kEach; ++i) {
                    nProduced.fetch_add(1);
                    pWakeup->Wake();
                }
            });
        const int nExpected = nRound * 2 * kEach;
        const bool bCollected = test::WaitUntil([&] { return nSeen == nExpected; }, 20000);
        for (std::thread& producer : producers)
            producer.join();
        ASSERT_TRUE(bCollected) << "a ring was lost in round " << nRound;
    }
    EXPECT_FALSE(bOffThread);
    EXPECT_LT(nHandlerRuns, kRounds * 2 * kEach) << "rings that come together are one";

    // Destroyed with a ring pending: the handler never runs afterwards.
    const int nRunsBefore = nHandlerRuns;
    pWakeup->Wake();
    pWakeup.reset();
    QCoreApplication::processEvents();
    EXPECT_EQ(nRunsBefore, nHandlerRuns);
}
