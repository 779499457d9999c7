#pragma once

#include "../monitor/MonitorRig.h"
#include "counter/Counter.h"
#include "settings/Defaults.h"

namespace netrova::test {

inline Counter CounterOf(MonitorRig& rig) {
    return Counter(rig.mon(), rig.store, rig.clock, rig.boxes);
}

// A later start of the program on the clock's date, counting since the date given with the
// policy, marker and report switch given.
inline void StartCounting(MonitorRig& rig, int policy, int marker, int year, int month, int day,
                          int report = 0) {
    rig.store.SetInt(Root::LocalMachine, kProductKey, "FirstTime", 0);
    for (const auto& [name, value] :
         {std::pair{"Reset", policy}, std::pair{"Reset14", marker}, std::pair{"Report", report},
          std::pair{"Year", year}, std::pair{"Month", month}, std::pair{"Day", day}})
        rig.store.SetInt(Root::LocalMachine, kCounterAllKey, name, value);
    rig.Start();
}

inline int Stored(MonitorRig& rig, const char* name) {
    return rig.store.Int(Root::LocalMachine, kCounterAllKey, name);
}

} // namespace netrova::test
