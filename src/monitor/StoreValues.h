#pragma once

#include "common/TStamp.h"
#include "common/Volume.h"
#include "store/Registry.h"

#include <cstdint>
#include <optional>
#include <string>

namespace netrova {

// The monitor's shared ways of putting its values into the open key.

// Writes the seven stamp values prefix+"Secundes", "Minutes", "Hours", "Year", "Day", "Month",
// "DayOfWeek", in that order.
void WriteStampValues(Registry& reg, const std::string& prefix, const TStamp& stamp);
TStamp ReadStampValues(Registry& reg, const std::string& prefix);

// A backup slot's volume: binary prefix+"Volume", the bytes received and sent (16 bytes
// little-endian), empty while unknown.
void WriteBackupVolume(Registry& reg, const std::string& prefix,
                       const std::optional<Volume>& volume);
std::optional<Volume> ReadBackupVolume(Registry& reg, const std::string& prefix);

} // namespace netrova
