#include "common/Text.h"
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

namespace {

// Whether the history already ends with this connection: a crash between the history append
// and the marker write leaves it recorded once already.
bool HistoryEndsWith(const std::string& programPath, const THistoryRecord& rec) {
    THistoryRecord last{};
    if (ScanHistory(programPath, [&](const THistoryRecord& r) {
            last = r;
            return true;
        }) == 0)
        return false;
    return last.Started == rec.Started && FieldText(last.Provider) == FieldText(rec.Provider);
}

} // namespace

void TMonitor::RecoverConnection() {
    boxes_.Show("Last connection was unsaved. Netrova will recover data.", MsgIcon::Information);

    THistoryRecord rec{}; // zero in every byte: the record is packed
    TRegistry machine(store_, Root::LocalMachine);
    machine.OpenKey(kCounterCurrentKey, true);
    rec.Fee = machine.ReadInteger("Money");
    const int allMoney = AllMoney + rec.Fee;
    SetFieldText(rec.TotalFeeText, FormatMoney(allMoney));
    SetFieldText(rec.Provider, machine.ReadString("Provider"));
    rec.Started = ReadStampValues(machine, "");
    const std::string slot = machine.ReadInteger("Backup") != 0 ? "b" : "";
    SetFieldText(rec.User, machine.ReadString(slot + "User"));
    rec.Ended = ReadStampValues(machine, slot + "C");
    rec.Duration = machine.ReadInteger(slot + "Time");
    machine.CloseKey();
    AllMoney = allMoney;

    if (!HistoryEndsWith(ProgramPath, rec))
        AppendHistoryRecord(ProgramPath, rec);

    machine.OpenKey(kCounterAllKey, true);
    machine.WriteInteger("AllMoney", AllMoney);
    AllTime += rec.Duration;
    StartAllTime = AllTime;
    machine.WriteString("AllTime", std::to_string(AllTime));
    machine.OpenKey(kUsersKey, true);
    machine.WriteInteger("Crash", machine.ReadInteger("Crash") + 1);
    machine.CloseKey();

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
