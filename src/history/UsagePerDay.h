#pragma once

#include "history/HistoryFile.h"

#include <cstdint>
#include <string>
#include <vector>

namespace netrova {

// Connection time and fee of one day, for the usage chart.
struct DayUsage {
    int Day = 0; // day number (DayNumber)
    int Connections = 0;
    std::int64_t Time = 0;  // seconds
    std::int64_t Money = 0; // cents
    friend bool operator==(const DayUsage&, const DayUsage&) = default;
};

// One entry per day from firstDay to lastDay (at least firstDay), empty days included.
std::vector<DayUsage> EmptyUsage(int firstDay, int lastDay);

// Adds a record to the day it started on. A record outside the days goes to the nearest end:
// a connection that was running at the reset, or one stamped by a clock set wrong, still
// counts in the period, so that the days add up to the counter.
void AddUsage(std::vector<DayUsage>& days, const THistoryRecord& r);

// The days of the history in programPath from firstDay to lastDay, in one pass.
std::vector<DayUsage> UsagePerDay(const std::string& programPath, int firstDay, int lastDay);

} // namespace netrova
