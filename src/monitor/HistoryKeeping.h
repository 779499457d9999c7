#pragma once

#include "history/HistoryFile.h"

#include <cstdint>
#include <string>

namespace netrova {

class SettingsStore;
class TRegistry;

// Records that could not be appended to the history file wait here (machine root, one binary
// value of whole records in the order they ended) until the file can be written.
inline constexpr const char* kUnsavedHistoryKey = "\\Software\\Netrova\\Counter\\Unsaved";
inline constexpr const char* kUnsavedHistoryValue = "Records";

// Whether the history already ends with this connection (same start, same provider): a crash
// between the history append and the commit after it leaves it recorded once already. Only the
// last record is read; it is copied to `last` when it matches and `last` is given.
bool HistoryEndsWith(const std::string& programPath, const THistoryRecord& rec,
                     THistoryRecord* last = nullptr);

// Drops the kept records: a counter reset ends their period with its history.
void DiscardKeptRecords(SettingsStore& store);

// The error box for a history file that cannot be written.
std::string UnsavedHistoryText(const std::string& programPath, const std::string& why);

// The folder on which the file system holding `path` is mounted.
std::string MountPointOf(const std::string& path);
// The box for a full file system, named by its mount point; `folder` is where Netrova writes.
std::string FullFileSystemText(const std::string& folder);

} // namespace netrova
