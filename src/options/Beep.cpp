#include "options/Beep.h"

#include "common/Text.h"
#include "monitor/Monitor.h"
#include "settings/UserPreferences.h"

#include <cstdint>
#include <optional>

namespace netrova {

namespace {

// In 64 bits: no stored interval and count can overflow the due time.
std::int64_t DueSeconds(int interval, int count) {
    return static_cast<std::int64_t>(interval) * count * 60;
}

} // namespace

void CheckBeep(Monitor& mon, Sounds& sounds) {
    const MonitorState& s = mon.State();
    if (s.BeepCount != 0 && s.BeepEnabled == 1 && s.Connected == 1 &&
        s.Elapsed >= DueSeconds(s.BeepInterval, s.BeepCount)) {
        mon.SetBeepCount(s.BeepCount + 1);
        if (const auto kind = BeepSoundKind(s.BeepSound))
            sounds.Play(*kind);
    }
    if (s.BeepEnabled == 0)
        mon.SetBeepCount(1);
}

int NextBeepCount(int elapsed, int interval) {
    // An interval below a minute has no multiple ahead; such a store value never came from
    // the dialog, and the count stays at the first reminder.
    if (elapsed < 0 || interval < 1)
        return 1;
    return static_cast<int>(elapsed / DueSeconds(interval, 1) + 1);
}

void RereadBeepSettings(SettingsStore& store, Monitor& mon) {
    const BeepSettings beep = UserPreferences(store).Beep();
    mon.SetBeepSettings(beep.Enabled, beep.Interval);
    if (mon.State().Connected == 1)
        mon.SetBeepCount(NextBeepCount(mon.State().Elapsed, beep.Interval));
}

std::string StoreBeepSettings(SettingsStore& store, Monitor& mon, bool enabled,
                              const std::string& intervalText, int sound) {
    UserPreferences prefs(store);
    std::optional<std::int32_t> interval;
    if (!intervalText.empty())
        interval = LeadingInt(intervalText);
    prefs.SetBeepEnabled(enabled, interval);
    if (interval)
        mon.SetBeepInterval(*interval);
    // BeepEnabled stays: the command that opened the dialog reads it again.
    const MonitorState& s = mon.State();
    mon.SetBeepCount(NextBeepCount(s.Elapsed, s.BeepInterval));
    prefs.SetBeepSound(sound);
    mon.SetBeepSound(sound);
    return std::to_string(s.BeepInterval);
}

std::optional<SoundKind> BeepSoundKind(int sound) {
    switch (sound) {
    case 1:
        return SoundKind::Default;
    case 2:
        return SoundKind::Asterisk;
    case 3:
        return SoundKind::Exclamation;
    case 4:
        return SoundKind::Hand;
    default:
        return std::nullopt;
    }
}

} // namespace netrova
