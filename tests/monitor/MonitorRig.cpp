#include "MonitorRig.h"

#include "dialup/DialUpService.h"
#include "history/VolumeFile.h"
#include "monitor/Installation.h"
#include "settings/Defaults.h"
#include "tariffs/Tariffs.h"

#include <QDir>
#include <QFile>

namespace netrova::test {

MonitorRig::MonitorRig() {
    EnsureInstallationDefaults(store);
    PublishCurrentUser(store, kUser);
    clock.Set(2026, 12, 7, 12, 0, 0);
    mon_ = std::make_unique<Monitor>(store.store(), clock, boxes, help, view, NetFolder());
}

void MonitorRig::Start() {
    mon_->StartMonitor();
    boxes.clear();
}

void MonitorRig::Crash() {
    view = RecordingView{};
    store.Reopen();
    mon_ = std::make_unique<Monitor>(store.store(), clock, boxes, help, view, NetFolder());
}

std::string MonitorRig::NetFolder() {
    return store.dir() + "/net";
}

void MonitorRig::SetCounters(const std::string& interface, std::uint64_t received,
                             std::uint64_t sent) {
    const QString stats = QString::fromStdString(NetFolder() + "/" + interface + "/statistics/");
    QDir().mkpath(stats);
    // Written in place, as the kernel's files change under an open descriptor.
    for (const auto& [name, value] :
         {std::pair{"rx_bytes", received}, std::pair{"tx_bytes", sent}}) {
        QFile f(stats + name);
        f.open(QIODevice::ReadWrite);
        f.resize(0);
        f.write(QByteArray::number(static_cast<qulonglong>(value)) + "\n");
    }
}

void MonitorRig::RemoveInterface(const std::string& interface) {
    QDir(QString::fromStdString(NetFolder() + "/" + interface)).removeRecursively();
}

std::vector<std::optional<Volume>> MonitorRig::Volumes() {
    std::vector<std::optional<Volume>> out;
    ScanHistoryWithVolume(ProgramPath(),
                          [&](const THistoryRecord&, const std::optional<Volume>& v) {
                              out.push_back(v);
                              return true;
                          });
    return out;
}

void MonitorRig::SetRemoteConnection(std::uint32_t value) {
    Registry reg(store, Root::LocalMachine);
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
