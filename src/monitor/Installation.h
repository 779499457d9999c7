#pragma once

namespace netrova {

class SettingsStore;

// Creates the machine-wide values that the program reads before it ever writes them, where
// they are missing; existing values are left alone.
void EnsureInstallationDefaults(SettingsStore& store);

} // namespace netrova
