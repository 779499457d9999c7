#pragma once

#include "dialup/DialUpService.h"

#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QList>
#include <QMap>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>
#include <string>
#include <vector>

class QDBusMessage;

namespace netrova {

// Follows NetworkManager on the system bus by its signals and publishes what it says:
// - connected while an active connection of a dial-up kind is activated: of type gsm, cdma,
//   pppoe, adsl or bluetooth, or made from a profile whose connection.metered is yes;
// - the entry in use is that active connection's Id made an entry name: control
//   characters and "\" become spaces, and an Id left blank is named by its UUID; after
//   a disconnect "Default" keeps the last entry used, as a default entry does;
// - the entries are the names of NetworkManager's profiles of those kinds;
// - the connection's interface is the IpInterface (else the Interface) of the counted active
//   connection's first device, followed as it changes (a modem's moves from its tty to the
//   data link while it activates); none until it is read, and none while not connected.
// One active connection is counted at a time, by object path, for as long as it stays activated
// under the same name; another one is counted only after it, and the monitor is shown the
// change as a disconnect of one Publish followed by a connect.
// Every call is asynchronous: nothing waits for NetworkManager. Only what it says ends a
// connection: while it is away (restarting, or stopped: it leaves links up when it stops), has
// not answered yet, or answers with errors, the last state stands. Its leaving and its return
// are each said once on netrova.dialup, and on its return the state is read again.
// Only what moved since the last Publish is written, so an idle tick touches no store file.
class NetworkManagerDialUpService : public QObject, public DialUpService {
    Q_OBJECT
public:
    // Throws std::runtime_error when the system bus cannot be reached.
    explicit NetworkManagerDialUpService(SettingsStore& store,
                                         QDBusConnection bus = QDBusConnection::systemBus());
    void Publish() override;
    const char* SourceName() const override { return "networkmanager"; }
    // DeactivateConnection of the counted active connection.
    bool CanHangUp() const override { return !counted_.isEmpty(); }
    void HangUp(HangUpDone done) override;

    // Whether NetworkManager has its name on the system bus now.
    static bool Running(const QDBusConnection& bus = QDBusConnection::systemBus());
    // The same without waiting: `answer` is called from the event loop (false when the bus
    // does not answer), or at once when the bus cannot be reached.
    static void AskRunning(std::function<void(bool)> answer,
                           const QDBusConnection& bus = QDBusConnection::systemBus());

private slots:
    void OnSignal(const QDBusMessage& message);

private:
    // What is known of one object; a signal about it while it is read makes it read again, so
    // that no answer older than the signal wins.
    struct Read {
        bool known = false; // answered at least once
        bool reading = false;
        quint64 changes = 0; // signals about it so far
    };
    struct Profile : Read {
        std::string name;
        bool dialUp = false;
    };
    struct Active : Read {
        QString id;
        QString uuid;
        QString type;
        QString profile; // object path of the profile it was made from
        QString device;  // object path of its first device
        uint state = 0;
    };
    struct Device : Read {
        QString path;
        QString ipInterface;
        QString interface;
    };

    template <typename OnReply> void Ask(const QDBusMessage& call, OnReply onReply);
    void OnArrived();
    void OnLeft();
    void NoAnswer(const QDBusMessage& reply);
    void ReadAll();
    void OnActiveConnections(const QVariant& paths);
    void ReadActive(const QString& path);
    void ApplyActive(Active& active, const QVariantMap& properties);
    void FollowDevice();
    void WatchDevice();
    void ReadDevice();
    void ApplyDevice(const QVariantMap& properties);
    void ReadProfile(const QString& path);
    std::optional<bool> Counts(const Active& active) const;
    std::string NameOf(const Active& active) const;
    void UpdateEntries();
    void Evaluate();
    void Count();

    SettingsStore& store_;
    QDBusConnection bus_;
    QDBusServiceWatcher watcher_;
    bool present_ = false;
    // Changes when NetworkManager leaves or returns: answers from before are dropped.
    quint64 epoch_ = 0;
    bool retrying_ = false;
    int retryMs_ = 0;
    bool silent_ = false; // said once per silence

    // What NetworkManager said last, by object path; ActiveConnections keeps its order.
    bool activesKnown_ = false;
    quint64 activesChanges_ = 0;
    QList<QString> activeOrder_;
    QMap<QString, Active> actives_;
    bool profilesListed_ = false;
    QMap<QString, Profile> profiles_;

    // The active connection counted, and what it is counted as.
    QString counted_;
    std::string countedName_;
    QString countedUuid_;
    // Counts the connections counted one after another; a new one must be seen to follow a
    // disconnect.
    quint64 session_ = 0;
    // Set on NetworkManager's return: the connection counted may come back under a new path.
    bool adopting_ = false;
    // The device of the connection counted, and the session it was read for.
    Device device_;
    quint64 deviceSession_ = 0;
    QString watchedDevice_; // whose signals the bus delivers

    // What the store should hold; nullopt until NetworkManager answered.
    std::optional<bool> connected_;
    std::string entry_;
    std::optional<std::vector<std::string>> entries_;
    std::string interface_;

    // What this source wrote last; nullopt until the first Publish.
    std::optional<bool> writtenConnected_;
    std::string writtenEntry_;
    quint64 writtenSession_ = 0;
    std::optional<std::vector<std::string>> writtenEntries_;
    std::optional<std::string> writtenInterface_;
};

} // namespace netrova
