#pragma once

#include "browser/NameTable.h"
#include "browser/SortState.h"
#include "common/TStamp.h"
#include "history/HistoryFile.h"
#include "history/VolumeFile.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace netrova {

// The views of the connections browser.
enum class BrowserView { ThisMonth, ThisDay, AllDays };

// The browser's columns, in their order.
enum TableColumn {
    tcUserName,
    tcProvider,
    tcFee,
    tcTime,
    tcReceived,
    tcSent,
    tcTotalFee,
    tcStartedDate,
    tcStartedTime,
    tcEndedDate,
    tcEndedTime,
    kTableColumnCount
};
inline constexpr const char* kTableCaptions[kTableColumnCount] = {
    "User name", "Internet Provider", "Con. fee",     "Con. time",  "Received",  "Sent",
    "Total fee", "Started date",      "Started time", "Ended date", "Ended time"};
inline constexpr int kTableWidths[kTableColumnCount] = {70, 100, 70, 70, 70, 70,
                                                        75, 75,  75, 75, 75};

// The browser's sort for the program run; it starts on "Internet Provider", descending.
SortState& BrowserSort();

// The three figures under the list, with their texts before any load.
struct Figures {
    std::string TotalFee = "0 dol. 0 c.";
    std::string AverageTime = "0 h. 0 m.";
    std::string AverageCost = "0 dol. 0 c.";
    std::string Volume = "0 B"; // received and sent, of the rows whose volume is known
};

// The browser's rows: a run of records of the history file, which are read when shown. A view
// is always the last unbroken run of matching records, so the rows are a range of record
// numbers; a sort keeps their order as record numbers, and keys exist only while sorting.
class ConnectionRows {
public:
    std::size_t Count() const { return end_ - first_; }
    // Text of a row's column; empty when the record can no longer be read.
    std::string Text(std::size_t row, int column) const;
    // The record a row shows, and the row showing a record (Count() when none does).
    std::size_t RecordOf(std::size_t row) const {
        return order_.empty() ? first_ + row : order_[row];
    }
    std::size_t RowOf(std::size_t record) const;

    // A fill: Start on the history of programPath (no rows), then Add each matching record
    // with its number, in file order; the first one added begins the run.
    void Start(const std::string& programPath);
    void Add(std::size_t record, const THistoryRecord& contents,
             const std::optional<Volume>& volume = {});
    // Removes all rows. Every removal is counted, so that a view following a fill can tell
    // rows that were replaced from rows that were only appended.
    void Clear();
    std::uint64_t Clears() const { return clears_; }

    // The row of each column's widest text (by length) among the rows added since the last
    // Clear, for sizing the list without reading every row again.
    std::size_t WidestRow(int column) const;

    // The rows' order under the list's sort, as record numbers; equal rows keep their file
    // order. Names compare byte by byte (case-sensitive, a prefix first), money, durations and
    // volumes by value (an unknown volume below 0); other columns leave the order empty. Reads
    // the rows' records a few times over (calling pause as a fill does) instead of keeping their
    // keys; false when pause stopped it.
    bool SortedOrder(const SortState& sort, std::vector<std::uint32_t>& order,
                     const std::function<bool()>& pause = {}) const;
    void SetOrder(std::vector<std::uint32_t> order) {
        order_ = std::move(order);
        if (order_.empty())
            order_.shrink_to_fit();
    }
    bool Ordered() const { return !order_.empty(); }
    // SortedOrder and SetOrder at once.
    void Sort(const SortState& sort);

    // Reads a record, through a small cache of blocks around the rows last shown.
    bool Read(std::size_t record, THistoryRecord& contents) const;
    // The record's volume from volume.dat, through the same cache; nothing when unknown.
    std::optional<Volume> VolumeOf(std::size_t record) const;

private:
    std::string programPath_;
    std::size_t first_ = 0;
    std::size_t end_ = 0;
    std::vector<std::uint32_t> order_; // empty: file order
    std::uint64_t clears_ = 0;
    struct Widest {
        std::size_t record = 0;
        std::size_t length = 0;
    };
    Widest widest_[kTableColumnCount];

    static constexpr std::size_t kBlockRecords = 64;
    static constexpr std::size_t kCacheBlocks = 16;
    struct Block {
        std::size_t first = SIZE_MAX;
        std::size_t count = 0;
        std::uint64_t used = 0;
        std::vector<THistoryRecord> records;
        std::vector<VolumeRecord> volumes;
    };
    const Block* Fetch(std::size_t record) const;
    std::uint32_t RecordAt(std::size_t row) const {
        return static_cast<std::uint32_t>(first_ + row);
    }
    // Calls visit with the sort key of each row's record in file order (inverted for a
    // descending sort); false when pause stopped it.
    template <typename Visit>
    bool ForEachKey(const SortState& sort, NameTable& names, const std::vector<std::uint32_t>& rank,
                    Visit&& visit, const std::function<bool()>& pause) const;
    template <typename Low>
    bool SortBuckets(const SortState& sort, NameTable& names,
                     const std::vector<std::uint32_t>& rank, std::uint64_t low, int shift,
                     const std::vector<std::uint32_t>& end, std::vector<std::uint32_t>& order,
                     const std::function<bool()>& pause) const;
    mutable std::vector<Block> cache_;
    mutable std::uint64_t uses_ = 0;
};

// Whether a column's header click sorts the rows: the total fee and the date and time columns
// do not.
bool SortableColumn(int column);

// A header click: updates the sort state and says whether the rows are to be sorted (the total
// fee and the date and time columns only record the click).
bool TableColumnClick(SortState& sort, int column);

enum class FillResult {
    NoHistory, // no history or an empty one: rows and figures untouched
    Filled,
    Stopped // pause asked to stop: the rows hold part of the history, figures untouched
};

// Adds the rows of the history for the view, without emptying the list first; a record
// outside the view empties the list and the sums, so a view shows the last unbroken run of
// matching records. Sets the figures from the rows shown. pause is called every few thousand
// records (to let a window draw what has come so far) and stops the fill when it returns false.
FillResult FillTable(const std::string& programPath, BrowserView view, const TStamp& today,
                     ConnectionRows& rows, Figures& figures,
                     const std::function<bool()>& pause = {});

// Records between two calls of a fill's pause.
inline constexpr std::size_t kFillStep = 4096;

// Counts a fill's records and calls its pause every kFillStep of them; false means stop.
class FillSteps {
public:
    explicit FillSteps(const std::function<bool()>& pause) : pause_(pause) {}
    bool Next() {
        if (!pause_ || ++since_ < kFillStep)
            return true;
        since_ = 0;
        return pause_();
    }

private:
    const std::function<bool()>& pause_;
    std::size_t since_ = 0;
};

} // namespace netrova
