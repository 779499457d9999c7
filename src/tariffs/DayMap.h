#pragma once

#include "tariffs/TariffStore.h"

#include <array>
#include <string>

namespace netrova {

// Days 0..6 are Sunday..Saturday, day 7 is the holiday.
inline constexpr int kDayCount = 8;
inline constexpr int kHoliday = 7;

// The profile name assigned to each day of one provider; "" = no tariff.
using DayTariffs = std::array<std::string, kDayCount>;

// "0".."6" for the week days, "Holiday" for day 7.
std::string DayKeyName(int day);
// "\Software\Netrova\Tariffs\<provider>\<day key>".
std::string DayKeyPath(const std::string& provider, int day);

// The dial-up entries ("\RemoteAccess\Addresses" value names) in the store's order; the key is
// made when missing.
std::vector<std::string> ReadProviders(SettingsStore& store);

// The stored assignment of one provider; all days empty when the provider was never written.
DayTariffs ReadDayMap(SettingsStore& store, const std::string& provider);

// Writes all eight day keys of a provider with copies of the assigned profiles. A day naming
// no profile of the list is written as unassigned.
void WriteDayMap(SettingsStore& store, const std::string& provider, const DayTariffs& days,
                 const TariffProfiles& profiles);

// Writes the five numbers of a day key ("OCPDay", "DayCost", "NightCost", "StartingInterval",
// "EndingInterval"), zeros when there is no profile. The open key must be the day key.
void WriteDayCopy(TRegistry& reg, const TariffProfile* profile);

} // namespace netrova
