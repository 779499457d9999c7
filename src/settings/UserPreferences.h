#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace netrova {

class SettingsStore;

// The beep reminder under "\Software\Netrova\Beep", as stored: "Enabled" 1 sounds and 0 does
// not, "Interval" in minutes, "Sound" 1..4 the sound. Other numbers are the reminder's to judge.
struct BeepSettings {
    std::int32_t Enabled = 0;
    std::int32_t Interval = 0;
    std::int32_t Sound = 0;
};

// The settings of the user logged on, under "\Software\Netrova" of the user store: "Connect
// delay", "Minimize", "System tray", "Logo", "User Name" (whose settings they are), the beep
// reminder, and the first-start values of the program list and the tariffs. Every value's name
// and default is spelled here alone.
//
// Reads take no write lock and create nothing; a missing key or value reads its default.
class UserPreferences {
public:
    explicit UserPreferences(SettingsStore& store);

    // Whether the user has settings at all.
    bool Exists();
    // "User Name"; nullopt when the user has no settings.
    std::optional<std::string> Owner();
    // A new user's settings: every default, in the table's order, and `owner` as "User Name".
    // Each key is its own transaction.
    void Personalize(const std::string& owner);
    // Removes the settings with every subkey: they belong to another user.
    void Remove();

    // The stored "Connect delay" as the seconds it counts for (see UsableConnectDelay).
    int ConnectDelay();
    bool Logo();
    bool Minimize();
    // As stored: 1 keeps the icon in the tray.
    std::int32_t SystemTray();
    BeepSettings Beep();

    // The Preferences dialog's "OK", one transaction: "Connect delay" when given (seconds the
    // field has checked), then "Logo", "Minimize" and "System tray". The key must exist.
    // Returns the connect delay stored afterwards, as it counts.
    int SetGeneral(std::optional<std::int32_t> connectDelay, bool logo, bool minimize,
                   bool systemTray);
    // The Beep dialog's "OK" is two transactions: "Enabled" with "Interval" when given, then,
    // after the monitor has taken them, "Sound".
    void SetBeepEnabled(bool enabled, std::optional<std::int32_t> interval);
    void SetBeepSound(std::int32_t sound);

private:
    SettingsStore& store_;
};

} // namespace netrova
