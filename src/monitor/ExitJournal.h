#pragma once

#include "history/KeptRecords.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace netrova {

// What an exit could not write to the settings store: the finished connections and the totals
// that count them.
struct PendingExit {
    std::uint64_t Id = 0; // tells a journal replayed already from a new one
    std::int32_t AllMoney = 0;
    std::int32_t AllTime = 0;
    Volume AllVolume;
    std::vector<FinishedConnection> Records;
};

// A file of fixed size beside the machine store that keeps what an exit could not write while
// the store was held by another program or its disk was full; the next start replays it. It is
// made its full size at start, so that it is written in place, needing no new space.
class ExitJournal {
public:
    explicit ExitJournal(std::string path) : path_(std::move(path)) {}
    const std::string& Path() const { return path_; }

    // Makes the file its full size and empty. False with the reason when it cannot.
    bool Prepare(std::string& why);
    // Writes and syncs it; records beyond what the file holds are left out, and said in why.
    bool Write(const PendingExit& pending, std::string& why);
    // What a whole journal holds; nothing for an empty, missing or torn one.
    std::optional<PendingExit> Read() const;
    // Leaves it empty, at its full size.
    void Clear();

    // How many records the file can hold.
    static std::size_t Capacity();

private:
    std::string path_;
};

// The journal beside the machine store in folder.
std::string ExitJournalPath(const std::string& folder);

} // namespace netrova
