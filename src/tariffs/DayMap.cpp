#include "tariffs/DayMap.h"

#include "store/Defaults.h"

namespace netrova {

std::string DayKeyName(int day) {
    return day == kHoliday ? "Holiday" : std::to_string(day);
}

std::string DayKeyPath(const std::string& provider, int day) {
    return std::string(kTariffsKey) + "\\" + provider + "\\" + DayKeyName(day);
}

std::vector<std::string> ReadProviders(SettingsStore& store) {
    TRegistry reg(store, Root::CurrentUser);
    reg.OpenKey(kAddressesKey, true);
    std::vector<std::string> names = reg.GetValueNames();
    reg.CloseKey();
    return names;
}

DayTariffs ReadDayMap(SettingsStore& store, const std::string& provider) {
    DayTariffs days;
    TRegistry reg(store, Root::CurrentUser);
    if (!reg.OpenKey(std::string(kTariffsKey) + "\\" + provider, false))
        return days;
    for (int day = 0; day < kDayCount; ++day) {
        reg.OpenKey(DayKeyPath(provider, day), true);
        days[day] = reg.ReadString("Tariff Profile");
    }
    reg.CloseKey();
    return days;
}

void WriteDayMap(SettingsStore& store, const std::string& provider, const DayTariffs& days,
                 const TariffProfiles& profiles) {
    // The provider key stays open over the eight day keys: one transaction, so the provider
    // never ends up with only some of its days.
    TRegistry providerKey(store, Root::CurrentUser);
    providerKey.OpenKey(std::string(kTariffsKey) + "\\" + provider, true);
    TRegistry reg(store, Root::CurrentUser);
    for (int day = 0; day < kDayCount; ++day) {
        reg.OpenKey(DayKeyPath(provider, day), true);
        const TariffProfile* p = days[day].empty() ? nullptr : FindProfile(profiles, days[day]);
        WriteDayCopy(reg, p);
        reg.WriteString("Tariff Profile", p ? p->Name : std::string());
        reg.CloseKey();
    }
    providerKey.CloseKey();
}

void WriteDayCopy(TRegistry& reg, const TariffProfile* profile) {
    const TariffProfile none;
    const TariffProfile& p = profile ? *profile : none;
    reg.WriteInteger("OCPDay", p.OCPD);
    reg.WriteInteger("DayCost", p.DayCost);
    reg.WriteInteger("NightCost", p.NightCost);
    reg.WriteInteger("StartingInterval", p.StartingInterval);
    reg.WriteInteger("EndingInterval", p.EndingInterval);
}

} // namespace netrova
