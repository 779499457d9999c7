#include "dialup/NetworkManagerSource.h"

#include "common/Log.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>

#include <QDBusPendingCallWatcher>
#include <QTimer>

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
const QString kDevice = QStringLiteral("org.freedesktop.NetworkManager.Device");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");

// NM_ACTIVE_CONNECTION_STATE_ACTIVATED and NM_METERED_YES.
constexpr uint kActivated = 2;
constexpr int kMeteredYes = 1;
constexpr int kCallTimeoutMs = 3000;
// A NetworkManager that did not answer is asked again after this, twice as long each time it
// still does not, up to the longest.
constexpr int kRetryMs = 1000;
constexpr int kLongestRetryMs = 30000;

bool IsDialUpType(const QString& type) {
    static const QStringList kinds{QStringLiteral("gsm"), QStringLiteral("cdma"),
                                   QStringLiteral("pppoe"), QStringLiteral("adsl"),
                                   QStringLiteral("bluetooth")};
    return kinds.contains(type);
}

QString PathOf(const QVariant& value) {
    return qdbus_cast<QDBusObjectPath>(value).path();
}

// Names become key names and lines of lists: an Id that cannot be one must still name its own
// connection, never leave the previous provider in charge.
std::string EntryNameOf(const QString& id, const QString& uuid, const QString& path) {
    for (QString name : {id, uuid, path}) {
        for (QChar& c : name)
            if (c.unicode() < 0x20 || c.unicode() == 0x7f || c == u'\\')
                c = u' ';
        std::string utf8 = name.toStdString();
        if (!name.trimmed().isEmpty() && EntryNameProblem(utf8).empty())
            return utf8;
    }
    return "NetworkManager";
}

// A modem's IpInterface is empty until its data link is made; a name that cannot be an
// interface's is no interface to count.
std::string InterfaceName(const QString& ipInterface, const QString& interface) {
    const std::string name = (ipInterface.isEmpty() ? interface : ipInterface).toStdString();
    return InterfaceNameProblem(name).empty() ? name : std::string();
}

// Errors that say the object is gone, rather than that NetworkManager did not answer.
bool IsGone(const QDBusMessage& reply) {
    static const QStringList kGone{QStringLiteral("org.freedesktop.DBus.Error.UnknownObject"),
                                   QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"),
                                   QStringLiteral("org.freedesktop.DBus.Error.UnknownInterface")};
    return kGone.contains(reply.errorName());
}

bool Answered(const QDBusMessage& reply) {
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty();
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
    // sends both the standard PropertiesChanged and, in older versions, one per interface. Only
    // the manager's, the active connections' and the profiles' are taken here; the devices send
    // many more (state, statistics ...), and only the counted connection's own is followed
    // (WatchDevice).
    const struct {
        QString path;
        const QString& interface;
        const char* name;
        QStringList arg0;
    } signalsFollowed[] = {
        {kManagerPath, kProperties, "PropertiesChanged", {kManager}},
        {QString(), kProperties, "PropertiesChanged", {kActive}},
        {kManagerPath, kManager, "PropertiesChanged", {}},
        {QString(), kActive, "PropertiesChanged", {}},
        {QString(), kActive, "StateChanged", {}},
        {kSettingsPath, kSettings, "NewConnection", {}},
        {kSettingsPath, kSettings, "ConnectionRemoved", {}},
        {QString(), kProfile, "Updated", {}},
    };
    for (const auto& s : signalsFollowed)
        bus_.connect(kService, s.path, s.interface, QString::fromLatin1(s.name), s.arg0, QString(),
                     this, SLOT(OnSignal(QDBusMessage)));
    connect(&watcher_, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString&, const QString& newOwner) {
                if (newOwner.isEmpty())
                    OnLeft();
                else
                    OnArrived();
            });

    auto owner = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("GetNameOwner"));
    owner << kService;
    retryMs_ = kRetryMs;
    Ask(owner, [this](const QDBusMessage& reply) {
        if (Answered(reply))
            OnArrived();
        else
            qCWarning(lcDialup) << "NetworkManager is not on the system bus; waiting for it.";
    });
}

void NetworkManagerDialUpService::HangUp(HangUpDone done) {
    if (counted_.isEmpty())
        return done("No connection is counted.");
    auto call = QDBusMessage::createMethodCall(kService, kManagerPath, kManager,
                                               QStringLiteral("DeactivateConnection"));
    call << QVariant::fromValue(QDBusObjectPath(counted_));
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call, kCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [watcher, done = std::move(done)] {
        watcher->deleteLater();
        const QDBusMessage reply = watcher->reply();
        done(reply.type() == QDBusMessage::ReplyMessage ? std::string()
                                                        : reply.errorMessage().toStdString());
    });
}

bool NetworkManagerDialUpService::Running(const QDBusConnection& bus) {
    const QDBusConnectionInterface* daemon = bus.isConnected() ? bus.interface() : nullptr;
    return daemon && daemon->isServiceRegistered(kService).value();
}

void NetworkManagerDialUpService::AskRunning(std::function<void(bool)> answer,
                                             const QDBusConnection& bus) {
    if (!bus.isConnected()) {
        answer(false);
        return;
    }
    auto call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameHasOwner"));
    call << kService;
    auto* watcher =
        new QDBusPendingCallWatcher(QDBusConnection(bus).asyncCall(call, kCallTimeoutMs));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [watcher, answer = std::move(answer)] {
                         watcher->deleteLater();
                         const QDBusMessage reply = watcher->reply();
                         answer(Answered(reply) && !reply.arguments().isEmpty() &&
                                reply.arguments().constFirst().toBool());
                     });
}

// Answers from before NetworkManager left or returned are dropped.
template <typename OnReply>
void NetworkManagerDialUpService::Ask(const QDBusMessage& call, OnReply onReply) {
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call, kCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, watcher, epoch = epoch_, onReply] {
                watcher->deleteLater();
                if (epoch != epoch_)
                    return;
                const QDBusMessage reply = watcher->reply();
                if (reply.type() == QDBusMessage::ReplyMessage && silent_) {
                    qCInfo(lcDialup) << "NetworkManager answers again.";
                    silent_ = false;
                    retryMs_ = kRetryMs;
                }
                onReply(reply);
            });
}

void NetworkManagerDialUpService::OnArrived() {
    if (present_)
        qCInfo(lcDialup) << "NetworkManager was restarted; its connections are read again.";
    else
        qCInfo(lcDialup) << "NetworkManager is on the system bus; its connections are read.";
    present_ = true;
    ++epoch_;
    retrying_ = false;
    // What the new instance says replaces all; until it answers, the published state stands.
    activesKnown_ = false;
    activeOrder_.clear();
    actives_.clear();
    profilesListed_ = false;
    profiles_.clear();
    adopting_ = !counted_.isEmpty();
    ReadAll();
}

void NetworkManagerDialUpService::OnLeft() {
    if (!present_)
        return;
    present_ = false;
    ++epoch_;
    qCWarning(lcDialup) << "NetworkManager has left the system bus; the connection state is "
                           "kept as it was until it returns.";
}

void NetworkManagerDialUpService::NoAnswer(const QDBusMessage& reply) {
    if (!silent_)
        qCWarning(lcDialup) << "NetworkManager does not answer; the connection state is kept as "
                               "it was."
                            << reply.errorMessage();
    silent_ = true;
    if (retrying_)
        return;
    retrying_ = true;
    QTimer::singleShot(retryMs_, this, [this, epoch = epoch_] {
        if (epoch != epoch_)
            return;
        retrying_ = false;
        ReadAll();
    });
    retryMs_ = std::min(retryMs_ * 2, kLongestRetryMs);
}

// Reads what is not known yet; what is known is kept up to date by the signals.
void NetworkManagerDialUpService::ReadAll() {
    auto manager =
        QDBusMessage::createMethodCall(kService, kManagerPath, kProperties, QStringLiteral("Get"));
    manager << kManager << QStringLiteral("ActiveConnections");
    Ask(manager, [this, changes = activesChanges_](const QDBusMessage& reply) {
        if (!Answered(reply))
            return NoAnswer(reply);
        // A signal that came meanwhile told the list as well.
        if (changes == activesChanges_)
            OnActiveConnections(qdbus_cast<QDBusVariant>(reply.arguments().at(0)).variant());
    });

    const auto list = QDBusMessage::createMethodCall(kService, kSettingsPath, kSettings,
                                                     QStringLiteral("ListConnections"));
    Ask(list, [this](const QDBusMessage& reply) {
        if (!Answered(reply))
            return NoAnswer(reply);
        QList<QString> paths;
        for (const auto& path : qdbus_cast<QList<QDBusObjectPath>>(reply.arguments().at(0)))
            paths << path.path();
        profilesListed_ = true;
        for (auto it = profiles_.begin(); it != profiles_.end();)
            it = paths.contains(it.key()) ? std::next(it) : profiles_.erase(it);
        for (const auto& path : paths)
            if (!profiles_.value(path).known)
                ReadProfile(path);
        UpdateEntries();
        Evaluate();
    });
}

void NetworkManagerDialUpService::OnActiveConnections(const QVariant& paths) {
    activesKnown_ = true;
    activeOrder_.clear();
    for (const auto& path : qdbus_cast<QList<QDBusObjectPath>>(paths))
        activeOrder_ << path.path();
    for (auto it = actives_.begin(); it != actives_.end();)
        it = activeOrder_.contains(it.key()) ? std::next(it) : actives_.erase(it);
    for (const auto& path : activeOrder_)
        if (!actives_[path].known)
            ReadActive(path);
    Evaluate();
}

void NetworkManagerDialUpService::ReadActive(const QString& path) {
    Active& active = actives_[path];
    if (active.reading)
        return;
    active.reading = true;
    auto call =
        QDBusMessage::createMethodCall(kService, path, kProperties, QStringLiteral("GetAll"));
    call << kActive;
    Ask(call, [this, path, changes = active.changes](const QDBusMessage& reply) {
        const auto it = actives_.find(path);
        if (it == actives_.end())
            return; // no longer listed
        it->reading = false;
        if (Answered(reply)) {
            if (it->changes != changes)
                return ReadActive(path);
            ApplyActive(*it, qdbus_cast<QVariantMap>(reply.arguments().at(0)));
            it->known = true;
        } else if (IsGone(reply)) {
            // Gone before it could be read: it does not count.
            it->state = 0;
            it->known = true;
        } else {
            return NoAnswer(reply);
        }
        Evaluate();
    });
}

void NetworkManagerDialUpService::ApplyActive(Active& active, const QVariantMap& properties) {
    if (properties.contains(QStringLiteral("Id")))
        active.id = properties.value(QStringLiteral("Id")).toString();
    if (properties.contains(QStringLiteral("Uuid")))
        active.uuid = properties.value(QStringLiteral("Uuid")).toString();
    if (properties.contains(QStringLiteral("Type")))
        active.type = properties.value(QStringLiteral("Type")).toString();
    if (properties.contains(QStringLiteral("Connection")))
        active.profile = PathOf(properties.value(QStringLiteral("Connection")));
    if (properties.contains(QStringLiteral("State")))
        active.state = properties.value(QStringLiteral("State")).toUInt();
    if (properties.contains(QStringLiteral("Devices"))) {
        const auto devices =
            qdbus_cast<QList<QDBusObjectPath>>(properties.value(QStringLiteral("Devices")));
        active.device = devices.isEmpty() ? QString() : devices.first().path();
    }
}

// The device of the connection counted is read once and then followed by its signals.
void NetworkManagerDialUpService::FollowDevice() {
    if (connected_ != true) {
        device_.path.clear();
        device_.known = false;
        interface_.clear();
        WatchDevice();
        return;
    }
    const auto it = actives_.constFind(counted_);
    if (it == actives_.cend() || !it->known)
        return; // being read again after NetworkManager's return: what was published stands
    if (it->device != device_.path) {
        // The count of changes goes on, so that an answer about the device before is dropped.
        device_ = Device{{false, false, device_.changes + 1}, it->device, {}, {}};
    }
    WatchDevice();
    if (deviceSession_ != session_) {
        deviceSession_ = session_;
        interface_.clear(); // the last connection's is not this one's
    }
    if (device_.known)
        interface_ = InterfaceName(device_.ipInterface, device_.interface);
    else if (!device_.path.isEmpty())
        ReadDevice();
}

// The bus delivers the signals of the device read, and of no other: subscribed before it is read,
// so that a change after the reading is not missed.
void NetworkManagerDialUpService::WatchDevice() {
    if (device_.path == watchedDevice_)
        return;
    const QString name = QStringLiteral("PropertiesChanged");
    const struct {
        const QString& interface;
        QStringList arg0;
    } deviceSignals[] = {{kProperties, {kDevice}}, {kDevice, {}}};
    for (const auto& s : deviceSignals) {
        if (!watchedDevice_.isEmpty())
            bus_.disconnect(kService, watchedDevice_, s.interface, name, s.arg0, QString(), this,
                            SLOT(OnSignal(QDBusMessage)));
        if (!device_.path.isEmpty())
            bus_.connect(kService, device_.path, s.interface, name, s.arg0, QString(), this,
                         SLOT(OnSignal(QDBusMessage)));
    }
    watchedDevice_ = device_.path;
}

void NetworkManagerDialUpService::ReadDevice() {
    if (device_.reading)
        return;
    device_.reading = true;
    auto call = QDBusMessage::createMethodCall(kService, device_.path, kProperties,
                                               QStringLiteral("GetAll"));
    call << kDevice;
    Ask(call, [this, path = device_.path, changes = device_.changes](const QDBusMessage& reply) {
        if (path != device_.path)
            return; // no longer the device counted
        device_.reading = false;
        if (Answered(reply)) {
            if (device_.changes != changes)
                return ReadDevice();
            ApplyDevice(qdbus_cast<QVariantMap>(reply.arguments().at(0)));
            device_.known = true;
        } else if (IsGone(reply)) {
            device_.known = true; // its interface stays unknown
        } else {
            return NoAnswer(reply);
        }
        interface_ = InterfaceName(device_.ipInterface, device_.interface);
    });
}

void NetworkManagerDialUpService::ApplyDevice(const QVariantMap& properties) {
    if (properties.contains(QStringLiteral("IpInterface")))
        device_.ipInterface = properties.value(QStringLiteral("IpInterface")).toString();
    if (properties.contains(QStringLiteral("Interface")))
        device_.interface = properties.value(QStringLiteral("Interface")).toString();
}

void NetworkManagerDialUpService::ReadProfile(const QString& path) {
    Profile& profile = profiles_[path];
    ++profile.changes;
    if (profile.reading)
        return;
    profile.reading = true;
    const auto call =
        QDBusMessage::createMethodCall(kService, path, kProfile, QStringLiteral("GetSettings"));
    Ask(call, [this, path, changes = profile.changes](const QDBusMessage& reply) {
        const auto it = profiles_.find(path);
        if (it == profiles_.end())
            return; // removed meanwhile
        it->reading = false;
        if (Answered(reply)) {
            if (it->changes != changes)
                return ReadProfile(path);
            QMap<QString, QVariantMap> settings;
            reply.arguments().at(0).value<QDBusArgument>() >> settings;
            const QVariantMap connection = settings.value(QStringLiteral("connection"));
            it->name = EntryNameOf(connection.value(QStringLiteral("id")).toString(),
                                   connection.value(QStringLiteral("uuid")).toString(), path);
            it->dialUp = IsDialUpType(connection.value(QStringLiteral("type")).toString()) ||
                         connection.value(QStringLiteral("metered")).toInt() == kMeteredYes;
            it->known = true;
        } else if (IsGone(reply)) {
            profiles_.erase(it);
        } else {
            return NoAnswer(reply);
        }
        UpdateEntries();
        Evaluate();
    });
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
            changed.contains(QStringLiteral("ActiveConnections"))) {
            ++activesChanges_;
            return OnActiveConnections(changed.value(QStringLiteral("ActiveConnections")));
        }
        if (changedInterface == kDevice) {
            if (path.isEmpty() || path != device_.path)
                return;
            ++device_.changes;
            ApplyDevice(changed);
            if (device_.known)
                interface_ = InterfaceName(device_.ipInterface, device_.interface);
            return;
        }
        if (changedInterface != kActive || !actives_.contains(path))
            return;
        ++actives_[path].changes;
        ApplyActive(actives_[path], changed);
    } else if (interface == kActive && member == QLatin1String("StateChanged")) {
        if (args.isEmpty() || !actives_.contains(path))
            return;
        ++actives_[path].changes;
        ApplyActive(actives_[path], {{QStringLiteral("State"), args.at(0)}});
    } else if (interface == kSettings && member == QLatin1String("NewConnection")) {
        if (args.isEmpty() || !profilesListed_)
            return;
        ReadProfile(PathOf(args.at(0)));
    } else if (interface == kSettings && member == QLatin1String("ConnectionRemoved")) {
        if (args.isEmpty())
            return;
        profiles_.remove(PathOf(args.at(0)));
    } else if (interface == kProfile && member == QLatin1String("Updated")) {
        if (!profiles_.contains(path))
            return;
        ReadProfile(path);
    } else {
        return;
    }
    UpdateEntries();
    Evaluate();
}

// nullopt while what decides it is still being read.
std::optional<bool> NetworkManagerDialUpService::Counts(const Active& active) const {
    if (!active.known)
        return std::nullopt;
    if (active.state != kActivated)
        return false;
    if (IsDialUpType(active.type))
        return true;
    const auto profile = profiles_.find(active.profile);
    if (profile != profiles_.end())
        return profile->known ? std::optional<bool>(profile->dialUp) : std::nullopt;
    return profilesListed_ ? std::optional<bool>(false) : std::nullopt;
}

std::string NetworkManagerDialUpService::NameOf(const Active& active) const {
    return EntryNameOf(active.id, active.uuid, active.profile);
}

void NetworkManagerDialUpService::UpdateEntries() {
    if (!profilesListed_)
        return;
    std::vector<std::string> names;
    for (const auto& profile : profiles_) {
        if (!profile.known)
            return; // published once all are read: a partial list would drop providers
        if (profile.dialUp)
            names.push_back(profile.name);
    }
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    entries_ = std::move(names);
}

void NetworkManagerDialUpService::Evaluate() {
    Count();
    FollowDevice();
}

void NetworkManagerDialUpService::Count() {
    if (!activesKnown_)
        return;
    if (!counted_.isEmpty() && !adopting_) {
        const auto it = actives_.find(counted_);
        if (it != actives_.end()) {
            const auto counts = Counts(*it);
            if (!counts)
                return;
            if (*counts && NameOf(*it) == countedName_) {
                connected_ = true;
                entry_ = countedName_;
                return;
            }
        }
        // Deactivated, gone or renamed: it has ended, whatever else is still being read.
        counted_.clear();
        connected_ = false;
    }
    // The first active connection that counts, in NetworkManager's order; what is not read yet
    // may come first, so nothing is decided before it is.
    QString first;
    std::string firstName;
    QString same; // the one counted, back from a restarted NetworkManager
    for (const auto& path : activeOrder_) {
        const Active& active = actives_[path];
        const auto counts = Counts(active);
        if (!counts)
            return;
        if (!*counts)
            continue;
        if (first.isEmpty()) {
            first = path;
            firstName = NameOf(active);
        }
        if (adopting_ && same.isEmpty() && active.uuid == countedUuid_ &&
            NameOf(active) == countedName_)
            same = path;
    }
    adopting_ = false;
    if (!same.isEmpty()) {
        counted_ = same;
        connected_ = true;
        entry_ = countedName_;
        return;
    }
    counted_ = first;
    connected_ = !first.isEmpty();
    if (first.isEmpty())
        return;
    countedName_ = firstName;
    countedUuid_ = actives_[first].uuid;
    entry_ = firstName;
    ++session_;
}

void NetworkManagerDialUpService::Publish() {
    // Entries and "Default" go first: the monitor takes the provider in the tick that sees
    // "Remote Connection" become 1.
    if (entries_ && entries_ != writtenEntries_) {
        SyncEntries(store_, *entries_);
        writtenEntries_ = entries_;
    }
    if (!connected_)
        return;
    if (*connected_ && writtenConnected_ == true && session_ != writtenSession_) {
        // The monitor knows connections only by the flag: one that follows another must be
        // seen to start.
        SetRemoteConnection(store_, false);
        writtenConnected_ = false;
        return;
    }
    if (*connected_ && entry_ != writtenEntry_) {
        SetDefaultEntry(store_, entry_);
        writtenEntry_ = entry_;
    }
    // Before the flag, so that the connect tick can read the counters if it is known by then.
    const std::string interface = *connected_ ? interface_ : std::string();
    if (interface != writtenInterface_) {
        if (writtenInterface_ || ReadConnectionInterface(store_) != interface)
            SetConnectionInterface(store_, interface);
        writtenInterface_ = interface;
    }
    if (connected_ != writtenConnected_) {
        SetRemoteConnection(store_, *connected_);
        writtenConnected_ = connected_;
    }
    writtenSession_ = session_;
}

} // namespace netrova
