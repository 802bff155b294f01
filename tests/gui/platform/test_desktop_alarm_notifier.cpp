// Desktop alarm notices over a private session bus (a dbus-daemon of the test's own) with a
// stand-in notification service that records each call as the bus delivered it.
#include "platform/desktop_alarm_notifier.h"

#include "fakes/qt_wait.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariantMap>

#include <gtest/gtest.h>

#include <vector>

using namespace ostrel;
using namespace ostrel::test;

namespace {

// Records each call as one line: application, the id it replaces, summary, body, the number of
// actions, urgency, sound and timeout.
class FakeNotificationService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    std::vector<std::string> calls;

public slots:
    uint Notify(const QString& strApp, uint nReplaces, const QString&, const QString& strSummary, const QString& strBody,
                const QStringList& actions, const QVariantMap& hints, int nTimeout)
    {
        calls.push_back(QStringLiteral("%1|%2|%3|%4|%5|%6|%7|%8")
                            .arg(strApp).arg(nReplaces).arg(strSummary, strBody).arg(actions.size())
                            .arg(hints.value(QStringLiteral("urgency")).toInt())
                            .arg(hints.value(QStringLiteral("sound-name")).toString()).arg(nTimeout)
                            .toStdString());
        return 40 + static_cast<uint>(calls.size());
    }
};

// A bus daemon of the test's own, stopped at the end.
class PrivateBus {
public:
    PrivateBus()
    {
        m_daemon.start(QStringLiteral("dbus-daemon"),
                       {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address"),
                        QStringLiteral("--address=unix:path=") + m_dir.filePath(QStringLiteral("bus"))});
        if (!m_daemon.waitForStarted(5000))
            return;
        WaitUntil([this] { return m_daemon.canReadLine(); }, 10000);
        m_strAddress = QString::fromUtf8(m_daemon.readLine()).trimmed();
    }
    ~PrivateBus()
    {
        QDBusConnection::disconnectFromBus(QStringLiteral("service"));
        QDBusConnection::disconnectFromBus(QStringLiteral("client"));
        m_daemon.terminate();
        m_daemon.waitForFinished(3000);
    }
    const QString& Address() const { return m_strAddress; }

private:
    // A socket path has room for 107 bytes; TMPDIR may be long, so the bus lives under /tmp.
    QTemporaryDir m_dir{QStringLiteral("/tmp/ostrel-bus-XXXXXX")};
    QProcess m_daemon;
    QString m_strAddress;
};

} // namespace

TEST(DesktopAlarmNotifier, NotifiesThroughTheServiceAndReplacesAChannelsOlderNotice)
{
    // However long TMPDIR is.
    const QString strLongTmp = QDir::tempPath() + QStringLiteral("/") + QString(100, QLatin1Char('t'));
    ASSERT_TRUE(QDir().mkpath(strLongTmp));
    qputenv("TMPDIR", strLongTmp.toUtf8());
    PrivateBus bus;
    ASSERT_FALSE(bus.Address().isEmpty()) << "dbus-daemon (Debian package dbus-daemon) did not start";
    QDBusConnection service = QDBusConnection::connectToBus(bus.Address(), QStringLiteral("service"));
    QDBusConnection client = QDBusConnection::connectToBus(bus.Address(), QStringLiteral("client"));
    ASSERT_TRUE(service.isConnected() && client.isConnected());
    FakeNotificationService fake;
    ASSERT_TRUE(service.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &fake,
                                       QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(service.registerService(QStringLiteral("org.freedesktop.Notifications")));

    int nBells = 0;
    DesktopAlarmNotifier notifier(client, [&nBells] { ++nBells; });
    notifier.NotifyAlarm(AlarmNotice{3, "Camera 3: alarm, motion", "GATE 2"});
    ASSERT_TRUE(WaitUntil([&] { return fake.calls.size() == 1; }));
    // Critical (urgency 2), with the warning sound, until the operator closes it.
    EXPECT_EQ("Ostrel|0|Camera 3: alarm, motion|GATE 2|0|2|dialog-warning|-1", fake.calls[0]);

    // The service's id of channel 3's notice (41) is replaced by the next one of channel 3;
    // channel 4 gets a notice of its own.
    ASSERT_TRUE(WaitUntil([&] { return notifier.ShownId(3) == 41; })) << "the reply with the id";
    notifier.NotifyAlarm(AlarmNotice{4, "Camera 4: video loss", "GATE 2"});
    notifier.NotifyAlarm(AlarmNotice{3, "Camera 3: alarm", "GATE 2"});
    ASSERT_TRUE(WaitUntil([&] { return fake.calls.size() == 3; }));
    EXPECT_EQ("Ostrel|0|Camera 4: video loss|GATE 2|0|2|dialog-warning|-1", fake.calls[1]);
    EXPECT_EQ("Ostrel|41|Camera 3: alarm|GATE 2|0|2|dialog-warning|-1", fake.calls[2]);
    EXPECT_TRUE(WaitUntil([&] { return notifier.ShownId(4) == 42 && notifier.ShownId(3) == 43; }));
    EXPECT_EQ(0, nBells);

    // No service any more, or no bus at all: the bell instead.
    ASSERT_TRUE(service.unregisterService(QStringLiteral("org.freedesktop.Notifications")));
    notifier.NotifyAlarm(AlarmNotice{1, "Camera 1: alarm", ""});
    EXPECT_TRUE(WaitUntil([&] { return nBells == 1; }));
    EXPECT_EQ(3u, fake.calls.size());
    DesktopAlarmNotifier busless(QDBusConnection(QStringLiteral("no such connection")), [&nBells] { ++nBells; });
    busless.NotifyAlarm(AlarmNotice{2, "Camera 2: motion", "DVR"});
    EXPECT_EQ(2, nBells) << "at once";
}

#include "test_desktop_alarm_notifier.moc"
