#pragma once

#include "common/Volume.h"

#include <optional>
#include <string>

namespace netrova {

// The kernel's byte counters of one network interface (sysClassNet/IFACE/statistics/rx_bytes
// and tx_bytes). The two files stay open between reads, so that a tick costs two preads.
class InterfaceCounters {
public:
    explicit InterfaceCounters(std::string sysClassNet = "/sys/class/net")
        : root_(std::move(sysClassNet)) {}
    ~InterfaceCounters();
    InterfaceCounters(const InterfaceCounters&) = delete;
    InterfaceCounters& operator=(const InterfaceCounters&) = delete;

    // The counters now; nothing while the interface is not there (an interface that comes
    // back under the same name is opened again).
    std::optional<Volume> Read(const std::string& interface);

private:
    void Close();
    std::string root_;
    std::string open_; // the interface whose files are open
    int rx_ = -1;
    int tx_ = -1;
    unsigned long inode_ = 0;
};

} // namespace netrova
