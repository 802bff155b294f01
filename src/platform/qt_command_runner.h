#pragma once

#include "platform/command_runner.h"

#include <QPointer>
#include <QProcess>

#include <vector>

namespace ostrel {

// Commands as QProcesses on the calling thread's event loop, reported through their signals.
// Standard input and error are the null device. Destroying the runner kills a running command.
class QtCommandRunner final : public CommandRunner {
public:
    QtCommandRunner() = default;
    ~QtCommandRunner() override;
    QtCommandRunner(const QtCommandRunner&) = delete;
    QtCommandRunner& operator=(const QtCommandRunner&) = delete;

    void Start(const std::string& strProgram, const std::vector<std::string>& args, DoneFn fnDone) override;
    void Cancel() override;
    bool StartDetached(const std::string& strProgram, const std::vector<std::string>& args) override;

private:
    void Finish(bool bOk);

    void Retire(QProcess* pProcess);

    QPointer<QProcess> m_pProcess; // the running command
    // Ended or cancelled commands, deleted later (one may be inside its own signal), or with
    // the runner when no event loop runs any more.
    std::vector<QPointer<QProcess>> m_retired;
    QProcess* m_pReporting = nullptr; // whose signal is reporting its outcome just now
    DoneFn m_fnDone;
    QByteArray m_output;           // at most kMaxOutputBytes
    bool m_bOutputOverflow = false;
};

} // namespace ostrel
