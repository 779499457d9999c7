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

} // namespace netrova
