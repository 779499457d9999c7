#include "monitor/InterfaceCounters.h"

#include <cerrno>
#include <charconv>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace netrova {

namespace {

std::optional<std::uint64_t> ReadNumber(int fd) {
    char text[32];
    ssize_t n;
    do
        n = ::pread(fd, text, sizeof text, 0);
    while (n < 0 && errno == EINTR);
    if (n <= 0)
        return std::nullopt;
    std::uint64_t value = 0;
    const auto [end, ec] = std::from_chars(text, text + n, value);
    if (ec != std::errc() || end == text)
        return std::nullopt;
    return value;
}

} // namespace

InterfaceCounters::~InterfaceCounters() {
    Close();
}

void InterfaceCounters::Close() {
    for (int* fd : {&rx_, &tx_})
        if (*fd >= 0) {
            ::close(*fd);
            *fd = -1;
        }
    open_.clear();
}

std::optional<Volume> InterfaceCounters::Read(const std::string& interface) {
    if (interface.empty()) {
        Close();
        return std::nullopt;
    }
    const std::string stats = root_ + "/" + interface + "/statistics/";
    // An interface removed and made again under the same name has new files: the open ones
    // would go on reading the old.
    struct stat now {};
    const bool there = ::stat((stats + "rx_bytes").c_str(), &now) == 0;
    if (interface != open_ || rx_ < 0 || tx_ < 0 || !there || now.st_ino != inode_) {
        Close();
        if (!there)
            return std::nullopt;
        rx_ = ::open((stats + "rx_bytes").c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        tx_ = ::open((stats + "tx_bytes").c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        open_ = interface;
        inode_ = now.st_ino;
    }
    const auto rx = rx_ >= 0 ? ReadNumber(rx_) : std::nullopt;
    const auto tx = tx_ >= 0 ? ReadNumber(tx_) : std::nullopt;
    if (!rx || !tx) {
        // Gone, or never there: the files of an interface made again are new ones.
        Close();
        return std::nullopt;
    }
    return Volume{*rx, *tx};
}

} // namespace netrova
