#pragma once

#include "common/TStamp.h"
#include "common/Volume.h"
#include "history/HistoryFile.h"
#include "store/Registry.h"

#include <cstdint>
#include <optional>
#include <string>

namespace netrova {

// "Counter\Current": what the store keeps of the counted connection, so that a start after a
// crash can rebuild its record. The start, the provider and the money are written at connect
// and each minute; the user, the time so far, the volume and the last stamp go to two slots
// ("" and "b") in turn, so that a crash in the middle of one leaves the other whole. Every
// function works in the machine key `machine`, inside the caller's transaction.
class ConnectionBackup {
public:
    struct Connection {
        THistoryRecord record{}; // Started, Ended, Duration, Fee, User and Provider
        std::optional<Volume> volume;
    };

    // Connect: the start values, no money yet, and both slots as this connection, so that a
    // crash before the first backup can never pair this start with an earlier connection's end.
    static void WriteConnect(Registry& machine, const TStamp& started, const std::string& user,
                             const std::string& provider);
    static void WriteMoney(Registry& machine, std::int32_t money, const std::string& feeText);
    // Writes the slot the selector does not name, then points the selector at it.
    static void WriteSlot(Registry& machine, const std::string& user, const TStamp& now,
                          std::int32_t elapsed, const std::optional<Volume>& volume);
    // The connection as the last backup left it. Throws StoreError.
    static Connection Read(Registry& machine);

    // The id of the exit journal replayed last ("" for none): a start cut off after the
    // replay's commit must not replay it again.
    static std::string ReplayedJournal(Registry& machine);
    static void WriteReplayedJournal(Registry& machine, const std::string& id);

    // A fresh installation's selector.
    static void EnsureDefaults(Registry& machine);
};

// The seven stamp values prefix+"Secundes", "Minutes", "Hours", "Year", "Day", "Month",
// "DayOfWeek" of the open key, in that order.
void WriteStampValues(Registry& reg, const std::string& prefix, const TStamp& stamp);
TStamp ReadStampValues(Registry& reg, const std::string& prefix);

} // namespace netrova
