#include "common/Text.h"
#include "counter/CounterTotals.h"
#include "dialup/DialUpService.h"
#include "monitor/Monitor.h"
#include "monitor/StoreValues.h"
#include "platform/MessageBoxes.h"
#include "settings/Defaults.h"
#include "settings/MachineSettings.h"

#include <cstring>

namespace netrova {

void WriteBackupVolume(Registry& reg, const std::string& prefix,
                       const std::optional<Volume>& volume) {
    const std::uint64_t bytes[2] = {volume ? volume->Received : 0, volume ? volume->Sent : 0};
    reg.WriteBinary(prefix + "Volume", bytes, volume ? sizeof bytes : 0);
}

std::optional<Volume> ReadBackupVolume(Registry& reg, const std::string& prefix) {
    const std::vector<std::uint8_t> bytes = reg.ReadBinary(prefix + "Volume");
    if (bytes.size() != 2 * sizeof(std::uint64_t))
        return std::nullopt;
    Volume v;
    std::memcpy(&v.Received, bytes.data(), sizeof v.Received);
    std::memcpy(&v.Sent, bytes.data() + sizeof v.Received, sizeof v.Sent);
    return v;
}

void Monitor::WriteConnBackup(const TStamp& now) {
    Registry machine(store_, Root::LocalMachine);
    machine.OpenKey(kCounterCurrentKey, true);
    // A selector never written yet counts as 0.
    const int selector = machine.ValueExists("Backup") ? machine.ReadInteger("Backup") : 0;
    // Write the slot the selector does not name, then point the selector at it.
    const std::string slot = selector != 0 ? "" : "b";
    machine.WriteString(slot + "User", ConnUser);
    WriteStampValues(machine, slot + "C", now);
    machine.WriteInteger(slot + "Time", Elapsed);
    WriteBackupVolume(machine, slot, ConnVolume);
    machine.WriteInteger("Backup", selector != 0 ? 0 : 1);
    machine.CloseKey();
}

void Monitor::RecoverConnection() {
    // The marker is still 2 while this notice waits: a crash now leaves the connection to be
    // recovered by the next start.
    boxes_.Show("Last connection was unsaved. Netrova will recover data.", MsgIcon::Information);

    THistoryRecord rec{}; // zero in every byte: the record is packed
    std::optional<Volume> volume;
    Registry machine(store_, Root::LocalMachine);
    try {
        machine.OpenKey(kCounterCurrentKey, true);
        rec.Fee = machine.ReadInteger("Money");
        SetFieldText(rec.Provider, machine.ReadString("Provider"));
        rec.Started = ReadStampValues(machine, "");
        const std::string slot = machine.ReadInteger("Backup") != 0 ? "b" : "";
        SetFieldText(rec.User, machine.ReadString(slot + "User"));
        rec.Ended = ReadStampValues(machine, slot + "C");
        rec.Duration = machine.ReadInteger(slot + "Time");
        volume = ReadBackupVolume(machine, slot);
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

    bool stillUp = false;
    if (machine.OpenKey(kRemoteAccessServiceKey, false)) {
        stillUp = ReadRemoteConnectionFlag(machine) == 1;
        machine.CloseKey();
    }
    // The question waits for the user: no key stays open meanwhile. Only Yes or No answers
    // it; a box closed otherwise (the program told to end) leaves the flag alone.
    if (stillUp && boxes_.Show("Are you connected now ?", MsgIcon::Question,
                               MsgButtons::YesNoRequired) == MsgResult::No) {
        machine.OpenKey(kRemoteAccessServiceKey, false);
        WriteRemoteConnectionFlag(machine, 0);
        machine.CloseKey();
    }
}

} // namespace netrova
