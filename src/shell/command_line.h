#pragma once

#include <span>
#include <string>
#include <string_view>

// The client's command line. The program takes its working folder from where it is started;
// from its arguments it answers --help and --version before any window or file exists, and
// takes --profile NAME, which runs an instance of its own: its own settings profile, instance
// lock and backup folder. Every other argument is left alone, as it always was (Qt still reads
// its own options, such as -platform, from the same list).

namespace ostrel {

enum class CommandLineAction {
    Run,          // start the client
    PrintHelp,    // print HelpText() and exit 0
    PrintVersion, // print VersionText() and exit 0
    Refuse,       // print strError on standard error and exit 2; nothing is created
};

struct CommandLine {
    CommandLineAction action = CommandLineAction::Run;
    std::string strProfile; // empty: the default profile
    std::string strError;   // Refuse: what is wrong, one line
};

// The arguments after the program name, as given. The first "--help" / "-h" or "--version" wins,
// also over a bad --profile; "--" ends the options, so what follows it is never taken as one.
// "--profile NAME" or "--profile=NAME", once. Pure: no I/O.
CommandLine DecideCommandLine(std::span<const std::string_view> args);

// 1 to 64 of A-Z a-z 0-9 . _ -, not beginning with '.' or '-': a name that is a file name part on
// every system, never a path, never hidden, never taken for an option.
bool IsProfileName(std::string_view strName);
inline constexpr size_t kMaxProfileNameChars = 64;

// The settings profile's application name: "Ostrel16", or "Ostrel16-NAME" for a profile
// (~/.config/Ostrel/Ostrel16-NAME.conf, $XDG_DATA_HOME/Ostrel/Ostrel16-NAME).
std::string ProfileAppName(std::string_view strProfile);

// "ostrel <version>\n".
std::string VersionText(std::string_view strVersion);
// The usage text, ending in a newline.
std::string HelpText(std::string_view strVersion);

} // namespace ostrel
