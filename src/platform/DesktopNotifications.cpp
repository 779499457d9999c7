#include "platform/DesktopNotifications.h"

#include "common/Log.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QVariantMap>

namespace netrova {

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
const QString kHangUpAction = QStringLiteral("hangup");
constexpr int kCallTimeoutMs = 5000;

QDBusMessage Call(const QString& method) {
    return QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
}

} // namespace

DesktopNotifications::DesktopNotifications(QDBusConnection bus)
    : bus_(std::move(bus)), watcher_(kService, bus_,
                                     QDBusServiceWatcher::WatchForRegistration |
                                         QDBusServiceWatcher::WatchForUnregistration) {
    if (!bus_.isConnected()) {
        available_ = false;
        return;
    }
    bus_.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                 SLOT(OnActionInvoked(uint, QString)));
    bus_.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                 SLOT(OnClosed(uint, uint)));
    // A service that left may be started again by the bus on the next call.
    connect(&watcher_, &QDBusServiceWatcher::serviceRegistered, this,
            [this] { AskCapabilities(); });
    connect(&watcher_, &QDBusServiceWatcher::serviceUnregistered, this, [this] {
        offering_.clear();
        AskCapabilities();
    });
    AskCapabilities();
}

void DesktopNotifications::AskCapabilities() {
    auto* pending = new QDBusPendingCallWatcher(
        bus_.asyncCall(Call(QStringLiteral("GetCapabilities")), kCallTimeoutMs), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this, [this, pending] {
        pending->deleteLater();
        const QDBusMessage reply = pending->reply();
        available_ = reply.type() == QDBusMessage::ReplyMessage;
        capabilities_ =
            available_.value() ? reply.arguments().value(0).toStringList() : QStringList();
        if (!available_.value())
            qCInfo(lcApp) << "No desktop notifications:" << reply.errorMessage();
    });
}

void DesktopNotifications::Notify(const std::string& summary, const std::string& body,
                                  Urgency urgency, bool offerHangUp) {
    if (!bus_.isConnected() || available_ == false) {
        FallBack(summary, body, urgency, offerHangUp);
        AskCapabilities();
        return;
    }
    const bool button = offerHangUp && capabilities_.contains(QStringLiteral("actions"));
    QDBusMessage call = Call(QStringLiteral("Notify"));
    const QVariantMap hints{
        {QStringLiteral("urgency"),
         QVariant::fromValue(uchar(urgency == Urgency::Critical ? 2 : 1))},
        {QStringLiteral("desktop-entry"), QStringLiteral("org.netrova.Netrova")}};
    call << QStringLiteral("Netrova") << uint(0) << QStringLiteral("org.netrova.Netrova")
         << QString::fromStdString(summary) << QString::fromStdString(body)
         << (button ? QStringList{kHangUpAction, QStringLiteral("Hang up now")} : QStringList())
         << hints << int(-1);
    auto* pending = new QDBusPendingCallWatcher(bus_.asyncCall(call, kCallTimeoutMs), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this,
            [this, pending, summary, body, urgency, offerHangUp, button] {
                pending->deleteLater();
                const QDBusMessage reply = pending->reply();
                if (reply.type() != QDBusMessage::ReplyMessage) {
                    qCInfo(lcApp) << "A desktop notification failed:" << reply.errorMessage();
                    available_ = false;
                    FallBack(summary, body, urgency, offerHangUp);
                    return;
                }
                if (button)
                    offering_.insert(reply.arguments().value(0).toUInt());
            });
}

void DesktopNotifications::OnActionInvoked(uint id, const QString& action) {
    // Other programs' notifications are answered on the same signal.
    if (action == kHangUpAction && offering_.remove(id))
        HangUpAsked();
}

void DesktopNotifications::OnClosed(uint id, uint) {
    offering_.remove(id);
}

} // namespace netrova
