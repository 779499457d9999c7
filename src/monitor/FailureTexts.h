#pragma once

#include <string>

namespace netrova {

// The error box for a history file that cannot be written.
std::string UnsavedHistoryText(const std::string& programPath, const std::string& why);

// The folder on which the file system holding `path` is mounted.
std::string MountPointOf(const std::string& path);
// The box for a full file system, named by its mount point; `folder` is where Netrova writes.
std::string FullFileSystemText(const std::string& folder);

} // namespace netrova
