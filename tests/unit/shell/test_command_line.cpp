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
    const std::pair<std::vector<std::string_view>, A> rows[] = {
        {{}, A::Run},
        {{"-platform", "offscreen", "--version", "--help"}, A::PrintVersion}, // the first of the two wins
        {{"whatever", "-h"}, A::PrintHelp},
        {{"--", "--help"}, A::Run}, // "--" ends the options
        {{"--vers"}, A::Run},       // no abbreviation
        {{"--help=1"}, A::Run},
        {{"-help"}, A::Run},
        {{std::string_view("--help\0x", 8)}, A::Run},
    };
    for (const auto& [args, expected] : rows)
        EXPECT_EQ(expected, DecideCommandLine(args)) << (args.empty() ? "" : args.back());
    EXPECT_EQ("ostrel 2.10.3\n", VersionText("2.10.3"));
    const std::string strHelp = HelpText("7.8");
    EXPECT_EQ(0u, strHelp.rfind("Usage: ostrel [--help | --version]\n", 0));
    EXPECT_NE(std::string::npos, strHelp.find("  -h, --help "));
    std::istringstream lines(strHelp);
    for (std::string strLine; std::getline(lines, strLine);)
        EXPECT_LE(strLine.size(), 80u) << strLine;
}
