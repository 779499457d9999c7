#include "tariffs/Tariffs.h"

#include "settings/Defaults.h"

namespace netrova {

namespace {

// Value names of a profile key and of a day key; "OCPD" is spelled "OCPDay" in the day copy.
constexpr const char* kStartingValue = "StartingInterval";
constexpr const char* kEndingValue = "EndingInterval";
constexpr const char* kDayCostValue = "DayCost";
constexpr const char* kNightCostValue = "NightCost";
constexpr const char* kProfileOcpdValue = "OCPD";
constexpr const char* kDayOcpdValue = "OCPDay";
constexpr const char* kDayProfileValue = "Tariff Profile";
constexpr const char* kHolidayKey = "Holiday";

std::string ProfileKeyPath(const std::string& name) {
    return std::string(kTariffProfileKey) + "\\" + name;
}

std::string ProviderKeyPath(const std::string& provider) {
    return std::string(kTariffsKey) + "\\" + provider;
}

// The five numbers of a day key, zeros (an unassigned day) when there is no profile. The open
// key must be the day key.
void WriteDayCopy(Registry& reg, const TariffProfile* profile) {
    const TariffProfile none;
    const TariffProfile& p = profile ? *profile : none;
    reg.WriteInteger(kDayOcpdValue, p.OCPD);
    reg.WriteInteger(kDayCostValue, p.DayCost);
    reg.WriteInteger(kNightCostValue, p.NightCost);
    reg.WriteInteger(kStartingValue, p.StartingInterval);
    reg.WriteInteger(kEndingValue, p.EndingInterval);
}

} // namespace

std::string DayKeyName(int day) {
    return day == kHoliday ? kHolidayKey : std::to_string(day);
}

std::string DayKeyPath(const std::string& provider, int day) {
    return ProviderKeyPath(provider) + "\\" + DayKeyName(day);
}

TariffProfiles Tariffs::Profiles() {
    // The list key stays open over the profile keys: one read transaction, so a profile seen
    // in the list is still there when it is read. Reading makes no key.
    Registry list(store_, Root::CurrentUser);
    TariffProfiles profiles;
    if (!list.OpenKey(kTariffProfileKey, false))
        return profiles;
    const std::vector<std::string> names = list.GetKeyNames();
    profiles.reserve(names.size());
    Registry reg(store_, Root::CurrentUser);
    for (const std::string& name : names) {
        TariffProfile p;
        p.Name = name;
        reg.OpenKey(ProfileKeyPath(name), false);
        p.StartingInterval = reg.ReadInteger(kStartingValue);
        p.EndingInterval = reg.ReadInteger(kEndingValue);
        p.DayCost = reg.ReadInteger(kDayCostValue);
        p.NightCost = reg.ReadInteger(kNightCostValue);
        p.OCPD = reg.ReadInteger(kProfileOcpdValue);
        profiles.push_back(std::move(p));
    }
    reg.CloseKey();
    list.CloseKey();
    return profiles;
}

void Tariffs::SaveProfiles(const TariffProfiles& profiles) {
    StoreTransaction batch(store_, Root::CurrentUser);
    Registry reg(store_, Root::CurrentUser);
    reg.DeleteKey(kTariffProfileKey);
    for (const TariffProfile& p : profiles) {
        reg.OpenKey(ProfileKeyPath(p.Name), true);
        reg.WriteInteger(kStartingValue, p.StartingInterval);
        reg.WriteInteger(kEndingValue, p.EndingInterval);
        reg.WriteInteger(kDayCostValue, p.DayCost);
        reg.WriteInteger(kNightCostValue, p.NightCost);
        reg.WriteInteger(kProfileOcpdValue, p.OCPD);
    }
    if (profiles.empty())
        reg.OpenKey(kTariffProfileKey, true);
    reg.CloseKey();
    batch.Commit();
}

void Tariffs::RefreshDayCopies(const TariffProfiles& profiles) {
    StoreTransaction batch(store_, Root::CurrentUser);
    Registry reg(store_, Root::CurrentUser);
    reg.OpenKey(kTariffsKey, true);
    const std::vector<std::string> providers = reg.GetKeyNames();
    reg.CloseKey();
    for (const std::string& provider : providers) {
        for (int day = 0; day < kDayCount; ++day) {
            reg.OpenKey(DayKeyPath(provider, day), true);
            const TariffProfile* p = FindProfile(profiles, reg.ReadString(kDayProfileValue));
            WriteDayCopy(reg, p);
            if (!p)
                reg.WriteString(kDayProfileValue, "");
            reg.CloseKey();
        }
    }
    batch.Commit();
}

std::vector<std::string> Tariffs::Providers() {
    Registry reg(store_, Root::CurrentUser);
    if (!reg.OpenKey(kAddressesKey, false))
        return {};
    std::vector<std::string> names = reg.GetValueNames();
    reg.CloseKey();
    return names;
}

DayTariffs Tariffs::DayMap(const std::string& provider) {
    DayTariffs days;
    // As in SaveDayMap, the provider key stays open over the day keys: one read transaction.
    // A missing day key reads as no tariff and is not made.
    Registry providerKey(store_, Root::CurrentUser);
    if (!providerKey.OpenKey(ProviderKeyPath(provider), false))
        return days;
    Registry reg(store_, Root::CurrentUser);
    for (int day = 0; day < kDayCount; ++day)
        if (reg.OpenKey(DayKeyPath(provider, day), false))
            days[day] = reg.ReadString(kDayProfileValue);
    reg.CloseKey();
    providerKey.CloseKey();
    return days;
}

void Tariffs::SaveDayMap(const std::string& provider, const DayTariffs& days,
                         const TariffProfiles& profiles) {
    // The provider key stays open over the eight day keys: one transaction, so the provider
    // never ends up with only some of its days.
    Registry providerKey(store_, Root::CurrentUser);
    providerKey.OpenKey(ProviderKeyPath(provider), true);
    for (int day = 0; day < kDayCount; ++day)
        SaveDayTariff(provider, day,
                      days[day].empty() ? nullptr : FindProfile(profiles, days[day]));
    providerKey.CloseKey();
}

void Tariffs::SaveDayMaps(const std::vector<std::pair<std::string, DayTariffs>>& maps,
                          const TariffProfiles& profiles) {
    StoreTransaction batch(store_, Root::CurrentUser);
    for (const auto& [provider, days] : maps)
        SaveDayMap(provider, days, profiles);
    batch.Commit();
}

void Tariffs::SaveDayTariff(const std::string& provider, int day, const TariffProfile* profile) {
    Registry reg(store_, Root::CurrentUser);
    reg.OpenKey(DayKeyPath(provider, day), true);
    WriteDayCopy(reg, profile);
    reg.WriteString(kDayProfileValue, profile ? profile->Name : std::string());
    reg.CloseKey();
}

std::optional<TariffProfile> Tariffs::DayTariff(const std::string& provider, int day) {
    Registry reg(store_, Root::CurrentUser);
    if (!reg.OpenKey(DayKeyPath(provider, day), false))
        return std::nullopt;
    TariffProfile t;
    t.Name = reg.ReadString(kDayProfileValue);
    if (!t.Name.empty()) {
        t.StartingInterval = reg.ReadInteger(kStartingValue);
        t.EndingInterval = reg.ReadInteger(kEndingValue);
        t.DayCost = reg.ReadInteger(kDayCostValue);
        t.NightCost = reg.ReadInteger(kNightCostValue);
        t.OCPD = reg.ReadInteger(kDayOcpdValue);
    }
    reg.CloseKey();
    return t;
}

std::int32_t Tariffs::CostOfMinute(const TariffProfile& dayTariff, int hour) {
    const bool inA = dayTariff.StartingInterval <= hour && hour < dayTariff.EndingInterval;
    return dayTariff.OCPD != 0 || inA ? dayTariff.DayCost : dayTariff.NightCost;
}

} // namespace netrova
