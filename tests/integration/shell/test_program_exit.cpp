// Every way out of the real program keeps the settings, as EXIT does: a quit signal to the
// program running as a child process (logout's SIGTERM, Ctrl+C, a closed terminal), and the
// window system closing the window. The oracle is the profile file read back: keys that only
// a save writes appear, and what was there stays.
#include "fakes/qt_wait.h"
#include "shell/main_frame.h"
#include "shell/ostrel_app.h"
#include "fakes/recording_notifier.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

using namespace ostrel;

namespace {

constexpr const char* kProfile = "[Setting]\nIp%20Label=SITE-A\n";

void WriteProfile(const QString& strFile)
{
    QDir().mkpath(QFileInfo(strFile).path());
    QFile file(strFile);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(kProfile);
}

// The profile as a save leaves it: the label kept, and the keys a save writes with it.
void ExpectSaved(const QString& strFile)
{
    QFile file(strFile);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    EXPECT_TRUE(text.contains("Ip%20Label=SITE-A")) << text.toStdString();
    EXPECT_TRUE(text.contains("Rotate%20Interval=")) << text.toStdString();
    EXPECT_TRUE(text.contains("Reconnect%20Count=")) << text.toStdString();
}

} // namespace

TEST(ProgramExit, EachQuitSignalEndsTheProgramWithItsSettingsSavedAndStatusZero)
{
    for (const int nSignal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(nSignal);
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        const QString strProfile = dir.filePath(QStringLiteral("config/Ostrel/Ostrel16.conf"));
        WriteProfile(strProfile);
        QDir(dir.path()).mkpath(QStringLiteral("runtime"));
        // A copy in the scratch folder: the program makes its "Backup" folder beside itself.
        const QString strProgram = dir.filePath(QStringLiteral("ostrel"));
        ASSERT_TRUE(QFile::copy(QStringLiteral(OSTREL_PROGRAM_PATH), strProgram));
        ASSERT_TRUE(QFile::setPermissions(strProgram, QFile::permissions(strProgram) | QFileDevice::ExeOwner));
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.filePath(QStringLiteral("runtime")));
        env.insert(QStringLiteral("XDG_CACHE_HOME"), dir.filePath(QStringLiteral("cache")));
        env.insert(QStringLiteral("HOME"), dir.path());
        program.setProcessEnvironment(env);
        program.setWorkingDirectory(dir.path());
        // Ignored until the program watches it, so asking too early cannot end it.
        program.setChildProcessModifier([] { ::signal(SIGUSR1, SIG_IGN); });
        program.start(strProgram, {});
        ASSERT_TRUE(program.waitForStarted(5000));
        // The counter line answers SIGUSR1 from the event loop: the program is up, its signal
        // watchers set.
        QByteArray err;
        const auto pid = static_cast<pid_t>(program.processId());
        ASSERT_GT(pid, 0);
        ASSERT_TRUE(test::WaitUntil([&] {
            ::kill(pid, SIGUSR1);
            program.waitForReadyRead(200);
            err += program.readAllStandardError();
            return err.contains("ostrel counters:");
        }, 20000)) << err.toStdString();
        ::kill(pid, nSignal);
        ASSERT_TRUE(program.waitForFinished(10000));
        EXPECT_EQ(QProcess::NormalExit, program.exitStatus());
        EXPECT_EQ(0, program.exitCode());
        ExpectSaved(strProfile);
    }
}

TEST(ProgramExit, TheWindowSystemsCloseSavesTheSettings)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // The test's own profile folder (tests run with XDG folders of their own).
    const QString strProfile = QDir(qEnvironmentVariable("XDG_CONFIG_HOME")).filePath(QStringLiteral("Ostrel/Ostrel16.conf"));
    WriteProfile(strProfile);
    test::RecordingNotifier notifier;
    const SettingsPlaces places{dir.path().toStdString(), dir.path().toStdString()};
    COstrelApp app(notifier, dir.filePath(QStringLiteral("Ostrel.lock")), places);
    ASSERT_TRUE(app.InitInstance());
    app.GetMainWnd()->close(); // as Alt+F4 or the dock does
    app.ExitInstance();
    ExpectSaved(strProfile);
    QFile::remove(strProfile);
}
