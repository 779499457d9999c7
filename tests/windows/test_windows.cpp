// The dialogs at a large font within the screen's free area, the help window beside them, the
// start-up logo and the About box. The screen is the offscreen platform's, set up by main():
// NETROVA_TEST_SCREEN "WIDTHxHEIGHT" or "WIDTHxHEIGHT@SCALE" (1280x800 when unset); CTest runs
// the fit at 1280x800 and at 1920x1080 with a scale of 2, where the windows get 960x540.
#include "../history/HistoryTestSupport.h"
#include "../monitor/MonitorRig.h"
#include "../support/TempStore.h"
#include "../tariffs/TariffTestSupport.h"

#include "app/AboutBox.h"
#include "app/LogoWindow.h"
#include "history/ConnectionsWindow.h"
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
#include "platform/HelpWindow.h"
#include "platform/QtHelpViewer.h"
#include "platform/TextViewer.h"
#include "store/Defaults.h"
#include "support/ClippedTexts.h"
#include "support/DesktopDoubles.h"
#include "tariffs/ProviderTariffsDialog.h"
#include "tariffs/TariffEditorDialog.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QScreen>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
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

// The application's font at `points` until the guard goes.
auto LargeFont(int points = 14) {
    const QFont font = QApplication::font();
    QFont large = font;
    large.setPointSize(points);
    QApplication::setFont(large);
    return qScopeGuard([font] { QApplication::setFont(font); });
}

// The windows that do not fit this screen on this branch, being fixed by other engineers at
// the same time; their rows go when those fixes are merged. 960x540 is what a 1920x1080 screen
// at a scale of 2 leaves.
const char* FixedInParallel(const QByteArray& row, const QSize& screen) {
    const bool small = screen.height() < 600;
    if (row == "Statistics")
        return "The statistics window is fixed in parallel (squeezed below its layout).";
    if (row == "Connections" && small)
        return "The connections browser is fixed in parallel (squeezed below its layout).";
    if (row == "Providers" && small)
        return "The provider tariffs dialog is fixed in parallel (wider than the screen).";
    return nullptr;
}

QString Text(const QRect& r) {
    return QStringLiteral("%1x%2+%3+%4").arg(r.width()).arg(r.height()).arg(r.x()).arg(r.y());
}
QString Text(const QSize& s) {
    return QStringLiteral("%1x%2").arg(s.width()).arg(s.height());
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
        QTest::newRow("Connections") << Open([](FitRig& f) -> std::unique_ptr<QDialog> {
            auto d = std::make_unique<TForm7>(f.path, f.rig.clock, f.rig.help);
            d->show();
            if (!QTest::qWaitFor([&] { return !d->Loading() && d->Model().rowCount() == 1; }))
                return nullptr;
            return d;
        });
        QTest::newRow("Open report") << Open(
            [](FitRig& f) { return std::make_unique<TForm10>(f.viewer, [&f] { return f.path; }); });
        QTest::newRow("About") << Open(
            [](FitRig& f) { return std::make_unique<TAboutBox>(f.rig.help); });
    }
    // At 14 pt every text fits its control, and the dialog fits the screen's free area with
    // its frame, not squeezed below what its layout needs, its buttons within it.
    void textsFitAtALargeFont() {
        QFETCH(Open, open);
        const auto restore = LargeFont();

        FitRig rig;
        const std::unique_ptr<QDialog> dialog = open(rig);
        QVERIFY(dialog);
        dialog->show();
        // Every page of a dialog with tabs.
        QTabWidget* tabs = dialog->findChild<QTabWidget*>();
        QStringList misfits;
        for (int page = 0; page < (tabs ? tabs->count() : 1); ++page) {
            if (tabs)
                tabs->setCurrentIndex(page);
            QCoreApplication::processEvents();
            const QStringList clipped = ClippedTexts(*dialog);
            QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join("; ")));

            const QString on = tabs ? tabs->tabText(page) + ": " : QString();
            const QRect free = dialog->screen()->availableGeometry();
            if (!free.contains(dialog->frameGeometry()))
                misfits << on + Text(dialog->frameGeometry()) + " beyond " + Text(free);
            const QSize needed = dialog->layout()->totalMinimumSize();
            if (dialog->width() < needed.width() || dialog->height() < needed.height())
                misfits << on + Text(dialog->size()) + " < " + Text(needed);
            for (const QPushButton* b : dialog->findChildren<QPushButton*>()) {
                const QRect at(b->mapTo(dialog.get(), QPoint()), b->size());
                if (b->isVisibleTo(dialog.get()) &&
                    (!dialog->rect().contains(at) || b->height() < b->minimumSizeHint().height()))
                    misfits << on + b->objectName() + " at " + Text(at);
            }
        }
        if (const char* window = FixedInParallel(QTest::currentDataTag(),
                                                 dialog->screen()->availableGeometry().size()))
            QEXPECT_FAIL("", window, Continue);
        QVERIFY2(misfits.isEmpty(), qPrintable(misfits.join("; ")));
        dialog->reject();
    }

    // F1 in a dialog: the help goes beside it when a readable width fits there, else over the
    // main window; either way within the screen's free area, never narrower than it reads
    // well and never over the dialog's buttons.
    void helpBesideTheDialog_data() {
        QTest::addColumn<bool>("large");
        QTest::newRow("9 pt") << false;
        QTest::newRow("14 pt") << true;
    }
    void helpBesideTheDialog() {
        QFETCH(bool, large);
        const QFont font = QApplication::font();
        const auto restore = LargeFont(large ? 14 : font.pointSize());

        FitRig rig;
        QtHelpViewer help;
        // The main window keeps the middle of the screen, with about its own size.
        QWidget main;
        const QFontMetrics metrics(main.font());
        main.resize(metrics.averageCharWidth() * 44, metrics.lineSpacing() * 30);
        main.move(main.screen()->availableGeometry().center() - main.rect().center());
        main.show();
        TForm2 dialog(rig.rig.store, rig.rig.boxes, help, rig.chooser, rig.autostart, rig.tray,
                      "/usr/bin/netrova", &main);

        QRect free, asker, buttons, placed;
        int width = 0;
        int readable = 0;
        QTimer::singleShot(0, &dialog, [&] {
            QCoreApplication::sendPostedEvents();
            QTest::mouseClick(dialog.findChild<QPushButton*>("BitBtn3"), Qt::LeftButton);
            if (HelpWindow* window = help.Window()) {
                free = dialog.screen()->availableGeometry();
                asker = dialog.frameGeometry();
                for (const char* name : {"BitBtn1", "BitBtn2", "BitBtn3"}) {
                    const auto* b = dialog.findChild<QPushButton*>(name);
                    buttons |= QRect(b->mapToGlobal(QPoint()), b->size());
                }
                placed = window->frameGeometry();
                width = window->width();
                readable = window->ReadableWidth();
            }
            dialog.reject();
        });
        dialog.Execute(TForm2::ConnectionPage);

        QVERIFY(placed.isValid());
        const QString where = "help " + Text(placed) + ", dialog " + Text(asker);
        QVERIFY2(free.contains(placed), qPrintable(where + ", screen " + Text(free)));
        QVERIFY2(width >= readable, qPrintable(QString("%1 < %2").arg(width).arg(readable)));
        QVERIFY2(!placed.intersects(buttons), qPrintable(where + ", buttons " + Text(buttons)));
        const int frame = placed.width() - width;
        if (std::max(free.right() - asker.right(), asker.left() - free.left()) >= readable + frame)
            QVERIFY2(!placed.intersects(asker), qPrintable(where));
        // Measured from the font: more than the 368 pixels it was squeezed to at 14 pt.
        if (large)
            QVERIFY2(readable > 368, qPrintable(QString::number(readable)));
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

// The offscreen platform's one screen as NETROVA_TEST_SCREEN asks. A scale of 2 is the desktop's
// (a logical DPI of 192, as X11's Xft.dpi gives it): Qt draws twice the pixels and the windows
// see half the size.
int main(int argc, char** argv) {
    QTemporaryDir config;
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (platform.isEmpty() || platform == "offscreen") {
        const QString wanted = qEnvironmentVariable("NETROVA_TEST_SCREEN", "1280x800");
        const auto m = QRegularExpression(R"(^(\d+)x(\d+)(?:@(\d+))?$)").match(wanted);
        if (!m.hasMatch())
            qFatal("NETROVA_TEST_SCREEN \"%s\" is not WIDTHxHEIGHT[@SCALE]", qPrintable(wanted));
        const int scale = m.captured(3).isEmpty() ? 1 : m.captured(3).toInt();
        const QJsonObject screen{{"name", "test"},
                                 {"width", m.captured(1).toInt()},
                                 {"height", m.captured(2).toInt()},
                                 {"logicalDpi", 96 * scale},
                                 {"logicalBaseDpi", 96}};
        QFile file(config.filePath("screen.json"));
        if (!file.open(QIODevice::WriteOnly) ||
            file.write(QJsonDocument(QJsonObject{{"screens", QJsonArray{screen}}}).toJson()) < 0)
            qFatal("cannot write %s", qPrintable(file.fileName()));
        file.close();
        qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + file.fileName().toLocal8Bit());
    }
    QApplication app(argc, argv);
    QTEST_SET_MAIN_SOURCE_PATH
    WindowsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_windows.moc"
