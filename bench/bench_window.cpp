// Cost of the main window, on the offscreen platform:
// - its real one-second tick while online on a fake clock, with the events it posts (layout,
//   painting), against the same tick of the window-free controller over a store of its own, in
//   the same run;
// - the longest the event loop waits while "Create report", the connections browser and the
//   statistics each work through a large history, started through the window's own commands;
//   then, in a browser kept open, while it opens, sorts by each column both ways and shows each
//   view, with the process's peak memory.
//
//   bench_window [ticks [records]]     (defaults 3000 and 1000000; counts such as 1e7 are taken)
//
// The stores and the history live in TMPDIR.
#include "HistoryWriter.h"
#include "StallMeter.h"
#include "TickSetup.h"
#include "app/AppController.h"
#include "app/MainWindow.h"
#include "browser/ConnectionsWindow.h"
#include "dialup/DialUpService.h"
#include "monitor/Installation.h"
#include "monitor/Monitor.h"
#include "platform/Clock.h"
#include "platform/HelpViewer.h"
#include "platform/MessageBoxes.h"
#include "reports/Report.h"
#include "settings/Defaults.h"
#include "store/Registry.h"
#include "support/DesktopDoubles.h"
#include "support/FakeClock.h"
#include "support/NullMonitorView.h"
#include "support/ScriptedMessageBoxes.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <sys/resource.h>

using namespace netrova;
using netrova::bench::CpuSeconds;

namespace {

const char* const kProvider = "Bench ISP";

// A store past its first start, quiet (no reminder beeps, no tray), online with a priced
// provider.
void PrepareStore(SettingsStore& store, FakeClock& clock) {
    EnsureInstallationDefaults(store);
    PublishCurrentUser(store, "bench");
    ScriptedMessageBoxes boxes;
    RecordingHelpViewer help;
    NullMonitorView view;
    Monitor first(store, clock, boxes, help, view);
    first.StartMonitor();
    first.CloseForExit();
    Registry reg(store, Root::CurrentUser);
    reg.OpenKey(kProductKey, true);
    reg.WriteInteger("System tray", 0);
    reg.OpenKey(kBeepKey, true);
    reg.WriteInteger("Enabled", 0);
    reg.CloseKey();
    AddEntry(store, kProvider);
    bench::PriceEveryDay(store, kProvider);
    SetRemoteConnection(store, true);
}

std::string ProgramPath(SettingsStore& store) {
    Registry reg(store, Root::LocalMachine);
    reg.OpenKey(kProductKey, false);
    std::string path = reg.ReadString("Program path");
    reg.CloseKey();
    return path;
}

// The longest gap between two turns of the event loop while `start` sets some work going,
// until `done` says it is over and the process has gone quiet. A modal window the work opens
// is closed once it has gone quiet.
double LongestStallMs(const std::function<void()>& start, const std::function<bool()>& done) {
    bench::StallMeter stalls;

    // Quiet: less than a fifth of a core used over the last 100 ms.
    QEventLoop loop;
    double cpuBefore = CpuSeconds();
    QTimer watch;
    watch.setInterval(100);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        const double cpu = CpuSeconds();
        const bool quiet = cpu - cpuBefore < 0.02;
        cpuBefore = cpu;
        if (!quiet)
            return;
        if (QWidget* modal = QApplication::activeModalWidget()) {
            modal->close();
            return;
        }
        if (done() && !QApplication::overrideCursor())
            loop.quit();
    });

    stalls.Start();
    watch.start();
    QTimer::singleShot(0, start);
    loop.exec();
    return stalls.WorstMs();
}

double PeakRssMb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// A count from the command line, in plain digits or as 1e7.
int Count(const char* text) {
    const double count = std::strtod(text, nullptr);
    return count >= 1 && count <= 2e9 ? static_cast<int>(count) : 0;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("NETROVA_DIALUP", "manual");
    QApplication app(argc, argv);
    const int ticks = argc > 1 ? Count(argv[1]) : 3000;
    const int records = argc > 2 ? Count(argv[2]) : 1000000;
    if (ticks <= 0 || records <= 0) {
        std::fprintf(stderr, "usage: bench_window [ticks [records]]\n");
        return 2;
    }
    QTemporaryDir windowDir, monitorDir;
    const std::string w = windowDir.path().toStdString(), m = monitorDir.path().toStdString();
    SettingsStore windowStore(StorePaths{w + "/user.db", w + "/machine.db"});
    SettingsStore monitorStore(StorePaths{m + "/user.db", m + "/machine.db"});
    FakeClock clock;
    clock.Set(2026, 12, 7, 10, 0, 0);
    PrepareStore(windowStore, clock);
    PrepareStore(monitorStore, clock);

    ScriptedMessageBoxes boxes;
    RecordingHelpViewer help;
    DesktopDoubles desktop(w + "/autostart");
    TForm1 form(windowStore, clock, boxes, help, desktop.Services());
    // The fake clock drives the ticks; the window's own timer would add real-time ones.
    form.findChild<QTimer*>(QStringLiteral("Timer1"))->stop();
    form.show();
    // The same tick without a window: what the window's own share is measured against.
    NullMonitorView view;
    struct : AppView {
        void ShowHistoryGroup(const std::string&, const HistoryGroupTexts&) override {}
        void ShowLimitFields(const std::string&, const std::string&) override {}
        void EndOfTick() override {}
    } noFields;
    DesktopDoubles aloneDesktop(m + "/autostart");
    AppController alone(monitorStore, clock, boxes, help, aloneDesktop.Services(), view, noFields,
                        nullptr);
    alone.Start();
    alone.findChild<QTimer*>(QStringLiteral("Timer1"))->stop();

    double windowCpu = 0, aloneCpu = 0;
    const auto windowTick = [&] {
        const double cpu0 = CpuSeconds();
        form.Timer1Timer();
        QCoreApplication::processEvents();
        windowCpu += CpuSeconds() - cpu0;
    };
    const auto aloneTick = [&] {
        const double cpu0 = CpuSeconds();
        alone.Tick();
        aloneCpu += CpuSeconds() - cpu0;
    };
    // A minute of warming up, then the two take turns at going first.
    for (int i = 0; i < 60; ++i) {
        clock.Advance(1);
        form.Timer1Timer();
        alone.Tick();
    }
    QCoreApplication::processEvents();
    windowCpu = aloneCpu = 0;
    for (int i = 0; i < ticks; ++i) {
        clock.Advance(1);
        if (i % 2) {
            windowTick();
            aloneTick();
        } else {
            aloneTick();
            windowTick();
        }
    }
    const double windowUs = windowCpu * 1e6 / ticks, aloneUs = aloneCpu * 1e6 / ticks;
    std::printf("window online %d ticks: CPU %.1f us/tick (controller alone %.1f us/tick) ratio "
                "%.2f\n",
                ticks, windowUs, aloneUs, windowUs / aloneUs);
    std::fflush(stdout);

    // The connection ends before the history is swapped, so that it stays as written.
    SetRemoteConnection(windowStore, false);
    form.Timer1Timer();
    const std::string programPath = ProgramPath(windowStore);
    if (!bench::WriteHistory(programPath, records)) {
        std::fprintf(stderr, "cannot write %s\n", HistoryPath(programPath).c_str());
        return 1;
    }
    const auto trigger = [&](const char* command) {
        return [&form, command] { form.findChild<QAction*>(QLatin1String(command))->trigger(); };
    };
    const TStamp today = clock.Now();
    const auto report = std::filesystem::path(programPath) / "Reports" /
                        ReportFileName(today.Year, today.Month, today.Day);
    const double reportMs =
        LongestStallMs(trigger("CreateReport"), [&] { return std::filesystem::exists(report); });
    const auto always = [] { return true; };
    const double browserMs = LongestStallMs(trigger("Connections"), always);
    const double statisticsMs = LongestStallMs(trigger("ViewStatistic"), always);
    std::printf("window %d records: longest stall report %.0f ms, browser %.0f ms, statistics "
                "%.0f ms\n",
                records, reportMs, browserMs, statisticsMs);
    std::fflush(stdout);

    // A browser kept open: its opening, every sort both ways and every view.
    SortState sort;
    TForm7 browser(programPath, clock, help, sort);
    const auto idle = [&] { return !browser.Loading(); };
    const double openMs = LongestStallMs([&] { browser.show(); }, idle);
    double sortMs = 0;
    for (int column = 0; column < kTableColumnCount; ++column)
        for (int way = 0; SortableColumn(column) && way < 2; ++way)
            sortMs =
                std::max(sortMs, LongestStallMs([&] { browser.TableColumnClick(column); }, idle));
    double viewMs = 0;
    for (const BrowserView v : {BrowserView::ThisMonth, BrowserView::ThisDay, BrowserView::AllDays})
        viewMs = std::max(viewMs, LongestStallMs([&] { browser.ViewClick(v); }, idle));
    std::printf("browser %d records: longest stall open %.0f ms, sorts %.0f ms, views %.0f ms; "
                "peak RSS %.0f MB\n",
                records, openMs, sortMs, viewMs, PeakRssMb());
    return 0;
}
