#include "statistics/LimitReach.h"

#include "common/TStamp.h"
#include "common/Text.h"

#include <cmath>

namespace netrova {

std::int64_t LimitPercent(std::uint64_t used, std::uint64_t limit) {
    if (limit == 0)
        return 0;
    // In floating point: bytes times 100 can pass 64 bits.
    return static_cast<std::int64_t>(
        std::floor(static_cast<long double>(used) * 100 / static_cast<long double>(limit)));
}

namespace {

std::uint64_t NotNegative(std::int64_t v) {
    return v < 0 ? 0 : static_cast<std::uint64_t>(v);
}

std::string DateText(int dayNumber) {
    const auto d = DateFromDayNumber(dayNumber);
    return FormatDate(static_cast<int>(d.year()), static_cast<unsigned>(d.month()),
                      static_cast<unsigned>(d.day()));
}

std::string LimitLine(const std::string& name, const std::string& limitText,
                      const std::string& usedText, std::uint64_t used, std::uint64_t limit,
                      int firstDay, int today) {
    std::string line = name + " " + limitText + ": used " + usedText + " (" +
                       std::to_string(LimitPercent(used, limit)) + " %)";
    if (used >= limit)
        return line + ", reached";
    if (const std::optional<int> day = LimitReachDay(firstDay, today, used, limit))
        return line + ", reached about " + DateText(*day);
    return line;
}

} // namespace

std::string MoneyShareText(std::int64_t used, std::int64_t limit) {
    return std::to_string(LimitPercent(NotNegative(used), NotNegative(limit))) + " % of " +
           FormatMoney(limit);
}

std::string VolumeShareText(std::uint64_t used, std::uint64_t limit) {
    return std::to_string(LimitPercent(used, limit)) + " % of " + FormatVolume(limit);
}

std::optional<int> LimitReachDay(int firstDay, int today, std::uint64_t used, std::uint64_t limit) {
    if (used >= limit)
        return today;
    if (used == 0 || today < firstDay)
        return std::nullopt;
    const long double days = today - firstDay + 1;
    // The day the running total passes the limit: day k of the period ends with k * pace.
    const long double needed = std::ceil(static_cast<long double>(limit) * days / used);
    // Far beyond any calendar: not at this pace.
    if (needed > 1'000'000)
        return std::nullopt;
    return firstDay + static_cast<int>(needed) - 1;
}

std::string LimitLines(const LimitAmounts& limits, std::int64_t usedMoney,
                       std::optional<std::uint64_t> usedVolume, int firstDay, int today) {
    std::string lines;
    if (limits.Money > 0)
        lines += LimitLine("Money limit", FormatMoney(limits.Money), FormatMoney(usedMoney),
                           NotNegative(usedMoney), NotNegative(limits.Money), firstDay, today);
    if (limits.Volume > 0) {
        if (!lines.empty())
            lines += "\n";
        const std::uint64_t used = usedVolume.value_or(0);
        lines += LimitLine("Data limit", FormatVolume(limits.Volume), FormatVolume(used), used,
                           limits.Volume, firstDay, today);
    }
    return lines;
}

} // namespace netrova
