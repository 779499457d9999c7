#include "app/LogoWindow.h"

#include "options/Preferences.h"
#include "platform/DialogSupport.h"

#include <QLabel>
#include <QPainter>
#include <QSvgRenderer>
#include <QTimer>

// Resources of a static library have to be registered by hand, outside any namespace.
static void InitLogoResources() {
    Q_INIT_RESOURCE(logo);
}

namespace netrova {

namespace {

constexpr int kPictureWidth = 282;
constexpr int kPictureHeight = 251;
constexpr int kLogoMilliseconds = 1000;

} // namespace

QPixmap LogoPicture(qreal ratio) {
    InitLogoResources();
    // Drawn at the screen's own pixels, so that a scaled desktop shows it sharp. Rendered here,
    // not by the SVG icon engine: at a fractional ratio the picture ends inside a pixel, and the
    // engine, whose pictures are whole pixels, would round it off and so scale it.
    QPixmap picture(QSize(kPictureWidth, kPictureHeight) * ratio);
    picture.setDevicePixelRatio(ratio);
    picture.fill(Qt::black);
    QSvgRenderer renderer(QStringLiteral(":/pictures/logo.svg"));
    QPainter painter(&picture);
    renderer.render(&painter, QRectF(0, 0, kPictureWidth, kPictureHeight));
    return picture;
}

TForm8::TForm8(QWidget* parent)
    : QDialog(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("LogoWindow"));
    // The start-up logo never keeps the program alive on its own.
    setAttribute(Qt::WA_QuitOnClose, false);
    LogoImage = new QLabel(this);
    LogoImage->setObjectName(QStringLiteral("LogoImage"));
    // The picture is 4 pixels wider than the window; its right edge is cut off.
    LogoImage->setPixmap(LogoPicture(devicePixelRatio()));
    LogoImage->setGeometry(0, 0, kPictureWidth, kPictureHeight);
    setFixedSize(kClientWidth, kClientHeight);
    FitOnScreen(*this);

    CloseTimer = new QTimer(this);
    CloseTimer->setObjectName(QStringLiteral("CloseTimer"));
    CloseTimer->setInterval(kLogoMilliseconds);
    connect(CloseTimer, &QTimer::timeout, this, &TForm8::CloseTimerTimer);
    CloseTimer->start();
}

TForm8::~TForm8() = default;

void TForm8::CloseTimerTimer() {
    if (isVisible())
        accept();
}

bool TForm8::ShowAtStart(SettingsStore& store, QWidget* parent) {
    if (!LogoAtStart(store))
        return false;
    TForm8 logo(parent);
    logo.exec();
    return true;
}

} // namespace netrova
