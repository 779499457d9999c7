#include "common/Log.h"
#include "common/Text.h"
#include "counter/CounterTotals.h"
#include "monitor/HistoryKeeping.h"
#include "monitor/Monitor.h"
#include "monitor/StoreValues.h"
#include "platform/Clock.h"
#include "platform/HelpViewer.h"
#include "platform/MessageBoxes.h"
#include "settings/Defaults.h"
#include "settings/MachineSettings.h"
#include "settings/UserPreferences.h"

#include <algorithm>
#include <random>

namespace netrova {

namespace {
const char* const kHelpFileName = "Netrova Help.hlp";
// The id of the exit journal last replayed, beside the connection's values.
const char* const kExitJournalValue = "Journal";
} // namespace

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
    const bool replayed =
        machine.OpenKey(kCounterCurrentKey, false) && machine.ReadString(kExitJournalValue) == id;
    machine.CloseKey();
    if (!replayed) {
        StoreTransaction group(store_, Root::LocalMachine);
        KeepRecords(machine, pending->Records);
        CounterTotals::WriteTotals(machine, pending->AllMoney, pending->AllTime);
        CounterTotals::WriteVolume(machine, pending->AllVolume);
        MachineSettings::WriteCrashMarker(machine, CrashMarker::Ended);
        machine.OpenKey(kCounterCurrentKey, true);
        machine.WriteString(kExitJournalValue, id);
        machine.CloseKey();
        group.Commit();
        qCInfo(lcMonitor, "What the last exit could not write was taken from \"%s\".",
               journal_.Path().c_str());
    }
    journal_.Clear();
}

} // namespace netrova
