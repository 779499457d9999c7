// netrova-history: lists, exports and sums up the history of finished connections, for people,
// spreadsheets and scripts. The command line itself is handled by RunHistoryTool; this file
// only connects it to the settings store and the clock.

#include "common/Log.h"
#include "counter/Forecast.h"
#include "history/HistoryFile.h"
#include "historytool/HistoryTool.h"
#include "platform/Clock.h"
#include "settings/Defaults.h"
#include "settings/Limits.h"
#include "settings/MachineSettings.h"
#include "statistics/LimitReach.h"
#include "store/Registry.h"
#include "tools/ToolStore.h"

#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

using namespace netrova;

namespace {

// The tool only reads: a store that does not exist yet is not created (neither file of it), and
// then the program directory is the default one beside where the machine store would be.
class StoreAccess {
public:
    explicit StoreAccess(StorePaths paths) : paths_(std::move(paths)) {}

    SettingsStore* Store() {
        if (!store_ && std::filesystem::exists(paths_.Machine)) {
            StoreOptions options = ToolStoreOptions("netrova-history");
            options.readOnly = true;
            store_ = std::make_unique<SettingsStore>(ReadOnlyPaths(paths_), options);
        }
        return store_.get();
    }

    // "" for a new user: neither a store nor the default program directory exists yet.
    std::string HistoryFile() {
        const std::string folder = ProgramPath();
        if (!Store() && !std::filesystem::exists(folder))
            return {};
        return HistoryPath(folder);
    }

    // Without a stored value (no store yet) the default one, without a notice.
    std::string ProgramPath() {
        if (SettingsStore* store = Store()) {
            Registry reg(*store, Root::LocalMachine);
            if (reg.OpenKey(kProductKey, false) && reg.ValueExists("Program path")) {
                const std::string path = reg.ReadString("Program path");
                reg.CloseKey();
                return MachineSettings::ProgramFolder(path, paths_);
            }
        }
        return paths_.MachineFolder();
    }

    std::string Forecast() {
        try {
            SettingsStore* store = Store();
            const auto counter = store ? CounterTotals(*store).Complete() : std::nullopt;
            if (!counter)
                return {};
            if (const CounterSince& d = counter->Since; !SaneCalendarDate(d.Year, d.Month, d.Day)) {
                std::cerr << "netrova-history: no forecast: "
                          << DamagedSinceText(d.Year, d.Month, d.Day) << "\n";
                return {};
            }
            SystemClock clock;
            const TStamp now = clock.Now();
            return ForecastText(ForecastAtReset(*counter, DateOf(now)));
        } catch (const std::exception& e) {
            // The summary stands without it.
            std::cerr << "netrova-history: no forecast: " << e.what() << "\n";
            return {};
        }
    }

    // Without a sane counting-since date there is no pace: the forecast line has said why.
    std::string LimitLines() {
        try {
            SettingsStore* store = Store();
            const auto counter = store ? CounterTotals(*store).Complete() : std::nullopt;
            if (!counter)
                return {};
            const CounterSince& d = counter->Since;
            if (!SaneCalendarDate(d.Year, d.Month, d.Day))
                return {};
            const LimitSettings l = Limits(*store).Read();
            SystemClock clock;
            return netrova::LimitLines({l.Money, l.VolumeBytes()}, counter->AllMoney,
                                       counter->AllVolume, DayNumber(d.Year, d.Month, d.Day),
                                       DayNumber(clock.Now()));
        } catch (const std::exception& e) {
            std::cerr << "netrova-history: no limits: " << e.what() << "\n";
            return {};
        }
    }

private:
    StorePaths paths_;
    std::unique_ptr<SettingsStore> store_;
};

} // namespace

int main(int argc, char** argv) {
    IgnoreBrokenPipes();
    std::ios::sync_with_stdio(false);
    StoreAccess access(StorePaths::FromEnvironment());
    HistoryToolHooks hooks;
    hooks.HistoryFile = [&] { return access.HistoryFile(); };
    hooks.Forecast = [&] { return access.Forecast(); };
    hooks.Limits = [&] { return access.LimitLines(); };
    return RunHistoryTool(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr,
                          hooks);
}
