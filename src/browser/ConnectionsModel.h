#pragma once

#include "browser/ConnectionRows.h"

#include <QAbstractTableModel>

#include <functional>
#include <vector>

namespace netrova {

// A list's column caption from its table of captions.
QVariant ColumnCaption(const char* const* captions, int count, int section, Qt::Orientation o,
                       int role);
// A view counts rows in int; a list beyond that shows its first rows only.
int ViewRowCount(std::size_t count);

// The browser's list as a table model over the compact rows; the texts are made when shown.
class ConnectionsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    ConnectionRows& Rows() { return rows_; }
    const ConnectionRows& Rows() const { return rows_; }

    // Brings the views up to date with the rows after they were filled: appended rows are
    // inserted, emptied ones reset.
    void Publish();
    void Clear();
    // Sorts the rows (see ConnectionRows::SortedOrder); the views' current row and selection
    // stay on the connections they were on. False, and nothing changed, when pause stopped it.
    bool Sort(const SortState& sort, const std::function<bool()>& pause = {});

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    // Puts the rows in that order (empty: file order), the views' rows following their
    // connections.
    void SetOrder(std::vector<std::uint32_t> order);

    ConnectionRows rows_;
    int shown_ = 0; // rows the views know of
    std::uint64_t shownClears_ = 0;
};

} // namespace netrova
