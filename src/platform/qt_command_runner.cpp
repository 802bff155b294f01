#include "platform/qt_command_runner.h"

#include <QStringList>

namespace ostrel {

namespace {

QStringList ToQt(const std::vector<std::string>& args)
{
    QStringList list;
    list.reserve(static_cast<qsizetype>(args.size()));
    for (const std::string& arg : args)
        list.push_back(QString::fromStdString(arg));
    return list;
}

} // namespace

QtCommandRunner::~QtCommandRunner()
{
    // A running command is killed here; QProcess's destructor reaps the child.
    Cancel();
    for (const QPointer<QProcess>& pProcess : m_retired)
        if (pProcess.data() != m_pReporting) // the runner may go inside the outcome's call
            delete pProcess.data();
}

void QtCommandRunner::Retire(QProcess* pProcess)
{
    pProcess->disconnect();
    pProcess->deleteLater();
    std::erase_if(m_retired, [](const QPointer<QProcess>& p) { return p.isNull(); });
    m_retired.emplace_back(pProcess);
}

void QtCommandRunner::Start(const std::string& strProgram, const std::vector<std::string>& args, DoneFn fnDone)
{
    Cancel();
    m_fnDone = std::move(fnDone);
    m_output.clear();
    m_bOutputOverflow = false;

    QProcess* pProcess = new QProcess;
    m_pProcess = pProcess;
    pProcess->setStandardInputFile(QProcess::nullDevice());
    pProcess->setStandardErrorFile(QProcess::nullDevice());
    QObject::connect(pProcess, &QProcess::readyReadStandardOutput, pProcess, [this, pProcess] {
        const QByteArray chunk = pProcess->readAllStandardOutput();
        if (m_bOutputOverflow)
            return;
        if (static_cast<size_t>(m_output.size() + chunk.size()) > kMaxOutputBytes) {
            m_bOutputOverflow = true;
            m_output.clear();
            pProcess->kill(); // finished follows, reported as a failure
            return;
        }
        m_output.append(chunk);
    });
    QObject::connect(pProcess, &QProcess::finished, pProcess, [this, pProcess](int nExitCode, QProcess::ExitStatus status) {
        if (pProcess != m_pProcess)
            return;
        m_output.append(pProcess->readAllStandardOutput().left(
            static_cast<qsizetype>(kMaxOutputBytes) - m_output.size()));
        Finish(status == QProcess::NormalExit && nExitCode == 0 && !m_bOutputOverflow);
    });
    QObject::connect(pProcess, &QProcess::errorOccurred, pProcess, [this, pProcess](QProcess::ProcessError error) {
        // A program that never started sends no finished signal; every other error does.
        if (pProcess == m_pProcess && error == QProcess::FailedToStart)
            Finish(false);
    });
    pProcess->start(QString::fromStdString(strProgram), ToQt(args), QIODevice::ReadOnly);
}

void QtCommandRunner::Finish(bool bOk)
{
    m_pReporting = nullptr; // an earlier outcome's call has returned by now
    QProcess* pProcess = m_pProcess;
    m_pProcess = nullptr;
    Retire(pProcess);
    DoneFn fnDone = std::move(m_fnDone);
    m_fnDone = nullptr;
    const std::string strOutput = bOk ? m_output.toStdString() : std::string();
    m_output.clear();
    if (!fnDone)
        return;
    // The call may start the next command, or destroy this runner: nothing is touched after.
    m_pReporting = pProcess;
    fnDone(bOk, strOutput);
}

void QtCommandRunner::Cancel()
{
    m_fnDone = nullptr;
    if (!m_pProcess)
        return;
    QProcess* pProcess = m_pProcess;
    m_pProcess = nullptr;
    pProcess->disconnect();
    pProcess->kill(); // reaped when it is deleted
    Retire(pProcess);
}

bool QtCommandRunner::StartDetached(const std::string& strProgram, const std::vector<std::string>& args)
{
    QProcess process;
    process.setProgram(QString::fromStdString(strProgram));
    process.setArguments(ToQt(args));
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    return process.startDetached();
}

} // namespace ostrel
