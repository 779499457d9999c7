#pragma once

#include <cstdint>
#include <string>

namespace netrova {

class SettingsStore;

// The counting period's limits, machine-wide (the counter is) under "\Software\Netrova\Limits":
// "Money" (cents, 0: no limit), "Volume" (MiB, 0: no limit), "Warn1" and "Warn2" (percent of a
// limit at which to warn; 100 % always warns) and "HangUp" (1: hang up at 100 %).
struct LimitSettings {
    std::int32_t Money = 0;
    std::int32_t Volume = 0;
    std::int32_t Warn1 = 80;
    std::int32_t Warn2 = 90;
    bool HangUp = false;
    // The data limit in bytes (0: none).
    std::uint64_t VolumeBytes() const {
        return Volume > 0 ? static_cast<std::uint64_t>(Volume) * 1024 * 1024 : 0;
    }
    bool operator==(const LimitSettings&) const = default;
};

// The highest threshold of each limit given so far ("MoneyGiven", "VolumeGiven", in percent)
// in the counting period that began on day "GivenPeriod".
struct LimitMarks {
    int Period = 0;
    int Money = 0;
    int Volume = 0;
    bool operator==(const LimitMarks&) const = default;
};

class Limits {
public:
    explicit Limits(SettingsStore& store) : store_(store) {}
    // Missing or unreadable values read their defaults; nothing is created by reading.
    LimitSettings Read();
    // All five values in one transaction. Throws std::invalid_argument with Problem's text.
    void Write(const LimitSettings& limits);
    // Why the values cannot be limits, or "": money and volume not negative, 1 <= Warn1 <
    // Warn2 < 100.
    static std::string Problem(const LimitSettings& limits);

    LimitMarks Marks();
    void WriteMarks(const LimitMarks& marks);

private:
    SettingsStore& store_;
};

} // namespace netrova
