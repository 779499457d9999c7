#include "counter/CounterText.h"

namespace netrova {

bool SaneCalendarDate(int year, int month, int day) {
    return year >= 1980 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 && day <= 31;
}

std::optional<std::chrono::year_month_day> SaneSinceDate(int year, int month, int day) {
    if (!SaneCalendarDate(year, month, day))
        return std::nullopt;
    return std::chrono::year{year} / month / day;
}

std::string DamagedSinceText(int year, int month, int day) {
    return "The counting-since date " + CountingSinceText(year, month, day) +
           " in HKLM\\Software\\Netrova\\Counter\\All is damaged: the counter is neither reset "
           "on its schedule nor forecast until it is reset by hand.";
}

std::string CountingSinceText(int year, int month, int day) {
    return std::to_string(year) + " - " + std::to_string(month) + " - " + std::to_string(day);
}

std::optional<std::chrono::year_month_day> ResetOnDate(const std::chrono::year_month_day& since,
                                                       int policy, int marker) {
    using std::chrono::months;
    // Resets fall on the 14th or the 1st of a month, never on the counting-since day itself,
    // so a day the next month lacks (31) plays no part.
    const std::chrono::year_month period = since.year() / since.month();
    switch (policy) {
    case 1:
        return marker == 14 ? period / 14 : (period + months{1}) / 1;
    case 2:
        return (period + months{1}) / 1;
    case 3:
        return (period + months{2}) / 1;
    case 4:
        return std::nullopt;
    default:
        return since;
    }
}

std::string ResetOnText(int year, int month, int day, int policy, int marker) {
    if (policy == 4)
        return "Never";
    const auto since = SaneSinceDate(year, month, day);
    if (!since)
        return CountingSinceText(year, month, day);
    const std::chrono::year_month_day date = *ResetOnDate(*since, policy, marker);
    return CountingSinceText(static_cast<int>(date.year()),
                             static_cast<int>(unsigned{date.month()}),
                             static_cast<int>(unsigned{date.day()}));
}

} // namespace netrova
