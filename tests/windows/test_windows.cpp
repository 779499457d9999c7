// The start-up logo and the About box.
#include "../history/HistoryTestSupport.h"
#include "../monitor/MonitorRig.h"
#include "../support/TempStore.h"
#include "../tariffs/TariffTestSupport.h"

#include "app/AboutBox.h"
#include "app/LogoWindow.h"
#include "history/HistoryFile.h"
#include "history/OpenReportDialog.h"
#include "history/StatisticsWindow.h"
#include "options/BeepDialog.h"
#include "options/CounterDialog.h"
#include "options/LimitsDialog.h"
#include "options/Preferences.h"
#include "options/PreferencesDialog.h"
#include "platform/Autostart.h"
#include "platform/FileChooser.h"
#include "platform/HelpViewer.h"
#include "platform/TextViewer.h"
#include "store/Defaults.h"
#include "support/ClippedTexts.h"
#include "support/DesktopDoubles.h"
#include "tariffs/ProviderTariffsDialog.h"
#include "tariffs/TariffEditorDialog.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <memory>

using namespace netrova;
using namespace netrova::test;

namespace {

class NoTray : public TrayControl {
public:
    bool TrayAvailable() override { return true; }
    void AddTrayIcon() override {}
    void RemoveTrayIcon() override {}
    void SetTrayMode(int) override {}
};

// The dialogs over one user's settings with a history and reports that need room: hours of
// four digits, money of five, a long provider name.
struct FitRig {
    FitRig() : autostart(autostartDir.path().toStdString()) {
        rig.Start();
        SeedProfile(rig.store, "Night and weekend", 1, 9, 120, 45, 1);
        SeedProviders(rig.store, {"Long Distance Internet Provider"});
        WriteHistory(path, {Connection("alice", 1234567, 3600 * 1234 + 59 * 61)});
        QDir().mkpath(QString::fromStdString(ReportsPath(path)));
        QFile report(QString::fromStdString(ReportsPath(path)) + "/Report 2026-07-05 12-00-00.rpt");
        report.open(QIODevice::WriteOnly);
    }
    MonitorRig rig;
    const std::string path = rig.ProgramPath(); // the windows keep a reference
    QTemporaryDir autostartDir;
    XdgAutostart autostart;
    ScriptedFileChooser chooser;
    NoTray tray;
    RecordingTextViewer viewer;
    TSortState sort = UsersSort();
    int allTime = 0;
    int allMoney = 0;
};

using Open = std::function<std::unique_ptr<QDialog>(FitRig&)>;

// A dialog loaded from the store as its showing loads it.
template <class Dialog, class... Args> std::unique_ptr<QDialog> Activated(Args&&... args) {
    auto dialog = std::make_unique<Dialog>(std::forward<Args>(args)...);
    dialog->FormActivate();
    return dialog;
}

} // namespace

Q_DECLARE_METATYPE(Open)

class WindowsTest : public QObject {
    Q_OBJECT

private slots:
    void textsFitAtALargeFont_data() {
        QTest::addColumn<Open>("open");
        QTest::newRow("Preferences") << Open([](FitRig& f) {
            return Activated<TForm2>(f.rig.store, f.rig.boxes, f.rig.help, f.chooser, f.autostart,
                                     f.tray, "/usr/bin/netrova");
        });
        QTest::newRow("Beep") << Open([](FitRig& f) {
            return Activated<TForm4>(f.rig.store, f.rig.boxes, f.rig.help, f.rig.mon());
        });
        QTest::newRow("Counter") << Open([](FitRig& f) {
            return Activated<TForm6>(f.rig.mon(), f.rig.store, f.rig.clock, f.rig.boxes,
                                     f.rig.help);
        });
        QTest::newRow("Limits") << Open([](FitRig& f) {
            return Activated<LimitsDialog>(f.rig.store, f.rig.boxes, f.rig.help, false);
        });
        QTest::newRow("Tariffs") << Open(
            [](FitRig& f) { return Activated<TForm5>(f.rig.store, f.rig.boxes, f.rig.help); });
        QTest::newRow("Providers") << Open(
            [](FitRig& f) { return Activated<TForm3>(f.rig.store, f.rig.boxes, f.rig.help); });
        QTest::newRow("Statistics") << Open([](FitRig& f) -> std::unique_ptr<QDialog> {
            auto d = std::make_unique<TForm9>(
                f.rig.store, f.rig.help, f.rig.clock,
                [&f] {
                    return CounterFigures{f.path, f.allTime, f.allMoney, std::nullopt};
                },
                CounterPeriodFn{}, f.sort);
            d->show();
            if (!QTest::qWaitFor([&] { return d->Model().rowCount() == 1; }))
                return nullptr;
            return d;
        });
        QTest::newRow("Open report") << Open(
            [](FitRig& f) { return std::make_unique<TForm10>(f.viewer, [&f] { return f.path; }); });
        QTest::newRow("About") << Open(
            [](FitRig& f) { return std::make_unique<TAboutBox>(f.rig.help); });
    }
    void textsFitAtALargeFont() {
        QFETCH(Open, open);
        const QFont font = QApplication::font();
        QFont large = font;
        large.setPointSize(14);
        QApplication::setFont(large);
        const auto restore = qScopeGuard([&] { QApplication::setFont(font); });

        FitRig rig;
        const std::unique_ptr<QDialog> dialog = open(rig);
        QVERIFY(dialog);
        dialog->show();
        // Every page of a dialog with tabs.
        QTabWidget* tabs = dialog->findChild<QTabWidget*>();
        for (int page = 0; page < (tabs ? tabs->count() : 1); ++page) {
            if (tabs)
                tabs->setCurrentIndex(page);
            QCoreApplication::processEvents();
            const QStringList clipped = ClippedTexts(*dialog);
            QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join("; ")));
        }
        dialog->reject();
    }

    void logoPictureIsDrawn_data() {
        QTest::addColumn<qreal>("ratio");
        QTest::newRow("scale 1") << 1.0;
        QTest::newRow("scale 2") << 2.0;
    }
    void logoPictureIsDrawn() {
        QFETCH(qreal, ratio);
        const QPixmap pixmap = LogoPicture(ratio);
        QCOMPARE(pixmap.deviceIndependentSize(), QSizeF(282, 251));
        const QImage picture = pixmap.toImage();
        QCOMPARE(picture.size(), QSize(282, 251) * ratio);
        // Drawn over the whole picture, not an empty fill: the clock's face is light, the
        // corners dark.
        QVERIFY(qGray(picture.pixel(QPoint(70, 80) * ratio)) > 200);
        QVERIFY(qGray(picture.pixel(1, 1)) < 80);
        QVERIFY(qGray(picture.pixel(picture.width() - 2, picture.height() - 2)) < 80);
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
