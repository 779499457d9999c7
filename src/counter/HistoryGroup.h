#pragma once

#include "common/TStamp.h"
#include "counter/CounterTotals.h"

#include <cstdint>
#include <string>

namespace netrova {

class SettingsStore;

// The texts of the main window's "History" group that come from the store ("All Con. time :"
// is the total alone).
struct HistoryGroupTexts {
    std::string countingSince; // "Counting since :"
    std::string resetOn;       // "Reset on :"
    std::string average;       // "Average t. p. d. :"
};

// The group's texts for today.
// `since` is the counter's counting-since date with the day its average starts from, as
// CounterTotals::Since gives it. They change only when the counter is reset, so the callers
// read them at start, after a reset and when the day changes, never at every tick.
HistoryGroupTexts HistoryGroupFor(const CounterSince& since, const TStamp& today,
                                  std::int32_t allTime, int resetPolicy, int resetDay);

// The average connection time per day since the reset day `resetDayNumber`, which counts as a
// day, as today does. A reset day later than today (the clock was set back) leaves no days to
// divide by: the whole total is shown then.
std::int32_t AverageTimePerDay(std::int32_t allTime, int todayNumber, int resetDayNumber);

// The tray tip: the status text cut to the 63 bytes the notification area takes, never
// inside a character.
std::string TrayTipText(const std::string& statusText);

} // namespace netrova
