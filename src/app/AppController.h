#pragma once

#include "counter/Counter.h"
#include "counter/HistoryGroup.h"
#include "monitor/Monitor.h"
#include "platform/DesktopServices.h"
#include "settings/Limits.h"
#include "statistics/LimitReach.h"

#include <QObject>

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

class QTimer;

namespace netrova {

class Clock;
class HelpViewer;
class MessageBoxes;
class ReportRunner;
class SettingsStore;

// The limits as amounts: cents and bytes.
LimitAmounts AmountsOf(const LimitSettings& limits);

// What a tick shows besides the monitor's own fields; the main window implements it.
class AppView {
public:
    virtual ~AppView() = default;
    // "All Con. time :" and the texts of the "History" group.
    virtual void ShowHistoryGroup(const std::string& allTime, const HistoryGroupTexts& texts) = 0;
    // The limits' rows: each empty while its limit is not set.
    virtual void ShowLimitFields(const std::string& money, const std::string& volume) = 0;
    // The last part of each tick: what the window keeps of its own (the clock, a late tray).
    virtual void EndOfTick() = 0;
};

// The program without its window: the start-up, the one-second tick in its order, the limits'
// alerts and the exit steps. It owns the monitor and the tick's timer for the life of the
// process.
class AppController : public QObject {
    Q_OBJECT
public:
    AppController(SettingsStore& store, Clock& clock, MessageBoxes& boxes, HelpViewer& help,
                  const DesktopServices& services, MonitorView& monitorView, AppView& view,
                  ReportRunner* reports, QObject* parent = nullptr);

    Monitor& ConnectionMonitor() { return monitor_; }
    const MonitorState& State() const { return monitor_.State(); }
    // The counter's commands, on this program's monitor.
    Counter CounterCommands();

    // The start-up: an interrupted reset finished, the monitor started, a scheduled reset due;
    // the timer waits for its end, so that no tick runs under its message boxes.
    void Start();
    // One tick. A tick that a message box of its own lets the timer call again is refused: the
    // monitor is never entered twice.
    void Tick();
    // Asked by the monitor: ticks on or off.
    void EnableTimer(bool enabled);
    // The exit steps, run at most once; no tick runs after them.
    void RunExitSteps();
    // The confirmed exit of the "Exit" commands: false when the user keeps the program or the
    // exit steps already ran.
    bool ConfirmExit();

    // The limits are read again at the next tick (after their dialog).
    void ForgetLimits() { limits_.reset(); }
    // The limits past their first warning, each as "… (money limit)" / "… (data limit)".
    std::vector<std::string> LimitsPastWarning() const;
    // Hangs up for a limit; a refusal is told once.
    void HangUpForLimit();

private:
    // Runs one part of the tick: one that fails leaves the others running, its error shown once.
    void Step(const std::function<void()>& step);
    void UpdateHistoryGroup();
    void CheckLimitAlerts();

    SettingsStore& store_;
    Clock& clock_;
    MessageBoxes& boxes_;
    DesktopServices services_;
    AppView& view_;
    ReportRunner* reports_;
    Monitor monitor_;
    QTimer* timer_;
    bool starting_ = false;
    bool timerWanted_ = false;
    bool ticking_ = false;
    bool exitStepsDone_ = false;
    std::set<std::string> tickErrorsShown_;
    // The counter's dates as last read, and the day they were read on.
    std::optional<CounterSince> counterDates_;
    int datesDay_ = 0;
    std::int64_t datesVersion_ = 0;
    // The period's limits as last read: at start, after the dialog and after an outside change.
    std::optional<LimitAmounts> limits_;
    LimitSettings limitSettings_;
    bool alerting_ = false; // a fallback box is open: the ticks under it give no alerts
    std::int64_t limitsVersion_ = 0;
    bool hangUpRefusalSaid_ = false;
};

} // namespace netrova
