#pragma once

#include "../support/TempStore.h"
#include "MonitorTestSeam.h"
#include "monitor/Monitor.h"
#include "platform/Clock.h"
#include "platform/HelpViewer.h"
#include "platform/MessageBoxes.h"
#include "support/DesktopDoubles.h"
#include "support/FakeClock.h"
#include "support/ScriptedMessageBoxes.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace netrova::test {

// Remembers what the monitor last showed.
class RecordingView : public MonitorView {
public:
    void ShowConnectionStatus(const std::string& t) override { status = t; }
    void ShowProvider(const std::string& t) override { provider = t; }
    void ShowUser(const std::string& t) override { user = t; }
    void ShowConnectedPicture(bool c) override { connectedPicture = c; }
    void ShowConnTime(const std::string& t) override { connTime = t; }
    void ShowFee(const std::string& t) override { fee = t; }
    void ShowTotalMoney(const std::string& t) override { totalMoney = t; }
    void ShowStatusText(const std::string& t) override { statusText = t; }
    void EnableTimer(bool e) override { timerEnabled = e; }
    void AddTrayIcon() override {}
    void UpdateTrayIcon(const std::string&, int) override {}
    void RemoveTrayIcon() override {}

    std::string status, provider, user, connTime, fee, totalMoney, statusText;
    bool connectedPicture = false;
    bool timerEnabled = false;
};

struct Tariff {
    int starting = 0, ending = 0, dayCost = 0, nightCost = 0, ocpd = 0;
    std::string name = "Standard";
};

// A monitor on a temporary store with a fake clock, scripted boxes and a recording view,
// plus the dial-up service's side (the manual source) and direct store access.
class MonitorRig {
public:
    static constexpr const char* kUser = "alice";

    // A store as installed, with the user "alice" logged on.
    MonitorRig();

    Monitor& mon() { return *mon_; }
    const MonitorState& state() { return mon_->State(); }
    // For state a test sets directly.
    MonitorState& set() { return MonitorTestSeam::Of(*mon_); }
    // Runs the start-up; the personalisation boxes of a first start are cleared.
    void Start();
    // The process dies: the monitor goes without any exit step; the next one starts afresh.
    void Crash();

    void Dial(const std::string& provider);
    void Hangup();
    void SetRemoteConnection(std::uint32_t value);
    // One tick after the clock moves on by `seconds`.
    void Tick(int seconds = 1);
    void Ticks(int count);
    void SetConnectDelay(int seconds);
    void SetTariff(const std::string& provider, const std::string& day, const Tariff& t);

    std::vector<THistoryRecord> Records();
    // The interface's byte counters as the monitor reads them (below NetFolder()).
    std::string NetFolder();
    void SetCounters(const std::string& interface, std::uint64_t received, std::uint64_t sent);
    void RemoveInterface(const std::string& interface);
    // The volume of each history record.
    std::vector<std::optional<Volume>> Volumes();
    std::string ProgramPath() { return store.dir(); }

    TempStore store;
    FakeClock clock;
    ScriptedMessageBoxes boxes;
    RecordingHelpViewer help;
    RecordingView view;

private:
    std::unique_ptr<Monitor> mon_;
};

} // namespace netrova::test
