#pragma once

#include "common/TStamp.h"

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

// What the group needs from the store: the counting-since date and "Double", the day number
// of the last reset. They change only when the counter is reset, so the window reads them at
// start, after a reset and when the day changes, never at every tick.
struct CounterDates {
    int year = 0;
    int month = 0;
    int day = 0;
    int resetDayNumber = 0;
};

// Reads the counter's dates and "Double" from the machine store.
CounterDates ReadCounterDates(SettingsStore& store);

// The group's texts for today.
HistoryGroupTexts HistoryGroupFor(const CounterDates& dates, const TStamp& today,
                                  std::int32_t allTime, int resetPolicy, int resetDay);

// The average connection time per day since the reset day `resetDayNumber`, which counts as a
// day, as today does. A reset day later than today (the clock was set back) leaves no days to
// divide by: the whole total is shown then.
std::int32_t AverageTimePerDay(std::int32_t allTime, int todayNumber, int resetDayNumber);

// The tray tip: the status text cut to the 63 bytes the notification area takes, never
// inside a character.
std::string TrayTipText(const std::string& statusText);

} // namespace netrova
