#pragma once

#include "tariffs/TariffProfile.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

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

// The user's tariffs: the named profiles under "Tariff Profile" and, per provider, the day map
// under "Tariffs", whose day keys hold a copy of the assigned profile's numbers so that pricing
// a minute needs one key. Every value name and default of both lives in Tariffs.cpp.
class Tariffs {
public:
    explicit Tariffs(SettingsStore& store) : store_(store) {}

    // Every profile in the store's order; none when the key is missing. A profile lacking one
    // of its five integers throws StoreError.
    TariffProfiles Profiles();

    // Replaces the whole profile store by the given profiles, in their order. An empty list
    // leaves the profile key present and empty.
    void SaveProfiles(const TariffProfiles& profiles);

    // Brings every provider day key in line with the profiles: days naming a profile get its
    // numbers, every other day (renamed or deleted profile, no tariff) becomes unassigned.
    void RefreshDayCopies(const TariffProfiles& profiles);

    // The dial-up entries ("\RemoteAccess\Addresses" value names) in the store's order; none
    // when the key is missing.
    std::vector<std::string> Providers();

    // The stored assignment of one provider; all days empty when the provider was never written,
    // a day whose key is missing empty. Reading writes nothing.
    DayTariffs DayMap(const std::string& provider);

    // Writes all eight day keys of a provider with copies of the assigned profiles, in one
    // transaction. A day naming no profile of the list is written as unassigned.
    void SaveDayMap(const std::string& provider, const DayTariffs& days,
                    const TariffProfiles& profiles);

    // SaveDayMap for each provider, all in one transaction.
    void SaveDayMaps(const std::vector<std::pair<std::string, DayTariffs>>& maps,
                     const TariffProfiles& profiles);

    // Writes one day key: the profile's name and numbers, or unassigned for nullptr.
    void SaveDayTariff(const std::string& provider, int day, const TariffProfile* profile);

    // The copy a day key holds, its Name being the assigned profile ("" = no tariff for the day,
    // numbers left unread); nullopt when the provider has no such day key.
    std::optional<TariffProfile> DayTariff(const std::string& provider, int day);

    // The price of a minute begun at `hour` under a day key's copy: DayCost in interval 'A'
    // (StartingInterval <= hour < EndingInterval) or all day with OCPD, NightCost otherwise.
    static std::int32_t CostOfMinute(const TariffProfile& dayTariff, int hour);

private:
    SettingsStore& store_;
};

} // namespace netrova
