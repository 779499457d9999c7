#include "monitor/HistoryKeeping.h"

#include "common/Text.h"
#include "monitor/Monitor.h"
#include "platform/MessageBoxes.h"
#include "store/Registry.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <vector>

namespace netrova {

namespace {
// Busy ticks before the busy store is worth a box.
constexpr int kBusyTicksShown = 60;
} // namespace

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

void TMonitor::KeepRecords(TRegistry& machine, const std::vector<THistoryRecord>& records) {
    if (records.empty())
        return;
    machine.OpenKey(kUnsavedHistoryKey, true);
    std::vector<std::uint8_t> kept = machine.ReadBinary(kUnsavedHistoryValue);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(records.data());
    kept.insert(kept.end(), bytes, bytes + records.size() * sizeof(THistoryRecord));
    machine.WriteBinary(kUnsavedHistoryValue, kept.data(), kept.size());
}

void DiscardKeptRecords(SettingsStore& store) {
    TRegistry machine(store, Root::LocalMachine);
    if (machine.KeyExists(kUnsavedHistoryKey))
        machine.DeleteKey(kUnsavedHistoryKey);
}

bool TMonitor::AppendKeptRecords(std::string& why) {
    TRegistry machine(store_, Root::LocalMachine);
    if (!machine.OpenKey(kUnsavedHistoryKey, false)) {
        keptWaiting_ = false;
        return true;
    }
    const std::vector<std::uint8_t> kept = machine.ReadBinary(kUnsavedHistoryValue);
    machine.CloseKey();
    const std::size_t count = kept.size() / sizeof(THistoryRecord);
    std::vector<THistoryRecord> records(count);
    if (count > 0)
        std::memcpy(records.data(), kept.data(), count * sizeof(THistoryRecord));

    // A crash, or a store write that failed, after some of them were appended leaves the
    // history ending with the first of them, in order: those are not appended again.
    std::size_t done = 0;
    const auto tail = ReadLastHistoryRecords(ProgramPath, count);
    for (std::size_t k = tail.size(); k > 0 && done == 0; --k) {
        bool same = true;
        for (std::size_t i = 0; i < k && same; ++i) {
            const THistoryRecord& a = tail[tail.size() - k + i];
            same = a.Started == records[i].Started &&
                   FieldText(a.Provider) == FieldText(records[i].Provider);
        }
        if (same)
            done = k;
    }
    for (; done < count; ++done)
        if (!AppendHistoryRecord(ProgramPath, records[done], &why))
            break;
    if (done > 0 || kept.size() != count * sizeof(THistoryRecord)) {
        machine.OpenKey(kUnsavedHistoryKey, true);
        machine.WriteBinary(kUnsavedHistoryValue, kept.data() + done * sizeof(THistoryRecord),
                            (count - done) * sizeof(THistoryRecord));
        machine.CloseKey();
    }
    keptWaiting_ = done < count;
    return done == count;
}

void TMonitor::FlushKept(bool report) {
    if (!keptWaiting_)
        return;
    std::string why;
    try {
        if (AppendKeptRecords(why)) {
            if (unsaved_ == 0)
                failuresShown_.clear();
            return;
        }
    } catch (const StoreError& e) {
        if (report)
            StoreFailed(e);
        return;
    }
    if (!report)
        return;
    ReportFailure(why == std::strerror(ENOSPC) || why == std::strerror(EDQUOT)
                      ? FullFileSystemText(ProgramPath)
                      : UnsavedHistoryText(ProgramPath, why));
}

void TMonitor::StoreFailed(const StoreError& error) {
    const std::string folder = store_.Paths().MachineFolder();
    if (dynamic_cast<const StoreFullError*>(&error)) {
        ReportFailure(FullFileSystemText(folder));
    } else if (dynamic_cast<const StoreBusyError*>(&error)) {
        // A lock held for a moment is no news: the next tick writes it all.
        if (++busyTicks_ == kBusyTicksShown)
            ReportFailure("The settings store \"" + store_.Paths().Machine +
                          "\" has been kept busy by another program for a minute. Netrova "
                          "keeps what it counts and writes it as soon as the store is free.");
    } else {
        ReportFailure(std::string(error.what()) +
                      " Netrova keeps what it counts and writes it as soon as it can.");
    }
}

void TMonitor::ReportFailure(const std::string& text) {
    if (failuresShown_.insert(text).second)
        boxes_.Show(text, MsgIcon::Stop);
}

std::string MountPointOf(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path p = fs::weakly_canonical(fs::absolute(path, ec), ec);
    struct stat st {};
    while (::stat(p.c_str(), &st) != 0 && p.has_relative_path())
        p = p.parent_path();
    // Up the folders while they are on the same file system.
    for (struct stat up{}; p.has_relative_path(); p = p.parent_path())
        if (::stat(p.parent_path().c_str(), &up) != 0 || up.st_dev != st.st_dev)
            break;
    return p.string();
}

std::string FullFileSystemText(const std::string& folder) {
    return "The file system at \"" + MountPointOf(folder) +
           "\" is full, so Netrova cannot write to \"" + folder +
           "\". It keeps what it counts, finished connections included, and writes it as "
           "soon as there is space again.";
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
