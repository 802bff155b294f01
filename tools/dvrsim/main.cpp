// dvrsim: a recorder simulator for Ostrel's demos, integration tests and benchmarks.

#include "contact_sheet.h"
#include "dvr_server.h"
#include "sim_log.h"
#include "sim_options.h"

#include <QDateTime>
#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[])
{
    // Pictures are drawn with QPainter, which needs a GUI application but no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")
        && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("dvrsim"));

    QString strError;
    QString strHelp;
    const auto options = ostrel::dvrsim::ParseSimOptions(QGuiApplication::arguments(), strError, strHelp);
    if (!options) {
        if (!strHelp.isEmpty()) {
            std::fputs(strHelp.toLocal8Bit().constData(), stdout);
            return EXIT_SUCCESS;
        }
        std::fprintf(stderr, "dvrsim: %s (see --help)\n", strError.toLocal8Bit().constData());
        return 2;
    }

    if (!options->strContactSheet.isEmpty()) {
        if (!ostrel::dvrsim::WriteContactSheet(options->strContactSheet, options->format,
                                               QDateTime::currentMSecsSinceEpoch(), strError)) {
            std::fprintf(stderr, "dvrsim: %s\n", strError.toLocal8Bit().constData());
            return EXIT_FAILURE;
        }
        ostrel::dvrsim::SimLog({}, QStringLiteral("contact sheet written to %1").arg(options->strContactSheet));
        return EXIT_SUCCESS;
    }

    ostrel::dvrsim::CDvrServer server(*options);
    if (!server.Listen())
        return EXIT_FAILURE;
    return QGuiApplication::exec();
}
