// What the command line decides, row by row, and the texts it prints.
#include "shell/command_line.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <string_view>
#include <vector>

using namespace ostrel;

namespace {

struct Row {
    const char* pszName;
    std::vector<std::string_view> args;
    CommandLineAction expected;
};

class CommandLineDecision : public testing::TestWithParam<Row> {};

TEST_P(CommandLineDecision, Decides)
{
    const Row& row = GetParam();
    EXPECT_EQ(DecideCommandLine(row.args), row.expected);
}

using A = CommandLineAction;
INSTANTIATE_TEST_SUITE_P(
    Rows, CommandLineDecision,
    testing::Values(
        Row{"NoArgumentsRun", {}, A::Run},
        Row{"HelpPrintsHelp", {"--help"}, A::PrintHelp},
        Row{"ShortHelpPrintsHelp", {"-h"}, A::PrintHelp},
        Row{"VersionPrintsVersion", {"--version"}, A::PrintVersion},
        Row{"FirstOfTheTwoWinsVersion", {"--version", "--help"}, A::PrintVersion},
        Row{"FirstOfTheTwoWinsHelp", {"-h", "--version"}, A::PrintHelp},
        Row{"AfterQtOptionsStillAnswered", {"-platform", "offscreen", "--version"}, A::PrintVersion},
        Row{"AfterUnknownArgumentStillAnswered", {"whatever", "--help"}, A::PrintHelp},
        Row{"UnknownOptionIgnored", {"--fullscreen"}, A::Run},
        Row{"QtOptionsLeftToQt", {"-platform", "xcb", "-style", "fusion"}, A::Run},
        Row{"DoubleDashEndsOptions", {"--", "--help"}, A::Run},
        Row{"DoubleDashAfterVersion", {"--version", "--"}, A::PrintVersion},
        Row{"NoAbbreviation", {"--vers"}, A::Run},
        Row{"NoValueAttached", {"--help=1"}, A::Run},
        Row{"LongerNameIsAnother", {"--helpful"}, A::Run},
        Row{"CaseMatters", {"--HELP"}, A::Run},
        Row{"SingleDashLongIsNotHelp", {"-help"}, A::Run},
        Row{"ShortVersionIsNotTaken", {"-v"}, A::Run},
        Row{"EmbeddedZeroIsAnotherWord", {std::string_view("--help\0x", 8)}, A::Run},
        Row{"EmptyArgumentIgnored", {""}, A::Run}),
    [](const testing::TestParamInfo<Row>& rowInfo) { return std::string(rowInfo.param.pszName); });

TEST(CommandLineTexts, VersionIsNameAndVersionOnOneLine)
{
    EXPECT_EQ(VersionText("0.1"), "ostrel 0.1\n");
    EXPECT_EQ(VersionText("2.10.3"), "ostrel 2.10.3\n");
}

TEST(CommandLineTexts, HelpNamesTheOptionsAndFitsATerminal)
{
    const std::string strHelp = HelpText("7.8");
    EXPECT_EQ(strHelp.rfind("Usage: ostrel [--help | --version]\n", 0), 0u);
    EXPECT_NE(strHelp.find("Ostrel 7.8,"), std::string::npos);
    EXPECT_NE(strHelp.find("  -h, --help "), std::string::npos);
    EXPECT_NE(strHelp.find("      --version "), std::string::npos);
    ASSERT_FALSE(strHelp.empty());
    EXPECT_EQ(strHelp.back(), '\n');
    std::istringstream lines(strHelp);
    for (std::string strLine; std::getline(lines, strLine);)
        EXPECT_LE(strLine.size(), 80u) << strLine;
}

} // namespace
