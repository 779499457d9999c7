#pragma once

#include "history/HistoryFile.h"
#include "history/VolumeFile.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace netrova {

// Connection time, fee and volume of one day, for the usage chart.
struct DayUsage {
    int Day = 0; // day number (DayNumber)
    int Connections = 0;
    std::int64_t Time = 0;  // seconds
    std::int64_t Money = 0; // cents
    // Bytes of the connections whose volume is known.
    std::uint64_t Received = 0;
    std::uint64_t Sent = 0;
    friend bool operator==(const DayUsage&, const DayUsage&) = default;
};

// One entry per day from firstDay to lastDay (at least firstDay), empty days included.
std::vector<DayUsage> EmptyUsage(int firstDay, int lastDay);

// Adds a record to the day it started on. Of a connection that started before the first day
// only its time from that day's midnight counts there, with the same share of its fee (one
// that was running at the reset), and so of its volume; one that ended before is left out. A
// record stamped after the last day (a clock set wrong) goes to the last day.
void AddUsage(std::vector<DayUsage>& days, const THistoryRecord& r,
              const std::optional<Volume>& volume = {});

// The days of the history in programPath from firstDay to lastDay, in one pass. pause is called
// every few thousand records and stops the scan (the days so far are returned) when it returns
// false.
std::vector<DayUsage> UsagePerDay(const std::string& programPath, int firstDay, int lastDay,
                                  const std::function<bool()>& pause = {});

// The counter period as the statistics window shows it. The counter lives in a layer above the
// history, so the window is handed a function that works this out.
struct PeriodOutlook {
    int FirstDay = 0;     // the counting-since date (DayNumber)
    std::string Forecast; // "By the next reset: about 12 h. 30 min., 14 dol. 20 c."
};
// From the clock's now and the live "AllTime" and "AllMoney"; nullopt when the store holds no
// counter values.
// allVolume: the period's bytes received and sent, when known.
using CounterPeriodFn = std::function<std::optional<PeriodOutlook>(
    const TStamp& now, int allTime, int allMoney, std::optional<std::uint64_t> allVolume)>;

// The days the usage chart shows, still empty: the whole period from firstDay to lastDay, or of a
// longer one its last kChartDays, so that the bars stay readable (and a counting-since date far
// in the past costs no more than these days).
inline constexpr int kChartDays = 62;
std::vector<DayUsage> RecentDays(int firstDay, int lastDay);

// The usage chart's figures: one bar pair per day.
struct ChartFigures {
    std::vector<std::string> Labels; // "7/5": the chart's categories must differ
    std::vector<double> Time;        // in TimeUnit
    std::vector<double> Fee;         // dol.
    std::vector<double> Received;    // MiB
    std::vector<double> Sent;        // MiB
    std::string TimeUnit;            // "min." or, when a day reaches two hours, "h."
    std::string Range;               // "2026/7/1 - 2026/7/5"
};
ChartFigures ChartUsage(const std::vector<DayUsage>& days);

} // namespace netrova
