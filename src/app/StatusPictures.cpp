#include "app/StatusPictures.h"

#include <QFile>
#include <QGuiApplication>
#include <QIconEngine>
#include <QPainter>
#include <QSvgRenderer>

// Resources of a static library are registered by hand, outside any namespace.
static void InitPictures() {
    Q_INIT_RESOURCE(app_pictures);
}

namespace netrova {

namespace {

constexpr int kStatusPictureSize = 40;

QString PicturePath(const char* name) {
    static const bool registered = (InitPictures(), true);
    (void)registered;
    return QStringLiteral(":/pictures/") + QLatin1String(name) + QStringLiteral(".svg");
}

// Renders the SVG afresh for every size and state, so that tool-bar, menu and tray pictures
// stay sharp at any scale; disabled pictures are greyed as usual. A picture keeps its aspect
// in a slot of another shape (a tray's slot is seldom square); a mark, when given, covers the
// lower right of the picture.
class SvgIconEngine : public QIconEngine {
public:
    SvgIconEngine(QString path, QString mark = {}, QString themeName = {})
        : path_(std::move(path)), mark_(std::move(mark)), themeName_(std::move(themeName)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        QSvgRenderer renderer(path_);
        QSizeF size = renderer.defaultSize();
        size.scale(rect.size(), Qt::KeepAspectRatio);
        QRectF place(QPointF(), size);
        place.moveCenter(QRectF(rect).center());
        painter->save();
        if (mode == QIcon::Disabled)
            painter->setOpacity(0.4);
        renderer.render(painter, place);
        if (!mark_.isEmpty()) {
            QSvgRenderer mark(mark_);
            const QSizeF markSize = place.size() * 0.6;
            mark.render(painter,
                        QRectF(place.bottomRight() - QPointF(markSize.width(), markSize.height()),
                               markSize));
        }
        painter->restore();
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return scaledPixmap(size, mode, state, 1.0);
    }
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                         qreal scale) override {
        QPixmap pm(size * scale);
        pm.fill(Qt::transparent);
        {
            QPainter p(&pm);
            paint(&p, QRect(QPoint(), pm.size()), mode, state);
        }
        pm.setDevicePixelRatio(scale);
        return pm;
    }
    QIconEngine* clone() const override { return new SvgIconEngine(path_, mark_, themeName_); }
    QString key() const override { return QStringLiteral("netrova-svg"); }
    bool isNull() override { return !QFile::exists(path_); }
    // A desktop's status-notifier host shows an installed picture by its theme name.
    QString iconName() override { return themeName_; }

private:
    QString path_;
    QString mark_;
    QString themeName_;
};

} // namespace

QPixmap Picture(const char* name, int size) {
    const qreal scale = qApp ? qApp->devicePixelRatio() : 1.0;
    return PictureIcon(name).pixmap(QSize(size, size), scale);
}

QIcon PictureIcon(const char* name) {
    return QIcon(new SvgIconEngine(PicturePath(name)));
}

QPixmap ConnectedPicture() {
    return Picture("connected", kStatusPictureSize);
}

QPixmap NotConnectedPicture() {
    return Picture("notconnected", kStatusPictureSize);
}

QIcon ProgramIcon() {
    return PictureIcon("netrova");
}

QIcon ImageListPicture(int index) {
    static const char* const names[] = {"tray0", "tray1", "holiday"};
    return PictureIcon(names[index == 1 || index == 2 ? index : 0]);
}

QIcon TrayPicture(bool connected, bool pastWarning) {
    const char* name = connected ? "tray1" : "tray0";
    if (pastWarning)
        return QIcon(new SvgIconEngine(PicturePath(name), PicturePath("limitmark")));
    // Installed in the icon theme by these names; run from the build tree it is not, and the
    // host gets the picture itself.
    const QString themeName = connected ? QStringLiteral("org.netrova.Netrova-connected")
                                        : QStringLiteral("org.netrova.Netrova-disconnected");
    return QIcon(new SvgIconEngine(PicturePath(name), {},
                                   QIcon::hasThemeIcon(themeName) ? themeName : QString()));
}

} // namespace netrova
