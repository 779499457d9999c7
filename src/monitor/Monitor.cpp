#include "monitor/Monitor.h"

#include "common/Log.h"
#include "common/Text.h"
#include "counter/CounterTotals.h"
#include "dialup/DialUpService.h"
#include "history/KeptRecords.h"
#include "monitor/ConnectionBackup.h"
#include "monitor/FailureTexts.h"
#include "platform/Clock.h"
#include "platform/HelpViewer.h"
#include "platform/MessageBoxes.h"
#include "settings/Defaults.h"
#include "settings/MachineSettings.h"
#include "settings/UserPreferences.h"
#include "tariffs/Tariffs.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>
#include <random>

namespace netrova {

namespace {

// Busy ticks before the busy store is worth a box.
constexpr int kBusyTicksShown = 60;

const char* const kNotConnectedText = "Netrova: [Not Connected]";

// No minute count (-59..59) equals it, so the first tick of a connection always charges.
constexpr int kMinuteMarkerStart = std::numeric_limits<int>::min();

const char* const kHelpFileName = "Netrova Help.hlp";
} // namespace

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
    const DialUpState dialUp = ReadDialUpState(store_);
    Connected = dialUp.connected ? 1 : 0;
    if (dialUp.connected)
        interface_ = dialUp.interface;
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
        } catch (const StoreError&) {
            StoreFailed(std::current_exception());
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
        ConnectionBackup::WriteMoney(machine, ConnMoney, FeeText);
    if (unsaved_ & kBackupUnsaved)
        ConnectionBackup::WriteSlot(machine, ConnUser, backupTime_, Elapsed, ConnVolume);
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
    ConnectionBackup::WriteConnect(machine, Rec.Started, ConnUser, Provider);
    MachineSettings::WriteCrashMarker(machine, CrashMarker::Counting);
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

void Monitor::ChargeMinute(const TStamp& now) {
    // An empty provider name must not fall through to the "Tariffs" key itself.
    const std::optional<TariffProfile> tariff =
        Provider.empty()
            ? std::nullopt
            : Tariffs(store_).DayTariff(Provider, HolidayOn != 0 ? kHoliday : now.DayOfWeek);
    if (!tariff) {
        view_.ShowFee("No tariffs for provider");
        return;
    }
    if (tariff->Name.empty()) {
        view_.ShowFee("No tariff for this day");
        return;
    }
    const int cost = Tariffs::CostOfMinute(*tariff, now.Hour);

    const std::int64_t connMoney = std::int64_t{ConnMoney} + cost;
    if (!Fits32(connMoney, "fee of the connection", "cents") ||
        !Fits32(StartAllMoney + connMoney, "money total \"AllMoney\"", "cents"))
        return;
    ConnMoney = static_cast<int>(connMoney);
    AllMoney = StartAllMoney + ConnMoney;
    FeeText = FormatMoney(ConnMoney);
    view_.ShowFee(FeeText);

    unsaved_ |= kMoneyUnsaved;
}

void Monitor::RecoverConnection() {
    // The marker is still 2 while this notice waits: a crash now leaves the connection to be
    // recovered by the next start.
    boxes_.Show("Last connection was unsaved. Netrova will recover data.", MsgIcon::Information);

    Registry machine(store_, Root::LocalMachine);
    ConnectionBackup::Connection backup;
    try {
        backup = ConnectionBackup::Read(machine);
        machine.CloseKey();
    } catch (const StoreBusyError&) {
        throw; // the next start tries again
    } catch (const StoreError&) {
        // A backup that cannot be read would stop every later start in the same place: it is
        // given up, and the error shown.
        MachineSettings::WriteCrashMarker(machine, CrashMarker::Running);
        machine.CloseKey();
        throw;
    }
    THistoryRecord& rec = backup.record;
    const std::optional<Volume>& volume = backup.volume;

    // A counted connection reaches the history only through the kept records, after the
    // commit that ends its count: the one recovered here is not in the history yet, whatever
    // the history's last record looks like.
    const std::int64_t money = std::int64_t{AllMoney} + rec.Fee;
    if (Fits32(money, "money total \"AllMoney\"", "cents"))
        AllMoney = static_cast<int>(money);
    SetFieldText(rec.TotalFeeText, FormatMoney(AllMoney));
    const std::vector<FinishedConnection> finished{{rec, volume}};
    if (volume)
        AllVolume += *volume;
    const std::int64_t time = std::int64_t{AllTime} + rec.Duration;
    if (Fits32(time, "total time \"AllTime\"", "seconds"))
        AllTime = static_cast<int>(time);
    StartAllTime = AllTime;

    // The record, the totals, the crash count and the marker in one transaction; the record
    // goes on to the history file after it.
    StoreTransaction group(store_, Root::LocalMachine);
    KeepRecords(machine, finished);
    CounterTotals::WriteTotals(machine, AllMoney, AllTime);
    CounterTotals::WriteVolume(machine, AllVolume);
    const std::int64_t crashes = std::int64_t{MachineSettings::CrashCount(machine)} + 1;
    if (Fits32(crashes, "crash count \"Crash\"", "recoveries"))
        MachineSettings::WriteCrashCount(machine, static_cast<std::int32_t>(crashes));
    MachineSettings::WriteCrashMarker(machine, CrashMarker::Running);
    machine.CloseKey();
    group.Commit();
    keptWaiting_ = true;
    FlushKept(true);

    const bool stillUp = ReadRemoteConnection(store_);
    // The question waits for the user: no key stays open meanwhile. Only Yes or No answers
    // it; a box closed otherwise (the program told to end) leaves the flag alone.
    if (stillUp && boxes_.Show("Are you connected now ?", MsgIcon::Question,
                               MsgButtons::YesNoRequired) == MsgResult::No)
        SetRemoteConnection(store_, false);
}

void Monitor::StartMonitor() {
    ConnState = csIdle;
    Provider = " ";

    MachineSettings settings(store_);
    CurrentUser = settings.CurrentUser();

    ConnUser.clear();
    HolidayOn = 0;

    UserPreferences prefs(store_);
    if (const auto owner = prefs.Owner()) {
        if (*owner != CurrentUser) {
            // The settings belong to somebody else: they go, with every subkey.
            prefs.Remove();
            PersonalizeSettings();
        }
    } else {
        PersonalizeSettings();
    }

    if (prefs.Exists()) {
        TrayMode = prefs.SystemTray();
        if (TrayMode == 1)
            view_.AddTrayIcon();
    }

    ProgramPath = settings.ProgramPath();
    const bool firstTime = settings.FirstTime();
    help_.SetHelpFile(ProgramPath + "/" + kHelpFileName);

    if (firstTime) {
        InitCounterStart();
        settings.EndFirstTime();
    }

    ReplayExitJournal();
    // A total that cannot be read stops the start before the crash marker is touched, so that
    // an interrupted connection is still recovered once the total is mended.
    CounterTotals counter(store_);
    const std::int32_t allTime = counter.AllTime();

    const LastRun last = settings.MarkRunning();
    LastBug = last.Bug;
    const bool recover = last.Recover;

    const BeepSettings beep = prefs.Beep();
    BeepInterval = beep.Interval;
    BeepEnabled = beep.Enabled;
    BeepSound = beep.Sound;

    const CounterPolicy policy = counter.Policy();
    ResetPolicy = policy.Reset;
    ResetDay = policy.Reset14;
    AllMoney = counter.AllMoney();
    StartAllMoney = AllMoney;
    AllTime = allTime;
    StartAllTime = AllTime;
    AllVolume = counter.AllVolume().value_or(Volume{});
    StartAllVolume = AllVolume;

    ConnMoney = 0;

    // Records kept because the history file could not be written go in before a recovered one.
    keptWaiting_ = true;
    FlushKept(true);

    if (recover)
        RecoverConnection();

    std::string why;
    if (!journal_.Prepare(why))
        qCWarning(lcMonitor,
                  "The exit journal \"%s\" cannot be made ready (%s): at a log-off "
                  "with the settings store busy or full, the next start recovers the "
                  "connection from its backup instead.",
                  journal_.Path().c_str(), why.c_str());

    view_.EnableTimer(true);
}

void Monitor::PersonalizeSettings() {
    personalized_ = true;
    const int today = DayNumber(clock_.Now());

    UserPreferences(store_).Personalize(CurrentUser);

    CounterTotals(store_).SetAverageFrom(today);

    boxes_.Show("Settings succesfully personalized to the new user.");
    boxes_.Show("You don't have tariffs associated to providers. Please go to menu "
                "Options|Tariffs, Options|Providers and do it.",
                MsgIcon::Warning);

    ProgramPath = MachineSettings(store_).ProgramPath();
    help_.SetHelpFile(ProgramPath + "/" + kHelpFileName);
    help_.ShowContents();
}

void Monitor::InitCounterStart() {
    const TStamp today = clock_.Now();
    CounterTotals(store_).StartCounting(today.Year, today.Month, today.Day);
}

bool Monitor::ConfirmExit() {
    if (boxes_.Show("Closing Netrova you won't be able to monitor DUN connections. Do you want "
                    "to continue ?",
                    MsgIcon::Question, MsgButtons::YesNo) != MsgResult::Yes)
        return false;
    CloseForExit();
    return true;
}

void Monitor::CloseForExit() {
    if (Connected == 1) {
        view_.EnableTimer(false);
        Connected = 0;
        ConnState = csOnline;
        StepConnection();
    }
    // The closing connection's record and totals and the final marker in one transaction,
    // with whatever an earlier tick failed to write. A store held by another program is waited
    // for as long as a log-off allows; what it still does not take goes to the exit journal.
    const int timeout = store_.BusyTimeout();
    store_.SetBusyTimeout(std::max(timeout, StoreOptions::kExitBusyTimeoutMs));
    try {
        Registry machine(store_, Root::LocalMachine);
        StoreTransaction group(store_, Root::LocalMachine);
        WriteUnsaved(machine);
        MachineSettings::WriteCrashMarker(machine, CrashMarker::Ended);
        machine.CloseKey();
        group.Commit();
        Saved();
    } catch (const StoreError& e) {
        JournalPending(e);
    }
    store_.SetBusyTimeout(timeout);
    FlushKept(false);
    if (TrayMode == 1)
        view_.RemoveTrayIcon();
}

void Monitor::JournalPending(const StoreError& error) {
    std::string why;
    // Only finished connections and their totals can be pending at exit: the closing
    // connection was finished above.
    if (unsaved_ != 0 && (unsaved_ & ~kTotalsUnsaved) == 0) {
        PendingExit pending;
        std::random_device random;
        pending.Id = std::uint64_t{random()} << 32 | random();
        pending.AllMoney = AllMoney;
        pending.AllTime = AllTime;
        pending.AllVolume = AllVolume;
        pending.Records = finished_;
        if (journal_.Write(pending, why) && why.empty()) {
            qCWarning(lcMonitor, "%s What was counted is kept in \"%s\" for the next start.",
                      error.what(), journal_.Path().c_str());
            return;
        }
    }
    // The marker stays as it was: a connection counted is recovered from its backup.
    qCWarning(lcMonitor, "%s The crash marker stays as it was for the next start.%s", error.what(),
              why.empty() ? "" : (" The exit journal failed: " + why + ".").c_str());
}

void Monitor::ReplayExitJournal() {
    const std::optional<PendingExit> pending = journal_.Read();
    if (!pending)
        return;
    // A start cut off after the replay's commit finds the same journal again.
    const std::string id = std::to_string(pending->Id);
    Registry machine(store_, Root::LocalMachine);
    const bool replayed = ConnectionBackup::ReplayedJournal(machine) == id;
    machine.CloseKey();
    if (!replayed) {
        StoreTransaction group(store_, Root::LocalMachine);
        KeepRecords(machine, pending->Records);
        CounterTotals::WriteTotals(machine, pending->AllMoney, pending->AllTime);
        CounterTotals::WriteVolume(machine, pending->AllVolume);
        MachineSettings::WriteCrashMarker(machine, CrashMarker::Ended);
        ConnectionBackup::WriteReplayedJournal(machine, id);
        machine.CloseKey();
        group.Commit();
        qCInfo(lcMonitor, "What the last exit could not write was taken from \"%s\".",
               journal_.Path().c_str());
    }
    journal_.Clear();
}

bool Monitor::AppendKeptRecords(FileError& why) {
    const bool done = netrova::AppendKeptRecords(store_, ProgramPath, why);
    keptWaiting_ = !done;
    return done;
}

void Monitor::KeepRecords(Registry& machine, const std::vector<FinishedConnection>& finished) {
    netrova::KeepRecords(machine, ProgramPath, finished);
}

void Monitor::FlushKept(bool report) {
    if (!keptWaiting_)
        return;
    FileError why;
    try {
        if (AppendKeptRecords(why)) {
            if (unsaved_ == 0)
                failuresShown_.clear();
            return;
        }
    } catch (const StoreError&) {
        if (report)
            StoreFailed(std::current_exception());
        return;
    }
    if (!report)
        return;
    ReportFailure(why.DiskFull() ? FullFileSystemText(ProgramPath)
                                 : UnsavedHistoryText(ProgramPath, why.text));
}

void Monitor::StoreFailed(const std::exception_ptr& failure) {
    const std::string folder = store_.Paths().MachineFolder();
    try {
        std::rethrow_exception(failure);
    } catch (const StoreFullError&) {
        ReportFailure(FullFileSystemText(folder));
    } catch (const StoreBusyError&) {
        // A lock held for a moment is no news: the next tick writes it all.
        if (++busyTicks_ == kBusyTicksShown)
            ReportFailure("The settings store \"" + store_.Paths().Machine +
                          "\" has been kept busy by another program for a minute. Netrova "
                          "keeps what it counts and writes it as soon as the store is free.");
    } catch (const StoreError& e) {
        ReportFailure(std::string(e.what()) +
                      " Netrova keeps what it counts and writes it as soon as it can.");
    }
}

void Monitor::ReportFailure(const std::string& text) {
    if (failuresShown_.insert(text).second)
        boxes_.Show(text, MsgIcon::Stop);
}

bool Monitor::Fits32(std::int64_t value, const std::string& what, const char* unit) {
    if (FitsInt32(value))
        return true;
    if (!rangeErrorShown_) {
        // Once per connection: the value stays out of range on every tick that follows.
        rangeErrorShown_ = true;
        boxes_.Show("The " + what + " would be " + std::to_string(value) + " " + unit +
                        ", which cannot be stored as a 32-bit number. It stays at its last "
                        "value.",
                    MsgIcon::Stop);
    }
    return false;
}

} // namespace netrova
