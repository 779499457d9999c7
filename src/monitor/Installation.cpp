#include "monitor/Installation.h"

#include "counter/CounterTotals.h"
#include "monitor/ConnectionBackup.h"
#include "settings/Defaults.h"
#include "settings/MachineSettings.h"

namespace netrova {

void EnsureInstallationDefaults(SettingsStore& store) {
    Registry reg(store, Root::LocalMachine);
    MachineSettings::EnsureDefaults(reg, store.Paths().MachineFolder());

    ConnectionBackup::EnsureDefaults(reg);

    CounterTotals::EnsureDefaults(reg);
    reg.CloseKey();
}

} // namespace netrova
