#include "common/TStamp.h"

namespace netrova {

int DayNumber(int year, int month, int day) {
    using namespace std::chrono;
    // 400 Gregorian years are 146097 days: whole cycles bring any year into chrono's range.
    const std::int64_t cycles = (year >= 0 ? year : std::int64_t{year} - 399) / 400;
    const std::chrono::year inRange{static_cast<int>(year - cycles * 400)};
    sys_days first;
    if (month <= 14) {
        // Month 0 is the December before, 13 and 14 the January and February after.
        first = sys_days{(inRange / January + months{month - 1}) / 1};
    } else {
        // Only a damaged record has such a month. It keeps the day the history has always
        // given it: from March on, blocks of five months of 153 days each (March to July).
        const int blocks = (month - 3) / 5;
        first = sys_days{(inRange / March + months{(month - 3) % 5}) / 1} + days{153 * blocks};
    }
    return DayNumber(first + days{day - 1} + cycles * days{146097});
}

TStamp StampOf(std::chrono::sys_days day) {
    const std::chrono::year_month_day date{day};
    TStamp s;
    s.Year = static_cast<std::uint16_t>(static_cast<int>(date.year()));
    s.Month = static_cast<std::uint16_t>(unsigned{date.month()});
    s.DayOfWeek = static_cast<std::uint16_t>(std::chrono::weekday{day}.c_encoding());
    s.Day = static_cast<std::uint16_t>(unsigned{date.day()});
    return s;
}

} // namespace netrova
