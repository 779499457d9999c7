#include "statistics/UserStatistics.h"

#include "browser/ConnectionRows.h"
#include "browser/NameTable.h"
#include "common/Text.h"
#include "history/HistoryFile.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace netrova {

SortState& UsersSort() {
    static SortState sort{ucConnections, false};
    return sort;
}

std::string UsersText(const UserTotals& row, int column) {
    switch (column) {
    case ucUserName:
        return ShownText(row.User);
    case ucConnections:
        return std::to_string(row.Connections);
    case ucTotalTime:
        return FormatDuration(row.Time);
    case ucTotalFee:
        return FormatMoney(row.Fee, " d. ");
    case ucVolume:
        return FormatVolume(row.Bytes ? std::optional(row.Bytes->Total()) : std::nullopt);
    default:
        return {};
    }
}

std::string UsersToolTip(const UserTotals& row, int column) {
    if (column != ucVolume || !row.Bytes)
        return {};
    return "Received: " + FormatVolume(row.Bytes->Received) +
           ", sent: " + FormatVolume(row.Bytes->Sent);
}

bool SumUsers(const std::string& programPath, std::vector<UserTotals>& users,
              const std::function<bool()>& pause, std::vector<DayUsage>* days) {
    users.clear();
    NameTable names;
    FillSteps steps(pause);
    bool stopped = false;
    ScanHistoryWithVolume(
        programPath, [&](const THistoryRecord& record, const std::optional<Volume>& volume) {
            const std::uint32_t id = names.Intern(record.User, sizeof record.User);
            if (id == users.size())
                users.push_back(UserTotals{names.Name(id)});
            UserTotals& u = users[id];
            ++u.Connections;
            u.Time += record.Duration;
            u.Fee += record.Fee;
            AddKnown(u.Bytes, volume);
            if (days)
                AddUsage(*days, record, volume);
            stopped = !steps.Next();
            return !stopped;
        });
    if (stopped)
        users.clear();
    return !stopped;
}

int UsersCompare(const UserTotals& a, const UserTotals& b, const SortState& sort) {
    switch (sort.SortColumn) {
    case ucUserName:
        return CompareOrdered(a.User, b.User, sort.SortAscending);
    case ucConnections:
        return CompareOrdered(a.Connections, b.Connections, sort.SortAscending);
    case ucTotalTime:
        return CompareOrdered(a.Time, b.Time, sort.SortAscending);
    case ucTotalFee:
        return CompareOrdered(a.Fee, b.Fee, sort.SortAscending);
    case ucVolume:
        // An unknown volume sorts below 0.
        if (a.Bytes.has_value() != b.Bytes.has_value())
            return CompareOrdered(a.Bytes.has_value(), b.Bytes.has_value(), sort.SortAscending);
        return a.Bytes ? CompareOrdered(a.Bytes->Total(), b.Bytes->Total(), sort.SortAscending) : 0;
    default:
        return 0;
    }
}

void UsersColumnClick(SortState& sort, int column, std::vector<UserTotals>& users) {
    ClickSortColumn(sort, column);
    std::stable_sort(users.begin(), users.end(), [&](const UserTotals& a, const UserTotals& b) {
        return UsersCompare(a, b, sort) < 0;
    });
}

float CrashRate(std::int32_t crashes, std::int32_t counterSeconds) {
    if (counterSeconds / 3600 == 0)
        return 0.0f;
    const float hours = static_cast<float>(counterSeconds) * (1.0f / 3600.0f);
    return static_cast<float>(crashes) / hours;
}

std::string FormatRate(float rate, std::string_view decimalSeparator) {
    constexpr int kDigits = 3;
    const double value = rate;
    if (value == 0.0)
        return "0";
    const double magnitude = std::fabs(value);
    // The exponent after rounding to three digits: 999.7 becomes 1.00e+03.
    char scientific[32];
    std::snprintf(scientific, sizeof scientific, "%.*e", kDigits - 1, magnitude);
    const int exponent = std::atoi(std::strchr(scientific, 'e') + 1);

    std::string text;
    std::string suffix;
    if (exponent >= kDigits || magnitude < 0.00001) {
        text.assign(scientific, std::strchr(scientific, 'e'));
        char power[16];
        std::snprintf(power, sizeof power, "E%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
        suffix = power;
    } else {
        char fixed[64];
        std::snprintf(fixed, sizeof fixed, "%.*f", std::max(0, kDigits - 1 - exponent), magnitude);
        text = fixed;
    }
    if (text.find('.') != std::string::npos) {
        text.erase(text.find_last_not_of('0') + 1);
        if (text.back() == '.')
            text.pop_back();
    }
    if (const auto point = text.find('.'); point != std::string::npos)
        text.replace(point, 1, decimalSeparator);
    return (value < 0 ? "-" : "") + text + suffix;
}

} // namespace netrova
