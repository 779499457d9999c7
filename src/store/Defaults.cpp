#include "store/Defaults.h"

#include "store/CounterTotals.h"

namespace netrova {

namespace {

void IntDefault(TRegistry& reg, const char* name, std::int32_t value) {
    if (!reg.ValueExists(name))
        reg.WriteInteger(name, value);
}

void StringDefault(TRegistry& reg, const char* name, const std::string& value) {
    if (!reg.ValueExists(name))
        reg.WriteString(name, value);
}

} // namespace

void EnsureInstallationDefaults(SettingsStore& store) {
    TRegistry reg(store, Root::LocalMachine);
    reg.OpenKey(kProductKey, true);
    StringDefault(reg, "Program path", store.Paths().MachineFolder());
    IntDefault(reg, "FirstTime", 1);
    IntDefault(reg, "Bug", 0);
    IntDefault(reg, "AntiCrash", 1);
    IntDefault(reg, "Start", 0);

    reg.OpenKey(kCounterCurrentKey, true);
    IntDefault(reg, "Backup", 0);

    reg.OpenKey(kUsersKey, true);
    IntDefault(reg, "Crash", 0);

    CounterTotals::EnsureDefaults(reg);
    reg.CloseKey();
}

void PublishCurrentUser(SettingsStore& store, const std::string& loginName) {
    TRegistry reg(store, Root::LocalMachine);
    reg.OpenKey(kControlKey, true);
    reg.WriteString("Current User", loginName);
    reg.CloseKey();
}

} // namespace netrova
