#include "settings/Defaults.h"

#include "settings/MachineSettings.h"

namespace netrova {

void PublishCurrentUser(SettingsStore& store, const std::string& loginName) {
    MachineSettings(store).SetCurrentUser(loginName);
}

} // namespace netrova
