#include "app/StatusPictures.h"

#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace netrova {

namespace {

constexpr int kPictureSize = 40;

// A globe: the Internet, in the given colour.
void DrawGlobe(QPainter& p, const QRectF& r, const QColor& color) {
    QRadialGradient fill(r.center() - QPointF(r.width() / 5, r.height() / 5), r.width() * 0.7);
    fill.setColorAt(0, color.lighter(160));
    fill.setColorAt(1, color);
    p.setPen(QPen(color.darker(160), 1.5));
    p.setBrush(fill);
    p.drawEllipse(r);

    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, 170), 1.2));
    const QPointF c = r.center();
    p.drawEllipse(QRectF(c.x() - r.width() / 5, r.top(), r.width() * 2 / 5, r.height()));
    p.drawLine(QPointF(c.x(), r.top()), QPointF(c.x(), r.bottom()));
    p.drawLine(QPointF(r.left(), c.y()), QPointF(r.right(), c.y()));
    const qreal dy = r.height() / 4.5;
    p.drawLine(QPointF(r.left() + r.width() / 12, c.y() - dy),
               QPointF(r.right() - r.width() / 12, c.y() - dy));
    p.drawLine(QPointF(r.left() + r.width() / 12, c.y() + dy),
               QPointF(r.right() - r.width() / 12, c.y() + dy));
}

QPixmap NewPicture() {
    QPixmap pixmap(kPictureSize, kPictureSize);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

const QRectF kGlobeRect(2, 2, 30, 30);
const QRectF kBadgeRect(23, 23, 15, 15);

} // namespace

QPixmap ConnectedPicture() {
    QPixmap pixmap = NewPicture();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    DrawGlobe(p, kGlobeRect, QColor(0, 140, 60));
    // A tick on a white badge.
    p.setPen(QPen(QColor(0, 110, 40), 1.2));
    p.setBrush(Qt::white);
    p.drawEllipse(kBadgeRect);
    QPainterPath tick;
    tick.moveTo(kBadgeRect.left() + 3.5, kBadgeRect.center().y() + 0.5);
    tick.lineTo(kBadgeRect.center().x() - 1, kBadgeRect.bottom() - 4);
    tick.lineTo(kBadgeRect.right() - 3.5, kBadgeRect.top() + 4);
    p.setPen(QPen(QColor(0, 140, 60), 2.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(tick);
    return pixmap;
}

QPixmap NotConnectedPicture() {
    QPixmap pixmap = NewPicture();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    DrawGlobe(p, kGlobeRect, QColor(130, 130, 140));
    // A cross on a white badge.
    p.setPen(QPen(QColor(160, 0, 0), 1.2));
    p.setBrush(Qt::white);
    p.drawEllipse(kBadgeRect);
    p.setPen(QPen(QColor(200, 0, 0), 2.4, Qt::SolidLine, Qt::RoundCap));
    const QRectF x = kBadgeRect.adjusted(4.5, 4.5, -4.5, -4.5);
    p.drawLine(x.topLeft(), x.bottomRight());
    p.drawLine(x.topRight(), x.bottomLeft());
    return pixmap;
}

QIcon ProgramIcon() {
    QIcon icon;
    for (int size : {16, 32, 48}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        DrawGlobe(p, QRectF(1, 1, size - 2, size - 2), QColor(30, 80, 170));
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace netrova
