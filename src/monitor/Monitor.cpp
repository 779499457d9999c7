#include "monitor/Monitor.h"

#include "common/Text.h"
#include "monitor/HistoryKeeping.h"
#include "monitor/StoreValues.h"
#include "platform/Clock.h"
#include "platform/DialUpService.h"
#include "platform/MessageBoxes.h"
#include "store/Defaults.h"

#include <exception>
#include <limits>

namespace netrova {

namespace {

const char* const kNotConnectedText = "Netrova: [Not Connected]";

// No minute count (-59..59) equals it, so the first tick of a connection always charges.
constexpr int kMinuteMarkerStart = std::numeric_limits<int>::min();

// Opens a key that is normally there without taking the write lock; creates it when missing.
void OpenOrCreate(TRegistry& reg, const char* path) {
    if (!reg.OpenKey(path, false))
        reg.OpenKey(path, true);
}

// Points the monitor at the transaction of the tick that runs, and back at the one of the
// tick it interrupted (a box opened inside a tick lets further ticks run).
class TickScope {
public:
    TickScope(TRegistry*& slot, TRegistry& tick) : slot_(slot), saved_(slot) { slot = &tick; }
    ~TickScope() { slot_ = saved_; }
    TickScope(const TickScope&) = delete;
    TickScope& operator=(const TickScope&) = delete;

private:
    TRegistry*& slot_;
    TRegistry* saved_;
};

} // namespace

void WriteStampValues(TRegistry& reg, const std::string& prefix, const TStamp& s) {
    reg.WriteInteger(prefix + "Secundes", s.Second);
    reg.WriteInteger(prefix + "Minutes", s.Minute);
    reg.WriteInteger(prefix + "Hours", s.Hour);
    reg.WriteInteger(prefix + "Year", s.Year);
    reg.WriteInteger(prefix + "Day", s.Day);
    reg.WriteInteger(prefix + "Month", s.Month);
    reg.WriteInteger(prefix + "DayOfWeek", s.DayOfWeek);
}

TStamp ReadStampValues(TRegistry& reg, const std::string& prefix) {
    TStamp s;
    s.Year = static_cast<std::uint16_t>(reg.ReadInteger(prefix + "Year"));
    s.Month = static_cast<std::uint16_t>(reg.ReadInteger(prefix + "Month"));
    s.DayOfWeek = static_cast<std::uint16_t>(reg.ReadInteger(prefix + "DayOfWeek"));
    s.Day = static_cast<std::uint16_t>(reg.ReadInteger(prefix + "Day"));
    s.Hour = static_cast<std::uint16_t>(reg.ReadInteger(prefix + "Hours"));
    s.Minute = static_cast<std::uint16_t>(reg.ReadInteger(prefix + "Minutes"));
    s.Second = static_cast<std::uint16_t>(reg.ReadInteger(prefix + "Secundes"));
    return s;
}

MachineTransaction::MachineTransaction(SettingsStore& store) : reg_(store, Root::LocalMachine) {
    reg_.OpenKey(kProductKey, true);
}

TMonitor::TMonitor(SettingsStore& store, Clock& clock, MessageBoxes& boxes, HelpViewer& help,
                   MonitorView& view)
    : store_(store), clock_(clock), boxes_(boxes), help_(help), view_(view) {}

TStamp TMonitor::ReadClock() {
    TStamp now = clock_.Now();
    now.Reserved = 0;
    return now;
}

void TMonitor::Timer1Timer() {
    if (ProgramPath.empty()) {
        TRegistry reg(store_, Root::LocalMachine);
        reg.OpenKey(kProductKey, true);
        ProgramPath = reg.ReadString("Program path");
        reg.CloseKey();
    }
    // One transaction of the machine store for the whole tick: while a connection is counted
    // its writes (connect steps, charge, backup) cost one durable commit; while idle the tick
    // only reads, without the write lock. Keys the tick's routines open join it.
    TRegistry tick(store_, Root::LocalMachine);
    TickScope scope(tick_, tick);
    if (ConnState == csOnline || unsaved_ != 0)
        tick.OpenKey(kRemoteAccessServiceKey, true);
    else
        OpenOrCreate(tick, kRemoteAccessServiceKey);
    Connected = ReadRemoteConnectionFlag(tick) == 1 ? 1 : 0;
    WriteUnsaved();
    // A connection counted from this tick is measured and charged in it even when the
    // commit of its connect steps failed; that error is shown once the tick is done.
    std::exception_ptr connectFailure;
    try {
        StepConnection();
    } catch (...) {
        if (ConnState != csOnline)
            throw;
        connectFailure = std::current_exception();
    }
    // The connect steps commit before the launch list; the rest of the tick is one more.
    if (!tick.IsOpen() && ConnState == csOnline) {
        tick.OpenKey(kCounterCurrentKey, true);
        WriteUnsaved();
    }
    UpdateConnection();
    CommitTick();
    if (connectFailure)
        std::rethrow_exception(connectFailure);
    // The window goes on with the history group, the beep reminder and the clock.
}

void TMonitor::CommitTick() {
    if (tick_ && tick_->IsOpen()) {
        tick_->CloseKey();
        unsaved_ = 0;
    }
}

void TMonitor::WriteUnsaved() {
    if (unsaved_ == 0)
        return;
    TRegistry machine(store_, Root::LocalMachine);
    if (unsaved_ & kTotalsUnsaved)
        WriteTotals(machine);
    if (unsaved_ & kConnectUnsaved)
        WriteConnectValues(machine);
    if (unsaved_ & kMoneyUnsaved)
        WriteMoney(machine);
    machine.CloseKey();
}

// Disconnect: the marker and the totals, in one transaction after the record is on disk.
void TMonitor::WriteTotals(TRegistry& machine) {
    MachineTransaction group(store_);
    machine.OpenKey(kProductKey, true);
    machine.WriteInteger("Bug", 1);
    machine.OpenKey(kCounterAllKey, true);
    machine.WriteInteger("AllMoney", AllMoney);
    machine.WriteString("AllTime", std::to_string(AllTime));
    machine.CloseKey();
    group.Commit();
}

// Connect: the start values and the marker, in one transaction.
void TMonitor::WriteConnectValues(TRegistry& machine) {
    MachineTransaction group(store_);
    machine.OpenKey(kCounterCurrentKey, true);
    WriteStampValues(machine, "", Rec.Started);
    machine.WriteInteger("Money", 0);
    // Both backup slots start as this connection, so that a crash before the first backup
    // can never pair this start with the end of an earlier connection.
    for (const char* slot : {"", "b"}) {
        machine.WriteString(std::string(slot) + "User", ConnUser);
        WriteStampValues(machine, std::string(slot) + "C", Rec.Started);
        machine.WriteInteger(std::string(slot) + "Time", 0);
    }
    machine.WriteString("Provider", Provider);
    machine.OpenKey(kProductKey, true);
    machine.WriteInteger("Bug", 2);
    machine.CloseKey();
    group.Commit();
}

void TMonitor::WriteMoney(TRegistry& machine) {
    machine.OpenKey(kCounterCurrentKey, true);
    machine.WriteInteger("Money", ConnMoney);
    machine.WriteString("Fee", FeeText);
}

void TMonitor::StepConnection() {
    view_.ShowConnectionStatus(Connected == 1 ? "Connected" : "Not connected");
    view_.ShowProvider(Provider);
    view_.ShowUser(ConnUser);

    if (ConnState == csIdle && Connected == 1)
        ConnState = csDetected;

    if (ConnState == csOnline && Connected == 0) {
        ConnState = csIdle;
        view_.ShowConnectedPicture(false);
        Rec.Ended = ReadClock();
        BeepCount = 1;
        Rec.Fee = ConnMoney;
        SetFieldText(Rec.TotalFeeText, FormatMoney(AllMoney));
        SetFieldText(Rec.User, ConnUser);
        const std::string unsaved = SaveHistoryRecord(Rec);

        // The connection's own values are of no use once its record is written.
        unsaved_ = (unsaved_ & ~(kConnectUnsaved | kMoneyUnsaved)) | kTotalsUnsaved;
        TRegistry machine(store_, Root::LocalMachine);
        WriteTotals(machine);
        machine.CloseKey();

        Provider = " ";
        ConnUser.clear();
        // The box waits for the user: the totals are committed by then, and no lock is held.
        if (!unsaved.empty()) {
            CommitTick();
            boxes_.Show(unsaved, MsgIcon::Stop);
        }
    }

    if (Connected == 1 && ConnState == csDetected) {
        view_.ShowConnectedPicture(true);
        BeepCount = 1;
        Rec.Started = ReadClock();
        ConnMoney = 0;
        // A time that never fits must not leave the last connection's count in this record.
        Elapsed = 0;
        Rec.Duration = 0;
        StartAllTime = AllTime;
        rangeErrorShown_ = false;

        TRegistry machine(store_, Root::LocalMachine);
        OpenOrCreate(machine, kCounterAllKey);
        AllMoney = machine.ReadInteger("AllMoney");
        StartAllMoney = AllMoney;
        machine.CloseKey();

        MinuteMarker = kMinuteMarkerStart;
        StartRef = SecondsOfDay(Rec.Started);

        TRegistry user(store_, Root::CurrentUser);
        OpenOrCreate(user, kProductKey);
        StartRef -= UsableConnectDelay(user.ReadInteger("Connect Delay"));
        Provider = user.OpenKey(kRemoteAccessKey, false) ? user.ReadString("Default") : "";
        user.CloseKey();
        SetFieldText(Rec.Provider, Provider);

        FeeText = FormatMoney(0);
        view_.ShowFee(FeeText);
        ConnUser = CurrentUser;

        unsaved_ = (unsaved_ & ~kMoneyUnsaved) | kConnectUnsaved;
        WriteConnectValues(machine);
        machine.CloseKey();

        ConnState = csOnline;
        CommitTick();
        // Last, so that all connection state is final and committed before a failed launch
        // can show a box.
        view_.RunExecList();
    }
}

void TMonitor::UpdateConnection() {
    if (ConnState == csOnline) {
        const TStamp now = ReadClock();
        // One day per midnight passed since the start, however many.
        const std::int64_t days = std::int64_t{DayNumber(now)} - DayNumber(Rec.Started);
        const std::int64_t elapsed = SecondsOfDay(now) + days * 86400 - StartRef;
        if (Fits32(elapsed, "connection time", "seconds") &&
            Fits32(StartAllTime + elapsed, "total time \"AllTime\"", "seconds")) {
            Elapsed = static_cast<int>(elapsed);
            Rec.Duration = Elapsed;
            AllTime = StartAllTime + Elapsed;
        }

        // The marker moves first: a charge whose store write fails is not charged again.
        const int m = Elapsed % 3600 / 60;
        if (m != MinuteMarker) {
            MinuteMarker = m;
            ChargeMinute(now);
        }

        const std::string timeText = FormatConnTime(Elapsed);
        view_.ShowConnTime(timeText);
        TipText = timeText + FeeText;
        const std::string tip = "Netrova: [ " + TipText + " ]";
        view_.ShowStatusText(tip);
        if (TrayMode == 1)
            view_.UpdateTrayIcon(tip, 1);
        WriteConnBackup(now);
    } else {
        view_.ShowStatusText(kNotConnectedText);
        if (TrayMode == 1)
            view_.UpdateTrayIcon(kNotConnectedText, 0);
    }
    view_.ShowTotalMoney(FormatMoney(AllMoney));
}

} // namespace netrova
