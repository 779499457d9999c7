#include "history/HistoryWidgets.h"

#include "platform/DialogSupport.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPainter>
#include <QPushButton>
#include <QSvgRenderer>
#include <QTableView>

// Resources of a static library have to be registered by hand, outside any namespace.
static void InitPictureResources() {
    Q_INIT_RESOURCE(history_pictures);
}

namespace netrova {

namespace {

QPixmap Render(const char* resource, int size) {
    static const bool registered = (InitPictureResources(), true);
    (void)registered;
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QSvgRenderer svg(QString::fromLatin1(resource));
    QPainter painter(&pixmap);
    svg.render(&painter);
    return pixmap;
}

} // namespace

QPixmap ViewMarkerPicture(int size) {
    return Render(":/history/marker.svg", size);
}
QPixmap ArrowDownPicture(int size) {
    return Render(":/history/arrow-down.svg", size);
}
QPixmap ArrowUpPicture(int size) {
    return Render(":/history/arrow-up.svg", size);
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

OkHelpButtons MakeOkHelpButtons(QDialog& window) {
    OkHelpButtons b{new QPushButton(QStringLiteral("OK"), &window),
                    new QPushButton(QStringLiteral("&Help"), &window), new QHBoxLayout};
    b.ok->setObjectName(QStringLiteral("BitBtn1"));
    b.ok->setDefault(true);
    b.help->setObjectName(QStringLiteral("BitBtn2"));
    b.help->setAutoDefault(false);
    QObject::connect(b.ok, &QPushButton::clicked, &window, &QDialog::accept);
    HelpKey(window, *b.help);
    b.row->addStretch(1);
    b.row->addWidget(b.ok);
    b.row->addWidget(b.help);
    return b;
}

} // namespace netrova
