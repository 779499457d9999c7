#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace netrova {

class SettingsStore;
class TRegistry;

// The dial-up state as the monitor reads it from the store:
//   machine-wide "\System\CurrentControlSet\Services\RemoteAccess" "Remote Connection"
//     (4-byte little-endian binary, 1 = connected),
//   per-user "\RemoteAccess" "Default" (the entry in use),
//   per-user "\RemoteAccess\Addresses" (one value per dial-up entry; only the names count).
// Everything that writes that state goes through the functions below.

// The 4-byte little-endian "Remote Connection" of the open key; a missing value, or one that
// is not binary, reads 0.
std::uint32_t ReadRemoteConnectionFlag(TRegistry& reg);
void WriteRemoteConnectionFlag(TRegistry& reg, std::uint32_t value);

// True when "Remote Connection" exists and holds 1, as the monitor sees it.
bool ReadRemoteConnection(SettingsStore& store);
void SetRemoteConnection(SettingsStore& store, bool connected);

// The network interface of the connection ("ppp0", "wwan0"), machine-wide "Interface" beside
// "Remote Connection", whose byte counters the monitor reads; "" when the source does not know
// it. Setting "" removes it; a name that cannot be an interface (InterfaceNameProblem) throws
// std::invalid_argument.
std::string ReadConnectionInterface(SettingsStore& store);
// The same from the open "RemoteAccess" key.
std::string ReadConnectionInterface(TRegistry& reg);
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
    // Whether this source can end the connection it counts.
    virtual bool CanHangUp() const { return false; }
    // Ends the counted connection. done is called once, perhaps later from the event loop,
    // with "" or why it failed.
    using HangUpDone = std::function<void(const std::string& error)>;
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

// The source in use, without making it: NETROVA_DIALUP=networkmanager|pppd|manual, in any
// case; unset or empty: networkmanager when NetworkManager is on the system bus, else pppd where
// /etc/ppp/peers exists, else manual. Any other value throws std::runtime_error.
std::string DialUpSourceChoice();
std::unique_ptr<DialUpService> MakeDialUpService(SettingsStore& store);

} // namespace netrova
