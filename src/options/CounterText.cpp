#include "options/CounterText.h"

namespace netrova {

std::string CountingSinceText(int year, int month, int day) {
    return std::to_string(year) + " - " + std::to_string(month) + " - " + std::to_string(day);
}

std::string ResetOnText(int year, int month, int day, int policy, int marker) {
    // Month `month + ahead`, rolled over into the next year; always the 1st.
    auto firstOfMonthAhead = [&](int ahead) {
        const int m = month + ahead;
        return m > 12 ? CountingSinceText(year + 1, m - 12, 1) : CountingSinceText(year, m, 1);
    };
    switch (policy) {
    case 1:
        return marker == 14 ? CountingSinceText(year, month, 14) : firstOfMonthAhead(1);
    case 2:
        return firstOfMonthAhead(1);
    case 3:
        return firstOfMonthAhead(2);
    case 4:
        return "Never";
    default:
        return CountingSinceText(year, month, day);
    }
}

} // namespace netrova
