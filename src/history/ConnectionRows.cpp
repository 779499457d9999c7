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

std::string VolumeText(const std::optional<Volume>& v, int column) {
    if (!v)
        return FormatVolume(std::nullopt);
    return FormatVolume(column == tcReceived ? v->Received : v->Sent);
}

// Characters of UTF-8 text: the unknown volume's dash is one.
std::size_t Characters(const std::string& text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

// Length of a column's text, without making it (but for the short volume texts).
std::size_t TextLength(const THistoryRecord& r, const std::optional<Volume>& v, int column) {
    switch (column) {
    case tcReceived:
    case tcSent:
        return Characters(VolumeText(v, column));
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

std::string ColumnText(const THistoryRecord& r, const std::optional<Volume>& v, int column) {
    switch (column) {
    case tcReceived:
    case tcSent:
        return VolumeText(v, column);
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
    return column == tcUserName || column == tcProvider || column == tcFee || column == tcTime ||
           column == tcReceived || column == tcSent;
}

// A volume as a key: unknown below every known one, 0 included.
std::uint64_t VolumeKey(const std::optional<Volume>& v, int column) {
    if (!v)
        return 0;
    const std::uint64_t bytes = column == tcReceived ? v->Received : v->Sent;
    return bytes == UINT64_MAX ? bytes : bytes + 1;
}

// A signed value as a key that orders as the value does.
std::uint32_t SignedKey(std::int32_t v) {
    return static_cast<std::uint32_t>(v) ^ 0x80000000u;
}

// Stable sort of rows (record numbers) by their keys (keys[record - first]), one byte of the
// key at a time from the lowest; bytes that are the same in every key need no pass.
template <typename Key>
bool RadixSort(std::vector<std::uint32_t>& rows, const std::vector<Key>& keys, std::size_t first,
               const std::function<bool()>& pause) {
    std::vector<std::uint32_t> out(rows.size());
    for (int shift = 0; shift < int{8 * sizeof(Key)}; shift += 8) {
        std::size_t at[257] = {};
        for (const Key key : keys)
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
    const std::size_t record = RecordOf(row);
    if (!Read(record, r))
        return {};
    return ColumnText(r, column == tcReceived || column == tcSent ? VolumeOf(record) : std::nullopt,
                      column);
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

void TConnectionRows::Add(std::size_t record, const THistoryRecord& contents,
                          const std::optional<Volume>& volume) {
    if (first_ == end_)
        first_ = end_ = record;
    for (int c = 0; c < kTableColumnCount; ++c) {
        const std::size_t length = TextLength(contents, volume, c);
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
    const Block& block = *Fetch(record);
    if (record - block.first >= block.count)
        return false;
    contents = block.records[record - block.first];
    return true;
}

std::optional<Volume> TConnectionRows::VolumeOf(std::size_t record) const {
    const Block& block = *Fetch(record);
    if (record - block.first >= block.count)
        return std::nullopt;
    return VolumeFor(block.records[record - block.first], block.volumes[record - block.first]);
}

const TConnectionRows::Block* TConnectionRows::Fetch(std::size_t record) const {
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
        block->volumes.resize(kBlockRecords);
        ReadVolumeRecords(programPath_, first, block->volumes.data(), block->count);
    }
    block->used = ++uses_;
    return block;
}

bool TConnectionRows::SortedOrder(const TSortState& sort, std::vector<std::uint32_t>& order,
                                  const std::function<bool()>& pause) const {
    const int column = sort.SortColumn;
    if (Count() < 2 || !Sortable(column))
        return true;
    if (column == tcReceived || column == tcSent)
        return SortedByVolume(sort, order, pause);
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

bool TConnectionRows::SortedByVolume(const TSortState& sort, std::vector<std::uint32_t>& order,
                                     const std::function<bool()>& pause) const {
    // 64-bit keys, as volumes are; the companion file is read in blocks beside the history.
    std::vector<std::uint64_t> keys;
    keys.reserve(Count());
    std::vector<TVolumeRecord> volumes(kFillStep);
    TFillSteps steps(pause);
    bool stopped = false;
    ScanHistoryFrom(programPath_, first_, [&](const THistoryRecord& r) {
        const std::size_t at = keys.size() % volumes.size();
        if (at == 0)
            ReadVolumeRecords(programPath_, first_ + keys.size(), volumes.data(), volumes.size());
        keys.push_back(VolumeKey(VolumeFor(r, volumes[at]), sort.SortColumn));
        stopped = !steps.Next();
        return !stopped && keys.size() < Count();
    });
    if (stopped)
        return false;
    keys.resize(Count());
    if (!sort.SortAscending)
        for (std::uint64_t& key : keys)
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
    std::uint64_t volumeSum = 0;
    bool volumeKnown = false;
    TFillSteps steps(pause);
    bool stopped = false;
    std::size_t record = 0;
    const auto visit = [&](const THistoryRecord& contents, const std::optional<Volume>& volume) {
        if (record == 0)
            rows.Start(programPath); // rows of an earlier fill stay while there is no history
        if (InView(view, contents.Started, today)) {
            ++count;
            timeSum += contents.Duration;
            feeSum += contents.Fee;
            volumeSum += volume ? volume->Total() : 0;
            volumeKnown = volumeKnown || volume;
            rows.Add(record, contents, volume);
        } else if (rows.Count() != 0 || count != 0) {
            rows.Clear();
            count = feeSum = timeSum = 0;
            volumeSum = 0;
            volumeKnown = false;
        }
        ++record;
        stopped = !steps.Next();
        return !stopped;
    };
    const std::size_t seen = ScanHistoryWithVolume(programPath, visit);
    if (seen == 0)
        return FillResult::NoHistory;
    if (stopped)
        return FillResult::Stopped;
    if (count != 0) {
        figures.AverageCost = FormatMoney(feeSum / count);
        figures.AverageTime = FormatDuration(timeSum / count);
        figures.TotalFee = FormatMoney(feeSum);
        figures.Volume = FormatVolume(volumeKnown ? std::optional(volumeSum) : std::nullopt);
    } else {
        figures = TFigures{};
    }
    return FillResult::Filled;
}

} // namespace netrova
