#pragma once

// The bundled recorder simulator as a child process on a free loopback port, stopped when the
// object goes. The program's path comes from OSTREL_DVRSIM_PATH, set by the build.

#include "fakes/qt_wait.h"

#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdint>

namespace ostrel::test {

class SimulatorProcess {
public:
    // Starts dvrsim with the options and waits until it listens; Port() is 0 when it did not.
    explicit SimulatorProcess(const QStringList& options)
    {
        const QString strPortFile = m_dir.filePath(QStringLiteral("port"));
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QStringLiteral(OSTREL_DVRSIM_PATH),
                        QStringList{"--bind", "127.0.0.1", "--port", "0", "--port-file", strPortFile} + options);
        if (!m_process.waitForStarted(5000))
            return;
        WaitUntil([&] {
            QFile file(strPortFile);
            if (file.open(QIODevice::ReadOnly))
                m_wPort = static_cast<uint16_t>(file.readAll().trimmed().toUInt());
            return m_wPort != 0;
        }, 10000);
    }
    ~SimulatorProcess()
    {
        m_process.terminate();
        if (!m_process.waitForFinished(3000))
            m_process.kill();
        m_process.waitForFinished(3000);
    }
    SimulatorProcess(const SimulatorProcess&) = delete;
    SimulatorProcess& operator=(const SimulatorProcess&) = delete;

    uint16_t Port() const { return m_wPort; }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    uint16_t m_wPort = 0;
};

} // namespace ostrel::test
