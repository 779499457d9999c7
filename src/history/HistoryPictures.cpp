#include "history/HistoryPictures.h"

#include <QPainter>
#include <QSvgRenderer>

// Resources of a static library have to be registered by hand, outside any namespace.
static void InitPictureResources() {
    Q_INIT_RESOURCE(pictures);
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

} // namespace netrova
