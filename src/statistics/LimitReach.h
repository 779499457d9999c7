#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace netrova {

// The counting period's money and data limits as the windows and the history tool show them.
// The history layer cannot read the limits' store key itself: the callers pass them in.
struct LimitAmounts {
    std::int64_t Money = 0;   // cents, 0: no limit
    std::uint64_t Volume = 0; // bytes, 0: no limit
};

// The whole percent of `limit` that `used` is (0 for no limit); more than 100 once exceeded.
std::int64_t LimitPercent(std::uint64_t used, std::uint64_t limit);

// "62 % of 20 dol. 0 c." or "62 % of 1.5 GiB".
std::string MoneyShareText(std::int64_t used, std::int64_t limit);
std::string VolumeShareText(std::uint64_t used, std::uint64_t limit);

// The day (DayNumber) on which `used` reaches `limit` when every day from firstDay to today
// (both counted) costs what they did on average: today when it is reached already; nothing
// before any use, or with the clock behind firstDay.
std::optional<int> LimitReachDay(int firstDay, int today, std::uint64_t used, std::uint64_t limit);

// One line per set limit, e.g. "Money limit 20 dol. 0 c.: used 12 dol. 30 c. (62 %), reached
// about 2026/12/20"; "" when neither limit is set. Volume not counted is taken as none used.
std::string LimitLines(const LimitAmounts& limits, std::int64_t usedMoney,
                       std::optional<std::uint64_t> usedVolume, int firstDay, int today);

} // namespace netrova
