#pragma once

#include <QAbstractItemView>
#include <QLayout>
#include <QSize>
#include <QStyledItemDelegate>

class QHelpEvent;

namespace netrova {

// A list view whose preferred size its dialog works out from the names it shows and the font;
// the layout and the screen may still make it smaller or larger.
template <class View> class SizedList : public View {
public:
    using View::View;
    void SetPreferredSize(const QSize& size) {
        preferred_ = size;
        // Before the first showing, updateGeometry() reaches no layout: the widgets and
        // layouts around would keep the sizes they had.
        for (QWidget* w = this; w; w = w->parentWidget()) {
            w->updateGeometry();
            if (w->layout())
                w->layout()->invalidate();
            if (w->isWindow())
                break;
        }
    }
    QSize sizeHint() const override { return preferred_.isValid() ? preferred_ : View::sizeHint(); }

private:
    QSize preferred_;
};

// Draws a name within the visible width of its view, cut with "…" when it is longer, and shows
// such a name whole as the row's tooltip; elsewhere the view's own tooltip stays.
class ElidingDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

    // Whether the cell's text is cut where the view shows it now.
    bool Elided(const QAbstractItemView& view, const QModelIndex& index) const;
};

// Gives the view an ElidingDelegate and no horizontal scrolling: a long name is cut instead.
void ElideNames(QAbstractItemView& view);

// The width of a column's widest cell, or of its header's caption when that is wider.
int ColumnWidth(const QAbstractItemView& view, int column);

// What a view needs beside its columns: its frame and the room of a vertical scroll bar that
// it may show.
int Chrome(const QAbstractItemView& view);

// A column of names at its narrowest: names up to about twenty characters whole, never fewer
// than ten; a longer name is then cut. `names` is the width of the widest.
int LeastNameWidth(const QWidget& view, int names);

// The height of `rows` rows of the view at its font, with its frame and header, if any.
int RowsHeight(const QAbstractItemView& view, int rows);

} // namespace netrova
