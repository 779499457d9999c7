// The start-up logo and the About box.
#include "../support/TempStore.h"

#include "platform/HelpViewer.h"
#include "store/Defaults.h"
#include "windows/AboutBox.h"
#include "windows/LogoWindow.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

using namespace netrova;
using namespace netrova::test;

class WindowsTest : public QObject {
    Q_OBJECT

private slots:
    void logoPictureIsDrawn() {
        const QImage picture = LogoPicture().toImage();
        QCOMPARE(picture.size(), QSize(282, 251));
        // Drawn, not an empty fill: the clock's face is light, the corner dark.
        QVERIFY(qGray(picture.pixel(70, 80)) > 200);
        QVERIFY(qGray(picture.pixel(1, 1)) < 80);
    }

    void logoAtStart_data() {
        QTest::addColumn<int>("logo"); // -1: the user has no settings yet
        QTest::addColumn<bool>("shown");
        QTest::newRow("new user") << -1 << true;
        QTest::newRow("Logo 1") << 1 << true;
        QTest::newRow("Logo 0") << 0 << false;
    }
    void logoAtStart() {
        QFETCH(int, logo);
        QFETCH(bool, shown);
        TempStore ts;
        if (logo >= 0)
            ts.SetInt(Root::CurrentUser, kProductKey, "Logo", logo);
        QElapsedTimer timer;
        timer.start();
        // Modal, and closes itself on its timer.
        QCOMPARE(TForm8::ShowAtStart(ts), shown);
        if (shown)
            QVERIFY2(timer.elapsed() >= 900, qPrintable(QString::number(timer.elapsed())));
        QVERIFY(!ts.HasKey(Root::CurrentUser, kProductKey) || logo >= 0);
    }

    void aboutBox() {
        RecordingHelpViewer help;
        TAboutBox about(help);
        QCOMPARE(about.windowTitle(), QString("About"));
        QCOMPARE(about.findChild<QLabel*>("ProgramIcon")->pixmap().toImage(),
                 LogoPicture().toImage());
        about.show();
        QTest::mouseClick(about.findChild<QPushButton*>("HelpBtn"), Qt::LeftButton);
        QCOMPARE(help.requests, std::vector<int>{5});
        QVERIFY(about.isVisible());
        QTest::mouseClick(about.findChild<QPushButton*>("OKButton"), Qt::LeftButton);
        QVERIFY(!about.isVisible());
        QCOMPARE(about.result(), int(QDialog::Accepted));
    }
};

QTEST_MAIN(WindowsTest)
#include "test_windows.moc"
