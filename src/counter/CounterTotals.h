#pragma once

#include "common/Volume.h"

#include <cstdint>
#include <optional>

namespace netrova {

class SettingsStore;
class Registry;

// The counting-since date and "Double", the day number the average per day counts from.
struct CounterSince {
    int Year = 0;
    int Month = 0;
    int Day = 0;
    int AverageFrom = 0;
};

// The reset policy: "Reset" 1 two weeks, 2 the month, 3 two months, 4 never; "Reset14", the
// two-weeks marker; "Report", whether a reset writes the report of the ending period.
struct CounterPolicy {
    int Reset = 4;
    int Reset14 = 14;
    int Report = 0;
};

// The counter's rules. While a connection is counted, the total time is the one at its start
// plus its own; the stored totals leave it out until it ends (or is recovered after a crash).
inline std::int64_t RunningTotal(std::int32_t startTotal, std::int64_t elapsed) {
    return startTotal + elapsed;
}

// The two-weeks marker for a period that starts on day `day`: its reset falls on the 14th of
// the same month when it starts before the 14th, else in the next month.
inline int TwoWeeksMarker(int day) {
    return day < 14 ? 14 : 1;
}

// The counter totals as the machine store keeps them under "Counter\All": "AllMoney" (cents),
// "AllTime" (seconds, as text), the reset policy, the counting-since date and the mark of a
// reset that is not finished yet. Every value's name and default is spelled here alone.
//
// Reads take no write lock when the key is there, so that a tick or a window goes on while
// another program writes; a missing key is created with the defaults.
class CounterTotals {
public:
    explicit CounterTotals(SettingsStore& store);

    // Writes the default of every value that is missing into `reg`, which joins the caller's
    // transaction.
    static void EnsureDefaults(Registry& reg);

    // The counting-since date; AverageFrom is read too only when asked, as the start and the
    // reset check need the date alone.
    CounterSince Since(bool withAverageFrom = false);
    CounterPolicy Policy();
    std::int32_t AllMoney();
    // By its leading digits; empty reads as 0. Text without leading digits or a number out of
    // the 32-bit range is a StoreError naming the value, never a wrapped number.
    std::int32_t AllTime();
    // All of it for the forecast; nullopt when the key or a value is missing.
    struct Snapshot {
        CounterSince Since; // as stored, perhaps damaged
        CounterPolicy Policy;
        std::int32_t AllTime = 0;  // seconds
        std::int32_t AllMoney = 0; // cents
        // "AllReceived" and "AllSent" together; nothing where the store has none.
        std::optional<std::uint64_t> AllVolume = std::nullopt;
    };
    std::optional<Snapshot> Complete();
    // Whether a reset has new totals committed but its history not yet emptied.
    bool ResetPending();

    // The totals of ended connections, in the group that `reg` belongs to (a record and the
    // totals that count it land together).
    static void WriteTotals(Registry& reg, std::int32_t allMoney, std::int32_t allTime);
    // The period's data volume, "AllReceived" and "AllSent" (bytes, as text); nothing where a
    // store from before volume was counted has none.
    std::optional<Volume> AllVolume();
    static void WriteVolume(Registry& reg, const Volume& volume);

    // The dialog's choices; the marker only with the two-weeks policy.
    void SetPolicy(int reset, std::optional<int> reset14, int report);
    // The first start: counting since today; the average counts from today unless a day is kept.
    void StartCounting(int year, int month, int day);
    // A new user: the average per day counts from today.
    void SetAverageFrom(int dayNumber);

    // One transaction: the new period from the given date with its totals, the marker when
    // given, and the reset-pending mark, which FinishReset clears.
    void StartPeriod(int year, int month, int day, std::int32_t allMoney, std::int32_t allTime,
                     std::optional<int> reset14);
    void FinishReset();

private:
    SettingsStore& store_;
};

} // namespace netrova
