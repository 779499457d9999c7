#pragma once

#include <cstddef>
#include <string>

namespace netrova {

// The history layer's own file writing.

// Writes all of data, going on after interrupted and short writes. False on an error.
bool WriteAll(int fd, const void* data, std::size_t size);

// Opens a history file, creating it when asked and missing, but only when it is a regular
// file: opening a FIFO or a device could block the program for ever, so nothing blocks here and
// anything else is refused. Returns -1 with the reason in why (empty for a missing file that
// is not to be created).
int OpenHistoryFile(const std::string& path, int flags, bool create, bool* created,
                    std::string& why);
// The same for writing (O_WRONLY with flags); the crash test fails or ends the process here.
int OpenHistoryFileToWrite(const std::string& path, int flags, bool create, bool* created,
                           std::string& why);

// Gives the reason to the caller that asked for it; false.
inline bool Fail(std::string* error, const std::string& why) {
    if (error)
        *error = why;
    return false;
}

// Puts the folder's entries on disk, so that a new or renamed file's name survives a crash.
void SyncFolder(const std::string& path);

} // namespace netrova
