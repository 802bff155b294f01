// A signal becomes one call from the event loop; the former disposition returns afterwards.
#include "platform/signal_watcher.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <csignal>

using namespace ostrel;

namespace {

// The pipe is readable once the handler has run; a few passes of the loop deliver it.
void RunLoop()
{
    for (int n = 0; n < 5; ++n)
        QCoreApplication::processEvents();
}

sighandler_t Disposition(int nSignal)
{
    struct sigaction action {};
    sigaction(nSignal, nullptr, &action);
    return action.sa_handler;
}

} // namespace

TEST(SignalWatcher, SignalsBecomeCallsFromTheLoopAndRunsOfThemOneCall)
{
    std::signal(SIGUSR2, SIG_IGN);
    {
        int nCalls = 0;
        SignalWatcher watcher(SIGUSR2, [&] { ++nCalls; });
        ASSERT_TRUE(watcher.IsWatching());
        std::raise(SIGUSR2);
        EXPECT_EQ(0, nCalls) << "nothing is called inside the handler";
        RunLoop();
        EXPECT_EQ(1, nCalls);

        std::raise(SIGUSR2);
        std::raise(SIGUSR2);
        RunLoop();
        EXPECT_EQ(2, nCalls) << "two signals before the loop ran: one call";
        RunLoop();
        EXPECT_EQ(2, nCalls);

        SignalWatcher second(SIGUSR2, [] {});
        EXPECT_FALSE(second.IsWatching()) << "one watcher per signal";
    }
    EXPECT_EQ(SIG_IGN, Disposition(SIGUSR2)) << "the former disposition is back";

    SignalWatcher again(SIGUSR2, [] {});
    EXPECT_TRUE(again.IsWatching()) << "the signal is free again";
    EXPECT_FALSE(SignalWatcher(0, [] {}).IsWatching());
}
