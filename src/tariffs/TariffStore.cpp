#include "tariffs/TariffStore.h"

#include "store/Defaults.h"
#include "tariffs/DayMap.h"

#include <QString>

namespace netrova {

namespace {

std::string ProfileKeyPath(const std::string& name) {
    return std::string(kTariffProfileKey) + "\\" + name;
}

} // namespace

TariffProfiles ReadProfiles(SettingsStore& store) {
    TRegistry reg(store, Root::CurrentUser);
    reg.OpenKey(kTariffProfileKey, true);
    const std::vector<std::string> names = reg.GetKeyNames();
    TariffProfiles profiles;
    profiles.reserve(names.size());
    for (const std::string& name : names) {
        TariffProfile p;
        p.Name = name;
        reg.OpenKey(ProfileKeyPath(name), true);
        p.StartingInterval = reg.ReadInteger("StartingInterval");
        p.EndingInterval = reg.ReadInteger("EndingInterval");
        p.DayCost = reg.ReadInteger("DayCost");
        p.NightCost = reg.ReadInteger("NightCost");
        p.OCPD = reg.ReadInteger("OCPD");
        profiles.push_back(std::move(p));
    }
    reg.CloseKey();
    return profiles;
}

void SaveProfiles(SettingsStore& store, const TariffProfiles& profiles) {
    StoreBatch batch(store);
    TRegistry reg(store, Root::CurrentUser);
    reg.DeleteKey(kTariffProfileKey);
    for (const TariffProfile& p : profiles) {
        reg.OpenKey(ProfileKeyPath(p.Name), true);
        reg.WriteInteger("StartingInterval", p.StartingInterval);
        reg.WriteInteger("EndingInterval", p.EndingInterval);
        reg.WriteInteger("DayCost", p.DayCost);
        reg.WriteInteger("NightCost", p.NightCost);
        reg.WriteInteger("OCPD", p.OCPD);
    }
    if (profiles.empty())
        reg.OpenKey(kTariffProfileKey, true);
    reg.CloseKey();
    batch.Commit();
}

void RefreshDayCopies(SettingsStore& store, const TariffProfiles& profiles) {
    StoreBatch batch(store);
    TRegistry reg(store, Root::CurrentUser);
    reg.OpenKey(kTariffsKey, true);
    const std::vector<std::string> providers = reg.GetKeyNames();
    reg.CloseKey();
    for (const std::string& provider : providers) {
        for (int day = 0; day < kDayCount; ++day) {
            reg.OpenKey(DayKeyPath(provider, day), true);
            const TariffProfile* p = FindProfile(profiles, reg.ReadString("Tariff Profile"));
            WriteDayCopy(reg, p);
            if (!p)
                reg.WriteString("Tariff Profile", "");
            reg.CloseKey();
        }
    }
    batch.Commit();
}

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

StoreBatch::StoreBatch(SettingsStore& store) : reg_(store, Root::CurrentUser) {
    // The root itself: opening it creates nothing and starts the enclosing transaction.
    reg_.OpenKey("\\", false);
}

void StoreBatch::Commit() {
    reg_.CloseKey();
}

} // namespace netrova
