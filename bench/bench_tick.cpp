// Cost of the one-second tick: a simulated day idle and a day online on a fake clock, with the
// real store on disk. Prints CPU time and store transactions per tick for each.
//
//   bench_tick [seconds-per-phase]     (default 86400, a whole day)
#include "monitor/Monitor.h"
#include "platform/Clock.h"
#include "platform/DialUpService.h"
#include "platform/HelpViewer.h"
#include "platform/MessageBoxes.h"
#include "store/Defaults.h"
#include "store/Registry.h"
#include "tariffs/DayMap.h"

#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>

using namespace netrova;

namespace {

double CpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

void SetConnected(SettingsStore& store, bool connected) {
    TRegistry reg(store, Root::LocalMachine);
    reg.OpenKey(kRemoteAccessServiceKey, true);
    WriteRemoteConnectionFlag(reg, connected ? 1 : 0);
    reg.CloseKey();
}

void Phase(const char* name, TMonitor& mon, FakeClock& clock, SettingsStore& store, int ticks) {
    const std::uint64_t tx0 = store.TransactionCount();
    const double cpu0 = CpuSeconds();
    const auto wall0 = std::chrono::steady_clock::now();
    for (int i = 0; i < ticks; ++i) {
        clock.Advance(1);
        mon.Timer1Timer();
    }
    const double cpu = CpuSeconds() - cpu0;
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
    const double tx = static_cast<double>(store.TransactionCount() - tx0);
    std::printf("%-7s %7d ticks  CPU %8.1f us/tick  wall %8.1f us/tick  %5.2f store "
                "transactions/tick\n",
                name, ticks, cpu * 1e6 / ticks, wall * 1e6 / ticks, tx / ticks);
}

} // namespace

int main(int argc, char** argv) {
    const int ticks = argc > 1 ? std::atoi(argv[1]) : 86400;
    if (ticks <= 0) {
        std::fprintf(stderr, "usage: bench_tick [seconds-per-phase]\n");
        return 2;
    }
    QTemporaryDir dir;
    const std::string base = dir.path().toStdString();
    SettingsStore store(StorePaths{base + "/user.db", base + "/machine.db"});
    EnsureInstallationDefaults(store);
    PublishCurrentUser(store, "bench");

    FakeClock clock;
    clock.Set(2026, 12, 7, 0, 0, 0);
    ScriptedMessageBoxes boxes;
    RecordingHelpViewer help;
    NullMonitorView view;
    TMonitor mon(store, clock, boxes, help, view);
    mon.StartMonitor();

    {
        // A tariff for every day, so that the online day charges each minute.
        TRegistry reg(store, Root::CurrentUser);
        reg.OpenKey(kRemoteAccessKey, true);
        reg.WriteString("Default", "Bench ISP");
        reg.CloseKey();
        const TariffProfile standard{"Standard", 8, 20, 5, 2, 0};
        WriteDayMap(store, "Bench ISP",
                    DayTariffs{"Standard", "Standard", "Standard", "Standard", "Standard",
                               "Standard", "Standard", "Standard"},
                    {standard});
    }

    SetConnected(store, false);
    Phase("idle", mon, clock, store, ticks);
    SetConnected(store, true);
    Phase("online", mon, clock, store, ticks);
    SetConnected(store, false);
    mon.Timer1Timer();
    std::printf("connection recorded: %d s, %d cents\n", mon.Rec.Duration, mon.Rec.Fee);
    return 0;
}
