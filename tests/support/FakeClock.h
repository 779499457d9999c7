#pragma once

#include "platform/Clock.h"

namespace netrova {

// Settable clock for tests and benchmarks; the weekday follows the date.
class FakeClock : public Clock {
public:
    FakeClock() { Set(2026, 1, 1, 12, 0, 0); }
    void Set(int year, int month, int day, int hour, int minute, int second);
    void Advance(int seconds);
    TStamp Now() override { return now_; }

private:
    TStamp now_;
};

} // namespace netrova
