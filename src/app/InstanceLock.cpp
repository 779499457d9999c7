#include "app/InstanceLock.h"

#include "store/Registry.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <unistd.h>

namespace netrova {

InstanceLock::InstanceLock(std::string path) : path_(std::move(path)) {}

InstanceLock::~InstanceLock() {
    if (fd_ >= 0)
        ::close(fd_); // closing the descriptor releases the lock
}

std::string InstanceLock::PathFor(const StorePaths& paths) {
    return paths.Machine + ".lock";
}

InstanceLock::Result InstanceLock::Acquire() {
    if (fd_ >= 0)
        return Result::Acquired;
    std::error_code ec;
    const auto folder = std::filesystem::path(path_).parent_path();
    if (!folder.empty())
        std::filesystem::create_directories(folder, ec);
    // Close-on-exec: programs started on connect must not inherit the lock and keep it after
    // this process has ended.
    const int fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        error_ = "Cannot open the lock file \"" + path_ + "\": " + std::strerror(errno);
        return Result::Failed;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        ::close(fd);
        if (err == EWOULDBLOCK)
            return Result::Busy;
        error_ = "Cannot lock the file \"" + path_ + "\": " + std::strerror(err);
        return Result::Failed;
    }
    fd_ = fd;
    return Result::Acquired;
}

} // namespace netrova
