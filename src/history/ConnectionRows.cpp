#include "history/ConnectionRows.h"

#include "common/Text.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace netrova {

TSortState& BrowserSort() {
    static TSortState sort{tcProvider, false};
    return sort;
}

std::string TConnectionRows::Text(std::size_t i, int column) const {
    const Row& r = rows_[i];
    switch (column) {
    case tcUserName:
        return users_.Name(r.User);
    case tcProvider:
        return providers_.Name(r.Provider);
    case tcFee:
        return FormatMoney(r.Fee);
    case tcTime:
        return FormatDuration(r.Duration);
    case tcTotalFee:
        return FieldText(pool_.data() + r.TotalFeeAt, r.TotalFeeSize);
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

void TConnectionRows::Add(const THistoryRecord& record) {
    Row r;
    r.Started = record.Started;
    r.Ended = record.Ended;
    r.Fee = record.Fee;
    r.Duration = record.Duration;
    r.User = users_.Intern(record.User, sizeof record.User);
    r.Provider = providers_.Intern(record.Provider, sizeof record.Provider);
    const std::size_t size = strnlen(record.TotalFeeText, sizeof record.TotalFeeText);
    r.TotalFeeAt = static_cast<std::uint32_t>(pool_.size());
    r.TotalFeeSize = static_cast<std::uint8_t>(size);
    pool_.append(record.TotalFeeText, size);
    rows_.push_back(r);
}

void TConnectionRows::Reserve(std::size_t rows) {
    rows_.reserve(rows);
    // "123 dol. 45 c." is typical of a total.
    pool_.reserve(rows * 16);
}

void TConnectionRows::Clear() {
    rows_.clear();
    pool_.clear();
    ++clears_;
}

int TConnectionRows::TableCompare(const Row& a, const Row& b, const TSortState& sort) const {
    switch (sort.SortColumn) {
    case tcUserName:
        return CompareOrdered(users_.Name(a.User), users_.Name(b.User), sort.SortAscending);
    case tcProvider:
        return CompareOrdered(providers_.Name(a.Provider), providers_.Name(b.Provider),
                              sort.SortAscending);
    case tcFee:
        return CompareOrdered(a.Fee, b.Fee, sort.SortAscending);
    case tcTime:
        return CompareOrdered(a.Duration, b.Duration, sort.SortAscending);
    default:
        return 0;
    }
}

void TConnectionRows::Sort(const TSortState& sort) {
    const auto by = [&](auto key) {
        std::stable_sort(rows_.begin(), rows_.end(), [&](const Row& a, const Row& b) {
            return CompareOrdered(key(a), key(b), sort.SortAscending) < 0;
        });
    };
    // Names compare through their rank, which orders as the texts do.
    if (sort.SortColumn == tcUserName) {
        const std::vector<std::uint32_t> rank = users_.Ranks();
        by([&](const Row& r) { return rank[r.User]; });
    } else if (sort.SortColumn == tcProvider) {
        const std::vector<std::uint32_t> rank = providers_.Ranks();
        by([&](const Row& r) { return rank[r.Provider]; });
    } else if (sort.SortColumn == tcFee) {
        by([](const Row& r) { return r.Fee; });
    } else if (sort.SortColumn == tcTime) {
        by([](const Row& r) { return r.Duration; });
    }
}

bool TableColumnClick(TSortState& sort, int column) {
    ClickSortColumn(sort, column);
    return column == tcUserName || column == tcProvider || column == tcFee || column == tcTime;
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
    std::error_code error;
    const auto bytes = std::filesystem::file_size(HistoryPath(programPath), error);
    if (!error)
        rows.Reserve(rows.Count() + static_cast<std::size_t>(bytes / sizeof(THistoryRecord)));

    std::int32_t count = 0;
    std::int32_t feeSum = 0;
    std::int32_t timeSum = 0;
    TFillSteps steps(pause);
    bool stopped = false;
    const std::size_t seen = ScanHistory(programPath, [&](const THistoryRecord& record) {
        if (InView(view, record.Started, today)) {
            ++count;
            timeSum = AddWrapping(timeSum, record.Duration);
            feeSum = AddWrapping(feeSum, record.Fee);
            rows.Add(record);
        } else {
            rows.Clear();
            count = feeSum = timeSum = 0;
        }
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
