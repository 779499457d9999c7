#pragma once

#include <string>

namespace netrova {

struct StorePaths;

// Keeps a second copy of the program off a machine store that one copy already uses: an
// exclusive lock on a file beside that store, held until the object dies or the process ends
// (the system drops the lock of a process that dies).
class InstanceLock {
public:
    enum class Result { Acquired, Busy, Failed };

    explicit InstanceLock(std::string path);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // The lock file of a store: beside the machine store, named after it.
    static std::string PathFor(const StorePaths& paths);

    // Creates the lock file (and its folder) when missing and takes the lock without waiting.
    Result Acquire();
    const std::string& Path() const { return path_; }
    // Why Acquire failed, for Result::Failed.
    const std::string& Error() const { return error_; }

private:
    std::string path_;
    std::string error_;
    int fd_ = -1;
};

} // namespace netrova
