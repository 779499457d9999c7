#pragma once

#include "settings/MachineSettings.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace netrova {

class SettingsStore;
class Registry;

// The dial-up state as the monitor reads it from the store:
//   machine-wide "\System\CurrentControlSet\Services\RemoteAccess" "Remote Connection"
//     (4-byte little-endian binary, 1 = connected),
//   per-user "\RemoteAccess" "Default" (the entry in use),
//   per-user "\RemoteAccess\Addresses" (one value per dial-up entry; only the names count).
// Everything that writes that state goes through the functions below.

// The 4-byte little-endian "Remote Connection" of the open key; a missing value, or one that
// is not binary, reads 0.
std::uint32_t ReadRemoteConnectionFlag(Registry& reg);
void WriteRemoteConnectionFlag(Registry& reg, std::uint32_t value);

// True when "Remote Connection" exists and holds 1, as the monitor sees it.
bool ReadRemoteConnection(SettingsStore& store);
// What a tick reads, in one read of the key: whether the connection is up and, while it is, its
// interface. A missing key reads as not connected and is not made.
struct DialUpState {
    bool connected = false;
    std::string interface;
};
DialUpState ReadDialUpState(SettingsStore& store);
void SetRemoteConnection(SettingsStore& store, bool connected);

// The network interface of the connection ("ppp0", "wwan0"), machine-wide "Interface" beside
// "Remote Connection", whose byte counters the monitor reads; "" when the source does not know
// it. Setting "" removes it; a name that cannot be an interface (InterfaceNameProblem) throws
// std::invalid_argument.
std::string ReadConnectionInterface(SettingsStore& store);
// The same from the open "RemoteAccess" key.
std::string ReadConnectionInterface(Registry& reg);
void SetConnectionInterface(SettingsStore& store, std::string_view name);
// Why a name cannot be a network interface's, or "" when it can: 1 to 15 bytes, no "/", no
// white space or control characters, not "." or "..".
std::string InterfaceNameProblem(std::string_view name);

// "" when the key or the value is missing.
std::string ReadDefaultEntry(SettingsStore& store);
// SetDefaultEntry and AddEntry throw std::invalid_argument for a name that cannot be an entry
// (EntryNameProblem): every source checks its names first.
void SetDefaultEntry(SettingsStore& store, std::string_view name);

// Entry names in the store's order; empty when the key is missing.
std::vector<std::string> ListEntries(SettingsStore& store);
// The stored spelling of entry `name`; entry names compare without case, as the store's
// value names do.
std::optional<std::string> FindEntry(SettingsStore& store, std::string_view name);
// Returns false when the entry was already there.
bool AddEntry(SettingsStore& store, std::string_view name);
// Returns false when there was no such entry.
bool RemoveEntry(SettingsStore& store, std::string_view name);
// Makes the entries exactly `names`: adds the missing ones, removes the others. One
// transaction, and nothing is written when the list already matches. Names that cannot be
// entries (EntryNameProblem) are left out.
void SyncEntries(SettingsStore& store, const std::vector<std::string>& names);

// Why a name cannot be a dial-up entry, or "" when it can. Entry names become key names
// under the provider tariffs, so they must not be empty or hold the key separator, and they are
// listed one per line, so they hold no control characters; they are UTF-8 text.
std::string EntryNameProblem(std::string_view name);

// Publishes the desktop's dial-up state into the store; the monitor calls Publish before
// each tick.
class DialUpService {
public:
    virtual ~DialUpService() = default;
    virtual void Publish() = 0;
    // "networkmanager", "pppd" or "manual".
    virtual const char* SourceName() const = 0;
    // The source as the user is told it: "pppd, chosen automatically (/etc/ppp/peers exists)".
    virtual std::string SourceText() const { return SourceName(); }
    // Whether this source can end the connection it counts.
    virtual bool CanHangUp() const { return false; }
    // Ends the counted connection. done is called once, perhaps later from the event loop,
    // with "" or why it failed.
    using HangUpDone = std::function<void(const std::string& error)>;
    // NOLINTNEXTLINE(performance-unnecessary-value-param): the overrides keep their copy
    virtual void HangUp(HangUpDone done) { done("This connection cannot be hung up by Netrova."); }
};

// Publishes nothing: netrova-dialup (by hand, or from a connection manager's scripts) sets
// the values.
class ManualDialUpService : public DialUpService {
public:
    void Publish() override {}
    const char* SourceName() const override { return "manual"; }
};

// Watches pppd through the file system:
// - connected while an interface ppp* in sysClassNet is up: IFF_UP in its "flags" and an
//   "operstate" of "up" or "unknown" (ppp links report "unknown", having no carrier);
// - the entry in use is the link name of runDir/ppp-<link>.pid (written by pppd's linkname
//   option, holding the pid and the interface), else the peer pppd was called with (its
//   command line in procDir), else the only peer there is; a candidate that names a peer
//   file wins over one that does not. When none is found, "Default" is left as it is;
//   after a disconnect it keeps the last entry used, as a default entry does;
// - the entries are the files of peersDir (hidden files and backups left out). When the
//   folder cannot be read (it is often readable by the dip group only) the entries are left
//   as they are.
// - the connection's interface is that ppp* link while it is up, and none after it.
// Only what moved since the last Publish is written, so an idle tick touches no store file.
class PppdDialUpService : public DialUpService {
public:
    explicit PppdDialUpService(SettingsStore& store, std::string sysClassNet = "/sys/class/net",
                               std::string runDir = "/run", std::string peersDir = "/etc/ppp/peers",
                               std::string procDir = "/proc");
    void Publish() override;
    const char* SourceName() const override { return "pppd"; }
    bool CanHangUp() const override { return true; }
    // SIGTERM to the pppd of the up link, by the pid in runDir/<interface>.pid or its
    // ppp-<link>.pid, as poff does; done is called before it returns.
    void HangUp(HangUpDone done) override;

private:
    std::optional<std::string> UpInterface() const;
    std::optional<std::vector<std::string>> PeerEntries() const;
    std::string EntryInUse(const std::string& interface,
                           const std::optional<std::vector<std::string>>& entries) const;
    std::string LinkNameOf(const std::string& interface, const std::string& pid) const;
    std::string CalledPeerOf(const std::string& pid) const;

    SettingsStore& store_;
    std::string sysClassNet_;
    std::string runDir_;
    std::string peersDir_;
    std::string procDir_;

    // What this source wrote last; nullopt until the first Publish.
    std::optional<bool> connected_;
    std::string default_;
    std::optional<std::vector<std::string>> entries_;
    std::optional<std::string> interface_;
};

// The source the program follows, and how it came to be chosen.
struct DialUpChoice {
    enum class By { Variable, Preferences, Automatic };
    // Never Automatic: what Automatic found.
    DialUpSource Source = DialUpSource::Manual;
    By ChosenBy = By::Automatic;
    // What Automatic went by ("/etc/ppp/peers exists"), or why the source of Preferences is
    // not followed; empty otherwise.
    std::string Reason;

    // "NetworkManager", "pppd" or "manual".
    const char* Name() const;
    // "set by NETROVA_DIALUP", "set in Preferences", "chosen automatically (/etc/ppp/peers
    // exists)".
    std::string How() const;
    // The name and how: "pppd, chosen automatically (/etc/ppp/peers exists)".
    std::string Text() const { return Name() + (", " + How()); }
};

// NETROVA_DIALUP's source (networkmanager, pppd, manual or automatic, in any case), or nullopt
// when it is unset or empty. Any other word throws std::runtime_error.
std::optional<DialUpSource> DialUpSourceFromEnvironment();
// The source to follow: NETROVA_DIALUP when it names one (it throws as above), else the setting
// of Preferences ("Connection Source"). Automatic is networkmanager when NetworkManager is on the
// system bus, else pppd where /etc/ppp/peers exists, else manual.
DialUpChoice ChooseDialUpSource(SettingsStore& store);
// The same for a setting already read, NETROVA_DIALUP left aside.
DialUpChoice ChooseDialUpSource(DialUpSource setting, DialUpChoice::By by);

// The service of one source (not Automatic).
std::unique_ptr<DialUpService> MakeDialUpService(SettingsStore& store, DialUpSource source);

// What Automatic finds, by whether NetworkManager is on the system bus and whether
// /etc/ppp/peers exists.
DialUpChoice AutomaticChoice(bool networkManagerRunning, DialUpChoice::By by);

// The dial-up service the program runs with: the source ChooseDialUpSource gives at start, said
// on netrova.dialup. A new choice in Preferences is followed at a Publish, between two ticks,
// once no connection is up ("Remote Connection" is not 1): the old source has published the
// end of the connection it counted and the new one starts from there, so no connection is
// counted by both or cut short by the change. Until then the old source goes on. NETROVA_DIALUP
// holds for the whole run. A source that cannot be made is said once, thrown from Publish, and
// the old one goes on until the choice changes again; at start, the manual source stands in
// for a source of Preferences that cannot be made (one of NETROVA_DIALUP is thrown).
class DialUpSwitch : public DialUpService {
public:
    using Maker = std::function<std::unique_ptr<DialUpService>(DialUpSource)>;
    // Finds what a setting stands for and hands it to `done`, perhaps later from the event
    // loop: Automatic asks the system bus whether NetworkManager is there without waiting.
    using Resolver =
        std::function<void(DialUpSource setting, std::function<void(const DialUpChoice&)> done)>;

    // Chooses and makes the source; throws what they throw.
    explicit DialUpSwitch(SettingsStore& store);
    // Tests make and resolve the sources themselves.
    DialUpSwitch(SettingsStore& store, Maker make, Resolver resolve, const DialUpChoice& first);
    ~DialUpSwitch() override;

    void Publish() override;
    const char* SourceName() const override { return service_->SourceName(); }
    std::string SourceText() const override { return choice_.Text(); }
    bool CanHangUp() const override { return service_->CanHangUp(); }
    void HangUp(HangUpDone done) override { service_->HangUp(std::move(done)); }

private:
    void FollowSetting();
    void Resolve(DialUpSource setting);

    SettingsStore& store_;
    Maker make_;
    Resolver resolve_;
    std::unique_ptr<DialUpService> service_;
    DialUpChoice choice_;
    bool fixed_ = false;                              // NETROVA_DIALUP decides
    DialUpSource followed_ = DialUpSource::Automatic; // the setting in use
    DialUpSource wanted_ = DialUpSource::Automatic;   // the setting stored
    std::optional<DialUpChoice> ready_;               // what wanted_ stands for, once known
    bool waitSaid_ = false;
    // The store as last looked at: the setting is read again only after a write.
    std::uint64_t writes_ = 0;
    std::int64_t version_ = -1;
    // Answers of the system bus for a switch that is gone are dropped with it.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

// The program's dial-up service: a DialUpSwitch.
std::unique_ptr<DialUpService> MakeDialUpService(SettingsStore& store);

} // namespace netrova
