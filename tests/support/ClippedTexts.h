#pragma once

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStringList>
#include <QStyleOptionViewItem>
#include <QTextDocument>

#include <algorithm>

namespace netrova::test {

// Every text of the window's shown controls whose room is narrower than the text: labels,
// buttons, group titles, list headers and the cells of the first rows. Headers and cells are
// measured as their view sizes them; a cell's room leaves out a table's grid line.
inline QStringList ClippedTexts(QWidget& window) {
    QStringList clipped;
    const auto check = [&](const QWidget& w, const QString& text, int need, int room) {
        if (need > room)
            clipped << QStringLiteral("%1 \"%2\": %3 > %4")
                           .arg(w.objectName(), text)
                           .arg(need)
                           .arg(room);
    };
    for (QWidget* w : window.findChildren<QWidget*>()) {
        if (!w->isVisibleTo(&window))
            continue;
        const QFontMetrics fm = w->fontMetrics();
        if (auto* label = qobject_cast<QLabel*>(w)) {
            if (!label->wordWrap() && !label->text().isEmpty() &&
                !Qt::mightBeRichText(label->text()))
                check(*w, label->text(), fm.horizontalAdvance(label->text()),
                      label->contentsRect().width() - 2 * label->margin());
        } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            if (!button->text().isEmpty() &&
                (qobject_cast<QPushButton*>(w) || qobject_cast<QCheckBox*>(w) ||
                 w->inherits("QRadioButton")))
                check(*w, button->text(), button->sizeHint().width(), button->width());
        } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
            check(*w, group->title(), fm.horizontalAdvance(group->title()) + 8, group->width());
        } else if (auto* view = qobject_cast<QAbstractItemView*>(w)) {
            const QAbstractItemModel* model = view->model();
            const QHeaderView* header = nullptr;
            for (const QHeaderView* h : view->findChildren<QHeaderView*>())
                if (h->orientation() == Qt::Horizontal && h->isVisibleTo(&window))
                    header = h;
            QStyleOptionViewItem option;
            option.initFrom(view->viewport());
            option.font = view->font();
            for (int c = 0; c < model->columnCount(); ++c) {
                if (header && !header->isSectionHidden(c))
                    check(*header, model->headerData(c, Qt::Horizontal).toString(),
                          header->sectionSizeHint(c), header->sectionSize(c));
                for (int r = 0; r < std::min(model->rowCount(), 50); ++r) {
                    const QModelIndex index = model->index(r, c);
                    const int room = view->visualRect(index).width();
                    if (room > 0)
                        check(*view, index.data().toString(),
                              view->itemDelegateForIndex(index)->sizeHint(option, index).width(),
                              room);
                }
            }
        }
    }
    return clipped;
}

} // namespace netrova::test
