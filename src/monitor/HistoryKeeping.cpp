#include "monitor/HistoryKeeping.h"

#include "common/Text.h"
#include "monitor/Monitor.h"
#include "platform/MessageBoxes.h"
#include "store/Registry.h"

#include <cstring>
#include <vector>

namespace netrova {

bool HistoryEndsWith(const std::string& programPath, const THistoryRecord& rec,
                     THistoryRecord* last) {
    THistoryRecord found{};
    if (!ReadLastHistoryRecord(programPath, found) || !(found.Started == rec.Started) ||
        FieldText(found.Provider) != FieldText(rec.Provider))
        return false;
    if (last)
        *last = found;
    return true;
}

std::string UnsavedHistoryText(const std::string& programPath, const std::string& why) {
    return "The history file \"" + HistoryPath(programPath) + "\" cannot be written (" + why +
           "). The connection is kept and added to the history as soon as the file can be "
           "written.";
}

std::int32_t ReadTotalTime(TRegistry& reg) {
    const std::string text = reg.ReadString("AllTime");
    if (text.empty())
        return 0;
    if (const auto seconds = LeadingInt32(text))
        return *seconds;
    throw StoreError("The total time \"AllTime\" in " + reg.CurrentPath() + " is \"" + text +
                     "\", which is not a number of seconds from -2147483648 to 2147483647. "
                     "Correct it with netrova-reg.");
}

std::string TMonitor::SaveHistoryRecord(const THistoryRecord& rec) {
    std::string why;
    // Kept records ended earlier: they go first, and this one waits behind them.
    if (AppendKeptRecords(why) && AppendHistoryRecord(ProgramPath, rec, &why))
        return {};
    TRegistry machine(store_, Root::LocalMachine);
    machine.OpenKey(kUnsavedHistoryKey, true);
    std::vector<std::uint8_t> kept = machine.ReadBinary(kUnsavedHistoryValue);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&rec);
    kept.insert(kept.end(), bytes, bytes + sizeof rec);
    machine.WriteBinary(kUnsavedHistoryValue, kept.data(), kept.size());
    machine.CloseKey();
    return UnsavedHistoryText(ProgramPath, why);
}

bool TMonitor::AppendKeptRecords(std::string& why) {
    TRegistry machine(store_, Root::LocalMachine);
    if (!machine.OpenKey(kUnsavedHistoryKey, false))
        return true;
    const std::vector<std::uint8_t> kept = machine.ReadBinary(kUnsavedHistoryValue);
    machine.CloseKey();
    const std::size_t count = kept.size() / sizeof(THistoryRecord);
    std::size_t done = 0;
    for (; done < count; ++done) {
        THistoryRecord rec;
        std::memcpy(&rec, kept.data() + done * sizeof rec, sizeof rec);
        // A crash after the append but before the store write leaves it appended already.
        if (!HistoryEndsWith(ProgramPath, rec) && !AppendHistoryRecord(ProgramPath, rec, &why))
            break;
    }
    if (done > 0 || kept.size() != count * sizeof(THistoryRecord)) {
        machine.OpenKey(kUnsavedHistoryKey, true);
        const std::size_t left = (count - done) * sizeof(THistoryRecord);
        machine.WriteBinary(kUnsavedHistoryValue, kept.data() + done * sizeof(THistoryRecord),
                            left);
        machine.CloseKey();
    }
    return done == count;
}

bool TMonitor::Fits32(std::int64_t value, const std::string& what, const char* unit) {
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
