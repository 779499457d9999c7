#pragma once

#include "counter/CounterText.h"
#include "counter/CounterTotals.h"
#include "statistics/UsagePerDay.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace netrova {

class SettingsStore;

// Where the counter totals are heading: the time, money and volume they will have reached at the
// next reset if every day to come costs what the days so far cost on average.

struct PeriodForecast {
    std::int32_t Time = 0;  // seconds
    std::int32_t Money = 0; // cents
    // Bytes received and sent; nothing when the period's volume is not known.
    std::optional<std::uint64_t> Volume = std::nullopt;
    friend bool operator==(const PeriodForecast&, const PeriodForecast&) = default;
};

// The totals "AllTime" and "AllMoney" and the volume, counted since the counting-since date,
// scaled from the
// days so far (today included) to the days until the next reset (the reset day belongs to the
// next period). Without a reset date ("Never") the period ends with the current month. A reset
// that is already due, or a clock behind the counting-since date, forecasts the totals as they
// stand.
PeriodForecast ForecastAtReset(const std::chrono::year_month_day& since,
                               const std::chrono::year_month_day& today, std::int32_t allTime,
                               std::int32_t allMoney,
                               const std::optional<std::chrono::year_month_day>& nextReset,
                               std::optional<std::uint64_t> allVolume = std::nullopt);

// "By the next reset: about 12 h. 30 min., 14 dol. 20 c.", and ", 1.5 GiB" when the volume is
// known.
std::string ForecastText(const PeriodForecast& forecast);

// The forecast for the stored counter on the given day, with its reset-on date; the totals as
// they stand when the counting-since date is damaged.
PeriodForecast ForecastAtReset(const CounterTotals::Snapshot& counter,
                               const std::chrono::year_month_day& today);

// The statistics window's counter period: the stored counting-since date and reset policy with
// the monitor's live totals, which include a connection in progress. nullopt without a counter
// or with a damaged counting-since date. allVolume is the period's volume, received and sent
// together, when it is known.
std::optional<PeriodOutlook> CounterPeriod(SettingsStore& store, const TStamp& now,
                                           std::int32_t allTime, std::int32_t allMoney,
                                           std::optional<std::uint64_t> allVolume = std::nullopt);

} // namespace netrova
