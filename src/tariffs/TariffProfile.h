#pragma once

#include "store/Registry.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace netrova {

// One named price plan. Hours lie in interval 'A' when StartingInterval <= h < EndingInterval,
// every other hour in 'B'. With OCPD = 1, DayCost applies all day.
struct TariffProfile {
    std::string Name;
    std::int32_t StartingInterval = 0;
    std::int32_t EndingInterval = 0;
    std::int32_t DayCost = 0;
    std::int32_t NightCost = 0;
    std::int32_t OCPD = 0;
};

using TariffProfiles = std::vector<TariffProfile>;

inline constexpr int kMaxTariffs = 20;
inline constexpr int kMaxTariffNameLength = 44;

// Exact lookup, as the day keys name their profile; nullptr when there is none.
const TariffProfile* FindProfile(const TariffProfiles& profiles, std::string_view name);

// Whether two names address the same key of the case-insensitive store.
bool SameTariffName(std::string_view a, std::string_view b);

} // namespace netrova
