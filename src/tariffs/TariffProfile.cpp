#include "tariffs/TariffProfile.h"

#include "common/Text.h"

namespace netrova {

const TariffProfile* FindProfile(const TariffProfiles& profiles, std::string_view name) {
    for (const TariffProfile& p : profiles)
        if (p.Name == name)
            return &p;
    return nullptr;
}

bool SameTariffName(std::string_view a, std::string_view b) {
    // The store folds names this way, so this is exactly "would share a key".
    return FoldCase(a) == FoldCase(b);
}

} // namespace netrova
