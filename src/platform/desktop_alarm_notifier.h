#pragma once

#include "platform/alarm_notifier.h"

#include <QDBusConnection>
#include <QObject>

#include <functional>
#include <map>

namespace ostrel {

// Alarm notices as desktop notifications of the freedesktop notification service on the
// session bus, urgent and with the sound of a warning; the X bell where no bus is connected or
// the service does not answer. A newer notice of a channel replaces that channel's older one.
// Use it from the user-interface thread; it never waits for the bus.
class DesktopAlarmNotifier final : public QObject, public AlarmNotifier {
    Q_OBJECT
public:
    static constexpr const char* kService = "org.freedesktop.Notifications";
    static constexpr const char* kPath = "/org/freedesktop/Notifications";
    static constexpr const char* kInterface = "org.freedesktop.Notifications";
    static constexpr const char* kAppName = "Ostrel";
    static constexpr const char* kIconName = "dialog-warning";
    static constexpr const char* kSoundName = "dialog-warning"; // a freedesktop sound theme name
    static constexpr unsigned char kUrgencyCritical = 2;

    // bell rings instead of a notification; by default the application's beep (the X bell).
    explicit DesktopAlarmNotifier(const QDBusConnection& bus = QDBusConnection::sessionBus(),
                                  std::function<void()> bell = {}, QObject* pParent = nullptr);
    ~DesktopAlarmNotifier() override;

    void NotifyAlarm(const AlarmNotice& notice) override;
    // The service's id of the channel's last notification once its reply is in, else 0.
    uint ShownId(int nChannel) const;

private:
    void Ring();

    QDBusConnection m_bus;
    std::function<void()> m_bell;
    std::map<int, uint> m_shownIds; // by channel: the service's id of its last notification
};

} // namespace ostrel
