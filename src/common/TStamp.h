#pragma once

#include <chrono>
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

// Dates are reckoned with std::chrono. Day numbers, whole days since 30 December 1899 (the
// classic "day 0"), are a stored form ("Double") and the history windows' day index.
inline constexpr std::chrono::sys_days kDayZero{std::chrono::year{1899} / 12 / 30};

inline std::chrono::sys_days DaysOf(int dayNumber) {
    return kDayZero + std::chrono::days{dayNumber};
}
inline int DayNumber(std::chrono::sys_days day) {
    return static_cast<int>((day - kDayZero).count());
}

// The day number of a date's fields as a stamp or the store holds them (years and months from
// 0 to 65535, any day): a day past the month's end runs on into the next months, and so does a
// month past December. A stamp's fields go here, never through year_month_day, whose fields
// are narrower than a damaged record's.
int DayNumber(int year, int month, int day);
inline int DayNumber(const TStamp& s) {
    return DayNumber(s.Year, s.Month, s.Day);
}
// A day the month lacks (31 April) counts on into the next month, as sys_days has it.
inline int DayNumber(const std::chrono::year_month_day& date) {
    return DayNumber(std::chrono::sys_days{date});
}

inline std::chrono::year_month_day DateFromDayNumber(int dayNumber) {
    return std::chrono::year_month_day{DaysOf(dayNumber)};
}

// 0 = Sunday .. 6 = Saturday, as in a stamp.
inline int WeekdayOfDayNumber(int dayNumber) {
    return static_cast<int>(std::chrono::weekday{DaysOf(dayNumber)}.c_encoding());
}

// The date of a stamp of the clock; a history record's stamp may not be one (IsPossibleStamp).
inline std::chrono::year_month_day DateOf(const TStamp& s) {
    using namespace std::chrono;
    return year{s.Year} / month{s.Month} / day{s.Day};
}

// Midnight at the start of the day, its weekday set.
TStamp StampOf(std::chrono::sys_days day);

// Whether the stamp names a moment that can be: a date that exists, in the years 1 to 9999, and
// a time from 00:00:00 to 23:59:60 (a leap second). The weekday is not checked.
// Inline: the export checks two stamps of every record.
inline bool IsPossibleStamp(const TStamp& s) {
    // One test without branches for the common case: every field in range, day at most 28.
    const bool inRange = (s.Year - 1u < 9999u) & (s.Month - 1u < 12u) & (s.Day - 1u < 31u) &
                         (s.Hour < 24u) & (s.Minute < 60u) & (s.Second <= 60u);
    if (!inRange || s.Day <= 28)
        return inRange;
    using namespace std::chrono;
    return s.Day <= unsigned{(year{s.Year} / month{s.Month} / last).day()};
}

// Seconds since midnight of the stamp's time of day.
inline int SecondsOfDay(const TStamp& s) {
    return s.Hour * 3600 + s.Minute * 60 + s.Second;
}

} // namespace netrova
