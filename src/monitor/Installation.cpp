#include "monitor/Installation.h"

#include "counter/CounterTotals.h"
#include "settings/Defaults.h"
#include "settings/MachineSettings.h"

namespace netrova {

void EnsureInstallationDefaults(SettingsStore& store) {
    Registry reg(store, Root::LocalMachine);
    MachineSettings::EnsureDefaults(reg, store.Paths().MachineFolder());

    reg.OpenKey(kCounterCurrentKey, true);
    WriteIntegerDefault(reg, "Backup", 0);

    CounterTotals::EnsureDefaults(reg);
    reg.CloseKey();
}

} // namespace netrova
