#include "shell/command_line.h"

#include <cstdio>

namespace ostrel {

namespace {

constexpr std::string_view kProfileOption = "--profile";

bool IsNameChar(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '_' ||
           c == '-';
}

// The name as it can be shown on one line: control and other bytes as \xNN, at most 40 shown.
std::string Shown(std::string_view strName)
{
    std::string str;
    for (size_t i = 0; i < strName.size() && i < 40; ++i) {
        const auto c = static_cast<unsigned char>(strName[i]);
        if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
            str += static_cast<char>(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            str += hex;
        }
    }
    if (strName.size() > 40)
        str += "...";
    return str;
}

} // namespace

bool IsProfileName(std::string_view strName)
{
    if (strName.empty() || strName.size() > kMaxProfileNameChars || strName[0] == '.' || strName[0] == '-')
        return false;
    for (const char c : strName)
        if (!IsNameChar(c))
            return false;
    return true;
}

std::string ProfileAppName(std::string_view strProfile)
{
    std::string str = "Ostrel16";
    if (!strProfile.empty()) {
        str += '-';
        str += strProfile;
    }
    return str;
}

CommandLine DecideCommandLine(std::span<const std::string_view> args)
{
    CommandLine line;
    bool bProfileGiven = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (arg == "--")
            break;
        if (arg == "--help" || arg == "-h")
            return {CommandLineAction::PrintHelp, {}, {}};
        if (arg == "--version")
            return {CommandLineAction::PrintVersion, {}, {}};
        if (line.action == CommandLineAction::Refuse)
            continue; // a later --help or --version still answers
        std::string_view strName;
        if (arg == kProfileOption) {
            const bool bAsked = i + 1 < args.size() &&
                                (args[i + 1] == "--help" || args[i + 1] == "-h" || args[i + 1] == "--version" ||
                                 args[i + 1] == "--");
            if (i + 1 == args.size() || bAsked) {
                line = {CommandLineAction::Refuse, {}, "ostrel: --profile needs a name"};
                continue;
            }
            strName = args[++i];
        } else if (arg.substr(0, kProfileOption.size() + 1) == "--profile=") {
            strName = arg.substr(kProfileOption.size() + 1);
        } else {
            continue;
        }
        if (bProfileGiven)
            line = {CommandLineAction::Refuse, {}, "ostrel: --profile is given more than once"};
        else if (!IsProfileName(strName))
            line = {CommandLineAction::Refuse, {},
                    "ostrel: \"" + Shown(strName) + "\" is no profile name: use 1 to 64 letters, digits, '.', '_' or "
                    "'-', not beginning with '.' or '-'"};
        else
            line.strProfile = strName;
        bProfileGiven = true;
    }
    return line;
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
    std::string str = "Usage: ostrel [--help | --version] [--profile NAME]\n"
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
           "  -h, --help        print this help and exit\n"
           "      --version     print the version and exit\n"
           "      --profile NAME  run an instance of its own beside the others: settings in\n"
           "                    Ostrel16-NAME.conf, its own lock and backup folder; with\n"
           "                    ostrel-launch also its own working folder Ostrel16-NAME.\n"
           "                    NAME: 1 to 64 letters, digits, '.', '_' or '-'\n";
    return str;
}

} // namespace ostrel
