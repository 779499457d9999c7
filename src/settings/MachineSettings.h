#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace netrova {

class SettingsStore;
class Registry;
struct StorePaths;

// The crash marker "Bug": how the last run ended, or what this one is doing.
enum class CrashMarker : std::int32_t { Ended = 0, Running = 1, Counting = 2 };

// The crash marker as the last run left it, and whether the connection it was counting is to be
// recovered (a connection was open and "AntiCrash" is on).
struct LastRun {
    std::int32_t Bug = 0;
    bool Recover = false;
};

// Where the connection's state comes from, as Preferences chooses it. Automatic is NetworkManager
// where it runs, else pppd where /etc/ppp/peers exists, else manual (dialup/DialUpService.h).
enum class DialUpSource { Automatic, NetworkManager, Pppd, Manual };
// The stored word of a source, which NETROVA_DIALUP takes too: "automatic", "networkmanager",
// "pppd", "manual".
const char* DialUpSourceWord(DialUpSource source);
// The source a word names, in any case; "" is Automatic; nullopt for any other word.
std::optional<DialUpSource> DialUpSourceFromWord(std::string_view word);

// The machine-wide values of "\Software\Netrova": "Program path", "FirstTime", "Bug" (the crash
// marker: 0 ended in order, 1 running, 2 counting a connection), "AntiCrash", "Start"; and the
// autostart value of the "Run" key; "Current User" of the control key; the count of recovered
// connections, "Crash" of the "Users" key; the connection source, "Connection Source" beside
// "Remote Connection" in "\System\CurrentControlSet\Services\RemoteAccess". Their defaults are
// spelled here alone.
class MachineSettings {
public:
    explicit MachineSettings(SettingsStore& store);

    // Writes the default of every value that is missing into `reg`, which joins the caller's
    // transaction; `programPath` is the program directory.
    static void EnsureDefaults(Registry& reg, const std::string& programPath);

    // "Current User" of the control key: the login name of the user the program runs for;
    // "Default" when the key holds no value at all.
    std::string CurrentUser();
    void SetCurrentUser(const std::string& loginName);

    // The program directory. Read without the write lock when the key is there.
    std::string ProgramPath();
    // The program directory that a stored "Program path" stands for: an empty or relative one
    // (which would put the history at the root or wherever the process was started) gives the
    // default one, the machine store's folder, and a notice on the log.
    static std::string ProgramFolder(const std::string& stored, const StorePaths& paths);
    // Whether the counting has still to start; EndFirstTime says it has.
    bool FirstTime();
    void EndFirstTime();
    // The start's look at the crash marker, one transaction: unless a connection is to be
    // recovered, which keeps it at 2 until the recovery has committed, the marker becomes 1.
    LastRun MarkRunning();
    // Writes the crash marker into `reg`, inside the caller's transaction whose state it marks.
    // Leaves the product key open.
    static void WriteCrashMarker(Registry& reg, CrashMarker marker);

    // Connections recovered since the last counter reset; a missing key or value counts as 0.
    std::int32_t CrashCount();
    void ClearCrashCount();
    // The count as `reg` reads it inside the caller's transaction, and its write there.
    static std::int32_t CrashCount(Registry& reg);
    static void WriteCrashCount(Registry& reg, std::int32_t count);

    bool Start();
    bool AntiCrash();
    // The Preferences dialog's "OK": the "Run" value, the program or, switched off, empty text;
    // then, in a transaction of their own, "AntiCrash" and "Start". The product key must exist.
    void SetAutostartValue(bool start, const std::string& program);
    void SetChoices(bool antiCrash, bool start);
    // "Connection Source", a word of DialUpSourceWord. Missing reads Automatic, and so does a
    // word that names no source (with a notice on the log); reading creates nothing.
    DialUpSource ConnectionSource();
    void SetConnectionSource(DialUpSource source);
    // How many times this process has set the connection source: a reader checks it, and the
    // store's outside version for the other programs, instead of reading at every commit.
    static std::uint64_t ConnectionSourceWrites();

private:
    SettingsStore& store_;
};

} // namespace netrova
