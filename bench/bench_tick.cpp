// Cost of the one-second tick with the real store on disk: a tight loop of idle ticks and of
// online ticks on a fake clock, then online ticks paced by a real one-second sleep as the
// program runs them. Each phase is set against the cost floor measured in the same run on the
// same disk: one bare synchronous=FULL commit of ten small values.
//
//   bench_tick [ticks-per-phase [paced-ticks]]     (defaults 3000 and 60; 0 paced skips it)
//
// The store lives in TMPDIR: point it at the disk to be measured.
#include "TickSetup.h"
#include "dialup/DialUpService.h"
#include "monitor/Installation.h"
#include "monitor/Monitor.h"
#include "platform/Clock.h"
#include "platform/HelpViewer.h"
#include "platform/MessageBoxes.h"
#include "settings/Defaults.h"
#include "store/Registry.h"
#include "support/DesktopDoubles.h"
#include "support/FakeClock.h"
#include "support/NullMonitorView.h"
#include "support/ScriptedMessageBoxes.h"

#include <QTemporaryDir>
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

using namespace netrova;
using netrova::bench::CpuSeconds;

namespace {

// Bytes this process has handed to write calls so far.
double BytesWritten() {
    std::ifstream io("/proc/self/io");
    std::string name;
    double value = 0;
    while (io >> name >> value)
        if (name == "wchar:")
            return value;
    return 0;
}

double WallSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void Check(int rc, sqlite3* db) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
        std::fprintf(stderr, "bench_tick: %s\n", sqlite3_errmsg(db));
        std::exit(1);
    }
}

// The cost floor: one bare durable commit of ten small values, in a database set up as the
// store is, on the same disk. Its commits run between the ticks, under the same conditions.
class FloorCommit {
public:
    explicit FloorCommit(const std::string& file) {
        Check(sqlite3_open(file.c_str(), &db_), db_);
        Check(sqlite3_exec(db_,
                           "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL;"
                           "CREATE TABLE v(id INTEGER PRIMARY KEY, n INTEGER);"
                           "WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c"
                           " WHERE i < 10) INSERT INTO v SELECT i, 0 FROM c;",
                           nullptr, nullptr, nullptr),
              db_);
        sqlite3_prepare_v2(db_, "BEGIN IMMEDIATE", -1, &begin_, nullptr);
        sqlite3_prepare_v2(db_, "UPDATE v SET n = ? WHERE id = ?", -1, &update_, nullptr);
        sqlite3_prepare_v2(db_, "COMMIT", -1, &commit_, nullptr);
    }
    ~FloorCommit() {
        sqlite3_finalize(begin_);
        sqlite3_finalize(update_);
        sqlite3_finalize(commit_);
        sqlite3_close(db_);
    }
    FloorCommit(const FloorCommit&) = delete;
    FloorCommit& operator=(const FloorCommit&) = delete;

    // One commit; adds its CPU time to the total.
    void Run() {
        const double cpu0 = CpuSeconds();
        Step(begin_);
        for (int id = 1; id <= 10; ++id) {
            sqlite3_bind_int(update_, 1, ++value_);
            sqlite3_bind_int(update_, 2, id);
            Step(update_);
        }
        Step(commit_);
        cpu_ += CpuSeconds() - cpu0;
        ++count_;
    }
    double MicrosecondsPerCommit() const { return count_ ? cpu_ * 1e6 / count_ : 0; }

private:
    void Step(sqlite3_stmt* stmt) {
        Check(sqlite3_step(stmt), db_);
        sqlite3_reset(stmt);
    }

    sqlite3* db_ = nullptr;
    sqlite3_stmt* begin_ = nullptr;
    sqlite3_stmt* update_ = nullptr;
    sqlite3_stmt* commit_ = nullptr;
    int value_ = 0;
    int count_ = 0;
    double cpu_ = 0;
};

void SetConnected(SettingsStore& store, bool connected) {
    Registry reg(store, Root::LocalMachine);
    reg.OpenKey(kRemoteAccessServiceKey, true);
    WriteRemoteConnectionFlag(reg, connected ? 1 : 0);
    reg.CloseKey();
}

// One phase: `ticks` ticks, each one second later on the fake clock, each beside one floor
// commit; paced ones also wait a real second before each pair, so that the disk is as idle
// between ticks as it is in use. Tick and floor take turns at going first after the wait, so
// that neither always pays for the caches the wait has cooled.
void Phase(const char* name, Monitor& mon, FakeClock& clock, SettingsStore& store, int ticks,
           bool paced, const std::string& floorFile) {
    FloorCommit floor(floorFile);
    const std::uint64_t commits0 = store.DurableCommitCount();
    double cpu = 0, wall = 0, bytes = 0;
    for (int i = 0; i < ticks; ++i) {
        if (paced)
            std::this_thread::sleep_for(std::chrono::seconds(1));
        clock.Advance(1);
        if (i % 2)
            floor.Run();
        const double bytes0 = BytesWritten();
        const double wall0 = WallSeconds();
        const double cpu0 = CpuSeconds();
        mon.Timer1Timer();
        cpu += CpuSeconds() - cpu0;
        wall += WallSeconds() - wall0;
        bytes += BytesWritten() - bytes0;
        if (i % 2 == 0)
            floor.Run();
    }
    const double commits = static_cast<double>(store.DurableCommitCount() - commits0);
    const double cpuUs = cpu * 1e6 / ticks;
    const double floorUs = floor.MicrosecondsPerCommit();
    std::printf("%s %d ticks CPU %.1f us/tick wall %.1f us/tick %.2f durable commits/tick "
                "%.0f bytes written/tick floor %.1f us ratio %.2f\n",
                name, ticks, cpuUs, wall * 1e6 / ticks, commits / ticks, bytes / ticks, floorUs,
                cpuUs / floorUs);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    const int ticks = argc > 1 ? std::atoi(argv[1]) : 3000;
    const int paced = argc > 2 ? std::atoi(argv[2]) : 60;
    if (ticks <= 0 || paced < 0) {
        std::fprintf(stderr, "usage: bench_tick [ticks-per-phase [paced-ticks]]\n");
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
    Monitor mon(store, clock, boxes, help, view);
    mon.StartMonitor();

    bench::PriceEveryDay(store, "Bench ISP");
    // Online ticks read the byte counters of a real interface, as they do on a link.
    SetConnectionInterface(store, "lo");

    SetConnected(store, false);
    Phase("idle", mon, clock, store, ticks, false, base + "/floor-idle.db");
    SetConnected(store, true);
    Phase("online", mon, clock, store, ticks, false, base + "/floor-online.db");
    if (paced > 0)
        Phase("paced-online", mon, clock, store, paced, true, base + "/floor-paced.db");
    SetConnected(store, false);
    mon.Timer1Timer();
    std::printf("connection recorded: %d s, %d cents, volume %s\n", mon.State().Rec.Duration,
                mon.State().Rec.Fee, mon.State().ConnVolume ? "counted" : "unknown");
    return 0;
}
