#pragma once

#include <string>

namespace netrova {

// The counter dates shown in the main window's "History" group.

// 1999, 7, 5 -> "1999 - 7 - 5"
std::string CountingSinceText(int year, int month, int day);

// When the counter will be reset next, from the counting-since year and month, the reset
// policy (1 two weeks, 2 the month, 3 two months, 4 never) and the two-weeks marker (14 or 1).
// A policy outside 1..4 shows the counting-since date.
std::string ResetOnText(int year, int month, int day, int policy, int marker);

} // namespace netrova
