#include "settings/Limits.h"

#include "store/Registry.h"

#include <algorithm>
#include <stdexcept>

namespace netrova {

namespace {

constexpr const char* kLimitsKey = "\\Software\\Netrova\\Limits";
constexpr const char* kMoney = "Money";
constexpr const char* kVolume = "Volume";
constexpr const char* kWarn1 = "Warn1";
constexpr const char* kWarn2 = "Warn2";
constexpr const char* kHangUp = "HangUp";
constexpr const char* kMoneyGiven = "MoneyGiven";
constexpr const char* kVolumeGiven = "VolumeGiven";
constexpr const char* kGivenPeriod = "GivenPeriod";

std::int32_t IntegerOr(Registry& reg, const char* name, std::int32_t fallback) {
    return reg.GetDataType(name) == ValueType::Integer ? reg.ReadInteger(name) : fallback;
}

} // namespace

LimitSettings Limits::Read() {
    const LimitSettings defaults;
    Registry reg(store_, Root::LocalMachine);
    if (!reg.OpenKey(kLimitsKey, false))
        return defaults;
    LimitSettings l;
    l.Money = IntegerOr(reg, kMoney, defaults.Money);
    l.Volume = IntegerOr(reg, kVolume, defaults.Volume);
    l.Warn1 = IntegerOr(reg, kWarn1, defaults.Warn1);
    l.Warn2 = IntegerOr(reg, kWarn2, defaults.Warn2);
    l.HangUp = IntegerOr(reg, kHangUp, defaults.HangUp ? 1 : 0) == 1;
    reg.CloseKey();
    // Values a script set out of range warn as the defaults do.
    if (!Problem(l).empty()) {
        l.Warn1 = defaults.Warn1;
        l.Warn2 = defaults.Warn2;
        l.Money = std::max(l.Money, 0);
        l.Volume = std::max(l.Volume, 0);
    }
    return l;
}

void Limits::Write(const LimitSettings& limits) {
    if (const std::string problem = Problem(limits); !problem.empty())
        throw std::invalid_argument(problem);
    Registry reg(store_, Root::LocalMachine);
    reg.OpenKey(kLimitsKey, true);
    reg.WriteInteger(kMoney, limits.Money);
    reg.WriteInteger(kVolume, limits.Volume);
    reg.WriteInteger(kWarn1, limits.Warn1);
    reg.WriteInteger(kWarn2, limits.Warn2);
    reg.WriteInteger(kHangUp, limits.HangUp ? 1 : 0);
    reg.CloseKey();
}

LimitMarks Limits::Marks() {
    Registry reg(store_, Root::LocalMachine);
    if (!reg.OpenKey(kLimitsKey, false))
        return {};
    LimitMarks m;
    m.Period = IntegerOr(reg, kGivenPeriod, 0);
    m.Money = IntegerOr(reg, kMoneyGiven, 0);
    m.Volume = IntegerOr(reg, kVolumeGiven, 0);
    reg.CloseKey();
    return m;
}

void Limits::WriteMarks(const LimitMarks& marks) {
    Registry reg(store_, Root::LocalMachine);
    reg.OpenKey(kLimitsKey, true);
    reg.WriteInteger(kGivenPeriod, marks.Period);
    reg.WriteInteger(kMoneyGiven, marks.Money);
    reg.WriteInteger(kVolumeGiven, marks.Volume);
    reg.CloseKey();
}

std::string Limits::Problem(const LimitSettings& limits) {
    if (limits.Money < 0 || limits.Volume < 0)
        return "A limit cannot be negative.";
    if (limits.Warn1 < 1 || limits.Warn1 >= limits.Warn2 || limits.Warn2 >= 100)
        return "The first warning must come before the second, and both before 100 %.";
    return {};
}

} // namespace netrova
