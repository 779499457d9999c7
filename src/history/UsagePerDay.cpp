#include "history/UsagePerDay.h"

#include <algorithm>

namespace netrova {

std::vector<DayUsage> EmptyUsage(int firstDay, int lastDay) {
    std::vector<DayUsage> days(static_cast<std::size_t>(std::max(lastDay, firstDay) - firstDay) +
                               1);
    for (std::size_t i = 0; i < days.size(); ++i)
        days[i].Day = firstDay + static_cast<int>(i);
    return days;
}

void AddUsage(std::vector<DayUsage>& days, const THistoryRecord& r) {
    if (days.empty())
        return;
    const std::int64_t offset = std::int64_t{DayNumber(r.Started)} - days.front().Day;
    const auto last = static_cast<std::int64_t>(days.size()) - 1;
    DayUsage& day = days[static_cast<std::size_t>(std::clamp<std::int64_t>(offset, 0, last))];
    ++day.Connections;
    day.Time += r.Duration;
    day.Money += r.Fee;
}

std::vector<DayUsage> UsagePerDay(const std::string& programPath, int firstDay, int lastDay) {
    std::vector<DayUsage> days = EmptyUsage(firstDay, lastDay);
    ScanHistory(programPath, [&](const THistoryRecord& r) {
        AddUsage(days, r);
        return true;
    });
    return days;
}

} // namespace netrova
