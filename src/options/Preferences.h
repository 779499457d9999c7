#pragma once

#include "settings/MachineSettings.h"

#include <string>
#include <string_view>

namespace netrova {

class Autostart;
class MessageBoxes;
class SettingsStore;

// The number fields' refusal.
inline constexpr const char* kIncorrectNumber = "Incorrect number !";

// The Preferences dialog's settings apart from the program list. Filled in from the store or
// from the dialog; the defaults are the store's.
struct Preferences {
    bool Start = false;       // machine "Start" and the autostart entry
    bool Logo = false;        // per-user "Logo"
    bool Minimize = false;    // per-user "Minimize"
    bool SystemTray = false;  // per-user "System tray"
    std::string ConnectDelay; // per-user "Connect delay", as the field shows it
    bool AntiCrash = false;   // machine "AntiCrash"
    // machine "Connection Source"; NETROVA_DIALUP overrides it for the process it is set for.
    DialUpSource ConnectionSource = DialUpSource::Automatic;
};

// The main window's tray operations, as the Preferences dialog switches tray mode.
class TrayControl {
public:
    virtual ~TrayControl() = default;
    // Whether the desktop has a notification area at all.
    virtual bool TrayAvailable() = 0;
    // Puts the icon into the tray and hides the task-bar button.
    virtual void AddTrayIcon() = 0;
    // Removes the icon and shows the task-bar button again.
    virtual void RemoveTrayIcon() = 0;
    virtual void SetTrayMode(int mode) = 0;
};

// Reads the settings as the dialog shows them; both product keys must exist.
Preferences LoadPreferences(SettingsStore& store);

// Writes the settings in the dialog's order and writes or removes the autostart entry, which
// starts `program`. An empty connect delay, or one the field refuses, is not written; returns
// the connect delay text the field shows afterwards (the stored one when none was written).
std::string StorePreferences(SettingsStore& store, Autostart& autostart, const Preferences& p,
                             const std::string& program);

// Tray mode on or off. Without a notification area the task-bar button is the only way back
// to the window, so it stays and the user is told.
void ApplyTrayChoice(bool tray, TrayControl& control, MessageBoxes& boxes);
inline constexpr const char* kNoTrayText =
    "This desktop has no system tray, so Netrova keeps its task-bar button.";

// Whether the start-up shows the logo: "Logo", or yes when the per-user key does not exist.
bool LogoAtStart(SettingsStore& store);

// How many boxes a typed number earns: one per character (UTF-8) that is not a digit 0-9.
int CountNonDigits(std::string_view text);
// The boxes a typed connect delay earns: those of CountNonDigits, else one for a number of
// seconds above a day. At most 9 characters.
int ConnectDelayProblems(std::string_view text);

} // namespace netrova
