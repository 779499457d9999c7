#include "options/Counter.h"

#include "history/Report.h"
#include "monitor/Monitor.h"
#include "options/CounterText.h"
#include "platform/Clock.h"
#include "platform/MessageBoxes.h"
#include "store/Defaults.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <tuple>

namespace netrova {

int TwoWeeksMarker(int day) {
    return day < 14 ? 14 : 1;
}

TCounter::TCounter(TMonitor& monitor, SettingsStore& store, Clock& clock, MessageBoxes& boxes)
    : monitor_(monitor), store_(store), clock_(clock), boxes_(boxes) {}

void TCounter::ResetCounter(int year, int month, int day, int withReport) {
    TMonitor& m = monitor_;
    // The report reads the history before it is emptied.
    if (withReport == 1)
        CreateReport(m.ProgramPath, year, month, day);

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
    reg.CloseKey();

    std::string why;
    const bool emptied = EmptyHistory(m.ProgramPath, &why);

    reg.OpenKey(kUsersKey, true);
    reg.WriteInteger("Crash", 0);
    reg.CloseKey();

    if (!emptied)
        boxes_.Show("The history file " + HistoryPath(m.ProgramPath) +
                        " could not be emptied: " + why + ".",
                    MsgIcon::Stop);
}

bool TCounter::CheckScheduledReset() {
    const TStamp today = clock_.Now();
    TRegistry reg(store_, Root::LocalMachine);
    reg.OpenKey(kCounterAllKey, true);
    const int year = reg.ReadInteger("Year");
    const int month = reg.ReadInteger("Month");
    monitor_.ResetPolicy = reg.ReadInteger("Reset");
    const int report = reg.ReadInteger("Report");
    reg.CloseKey();

    // Any other policy never resets.
    if (monitor_.ResetPolicy < 1 || monitor_.ResetPolicy > 3)
        return false;
    // Due on the date the main window shows under "Reset on :", or any later one: a period
    // whose date passed without a start is reset at the next start.
    const auto due = ResetOnDate(year, month, 1, monitor_.ResetPolicy, monitor_.ResetDay);
    if (!due || std::tuple<int, int, int>(today.Year, today.Month, today.Day) <
                    std::tuple(due->Year, due->Month, due->Day))
        return false;
    ResetCounter(today.Year, today.Month, today.Day, report);
    return true;
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
    ResetCounter(today.Year, today.Month, today.Day, report);
    return true;
}

void TCounter::CreateReportNow() {
    const TStamp today = clock_.Now();
    CreateReport(monitor_.ProgramPath, today.Year, today.Month, today.Day);
}

} // namespace netrova
