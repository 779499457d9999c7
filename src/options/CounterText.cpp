#include "options/CounterText.h"

namespace netrova {

bool SaneCalendarDate(int year, int month, int day) {
    return year >= 1980 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 && day <= 31;
}

std::string DamagedSinceText(int year, int month, int day) {
    return "The counting-since date " + CountingSinceText(year, month, day) +
           " in HKLM\\Software\\Netrova\\Counter\\All is damaged: the counter is neither reset "
           "on its schedule nor forecast until it is reset by hand.";
}

std::string CountingSinceText(int year, int month, int day) {
    return std::to_string(year) + " - " + std::to_string(month) + " - " + std::to_string(day);
}

std::optional<CalendarDate> ResetOnDate(int year, int month, int day, int policy, int marker) {
    // The 1st of the month `ahead` months after the counting-since month.
    auto firstOfMonthAhead = [&](int ahead) {
        const int m = month + ahead;
        return m > 12 ? CalendarDate{year + 1, m - 12, 1} : CalendarDate{year, m, 1};
    };
    // Only a sane date leaves room for the months ahead.
    if (policy != 4 && !SaneCalendarDate(year, month, day))
        return CalendarDate{year, month, day};
    switch (policy) {
    case 1:
        return marker == 14 ? CalendarDate{year, month, 14} : firstOfMonthAhead(1);
    case 2:
        return firstOfMonthAhead(1);
    case 3:
        return firstOfMonthAhead(2);
    case 4:
        return std::nullopt;
    default:
        return CalendarDate{year, month, day};
    }
}

std::string ResetOnText(int year, int month, int day, int policy, int marker) {
    const auto date = ResetOnDate(year, month, day, policy, marker);
    return date ? CountingSinceText(date->Year, date->Month, date->Day) : "Never";
}

} // namespace netrova
