#include "history/HistoryModels.h"

#include <limits>

namespace netrova {

namespace {

QVariant Caption(const char* const* captions, int count, int section, Qt::Orientation o, int role) {
    if (o != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= count)
        return {};
    return QString::fromLatin1(captions[section]);
}

int RowCount(std::size_t count) {
    // A view counts rows in int; a history beyond that shows its first rows only.
    return static_cast<int>(std::min<std::size_t>(count, std::numeric_limits<int>::max()));
}

} // namespace

void TConnectionsModel::Publish() {
    const int count = RowCount(rows_.Count());
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

void TConnectionsModel::Clear() {
    beginResetModel();
    rows_.Clear();
    shown_ = 0;
    shownClears_ = rows_.Clears();
    endResetModel();
}

void TConnectionsModel::Sort(const TSortState& sort) {
    emit layoutAboutToBeChanged();
    rows_.Sort(sort);
    emit layoutChanged();
}

int TConnectionsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : shown_;
}

int TConnectionsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kTableColumnCount;
}

QVariant TConnectionsModel::data(const QModelIndex& index, int role) const {
    // Between two publications the rows may hold fewer rows than the views know of.
    if (role != Qt::DisplayRole || !index.isValid() ||
        static_cast<std::size_t>(index.row()) >= rows_.Count())
        return {};
    return QString::fromStdString(
        rows_.Text(static_cast<std::size_t>(index.row()), index.column()));
}

QVariant TConnectionsModel::headerData(int section, Qt::Orientation o, int role) const {
    return Caption(kTableCaptions, kTableColumnCount, section, o, role);
}

void TUsersModel::SetUsers(std::vector<TUserTotals> users) {
    beginResetModel();
    users_ = std::move(users);
    endResetModel();
}

void TUsersModel::ColumnClick(TSortState& sort, int column) {
    emit layoutAboutToBeChanged();
    UsersColumnClick(sort, column, users_);
    emit layoutChanged();
}

int TUsersModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : RowCount(users_.size());
}

int TUsersModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kUsersColumnCount;
}

QVariant TUsersModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() ||
        static_cast<std::size_t>(index.row()) >= users_.size())
        return {};
    return QString::fromStdString(
        UsersText(users_[static_cast<std::size_t>(index.row())], index.column()));
}

QVariant TUsersModel::headerData(int section, Qt::Orientation o, int role) const {
    return Caption(kUsersCaptions, kUsersColumnCount, section, o, role);
}

} // namespace netrova
