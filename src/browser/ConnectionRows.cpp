#include "browser/ConnectionRows.h"

#include "common/Text.h"
#include "common/TextPut.h"

#include <algorithm>
#include <cstring>

namespace netrova {

SortState& BrowserSort() {
    static SortState sort{tcProvider, false};
    return sort;
}

namespace {

// Length of what a writer of TextPut.h puts, all ASCII.
template <typename Put> std::size_t PutLength(Put put) {
    char text[48];
    return static_cast<std::size_t>(put(text) - text);
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

// Length of a column's text, without making a string of it (but for the short volume texts).
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
        return PutLength([&](char* p) { return PutMoney(p, r.Fee); });
    case tcTime:
        return PutLength([&](char* p) { return PutDuration(p, r.Duration); });
    case tcTotalFee:
        return strnlen(r.TotalFeeText, sizeof r.TotalFeeText);
    case tcStartedDate:
        return PutLength([&](char* p) { return PutStampDate(p, r.Started); });
    case tcStartedTime:
        return PutLength([&](char* p) { return PutStampTime(p, r.Started); });
    case tcEndedDate:
        return PutLength([&](char* p) { return PutStampDate(p, r.Ended); });
    case tcEndedTime:
        return PutLength([&](char* p) { return PutStampTime(p, r.Ended); });
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

// Buckets of the sort's first stage: as many as the keys' range needs, up to this many; a
// wider range puts several keys in a bucket, and the buckets are then sorted on their own.
constexpr std::size_t kSortBuckets = std::size_t{1} << 20;
// Rows whose low key bits one pass over the history collects, when buckets hold several keys.
constexpr std::size_t kSortBatchRows = std::size_t{1} << 21;

// A stable sort that lets pause run between its slices: runs sorted one at a time, then merged
// pairwise; false when pause stopped it.
template <typename It, typename Less>
bool PacedStableSort(It first, It last, Less less, const std::function<bool()>& pause) {
    constexpr std::ptrdiff_t kRun = std::ptrdiff_t{1} << 15;
    const std::ptrdiff_t n = last - first;
    for (std::ptrdiff_t i = 0; i < n; i += kRun) {
        std::stable_sort(first + i, first + std::min(n, i + kRun), less);
        if (pause && n > kRun && !pause())
            return false;
    }
    for (std::ptrdiff_t width = kRun; width < n; width *= 2)
        for (std::ptrdiff_t i = 0; i + width < n; i += 2 * width) {
            std::inplace_merge(first + i, first + i + width, first + std::min(n, i + 2 * width),
                               less);
            if (pause && !pause())
                return false;
        }
    return true;
}

} // namespace

std::string ConnectionRows::Text(std::size_t row, int column) const {
    THistoryRecord r;
    const std::size_t record = RecordOf(row);
    if (!Read(record, r))
        return {};
    return ColumnText(r, column == tcReceived || column == tcSent ? VolumeOf(record) : std::nullopt,
                      column);
}

std::size_t ConnectionRows::RowOf(std::size_t record) const {
    if (record < first_ || record >= end_)
        return Count();
    if (order_.empty())
        return record - first_;
    return static_cast<std::size_t>(std::find(order_.begin(), order_.end(), record) -
                                    order_.begin());
}

void ConnectionRows::Start(const std::string& programPath) {
    Clear();
    programPath_ = programPath;
    cache_.clear();
}

void ConnectionRows::Add(std::size_t record, const THistoryRecord& contents,
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

void ConnectionRows::Clear() {
    first_ = end_ = 0;
    order_.clear();
    order_.shrink_to_fit();
    for (Widest& w : widest_)
        w = {};
    ++clears_;
}

std::size_t ConnectionRows::WidestRow(int column) const {
    return column >= 0 && column < kTableColumnCount && Count() > 0 ? RowOf(widest_[column].record)
                                                                    : Count();
}

bool ConnectionRows::Read(std::size_t record, THistoryRecord& contents) const {
    const Block& block = *Fetch(record);
    if (record - block.first >= block.count)
        return false;
    contents = block.records[record - block.first];
    return true;
}

std::optional<Volume> ConnectionRows::VolumeOf(std::size_t record) const {
    const Block& block = *Fetch(record);
    if (record - block.first >= block.count)
        return std::nullopt;
    return VolumeFor(block.records[record - block.first], block.volumes[record - block.first]);
}

const ConnectionRows::Block* ConnectionRows::Fetch(std::size_t record) const {
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

template <typename Visit>
bool ConnectionRows::ForEachKey(const SortState& sort, NameTable& names,
                                const std::vector<std::uint32_t>& rank, Visit&& visit,
                                const std::function<bool()>& pause) const {
    const int column = sort.SortColumn;
    const bool volume = column == tcReceived || column == tcSent;
    // The companion file is read in blocks beside the history.
    std::vector<VolumeRecord> volumes(volume ? kFillStep : 0);
    const auto key = [&](std::uint64_t k) { visit(sort.SortAscending ? k : ~k); };
    std::size_t n = 0;
    FillSteps steps(pause);
    bool stopped = false;
    ScanHistoryFrom(programPath_, first_, [&](const THistoryRecord& r) {
        if (volume) {
            const std::size_t at = n % volumes.size();
            if (at == 0)
                ReadVolumeRecords(programPath_, first_ + n, volumes.data(), volumes.size());
            key(VolumeKey(VolumeFor(r, volumes[at]), column));
        } else if (column == tcUserName || column == tcProvider) {
            // Names compare through their rank, which orders as the texts do.
            const std::uint32_t id = column == tcUserName
                                         ? names.Intern(r.User, sizeof r.User)
                                         : names.Intern(r.Provider, sizeof r.Provider);
            key(id < rank.size() ? rank[id] : id);
        } else {
            key(SignedKey(column == tcFee ? r.Fee : r.Duration));
        }
        ++n;
        stopped = !steps.Next();
        return !stopped && n < Count();
    });
    if (stopped)
        return false;
    for (; n < Count(); ++n)
        key(0); // rows the file no longer holds sort as zero
    return true;
}

bool ConnectionRows::SortedOrder(const SortState& sort, std::vector<std::uint32_t>& order,
                                 const std::function<bool()>& pause) const {
    // A counting sort straight from the history: the keys are read again for each stage rather
    // than kept, so that a sort needs little beyond the order itself.
    if (Count() < 2 || !SortableColumn(sort.SortColumn))
        return true;
    NameTable names;
    std::vector<std::uint32_t> rank;
    const auto keys = [&](auto&& visit) { return ForEachKey(sort, names, rank, visit, pause); };

    // The keys' range; names get their ranks.
    std::uint64_t low = UINT64_MAX;
    std::uint64_t high = 0;
    if (!keys([&](std::uint64_t k) {
            low = std::min(low, k);
            high = std::max(high, k);
        }))
        return false;
    if (sort.SortColumn == tcUserName || sort.SortColumn == tcProvider) {
        rank = names.Ranks();
        const std::uint64_t top = std::max<std::size_t>(rank.size(), 1) - 1;
        low = sort.SortAscending ? 0 : ~top;
        high = sort.SortAscending ? top : ~std::uint64_t{0};
    }
    int shift = 0;
    while (((high - low) >> shift) >= kSortBuckets)
        ++shift;
    const std::size_t buckets = static_cast<std::size_t>((high - low) >> shift) + 1;
    const auto bucketOf = [&](std::uint64_t k) {
        return static_cast<std::size_t>((k - low) >> shift);
    };

    // Where each bucket's rows begin, then the rows in their buckets in file order; after that
    // end[b] is where bucket b ends.
    std::vector<std::uint32_t> end(buckets + 1);
    if (!keys([&](std::uint64_t k) { ++end[bucketOf(k) + 1]; }))
        return false;
    for (std::size_t b = 0; b < buckets; ++b)
        end[b + 1] += end[b];
    // Millions of rows take a while to be given room: a slice at a time.
    order.clear();
    order.reserve(Count());
    while (order.size() < Count()) {
        order.resize(std::min(Count(), order.size() + kSortBatchRows));
        if (pause && !pause())
            return false;
    }
    std::size_t row = 0;
    if (!keys([&](std::uint64_t k) { order[end[bucketOf(k)]++] = RecordAt(row++); }))
        return false;
    end.pop_back();
    if (shift == 0)
        return true;
    return shift <= 32
               ? SortBuckets<std::uint32_t>(sort, names, rank, low, shift, end, order, pause)
               : SortBuckets<std::uint64_t>(sort, names, rank, low, shift, end, order, pause);
}

template <typename Low>
bool ConnectionRows::SortBuckets(const SortState& sort, NameTable& names,
                                 const std::vector<std::uint32_t>& rank, std::uint64_t low,
                                 int shift, const std::vector<std::uint32_t>& end,
                                 std::vector<std::uint32_t>& order,
                                 const std::function<bool()>& pause) const {
    // The rows of each bucket, in file order so far, by the key bits below the bucket's; a pass
    // over the history collects those bits for a batch of whole buckets.
    const std::uint64_t mask = shift >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << shift) - 1;
    const auto begin = [&](std::size_t b) -> std::size_t { return b == 0 ? 0 : end[b - 1]; };
    std::vector<Low> bits;
    std::vector<std::uint32_t> next;
    std::vector<std::pair<Low, std::uint32_t>> rows;
    std::size_t since = 0;
    for (std::size_t b0 = 0; b0 < end.size();) {
        const std::size_t from = begin(b0);
        std::size_t b1 = b0 + 1;
        bool mixed = end[b0] - from > 1;
        while (b1 < end.size() && end[b1] - from <= kSortBatchRows) {
            mixed = mixed || end[b1] - begin(b1) > 1;
            ++b1;
        }
        if (!mixed) {
            b0 = b1;
            continue;
        }
        bits.assign(end[b1 - 1] - from, 0);
        next.resize(b1 - b0);
        for (std::size_t b = b0; b < b1; ++b)
            next[b - b0] = static_cast<std::uint32_t>(begin(b));
        if (!ForEachKey(
                sort, names, rank,
                [&](std::uint64_t k) {
                    const std::size_t b = static_cast<std::size_t>((k - low) >> shift);
                    if (b >= b0 && b < b1)
                        bits[next[b - b0]++ - from] = static_cast<Low>((k - low) & mask);
                },
                pause))
            return false;
        for (std::size_t b = b0; b < b1; ++b) {
            const std::size_t first = begin(b);
            if (end[b] - first < 2)
                continue;
            rows.clear();
            for (std::size_t i = first; i < end[b]; ++i)
                rows.emplace_back(bits[i - from], order[i]);
            if (!PacedStableSort(
                    rows.begin(), rows.end(),
                    [](const auto& x, const auto& y) { return x.first < y.first; }, pause))
                return false;
            for (std::size_t i = first; i < end[b]; ++i)
                order[i] = rows[i - first].second;
            since += rows.size();
            if (pause && since >= kFillStep) {
                since = 0;
                if (!pause())
                    return false;
            }
        }
        b0 = b1;
    }
    return true;
}

void ConnectionRows::Sort(const SortState& sort) {
    std::vector<std::uint32_t> order;
    if (SortedOrder(sort, order) && !order.empty())
        SetOrder(std::move(order));
}

bool SortableColumn(int column) {
    return column == tcUserName || column == tcProvider || column == tcFee || column == tcTime ||
           column == tcReceived || column == tcSent;
}

bool TableColumnClick(SortState& sort, int column) {
    ClickSortColumn(sort, column);
    return SortableColumn(column);
}

namespace {

bool InView(BrowserView view, const TStamp& started, const TStamp& today) {
    switch (view) {
    case BrowserView::ThisMonth:
        return started.Month == today.Month;
    case BrowserView::ThisDay:
        // The year is not compared.
        return started.Month == today.Month && started.Day == today.Day;
    case BrowserView::AllDays:
        break;
    }
    return true;
}

} // namespace

FillResult FillTable(const std::string& programPath, BrowserView view, const TStamp& today,
                     ConnectionRows& rows, Figures& figures, const std::function<bool()>& pause) {
    // 64 bits: a million ordinary records pass the 32-bit range.
    std::int64_t count = 0;
    std::int64_t feeSum = 0;
    std::int64_t timeSum = 0;
    std::uint64_t volumeSum = 0;
    bool volumeKnown = false;
    FillSteps steps(pause);
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
        figures = Figures{};
    }
    return FillResult::Filled;
}

} // namespace netrova
