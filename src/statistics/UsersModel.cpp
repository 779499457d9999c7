#include "statistics/UsersModel.h"

#include "browser/ConnectionsModel.h"

namespace netrova {

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
    return parent.isValid() ? 0 : ViewRowCount(users_.size());
}

int TUsersModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kUsersColumnCount;
}

QVariant TUsersModel::data(const QModelIndex& index, int role) const {
    if ((role != Qt::DisplayRole && role != Qt::ToolTipRole) || !index.isValid() ||
        static_cast<std::size_t>(index.row()) >= users_.size())
        return {};
    const TUserTotals& row = users_[static_cast<std::size_t>(index.row())];
    if (role == Qt::ToolTipRole) {
        const std::string tip = UsersToolTip(row, index.column());
        return tip.empty() ? QVariant() : QString::fromStdString(tip);
    }
    return QString::fromStdString(UsersText(row, index.column()));
}

QVariant TUsersModel::headerData(int section, Qt::Orientation o, int role) const {
    return ColumnCaption(kUsersCaptions, kUsersColumnCount, section, o, role);
}

} // namespace netrova
