#pragma once

#include "common/TStamp.h"

#include <cstdint>

namespace netrova {

class Clock {
public:
    virtual ~Clock() = default;
    // Local date and time, weekday 0 = Sunday, reserved word 0.
    virtual TStamp Now() = 0;
    // Seconds from a fixed point that only moves forward: neither daylight saving time nor a
    // clock set by hand or by time synchronisation changes how much of it passes.
    virtual std::int64_t Elapsed() = 0;
};

class SystemClock : public Clock {
public:
    TStamp Now() override;
    std::int64_t Elapsed() override;
};

} // namespace netrova
