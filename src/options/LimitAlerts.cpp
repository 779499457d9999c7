#include "options/LimitAlerts.h"

#include "statistics/LimitReach.h"

#include "common/TStamp.h"
#include "common/Text.h"
#include "store/Registry.h"

#include <cstdio>

namespace netrova {

namespace {

// The highest threshold `used` has reached, or 0.
int Level(std::uint64_t used, std::uint64_t limit, const LimitSettings& limits) {
    if (used >= limit)
        return 100;
    // used < limit <= 2^51 here, so used * 100 cannot overflow.
    for (int percent : {limits.Warn2, limits.Warn1})
        if (used * 100 >= limit * static_cast<std::uint64_t>(percent))
            return percent;
    return 0;
}

std::string DateText(const std::chrono::year_month_day& d) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u", int(d.year()), unsigned(d.month()),
                  unsigned(d.day()));
    return text;
}

LimitAlert MakeAlert(LimitKind kind, int percent, std::uint64_t used, std::uint64_t limit,
                     const LimitSettings& limits, const PeriodUse& use) {
    const bool money = kind == LimitKind::Money;
    const std::string what = money ? "money limit" : "data limit";
    LimitAlert a;
    a.Kind = kind;
    a.Percent = percent;
    a.Critical = percent == 100;
    a.HangUpNow = a.Critical && limits.HangUp;
    a.Summary = a.Critical ? "Netrova: " + what + " reached"
                           : "Netrova: " + std::to_string(percent) + " % of the " + what;
    const auto shown = [money](std::uint64_t v) {
        return money ? FormatMoney(static_cast<std::int64_t>(v)) : FormatVolume(v);
    };
    a.Body = "Used " + shown(used) + " of " + shown(limit) + " in this counting period.";
    if (a.HangUpNow)
        a.Body += "\nThe connection is hung up.";
    else if (const auto on = LimitReachedOn(used, limit, use.Since, use.Today))
        a.Body += "\nAt the current pace 100 % is reached on " + DateText(*on) + ".";
    return a;
}

} // namespace

std::optional<std::chrono::year_month_day>
LimitReachedOn(std::uint64_t used, std::uint64_t limit, const std::chrono::year_month_day& since,
               const std::chrono::year_month_day& today) {
    if (used >= limit)
        return std::nullopt;
    const std::optional<int> day = LimitReachDay(DayNumber(since), DayNumber(today), used, limit);
    return day ? std::optional(DateFromDayNumber(*day)) : std::nullopt;
}

std::vector<LimitAlert> LimitAlerts::Due(const LimitSettings& limits, const PeriodUse& use) {
    // A damaged counting-since date names no period to keep marks for.
    if (!use.Since.ok())
        return {};
    LimitMarks marks = Limits(store_).Marks();
    const int period = DayNumber(use.Since);
    if (marks.Period != period)
        marks = {period, 0, 0};
    const LimitMarks before = marks;

    std::vector<LimitAlert> due;
    const auto check = [&](LimitKind kind, std::uint64_t limit, std::optional<std::uint64_t> used,
                           int& given) {
        if (limit == 0 || !used)
            return;
        const int level = Level(*used, limit, limits);
        if (level > given)
            due.push_back(MakeAlert(kind, level, *used, limit, limits, use));
        else if (level < given)
            given = level;
    };
    check(LimitKind::Money, limits.Money > 0 ? static_cast<std::uint64_t>(limits.Money) : 0,
          use.Money > 0 ? static_cast<std::uint64_t>(use.Money) : 0, marks.Money);
    check(LimitKind::Volume, limits.VolumeBytes(), use.Volume, marks.Volume);
    // Only a lowered mark is written here; a period's first marks wait for MarkGiven.
    if (before.Period == period && (marks.Money != before.Money || marks.Volume != before.Volume))
        Limits(store_).WriteMarks(marks);
    return due;
}

void LimitAlerts::MarkGiven(const LimitAlert& alert, const PeriodUse& use) {
    LimitMarks marks = Limits(store_).Marks();
    const int period = DayNumber(use.Since);
    if (marks.Period != period)
        marks = {period, 0, 0};
    (alert.Kind == LimitKind::Money ? marks.Money : marks.Volume) = alert.Percent;
    Limits(store_).WriteMarks(marks);
}

} // namespace netrova
