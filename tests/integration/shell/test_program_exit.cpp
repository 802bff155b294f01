// The real program on the desktop. Every quit signal keeps the settings, as EXIT does, in the
// program running as a child process (logout's SIGTERM, Ctrl+C, a closed terminal; the window
// system's close is test_main_frame's); the oracle is the profile file read back: keys that
// only a save writes appear, and what was there stays. Under a Wayland
// compositor the window carries the launcher's name and goes full screen; the oracle is the
// client's side of the protocol as libwayland logs it.
#include "fakes/qt_wait.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

using namespace ostrel;

namespace {

constexpr const char* kProfile = "[Setting]\nIp%20Label=SITE-A\n";

// The program copied into a scratch folder of its own (it makes its "Backup" folder beside
// itself), with its settings, runtime and cache folders there too.
class ScratchProgram {
public:
    explicit ScratchProgram(const QByteArray& profile = kProfile)
    {
        QDir().mkpath(QFileInfo(ProfilePath()).path());
        QFile file(ProfilePath());
        if (file.open(QIODevice::WriteOnly))
            file.write(profile);
        QDir(m_dir.path()).mkpath(QStringLiteral("runtime"));
        QFile::setPermissions(m_dir.filePath(QStringLiteral("runtime")), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        m_strProgram = m_dir.filePath(QStringLiteral("ostrel"));
        if (QFile::copy(QStringLiteral(OSTREL_PROGRAM_PATH), m_strProgram))
            QFile::setPermissions(m_strProgram, QFile::permissions(m_strProgram) | QFileDevice::ExeOwner);
        m_env = QProcessEnvironment::systemEnvironment();
        m_env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        m_env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.filePath(QStringLiteral("config")));
        m_env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_dir.filePath(QStringLiteral("runtime")));
        m_env.insert(QStringLiteral("XDG_CACHE_HOME"), m_dir.filePath(QStringLiteral("cache")));
        m_env.insert(QStringLiteral("HOME"), m_dir.path());
    }
    QString ProfilePath(const QString& strApp = QStringLiteral("Ostrel16")) const
    {
        return m_dir.filePath(QStringLiteral("config/Ostrel/%1.conf").arg(strApp));
    }
    QString RuntimePath(const QString& strName) const { return m_dir.filePath(QStringLiteral("runtime/") + strName); }
    QProcessEnvironment& Env() { return m_env; }
    bool Start() { return Start(program); }
    bool Start(QProcess& rProgram, const QStringList& args = {})
    {
        rProgram.setProcessEnvironment(m_env);
        rProgram.setWorkingDirectory(m_dir.path());
        // Ignored until the program watches it, so asking too early cannot end it.
        rProgram.setChildProcessModifier([] { ::signal(SIGUSR1, SIG_IGN); });
        rProgram.start(m_strProgram, args);
        return rProgram.waitForStarted(5000);
    }
    // Ends it with nSignal; true when it ended by itself with status 0.
    bool EndWith(int nSignal) { return EndWith(program, nSignal); }
    static bool EndWith(QProcess& rProgram, int nSignal)
    {
        ::kill(static_cast<pid_t>(rProgram.processId()), nSignal);
        return rProgram.waitForFinished(10000) && rProgram.exitStatus() == QProcess::NormalExit &&
               rProgram.exitCode() == 0;
    }
    // True once the program answers SIGUSR1 with its counter line: up, its event loop running.
    static bool WaitUntilUp(QProcess& rProgram)
    {
        QByteArray err;
        const auto pid = static_cast<pid_t>(rProgram.processId());
        return pid > 0 && test::WaitUntil([&] {
            ::kill(pid, SIGUSR1);
            rProgram.waitForReadyRead(200);
            err += rProgram.readAllStandardError();
            return err.contains("ostrel counters:");
        }, 20000);
    }

    QProcess program;

private:
    QTemporaryDir m_dir;
    QString m_strProgram;
    QProcessEnvironment m_env;
};

} // namespace

TEST(ProgramExit, EachQuitSignalEndsTheProgramWithItsSettingsSavedAndStatusZero)
{
    for (const int nSignal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(nSignal);
        ScratchProgram scratch;
        ASSERT_TRUE(scratch.Start());
        ASSERT_TRUE(ScratchProgram::WaitUntilUp(scratch.program));
        EXPECT_TRUE(scratch.EndWith(nSignal));
        // A save keeps the label and writes keys only a save writes.
        QFile file(scratch.ProfilePath());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll();
        for (const char* pszKey : {"Ip%20Label=SITE-A", "Rotate%20Interval=", "Reconnect%20Count="})
            EXPECT_TRUE(text.contains(pszKey)) << text.toStdString();
    }
}

// Two profiles' instances run side by side, each with its own lock and settings, and the default
// profile's settings are never touched. A second start of one instance is the main frame's test.
TEST(ProgramProfiles, TwoProfilesRunSideBySideWithTheirOwnLocksAndSettings)
{
    ScratchProgram scratch;
    QProcess shop, yard;
    ASSERT_TRUE(scratch.Start(shop, {"--profile", "shop"}));
    ASSERT_TRUE(ScratchProgram::WaitUntilUp(shop));
    ASSERT_TRUE(scratch.Start(yard, {"--profile=yard"}));
    ASSERT_TRUE(ScratchProgram::WaitUntilUp(yard)) << "a second profile is not refused";
    EXPECT_TRUE(QFileInfo::exists(scratch.RuntimePath("Ostrel@shop.lock")));
    EXPECT_TRUE(QFileInfo::exists(scratch.RuntimePath("Ostrel@yard.lock")));
    EXPECT_FALSE(QFileInfo::exists(scratch.RuntimePath("Ostrel.lock")));

    EXPECT_TRUE(ScratchProgram::EndWith(shop, SIGTERM));
    EXPECT_TRUE(ScratchProgram::EndWith(yard, SIGTERM));
    for (const char* pszApp : {"Ostrel16-shop", "Ostrel16-yard"}) {
        QFile file(scratch.ProfilePath(QString::fromLatin1(pszApp)));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << pszApp;
        EXPECT_TRUE(file.readAll().contains("Rotate%20Interval=")) << pszApp << ": saved in its own file";
    }
    QFile defaults(scratch.ProfilePath());
    ASSERT_TRUE(defaults.open(QIODevice::ReadOnly));
    EXPECT_EQ(QByteArray(kProfile), defaults.readAll());
}

// Under a headless Weston: the window is mapped with the launcher's app_id, at its own size,
// and with full screen set it asks for full screen and draws the whole output.
TEST(ProgramOnWayland, MapsWithItsAppIdAndFullScreenFillsTheOutput)
{
    QTemporaryDir runtime; // Weston's socket
    ASSERT_TRUE(runtime.isValid());
    QFile::setPermissions(runtime.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QProcess weston;
    weston.setProcessChannelMode(QProcess::MergedChannels);
    weston.start(QStringLiteral("env"), {"XDG_RUNTIME_DIR=" + runtime.path(), "weston", "--backend=headless-backend.so",
                                         "--socket=wayland-ostrel", "--width=1280", "--height=800", "--idle-time=0"});
    ASSERT_TRUE(test::WaitUntil([&] { return QFile::exists(runtime.filePath(QStringLiteral("wayland-ostrel"))); }, 10000))
        << "weston (installed by scripts/bootstrap): " << weston.readAll().toStdString();

    const struct {
        const char* name;
        QByteArray profile;
        std::vector<QByteArray> lines; // in the protocol log, in this order
    } rows[] = {
        {"window", "[Setting]\nUse%20FullScreen=0\n",
         {"set_app_id(\"org.ostrel.Ostrel\")", "create_buffer(new id wl_buffer@", ", 0, 877, 685, 3508, "}},
        {"full screen", "[Setting]\nUse%20FullScreen=1\n",
         {"set_fullscreen(", "set_app_id(\"org.ostrel.Ostrel\")", "configure(1280, 800, ",
          "create_buffer(new id wl_buffer@", ", 0, 1280, 800, 5120, "}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ScratchProgram scratch(row.profile);
        scratch.Env().insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
        scratch.Env().insert(QStringLiteral("WAYLAND_DISPLAY"), runtime.filePath(QStringLiteral("wayland-ostrel")));
        scratch.Env().insert(QStringLiteral("WAYLAND_DEBUG"), QStringLiteral("client"));
        // In the sanitizer build: libwayland-client and Qt's Wayland plugin leave objects at exit.
        scratch.Env().insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0:abort_on_error=1"));
        ASSERT_TRUE(scratch.Start());
        QByteArray log;
        const bool bSeen = test::WaitUntil([&] {
            scratch.program.waitForReadyRead(100);
            log += scratch.program.readAllStandardError();
            qsizetype nFrom = 0;
            for (const QByteArray& line : row.lines)
                if ((nFrom = log.indexOf(line, nFrom)) < 0)
                    return false;
            return true;
        }, 20000);
        EXPECT_TRUE(bSeen) << log.right(4000).toStdString();
        EXPECT_TRUE(scratch.EndWith(SIGTERM));
    }
    weston.terminate();
    weston.waitForFinished(5000);
}
