#pragma once

#include "counter/CounterTotals.h"

#include <string>

namespace netrova {

class Clock;
class MessageBoxes;
class ReportRunner;
class SettingsStore;
class Monitor;

// The counter totals and their resets, acting on the monitor's totals and the store. Cheap to
// make: it only holds references.
class Counter {
public:
    // Reports are written through reports when given, else in the caller's thread.
    Counter(Monitor& monitor, SettingsStore& store, Clock& clock, MessageBoxes& boxes,
            ReportRunner* reports = nullptr);

    // Starts a new counting period on the date given (today): the optional report of the ending
    // period, the totals, the counting-since date, an empty history and no crashes. With a
    // report asked for, nothing is reset unless the report was written whole; a stop box names
    // it and why. A history that cannot be emptied is named in an error box once the other
    // steps are done. Returns whether it reset.
    bool ResetCounter(int year, int month, int day, int withReport);

    // At start, after the monitor has loaded the totals and recovered a connection: resets
    // when the period of the stored policy is over, however many months have passed since.
    // A damaged counting-since date is named once and never resets. Returns whether it reset.
    bool CheckScheduledReset();

    // "&Reset counter": asks first; with "Report" as stored. Returns whether it reset.
    bool ResetCounterClick();

    // Resets as of today.
    bool ResetToday(int withReport);

    // The policy and report switch as stored, for the "Counter" dialog.
    CounterPolicy StoredPolicy();
    // The dialog's "OK": the policy 1..4 (any other keeps the monitor's) and the report switch.
    // The two-weeks policy starts its marker from today.
    void ApplyPolicy(int policy, int report);

    // "&Create report": the report for today, then a box naming it or why it failed.
    void CreateReportNow();

    // At start, before the monitor reads the history: finishes a reset that was cut off between
    // its new totals and the emptied history, and removes what interrupted reports left.
    // Returns whether a reset was finished.
    static bool FinishInterruptedReset(SettingsStore& store, MessageBoxes& boxes);

private:
    bool Reset(int year, int month, int day, int withReport, bool scheduled);

    Monitor& monitor_;
    SettingsStore& store_;
    Clock& clock_;
    MessageBoxes& boxes_;
    ReportRunner* reports_;
};

} // namespace netrova
