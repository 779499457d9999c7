#include "options/Counter.h"

#include "history/Report.h"
#include "history/ReportFiles.h"
#include "monitor/Monitor.h"
#include "options/CounterText.h"
#include "platform/Clock.h"
#include "platform/MessageBoxes.h"
#include "store/Defaults.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <sys/stat.h>
#include <tuple>

namespace netrova {

namespace {

// Marks a reset whose history is not yet emptied.
constexpr const char* kResetPending = "Reset pending";
// A report written again when connections ended while it was written.
constexpr int kReportTries = 3;

std::size_t HistoryRecordCount(const std::string& programPath) {
    struct stat st {};
    if (::stat(HistoryPath(programPath).c_str(), &st) != 0)
        return 0;
    return static_cast<std::size_t>(st.st_size) / sizeof(THistoryRecord);
}

// The reset's last steps, after its totals are committed: the history emptied, no crashes, and
// then the mark cleared. Run again after a crash, they do the same.
void FinishReset(SettingsStore& store, MessageBoxes& boxes, const std::string& programPath) {
    std::string why;
    const bool emptied = EmptyHistory(programPath, &why);

    TRegistry reg(store, Root::LocalMachine);
    reg.OpenKey(kUsersKey, true);
    reg.WriteInteger("Crash", 0);
    reg.CloseKey();
    // A history that cannot be emptied is named, not tried again at every start.
    reg.OpenKey(kCounterAllKey, true);
    reg.DeleteValue(kResetPending);
    reg.CloseKey();

    if (!emptied)
        boxes.Show("The history file " + HistoryPath(programPath) +
                       " could not be emptied: " + why + ".",
                   MsgIcon::Stop);
}

} // namespace

int TwoWeeksMarker(int day) {
    return day < 14 ? 14 : 1;
}

TCounter::TCounter(TMonitor& monitor, SettingsStore& store, Clock& clock, MessageBoxes& boxes,
                   ReportRunner* reports)
    : monitor_(monitor), store_(store), clock_(clock), boxes_(boxes), reports_(reports) {}

bool TCounter::ResetCounter(int year, int month, int day, int withReport) {
    return Reset(year, month, day, withReport, false);
}

bool TCounter::Reset(int year, int month, int day, int withReport, bool scheduled) {
    TMonitor& m = monitor_;
    // The report reads the history before it is emptied, and the period ends only with its
    // report on disk. Ticks go on while it is written: a connection that ended meanwhile has
    // to be in it too.
    if (withReport == 1) {
        ReportRunner inThread;
        ReportRunner& runner = reports_ ? *reports_ : inThread;
        ReportOutcome report;
        for (int tries = 0; tries < kReportTries; ++tries) {
            report = runner.Run(m.ProgramPath, year, month, day);
            if (!report.Written || report.Records == HistoryRecordCount(m.ProgramPath))
                break;
            report.Written = false;
            report.Error = "the history grew while it was written";
        }
        if (!report.Written) {
            boxes_.Show("The report " + report.Path + " could not be written: " + report.Error +
                            (scheduled ? ". The counter is reset at the next start instead."
                                       : ". Nothing was reset."),
                        MsgIcon::Stop);
            return false;
        }
    }

    // A connection being counted goes on in the new period; one that has ended belongs to
    // the old period alone.
    const bool counting = m.ConnState == csOnline;
    m.AllMoney = counting ? m.ConnMoney : 0;
    m.AllTime = counting ? m.Elapsed : 0;
    m.StartAllMoney = 0;
    m.StartAllTime = 0;
    // With marker 14 kept, every later start in this month would reset again.
    if (m.ResetPolicy == 1)
        m.ResetDay = TwoWeeksMarker(day);

    TRegistry reg(store_, Root::LocalMachine);
    reg.OpenKey(kCounterAllKey, true);
    reg.WriteInteger("Double", DayNumber(year, month, day));
    // While a connection is counted the stored totals leave it out, as they do from connect
    // to disconnect: the disconnect, or the recovery after a crash, adds it once.
    reg.WriteInteger("AllMoney", m.StartAllMoney);
    reg.WriteString("AllTime", std::to_string(static_cast<std::uint32_t>(m.StartAllTime)));
    reg.WriteInteger("Year", year);
    reg.WriteInteger("Month", month);
    reg.WriteInteger("Day", day);
    if (m.ResetPolicy == 1)
        reg.WriteInteger("Reset14", m.ResetDay);
    // The new totals and the old history must not meet after a crash: the next start finishes
    // what this mark says is unfinished.
    reg.WriteInteger(kResetPending, 1);
    reg.CloseKey();

    FinishReset(store_, boxes_, m.ProgramPath);
    return true;
}

bool TCounter::FinishInterruptedReset(SettingsStore& store, MessageBoxes& boxes) {
    TRegistry reg(store, Root::LocalMachine);
    reg.OpenKey(kProductKey, true);
    const std::string programPath = reg.ReadString("Program path");
    reg.CloseKey();
    // No report is being written this early.
    RemoveReportTemporaries(programPath);
    if (!reg.OpenKey(kCounterAllKey, false))
        return false;
    const bool pending = reg.ValueExists(kResetPending);
    reg.CloseKey();
    if (pending)
        FinishReset(store, boxes, programPath);
    return pending;
}

bool TCounter::CheckScheduledReset() {
    const TStamp today = clock_.Now();
    TRegistry reg(store_, Root::LocalMachine);
    reg.OpenKey(kCounterAllKey, true);
    const int year = reg.ReadInteger("Year");
    const int month = reg.ReadInteger("Month");
    const int day = reg.ReadInteger("Day");
    monitor_.ResetPolicy = reg.ReadInteger("Reset");
    const int report = reg.ReadInteger("Report");
    reg.CloseKey();

    if (!SaneCalendarDate(year, month, day)) {
        boxes_.Show(DamagedSinceText(year, month, day), MsgIcon::Stop);
        return false;
    }
    // Any other policy never resets.
    if (monitor_.ResetPolicy < 1 || monitor_.ResetPolicy > 3)
        return false;
    // Due on the date the main window shows under "Reset on :", or any later one: a period
    // whose date passed without a start is reset at the next start.
    const auto due = ResetOnDate(year, month, 1, monitor_.ResetPolicy, monitor_.ResetDay);
    if (!due || std::tuple<int, int, int>(today.Year, today.Month, today.Day) <
                    std::tuple(due->Year, due->Month, due->Day))
        return false;
    return Reset(today.Year, today.Month, today.Day, report, true);
}

bool TCounter::ResetCounterClick() {
    if (boxes_.Show("Are you sure to reset counter ?", MsgIcon::Question,
                    MsgButtons::YesNoDefaultNo) != MsgResult::Yes)
        return false;
    TRegistry reg(store_, Root::LocalMachine);
    reg.OpenKey(kCounterAllKey, true);
    const int report = reg.ReadInteger("Report");
    reg.CloseKey();
    const TStamp today = clock_.Now();
    return ResetCounter(today.Year, today.Month, today.Day, report);
}

void TCounter::CreateReportNow() {
    const TStamp today = clock_.Now();
    ReportRunner inThread;
    (reports_ ? *reports_ : inThread).Run(monitor_.ProgramPath, today.Year, today.Month, today.Day);
}

} // namespace netrova
