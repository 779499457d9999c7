#include "counter/CounterTotals.h"

#include "common/TStamp.h"
#include "common/Text.h"
#include "settings/Defaults.h"
#include "store/Registry.h"

#include <charconv>
#include <string>

namespace netrova {

namespace {

constexpr const char* kAllMoney = "AllMoney";
constexpr const char* kAllTime = "AllTime";
constexpr const char* kAllReceived = "AllReceived";
constexpr const char* kAllSent = "AllSent";

std::uint64_t ReadBytes(Registry& reg, const char* name) {
    if (reg.GetDataType(name) != ValueType::String)
        return 0;
    const std::string text = reg.ReadString(name);
    std::uint64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() ? value : 0;
}

// Into the open counter key.
void PutVolume(Registry& reg, const Volume& volume) {
    reg.WriteString(kAllReceived, std::to_string(volume.Received));
    reg.WriteString(kAllSent, std::to_string(volume.Sent));
}
constexpr const char* kReset = "Reset";
constexpr const char* kReset14 = "Reset14";
constexpr const char* kReport = "Report";
constexpr const char* kYear = "Year";
constexpr const char* kMonth = "Month";
constexpr const char* kDay = "Day";
constexpr const char* kAverageFrom = "Double";
// Marks a reset whose history is not yet emptied.
constexpr const char* kResetPending = "Reset pending";

// The installation defaults. The counting-since date and "Double" are written by the first
// start, which knows the day.
struct IntDefault {
    const char* name;
    std::int32_t value;
};
constexpr CounterPolicy kDefaultPolicy{};
constexpr IntDefault kIntDefaults[] = {{kReset, kDefaultPolicy.Reset},
                                       {kReset14, kDefaultPolicy.Reset14},
                                       {kReport, kDefaultPolicy.Report},
                                       {kAllMoney, 0}};
constexpr const char* kAllTimeDefault = "0";

std::int32_t ReadAllTime(Registry& reg) {
    const std::string text = reg.ReadString(kAllTime);
    if (text.empty())
        return 0;
    if (const auto seconds = LeadingInt32(text))
        return *seconds;
    throw StoreError("The total time \"AllTime\" in " + reg.CurrentPath() + " is \"" + text +
                     "\", which is not a number of seconds from -2147483648 to 2147483647. "
                     "Correct it with netrova-reg.");
}

} // namespace

CounterTotals::CounterTotals(SettingsStore& store) : store_(store) {}

void CounterTotals::EnsureDefaults(Registry& reg) {
    reg.OpenKey(kCounterAllKey, true);
    for (const IntDefault& d : kIntDefaults)
        WriteIntegerDefault(reg, d.name, d.value);
    WriteStringDefault(reg, kAllTime, kAllTimeDefault);
}

CounterSince CounterTotals::Since(bool withAverageFrom) {
    Registry reg(store_, Root::LocalMachine);
    OpenForReading(reg, kCounterAllKey);
    CounterSince since;
    since.Year = reg.ReadInteger(kYear);
    since.Month = reg.ReadInteger(kMonth);
    since.Day = reg.ReadInteger(kDay);
    if (withAverageFrom)
        since.AverageFrom = reg.ReadInteger(kAverageFrom);
    return since;
}

CounterPolicy CounterTotals::Policy() {
    Registry reg(store_, Root::LocalMachine);
    OpenForReading(reg, kCounterAllKey);
    CounterPolicy policy;
    policy.Reset = reg.ReadInteger(kReset);
    policy.Reset14 = reg.ReadInteger(kReset14);
    policy.Report = reg.ReadInteger(kReport);
    return policy;
}

std::int32_t CounterTotals::AllMoney() {
    Registry reg(store_, Root::LocalMachine);
    OpenForReading(reg, kCounterAllKey);
    return reg.ReadInteger(kAllMoney);
}

std::int32_t CounterTotals::AllTime() {
    Registry reg(store_, Root::LocalMachine);
    return reg.OpenKey(kCounterAllKey, false) ? ReadAllTime(reg) : 0;
}

std::optional<Volume> CounterTotals::AllVolume() {
    Registry reg(store_, Root::LocalMachine);
    if (!reg.OpenKey(kCounterAllKey, false))
        return std::nullopt;
    std::optional<Volume> v;
    if (reg.ValueExists(kAllReceived) || reg.ValueExists(kAllSent))
        v = Volume{ReadBytes(reg, kAllReceived), ReadBytes(reg, kAllSent)};
    reg.CloseKey();
    return v;
}

void CounterTotals::WriteVolume(Registry& reg, const Volume& volume) {
    reg.OpenKey(kCounterAllKey, true);
    PutVolume(reg, volume);
}

std::optional<CounterTotals::Snapshot> CounterTotals::Complete() {
    Registry reg(store_, Root::LocalMachine);
    if (!reg.OpenKey(kCounterAllKey, false))
        return std::nullopt;
    for (const char* name : {kYear, kMonth, kDay, kReset, kReset14, kAllTime, kAllMoney})
        if (!reg.ValueExists(name))
            return std::nullopt;
    Snapshot s;
    s.Since = {reg.ReadInteger(kYear), reg.ReadInteger(kMonth), reg.ReadInteger(kDay), 0};
    s.Policy.Reset = reg.ReadInteger(kReset);
    s.Policy.Reset14 = reg.ReadInteger(kReset14);
    // The forecast takes what it can of a damaged total.
    s.AllTime = LeadingInt(reg.ReadString(kAllTime));
    s.AllMoney = reg.ReadInteger(kAllMoney);
    reg.CloseKey();
    if (const auto volume = AllVolume())
        s.AllVolume = volume->Total();
    return s;
}

bool CounterTotals::ResetPending() {
    Registry reg(store_, Root::LocalMachine);
    return reg.OpenKey(kCounterAllKey, false) && reg.ValueExists(kResetPending);
}

void CounterTotals::WriteTotals(Registry& reg, std::int32_t allMoney, std::int32_t allTime) {
    reg.OpenKey(kCounterAllKey, true);
    reg.WriteInteger(kAllMoney, allMoney);
    reg.WriteString(kAllTime, std::to_string(allTime));
}

void CounterTotals::SetPolicy(int reset, std::optional<int> reset14, int report) {
    Registry reg(store_, Root::LocalMachine);
    reg.OpenKey(kCounterAllKey, true);
    if (reset14)
        reg.WriteInteger(kReset14, *reset14);
    reg.WriteInteger(kReset, reset);
    reg.WriteInteger(kReport, report);
    reg.CloseKey();
}

void CounterTotals::StartCounting(int year, int month, int day) {
    Registry reg(store_, Root::LocalMachine);
    reg.OpenKey(kCounterAllKey, true);
    reg.WriteInteger(kYear, year);
    reg.WriteInteger(kMonth, month);
    reg.WriteInteger(kDay, day);
    // A machine store made anew (the old one moved away) under settings that stay: the day
    // the average per day counts from is the counting start.
    if (!reg.ValueExists(kAverageFrom))
        reg.WriteInteger(kAverageFrom, DayNumber(year, month, day));
    reg.CloseKey();
}

void CounterTotals::SetAverageFrom(int dayNumber) {
    Registry reg(store_, Root::LocalMachine);
    reg.OpenKey(kCounterAllKey, true);
    reg.WriteInteger(kAverageFrom, dayNumber);
    reg.CloseKey();
}

void CounterTotals::StartPeriod(int year, int month, int day, std::int32_t allMoney,
                                std::int32_t allTime, std::optional<int> reset14) {
    Registry reg(store_, Root::LocalMachine);
    reg.OpenKey(kCounterAllKey, true);
    reg.WriteInteger(kAverageFrom, DayNumber(year, month, day));
    reg.WriteInteger(kAllMoney, allMoney);
    reg.WriteString(kAllTime, std::to_string(static_cast<std::uint32_t>(allTime)));
    PutVolume(reg, {});
    reg.WriteInteger(kYear, year);
    reg.WriteInteger(kMonth, month);
    reg.WriteInteger(kDay, day);
    if (reset14)
        reg.WriteInteger(kReset14, *reset14);
    // The new totals and the old history must not meet after a crash: the next start finishes
    // what this mark says is unfinished.
    reg.WriteInteger(kResetPending, 1);
    reg.CloseKey();
}

void CounterTotals::FinishReset() {
    Registry reg(store_, Root::LocalMachine);
    reg.OpenKey(kCounterAllKey, true);
    reg.DeleteValue(kResetPending);
    reg.CloseKey();
}

} // namespace netrova
