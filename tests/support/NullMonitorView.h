#pragma once

#include "monitor/Monitor.h"

namespace netrova {

// Shows nothing: for running the monitor without a window.
class NullMonitorView : public MonitorView {
public:
    void ShowConnectionStatus(const std::string&) override {}
    void ShowProvider(const std::string&) override {}
    void ShowUser(const std::string&) override {}
    void ShowConnectedPicture(bool) override {}
    void ShowConnTime(const std::string&) override {}
    void ShowFee(const std::string&) override {}
    void ShowTotalMoney(const std::string&) override {}
    void ShowStatusText(const std::string&) override {}
    void EnableTimer(bool) override {}
    void AddTrayIcon() override {}
    void UpdateTrayIcon(const std::string&, int) override {}
    void RemoveTrayIcon() override {}
};

} // namespace netrova
