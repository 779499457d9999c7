#pragma once

#include "history/HistoryFile.h"
#include "monitor/ExitJournal.h"
#include "monitor/InterfaceCounters.h"

#include <cstdint>
#include <exception>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace netrova {

class SettingsStore;
class Registry;
class Clock;
class MessageBoxes;
class HelpViewer;
class StoreError;

enum ConnectionState { csIdle = 0, csDetected = 1, csOnline = 2 };

// What a change notification is about.
enum class MonitorChange {
    Tick,     // a tick measured the connection
    Settings, // holiday, tray mode, beep reminder or reset policy
    Period,   // a new counting period: the counter's dates in the store are new, or about to be
};

// What a tick shows; the main window implements it.
class MonitorView {
public:
    virtual ~MonitorView() = default;
    // Caption of the connection group: "Connected" / "Not connected".
    virtual void ShowConnectionStatus(const std::string& caption) = 0;
    virtual void ShowProvider(const std::string& provider) = 0;
    virtual void ShowUser(const std::string& user) = 0;
    // The "Connected" picture when true, else the "Not connected" one.
    virtual void ShowConnectedPicture(bool connected) = 0;
    virtual void ShowConnTime(const std::string& text) = 0;
    virtual void ShowFee(const std::string& text) = 0;
    virtual void ShowTotalMoney(const std::string& text) = 0;
    // The current or last connection's volume (nothing: unknown), its last second while it is
    // counted, and the period's.
    virtual void ShowVolume(const std::optional<Volume>& /*connection*/,
                            const std::optional<Volume>& /*second*/, const Volume& /*period*/) {}
    // The application's title (task-bar text) and hint.
    virtual void ShowStatusText(const std::string& text) = 0;
    virtual void EnableTimer(bool enabled) = 0;
    // The last step of a connection's start: the programs of the launch list. Without a
    // window nothing is launched.
    virtual void RunExecList() {}
    // The tray icon of tray mode: added at start-up, given the status text and picture (1
    // while a connection is counted, else 0) at every tick, removed at exit.
    virtual void AddTrayIcon() = 0;
    virtual void UpdateTrayIcon(const std::string& text, int picture) = 0;
    virtual void RemoveTrayIcon() = 0;
};

// The monitor's state, in its declared order. Only the monitor changes it; others read it
// through Monitor::State() and change it through the monitor's methods.
struct MonitorState {
    THistoryRecord Rec{};
    int Connected = 0;
    int ConnState = csIdle;
    int LastBug = 0;
    int ResetPolicy = 0;
    int ResetDay = 0;
    int MinuteMarker = 0;
    int BeepSound = 0;
    std::int64_t StartRef = 0; // 64 bits: "Connect delay" may be any 32-bit number
    int Elapsed = 0;
    int ConnMoney = 0;
    int AllMoney = 0;
    int AllTime = 0;
    int StartAllTime = 0;
    int TrayMode = 0;
    int StartAllMoney = 0;
    int BeepEnabled = 0;
    int BeepInterval = 0;
    int BeepCount = 0;
    int HolidayOn = 0;
    std::string FeeText;
    std::string TipText;
    std::string ConnUser;
    std::string CurrentUser;
    std::string ProgramPath;
    std::string Provider = " ";
    // The counted connection's data volume; nothing while its interface was never seen.
    std::optional<Volume> ConnVolume;
    // Bytes of the last second, for the rate shown.
    Volume LastSecond;
    // The counting period's volume with the connection's, and without it.
    Volume AllVolume;
    Volume StartAllVolume;
};

// The monitor's state and its routines: start-up, the one-second tick, fee accrual, backup,
// recovery and the exit steps. The main window owns one for the life of the process.
class Monitor : private MonitorState {
public:
    // Byte counters are read below sysClassNet.
    Monitor(SettingsStore& store, Clock& clock, MessageBoxes& boxes, HelpViewer& help,
            MonitorView& view, std::string sysClassNet = "/sys/class/net");

    // Start-up and shutdown.
    void StartMonitor();
    void PersonalizeSettings();
    void InitCounterStart();
    // Whether this start wrote the defaults of a new user (the first start of that user).
    bool Personalized() const { return personalized_; }
    bool ConfirmExit();
    void CloseForExit();

    // The tick.
    void Timer1Timer();
    // Writes what the ticks changed and could not write yet (the connect values, the charges,
    // the backup, a finished connection with the totals) in one transaction. A store that is
    // busy or full keeps it all pending for the next tick, with one box per cause; should the
    // process die meanwhile, the crash marker leads the next start to the backup.
    void SaveTick();
    // Whether changes wait for SaveTick.
    bool SavePending() const { return unsaved_ != 0; }
    // Returns whether the tick started counting a connection.
    bool StepConnection();
    void UpdateConnection();
    TStamp ReadClock();

    // Fee accrual, backup and recovery.
    void ChargeMinute(const TStamp& now);
    void RecoverConnection();

    // Appends the records kept in the store to the history, in order, and removes them from the
    // store; false with the reason when some are still kept.
    bool AppendKeptRecords(FileError& why);

    // The state, read-only; it stays valid and current for the monitor's life.
    const MonitorState& State() const { return *this; }
    // Called after each tick and after each change made through the methods below.
    void SetChangeHandler(std::function<void(MonitorChange)> handler) {
        changed_ = std::move(handler);
    }

    // Changes from the windows and the options.
    void SetHoliday(bool on);
    void SetTrayMode(int mode);
    void SetBeepSettings(int enabled, int interval);
    void SetBeepInterval(int interval);
    void SetBeepSound(int sound);
    void SetBeepCount(int count);
    void SetResetPolicy(int policy, int resetDay);
    // A new counting period: a connection being counted goes on in it, one that has ended
    // belongs to the old period alone.
    void StartNewPeriod();

private:
    friend class MonitorTestSeam; // tests set state that only a long run of ticks would reach
    void Changed(MonitorChange change);

    // Whether a time or money value computed in 64 bits fits its stored 32-bit form; when it
    // does not, one error box per connection names it and the value is not taken.
    bool Fits32(std::int64_t value, const std::string& what, const char* unit);

    // Groups of values changed in a tick whose commit has not succeeded yet; SaveTick writes
    // them again, so a failed write is retried and never repeats its step.
    enum Unsaved : unsigned {
        kTotalsUnsaved = 1,
        kConnectUnsaved = 2,
        kMoneyUnsaved = 4,
        kBackupUnsaved = 8
    };
    void WriteUnsaved(Registry& machine);
    void WriteTotals(Registry& machine);
    void WriteConnectValues(Registry& machine);
    // Adds records to the ones kept in the store for the history file.
    void KeepRecords(Registry& machine, const std::vector<FinishedConnection>& finished);
    // Adds what the interface counted since the last tick.
    void CountVolume();
    // After a commit of everything unsaved.
    void Saved();
    // AppendKeptRecords when records are kept; a failure is reported once when `report`.
    void FlushKept(bool report);
    void ReportFailure(const std::string& text);
    // At start: what an exit left in the journal goes into the store, once.
    void ReplayExitJournal();
    // At exit, when the store did not take what was pending.
    void JournalPending(const StoreError& error);
    // The user's default dial-up entry, or "" when it cannot be a provider's name.
    std::string ProviderInUse();
    // A store write that failed (a StoreError, rethrown here to be told apart by its type).
    void StoreFailed(const std::exception_ptr& failure);

    unsigned unsaved_ = 0;
    // Connections that ended since the last commit: they land with the totals.
    std::vector<FinishedConnection> finished_;
    TStamp backupTime_{};
    bool keptWaiting_ = false; // records kept in the store wait for the history file
    int busyTicks_ = 0;
    // Failure boxes shown since everything was last written: each cause is shown once.
    std::set<std::string> failuresShown_;
    SettingsStore& store_;
    Clock& clock_;
    MessageBoxes& boxes_;
    HelpViewer& help_;
    MonitorView& view_;
    bool rangeErrorShown_ = false;
    // Clock::Elapsed() at the counted connection's start, the connect delay before it.
    std::int64_t elapsedFrom_ = 0;
    std::string refusedEntry_;
    ExitJournal journal_;
    InterfaceCounters counters_;
    std::optional<Volume> lastCounters_; // at the last tick
    std::string interface_;              // the connection's, as the tick read it
    bool personalized_ = false;
    std::function<void(MonitorChange)> changed_;
};

} // namespace netrova
