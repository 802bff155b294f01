// The client's command line on any argument list. Input: arguments separated by NUL bytes.
// Oracle: the decision read off the raw bytes by a text search rather than by walking the list.
// With a NUL put before and after the input, an argument equal to "--help" is exactly a match of
// "\0--help\0", and every NUL starts one argument; so the option that decides is the match that
// starts first among "\0--help\0", "\0-h\0", "\0--version\0" and "\0--\0" (which ends the options).
// Where that says run, a bad --profile may refuse instead; a profile taken is always a good name.
#include "fuzz_support.h"

#include "shell/command_line.h"

#include <string>
#include <string_view>
#include <vector>

using namespace ostrel;
using namespace std::string_view_literals;

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

    const std::string strFramed = std::string(1, '\0') + std::string(input) + '\0';
    struct Pattern {
        std::string_view text;
        CommandLineAction action;
    };
    const Pattern patterns[] = {{"\0--help\0"sv, CommandLineAction::PrintHelp},
                                {"\0-h\0"sv, CommandLineAction::PrintHelp},
                                {"\0--version\0"sv, CommandLineAction::PrintVersion},
                                {"\0--\0"sv, CommandLineAction::Run}};
    CommandLineAction expected = CommandLineAction::Run;
    size_t nFirst = std::string::npos;
    for (const Pattern& pattern : patterns) {
        const size_t nAt = strFramed.find(pattern.text);
        if (nAt < nFirst) {
            nFirst = nAt;
            expected = pattern.action;
        }
    }
    const CommandLine line = DecideCommandLine(args);
    if (expected == CommandLineAction::Run)
        FUZZ_CHECK(line.action == CommandLineAction::Run || line.action == CommandLineAction::Refuse);
    else
        FUZZ_CHECK(line.action == expected);
    FUZZ_CHECK(line.strProfile.empty() || (line.action == CommandLineAction::Run && IsProfileName(line.strProfile)));
    FUZZ_CHECK(line.action != CommandLineAction::Refuse || !line.strError.empty());
    return 0;
}
