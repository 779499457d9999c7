#pragma once

#include "history/HistoryFile.h"

#include <cstdint>
#include <string>

namespace netrova {

class SettingsStore;
class Registry;

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

// Drops the kept records: a counter reset ends their period with its history.
void DiscardKeptRecords(SettingsStore& store);

// The error box for a history file that cannot be written.
std::string UnsavedHistoryText(const std::string& programPath, const std::string& why);

// The folder on which the file system holding `path` is mounted.
std::string MountPointOf(const std::string& path);
// The box for a full file system, named by its mount point; `folder` is where Netrova writes.
std::string FullFileSystemText(const std::string& folder);

} // namespace netrova
