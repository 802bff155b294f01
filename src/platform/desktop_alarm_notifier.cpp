#include "platform/desktop_alarm_notifier.h"

#include <QApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>
#include <QVariantMap>

namespace ostrel {

DesktopAlarmNotifier::DesktopAlarmNotifier(const QDBusConnection& bus, std::function<void()> bell, QObject* pParent)
    : QObject(pParent), m_bus(bus), m_bell(std::move(bell))
{
}

DesktopAlarmNotifier::~DesktopAlarmNotifier() = default;

void DesktopAlarmNotifier::Ring()
{
    if (m_bell)
        m_bell();
    else
        QApplication::beep();
}

uint DesktopAlarmNotifier::ShownId(int nChannel) const
{
    const auto shown = m_shownIds.find(nChannel);
    return shown == m_shownIds.end() ? 0u : shown->second;
}

void DesktopAlarmNotifier::NotifyAlarm(const AlarmNotice& notice)
{
    if (!m_bus.isConnected()) {
        Ring();
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(QString::fromLatin1(kService), QString::fromLatin1(kPath),
                                                       QString::fromLatin1(kInterface), QStringLiteral("Notify"));
    const uint nReplaces = ShownId(notice.nChannel);
    QVariantMap hints;
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue(kUrgencyCritical));
    hints.insert(QStringLiteral("category"), QStringLiteral("device"));
    hints.insert(QStringLiteral("sound-name"), QString::fromLatin1(kSoundName));
    call << QString::fromLatin1(kAppName) << nReplaces << QString::fromLatin1(kIconName)
         << QString::fromStdString(notice.strTitle) << QString::fromStdString(notice.strRecorder) << QStringList()
         << hints << -1;

    auto* pWatcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    const int nChannel = notice.nChannel;
    connect(pWatcher, &QDBusPendingCallWatcher::finished, this, [this, nChannel](QDBusPendingCallWatcher* pDone) {
        const QDBusPendingReply<uint> reply = *pDone;
        if (reply.isError())
            Ring(); // no service on the bus, or it refused
        else
            m_shownIds[nChannel] = reply.value();
        pDone->deleteLater();
    });
}

} // namespace ostrel
