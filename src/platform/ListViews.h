#pragma once

#include <QAbstractItemView>
#include <QPixmap>

class QHeaderView;
class QTableView;

namespace netrova {

// The history windows' pictures, rendered from their SVG at the size asked for, in the
// application's device pixels.
QPixmap ViewMarkerPicture(int size = 16); // on the button of the view in force
QPixmap ArrowDownPicture(int size = 16);  // ascending order
QPixmap ArrowUpPicture(int size = 16);    // descending order

// A read-only report-style list with grid lines, one fixed row height (so that the view never
// measures a long list row by row), clickable headers and the given column widths.
void SetUpHistoryList(QTableView& list, const int* widths, int columns, int minimumHeight);

// A list of rows of one height under a header of columns, for lists of millions of rows: a row's
// place is its number times the height, so the view keeps nothing per row (a table view's row
// header keeps a size for each). Rows scroll one at a time, columns by the pixel. Tab leaves the
// list; the arrows, Page Up/Down and Ctrl+Home/End move in it. Says emptyText when it has no rows.
class UniformRowsView : public QAbstractItemView {
public:
    explicit UniformRowsView(QWidget* parent = nullptr);

    QHeaderView* horizontalHeader() const { return header_; }
    int columnWidth(int column) const;
    void setColumnWidth(int column, int width);
    int rowHeight() const { return rowHeight_; }
    void SetEmptyText(const QString& text);
    // Rows the view asks room for.
    void SetShownRows(int rows) { shownRows_ = rows; }

    void setModel(QAbstractItemModel* model) override;
    QRect visualRect(const QModelIndex& index) const override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    QModelIndex indexAt(const QPoint& point) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    // Typing does not search: over millions of rows read from a file it would hang the window.
    void keyboardSearch(const QString&) override {}

protected:
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    int horizontalOffset() const override;
    int verticalOffset() const override;
    bool isIndexHidden(const QModelIndex&) const override { return false; }
    void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags flags) override;
    QRegion visualRegionForSelection(const QItemSelection& selection) const override;
    void updateGeometries() override;
    void scrollContentsBy(int dx, int dy) override;
    void rowsInserted(const QModelIndex& parent, int start, int end) override;
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    int RowCount() const;
    int VisibleRows() const;
    int FirstRow() const;
    void FitRowHeight();

    QHeaderView* header_;
    int rowHeight_ = 1;
    int shownRows_ = 16;
    bool inGeometries_ = false;
    QString emptyText_;
};

} // namespace netrova
