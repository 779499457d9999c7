// The pictures drawn for the program, loaded through the resources of the libraries the program
// links: two resource files of one name link as one and lose the other's pictures.
#include "app/LogoWindow.h"
#include "app/StatusPictures.h"
#include "history/HistoryWidgets.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QIcon>
#include <QSvgRenderer>
#include <QtTest>

using namespace netrova;

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
    }
};

QTEST_MAIN(PicturesTest)
#include "test_pictures.moc"
