#include "app/HistoryGroup.h"

#include "common/Text.h"
#include "options/CounterText.h"
#include "store/Defaults.h"
#include "store/Registry.h"

namespace netrova {

namespace {
constexpr std::size_t kTrayTipBytes = 63;
}

HistoryGroupTexts ReadHistoryGroup(SettingsStore& store, const TStamp& today, std::int32_t allTime,
                                   int resetPolicy, int resetDay) {
    HistoryGroupTexts texts;
    TRegistry reg(store, Root::LocalMachine);
    // Read without the write lock, which another program may hold.
    if (!reg.OpenKey(kCounterAllKey, false))
        reg.OpenKey(kCounterAllKey, true);
    const int year = reg.ReadInteger("Year");
    const int month = reg.ReadInteger("Month");
    const int day = reg.ReadInteger("Day");
    texts.countingSince = CountingSinceText(year, month, day);
    texts.resetOn = ResetOnText(year, month, day, resetPolicy, resetDay);

    const int todayNumber = DayNumber(today);
    const int resetDayNumber = reg.ReadInteger("Double");
    reg.CloseKey();
    texts.average = FormatConnTime(AverageTimePerDay(allTime, todayNumber, resetDayNumber));
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
