#pragma once

#include "common/TStamp.h"
#include "history/HistoryFile.h"
#include "history/NameTable.h"
#include "history/SortState.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace netrova {

// The views of the connections browser.
enum class TView { ThisMonth, ThisDay, AllDays };

// The browser's columns, in their order.
enum TableColumn {
    tcUserName,
    tcProvider,
    tcFee,
    tcTime,
    tcTotalFee,
    tcStartedDate,
    tcStartedTime,
    tcEndedDate,
    tcEndedTime,
    kTableColumnCount
};
inline constexpr const char* kTableCaptions[kTableColumnCount] = {
    "User name",    "Internet Provider", "Con. fee",   "Con. time", "Total fee",
    "Started date", "Started time",      "Ended date", "Ended time"};
inline constexpr int kTableWidths[kTableColumnCount] = {70, 100, 70, 70, 75, 75, 75, 75, 75};

// The browser's sort for the program run; it starts on "Internet Provider", descending.
TSortState& BrowserSort();

// The three figures under the list, with their texts before any load.
struct TFigures {
    std::string TotalFee = "0 dol. 0 c.";
    std::string AverageTime = "0 h. 0 m.";
    std::string AverageCost = "0 dol. 0 c.";
};

// The browser's rows, compact enough for a history of millions of records: names are kept once
// and the column texts are made when shown.
class TConnectionRows {
public:
    struct Row {
        TStamp Started;
        TStamp Ended;
        std::int32_t Fee;
        std::int32_t Duration;
        std::uint32_t User;
        std::uint32_t Provider;
        std::uint32_t TotalFeeAt; // TotalFeeText's bytes in the pool
        std::uint8_t TotalFeeSize;
    };

    std::size_t Count() const { return rows_.size(); }
    const Row& operator[](std::size_t i) const { return rows_[i]; }
    std::string Text(std::size_t row, int column) const;

    void Add(const THistoryRecord& record);
    void Reserve(std::size_t rows);
    // Removes all rows. Every removal is counted, so that a view following a fill can tell
    // rows that were replaced from rows that were only appended.
    void Clear();
    std::uint64_t Clears() const { return clears_; }

    // The comparison of the list's sort: texts byte by byte (case-sensitive, a prefix first),
    // money and durations by value. The columns' texts convert back to exactly Fee and
    // Duration, so those are compared directly. Only the four sortable columns are asked.
    int TableCompare(const Row& row1, const Row& row2, const TSortState& sort) const;
    // Sorts by TableCompare; equal rows keep their order.
    void Sort(const TSortState& sort);

private:
    std::vector<Row> rows_;
    std::string pool_;
    TNameTable users_;
    TNameTable providers_;
    std::uint64_t clears_ = 0;
};

// A header click: updates the sort state and says whether the rows are to be sorted (the total
// fee and the date and time columns only record the click).
bool TableColumnClick(TSortState& sort, int column);

enum class FillResult {
    NoHistory, // no history or an empty one: rows and figures untouched
    Filled,
    Stopped // pause asked to stop: the rows hold part of the history, figures untouched
};

// Adds the rows of the history for the view, without emptying the list first; a record
// outside the view empties the list and the sums, so a view shows the last unbroken run of
// matching records. Sets the figures from the rows shown. pause is called every few thousand
// records (to let a window draw what has come so far) and stops the fill when it returns false.
FillResult FillTable(const std::string& programPath, TView view, const TStamp& today,
                     TConnectionRows& rows, TFigures& figures,
                     const std::function<bool()>& pause = {});

// Records between two calls of a fill's pause.
inline constexpr std::size_t kFillStep = 4096;

// Counts a fill's records and calls its pause every kFillStep of them; false means stop.
class TFillSteps {
public:
    explicit TFillSteps(const std::function<bool()>& pause) : pause_(pause) {}
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

// Signed 32-bit sums that wrap instead of overflowing, as the original's arithmetic did.
inline std::int32_t AddWrapping(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}

} // namespace netrova
