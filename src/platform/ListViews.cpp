#include "platform/ListViews.h"

#include <QEvent>
#include <QHeaderView>
#include <QIcon>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTableView>

#include <algorithm>

// Resources of a static library have to be registered by hand, outside any namespace.
static void InitPictureResources() {
    Q_INIT_RESOURCE(list_pictures);
}

namespace netrova {

namespace {

QPixmap Render(const char* resource, int size) {
    static const bool registered = (InitPictureResources(), true);
    (void)registered;
    return QIcon(QString::fromLatin1(resource)).pixmap(QSize(size, size));
}

} // namespace

QPixmap ViewMarkerPicture(int size) {
    return Render(":/lists/marker.svg", size);
}
QPixmap ArrowDownPicture(int size) {
    return Render(":/lists/arrow-down.svg", size);
}
QPixmap ArrowUpPicture(int size) {
    return Render(":/lists/arrow-up.svg", size);
}

void SetUpHistoryList(QTableView& list, const int* widths, int columns, int minimumHeight) {
    list.setShowGrid(true);
    list.setWordWrap(false);
    list.setEditTriggers(QAbstractItemView::NoEditTriggers);
    list.setSelectionBehavior(QAbstractItemView::SelectRows);
    list.setSelectionMode(QAbstractItemView::SingleSelection);
    QHeaderView* rows = list.verticalHeader();
    rows->hide();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(list.fontMetrics().height() + 4);
    list.horizontalHeader()->setSectionsClickable(true);
    list.horizontalHeader()->setHighlightSections(false);
    int width = 0;
    for (int c = 0; c < columns; ++c) {
        list.setColumnWidth(c, widths[c]);
        width += widths[c];
    }
    // Room for the columns and a vertical scroll bar.
    list.setMinimumSize(width + 2 * list.frameWidth() + 20, minimumHeight);
}

UniformRowsView::UniformRowsView(QWidget* parent)
    : QAbstractItemView(parent), header_(new QHeaderView(Qt::Horizontal, this)) {
    header_->setSectionsClickable(true);
    header_->setHighlightSections(false);
    header_->setFocusPolicy(Qt::NoFocus);
    connect(header_, &QHeaderView::sectionResized, this, [this] {
        updateGeometries();
        viewport()->update();
    });
    setTabKeyNavigation(false);
    setHorizontalScrollMode(ScrollPerPixel);
    setVerticalScrollMode(ScrollPerItem);
    FitRowHeight();
}

int UniformRowsView::columnWidth(int column) const {
    return header_->sectionSize(column);
}

void UniformRowsView::setColumnWidth(int column, int width) {
    header_->resizeSection(column, width);
}

void UniformRowsView::SetEmptyText(const QString& text) {
    emptyText_ = text;
    viewport()->update();
}

void UniformRowsView::setModel(QAbstractItemModel* model) {
    QAbstractItemView::setModel(model);
    header_->setModel(model);
    updateGeometries();
}

int UniformRowsView::RowCount() const {
    return model() ? model()->rowCount(rootIndex()) : 0;
}

int UniformRowsView::VisibleRows() const {
    return std::max(1, viewport()->height() / rowHeight_);
}

int UniformRowsView::FirstRow() const {
    return verticalScrollBar()->value();
}

void UniformRowsView::FitRowHeight() {
    // The text, its margins and the grid line.
    rowHeight_ = fontMetrics().height() + 4;
    updateGeometries();
}

void UniformRowsView::changeEvent(QEvent* event) {
    QAbstractItemView::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        FitRowHeight();
}

QRect UniformRowsView::visualRect(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != model())
        return {};
    // Rows far from the shown ones get a place outside the viewport without overflowing.
    const int row = std::clamp(index.row() - FirstRow(), -1, VisibleRows() + 1);
    // The cell's room leaves out the grid lines on its right and at its bottom.
    return {header_->sectionViewportPosition(index.column()), row * rowHeight_,
            header_->sectionSize(index.column()) - 1, rowHeight_ - 1};
}

void UniformRowsView::scrollTo(const QModelIndex& index, ScrollHint hint) {
    if (!index.isValid())
        return;
    const int row = index.row();
    const int visible = VisibleRows();
    int first = FirstRow();
    switch (hint) {
    case EnsureVisible:
        if (row < first)
            first = row;
        else if (row >= first + visible)
            first = row - visible + 1;
        break;
    case PositionAtTop:
        first = row;
        break;
    case PositionAtBottom:
        first = row - visible + 1;
        break;
    case PositionAtCenter:
        first = row - visible / 2;
        break;
    }
    verticalScrollBar()->setValue(first);
    // The whole cell when it fits, else its start.
    const int left = header_->sectionPosition(index.column());
    const int right = left + header_->sectionSize(index.column());
    QScrollBar& across = *horizontalScrollBar();
    if (right > across.value() + viewport()->width())
        across.setValue(right - viewport()->width());
    if (left < across.value())
        across.setValue(left);
}

QModelIndex UniformRowsView::indexAt(const QPoint& point) const {
    if (point.y() < 0 || !model())
        return {};
    const int row = FirstRow() + point.y() / rowHeight_;
    const int column = header_->logicalIndexAt(point.x());
    if (row >= RowCount() || column < 0)
        return {};
    return model()->index(row, column, rootIndex());
}

QModelIndex UniformRowsView::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
    const int rows = RowCount();
    if (rows == 0 || !model())
        return {};
    const QModelIndex current = currentIndex();
    if (!current.isValid())
        return model()->index(0, header_->logicalIndex(0), rootIndex());
    int row = current.row();
    int visual = header_->visualIndex(current.column());
    const int page = std::max(1, VisibleRows() - 1);
    switch (action) {
    case MoveUp:
        --row;
        break;
    case MoveDown:
        ++row;
        break;
    case MovePageUp:
        row -= page;
        break;
    case MovePageDown:
        row += page;
        break;
    case MoveLeft:
    case MovePrevious:
        --visual;
        break;
    case MoveRight:
    case MoveNext:
        ++visual;
        break;
    case MoveHome:
        if (modifiers & Qt::ControlModifier)
            row = 0;
        else
            visual = 0;
        break;
    case MoveEnd:
        if (modifiers & Qt::ControlModifier)
            row = rows - 1;
        else
            visual = header_->count() - 1;
        break;
    }
    row = std::clamp(row, 0, rows - 1);
    visual = std::clamp(visual, 0, header_->count() - 1);
    return model()->index(row, header_->logicalIndex(visual), rootIndex());
}

int UniformRowsView::horizontalOffset() const {
    return horizontalScrollBar()->value();
}

int UniformRowsView::verticalOffset() const {
    return FirstRow() * rowHeight_;
}

void UniformRowsView::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags flags) {
    const int rows = RowCount();
    if (rows == 0 || !selectionModel())
        return;
    const QRect r = rect.normalized();
    const auto rowAt = [&](int y) {
        return std::clamp(FirstRow() + std::max(0, y) / rowHeight_, 0, rows - 1);
    };
    const auto columnAt = [&](int x) {
        const int c = header_->logicalIndexAt(x);
        return c >= 0 ? c : header_->logicalIndex(x < 0 ? 0 : header_->count() - 1);
    };
    const QModelIndex from = model()->index(rowAt(r.top()), columnAt(r.left()), rootIndex());
    const QModelIndex to = model()->index(rowAt(r.bottom()), columnAt(r.right()), rootIndex());
    selectionModel()->select(QItemSelection(from, to), flags);
}

QRegion UniformRowsView::visualRegionForSelection(const QItemSelection& selection) const {
    QRegion region;
    const int first = FirstRow();
    const int last = first + VisibleRows();
    for (const QItemSelectionRange& range : selection) {
        const int top = std::max(range.top(), first);
        const int bottom = std::min(range.bottom(), last);
        if (top <= bottom)
            region += QRect(0, (top - first) * rowHeight_, viewport()->width(),
                            (bottom - top + 1) * rowHeight_);
    }
    return region;
}

void UniformRowsView::updateGeometries() {
    // The margins move the viewport, which calls here again.
    if (inGeometries_)
        return;
    inGeometries_ = true;
    const int headerHeight = header_->isHidden() ? 0 : header_->sizeHint().height();
    setViewportMargins(0, headerHeight, 0, 0);
    const QRect place = viewport()->geometry();
    header_->setGeometry(place.left(), place.top() - headerHeight, place.width(), headerHeight);
    const int visible = VisibleRows();
    QScrollBar& down = *verticalScrollBar();
    down.setRange(0, std::max(0, RowCount() - visible));
    down.setPageStep(visible);
    down.setSingleStep(1);
    QScrollBar& across = *horizontalScrollBar();
    across.setRange(0, std::max(0, header_->length() - place.width()));
    across.setPageStep(place.width());
    across.setSingleStep(std::max(1, rowHeight_));
    header_->setOffset(across.value());
    QAbstractItemView::updateGeometries();
    inGeometries_ = false;
}

void UniformRowsView::scrollContentsBy(int dx, int dy) {
    if (dx != 0)
        header_->setOffset(horizontalScrollBar()->value());
    (void)dy;
    viewport()->update();
}

void UniformRowsView::rowsInserted(const QModelIndex& parent, int start, int end) {
    QAbstractItemView::rowsInserted(parent, start, end);
    updateGeometries();
    viewport()->update();
}

QSize UniformRowsView::sizeHint() const {
    return {2 * frameWidth() + verticalScrollBar()->sizeHint().width() + header_->length(),
            2 * frameWidth() + header_->sizeHint().height() + shownRows_ * rowHeight_};
}

QSize UniformRowsView::minimumSizeHint() const {
    // A few columns and rows; the rest scrolls.
    return {2 * frameWidth() + verticalScrollBar()->sizeHint().width() +
                std::min(header_->length(), 16 * fontMetrics().averageCharWidth()),
            2 * frameWidth() + header_->sizeHint().height() +
                horizontalScrollBar()->sizeHint().height() + 3 * rowHeight_};
}

void UniformRowsView::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    const int rows = RowCount();
    const QRect area = event->rect();
    if (rows == 0) {
        if (!emptyText_.isEmpty()) {
            painter.setPen(palette().color(QPalette::PlaceholderText));
            painter.drawText(viewport()->rect(), Qt::AlignCenter, emptyText_);
        }
        return;
    }
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const QColor grid = QColor::fromRgba(
        static_cast<QRgb>(style()->styleHint(QStyle::SH_Table_GridLineColor, &option, this)));
    const int first = FirstRow();
    const int top = first + std::max(0, area.top()) / rowHeight_;
    const int bottom = std::min(rows - 1, first + area.bottom() / rowHeight_);
    const QModelIndex current = currentIndex();
    const bool focused = hasFocus();
    const QStyle::State state = option.state;
    for (int row = top; row <= bottom; ++row) {
        for (int visual = 0; visual < header_->count(); ++visual) {
            const int column = header_->logicalIndex(visual);
            const QModelIndex index = model()->index(row, column, rootIndex());
            option.rect = visualRect(index);
            if (!option.rect.intersects(area))
                continue;
            option.state = state;
            if (selectionModel() && selectionModel()->isSelected(index))
                option.state |= QStyle::State_Selected;
            if (focused && index == current)
                option.state |= QStyle::State_HasFocus;
            itemDelegateForIndex(index)->paint(&painter, option, index);
        }
    }
    painter.setPen(grid);
    const int height = (bottom - first + 1) * rowHeight_;
    for (int visual = 0; visual < header_->count(); ++visual) {
        const int x = header_->sectionViewportPosition(header_->logicalIndex(visual)) +
                      header_->sectionSize(header_->logicalIndex(visual)) - 1;
        painter.drawLine(x, 0, x, height - 1);
    }
    const int width = std::min(viewport()->width(), header_->length() - horizontalOffset());
    for (int row = top; row <= bottom; ++row) {
        const int y = (row - first + 1) * rowHeight_ - 1;
        painter.drawLine(0, y, width - 1, y);
    }
}

} // namespace netrova
