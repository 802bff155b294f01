#pragma once

#include <span>
#include <string>
#include <string_view>

// The client's command line. The program takes its working folder from where it is started and
// nothing else from its arguments; only --help and --version are answered, before any window or
// file exists. Every other argument is left alone, as it always was (Qt still reads its own
// options, such as -platform, from the same list).

namespace ostrel {

enum class CommandLineAction {
    Run,         // start the client
    PrintHelp,   // print HelpText() and exit 0
    PrintVersion // print VersionText() and exit 0
};

// The arguments after the program name, as given. The first "--help" / "-h" or "--version" wins;
// "--" ends the options, so what follows it is never taken as one. Pure: no I/O, no allocation.
CommandLineAction DecideCommandLine(std::span<const std::string_view> args);

// "ostrel <version>\n".
std::string VersionText(std::string_view strVersion);
// The usage text, ending in a newline.
std::string HelpText(std::string_view strVersion);

} // namespace ostrel
