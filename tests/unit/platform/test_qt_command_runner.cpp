// Helper programs run without waiting: outcomes come later from the event loop, output bounded.
#include "platform/qt_command_runner.h"

#include "fakes/qt_wait.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace ostrel;

namespace {

struct Outcome {
    bool bOk = false;
    std::string strOutput;
};

class QtCommandRunnerTest : public ::testing::Test {
protected:
    CommandRunner::DoneFn Record()
    {
        return [this](bool bOk, const std::string& strOutput) { outcomes.push_back({bOk, strOutput}); };
    }
    bool WaitForOutcomes(size_t n)
    {
        return test::WaitUntil([&] { return outcomes.size() >= n; }, 20000);
    }
    void TearDown() override { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    QtCommandRunner runner;
    std::vector<Outcome> outcomes;
};

} // namespace

TEST_F(QtCommandRunnerTest, ReportsOutputAndExitStatusLaterWithinTheOutputLimit)
{
    runner.Start("sh", {"-c", "printf 'Screen 0: current 1280 x 1024\\n'; echo err >&2"}, Record());
    EXPECT_TRUE(outcomes.empty()) << "not from inside Start";
    ASSERT_TRUE(WaitForOutcomes(1));
    EXPECT_TRUE(outcomes[0].bOk);
    EXPECT_EQ("Screen 0: current 1280 x 1024\n", outcomes[0].strOutput) << "standard error is not mixed in";

    // A program that cannot start is reported later too; the next may start from an outcome.
    runner.Start("ostrel-no-such-program", {}, [&](bool bOk, const std::string&) {
        outcomes.push_back({bOk, "none"});
        runner.Start("sh", {"-c", "head -c 1048577 /dev/zero"}, Record()); // a byte over the limit
    });
    EXPECT_EQ(1u, outcomes.size());
    ASSERT_TRUE(WaitForOutcomes(3));
    EXPECT_FALSE(outcomes[1].bOk);
    EXPECT_FALSE(outcomes[2].bOk);
    EXPECT_TRUE(outcomes[2].strOutput.empty());
}

// A cancelled command is never reported, also when its owner is gone by then.
TEST_F(QtCommandRunnerTest, CancelledCommandIsNeverReported)
{
    runner.Start("sh", {"-c", "sleep 30"}, Record());
    runner.Start("sh", {"-c", "echo second"}, Record()); // cancels the first
    runner.Start("sh", {"-c", "echo third"}, Record());
    runner.Cancel();
    runner.Start("sh", {"-c", "echo fourth"}, Record()); // shows the loop has run past the others
    ASSERT_TRUE(WaitForOutcomes(1));
    test::RunEventLoop(0);
    ASSERT_EQ(1u, outcomes.size());
    EXPECT_EQ("fourth\n", outcomes[0].strOutput);
}

// The owner closes in answer to the outcome.
TEST_F(QtCommandRunnerTest, RunnerMayBeDestroyedByTheOutcome)
{
    auto pRunner = std::make_unique<QtCommandRunner>();
    bool bReported = false;
    pRunner->Start("sh", {"-c", "echo bye"}, [&](bool, const std::string&) {
        bReported = true;
        pRunner.reset();
    });
    ASSERT_TRUE(test::WaitUntil([&] { return bReported; }, 20000));
    test::RunEventLoop(0);
    EXPECT_EQ(nullptr, pRunner);
}
