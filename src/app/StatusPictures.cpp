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
// stay sharp at any scale; disabled pictures are greyed as usual.
class SvgIconEngine : public QIconEngine {
public:
    explicit SvgIconEngine(QString path) : path_(std::move(path)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        QSvgRenderer renderer(path_);
        if (mode == QIcon::Disabled) {
            painter->save();
            painter->setOpacity(0.4);
            renderer.render(painter, rect);
            painter->restore();
        } else {
            renderer.render(painter, rect);
        }
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
    QIconEngine* clone() const override { return new SvgIconEngine(path_); }
    QString key() const override { return QStringLiteral("netrova-svg"); }
    bool isNull() override { return !QFile::exists(path_); }

private:
    QString path_;
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

} // namespace netrova
