#include "common/TStamp.h"

namespace netrova {

namespace {

// Days from 1970-01-01 to the civil date (H. Hinnant's algorithm); valid for any year.
long long DaysFromCivil(long long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

void CivilFromDays(long long z, long long& y, unsigned& m, unsigned& d) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = static_cast<long long>(yoe) + era * 400 + (m <= 2);
}

const long long kEpoch = DaysFromCivil(1899, 12, 30);

} // namespace

int DayNumber(int year, int month, int day) {
    return static_cast<int>(
        DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) - kEpoch);
}

void DateFromDayNumber(int dayNumber, int& year, int& month, int& day) {
    long long y;
    unsigned m, d;
    CivilFromDays(dayNumber + kEpoch, y, m, d);
    year = static_cast<int>(y);
    month = static_cast<int>(m);
    day = static_cast<int>(d);
}

int WeekdayOfDayNumber(int dayNumber) {
    // Day 0 (30 December 1899) was a Saturday.
    const int w = (dayNumber + 6) % 7;
    return w < 0 ? w + 7 : w;
}

} // namespace netrova
