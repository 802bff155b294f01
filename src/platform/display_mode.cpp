#include "platform/display_mode.h"

#include <QGuiApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

namespace ostrel {

namespace {

// Runs xrandr with the arguments; its output, or nothing when it failed.
bool RunXrandr(const QStringList& arguments, QString* pOutput = nullptr)
{
    QProcess process;
    process.start(QStringLiteral("xrandr"), arguments);
    if (!process.waitForFinished(5000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return false;
    if (pOutput)
        *pOutput = QString::fromLocal8Bit(process.readAllStandardOutput());
    return true;
}

} // namespace

bool XrandrDisplayMode::Available()
{
    return QGuiApplication::platformName() == QLatin1String("xcb")
        && !QStandardPaths::findExecutable(QStringLiteral("xrandr")).isEmpty();
}

bool XrandrDisplayMode::CurrentSize(int& nWidth, int& nHeight)
{
    QString strOutput;
    if (!Available() || !RunXrandr({QStringLiteral("--current")}, &strOutput))
        return false;
    // "Screen 0: minimum 8 x 8, current 1280 x 1024, maximum ..."
    static const QRegularExpression current(QStringLiteral("current (\\d+) x (\\d+)"));
    const QRegularExpressionMatch match = current.match(strOutput);
    if (!match.hasMatch())
        return false;
    nWidth = match.captured(1).toInt();
    nHeight = match.captured(2).toInt();
    return nWidth > 0 && nHeight > 0;
}

void XrandrDisplayMode::EnterSize(int nWidth, int nHeight)
{
    int nCurrentWidth = 0, nCurrentHeight = 0;
    if (!CurrentSize(nCurrentWidth, nCurrentHeight) || (nCurrentWidth == nWidth && nCurrentHeight == nHeight))
        return;
    if (!m_bChanged) {
        m_nSavedWidth = nCurrentWidth;
        m_nSavedHeight = nCurrentHeight;
    }
    m_bChanged = true;
    RunXrandr({QStringLiteral("-s"), QStringLiteral("%1x%2").arg(nWidth).arg(nHeight)});
}

void XrandrDisplayMode::Restore()
{
    if (!m_bChanged)
        return;
    m_bChanged = false;
    if (Available())
        RunXrandr({QStringLiteral("-s"), QStringLiteral("%1x%2").arg(m_nSavedWidth).arg(m_nSavedHeight)});
}

} // namespace ostrel
