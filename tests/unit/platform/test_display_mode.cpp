// The xrandr display mode: which commands it issues, in which order, for listings written by hand.
#include "fakes/fake_command_runner.h"
#include "platform/display_mode.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>
#include <string>
#include <vector>

using namespace ostrel;
using test::FakeCommandRunner;
using Lines = std::vector<std::string>;

namespace {

// A laptop panel (primary, 1920x1080 at 60.02 Hz) beside a monitor, the way xrandr 1.5 prints it.
const std::string kLaptopAt1920 =
    "Screen 0: minimum 320 x 200, current 4480 x 1440, maximum 16384 x 16384\n"
    "DP-1 connected 2560x1440+1920+0 (normal left inverted right x axis y axis) 597mm x 336mm\n"
    "   2560x1440     59.95*+\n"
    "   1024x768      60.00  \n"
    "eDP-1 connected primary 1920x1080+0+0 (normal left inverted right x axis y axis) 344mm x 194mm\n"
    "   1920x1080     60.02*+  60.01    59.97  \n"
    "   1024x768i     60.00  \n"
    "   1024x768      60.04    60.00  \n"
    "   800x600       60.32  \n";

const std::string kQuery = "xrandr --current";
const std::string kSwitch = "xrandr --output eDP-1 --mode 1024x768";
const std::string kRestore = "xrandr --output eDP-1 --mode 1920x1080 --rate 60.02";

class XrandrDisplayModeTest : public ::testing::Test {
protected:
    FakeCommandRunner runner; // outlives the mode, so the test sees what its end did
    std::unique_ptr<XrandrDisplayMode> mode = std::make_unique<XrandrDisplayMode>(runner, true);
};

} // namespace

TEST_F(XrandrDisplayModeTest, SwitchesThePrimaryOutputAndRestoresItsModeAndRate)
{
    std::vector<bool> answers;
    const auto keep = [&answers](bool bHasSize) { answers.push_back(bHasSize); };
    mode->EnterSize(1024, 768, keep);
    EXPECT_EQ(Lines{kQuery}, runner.started) << "returns at once, with the query under way";
    EXPECT_FALSE(mode->Changed());
    ASSERT_TRUE(runner.Finish(true, kLaptopAt1920));
    EXPECT_EQ((Lines{kQuery, kSwitch}), runner.started) << "the first non-interlaced 1024x768";
    EXPECT_TRUE(answers.empty()) << "answered when the switch is done";
    ASSERT_TRUE(runner.Finish(false)) << "a refused switch still counts as changed";
    EXPECT_TRUE(mode->Changed());
    EXPECT_EQ(std::vector<bool>{false}, answers) << "but the screen does not have the size";

    mode->Restore();
    EXPECT_EQ((Lines{kQuery, kSwitch, kRestore}), runner.started);
    EXPECT_FALSE(mode->Changed());
    ASSERT_TRUE(runner.Finish(true));
    mode->Restore();
    EXPECT_EQ(3u, runner.started.size()) << "nothing of ours left to undo";
    mode->EnterSize(1920, 1080, keep);
    mode->Restore(); // asked while the size is read
    ASSERT_TRUE(runner.Finish(true, kLaptopAt1920));
    EXPECT_EQ(4u, runner.started.size()) << "a screen already at the size is left alone";
    mode->EnterSize(640, 480, keep);
    ASSERT_TRUE(runner.Finish(true, kLaptopAt1920));
    EXPECT_EQ(5u, runner.started.size()) << "no switch where the output lacks the mode";
    EXPECT_EQ((std::vector<bool>{false, true, false}), answers);
    XrandrDisplayMode none(runner, false); // no X display or no xrandr
    none.EnterSize(1024, 768, keep);
    EXPECT_EQ((std::vector<bool>{false, true, false, false}), answers) << "answered at once";
}

// At program end no event loop runs: the running command is stopped and a restore that was
// asked for goes out as a detached process.
TEST(XrandrDisplayModeEnd, RestoreAskedForGoesOutDetached)
{
    struct Row {
        const char* name;
        int nFinished; // answers before the end: the query, then the switch
        bool bRestore;
        int nCancelled;
        Lines detached;
    } rows[] = {
        {"during the switch", 1, true, 1, {kRestore}},
        {"during the restore", 2, true, 1, {kRestore}},
        {"switched, no restore asked for", 2, false, 0, {}},
        {"while the size is still read", 0, true, 1, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        FakeCommandRunner runner;
        auto mode = std::make_unique<XrandrDisplayMode>(runner, true);
        mode->EnterSize(1024, 768, {});
        for (int n = 0; n < row.nFinished; ++n)
            runner.Finish(true, n == 0 ? kLaptopAt1920 : "");
        if (row.bRestore)
            mode->Restore();
        mode.reset();
        EXPECT_EQ(row.nCancelled, runner.nCancelled);
        EXPECT_FALSE(runner.Finish(true, kLaptopAt1920)) << "nothing runs on";
        EXPECT_EQ(row.detached, runner.detached);
    }
}

// A crash while the screen is switched still puts it back: the way back runs as a process of
// its own (here a script standing in for xrandr that writes down its arguments). A crash after
// the way back went out runs nothing.
TEST(XrandrDisplayModeCrash, ACrashWhileSwitchedRunsTheWayBackAndOnlyThen)
{
    namespace fs = std::filesystem;
    std::string strTemplate = (fs::path(::testing::TempDir()) / "crash-XXXXXX").string();
    ASSERT_NE(nullptr, ::mkdtemp(strTemplate.data()));
    const fs::path dir = strTemplate;
    const auto crashIn = [&dir](const char* pName, bool bRestoreFirst) {
        const fs::path script = dir / pName;
        std::ofstream(script) << "#!/bin/sh\necho \"$@\" > " << script.string() << ".tmp && mv "
                              << script.string() << ".tmp " << script.string() << ".args\n";
        fs::permissions(script, fs::perms::owner_all);
        EXPECT_EXIT(
            {
                FakeCommandRunner runner;
                XrandrDisplayMode mode(runner, true, script.string());
                mode.EnterSize(1024, 768, {});
                runner.Finish(true, kLaptopAt1920);
                runner.Finish(true);
                if (bRestoreFirst)
                    mode.Restore();
                std::abort();
            },
            ::testing::KilledBySignal(SIGABRT), "");
        return fs::path(script.string() + ".args");
    };
    const fs::path restored = crashIn("restored", true);
    const fs::path crashed = crashIn("crashed", false);
    for (int n = 0; n < 500 && !fs::exists(crashed); ++n)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::stringstream text;
    text << std::ifstream(crashed).rdbuf();
    EXPECT_EQ("--output eDP-1 --mode 1920x1080 --rate 60.02\n", text.str());
    EXPECT_FALSE(fs::exists(restored));
    fs::remove_all(dir);
}
