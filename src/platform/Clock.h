#pragma once

#include "common/TStamp.h"

namespace netrova {

class Clock {
public:
    virtual ~Clock() = default;
    // Local date and time, weekday 0 = Sunday, reserved word 0.
    virtual TStamp Now() = 0;
};

class SystemClock : public Clock {
public:
    TStamp Now() override;
};

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
