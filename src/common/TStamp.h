#pragma once

#include <cstdint>

namespace netrova {

// Local date and time as eight unsigned 16-bit words; the layout is part of the history file.
struct TStamp {
    std::uint16_t Year = 0;
    std::uint16_t Month = 0;
    std::uint16_t DayOfWeek = 0; // 0 = Sunday
    std::uint16_t Day = 0;
    std::uint16_t Hour = 0;
    std::uint16_t Minute = 0;
    std::uint16_t Second = 0;
    std::uint16_t Reserved = 0; // always written as 0

    bool operator==(const TStamp&) const = default;
};
static_assert(sizeof(TStamp) == 16);

// Whole days since 30 December 1899 (the classic "day 0"), proleptic Gregorian calendar.
int DayNumber(int year, int month, int day);
inline int DayNumber(const TStamp& s) {
    return DayNumber(s.Year, s.Month, s.Day);
}

// Inverse of DayNumber, for tests and date arithmetic.
void DateFromDayNumber(int dayNumber, int& year, int& month, int& day);

// 0 = Sunday .. 6 = Saturday.
int WeekdayOfDayNumber(int dayNumber);

// Whether the stamp names a moment that can be: a date that exists, in the years 1 to 9999, and
// a time from 00:00:00 to 23:59:60 (a leap second). The weekday is not checked.
// Inline: the export checks two stamps of every record.
inline bool IsPossibleStamp(const TStamp& s) {
    // One test without branches for the common case: every field in range, day at most 28.
    const bool inRange = (s.Year - 1u < 9999u) & (s.Month - 1u < 12u) & (s.Day - 1u < 31u) &
                         (s.Hour < 24u) & (s.Minute < 60u) & (s.Second <= 60u);
    if (!inRange || s.Day <= 28)
        return inRange;
    constexpr std::uint16_t kMonthDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = s.Year % 4 == 0 && (s.Year % 100 != 0 || s.Year % 400 == 0);
    return s.Day <= kMonthDays[s.Month - 1] && (s.Month != 2 || s.Day < 29 || leap);
}

// Seconds since midnight of the stamp's time of day.
inline int SecondsOfDay(const TStamp& s) {
    return s.Hour * 3600 + s.Minute * 60 + s.Second;
}

} // namespace netrova
