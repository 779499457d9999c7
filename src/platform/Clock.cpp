#include "platform/Clock.h"

#include <ctime>

namespace netrova {

TStamp SystemClock::Now() {
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    TStamp s;
    s.Year = static_cast<std::uint16_t>(tm.tm_year + 1900);
    s.Month = static_cast<std::uint16_t>(tm.tm_mon + 1);
    s.DayOfWeek = static_cast<std::uint16_t>(tm.tm_wday);
    s.Day = static_cast<std::uint16_t>(tm.tm_mday);
    s.Hour = static_cast<std::uint16_t>(tm.tm_hour);
    s.Minute = static_cast<std::uint16_t>(tm.tm_min);
    s.Second = static_cast<std::uint16_t>(tm.tm_sec);
    return s;
}

std::int64_t SystemClock::Elapsed() {
    // Boot time goes on during a suspend, as the link's time does.
    timespec ts{};
    clock_gettime(CLOCK_BOOTTIME, &ts);
    return ts.tv_sec;
}

} // namespace netrova
