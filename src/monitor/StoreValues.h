#pragma once

#include "common/TStamp.h"
#include "store/Registry.h"

#include <cstdint>
#include <string>

namespace netrova {

// The monitor's shared ways of putting its values into the open key.

// Writes the seven stamp values prefix+"Secundes", "Minutes", "Hours", "Year", "Day", "Month",
// "DayOfWeek", in that order.
void WriteStampValues(TRegistry& reg, const std::string& prefix, const TStamp& stamp);
TStamp ReadStampValues(TRegistry& reg, const std::string& prefix);

// Holds a write transaction of the machine store while a group of values is written to several
// keys (through other TRegistry objects, which join it), so that the group lands as one.
class MachineTransaction {
public:
    explicit MachineTransaction(SettingsStore& store);
    void Commit() { reg_.CloseKey(); }

private:
    TRegistry reg_;
};

} // namespace netrova
