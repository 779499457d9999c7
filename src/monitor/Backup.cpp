#include "common/Text.h"
#include "monitor/HistoryKeeping.h"
#include "monitor/Monitor.h"
#include "monitor/StoreValues.h"
#include "platform/DialUpService.h"
#include "platform/MessageBoxes.h"
#include "store/Defaults.h"

namespace netrova {

void TMonitor::WriteConnBackup(const TStamp& now) {
    TRegistry machine(store_, Root::LocalMachine);
    machine.OpenKey(kCounterCurrentKey, true);
    // A selector never written yet counts as 0.
    const int selector = machine.ValueExists("Backup") ? machine.ReadInteger("Backup") : 0;
    // Write the slot the selector does not name, then point the selector at it.
    const std::string slot = selector != 0 ? "" : "b";
    machine.WriteString(slot + "User", ConnUser);
    WriteStampValues(machine, slot + "C", now);
    machine.WriteInteger(slot + "Time", Elapsed);
    machine.WriteInteger("Backup", selector != 0 ? 0 : 1);
    machine.CloseKey();
}

void TMonitor::RecoverConnection() {
    boxes_.Show("Last connection was unsaved. Netrova will recover data.", MsgIcon::Information);

    THistoryRecord rec{}; // zero in every byte: the record is packed
    TRegistry machine(store_, Root::LocalMachine);
    machine.OpenKey(kCounterCurrentKey, true);
    rec.Fee = machine.ReadInteger("Money");
    const std::int64_t total = std::int64_t{AllMoney} + rec.Fee;
    const int allMoney =
        Fits32(total, "money total \"AllMoney\"", "cents") ? static_cast<int>(total) : AllMoney;
    SetFieldText(rec.TotalFeeText, FormatMoney(allMoney));
    SetFieldText(rec.Provider, machine.ReadString("Provider"));
    rec.Started = ReadStampValues(machine, "");
    const std::string slot = machine.ReadInteger("Backup") != 0 ? "b" : "";
    SetFieldText(rec.User, machine.ReadString(slot + "User"));
    rec.Ended = ReadStampValues(machine, slot + "C");
    rec.Duration = machine.ReadInteger(slot + "Time");
    machine.CloseKey();
    AllMoney = allMoney;

    std::string unsaved;
    if (!HistoryEndsWith(ProgramPath, rec))
        unsaved = SaveHistoryRecord(rec);

    machine.OpenKey(kCounterAllKey, true);
    machine.WriteInteger("AllMoney", AllMoney);
    if (Fits32(std::int64_t{AllTime} + rec.Duration, "total time \"AllTime\"", "seconds"))
        AllTime += rec.Duration;
    StartAllTime = AllTime;
    machine.WriteString("AllTime", std::to_string(AllTime));
    machine.OpenKey(kUsersKey, true);
    const std::int64_t crashes = std::int64_t{machine.ReadInteger("Crash")} + 1;
    if (Fits32(crashes, "crash count \"Crash\"", "recoveries"))
        machine.WriteInteger("Crash", static_cast<int>(crashes));
    machine.CloseKey();
    if (!unsaved.empty())
        boxes_.Show(unsaved, MsgIcon::Stop);

    bool stillUp = false;
    if (machine.OpenKey(kRemoteAccessServiceKey, false)) {
        stillUp = ReadRemoteConnectionFlag(machine) == 1;
        machine.CloseKey();
    }
    // The question waits for the user: no key stays open meanwhile.
    if (stillUp && boxes_.Show("Are you connected now ?", MsgIcon::Question, MsgButtons::YesNo) ==
                       MsgResult::No) {
        machine.OpenKey(kRemoteAccessServiceKey, false);
        WriteRemoteConnectionFlag(machine, 0);
        machine.CloseKey();
    }
}

} // namespace netrova
