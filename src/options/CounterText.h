#pragma once

#include <optional>
#include <string>

namespace netrova {

// The counter dates shown in the main window's "History" group.

struct CalendarDate {
    int Year = 0;
    int Month = 0;
    int Day = 0;
    friend bool operator==(const CalendarDate&, const CalendarDate&) = default;
};

// A counting-since date the program can have written: years 1980 to 9999, months 1 to 12,
// days 1 to 31. Any other is damaged and never resets nor forecasts.
bool SaneCalendarDate(int year, int month, int day);
inline bool SaneCalendarDate(const CalendarDate& date) {
    return SaneCalendarDate(date.Year, date.Month, date.Day);
}
// The message that names a damaged counting-since date.
std::string DamagedSinceText(int year, int month, int day);

// 1999, 7, 5 -> "1999 - 7 - 5"
std::string CountingSinceText(int year, int month, int day);

// When the counter will be reset next, from the counting-since date, the reset policy
// (1 two weeks, 2 the month, 3 two months, 4 never) and the two-weeks marker (14 or 1).
// Never (policy 4) has no date; a policy outside 1..4, or a damaged counting-since date, gives
// the counting-since date.
std::optional<CalendarDate> ResetOnDate(int year, int month, int day, int policy, int marker);

// The reset-on date as text, "Never" for policy 4.
std::string ResetOnText(int year, int month, int day, int policy, int marker);

} // namespace netrova
