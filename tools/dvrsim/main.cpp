// dvrsim: a recorder simulator for Ostrel's demos, integration tests and benchmarks.

#include "contact_sheet.h"
#include "dvr_server.h"
#include "sim_log.h"
#include "sim_options.h"

#include <QDateTime>
#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>

namespace {

// Qt's own messages go to the same log, one line each. The notice about XDG_RUNTIME_DIR, which
// every headless start gives, says nothing about the simulator and is left out.
void LogQtMessage(QtMsgType type, const QMessageLogContext&, const QString& strMessage)
{
    if (type == QtDebugMsg || strMessage.contains(QLatin1String("XDG_RUNTIME_DIR")))
        return;
    ostrel::dvrsim::SimLog({}, QStringLiteral("qt: ") + strMessage);
}

} // namespace

int main(int argc, char* argv[])
{
    qInstallMessageHandler(LogQtMessage);
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
