#include "app/StatusPictures.h"

#include <QIconEngine>
#include <QPainter>
#include <QStyle>
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

// The tray's picture. Qt's own SVG icon engine gives a picture of the picture's shape, while a
// tray asks for one of its slot's, which is seldom square: this one keeps the picture's aspect
// in the middle of the slot and leaves the rest empty. It also draws the limit mark over the
// lower right, and gives a status-notifier host the installed picture's theme name.
class TrayIconEngine : public QIconEngine {
public:
    TrayIconEngine(QIcon picture, QString markPath, QString themeName)
        : picture_(std::move(picture)), markPath_(std::move(markPath)),
          themeName_(std::move(themeName)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
               QIcon::State state) override {
        const QRect place = QStyle::alignedRect(
            Qt::LeftToRight, Qt::AlignCenter, picture_.actualSize(rect.size(), mode, state), rect);
        picture_.paint(painter, place, Qt::AlignCenter, mode, state);
        if (markPath_.isEmpty())
            return;
        // 0.6 of the picture ends between pixels, where an icon, drawn at whole ones, cannot.
        const QSizeF mark = QSizeF(place.size()) * 0.6;
        QSvgRenderer(markPath_).render(
            painter,
            QRectF(QRectF(place).bottomRight() - QPointF(mark.width(), mark.height()), mark));
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return scaledPixmap(size, mode, state, 1.0);
    }
    // `size` is in device pixels.
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                         qreal scale) override {
        QPixmap pm(size);
        pm.setDevicePixelRatio(scale);
        pm.fill(Qt::transparent);
        QPainter painter(&pm);
        paint(&painter, QRect(QPoint(), pm.deviceIndependentSize().toSize()), mode, state);
        return pm;
    }
    QIconEngine* clone() const override {
        return new TrayIconEngine(picture_, markPath_, themeName_);
    }
    QString key() const override { return QStringLiteral("netrova-tray"); }
    QString iconName() override { return themeName_; }

private:
    QIcon picture_;
    QString markPath_;
    QString themeName_;
};

} // namespace

QPixmap Picture(const char* name, int size) {
    return PictureIcon(name).pixmap(size); // at the application's device pixel ratio
}

QIcon PictureIcon(const char* name) {
    return QIcon(PicturePath(name));
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
        return QIcon(new TrayIconEngine(PictureIcon(name), PicturePath("limitmark"), {}));
    // Installed in the icon theme by these names; run from the build tree it is not, and the
    // host gets the picture itself.
    const QString themeName = connected ? QStringLiteral("org.netrova.Netrova-connected")
                                        : QStringLiteral("org.netrova.Netrova-disconnected");
    return QIcon(new TrayIconEngine(PictureIcon(name), {},
                                    QIcon::hasThemeIcon(themeName) ? themeName : QString()));
}

} // namespace netrova
