#include "statistics/UsagePerDay.h"

#include "browser/ConnectionRows.h"
#include "common/Text.h"

#include <algorithm>

namespace netrova {

std::vector<DayUsage> EmptyUsage(int firstDay, int lastDay) {
    std::vector<DayUsage> days(static_cast<std::size_t>(std::max(lastDay, firstDay) - firstDay) +
                               1);
    for (std::size_t i = 0; i < days.size(); ++i)
        days[i].Day = firstDay + static_cast<int>(i);
    return days;
}

void AddUsage(std::vector<DayUsage>& days, const THistoryRecord& r,
              const std::optional<Volume>& volume) {
    if (days.empty())
        return;
    const std::int64_t offset = std::int64_t{DayNumber(r.Started)} - days.front().Day;
    if (offset < 0) {
        const std::int64_t before = -offset * 86400 - SecondsOfDay(r.Started);
        const std::int64_t inside = std::int64_t{r.Duration} - before;
        if (inside <= 0)
            return;
        DayUsage& first = days.front();
        ++first.Connections;
        first.Time += inside;
        first.Money += std::int64_t{r.Fee} * inside / r.Duration;
        if (volume) {
            // In floating point: bytes times seconds may pass 64 bits.
            const double share = static_cast<double>(inside) / r.Duration;
            first.Received +=
                static_cast<std::uint64_t>(static_cast<double>(volume->Received) * share);
            first.Sent += static_cast<std::uint64_t>(static_cast<double>(volume->Sent) * share);
        }
        return;
    }
    const auto last = static_cast<std::int64_t>(days.size()) - 1;
    DayUsage& day = days[static_cast<std::size_t>(std::min(offset, last))];
    ++day.Connections;
    day.Time += r.Duration;
    day.Money += r.Fee;
    if (volume) {
        day.Received += volume->Received;
        day.Sent += volume->Sent;
    }
}

std::vector<DayUsage> UsagePerDay(const std::string& programPath, int firstDay, int lastDay,
                                  const std::function<bool()>& pause) {
    std::vector<DayUsage> days = EmptyUsage(firstDay, lastDay);
    FillSteps steps(pause);
    ScanHistoryWithVolume(programPath,
                          [&](const THistoryRecord& r, const std::optional<Volume>& volume) {
                              AddUsage(days, r, volume);
                              return steps.Next();
                          });
    return days;
}

std::vector<DayUsage> RecentDays(int firstDay, int lastDay) {
    const std::int64_t shown = std::int64_t{lastDay} - kChartDays + 1;
    return EmptyUsage(static_cast<int>(std::max<std::int64_t>(firstDay, shown)), lastDay);
}

ChartFigures ChartUsage(const std::vector<DayUsage>& days) {
    constexpr double kMiB = 1024.0 * 1024.0;
    ChartFigures chart;
    std::int64_t longest = 0;
    for (const DayUsage& d : days)
        longest = std::max(longest, d.Time);
    const bool hours = longest >= std::int64_t{2} * 3600;
    chart.TimeUnit = hours ? "h." : "min.";
    for (const DayUsage& d : days) {
        const std::chrono::year_month_day date = DateFromDayNumber(d.Day);
        chart.Labels.push_back(std::to_string(unsigned{date.month()}) + "/" +
                               std::to_string(unsigned{date.day()}));
        chart.Time.push_back(static_cast<double>(d.Time) / (hours ? 3600.0 : 60.0));
        chart.Fee.push_back(static_cast<double>(d.Money) / 100.0);
        chart.Received.push_back(static_cast<double>(d.Received) / kMiB);
        chart.Sent.push_back(static_cast<double>(d.Sent) / kMiB);
    }
    if (!days.empty())
        chart.Range = FormatStampDate(StampOf(DaysOf(days.front().Day))) + " - " +
                      FormatStampDate(StampOf(DaysOf(days.back().Day)));
    return chart;
}

} // namespace netrova
