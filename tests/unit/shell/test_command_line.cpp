// What the command line decides, row by row, and the texts it prints.
#include "shell/command_line.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <string_view>
#include <vector>

using namespace ostrel;

TEST(CommandLine, DecidesFromTheFirstOfItsOwnOptionsAndLeavesTheRestToQt)
{
    using A = CommandLineAction;
    struct Row {
        std::vector<std::string_view> args;
        CommandLineAction expected;
    } rows[] = {
        {{}, A::Run},
        {{"-h"}, A::PrintHelp},
        {{"--version", "--help"}, A::PrintVersion}, // the first of the two wins
        {{"-h", "--version"}, A::PrintHelp},
        {{"-platform", "offscreen", "--version"}, A::PrintVersion},
        {{"whatever", "--help"}, A::PrintHelp},
        {{"-platform", "xcb", "-style", "fusion"}, A::Run},
        {{"--", "--help"}, A::Run}, // "--" ends the options
        {{"--version", "--"}, A::PrintVersion},
        {{"--vers"}, A::Run}, // no abbreviation
        {{"--help=1"}, A::Run},
        {{"--helpful"}, A::Run},
        {{"--HELP"}, A::Run},
        {{"-help"}, A::Run},
        {{"-v"}, A::Run},
        {{std::string_view("--help\0x", 8)}, A::Run},
        {{""}, A::Run},
    };
    for (const Row& row : rows) {
        std::string strArgs;
        for (std::string_view arg : row.args)
            strArgs += "[" + std::string(arg) + "]";
        EXPECT_EQ(row.expected, DecideCommandLine(row.args)) << strArgs;
    }
}

TEST(CommandLine, VersionAndHelpTexts)
{
    EXPECT_EQ("ostrel 2.10.3\n", VersionText("2.10.3"));
    const std::string strHelp = HelpText("7.8");
    EXPECT_EQ(0u, strHelp.rfind("Usage: ostrel [--help | --version]\n", 0));
    EXPECT_NE(std::string::npos, strHelp.find("Ostrel 7.8,"));
    EXPECT_NE(std::string::npos, strHelp.find("  -h, --help "));
    EXPECT_NE(std::string::npos, strHelp.find("      --version "));
    ASSERT_FALSE(strHelp.empty());
    EXPECT_EQ('\n', strHelp.back());
    std::istringstream lines(strHelp);
    for (std::string strLine; std::getline(lines, strLine);)
        EXPECT_LE(strLine.size(), 80u) << strLine;
}
