#pragma once

#include "browser/SortState.h"
#include "statistics/UserStatistics.h"

#include <QAbstractTableModel>

#include <vector>

namespace netrova {

// The statistics window's user list.
class UsersModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    const std::vector<UserTotals>& Users() const { return users_; }
    void SetUsers(std::vector<UserTotals> users);
    void Clear() { SetUsers({}); }
    void ColumnClick(SortState& sort, int column);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    std::vector<UserTotals> users_;
};

} // namespace netrova
