#include "monitor/Monitor.h"

#include "common/Text.h"
#include "monitor/HistoryKeeping.h"
#include "monitor/StoreValues.h"
#include "platform/Clock.h"
#include "platform/DialUpService.h"
#include "platform/MessageBoxes.h"
#include "store/Defaults.h"

#include <limits>

namespace netrova {

namespace {

const char* const kNotConnectedText = "Netrova: [Not Connected]";

// No minute count (-59..59) equals it, so the first tick of a connection always charges.
constexpr int kMinuteMarkerStart = std::numeric_limits<int>::min();

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
    {
        TRegistry reg(store_, Root::LocalMachine);
        reg.OpenKey(kRemoteAccessServiceKey, true);
        Connected = ReadRemoteConnectionFlag(reg) == 1 ? 1 : 0;
        reg.CloseKey();
    }
    StepConnection();
    UpdateConnection();
    // The history group (UpdateHistoryGroup), the beep reminder (CheckBeep) and the clock
    // (UpdateClock) are refreshed here, in that order, once they exist.
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

        TRegistry reg(store_, Root::LocalMachine);
        reg.OpenKey(kProductKey, true);
        reg.WriteInteger("Bug", 1);
        reg.OpenKey(kCounterAllKey, true);
        reg.WriteInteger("AllMoney", AllMoney);
        reg.WriteString("AllTime", std::to_string(AllTime));
        reg.CloseKey();

        Provider = " ";
        ConnUser.clear();
        // The box waits for the user: the totals are stored by then.
        if (!unsaved.empty())
            boxes_.Show(unsaved, MsgIcon::Stop);
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
        machine.OpenKey(kCounterCurrentKey, true);
        WriteStampValues(machine, "", Rec.Started);
        machine.WriteInteger("Money", 0);
        // Both backup slots start as this connection, so that a crash before the first backup
        // can never pair this start with the end of an earlier connection.
        for (const char* slot : {"", "b"}) {
            machine.WriteString(std::string(slot) + "User", CurrentUser);
            WriteStampValues(machine, std::string(slot) + "C", Rec.Started);
            machine.WriteInteger(std::string(slot) + "Time", 0);
        }
        machine.OpenKey(kCounterAllKey, true);
        AllMoney = machine.ReadInteger("AllMoney");
        StartAllMoney = AllMoney;
        machine.CloseKey();

        MinuteMarker = kMinuteMarkerStart;
        StartRef = SecondsOfDay(Rec.Started);

        TRegistry user(store_, Root::CurrentUser);
        user.OpenKey(kProductKey, true);
        StartRef -= user.ReadInteger("Connect Delay");
        Provider = user.OpenKey(kRemoteAccessKey, false) ? user.ReadString("Default") : "";
        user.CloseKey();
        SetFieldText(Rec.Provider, Provider);

        FeeText = FormatMoney(0);
        view_.ShowFee(FeeText);
        ConnUser = CurrentUser;

        machine.OpenKey(kCounterCurrentKey, true);
        machine.WriteString("Provider", Provider);
        machine.OpenKey(kProductKey, true);
        machine.WriteInteger("Bug", 2);
        machine.CloseKey();

        ConnState = csOnline;
        // The launch list (RunExecList) starts here, last, so that all connection state is
        // final before a failed launch can show a box.
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

        const int m = Elapsed % 3600 / 60;
        if (m != MinuteMarker)
            ChargeMinute(now);
        MinuteMarker = m;

        const std::string timeText = FormatConnTime(Elapsed);
        view_.ShowConnTime(timeText);
        TipText = timeText + FeeText;
        view_.ShowStatusText("Netrova: [ " + TipText + " ]");
        // The tray tip (UpdateTrayIcon with picture 1) follows here in tray mode.
        WriteConnBackup(now);
    } else {
        view_.ShowStatusText(kNotConnectedText);
        // The tray tip (UpdateTrayIcon with picture 0) follows here in tray mode.
    }
    view_.ShowTotalMoney(FormatMoney(AllMoney));
}

} // namespace netrova
