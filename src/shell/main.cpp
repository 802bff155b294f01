#include "shell/counter_report.h"
#include "shell/error_box_notifier.h"
#include "shell/ostrel_app.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ostrel::ErrorBoxNotifier notifier;
    ostrel::COstrelApp theApp(notifier);
    if (!theApp.InitInstance())
        return 1;
    const ostrel::CounterReport counters(theApp); // SIGUSR1: one counter line on stderr
    const int nResult = QApplication::exec();
    theApp.ExitInstance();
    return nResult;
}
