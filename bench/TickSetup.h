#pragma once
// What the tick benchmarks share: the process's CPU clock and a provider priced every day.
#include "settings/Defaults.h"
#include "store/Registry.h"
#include "tariffs/Tariffs.h"

#include <ctime>
#include <string>

namespace netrova::bench {

inline double CpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// Makes `provider` the entry in use, with a tariff for every day, so that online ticks charge
// each minute.
inline void PriceEveryDay(SettingsStore& store, const std::string& provider) {
    Registry reg(store, Root::CurrentUser);
    reg.OpenKey(kRemoteAccessKey, true);
    reg.WriteString("Default", provider);
    reg.CloseKey();
    const TariffProfile standard{"Standard", 8, 20, 5, 2, 0};
    Tariffs(store).SaveDayMap(provider,
                              DayTariffs{"Standard", "Standard", "Standard", "Standard", "Standard",
                                         "Standard", "Standard", "Standard"},
                              {standard});
}

} // namespace netrova::bench
