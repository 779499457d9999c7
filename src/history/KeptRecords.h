#pragma once

#include "history/VolumeFile.h"

#include <optional>
#include <string>
#include <vector>

namespace netrova {

class Registry;
class SettingsStore;

// A connection that has ended, with its volume (nothing when unknown).
struct FinishedConnection {
    THistoryRecord Record{};
    std::optional<Volume> Bytes;
};

// The history's write-ahead. A finished connection is kept in the store in the transaction that
// counts it, appended to the history and volume files after that commit, and dropped once the
// files hold it: a crash or a full disk between the two never loses nor doubles a record.
// Records that could not be appended to the history file wait here (machine root, one binary
// value of whole records in the order they ended) until the file can be written.
inline constexpr const char* kUnsavedHistoryKey = "\\Software\\Netrova\\Counter\\Unsaved";
inline constexpr const char* kUnsavedHistoryValue = "Records";
// Beside them, the record number in the history file at which each is to stand (8 bytes
// little-endian each): a kept record counts as appended only when the file holds exactly its
// bytes there. Two connections may share their start second and provider (a clock that starts
// at the same time at each boot, the repeated hour in autumn), so nothing less identifies one.
inline constexpr const char* kUnsavedPlacesValue = "Places";
// And the volume record of each (volume.dat's form); kept records without it have no volume.
inline constexpr const char* kUnsavedVolumesValue = "Volumes";

// Adds the finished connections to the kept ones, each to stand after those kept before it
// (the first after the history's end), in the caller's transaction.
void KeepRecords(Registry& machine, const std::string& programPath,
                 const std::vector<FinishedConnection>& finished);

// Appends the kept records that the history does not hold yet, with their volumes, and drops
// those written. True when none waits any more; otherwise `why` says what the file refused.
// Throws StoreError.
bool AppendKeptRecords(SettingsStore& store, const std::string& programPath, FileError& why);

// Drops the kept records: a counter reset ends their period with its history.
void DiscardKeptRecords(SettingsStore& store);

} // namespace netrova
