#include "settings/UserPreferences.h"

#include "settings/Defaults.h"
#include "store/Registry.h"

namespace netrova {

namespace {

constexpr const char* kConnectDelay = "Connect delay";
constexpr const char* kMinimize = "Minimize";
constexpr const char* kSystemTray = "System tray";
constexpr const char* kLogo = "Logo";
constexpr const char* kUserName = "User Name";
constexpr const char* kBeepEnabled = "Enabled";
constexpr const char* kBeepInterval = "Interval";
constexpr const char* kBeepSound = "Sound";
constexpr const char* kExecLines = "Lines";
constexpr const char* kTariffChoice = "Tariff";

// A new user's settings, in the order they are written. "User Name" takes the owner.
struct Default {
    const char* key;
    const char* name;
    std::int32_t value;
};
// clang-format off
constexpr Default kDefaults[] = {
    {kProductKey, kConnectDelay, 10},
    {kProductKey, kMinimize, 1},
    {kProductKey, kSystemTray, 1},
    {kProductKey, kLogo, 1},
    {kProductKey, kUserName, 0},
    {kBeepKey, kBeepEnabled, 1},
    {kBeepKey, kBeepInterval, 15},
    {kBeepKey, kBeepSound, 3},
    {kExecKey, kExecLines, 0},
    {kTariffsKey, kTariffChoice, 1},
};
// clang-format on

// A missing value reads its default: a value removed by hand, or a key holding only what a
// tool wrote, must not keep the program from starting.
std::int32_t IntegerOrDefault(Registry& reg, std::string_view key, std::string_view name) {
    if (reg.IsOpen() && reg.ValueExists(name))
        return reg.ReadInteger(name);
    for (const Default& d : kDefaults)
        if (d.key == key && d.name == name)
            return d.value;
    throw StoreError("No default for the value \"" + std::string(name) + "\"");
}

std::int32_t ReadProductInteger(SettingsStore& store, const char* name) {
    Registry reg(store, Root::CurrentUser);
    // A missing key is not made here: reading creates nothing.
    reg.OpenKey(kProductKey, false);
    const std::int32_t value = IntegerOrDefault(reg, kProductKey, name);
    reg.CloseKey();
    return value;
}

} // namespace

UserPreferences::UserPreferences(SettingsStore& store) : store_(store) {}

bool UserPreferences::Exists() {
    Registry reg(store_, Root::CurrentUser);
    return reg.KeyExists(kProductKey);
}

std::optional<std::string> UserPreferences::Owner() {
    Registry reg(store_, Root::CurrentUser);
    if (!reg.OpenKey(kProductKey, false))
        return std::nullopt;
    std::string owner = reg.ReadString(kUserName);
    reg.CloseKey();
    return owner;
}

void UserPreferences::Personalize(const std::string& owner) {
    Registry reg(store_, Root::CurrentUser);
    const char* open = nullptr;
    for (const Default& d : kDefaults) {
        if (d.key != open) {
            reg.OpenKey(d.key, true);
            open = d.key;
        }
        if (d.name == kUserName)
            reg.WriteString(d.name, owner);
        else
            reg.WriteInteger(d.name, d.value);
    }
    reg.CloseKey();
}

void UserPreferences::Remove() {
    Registry reg(store_, Root::CurrentUser);
    reg.DeleteKey(kProductKey);
}

int UserPreferences::ConnectDelay() {
    return UsableConnectDelay(ReadProductInteger(store_, kConnectDelay));
}

bool UserPreferences::Logo() {
    return ReadProductInteger(store_, kLogo) != 0;
}

bool UserPreferences::Minimize() {
    return ReadProductInteger(store_, kMinimize) != 0;
}

std::int32_t UserPreferences::SystemTray() {
    return ReadProductInteger(store_, kSystemTray);
}

BeepSettings UserPreferences::Beep() {
    Registry reg(store_, Root::CurrentUser);
    reg.OpenKey(kBeepKey, false);
    BeepSettings beep;
    beep.Enabled = IntegerOrDefault(reg, kBeepKey, kBeepEnabled);
    beep.Interval = IntegerOrDefault(reg, kBeepKey, kBeepInterval);
    beep.Sound = IntegerOrDefault(reg, kBeepKey, kBeepSound);
    reg.CloseKey();
    return beep;
}

int UserPreferences::SetGeneral(std::optional<std::int32_t> connectDelay, bool logo, bool minimize,
                                bool systemTray) {
    Registry reg(store_, Root::CurrentUser);
    reg.OpenKey(kProductKey, false);
    int delay = 0;
    if (connectDelay) {
        reg.WriteInteger(kConnectDelay, *connectDelay);
        delay = UsableConnectDelay(*connectDelay);
    } else {
        delay = UsableConnectDelay(IntegerOrDefault(reg, kProductKey, kConnectDelay));
    }
    reg.WriteInteger(kLogo, logo ? 1 : 0);
    reg.WriteInteger(kMinimize, minimize ? 1 : 0);
    reg.WriteInteger(kSystemTray, systemTray ? 1 : 0);
    reg.CloseKey();
    return delay;
}

void UserPreferences::SetBeepEnabled(bool enabled, std::optional<std::int32_t> interval) {
    Registry reg(store_, Root::CurrentUser);
    reg.OpenKey(kBeepKey, true);
    reg.WriteInteger(kBeepEnabled, enabled ? 1 : 0);
    if (interval)
        reg.WriteInteger(kBeepInterval, *interval);
    reg.CloseKey();
}

void UserPreferences::SetBeepSound(std::int32_t sound) {
    Registry reg(store_, Root::CurrentUser);
    reg.OpenKey(kBeepKey, true);
    reg.WriteInteger(kBeepSound, sound);
    reg.CloseKey();
}

} // namespace netrova
