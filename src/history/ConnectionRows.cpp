#include "history/ConnectionRows.h"

#include "common/Text.h"

#include <algorithm>
#include <cstring>

namespace netrova {

TSortState& BrowserSort() {
    static TSortState sort{tcProvider, false};
    return sort;
}

namespace {

std::size_t NumberLength(std::int64_t v) {
    std::size_t n = v < 0 ? 2 : 1;
    for (v = v < 0 ? -v : v; v >= 10; v /= 10)
        ++n;
    return n;
}

std::size_t StampLength(std::uint16_t a, std::uint16_t b, std::uint16_t c) {
    return NumberLength(a) + NumberLength(b) + NumberLength(c) + 2;
}

// Length of a column's text, without making it.
std::size_t TextLength(const THistoryRecord& r, int column) {
    switch (column) {
    case tcUserName:
        return strnlen(r.User, sizeof r.User);
    case tcProvider:
        return strnlen(r.Provider, sizeof r.Provider);
    case tcFee:
        return NumberLength(r.Fee / 100) + NumberLength(r.Fee % 100);
    case tcTime:
        return NumberLength(r.Duration / 3600) + NumberLength(r.Duration % 3600 / 60) +
               NumberLength(r.Duration % 60);
    case tcTotalFee:
        return strnlen(r.TotalFeeText, sizeof r.TotalFeeText);
    case tcStartedDate:
        return StampLength(r.Started.Year, r.Started.Month, r.Started.Day);
    case tcStartedTime:
        return StampLength(r.Started.Hour, r.Started.Minute, r.Started.Second);
    case tcEndedDate:
        return StampLength(r.Ended.Year, r.Ended.Month, r.Ended.Day);
    case tcEndedTime:
        return StampLength(r.Ended.Hour, r.Ended.Minute, r.Ended.Second);
    default:
        return 0;
    }
}

std::string ColumnText(const THistoryRecord& r, int column) {
    switch (column) {
    case tcUserName:
        return ShownText(FieldText(r.User));
    case tcProvider:
        return ShownText(FieldText(r.Provider));
    case tcFee:
        return FormatMoney(r.Fee);
    case tcTime:
        return FormatDuration(r.Duration);
    case tcTotalFee:
        return ShownText(FieldText(r.TotalFeeText));
    case tcStartedDate:
        return FormatStampDate(r.Started);
    case tcStartedTime:
        return FormatStampTime(r.Started);
    case tcEndedDate:
        return FormatStampDate(r.Ended);
    case tcEndedTime:
        return FormatStampTime(r.Ended);
    default:
        return {};
    }
}

// The total fee and the date and time columns are not sorted.
bool Sortable(int column) {
    return column == tcUserName || column == tcProvider || column == tcFee || column == tcTime;
}

// A signed value as a key that orders as the value does.
std::uint32_t SignedKey(std::int32_t v) {
    return static_cast<std::uint32_t>(v) ^ 0x80000000u;
}

// Stable sort of rows (record numbers) by their keys (keys[record - first]), one byte of the
// key at a time from the lowest; bytes that are the same in every key need no pass.
bool RadixSort(std::vector<std::uint32_t>& rows, const std::vector<std::uint32_t>& keys,
               std::size_t first, const std::function<bool()>& pause) {
    std::vector<std::uint32_t> out(rows.size());
    for (int shift = 0; shift < 32; shift += 8) {
        std::size_t at[257] = {};
        for (const std::uint32_t key : keys)
            ++at[((key >> shift) & 0xFF) + 1];
        if (std::find(std::begin(at), std::end(at), keys.size()) != std::end(at))
            continue;
        for (int d = 0; d < 256; ++d)
            at[d + 1] += at[d];
        for (const std::uint32_t row : rows)
            out[at[(keys[row - first] >> shift) & 0xFF]++] = row;
        rows.swap(out);
        if (pause && rows.size() >= kFillStep && !pause())
            return false;
    }
    return true;
}

} // namespace

std::string TConnectionRows::Text(std::size_t row, int column) const {
    THistoryRecord r;
    return Read(RecordOf(row), r) ? ColumnText(r, column) : std::string();
}

std::size_t TConnectionRows::RowOf(std::size_t record) const {
    if (record < first_ || record >= end_)
        return Count();
    if (order_.empty())
        return record - first_;
    return static_cast<std::size_t>(std::find(order_.begin(), order_.end(), record) -
                                    order_.begin());
}

void TConnectionRows::Start(const std::string& programPath) {
    Clear();
    programPath_ = programPath;
    cache_.clear();
}

void TConnectionRows::Add(std::size_t record, const THistoryRecord& contents) {
    if (first_ == end_)
        first_ = end_ = record;
    for (int c = 0; c < kTableColumnCount; ++c) {
        const std::size_t length = TextLength(contents, c);
        if (length > widest_[c].length)
            widest_[c] = {record, length};
    }
    end_ = record + 1;
}

void TConnectionRows::Clear() {
    first_ = end_ = 0;
    order_.clear();
    order_.shrink_to_fit();
    for (Widest& w : widest_)
        w = {};
    ++clears_;
}

std::size_t TConnectionRows::WidestRow(int column) const {
    return column >= 0 && column < kTableColumnCount && Count() > 0 ? RowOf(widest_[column].record)
                                                                    : Count();
}

bool TConnectionRows::Read(std::size_t record, THistoryRecord& contents) const {
    const std::size_t first = record - record % kBlockRecords;
    Block* block = nullptr;
    for (Block& b : cache_)
        if (b.first == first)
            block = &b;
    if (!block) {
        if (cache_.size() < kCacheBlocks) {
            block = &cache_.emplace_back();
        } else {
            block =
                &*std::min_element(cache_.begin(), cache_.end(),
                                   [](const Block& a, const Block& b) { return a.used < b.used; });
        }
        block->records.resize(kBlockRecords);
        block->first = first;
        block->count =
            ReadHistoryRecords(programPath_, first, block->records.data(), kBlockRecords);
    }
    block->used = ++uses_;
    if (record - first >= block->count)
        return false;
    contents = block->records[record - first];
    return true;
}

bool TConnectionRows::SortedOrder(const TSortState& sort, std::vector<std::uint32_t>& order,
                                  const std::function<bool()>& pause) const {
    const int column = sort.SortColumn;
    if (Count() < 2 || !Sortable(column))
        return true;
    // One key per record of the rows, in file order: a name's rank, or the value.
    std::vector<std::uint32_t> keys;
    keys.reserve(Count());
    TNameTable names;
    TFillSteps steps(pause);
    bool stopped = false;
    ScanHistoryFrom(programPath_, first_, [&](const THistoryRecord& r) {
        if (column == tcUserName)
            keys.push_back(names.Intern(r.User, sizeof r.User));
        else if (column == tcProvider)
            keys.push_back(names.Intern(r.Provider, sizeof r.Provider));
        else
            keys.push_back(SignedKey(column == tcFee ? r.Fee : r.Duration));
        stopped = !steps.Next();
        return !stopped && keys.size() < Count();
    });
    if (stopped)
        return false;
    keys.resize(Count()); // rows the file no longer holds sort as zero
    if (column == tcUserName || column == tcProvider) {
        // Names compare through their rank, which orders as the texts do.
        const std::vector<std::uint32_t> rank = names.Ranks();
        for (std::uint32_t& key : keys)
            key = key < rank.size() ? rank[key] : 0;
    }
    if (!sort.SortAscending)
        for (std::uint32_t& key : keys)
            key = ~key;
    order.resize(Count());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = static_cast<std::uint32_t>(RecordOf(i));
    return RadixSort(order, keys, first_, pause);
}

void TConnectionRows::Sort(const TSortState& sort) {
    std::vector<std::uint32_t> order;
    if (SortedOrder(sort, order) && !order.empty())
        SetOrder(std::move(order));
}

bool TableColumnClick(TSortState& sort, int column) {
    ClickSortColumn(sort, column);
    return Sortable(column);
}

namespace {

bool InView(TView view, const TStamp& started, const TStamp& today) {
    switch (view) {
    case TView::ThisMonth:
        return started.Month == today.Month;
    case TView::ThisDay:
        // The year is not compared.
        return started.Month == today.Month && started.Day == today.Day;
    case TView::AllDays:
        break;
    }
    return true;
}

} // namespace

FillResult FillTable(const std::string& programPath, TView view, const TStamp& today,
                     TConnectionRows& rows, TFigures& figures, const std::function<bool()>& pause) {
    // 64 bits: a million ordinary records pass the 32-bit range.
    std::int64_t count = 0;
    std::int64_t feeSum = 0;
    std::int64_t timeSum = 0;
    TFillSteps steps(pause);
    bool stopped = false;
    std::size_t record = 0;
    const std::size_t seen = ScanHistory(programPath, [&](const THistoryRecord& contents) {
        if (record == 0)
            rows.Start(programPath); // rows of an earlier fill stay while there is no history
        if (InView(view, contents.Started, today)) {
            ++count;
            timeSum += contents.Duration;
            feeSum += contents.Fee;
            rows.Add(record, contents);
        } else if (rows.Count() != 0 || count != 0) {
            rows.Clear();
            count = feeSum = timeSum = 0;
        }
        ++record;
        stopped = !steps.Next();
        return !stopped;
    });
    if (seen == 0)
        return FillResult::NoHistory;
    if (stopped)
        return FillResult::Stopped;
    if (count != 0) {
        figures.AverageCost = FormatMoney(feeSum / count);
        figures.AverageTime = FormatDuration(timeSum / count);
        figures.TotalFee = FormatMoney(feeSum);
    } else {
        figures = TFigures{};
    }
    return FillResult::Filled;
}

} // namespace netrova
