#include "counter/HistoryGroup.h"

#include "common/Text.h"
#include "counter/CounterText.h"
#include "counter/CounterTotals.h"

namespace netrova {

namespace {
constexpr std::size_t kTrayTipBytes = 63;
}

CounterDates ReadCounterDates(SettingsStore& store) {
    const CounterSince since = CounterTotals(store).Since(true);
    return {since.Year, since.Month, since.Day, since.AverageFrom};
}

HistoryGroupTexts HistoryGroupFor(const CounterDates& dates, const TStamp& today,
                                  std::int32_t allTime, int resetPolicy, int resetDay) {
    HistoryGroupTexts texts;
    texts.countingSince = CountingSinceText(dates.year, dates.month, dates.day);
    texts.resetOn = ResetOnText(dates.year, dates.month, dates.day, resetPolicy, resetDay);
    texts.average =
        FormatConnTime(AverageTimePerDay(allTime, DayNumber(today), dates.resetDayNumber));
    return texts;
}

std::int32_t AverageTimePerDay(std::int32_t allTime, int todayNumber, int resetDayNumber) {
    const double days = static_cast<double>(todayNumber) - resetDayNumber + 1;
    if (days < 1)
        return allTime;
    // |allTime / days| <= |allTime|, so the truncated quotient always fits.
    return static_cast<std::int32_t>(allTime / days);
}

std::string TrayTipText(const std::string& statusText) {
    return CutUtf8(statusText, kTrayTipBytes);
}

} // namespace netrova
