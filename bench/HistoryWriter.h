#pragma once
// A synthetic history for the benchmarks that read one.
#include "common/Text.h"
#include "history/HistoryFile.h"
#include "history/VolumeFile.h"

#include <cstdio>
#include <string>

namespace netrova::bench {

// A history of count records: a few users and providers, a month of days, growing totals; and
// their volumes, of which every tenth is unknown.
inline bool WriteHistory(const std::string& programPath, int count) {
    std::FILE* f = std::fopen(HistoryPath(programPath).c_str(), "wb");
    if (!f)
        return false;
    std::FILE* v = std::fopen(VolumePath(programPath).c_str(), "wb");
    if (!v) {
        std::fclose(f);
        return false;
    }
    const char* users[] = {"anna", "bob", "Default", "carla"};
    const char* providers[] = {"Home ISP", "Work dial-up", "Backup line"};
    std::int32_t total = 0;
    for (int i = 0; i < count; ++i) {
        THistoryRecord r{};
        const auto day = static_cast<std::uint16_t>(1 + i % 28);
        r.Started =
            TStamp{2026, static_cast<std::uint16_t>(1 + i / 5000 % 12), 0, day, 10, 0, 0, 0};
        r.Ended =
            TStamp{2026, r.Started.Month, 0, day, 11, static_cast<std::uint16_t>(i % 60), 0, 0};
        r.Fee = static_cast<std::int32_t>(std::int64_t{i} * 7919 % 1000);
        r.Duration = static_cast<std::int32_t>(std::int64_t{i} * 104729 % 7200);
        total += r.Fee;
        SetFieldText(r.Provider, providers[i % 3]);
        SetFieldText(r.TotalFeeText, FormatMoney(total));
        SetFieldText(r.User, users[(i / 3) % 4]);
        const std::uint64_t bytes = std::uint64_t(i) * 2654435761u % 50000000;
        const VolumeRecord volume =
            VolumeRecordOf(r, i % 10 == 0 ? std::nullopt : std::optional(Volume{bytes, bytes / 8}));
        if (std::fwrite(&r, sizeof r, 1, f) != 1 ||
            std::fwrite(&volume, sizeof volume, 1, v) != 1) {
            std::fclose(f);
            std::fclose(v);
            return false;
        }
    }
    const bool volumesClosed = std::fclose(v) == 0; // both closed, whatever the first says
    const bool recordsClosed = std::fclose(f) == 0;
    return volumesClosed && recordsClosed;
}

} // namespace netrova::bench
