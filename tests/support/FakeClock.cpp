#include "FakeClock.h"

namespace netrova {

void FakeClock::Set(int year, int month, int day, int hour, int minute, int second) {
    now_ = TStamp{};
    now_.Year = static_cast<std::uint16_t>(year);
    now_.Month = static_cast<std::uint16_t>(month);
    now_.Day = static_cast<std::uint16_t>(day);
    now_.DayOfWeek = static_cast<std::uint16_t>(WeekdayOfDayNumber(DayNumber(year, month, day)));
    now_.Hour = static_cast<std::uint16_t>(hour);
    now_.Minute = static_cast<std::uint16_t>(minute);
    now_.Second = static_cast<std::uint16_t>(second);
}

void FakeClock::Advance(int seconds) {
    long long total =
        static_cast<long long>(DayNumber(now_)) * 86400 + SecondsOfDay(now_) + seconds;
    long long days = total / 86400;
    long long rest = total % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    int y, m, d;
    DateFromDayNumber(static_cast<int>(days), y, m, d);
    Set(y, m, d, static_cast<int>(rest / 3600), static_cast<int>(rest % 3600 / 60),
        static_cast<int>(rest % 60));
}

} // namespace netrova
