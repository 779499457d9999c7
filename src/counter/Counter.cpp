#include "counter/Counter.h"

#include "counter/CounterText.h"
#include "counter/CounterTotals.h"
#include "history/KeptRecords.h"
#include "history/VolumeFile.h"
#include "monitor/Monitor.h"
#include "platform/Clock.h"
#include "platform/MessageBoxes.h"
#include "reports/Report.h"
#include "reports/ReportFiles.h"
#include "settings/Defaults.h"
#include "settings/MachineSettings.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <optional>

namespace netrova {

namespace {

// A report written again when connections ended while it was written.
constexpr int kReportTries = 3;

// The reset's last steps, after its totals are committed: the history emptied, no crashes, and
// then the mark cleared. Run again after a crash, they do the same.
void FinishReset(SettingsStore& store, MessageBoxes& boxes, const std::string& programPath) {
    FileError why;
    // The volumes go with the history they belong to.
    const bool emptied = EmptyHistory(programPath, &why) && EmptyVolumes(programPath, &why);
    DiscardKeptRecords(store);

    MachineSettings(store).ClearCrashCount();
    // A history that cannot be emptied is named, not tried again at every start.
    CounterTotals(store).FinishReset();

    if (!emptied)
        boxes.Show("The history file " + HistoryPath(programPath) +
                       " could not be emptied: " + why.text + ".",
                   MsgIcon::Stop);
}

} // namespace

Counter::Counter(Monitor& monitor, SettingsStore& store, Clock& clock, MessageBoxes& boxes,
                 ReportRunner* reports)
    : monitor_(monitor), store_(store), clock_(clock), boxes_(boxes), reports_(reports) {}

bool Counter::ResetCounter(int year, int month, int day, int withReport) {
    return Reset(year, month, day, withReport, false);
}

bool Counter::Reset(int year, int month, int day, int withReport, bool scheduled) {
    const MonitorState& m = monitor_.State();
    // Connections kept in the store while the history file could not be written belong to the
    // period that ends: into the history first, so that its report has them. Otherwise they
    // go with the history, and never into the new period.
    FileError why;
    const bool keptWritten = monitor_.AppendKeptRecords(why);
    // The report reads the history before it is emptied, and the period ends only with its
    // report on disk. Ticks go on while it is written: a connection that ended meanwhile has
    // to be in it too.
    if (withReport == 1) {
        ReportOutcome report;
        if (!keptWritten) {
            report.Path = ReportsPath(m.ProgramPath) + "/" + ReportFileName(year, month, day);
            report.Error = "connections wait for the history file " + HistoryPath(m.ProgramPath) +
                           ", which cannot be written (" + why.text + ")";
        } else {
            ReportRunner inThread;
            ReportRunner& runner = reports_ ? *reports_ : inThread;
            for (int tries = 0; tries < kReportTries; ++tries) {
                report = runner.Run(m.ProgramPath, year, month, day);
                if (!report.Written || report.Records == HistoryRecordCount(m.ProgramPath))
                    break;
                report.Written = false;
                report.Error = "the history grew while it was written";
            }
        }
        if (!report.Written) {
            boxes_.Show("The report " + report.Path + " could not be written: " + report.Error +
                            (scheduled ? ". The counter is reset at the next start instead."
                                       : ". Nothing was reset."),
                        MsgIcon::Stop);
            return false;
        }
    }

    // With marker 14 kept, every later start in this month would reset again.
    const std::optional<int> marker =
        m.ResetPolicy == 1 ? std::optional(TwoWeeksMarker(day)) : std::nullopt;
    // While a connection is counted the stored totals leave it out, as they do from connect
    // to disconnect: the disconnect, or the recovery after a crash, adds it once. The monitor
    // follows only once this has landed: a store that refuses it leaves the old period whole.
    CounterTotals(store_).StartPeriod(year, month, day, 0, 0, marker);
    monitor_.StartNewPeriod();
    if (marker)
        monitor_.SetResetPolicy(1, *marker);

    FinishReset(store_, boxes_, m.ProgramPath);
    return true;
}

bool Counter::FinishInterruptedReset(SettingsStore& store, MessageBoxes& boxes) {
    const std::string programPath = MachineSettings(store).ProgramPath();
    // No report is being written this early.
    RemoveReportTemporaries(programPath);
    const bool pending = CounterTotals(store).ResetPending();
    if (pending)
        FinishReset(store, boxes, programPath);
    return pending;
}

bool Counter::CheckScheduledReset() {
    const TStamp today = clock_.Now();
    CounterTotals counter(store_);
    const CounterSince since = counter.Since();
    const int year = since.Year, month = since.Month, day = since.Day;
    const CounterPolicy stored = counter.Policy();
    const int policy = stored.Reset;
    monitor_.SetResetPolicy(policy, monitor_.State().ResetDay);

    const auto sinceDate = SaneSinceDate(year, month, day);
    if (!sinceDate) {
        boxes_.Show(DamagedSinceText(year, month, day), MsgIcon::Stop);
        return false;
    }
    // Any other policy never resets.
    if (policy < 1 || policy > 3)
        return false;
    // Due on the date the main window shows under "Reset on :", or any later one: a period
    // whose date passed without a start is reset at the next start.
    const auto due = ResetOnDate(*sinceDate, policy, monitor_.State().ResetDay);
    if (!due || DateOf(today) < *due)
        return false;
    return Reset(today.Year, today.Month, today.Day, stored.Report, true);
}

bool Counter::ResetCounterClick() {
    if (boxes_.Show("Are you sure to reset counter ?", MsgIcon::Question,
                    MsgButtons::YesNoDefaultNo) != MsgResult::Yes)
        return false;
    return ResetToday(StoredPolicy().Report);
}

bool Counter::ResetToday(int withReport) {
    const TStamp today = clock_.Now();
    return ResetCounter(today.Year, today.Month, today.Day, withReport);
}

CounterPolicy Counter::StoredPolicy() {
    return CounterTotals(store_).Policy();
}

void Counter::ApplyPolicy(int policy, int report) {
    std::optional<int> marker;
    if (policy == 1) {
        marker = TwoWeeksMarker(clock_.Now().Day);
        monitor_.SetResetPolicy(1, *marker);
    } else if (policy >= 2 && policy <= 4) {
        monitor_.SetResetPolicy(policy, monitor_.State().ResetDay);
    }
    CounterTotals(store_).SetPolicy(monitor_.State().ResetPolicy, marker, report);
}

void Counter::CreateReportNow() {
    const TStamp today = clock_.Now();
    ReportRunner inThread;
    TellReport(boxes_, (reports_ ? *reports_ : inThread)
                           .Run(monitor_.State().ProgramPath, today.Year, today.Month, today.Day));
}

} // namespace netrova
