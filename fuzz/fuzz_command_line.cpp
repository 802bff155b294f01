// The client's command line on any argument list. Input: arguments separated by NUL bytes.
// Oracle: the decision worked out here from the documented rule (the first "--help" / "-h" or
// "--version" before any "--" wins, everything else is left alone), and the texts it leads to.
#include "fuzz_support.h"

#include "shell/command_line.h"

#include <string_view>
#include <vector>

using namespace ostrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    const std::string_view input(reinterpret_cast<const char*>(pData), nSize);
    std::vector<std::string_view> args;
    size_t nStart = 0;
    for (size_t i = 0; i <= input.size(); ++i)
        if (i == input.size() || input[i] == '\0') {
            args.push_back(input.substr(nStart, i - nStart));
            nStart = i + 1;
        }

    CommandLineAction expected = CommandLineAction::Run;
    for (std::string_view arg : args) {
        if (arg == "--")
            break;
        if (arg == "--help" || arg == "-h") {
            expected = CommandLineAction::PrintHelp;
            break;
        }
        if (arg == "--version") {
            expected = CommandLineAction::PrintVersion;
            break;
        }
    }
    FUZZ_CHECK(DecideCommandLine(args) == expected);
    FUZZ_CHECK(VersionText("0.1") == "ostrel 0.1\n");
    const std::string strHelp = HelpText("0.1");
    FUZZ_CHECK(!strHelp.empty() && strHelp.back() == '\n');
    return 0;
}
