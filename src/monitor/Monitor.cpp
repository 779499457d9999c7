#include "monitor/Monitor.h"

#include "common/Log.h"
#include "common/Text.h"
#include "counter/CounterTotals.h"
#include "dialup/DialUpService.h"
#include "monitor/HistoryKeeping.h"
#include "monitor/StoreValues.h"
#include "platform/Clock.h"
#include "platform/MessageBoxes.h"
#include "settings/Defaults.h"
#include "settings/MachineSettings.h"
#include "settings/UserPreferences.h"

#include <limits>

namespace netrova {

namespace {

const char* const kNotConnectedText = "Netrova: [Not Connected]";

// No minute count (-59..59) equals it, so the first tick of a connection always charges.
constexpr int kMinuteMarkerStart = std::numeric_limits<int>::min();

} // namespace

void WriteStampValues(Registry& reg, const std::string& prefix, const TStamp& s) {
    reg.WriteInteger(prefix + "Secundes", s.Second);
    reg.WriteInteger(prefix + "Minutes", s.Minute);
    reg.WriteInteger(prefix + "Hours", s.Hour);
    reg.WriteInteger(prefix + "Year", s.Year);
    reg.WriteInteger(prefix + "Day", s.Day);
    reg.WriteInteger(prefix + "Month", s.Month);
    reg.WriteInteger(prefix + "DayOfWeek", s.DayOfWeek);
}

TStamp ReadStampValues(Registry& reg, const std::string& prefix) {
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

Monitor::Monitor(SettingsStore& store, Clock& clock, MessageBoxes& boxes, HelpViewer& help,
                 MonitorView& view, std::string sysClassNet)
    : store_(store), clock_(clock), boxes_(boxes), help_(help), view_(view),
      journal_(ExitJournalPath(store.Paths().MachineFolder())), counters_(std::move(sysClassNet)) {}

TStamp Monitor::ReadClock() {
    TStamp now = clock_.Now();
    now.Reserved = 0;
    return now;
}

void Monitor::Timer1Timer() {
    if (ProgramPath.empty())
        ProgramPath = MachineSettings(store_).ProgramPath();
    // Reading takes no lock: a tick measures and shows the connection even while another
    // process holds the store's write lock; only its writes wait for a later tick.
    // A missing key reads as not connected; it is not made.
    Registry reg(store_, Root::LocalMachine);
    const bool open = reg.OpenKey(kRemoteAccessServiceKey, false);
    Connected = open && ReadRemoteConnectionFlag(reg) == 1 ? 1 : 0;
    if (Connected == 1)
        interface_ = ReadConnectionInterface(reg);
    reg.CloseKey();
    const bool connecting = StepConnection();
    UpdateConnection();
    // The connect values, the first charge and the first backup land in one commit: a crash
    // can no longer leave a counted connection with neither time nor money.
    SaveTick();
    // Last, so that all connection state is final and committed before a failed launch can
    // show a box.
    if (connecting)
        view_.RunExecList();
    Changed(MonitorChange::Tick);
    // The window goes on with the history group, the beep reminder and the clock.
}

void Monitor::SaveTick() {
    if (unsaved_ != 0) {
        try {
            // One transaction, so that a finished connection's record and the totals that
            // count it land together or not at all.
            Registry machine(store_, Root::LocalMachine);
            StoreTransaction group(store_, Root::LocalMachine);
            WriteUnsaved(machine);
            machine.CloseKey();
            group.Commit();
        } catch (const StoreError& e) {
            StoreFailed(e);
            return;
        }
        Saved();
    }
    FlushKept(true);
}

void Monitor::Saved() {
    if (!finished_.empty())
        keptWaiting_ = true;
    finished_.clear();
    unsaved_ = 0;
    busyTicks_ = 0;
    if (!keptWaiting_)
        failuresShown_.clear();
}

void Monitor::WriteUnsaved(Registry& machine) {
    if (unsaved_ & kTotalsUnsaved)
        WriteTotals(machine);
    if (unsaved_ & kConnectUnsaved)
        WriteConnectValues(machine);
    if (unsaved_ & kMoneyUnsaved)
        WriteMoney(machine);
    if (unsaved_ & kBackupUnsaved)
        WriteConnBackup(backupTime_);
}

// Disconnect: the finished records, the marker and the totals. The records go to the history
// file once this has landed, so that the history never holds a record the totals lack.
void Monitor::WriteTotals(Registry& machine) {
    KeepRecords(machine, finished_);
    MachineSettings::WriteCrashMarker(machine, CrashMarker::Running);
    CounterTotals::WriteTotals(machine, AllMoney, AllTime);
    CounterTotals::WriteVolume(machine, AllVolume);
}

// Connect: the start values and the marker.
void Monitor::WriteConnectValues(Registry& machine) {
    machine.OpenKey(kCounterCurrentKey, true);
    WriteStampValues(machine, "", Rec.Started);
    machine.WriteInteger("Money", 0);
    // Both backup slots start as this connection, so that a crash before the first backup
    // can never pair this start with the end of an earlier connection.
    for (const char* slot : {"", "b"}) {
        machine.WriteString(std::string(slot) + "User", ConnUser);
        WriteStampValues(machine, std::string(slot) + "C", Rec.Started);
        machine.WriteInteger(std::string(slot) + "Time", 0);
        WriteBackupVolume(machine, slot, std::nullopt);
    }
    machine.WriteString("Provider", Provider);
    MachineSettings::WriteCrashMarker(machine, CrashMarker::Counting);
}

void Monitor::WriteMoney(Registry& machine) {
    machine.OpenKey(kCounterCurrentKey, true);
    machine.WriteInteger("Money", ConnMoney);
    machine.WriteString("Fee", FeeText);
}

bool Monitor::StepConnection() {
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

        // The connection's own values are of no use once its record is written.
        finished_.push_back({Rec, ConnVolume});
        lastCounters_.reset();
        unsaved_ =
            (unsaved_ & ~(kConnectUnsaved | kMoneyUnsaved | kBackupUnsaved)) | kTotalsUnsaved;
        Provider = " ";
        ConnUser.clear();
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

        // While a finished connection waits to be written, the stored total lags behind.
        if (!(unsaved_ & kTotalsUnsaved))
            AllMoney = CounterTotals(store_).AllMoney();
        StartAllMoney = AllMoney;
        if (!(unsaved_ & kTotalsUnsaved))
            AllVolume = CounterTotals(store_).AllVolume().value_or(Volume{});
        StartAllVolume = AllVolume;
        ConnVolume.reset();
        lastCounters_.reset();
        LastSecond = {};

        MinuteMarker = kMinuteMarkerStart;
        const int delay = UserPreferences(store_).ConnectDelay();
        StartRef = SecondsOfDay(Rec.Started) - delay;
        elapsedFrom_ = clock_.Elapsed() - delay;
        Provider = ProviderInUse();
        SetFieldText(Rec.Provider, Provider);

        FeeText = FormatMoney(0);
        view_.ShowFee(FeeText);
        ConnUser = CurrentUser;

        unsaved_ = (unsaved_ & ~(kMoneyUnsaved | kBackupUnsaved)) | kConnectUnsaved;
        ConnState = csOnline;
        return true;
    }
    return false;
}

std::string Monitor::ProviderInUse() {
    std::string name = ReadDefaultEntry(store_);
    // A name the dial-up tools would refuse (not UTF-8, control characters) must not reach a
    // record or a tariff key.
    if (!name.empty()) {
        if (const std::string problem = EntryNameProblem(name); !problem.empty()) {
            if (refusedEntry_ != name)
                qCWarning(lcMonitor, "The dial-up entry in use is not counted by name: %s",
                          problem.c_str());
            refusedEntry_ = name;
            name.clear();
        }
    }
    return name;
}

void Monitor::UpdateConnection() {
    if (ConnState == csOnline) {
        const TStamp now = ReadClock();
        // Counted on a clock that daylight saving time and a clock set back do not move.
        const std::int64_t elapsed = clock_.Elapsed() - elapsedFrom_;
        if (Fits32(elapsed, "connection time", "seconds") &&
            Fits32(RunningTotal(StartAllTime, elapsed), "total time \"AllTime\"", "seconds")) {
            Elapsed = static_cast<int>(elapsed);
            Rec.Duration = Elapsed;
            AllTime = static_cast<int>(RunningTotal(StartAllTime, Elapsed));
        }

        // The marker moves first: a charge whose store write fails is not charged again.
        const int m = Elapsed % 3600 / 60;
        if (m != MinuteMarker) {
            MinuteMarker = m;
            ChargeMinute(now);
        }

        CountVolume();
        AllVolume = StartAllVolume;
        if (ConnVolume)
            AllVolume += *ConnVolume;

        const std::string timeText = FormatConnTime(Elapsed);
        view_.ShowConnTime(timeText);
        TipText = timeText + FeeText;
        const std::string tip = "Netrova: [ " + TipText + " ]";
        view_.ShowStatusText(tip);
        if (TrayMode == 1)
            view_.UpdateTrayIcon(ConnVolume
                                     ? tip + "\nReceived " + FormatVolume(ConnVolume->Received) +
                                           ", sent " + FormatVolume(ConnVolume->Sent)
                                     : tip,
                                 1);
        backupTime_ = now;
        unsaved_ |= kBackupUnsaved;
    } else {
        view_.ShowStatusText(kNotConnectedText);
        if (TrayMode == 1)
            view_.UpdateTrayIcon(kNotConnectedText, 0);
    }
    view_.ShowTotalMoney(FormatMoney(AllMoney));
    view_.ShowVolume(ConnVolume, ConnState == csOnline ? std::optional(LastSecond) : std::nullopt,
                     AllVolume);
}

void Monitor::CountVolume() {
    const std::optional<Volume> now = counters_.Read(interface_);
    LastSecond = {};
    if (now) {
        // Known from the first tick that sees the interface.
        if (!ConnVolume)
            ConnVolume = Volume{};
        // A counter that went back (the interface made again) adds nothing this tick.
        if (lastCounters_ && now->Received >= lastCounters_->Received &&
            now->Sent >= lastCounters_->Sent) {
            LastSecond = {now->Received - lastCounters_->Received, now->Sent - lastCounters_->Sent};
            *ConnVolume += LastSecond;
        }
    }
    lastCounters_ = now;
}

void Monitor::Changed(MonitorChange change) {
    if (changed_)
        changed_(change);
}

void Monitor::SetHoliday(bool on) {
    HolidayOn = on ? 1 : 0;
    Changed(MonitorChange::Settings);
}

void Monitor::SetTrayMode(int mode) {
    TrayMode = mode;
    Changed(MonitorChange::Settings);
}

void Monitor::SetBeepSettings(int enabled, int interval) {
    BeepEnabled = enabled;
    BeepInterval = interval;
    Changed(MonitorChange::Settings);
}

void Monitor::SetBeepInterval(int interval) {
    BeepInterval = interval;
    Changed(MonitorChange::Settings);
}

void Monitor::SetBeepSound(int sound) {
    BeepSound = sound;
    Changed(MonitorChange::Settings);
}

void Monitor::SetBeepCount(int count) {
    BeepCount = count;
    Changed(MonitorChange::Settings);
}

void Monitor::SetResetPolicy(int policy, int resetDay) {
    ResetPolicy = policy;
    ResetDay = resetDay;
    Changed(MonitorChange::Settings);
}

void Monitor::StartNewPeriod() {
    const bool counting = ConnState == csOnline;
    AllMoney = counting ? ConnMoney : 0;
    AllTime = counting ? Elapsed : 0;
    AllVolume = counting && ConnVolume ? *ConnVolume : Volume{};
    StartAllMoney = 0;
    StartAllTime = 0;
    StartAllVolume = {};
    Changed(MonitorChange::Period);
}

} // namespace netrova
