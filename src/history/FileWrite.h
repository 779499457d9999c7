#pragma once

#include <cstddef>
#include <string>

namespace netrova {

// The history layer's own file writing.

// Writes all of data, going on after interrupted and short writes. False on an error.
bool WriteAll(int fd, const void* data, std::size_t size);

// Puts the folder's entries on disk, so that a new or renamed file's name survives a crash.
void SyncFolder(const std::string& path);

} // namespace netrova
