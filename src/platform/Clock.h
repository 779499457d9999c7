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

} // namespace netrova
