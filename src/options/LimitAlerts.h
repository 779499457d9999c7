#pragma once

#include "settings/Limits.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace netrova {

class SettingsStore;

enum class LimitKind { Money, Volume };

// What the counting period has used so far: money in cents (the connection in progress
// included), volume in bytes (nothing when it is not counted), its first day and today.
struct PeriodUse {
    std::int64_t Money = 0;
    std::optional<std::uint64_t> Volume = std::nullopt;
    std::chrono::year_month_day Since;
    std::chrono::year_month_day Today;
};

// One alert to show: the threshold crossed (Warn1, Warn2 or 100) of one limit.
struct LimitAlert {
    LimitKind Kind = LimitKind::Money;
    int Percent = 0;
    std::string Summary;
    std::string Body;
    bool Critical = false;  // 100 %
    bool HangUpNow = false; // 100 % with "HangUp" set: the caller hangs up
    friend bool operator==(const LimitAlert&, const LimitAlert&) = default;
};

// The day the limit is reached if every day to come uses what the days so far (today
// included) used on average; nothing when nothing is used yet, the limit is already reached,
// or the day lies more than ten years ahead.
std::optional<std::chrono::year_month_day> LimitReachedOn(std::uint64_t used, std::uint64_t limit,
                                                          const std::chrono::year_month_day& since,
                                                          const std::chrono::year_month_day& today);

// Decides which thresholds of the money and data limits are due. Each threshold is given
// once per limit and counting period: the highest one given is kept with the limits as
// "MoneyGiven" and "VolumeGiven", with "GivenPeriod" (the counting-since day number) so
// that a new period gives them again. The marks are written by MarkGiven, after the alert
// was shown, so that an alert lost to a crash is given at the next start.
class LimitAlerts {
public:
    explicit LimitAlerts(SettingsStore& store) : store_(store) {}

    // At most one alert per limit: the highest threshold crossed and not given yet (thresholds
    // crossed together are given as one). A mark above what is used now (a limit raised) is
    // lowered, so the thresholds left below it are given again. Nothing while the first day
    // is not a date.
    std::vector<LimitAlert> Due(const LimitSettings& limits, const PeriodUse& use);
    // Records the alert as given in the period of `use`.
    void MarkGiven(const LimitAlert& alert, const PeriodUse& use);

private:
    SettingsStore& store_;
};

} // namespace netrova
