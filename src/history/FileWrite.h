#pragma once

#include "history/HistoryFile.h"

#include <cstddef>
#include <string>
#include <utility>

#include <unistd.h>

namespace netrova {

// The history layer's own file writing.

// Writes all of data, going on after interrupted and short writes. False on an error.
bool WriteAll(int fd, const void* data, std::size_t size);

// An open file descriptor, closed when its holder goes.
class FileHandle {
public:
    explicit FileHandle(int fd = -1) noexcept : fd_(fd) {}
    FileHandle(FileHandle&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    FileHandle& operator=(FileHandle&& other) noexcept {
        if (this != &other) {
            Close();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle() { Close(); }

    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    void Close() {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }

private:
    int fd_;
};

// The system's error `err` (an errno value), and a fault of the file that has none.
FileError SystemError(int err);
FileError FileProblem(std::string text);

// Opens a history file, creating it when asked and missing, but only when it is a regular
// file: opening a FIFO or a device could block the program for ever, so nothing blocks here and
// anything else is refused. Returns no file with the reason in why (none for a missing file that
// is not to be created).
FileHandle OpenHistoryFile(const std::string& path, int flags, bool create, bool* created,
                           FileError& why);
// The same for writing (O_WRONLY with flags); the crash test fails or ends the process here.
FileHandle OpenHistoryFileToWrite(const std::string& path, int flags, bool create, bool* created,
                                  FileError& why);

// Gives the reason to the caller that asked for it; false.
inline bool Fail(FileError* error, const FileError& why) {
    if (error)
        *error = why;
    return false;
}

// Puts the folder's entries on disk, so that a new or renamed file's name survives a crash.
void SyncFolder(const std::string& path);

} // namespace netrova
