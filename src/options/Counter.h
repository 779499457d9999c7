#pragma once

namespace netrova {

class Clock;
class MessageBoxes;
class SettingsStore;
class TMonitor;

// The two-weeks marker for a period that starts on day `day`: its reset falls on the 14th of
// the same month when it starts before the 14th, else in the next month.
int TwoWeeksMarker(int day);

// The counter totals and their resets, acting on the monitor's totals and the store. Cheap to
// make: it only holds references.
class TCounter {
public:
    TCounter(TMonitor& monitor, SettingsStore& store, Clock& clock, MessageBoxes& boxes);

    // Starts a new counting period on the date given (today): the optional report of the ending
    // period, the totals, the counting-since date, an empty history and no crashes. A history
    // that cannot be emptied is named in an error box once the other steps are done.
    void ResetCounter(int year, int month, int day, int withReport);

    // At start, after the monitor has loaded the totals and recovered a connection: resets
    // when the period of the stored policy is over, however many months have passed since.
    // Returns whether it reset.
    bool CheckScheduledReset();

    // "&Reset counter": asks first; with "Report" as stored. Returns whether it reset.
    bool ResetCounterClick();

    // "&Create report": the report for today.
    void CreateReportNow();

private:
    TMonitor& monitor_;
    SettingsStore& store_;
    Clock& clock_;
    MessageBoxes& boxes_;
};

} // namespace netrova
