#include "platform/signal_watcher.h"
#include "shell/command_line.h"
#include "shell/counter_report.h"
#include "shell/error_box_notifier.h"
#include "shell/ostrel_app.h"

#include <QApplication>

#include <csignal>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace {

// --help and --version are answered before the application object exists: no display is
// needed, and no setting or file is touched. 1 when the text could not be written.
int PrintAndExit(const std::string& strText)
{
    const bool bWritten = std::fputs(strText.c_str(), stdout) >= 0;
    return bWritten && std::fflush(stdout) == 0 ? 0 : 1;
}

// A command line that cannot run (a bad profile name): said on stderr, status 2, nothing made.
int RefuseAndExit(const std::string& strError)
{
    std::fprintf(stderr, "%s\n", strError.c_str());
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string_view> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    const ostrel::CommandLine line = ostrel::DecideCommandLine(args);
    switch (line.action) {
    case ostrel::CommandLineAction::PrintHelp:
        return PrintAndExit(ostrel::HelpText(OSTREL_VERSION));
    case ostrel::CommandLineAction::PrintVersion:
        return PrintAndExit(ostrel::VersionText(OSTREL_VERSION));
    case ostrel::CommandLineAction::Refuse:
        return RefuseAndExit(line.strError);
    case ostrel::CommandLineAction::Run:
        break;
    }

    QApplication app(argc, argv);
    ostrel::ErrorBoxNotifier notifier;
    const QString strProfile = QString::fromStdString(line.strProfile);
    ostrel::COstrelApp theApp(notifier, ostrel::InstanceLock::DefaultPath(strProfile));
    theApp.SetProfile(strProfile);
    if (!theApp.InitInstance())
        return theApp.HandedOver() ? 0 : 1; // the running instance came forward
    const ostrel::CounterReport counters(theApp); // SIGUSR1: one counter line on stderr
    // Logout, kill and Ctrl+C end the program as EXIT does: settings kept, files finished.
    std::vector<std::unique_ptr<ostrel::SignalWatcher>> quitWatchers;
    for (const int nSignal : {SIGTERM, SIGINT, SIGHUP})
        quitWatchers.push_back(std::make_unique<ostrel::SignalWatcher>(nSignal, [&theApp] { theApp.Quit(); }));
    const int nResult = QApplication::exec();
    theApp.ExitInstance();
    return nResult;
}
