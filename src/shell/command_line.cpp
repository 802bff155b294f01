#include "shell/command_line.h"

namespace ostrel {

CommandLineAction DecideCommandLine(std::span<const std::string_view> args)
{
    for (const std::string_view arg : args) {
        if (arg == "--")
            break;
        if (arg == "--help" || arg == "-h")
            return CommandLineAction::PrintHelp;
        if (arg == "--version")
            return CommandLineAction::PrintVersion;
    }
    return CommandLineAction::Run;
}

std::string VersionText(std::string_view strVersion)
{
    std::string str = "ostrel ";
    str += strVersion;
    str += '\n';
    return str;
}

std::string HelpText(std::string_view strVersion)
{
    std::string str = "Usage: ostrel [--help | --version]\n"
                      "Ostrel ";
    str += strVersion;
    str += ", a client for networked digital video recorders.\n"
           "\n"
           "Start it from its working folder: it reads and writes ini/, PTZ/, logo/ and\n"
           "AlarmEvent.am there, and keeps its settings in the user's profile\n"
           "(~/.config/Ostrel/Ostrel16.conf). ostrel-launch starts it in\n"
           "$XDG_DATA_HOME/Ostrel/Ostrel16 (by default ~/.local/share/Ostrel/Ostrel16),\n"
           "which it creates with example PTZ command files and logos on first use.\n"
           "\n"
           "  -h, --help     print this help and exit\n"
           "      --version  print the version and exit\n";
    return str;
}

} // namespace ostrel
