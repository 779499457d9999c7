#include "MonitorRig.h"

#include "platform/DialUpService.h"
#include "store/Defaults.h"
#include "tariffs/Tariffs.h"

namespace netrova::test {

MonitorRig::MonitorRig() {
    EnsureInstallationDefaults(store);
    PublishCurrentUser(store, kUser);
    clock.Set(2026, 12, 7, 12, 0, 0);
    mon_ = std::make_unique<TMonitor>(store.store(), clock, boxes, help, view);
}

void MonitorRig::Start() {
    mon_->StartMonitor();
    boxes.clear();
}

void MonitorRig::Crash() {
    view = RecordingView{};
    store.Reopen();
    mon_ = std::make_unique<TMonitor>(store.store(), clock, boxes, help, view);
}

void MonitorRig::SetRemoteConnection(std::uint32_t value) {
    TRegistry reg(store, Root::LocalMachine);
    reg.OpenKey(kRemoteAccessServiceKey, true);
    WriteRemoteConnectionFlag(reg, value);
    reg.CloseKey();
}

void MonitorRig::Dial(const std::string& provider) {
    store.SetStr(Root::CurrentUser, kRemoteAccessKey, "Default", provider);
    SetRemoteConnection(1);
}

void MonitorRig::Hangup() {
    SetRemoteConnection(0);
}

void MonitorRig::Tick(int seconds) {
    clock.Advance(seconds);
    mon_->Timer1Timer();
}

void MonitorRig::Ticks(int count) {
    for (int i = 0; i < count; ++i)
        Tick();
}

void MonitorRig::SetConnectDelay(int seconds) {
    store.SetInt(Root::CurrentUser, kProductKey, "Connect delay", seconds);
}

void MonitorRig::SetTariff(const std::string& provider, const std::string& day, const Tariff& t) {
    // Written as the tariff dialogs write it, so the monitor is tested on their format.
    const TariffProfile profile{t.name, t.starting, t.ending, t.dayCost, t.nightCost, t.ocpd};
    Tariffs(store).SaveDayTariff(provider, day == DayKeyName(kHoliday) ? kHoliday : std::stoi(day),
                                 &profile);
}

std::vector<THistoryRecord> MonitorRig::Records() {
    std::vector<THistoryRecord> out;
    ScanHistory(ProgramPath(), [&](const THistoryRecord& r) {
        out.push_back(r);
        return true;
    });
    return out;
}

} // namespace netrova::test
