// The pictures drawn for the program, loaded through the resources of the libraries the program
// links: two resource files of one name link as one and lose the other's pictures.
#include "app/LogoWindow.h"
#include "app/StatusPictures.h"
#include "platform/Contrast.h"
#include "platform/ListViews.h"

#include <QColor>
#include <QDirIterator>
#include <QFileInfo>
#include <QIcon>
#include <QPainter>
#include <QSvgRenderer>
#include <QtTest>

using namespace netrova;

namespace {

// The share of a picture's drawn pixels, laid on `background`, that stand out from it at
// 3:1: an outline or a glyph of that contrast makes a picture readable.
double ReadableShare(const QIcon& icon, QColor background) {
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(background);
    {
        QPainter p(&image);
        icon.paint(&p, image.rect());
    }
    int drawn = 0, readable = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (const QColor c = image.pixelColor(x, y); c != background) {
                ++drawn;
                readable += Contrast(c, background) >= 3.0;
            }
    return drawn ? double(readable) / drawn : 0.0;
}

} // namespace

class PicturesTest : public QObject {
    Q_OBJECT

private slots:
    void everyPictureOfTheTreeRenders_data() {
        QTest::addColumn<QString>("name");
        for (const QString& path : QStringLiteral(NETROVA_PICTURES).split(','))
            QTest::newRow(qPrintable(path)) << QFileInfo(path).fileName();
    }
    void everyPictureOfTheTreeRenders() {
        QFETCH(QString, name);
        // Each library registers its resources on the first use of its pictures.
        ProgramIcon().pixmap(16);
        ViewMarkerPicture();
        LogoPicture();

        QStringList found;
        for (QDirIterator it(QStringLiteral(":/"), QDirIterator::Subdirectories); it.hasNext();)
            if (QFileInfo(it.next()).fileName() == name)
                found << it.filePath();
        QCOMPARE(found.size(), 1);
        QVERIFY(QSvgRenderer(found.first()).isValid());
        QVERIFY(!QIcon(found.first()).pixmap(32).isNull());
        // Buttons and tool bars on the light and the dark palette of the desktop.
        for (const QColor background : {QColor(0xef, 0xef, 0xef), QColor(0x35, 0x35, 0x35)}) {
            const double share = ReadableShare(QIcon(found.first()), background);
            QVERIFY2(share >= 0.2, qPrintable(QStringLiteral("%1 on %2: %3 of it at 3:1")
                                                  .arg(name, background.name())
                                                  .arg(share, 0, 'f', 2)));
        }
    }

    // A tray slot is seldom square: the picture keeps its shape in the middle of it.
    void trayPictureKeepsItsShape() {
        for (const bool marked : {false, true}) {
            const QImage slot = TrayPicture(true, marked).pixmap(QSize(24, 28)).toImage();
            QCOMPARE(slot.size(), QSize(24, 28));
            QCOMPARE(slot.pixelColor(12, 1).alpha(), 0); // above the circle
            QVERIFY(slot.pixelColor(12, 3).alpha() > 0); // its top
            QVERIFY(slot.pixelColor(1, 14).alpha() > 0); // its left, at full width
        }
        // The mark is drawn over the lower right, and only there.
        const QImage plain = TrayPicture(false, false).pixmap(32).toImage();
        const QImage marked = TrayPicture(false, true).pixmap(32).toImage();
        QCOMPARE(marked.pixel(6, 6), plain.pixel(6, 6));
        QVERIFY(marked.pixel(24, 24) != plain.pixel(24, 24));
    }
};

QTEST_MAIN(PicturesTest)
#include "test_pictures.moc"
