#pragma once

#include <chrono>
#include <optional>
#include <string>

namespace netrova {

// The counter dates shown in the main window's "History" group.

// A counting-since date the program can have written: years 1980 to 9999, months 1 to 12,
// days 1 to 31. Any other is damaged and never resets nor forecasts.
bool SaneCalendarDate(int year, int month, int day);
// The stored counting-since date when it is sane. It may still be a day that does not exist
// (31 April), which counts as the day after the month's last.
std::optional<std::chrono::year_month_day> SaneSinceDate(int year, int month, int day);
// The message that names a damaged counting-since date.
std::string DamagedSinceText(int year, int month, int day);

// 1999, 7, 5 -> "1999 - 7 - 5"
std::string CountingSinceText(int year, int month, int day);

// When the counter will be reset next after a sane counting-since date, by the reset policy
// (1 two weeks, 2 the month, 3 two months, 4 never) and the two-weeks marker (14 or 1).
// Never (policy 4) has no date; a policy outside 1..4 gives the counting-since date.
std::optional<std::chrono::year_month_day> ResetOnDate(const std::chrono::year_month_day& since,
                                                       int policy, int marker);

// The reset-on date as text: "Never" for policy 4, the counting-since date when it is damaged.
std::string ResetOnText(int year, int month, int day, int policy, int marker);

} // namespace netrova
