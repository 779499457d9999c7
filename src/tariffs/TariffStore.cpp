#include "tariffs/TariffStore.h"

#include <QString>

namespace netrova {

const TariffProfile* FindProfile(const TariffProfiles& profiles, std::string_view name) {
    for (const TariffProfile& p : profiles)
        if (p.Name == name)
            return &p;
    return nullptr;
}

bool SameTariffName(std::string_view a, std::string_view b) {
    // The store folds names this way, so this is exactly "would share a key".
    const auto fold = [](std::string_view s) {
        return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())).toCaseFolded();
    };
    return fold(a) == fold(b);
}

} // namespace netrova
