#pragma once

#include "platform/Sounds.h"

#include <optional>
#include <string>

namespace netrova {

class SettingsStore;
class Monitor;

// The interval field takes at most this many digits (9999 minutes).
inline constexpr int kBeepIntervalDigits = 4;

// The reminder of the tick: sounds once when the counted connection's time has reached the
// next multiple of the interval. Uses the monitor's BeepEnabled, BeepInterval, BeepSound,
// BeepCount, Connected and Elapsed.
void CheckBeep(Monitor& mon, Sounds& sounds);

// The number of the next reminder still ahead of `elapsed` seconds: the smallest count from 1
// up whose due time count * interval minutes lies beyond it.
int NextBeepCount(int elapsed, int interval);

// After the Beep dialog has closed, however: "Enabled" and "Interval" are read again, and during
// a connection the reminders already passed are skipped.
void RereadBeepSettings(SettingsStore& store, Monitor& mon);

// The Beep dialog's "OK": "Enabled", then "Interval" unless the text is empty, then the count of
// the next reminder still ahead, then "Sound"; the monitor takes the interval and the sound.
// Returns the interval text the field shows afterwards (the current interval for an empty one).
std::string StoreBeepSettings(SettingsStore& store, Monitor& mon, bool enabled,
                              const std::string& intervalText, int sound);

// "Sound" 1..4: default, asterisk, exclamation, hand; any other value plays nothing.
std::optional<SoundKind> BeepSoundKind(int sound);

} // namespace netrova
