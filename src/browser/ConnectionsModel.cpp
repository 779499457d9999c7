#include "browser/ConnectionsModel.h"

#include <algorithm>
#include <limits>

namespace netrova {

QVariant ColumnCaption(const char* const* captions, int count, int section, Qt::Orientation o,
                       int role) {
    if (o != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= count)
        return {};
    return QString::fromLatin1(captions[section]);
}

int ViewRowCount(std::size_t count) {
    return static_cast<int>(std::min<std::size_t>(count, std::numeric_limits<int>::max()));
}

void ConnectionsModel::Publish() {
    const int count = ViewRowCount(rows_.Count());
    if (rows_.Clears() != shownClears_ || count < shown_) {
        beginResetModel();
        shown_ = count;
        shownClears_ = rows_.Clears();
        endResetModel();
    } else if (count > shown_) {
        beginInsertRows({}, shown_, count - 1);
        shown_ = count;
        endInsertRows();
    }
}

void ConnectionsModel::Clear() {
    beginResetModel();
    rows_.Clear();
    shown_ = 0;
    shownClears_ = rows_.Clears();
    endResetModel();
}

void ConnectionsModel::SetOrder(std::vector<std::uint32_t> order) {
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<std::size_t> records;
    records.reserve(static_cast<std::size_t>(before.size()));
    for (const QModelIndex& index : before)
        records.push_back(rows_.RecordOf(static_cast<std::size_t>(index.row())));
    rows_.SetOrder(std::move(order));
    // The same connection's new row; a view holds a few such indexes, all on one or two rows.
    std::vector<std::pair<std::size_t, int>> found;
    QModelIndexList after;
    after.reserve(before.size());
    for (qsizetype i = 0; i < before.size(); ++i) {
        auto at = std::find_if(found.begin(), found.end(),
                               [&](const auto& f) { return f.first == records[i]; });
        if (at == found.end())
            at = found.insert(found.end(), {records[i], static_cast<int>(rows_.RowOf(records[i]))});
        after << index(at->second, before[i].column());
    }
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

bool ConnectionsModel::Sort(const SortState& sort, const std::function<bool()>& pause) {
    if (rows_.Count() < 2 || !SortableColumn(sort.SortColumn))
        return true;
    // The rows show in file order while the new order is made, so that the old one's room is
    // free for it.
    if (rows_.Ordered())
        SetOrder({});
    std::vector<std::uint32_t> order;
    if (!rows_.SortedOrder(sort, order, pause))
        return false;
    SetOrder(std::move(order));
    return true;
}

int ConnectionsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : shown_;
}

int ConnectionsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kTableColumnCount;
}

QVariant ConnectionsModel::data(const QModelIndex& index, int role) const {
    if (role == Qt::TextAlignmentRole && index.isValid()) {
        // Money, times and volumes line up on their last digit.
        const int c = index.column();
        const bool right = c == tcFee || c == tcTime || c == tcReceived || c == tcSent ||
                           c == tcTotalFee || c == tcStartedTime || c == tcEndedTime;
        return QVariant::fromValue(Qt::AlignVCenter | (right ? Qt::AlignRight : Qt::AlignLeft));
    }
    // Between two publications the rows may hold fewer rows than the views know of.
    if (role != Qt::DisplayRole || !index.isValid() ||
        static_cast<std::size_t>(index.row()) >= rows_.Count())
        return {};
    return QString::fromStdString(
        rows_.Text(static_cast<std::size_t>(index.row()), index.column()));
}

QVariant ConnectionsModel::headerData(int section, Qt::Orientation o, int role) const {
    return ColumnCaption(kTableCaptions, kTableColumnCount, section, o, role);
}

} // namespace netrova
