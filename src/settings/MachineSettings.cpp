#include "settings/MachineSettings.h"

#include "settings/Defaults.h"
#include "store/Registry.h"

#include "common/Log.h"
#include "common/Text.h"

#include <atomic>
#include <filesystem>
#include <mutex>

namespace netrova {

namespace {

constexpr const char* kProgramPath = "Program path";
constexpr const char* kFirstTime = "FirstTime";
constexpr const char* kBug = "Bug";
constexpr const char* kAntiCrash = "AntiCrash";
constexpr const char* kStart = "Start";
constexpr const char* kCurrentUser = "Current User";
constexpr const char* kCrash = "Crash";
constexpr const char* kConnectionSource = "Connection Source";

struct SourceWord {
    DialUpSource source;
    const char* word;
};
// The default, Automatic, is what a missing value reads.
constexpr SourceWord kSourceWords[] = {{DialUpSource::Automatic, "automatic"},
                                       {DialUpSource::NetworkManager, "networkmanager"},
                                       {DialUpSource::Pppd, "pppd"},
                                       {DialUpSource::Manual, "manual"}};

// The installation defaults in the order they are written; "Program path" comes first.
struct IntDefault {
    const char* name;
    std::int32_t value;
};
constexpr IntDefault kIntDefaults[] = {{kFirstTime, 1}, {kBug, 0}, {kAntiCrash, 1}, {kStart, 0}};

// "Start" and "AntiCrash" of a key that must exist.
bool ReadFlag(SettingsStore& store, const char* name) {
    Registry reg(store, Root::LocalMachine);
    reg.OpenKey(kProductKey, false);
    const bool on = reg.ReadInteger(name) != 0;
    reg.CloseKey();
    return on;
}

} // namespace

const char* DialUpSourceWord(DialUpSource source) {
    for (const SourceWord& w : kSourceWords)
        if (w.source == source)
            return w.word;
    return kSourceWords[0].word;
}

std::optional<DialUpSource> DialUpSourceFromWord(std::string_view word) {
    if (word.empty())
        return DialUpSource::Automatic;
    for (const SourceWord& w : kSourceWords) {
        if (SameFoldedAscii(w.word, word))
            return w.source;
    }
    return std::nullopt;
}

MachineSettings::MachineSettings(SettingsStore& store) : store_(store) {}

void MachineSettings::EnsureDefaults(Registry& reg, const std::string& programPath) {
    reg.OpenKey(kProductKey, true);
    WriteStringDefault(reg, kProgramPath, programPath);
    for (const IntDefault& d : kIntDefaults)
        WriteIntegerDefault(reg, d.name, d.value);
    reg.OpenKey(kUsersKey, true);
    WriteIntegerDefault(reg, kCrash, 0);
}

std::string MachineSettings::CurrentUser() {
    Registry reg(store_, Root::LocalMachine);
    if (!reg.OpenKey(kControlKey, false))
        return "Default";
    std::string user = reg.ValueCount() == 0 ? "Default" : reg.ReadString(kCurrentUser);
    reg.CloseKey();
    return user;
}

void MachineSettings::SetCurrentUser(const std::string& loginName) {
    Registry reg(store_, Root::LocalMachine);
    reg.OpenKey(kControlKey, true);
    reg.WriteString(kCurrentUser, loginName);
    reg.CloseKey();
}

std::string MachineSettings::ProgramPath() {
    Registry reg(store_, Root::LocalMachine);
    const std::string path = reg.OpenKey(kProductKey, false) ? reg.ReadString(kProgramPath) : "";
    reg.CloseKey();
    return ProgramFolder(path, store_.Paths());
}

std::string MachineSettings::ProgramFolder(const std::string& stored, const StorePaths& paths) {
    if (!stored.empty() && std::filesystem::path(stored).is_absolute())
        return stored;
    std::string folder = paths.MachineFolder();
    // Said once for each value met, not at every reading of it.
    static std::mutex saidMutex;
    static std::string said;
    const std::lock_guard lock(saidMutex);
    if (said != stored + '\n' + folder) {
        said = stored + '\n' + folder;
        qCWarning(lcStore).noquote()
            << (stored.empty()
                    ? QStringLiteral("\"Program path\" is empty;")
                    : QLatin1String("\"Program path\" \"") + QString::fromStdString(stored) +
                          QLatin1String("\" is not an absolute folder;"))
            << "the history and the reports are kept in" << QString::fromStdString(folder)
            << "instead.";
    }
    return folder;
}

bool MachineSettings::FirstTime() {
    Registry reg(store_, Root::LocalMachine);
    OpenForReading(reg, kProductKey);
    const bool first = reg.ReadInteger(kFirstTime) != 0;
    reg.CloseKey();
    return first;
}

void MachineSettings::EndFirstTime() {
    Registry reg(store_, Root::LocalMachine);
    reg.OpenKey(kProductKey, true);
    reg.WriteInteger(kFirstTime, 0);
    reg.CloseKey();
}

LastRun MachineSettings::MarkRunning() {
    Registry reg(store_, Root::LocalMachine);
    reg.OpenKey(kProductKey, true);
    LastRun last;
    last.Bug = reg.ReadInteger(kBug);
    const std::int32_t antiCrash = reg.ReadInteger(kAntiCrash);
    last.Recover = last.Bug == static_cast<std::int32_t>(CrashMarker::Counting) && antiCrash == 1;
    if (!last.Recover)
        WriteCrashMarker(reg, CrashMarker::Running);
    reg.CloseKey();
    return last;
}

void MachineSettings::WriteCrashMarker(Registry& reg, CrashMarker marker) {
    reg.OpenKey(kProductKey, true);
    reg.WriteInteger(kBug, static_cast<std::int32_t>(marker));
}

bool MachineSettings::Start() {
    return ReadFlag(store_, kStart);
}

bool MachineSettings::AntiCrash() {
    return ReadFlag(store_, kAntiCrash);
}

void MachineSettings::SetAutostartValue(bool start, const std::string& program) {
    Registry reg(store_, Root::LocalMachine);
    reg.OpenKey(kRunKey, true);
    reg.WriteString(kRunValue, start ? program : std::string());
    reg.CloseKey();
}

void MachineSettings::SetChoices(bool antiCrash, bool start) {
    Registry reg(store_, Root::LocalMachine);
    reg.OpenKey(kProductKey, false);
    reg.WriteInteger(kAntiCrash, antiCrash ? 1 : 0);
    reg.WriteInteger(kStart, start ? 1 : 0);
    reg.CloseKey();
}

DialUpSource MachineSettings::ConnectionSource() {
    Registry reg(store_, Root::LocalMachine);
    if (!reg.OpenKey(kRemoteAccessServiceKey, false))
        return DialUpSource::Automatic;
    const std::string word = reg.GetDataType(kConnectionSource) == ValueType::String
                                 ? reg.ReadString(kConnectionSource)
                                 : std::string();
    reg.CloseKey();
    if (const auto source = DialUpSourceFromWord(word))
        return *source;
    // Said once for each word met, not at every reading.
    static std::mutex saidMutex;
    static std::string said;
    const std::lock_guard lock(saidMutex);
    if (said != word) {
        said = word;
        qCWarning(lcStore).noquote() << QLatin1String("\"Connection Source\" \"") +
                                            QString::fromStdString(word) +
                                            QLatin1String("\" names no connection source; "
                                                          "Automatic is used.");
    }
    return DialUpSource::Automatic;
}

namespace {
std::atomic<std::uint64_t> connectionSourceWrites{0};
} // namespace

void MachineSettings::SetConnectionSource(DialUpSource source) {
    Registry reg(store_, Root::LocalMachine);
    reg.OpenKey(kRemoteAccessServiceKey, true);
    reg.WriteString(kConnectionSource, DialUpSourceWord(source));
    reg.CloseKey();
    ++connectionSourceWrites;
}

std::uint64_t MachineSettings::ConnectionSourceWrites() {
    return connectionSourceWrites;
}

std::int32_t MachineSettings::CrashCount() {
    Registry reg(store_, Root::LocalMachine);
    if (!reg.OpenKey(kUsersKey, false))
        return 0;
    const std::int32_t crashes = reg.ValueExists(kCrash) ? reg.ReadInteger(kCrash) : 0;
    reg.CloseKey();
    return crashes;
}

void MachineSettings::ClearCrashCount() {
    Registry reg(store_, Root::LocalMachine);
    WriteCrashCount(reg, 0);
    reg.CloseKey();
}

std::int32_t MachineSettings::CrashCount(Registry& reg) {
    reg.OpenKey(kUsersKey, true);
    return reg.ReadInteger(kCrash);
}

void MachineSettings::WriteCrashCount(Registry& reg, std::int32_t count) {
    reg.OpenKey(kUsersKey, true);
    reg.WriteInteger(kCrash, count);
}

} // namespace netrova
