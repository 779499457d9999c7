#include "options/Preferences.h"

#include "common/Text.h"
#include "platform/Autostart.h"
#include "platform/MessageBoxes.h"
#include "settings/Defaults.h"
#include "settings/MachineSettings.h"
#include "settings/UserPreferences.h"

#include <optional>

namespace netrova {

Preferences LoadPreferences(SettingsStore& store) {
    Preferences p;
    MachineSettings machine(store);
    p.Start = machine.Start();
    p.AntiCrash = machine.AntiCrash();
    p.ConnectionSource = machine.ConnectionSource();
    UserPreferences user(store);
    p.Logo = user.Logo();
    p.Minimize = user.Minimize();
    p.SystemTray = user.SystemTray() != 0;
    // As the monitor takes it: a stored value out of range shows as the 0 it counts as.
    p.ConnectDelay = std::to_string(user.ConnectDelay());
    return p;
}

std::string StorePreferences(SettingsStore& store, Autostart& autostart, const Preferences& p,
                             const std::string& program) {
    MachineSettings machine(store);
    // Switched off, the value stays with empty text.
    machine.SetAutostartValue(p.Start, program);
    if (p.Start)
        autostart.Enable(program);
    else
        autostart.Disable();
    machine.SetChoices(p.AntiCrash, p.Start);
    machine.SetConnectionSource(p.ConnectionSource);

    std::optional<std::int32_t> typed;
    if (!p.ConnectDelay.empty() && ConnectDelayProblems(p.ConnectDelay) == 0)
        typed = LeadingInt(p.ConnectDelay);
    const int stored = UserPreferences(store).SetGeneral(typed, p.Logo, p.Minimize, p.SystemTray);
    return typed ? p.ConnectDelay : std::to_string(stored);
}

void ApplyTrayChoice(bool tray, TrayControl& control, MessageBoxes& boxes) {
    if (tray && control.TrayAvailable()) {
        control.AddTrayIcon();
        control.SetTrayMode(1);
        return;
    }
    if (tray)
        boxes.Show(kNoTrayText, MsgIcon::Information);
    control.RemoveTrayIcon();
    control.SetTrayMode(0);
}

bool LogoAtStart(SettingsStore& store) {
    UserPreferences user(store);
    return !user.Exists() || user.Logo();
}

int ConnectDelayProblems(std::string_view text) {
    const int nonDigits = CountNonDigits(text);
    if (nonDigits > 0)
        return nonDigits;
    // Only digits: the field's length keeps the number within 32 bits.
    return LeadingInt(text) > kMaxConnectDelay ? 1 : 0;
}

int CountNonDigits(std::string_view text) {
    int count = 0;
    for (const char c : text) {
        // A character of several UTF-8 bytes counts once, on its first byte.
        if ((static_cast<unsigned char>(c) & 0xC0) == 0x80)
            continue;
        if (c < '0' || c > '9')
            ++count;
    }
    return count;
}

} // namespace netrova
