#include "store/Defaults.h"

#include "store/CounterTotals.h"
#include "store/MachineSettings.h"

namespace netrova {

void EnsureInstallationDefaults(SettingsStore& store) {
    TRegistry reg(store, Root::LocalMachine);
    MachineSettings::EnsureDefaults(reg, store.Paths().MachineFolder());

    reg.OpenKey(kCounterCurrentKey, true);
    WriteIntegerDefault(reg, "Backup", 0);

    CounterTotals::EnsureDefaults(reg);
    reg.CloseKey();
}

void PublishCurrentUser(SettingsStore& store, const std::string& loginName) {
    MachineSettings(store).SetCurrentUser(loginName);
}

} // namespace netrova
