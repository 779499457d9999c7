#pragma once

#include "store/Registry.h"

namespace netrova {

// Key paths shared across the program.
inline constexpr const char* kProductKey = "\\Software\\Netrova";
inline constexpr const char* kBeepKey = "\\Software\\Netrova\\Beep";
inline constexpr const char* kExecKey = "\\Software\\Netrova\\Exec";
inline constexpr const char* kTariffsKey = "\\Software\\Netrova\\Tariffs";
inline constexpr const char* kTariffProfileKey = "\\Software\\Netrova\\Tariff Profile";
inline constexpr const char* kCounterAllKey = "\\Software\\Netrova\\Counter\\All";
inline constexpr const char* kCounterCurrentKey = "\\Software\\Netrova\\Counter\\Current";
inline constexpr const char* kUsersKey = "\\Software\\Netrova\\Users";
inline constexpr const char* kControlKey = "\\System\\CurrentControlSet\\control";
inline constexpr const char* kRemoteAccessServiceKey =
    "\\System\\CurrentControlSet\\Services\\RemoteAccess";
inline constexpr const char* kRemoteAccessKey = "\\RemoteAccess";
inline constexpr const char* kAddressesKey = "\\RemoteAccess\\Addresses";
// The machine-wide key whose "Netrova 1.2" value records the autostart choice.
inline constexpr const char* kRunKey = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr const char* kRunValue = "Netrova 1.2";

// "Connect delay" is seconds of dialling: a stored value outside 0 to a day counts as 0.
inline constexpr int kMaxConnectDelay = 86400;
constexpr int UsableConnectDelay(std::int32_t stored) {
    return stored >= 0 && stored <= kMaxConnectDelay ? stored : 0;
}

// An installation default: written only where the value is missing, never over what is there.
inline void WriteIntegerDefault(Registry& reg, std::string_view name, std::int32_t value) {
    if (!reg.ValueExists(name))
        reg.WriteInteger(name, value);
}
inline void WriteStringDefault(Registry& reg, std::string_view name, const std::string& value) {
    if (!reg.ValueExists(name))
        reg.WriteString(name, value);
}

// Opens a key that is normally there without the write lock, so that a reader goes on while
// another program writes. Only for readers whose values must exist: a missing key is made so
// that the missing value's error names it, and that error rolls the key back with the read.
inline void OpenForReading(Registry& reg, std::string_view path) {
    if (!reg.OpenKey(path, false))
        reg.OpenKey(path, true);
}

// Writes "Current User" of the control key.
void PublishCurrentUser(SettingsStore& store, const std::string& loginName);

} // namespace netrova
