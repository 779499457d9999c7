#include "counter/HistoryGroup.h"

#include "common/Text.h"
#include "counter/CounterText.h"
#include "counter/CounterTotals.h"

namespace netrova {

namespace {
constexpr std::size_t kTrayTipBytes = 63;
}

HistoryGroupTexts HistoryGroupFor(const CounterSince& since, const TStamp& today,
                                  std::int32_t allTime, int resetPolicy, int resetDay) {
    HistoryGroupTexts texts;
    texts.countingSince = CountingSinceText(since.Year, since.Month, since.Day);
    texts.resetOn = ResetOnText(since.Year, since.Month, since.Day, resetPolicy, resetDay);
    texts.average = FormatConnTime(AverageTimePerDay(allTime, DayNumber(today), since.AverageFrom));
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
