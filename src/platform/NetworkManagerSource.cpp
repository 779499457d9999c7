#include "platform/NetworkManagerSource.h"

#include "common/Log.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>

#include <algorithm>
#include <stdexcept>

namespace netrova {

namespace {

const QString kService = QStringLiteral("org.freedesktop.NetworkManager");
const QString kManagerPath = QStringLiteral("/org/freedesktop/NetworkManager");
const QString kManager = QStringLiteral("org.freedesktop.NetworkManager");
const QString kSettingsPath = QStringLiteral("/org/freedesktop/NetworkManager/Settings");
const QString kSettings = QStringLiteral("org.freedesktop.NetworkManager.Settings");
const QString kProfile = QStringLiteral("org.freedesktop.NetworkManager.Settings.Connection");
const QString kActive = QStringLiteral("org.freedesktop.NetworkManager.Connection.Active");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");

// NM_ACTIVE_CONNECTION_STATE_ACTIVATED and NM_METERED_YES.
constexpr uint kActivated = 2;
constexpr int kMeteredYes = 1;
// A call that NetworkManager does not answer must not hold the window for long.
constexpr int kCallTimeoutMs = 3000;

bool IsDialUpType(const QString& type) {
    static const QStringList kinds{"gsm", "cdma", "pppoe", "adsl", "bluetooth"};
    return kinds.contains(type);
}

QString PathOf(const QVariant& value) {
    return qdbus_cast<QDBusObjectPath>(value).path();
}

} // namespace

NetworkManagerDialUpService::NetworkManagerDialUpService(SettingsStore& store, QDBusConnection bus)
    : store_(store), bus_(std::move(bus)),
      watcher_(kService, bus_, QDBusServiceWatcher::WatchForOwnerChange) {
    if (!bus_.isConnected())
        throw std::runtime_error("NetworkManager cannot be followed: the system bus cannot be "
                                 "reached (" +
                                 bus_.lastError().message().toStdString() + ").");
    // Signals first, so that nothing that changes while the state is read gets lost. NetworkManager
    // sends both the standard PropertiesChanged and, in older versions, one per interface.
    const struct {
        const QString& interface;
        const char* name;
    } signalsFollowed[] = {
        {kProperties, "PropertiesChanged"},
        {kManager, "PropertiesChanged"},
        {kActive, "PropertiesChanged"},
        {kActive, "StateChanged"},
        {kSettings, "NewConnection"},
        {kSettings, "ConnectionRemoved"},
        {kProfile, "Updated"},
    };
    for (const auto& s : signalsFollowed)
        bus_.connect(kService, QString(), s.interface, QString::fromLatin1(s.name), this,
                     SLOT(OnSignal(QDBusMessage)));
    connect(&watcher_, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString&, const QString& newOwner) {
                if (newOwner.isEmpty())
                    OnLeft();
                else
                    OnArrived();
            });

    present_ = Running(bus_);
    if (present_)
        ReadAll();
    else
        qCWarning(lcDialup) << "NetworkManager is not on the system bus; waiting for it.";
}

bool NetworkManagerDialUpService::Running(const QDBusConnection& bus) {
    const QDBusConnectionInterface* daemon = bus.isConnected() ? bus.interface() : nullptr;
    return daemon && daemon->isServiceRegistered(kService).value();
}

void NetworkManagerDialUpService::OnArrived() {
    if (present_)
        qCInfo(lcDialup) << "NetworkManager was restarted; its connections are read again.";
    else
        qCInfo(lcDialup) << "NetworkManager is on the system bus; its connections are read.";
    present_ = true;
    ReadAll();
}

void NetworkManagerDialUpService::OnLeft() {
    if (!present_)
        return;
    present_ = false;
    qCWarning(lcDialup) << "NetworkManager has left the system bus; the connection state is "
                           "kept as it was until it returns.";
}

void NetworkManagerDialUpService::ReadAll() {
    profiles_.clear();
    actives_.clear();
    activeOrder_.clear();
    auto list = QDBusMessage::createMethodCall(kService, kSettingsPath, kSettings,
                                               QStringLiteral("ListConnections"));
    const QDBusMessage listed = bus_.call(list, QDBus::Block, kCallTimeoutMs);
    if (listed.type() == QDBusMessage::ReplyMessage && !listed.arguments().isEmpty()) {
        for (const auto& path : qdbus_cast<QList<QDBusObjectPath>>(listed.arguments().at(0)))
            ReadProfile(path.path());
        // Entries are published only once they were read: a NetworkManager that does not
        // answer must not empty the provider list.
        entries_.emplace();
    } else {
        qCWarning(lcDialup) << "NetworkManager's profiles cannot be read:" << listed.errorMessage();
    }
    if (const auto manager = GetAll(kManagerPath, kManager))
        ReadActiveConnections(manager->value(QStringLiteral("ActiveConnections")));
    else
        qCWarning(lcDialup) << "NetworkManager's active connections cannot be read.";
    Evaluate();
}

std::optional<QVariantMap> NetworkManagerDialUpService::GetAll(const QString& path,
                                                               const QString& interface) const {
    auto call =
        QDBusMessage::createMethodCall(kService, path, kProperties, QStringLiteral("GetAll"));
    call << interface;
    const QDBusMessage reply = bus_.call(call, QDBus::Block, kCallTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return std::nullopt;
    return qdbus_cast<QVariantMap>(reply.arguments().at(0));
}

void NetworkManagerDialUpService::ReadActiveConnections(const QVariant& paths) {
    QList<QString> order;
    for (const auto& path : qdbus_cast<QList<QDBusObjectPath>>(paths))
        order << path.path();
    for (auto it = actives_.begin(); it != actives_.end();)
        it = order.contains(it.key()) ? std::next(it) : actives_.erase(it);
    activeOrder_ = order;
    for (const auto& path : order)
        if (!actives_.contains(path))
            ReadActive(path);
}

void NetworkManagerDialUpService::ReadActive(const QString& path) {
    // An active connection that is gone before it could be read does not count.
    if (const auto properties = GetAll(path, kActive)) {
        actives_.insert(path, Active{});
        ApplyActive(path, *properties);
    }
}

void NetworkManagerDialUpService::ApplyActive(const QString& path, const QVariantMap& properties) {
    const auto it = actives_.find(path);
    if (it == actives_.end())
        return;
    if (properties.contains(QStringLiteral("Id")))
        it->id = properties.value(QStringLiteral("Id")).toString();
    if (properties.contains(QStringLiteral("Type")))
        it->type = properties.value(QStringLiteral("Type")).toString();
    if (properties.contains(QStringLiteral("Connection")))
        it->profile = PathOf(properties.value(QStringLiteral("Connection")));
    if (properties.contains(QStringLiteral("State")))
        it->state = properties.value(QStringLiteral("State")).toUInt();
}

void NetworkManagerDialUpService::ReadProfile(const QString& path) {
    auto call =
        QDBusMessage::createMethodCall(kService, path, kProfile, QStringLiteral("GetSettings"));
    const QDBusMessage reply = bus_.call(call, QDBus::Block, kCallTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        profiles_.remove(path);
        return;
    }
    QMap<QString, QVariantMap> settings;
    reply.arguments().at(0).value<QDBusArgument>() >> settings;
    const QVariantMap connection = settings.value(QStringLiteral("connection"));
    Profile profile;
    profile.id = connection.value(QStringLiteral("id")).toString();
    profile.dialUp = IsDialUpType(connection.value(QStringLiteral("type")).toString()) ||
                     connection.value(QStringLiteral("metered")).toInt() == kMeteredYes;
    profiles_.insert(path, profile);
}

void NetworkManagerDialUpService::OnSignal(const QDBusMessage& message) {
    if (!present_)
        return;
    const QString interface = message.interface();
    const QString member = message.member();
    const QString path = message.path();
    const QList<QVariant> args = message.arguments();

    if (member == QLatin1String("PropertiesChanged")) {
        // The standard signal names the interface first; the older one is sent on it.
        const bool standard = interface == kProperties;
        if (args.size() < (standard ? 2 : 1))
            return;
        const QString changedInterface = standard ? args.at(0).toString() : interface;
        const QVariantMap changed = qdbus_cast<QVariantMap>(args.at(standard ? 1 : 0));
        if (changedInterface == kManager && path == kManagerPath &&
            changed.contains(QStringLiteral("ActiveConnections")))
            ReadActiveConnections(changed.value(QStringLiteral("ActiveConnections")));
        else if (changedInterface == kActive)
            ApplyActive(path, changed);
        else
            return;
    } else if (interface == kActive && member == QLatin1String("StateChanged")) {
        if (args.isEmpty())
            return;
        ApplyActive(path, {{QStringLiteral("State"), args.at(0)}});
    } else if (interface == kSettings && member == QLatin1String("NewConnection")) {
        if (args.isEmpty())
            return;
        ReadProfile(PathOf(args.at(0)));
    } else if (interface == kSettings && member == QLatin1String("ConnectionRemoved")) {
        if (args.isEmpty())
            return;
        profiles_.remove(PathOf(args.at(0)));
    } else if (interface == kProfile && member == QLatin1String("Updated")) {
        ReadProfile(path);
    } else {
        return;
    }
    Evaluate();
}

bool NetworkManagerDialUpService::Counts(const Active& active) const {
    if (active.state != kActivated)
        return false;
    const auto profile = profiles_.find(active.profile);
    return IsDialUpType(active.type) || (profile != profiles_.end() && profile->dialUp);
}

void NetworkManagerDialUpService::Evaluate() {
    connected_ = false;
    for (const auto& path : activeOrder_) {
        const auto it = actives_.find(path);
        if (it == actives_.end() || !Counts(*it))
            continue;
        connected_ = true;
        const std::string id = it->id.toStdString();
        if (EntryNameProblem(id).empty())
            entry_ = id;
        break;
    }
    if (entries_) {
        std::vector<std::string> names;
        for (const auto& profile : profiles_)
            if (profile.dialUp && EntryNameProblem(profile.id.toStdString()).empty())
                names.push_back(profile.id.toStdString());
        std::sort(names.begin(), names.end());
        names.erase(std::unique(names.begin(), names.end()), names.end());
        entries_ = std::move(names);
    }
}

void NetworkManagerDialUpService::Publish() {
    // Entries and "Default" go first: the monitor takes the provider in the tick that sees
    // "Remote Connection" become 1.
    if (entries_ && entries_ != writtenEntries_) {
        SyncEntries(store_, *entries_);
        writtenEntries_ = entries_;
    }
    if (connected_ && !entry_.empty() && entry_ != writtenEntry_) {
        SetDefaultEntry(store_, entry_);
        writtenEntry_ = entry_;
    }
    if (connected_ != writtenConnected_) {
        SetRemoteConnection(store_, connected_);
        writtenConnected_ = connected_;
    }
}

} // namespace netrova
