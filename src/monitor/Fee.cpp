#include "common/Text.h"
#include "monitor/Monitor.h"
#include "store/Defaults.h"

#include <cstdint>
#include <string>

namespace netrova {

void TMonitor::ChargeMinute(const TStamp& now) {
    const std::string day = HolidayOn != 0 ? "Holiday" : std::to_string(now.DayOfWeek);

    TRegistry user(store_, Root::CurrentUser);
    // An empty provider name must not fall through to the "Tariffs" key itself.
    if (Provider.empty() ||
        !user.OpenKey(std::string(kTariffsKey) + "\\" + Provider + "\\" + day, false)) {
        view_.ShowFee("No tariffs for provider");
        return;
    }
    if (user.ReadString("Tariff Profile").empty()) {
        user.CloseKey();
        view_.ShowFee("No tariff for this day");
        return;
    }
    const int starting = user.ReadInteger("StartingInterval");
    const int ending = user.ReadInteger("EndingInterval");
    const int dayCost = user.ReadInteger("DayCost");
    const int nightCost = user.ReadInteger("NightCost");
    const int oneCostPerDay = user.ReadInteger("OCPDay");
    user.CloseKey();

    int cost = nightCost;
    if (oneCostPerDay != 0 || (starting <= now.Hour && now.Hour < ending))
        cost = dayCost;

    const std::int64_t connMoney = std::int64_t{ConnMoney} + cost;
    if (!Fits32(connMoney, "fee of the connection", "cents") ||
        !Fits32(StartAllMoney + connMoney, "money total \"AllMoney\"", "cents"))
        return;
    ConnMoney = static_cast<int>(connMoney);
    AllMoney = StartAllMoney + ConnMoney;
    FeeText = FormatMoney(ConnMoney);
    view_.ShowFee(FeeText);

    unsaved_ |= kMoneyUnsaved;
}

} // namespace netrova
