#include "tariffs/NameLists.h"

#include <QHeaderView>
#include <QHelpEvent>
#include <QStyle>
#include <QToolTip>
#include <QTreeView>

#include <algorithm>

namespace netrova {

namespace {

// A column of names at its narrowest, in average characters of its font.
constexpr int kFewestChars = 10;
constexpr int kWholeChars = 20;

// The part of a cell that its view shows: a list view may lay a row out wider than itself.
QRect ShownRect(const QAbstractItemView& view, QRect cell) {
    cell.setRight(std::min(cell.right(), view.viewport()->rect().right()));
    return cell;
}

// How the view draws its cells, as far as their size goes.
QStyleOptionViewItem CellOption(const QAbstractItemView& view) {
    QStyleOptionViewItem option;
    option.initFrom(view.viewport());
    option.font = view.font();
    option.fontMetrics = view.fontMetrics();
    option.features = QStyleOptionViewItem::HasDisplay;
    return option;
}

// What a cell needs to show its text whole. Asked of the delegate, not of the view, whose own
// answer depends on what it has laid out and shown so far.
QSize CellSize(const QAbstractItemView& view, const QModelIndex& index) {
    return view.itemDelegateForIndex(index)->sizeHint(CellOption(view), index);
}

const QHeaderView* Header(const QAbstractItemView& view) {
    const auto* tree = qobject_cast<const QTreeView*>(&view);
    return tree && !tree->isHeaderHidden() ? tree->header() : nullptr;
}

} // namespace

void ElidingDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
    QStyleOptionViewItem shown(option);
    if (const auto* view = qobject_cast<const QAbstractItemView*>(option.widget))
        shown.rect = ShownRect(*view, option.rect);
    shown.textElideMode = Qt::ElideRight;
    QStyledItemDelegate::paint(painter, shown, index);
}

bool ElidingDelegate::Elided(const QAbstractItemView& view, const QModelIndex& index) const {
    if (!index.isValid())
        return false;
    const int room = ShownRect(view, view.visualRect(index)).width();
    return room > 0 && sizeHint(CellOption(view), index).width() > room;
}

bool ElidingDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view,
                                const QStyleOptionViewItem& option, const QModelIndex& index) {
    if (event->type() == QEvent::ToolTip && view && Elided(*view, index)) {
        QToolTip::showText(event->globalPos(), index.data().toString(), view->viewport(),
                           ShownRect(*view, option.rect));
        return true;
    }
    // Declined, the event reaches the view, which shows its own tooltip.
    return QStyledItemDelegate::helpEvent(event, view, option, index);
}

void ElideNames(QAbstractItemView& view) {
    view.setItemDelegate(new ElidingDelegate(&view));
    view.setTextElideMode(Qt::ElideRight);
    view.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

int ColumnWidth(const QAbstractItemView& view, int column) {
    const QAbstractItemModel* model = view.model();
    int width = 0;
    for (int row = 0; row < model->rowCount(); ++row)
        width = std::max(width, CellSize(view, model->index(row, column)).width());
    if (const QHeaderView* header = Header(view))
        width = std::max(width, header->sectionSizeHint(column));
    return width;
}

int Chrome(const QAbstractItemView& view) {
    const bool bar = view.verticalScrollBarPolicy() != Qt::ScrollBarAlwaysOff;
    return 2 * view.frameWidth() +
           (bar ? view.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &view) : 0);
}

int LeastNameWidth(const QWidget& view, int names) {
    const int character = view.fontMetrics().averageCharWidth();
    return std::clamp(names, kFewestChars * character, kWholeChars * character);
}

int RowsHeight(const QAbstractItemView& view, int rows) {
    const int margin = view.style()->pixelMetric(QStyle::PM_FocusFrameVMargin, nullptr, &view);
    const QModelIndex first = view.model()->index(0, 0);
    const int row = std::max(first.isValid() ? CellSize(view, first).height() : 0,
                             view.fontMetrics().height() + 2 * margin);
    const QHeaderView* header = Header(view);
    return rows * row + 2 * view.frameWidth() + (header ? header->sizeHint().height() : 0);
}

} // namespace netrova
