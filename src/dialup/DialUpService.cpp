#include "dialup/DialUpService.h"

#include "common/Log.h"
#include "common/Text.h"
#include "dialup/NetworkManagerSource.h"
#include "settings/Defaults.h"
#include "store/Registry.h"

#include <QString>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <signal.h>

namespace fs = std::filesystem;

namespace netrova {

namespace {

constexpr const char* kRemoteConnection = "Remote Connection";
constexpr const char* kDefault = "Default";
constexpr const char* kInterface = "Interface";
constexpr const char* kDialUpVariable = "NETROVA_DIALUP";

// Value names are case-insensitive in the store; entries must be compared the same way or a
// peer "ISP" and a stored "isp" would be removed and added again on every tick.
bool SameName(std::string_view a, std::string_view b) {
    return QString::fromUtf8(a.data(), static_cast<qsizetype>(a.size()))
               .compare(QString::fromUtf8(b.data(), static_cast<qsizetype>(b.size())),
                        Qt::CaseInsensitive) == 0;
}

const std::string* FindName(const std::vector<std::string>& names, std::string_view name) {
    for (const auto& n : names)
        if (SameName(n, name))
            return &n;
    return nullptr;
}

std::optional<std::string> ReadSmallFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(text);
    while (std::getline(in, part, separator))
        parts.push_back(part);
    return parts;
}

std::string Trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return std::string(text.substr(first, last - first + 1));
}

std::string FirstLine(const fs::path& path) {
    const auto text = ReadSmallFile(path);
    return text ? Trim(std::string_view(*text).substr(0, text->find('\n'))) : std::string();
}

bool IsPeerFileName(const std::string& name) {
    if (name.empty() || name.front() == '.' || name.back() == '~')
        return false;
    if (name.find(".dpkg-") != std::string::npos || name.find(".ucf-") != std::string::npos)
        return false;
    return EntryNameProblem(name).empty();
}

// Every source of entries checks its names; a name that still has a problem is a fault.
void RequireEntryName(std::string_view name) {
    if (const std::string problem = EntryNameProblem(name); !problem.empty())
        throw std::invalid_argument(problem + ": \"" + std::string(name) + "\"");
}

// ppp2 before ppp10.
bool InterfaceOrder(const std::string& a, const std::string& b) {
    return a.size() != b.size() ? a.size() < b.size() : a < b;
}

} // namespace

// ---------------------------------------------------------------------------------------------

std::uint32_t ReadRemoteConnectionFlag(Registry& reg) {
    // Anything but the service's binary form reads as "not connected" rather than failing.
    if (reg.GetDataType(kRemoteConnection) != ValueType::Binary)
        return 0;
    std::uint8_t bytes[4] = {0, 0, 0, 0};
    reg.ReadBinary(kRemoteConnection, bytes, sizeof bytes);
    return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

void WriteRemoteConnectionFlag(Registry& reg, std::uint32_t value) {
    const std::uint8_t bytes[4] = {
        static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
        static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
    reg.WriteBinary(kRemoteConnection, bytes, sizeof bytes);
}

bool ReadRemoteConnection(SettingsStore& store) {
    Registry reg(store, Root::LocalMachine);
    if (!reg.OpenKey(kRemoteAccessServiceKey, false))
        return false;
    const bool connected = ReadRemoteConnectionFlag(reg) == 1;
    reg.CloseKey();
    return connected;
}

DialUpState ReadDialUpState(SettingsStore& store) {
    DialUpState state;
    Registry reg(store, Root::LocalMachine);
    if (!reg.OpenKey(kRemoteAccessServiceKey, false))
        return state;
    state.connected = ReadRemoteConnectionFlag(reg) == 1;
    if (state.connected)
        state.interface = ReadConnectionInterface(reg);
    reg.CloseKey();
    return state;
}

void SetRemoteConnection(SettingsStore& store, bool connected) {
    Registry reg(store, Root::LocalMachine);
    reg.OpenKey(kRemoteAccessServiceKey, true);
    WriteRemoteConnectionFlag(reg, connected ? 1 : 0);
    reg.CloseKey();
}

std::string InterfaceNameProblem(std::string_view name) {
    if (name.empty() || name.size() > 15)
        return "a network interface's name has 1 to 15 characters";
    if (name == "." || name == "..")
        return "\"" + std::string(name) + "\" cannot be a network interface's name";
    for (const char c : name)
        if (c == '/' || static_cast<unsigned char>(c) <= ' ' || c == 0x7f)
            return "a network interface's name holds no \"/\", blank or control character";
    return {};
}

std::string ReadConnectionInterface(Registry& reg) {
    std::string name =
        reg.GetDataType(kInterface) == ValueType::String ? reg.ReadString(kInterface) : "";
    return InterfaceNameProblem(name).empty() ? name : std::string();
}

std::string ReadConnectionInterface(SettingsStore& store) {
    Registry reg(store, Root::LocalMachine);
    if (!reg.OpenKey(kRemoteAccessServiceKey, false))
        return {};
    std::string name = ReadConnectionInterface(reg);
    reg.CloseKey();
    return name;
}

void SetConnectionInterface(SettingsStore& store, std::string_view name) {
    if (!name.empty())
        if (const std::string problem = InterfaceNameProblem(name); !problem.empty())
            throw std::invalid_argument(problem);
    Registry reg(store, Root::LocalMachine);
    reg.OpenKey(kRemoteAccessServiceKey, true);
    if (name.empty())
        reg.DeleteValue(kInterface);
    else
        reg.WriteString(kInterface, name);
    reg.CloseKey();
}

std::string ReadDefaultEntry(SettingsStore& store) {
    Registry reg(store, Root::CurrentUser);
    if (!reg.OpenKey(kRemoteAccessKey, false))
        return {};
    const bool isString = reg.GetDataType(kDefault) == ValueType::String;
    std::string name = isString ? reg.ReadString(kDefault) : std::string();
    reg.CloseKey();
    return name;
}

void SetDefaultEntry(SettingsStore& store, std::string_view name) {
    RequireEntryName(name);
    Registry reg(store, Root::CurrentUser);
    reg.OpenKey(kRemoteAccessKey, true);
    reg.WriteString(kDefault, name);
    reg.CloseKey();
}

std::vector<std::string> ListEntries(SettingsStore& store) {
    Registry reg(store, Root::CurrentUser);
    if (!reg.OpenKey(kAddressesKey, false))
        return {};
    auto names = reg.GetValueNames();
    reg.CloseKey();
    return names;
}

std::optional<std::string> FindEntry(SettingsStore& store, std::string_view name) {
    const auto names = ListEntries(store);
    const std::string* found = FindName(names, name);
    return found ? std::optional<std::string>(*found) : std::nullopt;
}

bool AddEntry(SettingsStore& store, std::string_view name) {
    RequireEntryName(name);
    Registry reg(store, Root::CurrentUser);
    reg.OpenKey(kAddressesKey, true);
    const bool added = !reg.ValueExists(name);
    if (added)
        reg.WriteString(name, "");
    reg.CloseKey();
    return added;
}

bool RemoveEntry(SettingsStore& store, std::string_view name) {
    Registry reg(store, Root::CurrentUser);
    const bool removed = reg.OpenKey(kAddressesKey, false) && reg.DeleteValue(name);
    reg.CloseKey();
    return removed;
}

void SyncEntries(SettingsStore& store, const std::vector<std::string>& names) {
    Registry reg(store, Root::CurrentUser);
    reg.OpenKey(kAddressesKey, true);
    for (const auto& stored : reg.GetValueNames())
        if (!FindName(names, stored))
            reg.DeleteValue(stored);
    for (const auto& name : names)
        if (EntryNameProblem(name).empty() && !reg.ValueExists(name))
            reg.WriteString(name, "");
    reg.CloseKey();
}

std::string EntryNameProblem(std::string_view name) {
    if (name.empty())
        return "an entry name cannot be empty";
    if (name.find('\\') != std::string_view::npos)
        return "an entry name cannot contain \"\\\"";
    // A new line would make one entry two in any list of them.
    if (HasControlCharacter(name))
        return "an entry name cannot contain control characters (tab, new line ...)";
    // Names are shown, compared without case and written into the history as UTF-8.
    if (!IsUtf8(name))
        return "an entry name must be UTF-8 text";
    return {};
}

// ---------------------------------------------------------------------------------------------

PppdDialUpService::PppdDialUpService(SettingsStore& store, std::string sysClassNet,
                                     std::string runDir, std::string peersDir, std::string procDir)
    : store_(store), sysClassNet_(std::move(sysClassNet)), runDir_(std::move(runDir)),
      peersDir_(std::move(peersDir)), procDir_(std::move(procDir)) {}

void PppdDialUpService::Publish() {
    const auto interface = UpInterface();
    const bool connected = interface.has_value();
    const auto entries = PeerEntries();

    // Entries and "Default" go first: the monitor takes the provider in the tick that sees
    // "Remote Connection" become 1.
    if (entries && entries != entries_) {
        SyncEntries(store_, *entries);
        entries_ = entries;
    }
    if (connected) {
        const std::string entry = EntryInUse(*interface, entries ? entries : entries_);
        if (!entry.empty() && entry != default_) {
            SetDefaultEntry(store_, entry);
            default_ = entry;
        }
    }
    // Before the flag, so that the connect tick can already read the link's counters; cleared
    // after a disconnect, as the next ppp link may be another one.
    const std::string name = interface.value_or("");
    if (name != interface_) {
        if (interface_ || ReadConnectionInterface(store_) != name)
            SetConnectionInterface(store_, name);
        interface_ = name;
    }
    if (connected != connected_) {
        SetRemoteConnection(store_, connected);
        connected_ = connected;
    }
}

std::optional<std::string> PppdDialUpService::UpInterface() const {
    std::error_code ec;
    std::vector<std::string> up;
    for (const auto& item : fs::directory_iterator(sysClassNet_, ec)) {
        const std::string name = item.path().filename().string();
        if (!name.starts_with("ppp"))
            continue;
        const std::string state = FirstLine(item.path() / "operstate");
        const std::string flagsText = FirstLine(item.path() / "flags");
        const unsigned long flags = std::strtoul(flagsText.c_str(), nullptr, 16);
        constexpr unsigned long kIffUp = 0x1;
        if ((state == "up" || state == "unknown") && (flags & kIffUp))
            up.push_back(name);
    }
    if (up.empty())
        return std::nullopt;
    return *std::min_element(up.begin(), up.end(), InterfaceOrder);
}

void PppdDialUpService::HangUp(HangUpDone done) {
    const auto interface = UpInterface();
    if (!interface)
        return done("No ppp link is up.");
    std::string pid = FirstLine(fs::path(runDir_) / (*interface + ".pid"));
    if (pid.empty())
        if (const std::string link = LinkNameOf(*interface, ""); !link.empty())
            pid = FirstLine(fs::path(runDir_) / ("ppp-" + link + ".pid"));
    const auto number = ParseInt32(pid);
    // Never a process group or init, whatever a pid file says; and a pid file left behind may
    // name another program by now.
    if (!number || *number <= 1)
        return done("The pid of pppd on " + *interface + " is not known.");
    if (FirstLine(fs::path(procDir_) / pid / "comm") != "pppd")
        return done("The pid file of " + *interface + " names no running pppd (pid " + pid + ").");
    if (::kill(*number, SIGTERM) != 0)
        return done("pppd (pid " + pid + ") cannot be stopped: " + std::strerror(errno));
    done({});
}

std::optional<std::vector<std::string>> PppdDialUpService::PeerEntries() const {
    std::error_code ec;
    fs::directory_iterator it(peersDir_, ec);
    if (ec == std::errc::no_such_file_or_directory)
        return std::vector<std::string>{};
    if (ec)
        return std::nullopt;
    std::vector<std::string> names;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec)
            return std::nullopt;
        const std::string name = it->path().filename().string();
        std::error_code typeError;
        if (IsPeerFileName(name) && it->is_regular_file(typeError))
            names.push_back(name);
    }
    if (ec)
        return std::nullopt;
    std::sort(names.begin(), names.end());
    return names;
}

std::string
PppdDialUpService::EntryInUse(const std::string& interface,
                              const std::optional<std::vector<std::string>>& entries) const {
    const std::string pid = FirstLine(fs::path(runDir_) / (interface + ".pid"));
    const std::string candidates[] = {LinkNameOf(interface, pid), CalledPeerOf(pid)};
    if (entries) {
        // The spelling of the peer file, so that it matches the provider list exactly.
        for (const auto& candidate : candidates)
            if (const std::string* entry =
                    candidate.empty() ? nullptr : FindName(*entries, candidate))
                return *entry;
    }
    for (const auto& candidate : candidates)
        if (!candidate.empty())
            return candidate;
    if (entries && entries->size() == 1)
        return entries->front();
    return {};
}

// pppd's linkname option writes ppp-<link>.pid with the pid on the first line and the
// interface on the second once the interface exists.
std::string PppdDialUpService::LinkNameOf(const std::string& interface,
                                          const std::string& pid) const {
    std::error_code ec;
    std::vector<std::string> links;
    for (const auto& item : fs::directory_iterator(runDir_, ec)) {
        const std::string file = item.path().filename().string();
        if (!file.starts_with("ppp-") || !file.ends_with(".pid") || file.size() <= 8)
            continue;
        const auto text = ReadSmallFile(item.path());
        if (!text)
            continue;
        const auto lines = Split(*text, '\n');
        const std::string linkPid = lines.empty() ? "" : Trim(lines[0]);
        const std::string linkInterface = lines.size() > 1 ? Trim(lines[1]) : "";
        const bool matches =
            linkInterface.empty() ? !pid.empty() && linkPid == pid : linkInterface == interface;
        if (matches)
            links.push_back(file.substr(4, file.size() - 8));
    }
    if (links.empty())
        return {};
    std::sort(links.begin(), links.end());
    return EntryNameProblem(links.front()).empty() ? links.front() : std::string();
}

// "pppd call NAME" (what pon runs) or "pppd file <peers>/NAME".
std::string PppdDialUpService::CalledPeerOf(const std::string& pid) const {
    if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos)
        return {};
    const auto cmdline = ReadSmallFile(fs::path(procDir_) / pid / "cmdline");
    if (!cmdline)
        return {};
    const auto args = Split(*cmdline, '\0');
    for (std::size_t i = 0; i + 1 < args.size(); ++i) {
        std::string peer;
        if (args[i] == "call")
            peer = args[i + 1];
        else if (args[i] == "file" && fs::path(args[i + 1]).parent_path() == fs::path(peersDir_))
            peer = fs::path(args[i + 1]).filename().string();
        if (!peer.empty() && EntryNameProblem(peer).empty())
            return peer;
    }
    return {};
}

// ---------------------------------------------------------------------------------------------

namespace {

constexpr const char* kPeersDir = "/etc/ppp/peers";

} // namespace

const char* DialUpChoice::Name() const {
    switch (Source) {
    case DialUpSource::NetworkManager:
        return "NetworkManager";
    case DialUpSource::Pppd:
        return "pppd";
    case DialUpSource::Automatic:
    case DialUpSource::Manual:
        break;
    }
    return "manual";
}

std::string DialUpChoice::How() const {
    const std::string reason = Reason.empty() ? std::string() : " (" + Reason + ")";
    switch (ChosenBy) {
    case By::Variable:
        return Reason.empty() ? "set by NETROVA_DIALUP"
                              : "chosen automatically as NETROVA_DIALUP asks" + reason;
    case By::Preferences:
        return Reason.empty() ? "set in Preferences" : Reason;
    case By::Automatic:
        break;
    }
    return "chosen automatically" + reason;
}

std::optional<DialUpSource> DialUpSourceFromEnvironment() {
    const char* value = std::getenv(kDialUpVariable);
    if (!value || !*value)
        return std::nullopt;
    if (const auto source = DialUpSourceFromWord(value))
        return source;
    const std::string name = kDialUpVariable;
    throw std::runtime_error(name + "=\"" + value + "\" is not a dial-up source; use " + name +
                             "=networkmanager, " + name + "=pppd, " + name + "=manual or " + name +
                             "=automatic (in any case).");
}

DialUpChoice AutomaticChoice(bool networkManagerRunning, DialUpChoice::By by) {
    DialUpChoice choice;
    choice.ChosenBy = by == DialUpChoice::By::Variable ? by : DialUpChoice::By::Automatic;
    std::error_code ec;
    if (networkManagerRunning) {
        choice.Source = DialUpSource::NetworkManager;
        choice.Reason = "NetworkManager is on the system bus";
    } else if (fs::exists(kPeersDir, ec)) {
        choice.Source = DialUpSource::Pppd;
        choice.Reason =
            std::string("NetworkManager is not on the system bus, ") + kPeersDir + " exists";
    } else {
        choice.Source = DialUpSource::Manual;
        choice.Reason = std::string("neither NetworkManager on the system bus nor ") + kPeersDir;
    }
    return choice;
}

DialUpChoice ChooseDialUpSource(DialUpSource setting, DialUpChoice::By by) {
    if (setting == DialUpSource::Automatic)
        return AutomaticChoice(NetworkManagerDialUpService::Running(), by);
    DialUpChoice choice;
    choice.Source = setting;
    choice.ChosenBy = by;
    return choice;
}

DialUpChoice ChooseDialUpSource(SettingsStore& store) {
    if (const auto variable = DialUpSourceFromEnvironment())
        return ChooseDialUpSource(*variable, DialUpChoice::By::Variable);
    return ChooseDialUpSource(MachineSettings(store).ConnectionSource(),
                              DialUpChoice::By::Preferences);
}

std::unique_ptr<DialUpService> MakeDialUpService(SettingsStore& store, DialUpSource source) {
    switch (source) {
    case DialUpSource::NetworkManager:
        return std::make_unique<NetworkManagerDialUpService>(store);
    case DialUpSource::Pppd:
        return std::make_unique<PppdDialUpService>(store);
    case DialUpSource::Automatic:
    case DialUpSource::Manual:
        break;
    }
    return std::make_unique<ManualDialUpService>();
}

// ---------------------------------------------------------------------------------------------

DialUpSwitch::DialUpSwitch(SettingsStore& store)
    : DialUpSwitch(
          store, [&store](DialUpSource source) { return MakeDialUpService(store, source); },
          [](DialUpSource setting, const std::function<void(const DialUpChoice&)>& done) {
              if (setting != DialUpSource::Automatic) {
                  done(ChooseDialUpSource(setting, DialUpChoice::By::Preferences));
                  return;
              }
              // No call waits on the window's thread once it runs.
              NetworkManagerDialUpService::AskRunning([done](bool running) {
                  done(AutomaticChoice(running, DialUpChoice::By::Preferences));
              });
          },
          ChooseDialUpSource(store)) {}

DialUpSwitch::DialUpSwitch(SettingsStore& store, Maker make, Resolver resolve,
                           const DialUpChoice& first)
    : store_(store), make_(std::move(make)), resolve_(std::move(resolve)) {
    fixed_ = first.ChosenBy == DialUpChoice::By::Variable;
    if (!fixed_) {
        writes_ = MachineSettings::ConnectionSourceWrites();
        version_ = store_.OutsideVersion(Root::LocalMachine);
        followed_ = wanted_ = MachineSettings(store_).ConnectionSource();
    }
    try {
        service_ = make_(first.Source);
        choice_ = first;
    } catch (const std::exception& e) {
        // NETROVA_DIALUP asked for it: the start is refused. A choice in Preferences must not
        // keep the program, and so Preferences, from starting.
        if (fixed_)
            throw;
        service_ = make_(DialUpSource::Manual);
        choice_.Source = DialUpSource::Manual;
        choice_.ChosenBy = DialUpChoice::By::Preferences;
        choice_.Reason =
            std::string("in place of ") + first.Name() + ", set in Preferences: " + e.what();
    }
    qCInfo(lcDialup).noquote() << "Connection source:"
                               << QString::fromStdString(choice_.Text() + ".");
}

DialUpSwitch::~DialUpSwitch() = default;

void DialUpSwitch::Publish() {
    if (!fixed_)
        FollowSetting();
    service_->Publish();
}

void DialUpSwitch::FollowSetting() {
    // Read again only after the setting was written here, or the store by another program.
    const std::uint64_t writes = MachineSettings::ConnectionSourceWrites();
    const std::int64_t version = store_.OutsideVersion(Root::LocalMachine);
    if (writes != writes_ || version != version_) {
        writes_ = writes;
        version_ = version;
        const DialUpSource wanted = MachineSettings(store_).ConnectionSource();
        if (wanted != wanted_) {
            wanted_ = wanted;
            ready_.reset();
            waitSaid_ = false;
            if (wanted_ != followed_)
                Resolve(wanted_);
        }
    }
    if (wanted_ == followed_ || !ready_)
        return;
    // The connection being counted ends with the source that counts it.
    if (ReadRemoteConnection(store_)) {
        if (!waitSaid_)
            qCInfo(lcDialup).noquote() << "The connection source changes to" << ready_->Name()
                                       << "when the connection being counted has ended.";
        waitSaid_ = true;
        return;
    }
    const DialUpChoice choice = *ready_;
    ready_.reset();
    // A source that cannot be made is tried again only when the choice changes again.
    if (choice.Source != choice_.Source)
        service_ = make_(choice.Source);
    followed_ = wanted_;
    choice_ = choice;
    qCInfo(lcDialup).noquote() << "Connection source now:"
                               << QString::fromStdString(choice_.Text() + ".");
}

void DialUpSwitch::Resolve(DialUpSource setting) {
    resolve_(setting, [this, setting, alive = std::weak_ptr<int>(alive_)](const DialUpChoice& c) {
        // An answer for a setting changed again since is dropped.
        if (!alive.expired() && setting == wanted_)
            ready_ = c;
    });
}

std::unique_ptr<DialUpService> MakeDialUpService(SettingsStore& store) {
    return std::make_unique<DialUpSwitch>(store);
}

} // namespace netrova
