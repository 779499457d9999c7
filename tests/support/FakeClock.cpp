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
    using namespace std::chrono;
    const sys_seconds then =
        DaysOf(DayNumber(now_)) + std::chrono::seconds{SecondsOfDay(now_) + seconds};
    const sys_days day = floor<days>(then);
    const hh_mm_ss time{then - day};
    now_ = StampOf(day);
    now_.Hour = static_cast<std::uint16_t>(time.hours().count());
    now_.Minute = static_cast<std::uint16_t>(time.minutes().count());
    now_.Second = static_cast<std::uint16_t>(time.seconds().count());
}

void FakeClock::Shift(int seconds) {
    Advance(seconds);
    shifted_ += seconds;
}

std::int64_t FakeClock::Elapsed() {
    return std::int64_t{DayNumber(now_)} * 86400 + SecondsOfDay(now_) - shifted_;
}

} // namespace netrova
