#include "counter/Forecast.h"

#include "common/TStamp.h"
#include "common/Text.h"
#include "common/TextPut.h"
#include "counter/CounterTotals.h"

#include <algorithm>
#include <limits>

namespace netrova {

namespace {

std::int32_t Scaled(std::int32_t total, std::int64_t periodDays, std::int64_t daysSoFar) {
    const std::int64_t value = std::int64_t{total} * periodDays / daysSoFar;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

// A volume grows past any 32-bit sum; it stops at the largest 64-bit one.
std::uint64_t ScaledVolume(std::uint64_t total, std::int64_t periodDays, std::int64_t daysSoFar) {
    const auto wide = static_cast<unsigned __int128>(total) *
                      static_cast<std::uint64_t>(periodDays) /
                      static_cast<std::uint64_t>(daysSoFar);
    return static_cast<std::uint64_t>(
        std::min<unsigned __int128>(wide, std::numeric_limits<std::uint64_t>::max()));
}

} // namespace

PeriodForecast ForecastAtReset(const std::chrono::year_month_day& since,
                               const std::chrono::year_month_day& today, std::int32_t allTime,
                               std::int32_t allMoney,
                               const std::optional<std::chrono::year_month_day>& nextReset,
                               std::optional<std::uint64_t> allVolume) {
    const int first = DayNumber(since);
    const int now = DayNumber(today);
    const auto nextMonth = (today.year() / today.month() + std::chrono::months{1}) / 1;
    const int end = DayNumber(nextReset.value_or(nextMonth)); // first day of the next period
    const std::int64_t daysSoFar = std::int64_t{now} - first + 1;
    const std::int64_t periodDays = std::int64_t{end} - first;
    if (daysSoFar <= 0 || periodDays <= daysSoFar)
        return {allTime, allMoney, allVolume};
    if (allVolume)
        allVolume = ScaledVolume(*allVolume, periodDays, daysSoFar);
    return {Scaled(allTime, periodDays, daysSoFar), Scaled(allMoney, periodDays, daysSoFar),
            allVolume};
}

std::string ForecastText(const PeriodForecast& forecast) {
    const HoursMinutesSeconds time = SplitSeconds(forecast.Time);
    return "By the next reset: about " + std::to_string(time.Hours) + " h. " +
           std::to_string(time.Minutes) + " min., " + FormatMoney(forecast.Money) +
           (forecast.Volume ? ", " + FormatVolume(*forecast.Volume) : std::string());
}

PeriodForecast ForecastAtReset(const CounterTotals::Snapshot& counter,
                               const std::chrono::year_month_day& today) {
    const auto since = SaneSinceDate(counter.Since.Year, counter.Since.Month, counter.Since.Day);
    if (!since)
        return {counter.AllTime, counter.AllMoney, counter.AllVolume};
    // Only the three schedules reset; any other policy never does, as at start-up.
    const bool resets = counter.Policy.Reset >= 1 && counter.Policy.Reset <= 3;
    const auto next =
        resets ? ResetOnDate(*since, counter.Policy.Reset, counter.Policy.Reset14) : std::nullopt;
    return ForecastAtReset(*since, today, counter.AllTime, counter.AllMoney, next,
                           counter.AllVolume);
}

std::optional<PeriodOutlook> CounterPeriod(SettingsStore& store, const TStamp& now,
                                           std::int32_t allTime, std::int32_t allMoney,
                                           std::optional<std::uint64_t> allVolume) {
    std::optional<CounterTotals::Snapshot> counter = CounterTotals(store).Complete();
    const auto since =
        counter ? SaneSinceDate(counter->Since.Year, counter->Since.Month, counter->Since.Day)
                : std::nullopt;
    if (!since)
        return std::nullopt;
    counter->AllTime = allTime;
    counter->AllMoney = allMoney;
    counter->AllVolume = allVolume;
    return PeriodOutlook{DayNumber(*since), ForecastText(ForecastAtReset(*counter, DateOf(now)))};
}

} // namespace netrova
