#pragma once

#include "history/HistoryFile.h"
#include "history/VolumeFile.h"

#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace netrova {

// Which records a listing, an export or a summary takes. Dates are those of the Started stamp,
// both ends included; names are compared exactly, as the statistics window does.
struct HistoryFilter {
    std::optional<int> FromDay; // day numbers
    std::optional<int> ToDay;
    std::optional<std::string> User;
    std::optional<std::string> Provider;

    bool Matches(const THistoryRecord& r) const;
};

// "1999-07-04" (or "1999-7-4") -> its day number; nullopt for anything else, dates that do not
// exist included.
std::optional<int> ParseDate(std::string_view text);

// The export's header row and records: times in ISO 8601 local time, duration in seconds,
// money in cents and as text, UTF-8, and last the volume in bytes (empty, or null in JSON, when
// unknown). A stamp that cannot be (IsPossibleStamp) is left empty, or
// null in JSON. CSV (RFC 4180) quotes a field holding a comma, a quote or a line break, puts an
// apostrophe before a text that begins with =, +, -, @, tab or carriage return, and ends lines
// with CR LF; JSON Lines end with LF.
extern const char* const kCsvHeader;
// Longest line a record can give (every byte of a text escaped).
inline constexpr std::size_t kExportLineMax = 2048;
// Write the line at p, which has room for kExportLineMax bytes, and return its end.
char* PutCsvLine(const THistoryRecord& r, const std::optional<Volume>& volume, char* p);
char* PutJsonLine(const THistoryRecord& r, const std::optional<Volume>& volume, char* p);

// The cells of one row of the aligned listing, its column titles and which of them are
// right-aligned.
std::vector<std::string> ListHeader();
std::vector<std::string> ListCells(const THistoryRecord& r, const std::optional<Volume>& volume);
std::vector<bool> ListRightAligned();
// Columns padded to the widths given (in characters, not bytes); the last cell is not padded.
std::string AlignedLine(const std::vector<std::string>& cells,
                        const std::vector<std::size_t>& widths,
                        const std::vector<bool>& rightAligned);
// Characters of UTF-8 text, for column widths.
std::size_t TextWidth(std::string_view text);

enum class GroupBy { Day, Month, Provider, User };

struct GroupTotals {
    std::string Name;
    std::int64_t Connections = 0;
    std::int64_t Time = 0; // seconds
    std::int64_t Fee = 0;  // cents
    // Of the connections whose volume is known; nothing when none is.
    std::optional<Volume> Bytes = std::nullopt;
};

// Per-group sums over the records added, and their total.
//
// Memory stays flat however long the history: providers and users are few, and days and months
// come in date order, as connections are appended when they end. A day (month) is summed until a
// later one begins; it then goes to a scratch file, to be read back in order. Records older than
// the group being summed (a clock set back) are summed in memory and merged in when the groups
// are read; so are all groups when no scratch file can be written.
class HistorySummary {
public:
    explicit HistorySummary(GroupBy by);
    ~HistorySummary();
    HistorySummary(const HistorySummary&) = delete;
    HistorySummary& operator=(const HistorySummary&) = delete;

    void Add(const THistoryRecord& r, const std::optional<Volume>& volume = {});
    // Visits the groups: days and months in date order, providers and users in the order they
    // first appear. May be called again. False when the scratch file could not be read back.
    bool ForEachGroup(const std::function<void(const GroupTotals&)>& visit);
    const GroupTotals& Total() const { return total_; }

private:
    // The sums of one day or month, as they go to the scratch file.
    struct DatedSums {
        std::int64_t Key = 0; // in date order
        std::int64_t Connections = 0;
        std::int64_t Time = 0;
        std::int64_t Fee = 0;
        std::optional<Volume> Bytes = std::nullopt;
    };

    void Finish(const DatedSums& group);
    bool ForEachDated(const std::function<void(const DatedSums&)>& visit);

    GroupBy by_;
    std::optional<DatedSums> current_;       // the latest day (month) so far
    std::map<std::int64_t, DatedSums> late_; // earlier ones met again, or not spilled
    std::FILE* spill_ = nullptr;             // the days (months) before current_, in order
    bool spillFailed_ = false;
    std::unordered_map<std::string, std::size_t> index_;
    std::vector<GroupTotals> named_;
    GroupTotals total_{"Total"};
};

} // namespace netrova
