#include "options/Forecast.h"

#include "common/TStamp.h"
#include "common/Text.h"
#include "store/CounterTotals.h"

#include <algorithm>
#include <limits>

namespace netrova {

namespace {

int DayOf(const CalendarDate& date) {
    return DayNumber(date.Year, date.Month, date.Day);
}

std::int32_t Scaled(std::int32_t total, std::int64_t periodDays, std::int64_t daysSoFar) {
    const std::int64_t value = std::int64_t{total} * periodDays / daysSoFar;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

} // namespace

PeriodForecast ForecastAtReset(const CalendarDate& since, const CalendarDate& today,
                               std::int32_t allTime, std::int32_t allMoney,
                               const std::optional<CalendarDate>& nextReset) {
    const int first = DayOf(since);
    const int now = DayOf(today);
    const CalendarDate nextMonth = today.Month >= 12 ? CalendarDate{today.Year + 1, 1, 1}
                                                     : CalendarDate{today.Year, today.Month + 1, 1};
    const int end = DayOf(nextReset ? *nextReset : nextMonth); // first day of the next period
    const std::int64_t daysSoFar = std::int64_t{now} - first + 1;
    const std::int64_t periodDays = std::int64_t{end} - first;
    if (daysSoFar <= 0 || periodDays <= daysSoFar)
        return {allTime, allMoney};
    return {Scaled(allTime, periodDays, daysSoFar), Scaled(allMoney, periodDays, daysSoFar)};
}

std::string ForecastText(const PeriodForecast& forecast) {
    return "By the next reset: about " + std::to_string(forecast.Time / 3600) + " h. " +
           std::to_string(forecast.Time % 3600 / 60) + " min., " + FormatMoney(forecast.Money);
}

std::optional<CounterState> ReadCounterState(SettingsStore& store) {
    const auto stored = CounterTotals(store).Complete();
    if (!stored)
        return std::nullopt;
    CounterState counter;
    counter.Since = {stored->Since.Year, stored->Since.Month, stored->Since.Day};
    counter.Policy = stored->Policy.Reset;
    counter.Marker = stored->Policy.Reset14;
    counter.AllTime = stored->AllTime;
    counter.AllMoney = stored->AllMoney;
    return counter;
}

PeriodForecast ForecastAtReset(const CounterState& counter, const CalendarDate& today) {
    if (!SaneCalendarDate(counter.Since))
        return {counter.AllTime, counter.AllMoney};
    // Only the three schedules reset; any other policy never does, as at start-up.
    const bool resets = counter.Policy >= 1 && counter.Policy <= 3;
    const auto next = resets ? ResetOnDate(counter.Since.Year, counter.Since.Month,
                                           counter.Since.Day, counter.Policy, counter.Marker)
                             : std::nullopt;
    return ForecastAtReset(counter.Since, today, counter.AllTime, counter.AllMoney, next);
}

std::optional<TCounterPeriod> CounterPeriod(SettingsStore& store, const TStamp& now,
                                            std::int32_t allTime, std::int32_t allMoney) {
    std::optional<CounterState> counter = ReadCounterState(store);
    if (!counter || !SaneCalendarDate(counter->Since))
        return std::nullopt;
    counter->AllTime = allTime;
    counter->AllMoney = allMoney;
    return TCounterPeriod{
        DayOf(counter->Since),
        ForecastText(ForecastAtReset(*counter, CalendarDate{now.Year, now.Month, now.Day}))};
}

} // namespace netrova
