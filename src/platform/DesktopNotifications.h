#pragma once

#include "platform/Notifications.h"

#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QObject>
#include <QSet>
#include <QStringList>

#include <optional>

class QDBusMessage;

namespace netrova {

// org.freedesktop.Notifications on the session bus. Every call is asynchronous. The service's
// capabilities are asked at the start and whenever it comes back; until it has answered, a
// notification is sent all the same, and one that fails goes to the fallback.
class DesktopNotifications : public QObject, public Notifications {
    Q_OBJECT
public:
    explicit DesktopNotifications(QDBusConnection bus = QDBusConnection::sessionBus());
    bool Available() const override { return available_.value_or(false); }
    void Notify(const std::string& summary, const std::string& body, Urgency urgency,
                bool offerHangUp) override;

private slots:
    void OnActionInvoked(uint id, const QString& action);
    void OnClosed(uint id, uint reason);

private:
    void AskCapabilities();

    QDBusConnection bus_;
    QDBusServiceWatcher watcher_;
    std::optional<bool> available_; // nothing until the service answered or failed
    QStringList capabilities_;
    QSet<uint> offering_; // our notifications with a hang-up button, still open
};

} // namespace netrova
