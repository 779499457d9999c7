#include "common/Text.h"
#include "monitor/Monitor.h"
#include "tariffs/Tariffs.h"

#include <cstdint>
#include <optional>

namespace netrova {

void Monitor::ChargeMinute(const TStamp& now) {
    // An empty provider name must not fall through to the "Tariffs" key itself.
    const std::optional<TariffProfile> tariff =
        Provider.empty()
            ? std::nullopt
            : Tariffs(store_).DayTariff(Provider, HolidayOn != 0 ? kHoliday : now.DayOfWeek);
    if (!tariff) {
        view_.ShowFee("No tariffs for provider");
        return;
    }
    if (tariff->Name.empty()) {
        view_.ShowFee("No tariff for this day");
        return;
    }
    const int cost = Tariffs::CostOfMinute(*tariff, now.Hour);

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
