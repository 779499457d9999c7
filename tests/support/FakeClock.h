#pragma once

#include "platform/Clock.h"

namespace netrova {

// Settable clock for tests and benchmarks; the weekday follows the date.
class FakeClock : public Clock {
public:
    FakeClock() { Set(2026, 1, 1, 12, 0, 0); }
    // Set and Advance move elapsed time along with the local time.
    void Set(int year, int month, int day, int hour, int minute, int second);
    void Advance(int seconds);
    // The local time moves by seconds while no time passes: a daylight saving change, or a
    // clock set by hand.
    void Shift(int seconds);
    TStamp Now() override { return now_; }
    std::int64_t Elapsed() override;

private:
    TStamp now_;
    std::int64_t shifted_ = 0;
};

} // namespace netrova
