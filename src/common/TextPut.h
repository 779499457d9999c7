#pragma once

#include "common/TStamp.h"

#include <charconv>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace netrova {

// The program's forms of money, times and dates, written in place: the reports and exports put
// a million lines together with these, and the string formatters in Text.h are made of them.
// Each writes at p and returns the end of what it wrote; the caller gives the room (48 bytes,
// and the unit's length for money).

inline char* PutText(char* p, std::string_view text) {
    std::memcpy(p, text.data(), text.size());
    return p + text.size();
}

// Decimal, as std::to_string gives it; up to 20 characters.
inline char* PutNumber(char* p, std::int64_t value) {
    return std::to_chars(p, p + 24, value).ptr;
}

// The money unit every window and report shows but the statistics table.
inline constexpr std::string_view kMoneyUnit = " dol. ";

// Whole units, unit, cents: (1205, " dol. ") -> "12 dol. 5 c.". Truncating division; nothing
// is padded and negative sums are shown as they come.
inline char* PutMoney(char* p, std::int64_t cents, std::string_view unit = kMoneyUnit) {
    p = PutText(PutNumber(p, cents / 100), unit);
    return PutText(PutNumber(p, cents % 100), " c.");
}

// Seconds split into hours, minutes and seconds, the hours not wrapping at a day.
struct HoursMinutesSeconds {
    std::int64_t Hours;
    std::int64_t Minutes;
    std::int64_t Seconds;
};

constexpr HoursMinutesSeconds SplitSeconds(std::int64_t seconds) {
    return {seconds / 3600, seconds % 3600 / 60, seconds % 60};
}

// Three numbers with a character between, unpadded: "1999/7/4", "21:5:0".
inline char* PutThree(char* p, std::int64_t a, std::int64_t b, std::int64_t c, char between) {
    p = PutNumber(p, a);
    *p++ = between;
    p = PutNumber(p, b);
    *p++ = between;
    return PutNumber(p, c);
}

// 725 -> "0:12:5"
inline char* PutDuration(char* p, std::int64_t seconds) {
    const HoursMinutesSeconds t = SplitSeconds(seconds);
    return PutThree(p, t.Hours, t.Minutes, t.Seconds, ':');
}

// 3725 -> "1 h. 2 min. 5 sec."
inline char* PutConnTime(char* p, std::int64_t seconds) {
    const HoursMinutesSeconds t = SplitSeconds(seconds);
    p = PutText(PutNumber(p, t.Hours), " h. ");
    p = PutText(PutNumber(p, t.Minutes), " min. ");
    return PutText(PutNumber(p, t.Seconds), " sec.");
}

// 4 July 1999 -> "1999/7/4"
inline char* PutCalendarDate(char* p, std::int32_t year, std::uint32_t month, std::uint32_t day) {
    return PutThree(p, year, month, day, '/');
}

inline char* PutStampDate(char* p, const TStamp& s) {
    return PutCalendarDate(p, s.Year, s.Month, s.Day);
}

// 21:05:00 -> "21:5:0"
inline char* PutStampTime(char* p, const TStamp& s) {
    return PutThree(p, s.Hour, s.Minute, s.Second, ':');
}

} // namespace netrova
