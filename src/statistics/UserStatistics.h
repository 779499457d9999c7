#pragma once

#include "browser/SortState.h"
#include "history/VolumeFile.h"
#include "statistics/UsagePerDay.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace netrova {

// The statistics window's user list, in column order.
enum UsersColumn {
    ucUserName,
    ucConnections,
    ucTotalTime,
    ucTotalFee,
    ucVolume,
    kUsersColumnCount
};
inline constexpr const char* kUsersCaptions[kUsersColumnCount] = {
    "User name", "Connections", "Total time", "Total fee", "Volume"};
inline constexpr int kUsersWidths[kUsersColumnCount] = {104, 75, 76, 77, 77};

// The user list's sort for the program run; it starts on "Connections", descending.
SortState& UsersSort();

// One user's sums over the history.
struct UserTotals {
    std::string User;
    std::int64_t Connections = 0;
    std::int64_t Time = 0; // seconds
    std::int64_t Fee = 0;  // cents
    // Of the connections whose volume is known; nothing when none is.
    std::optional<Volume> Bytes = std::nullopt;
};

// The cell texts: count, "h:m:s", "12 d. 5 c.", received and sent together.
std::string UsersText(const UserTotals& row, int column);
// A cell's tooltip: the volume received and sent apart; "" for the other columns.
std::string UsersToolTip(const UserTotals& row, int column);

// Sums the history per user name (byte by byte, case-sensitive), in the order in which the
// users first occur. pause is called every few thousand records and stops the sum when it
// returns false; the result is then false and users is left empty. With days (EmptyUsage's or
// RecentDays'), the same pass adds each record to its day there (AddUsage): the statistics
// window shows both.
bool SumUsers(const std::string& programPath, std::vector<UserTotals>& users,
              const std::function<bool()>& pause = {}, std::vector<DayUsage>* days = nullptr);

// Names byte by byte, the figures by value (the shown texts convert back to exactly these).
int UsersCompare(const UserTotals& row1, const UserTotals& row2, const SortState& sort);
// A header click: updates the sort state and sorts the rows with UsersCompare.
void UsersColumnClick(SortState& sort, int column, std::vector<UserTotals>& users);

// Crashes per hour of counter time, in single precision; 0 below one hour.
float CrashRate(std::int32_t crashes, std::int32_t counterSeconds);

// The general format with 3 significant digits: trailing zeros dropped, fixed notation unless
// the value needs more than 3 digits before the point or is below 0.00001, else "1.23E+03".
std::string FormatRate(float rate, std::string_view decimalSeparator = ".");

} // namespace netrova
