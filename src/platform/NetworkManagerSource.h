#pragma once

#include "platform/DialUpService.h"

#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QList>
#include <QMap>
#include <QObject>
#include <QString>

#include <optional>
#include <string>
#include <vector>

class QDBusMessage;

namespace netrova {

// Follows NetworkManager on the system bus by its signals and publishes what it says:
// - connected while an active connection of a dial-up kind is activated: of type gsm, cdma,
//   pppoe, adsl or bluetooth, or made from a profile whose connection.metered is yes;
// - the entry in use is that active connection's Id; after a disconnect "Default" keeps the
//   last entry used, as a default entry does;
// - the entries are the Ids of NetworkManager's profiles of those kinds.
// While NetworkManager is away (restarting, or stopped: it leaves links up when it stops) the
// last state stands; its leaving and its return are each said once on netrova.dialup, and on
// its return the state is read again.
// Only what moved since the last Publish is written, so an idle tick touches no store file.
class NetworkManagerDialUpService : public QObject, public DialUpService {
    Q_OBJECT
public:
    // Throws std::runtime_error when the system bus cannot be reached.
    explicit NetworkManagerDialUpService(SettingsStore& store,
                                         QDBusConnection bus = QDBusConnection::systemBus());
    void Publish() override;
    const char* SourceName() const override { return "networkmanager"; }

    // Whether NetworkManager has its name on the system bus now.
    static bool Running(const QDBusConnection& bus = QDBusConnection::systemBus());

private slots:
    void OnSignal(const QDBusMessage& message);

private:
    struct Profile {
        QString id;
        bool dialUp = false;
    };
    struct Active {
        QString id;
        QString type;
        QString profile; // object path of the profile it was made from
        uint state = 0;
    };

    void OnArrived();
    void OnLeft();
    void ReadAll();
    void ReadActiveConnections(const QVariant& paths);
    void ReadActive(const QString& path);
    void ApplyActive(const QString& path, const QVariantMap& properties);
    void ReadProfile(const QString& path);
    std::optional<QVariantMap> GetAll(const QString& path, const QString& interface) const;
    bool Counts(const Active& active) const;
    void Evaluate();

    SettingsStore& store_;
    QDBusConnection bus_;
    QDBusServiceWatcher watcher_;
    bool present_ = false;

    // What NetworkManager said last, by object path; ActiveConnections keeps its order.
    QList<QString> activeOrder_;
    QMap<QString, Active> actives_;
    QMap<QString, Profile> profiles_;

    // What the store should hold, worked out after each change.
    bool connected_ = false;
    std::string entry_;
    // nullopt until NetworkManager's profiles were read once.
    std::optional<std::vector<std::string>> entries_;

    // What this source wrote last; nullopt until the first Publish.
    std::optional<bool> writtenConnected_;
    std::string writtenEntry_;
    std::optional<std::vector<std::string>> writtenEntries_;
};

} // namespace netrova
