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
        A action;
        std::string strProfile;
    };
    const std::string_view withZero("--help\0x", 8);
    const std::string strLong(65, 'a');
    const Row rows[] = {
        {{}, A::Run, ""},
        {{"-platform", "offscreen", "--version", "--help"}, A::PrintVersion, ""}, // the first of the two wins
        {{"whatever", "-h"}, A::PrintHelp, ""},
        {{"--", "--help"}, A::Run, ""}, // "--" ends the options
        {{"--vers"}, A::Run, ""},       // no abbreviation
        {{"--help=1"}, A::Run, ""},
        {{"-help"}, A::Run, ""},
        {{withZero}, A::Run, ""},
        {{"--profile", "shop-2", "-platform", "xcb"}, A::Run, "shop-2"},
        {{"--profile=Yard_1.b"}, A::Run, "Yard_1.b"},
        {{"--profile", "--help"}, A::PrintHelp, ""}, // a help request is never taken as a name
        {{"--profile", "..", "--version"}, A::PrintVersion, ""},
        {{"--", "--profile", ".."}, A::Run, ""},
        {{"--profile"}, A::Refuse, ""},
        {{"--profile", "a", "--profile=b"}, A::Refuse, ""},
        {{"--profile="}, A::Refuse, ""},
        {{"--profile", std::string_view(strLong)}, A::Refuse, ""},
        {{"--profile", std::string_view(strLong).substr(1)}, A::Run, strLong.substr(1)}, // 64 is the most
    };
    for (const Row& row : rows) {
        const CommandLine line = DecideCommandLine(row.args);
        EXPECT_EQ(row.action, line.action) << (row.args.empty() ? "" : row.args.back());
        EXPECT_EQ(row.strProfile, line.strProfile);
    }
    // Names that could leave the profile's folder, hide, pass for an option or break a line.
    for (const std::string_view bad : {"..", ".", ".hidden", "a/b", "/etc", "-x", "a b", "tab\there", "new\nline",
                                       "na\x7Fme", "caf\xC3\xA9", "a@b"})
        EXPECT_FALSE(IsProfileName(bad)) << bad;
    const std::string_view nul("a\0b", 3);
    EXPECT_FALSE(IsProfileName(nul));
    EXPECT_EQ("ostrel: \"new\\x0Aline\" is no profile name: use 1 to 64 letters, digits, '.', '_' or '-', not "
              "beginning with '.' or '-'",
              DecideCommandLine(std::vector<std::string_view>{"--profile", "new\nline"}).strError);
    EXPECT_EQ("Ostrel16", ProfileAppName(""));
    EXPECT_EQ("Ostrel16-shop-2", ProfileAppName("shop-2"));

    EXPECT_EQ("ostrel 2.10.3\n", VersionText("2.10.3"));
    const std::string strHelp = HelpText("7.8");
    EXPECT_EQ(0u, strHelp.rfind("Usage: ostrel [--help | --version] [--profile NAME]\n", 0));
    EXPECT_NE(std::string::npos, strHelp.find("  -h, --help "));
    std::istringstream lines(strHelp);
    for (std::string strLine; std::getline(lines, strLine);)
        EXPECT_LE(strLine.size(), 80u) << strLine;
}
