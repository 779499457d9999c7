#include "statistics/UsersModel.h"

#include "browser/ConnectionsModel.h"

namespace netrova {

void UsersModel::SetUsers(std::vector<UserTotals> users) {
    beginResetModel();
    users_ = std::move(users);
    endResetModel();
}

void UsersModel::ColumnClick(SortState& sort, int column) {
    emit layoutAboutToBeChanged();
    UsersColumnClick(sort, column, users_);
    emit layoutChanged();
}

int UsersModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ViewRowCount(users_.size());
}

int UsersModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kUsersColumnCount;
}

QVariant UsersModel::data(const QModelIndex& index, int role) const {
    if ((role != Qt::DisplayRole && role != Qt::ToolTipRole) || !index.isValid() ||
        static_cast<std::size_t>(index.row()) >= users_.size())
        return {};
    const UserTotals& row = users_[static_cast<std::size_t>(index.row())];
    if (role == Qt::ToolTipRole) {
        const std::string tip = UsersToolTip(row, index.column());
        return tip.empty() ? QVariant() : QString::fromStdString(tip);
    }
    return QString::fromStdString(UsersText(row, index.column()));
}

QVariant UsersModel::headerData(int section, Qt::Orientation o, int role) const {
    return ColumnCaption(kUsersCaptions, kUsersColumnCount, section, o, role);
}

} // namespace netrova
