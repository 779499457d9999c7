#pragma once

#include "monitor/Monitor.h"

namespace netrova {

// Lets a test set the monitor's state that only a long run of ticks or another window would
// reach.
class MonitorTestSeam {
public:
    static MonitorState& Of(Monitor& monitor) { return monitor; }
};

} // namespace netrova
