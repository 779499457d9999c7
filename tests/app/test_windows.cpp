// The dialogs at a large font within the free area of a 1280x800 screen and of a 1920x1080 one
// at a scale of 2, the help window beside them, the start-up logo and the About box.
#include "../monitor/MonitorRig.h"
#include "../support/TempStore.h"
#include "../tariffs/ScreenFit.h"
#include "../tariffs/TariffTestSupport.h"
#include "support/HistoryTestSupport.h"

#include "app/AboutBox.h"
#include "app/LogoWindow.h"
#include "browser/ConnectionsWindow.h"
#include "counter/CounterDialog.h"
#include "history/HistoryFile.h"
#include "options/BeepDialog.h"
#include "options/LimitsDialog.h"
#include "options/Preferences.h"
#include "options/PreferencesDialog.h"
#include "platform/Autostart.h"
#include "platform/FileChooser.h"
#include "platform/HelpViewer.h"
#include "platform/HelpWindow.h"
#include "platform/QtHelpViewer.h"
#include "platform/TextViewer.h"
#include "reports/OpenReportDialog.h"
#include "settings/Defaults.h"
#include "statistics/StatisticsWindow.h"
#include "support/ClippedTexts.h"
#include "support/DesktopDoubles.h"
#include "tariffs/ProviderTariffsDialog.h"
#include "tariffs/TariffEditorDialog.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPushButton>
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
    SortState sort = UsersSort();
    int allTime = 0;
    int allMoney = 0;
};

// Opens a dialog of the main window `parent`, which decides its screen.
using Open = std::function<std::unique_ptr<QDialog>(FitRig&, QWidget* parent)>;

// A dialog loaded from the store as its showing loads it.
template <class Dialog, class... Args> std::unique_ptr<QDialog> Activated(Args&&... args) {
    auto dialog = std::make_unique<Dialog>(std::forward<Args>(args)...);
    dialog->FormActivate();
    return dialog;
}

// A stand-in for the main window on the named screen: about its size, in the middle, as the
// program places it.
std::unique_ptr<QWidget> MainWindowOn(const QString& screen) {
    auto main = std::make_unique<QWidget>();
    main->setScreen(ScreenNamed(screen));
    const QFontMetrics metrics(main->font());
    main->resize(metrics.averageCharWidth() * 44, metrics.lineSpacing() * 30);
    main->move(main->screen()->availableGeometry().center() - main->rect().center());
    main->show();
    if (!QTest::qWaitForWindowExposed(main.get()))
        return nullptr;
    return main;
}

// The screens the dialogs must fit.
const QStringList kScreens{"1280x800", "1920x1080 at scale 2"};

QString Text(const QRect& r) {
    return QStringLiteral("%1x%2+%3+%4").arg(r.width()).arg(r.height()).arg(r.x()).arg(r.y());
}

} // namespace

Q_DECLARE_METATYPE(Open)

class WindowsTest : public QObject {
    Q_OBJECT

private slots:
    void textsFitAtALargeFont_data() {
        QTest::addColumn<Open>("open");
        QTest::addColumn<QString>("screen");
        const std::pair<const char*, Open> dialogs[] = {
            {"Preferences",
             [](FitRig& f, QWidget* parent) {
                 return Activated<TForm2>(f.rig.store, f.rig.boxes, f.rig.help, f.chooser,
                                          f.autostart, f.tray, "/usr/bin/netrova", parent);
             }},
            {"Beep",
             [](FitRig& f, QWidget* parent) {
                 return Activated<TForm4>(f.rig.store, f.rig.boxes, f.rig.help, f.rig.mon(),
                                          parent);
             }},
            {"Counter",
             [](FitRig& f, QWidget* parent) {
                 return Activated<TForm6>(f.rig.mon(), f.rig.store, f.rig.clock, f.rig.boxes,
                                          f.rig.help, parent);
             }},
            {"Limits",
             [](FitRig& f, QWidget* parent) {
                 return Activated<LimitsDialog>(f.rig.store, f.rig.boxes, f.rig.help, false,
                                                parent);
             }},
            {"Tariffs",
             [](FitRig& f, QWidget* parent) {
                 return Activated<TForm5>(f.rig.store, f.rig.boxes, f.rig.help, parent);
             }},
            {"Providers",
             [](FitRig& f, QWidget* parent) {
                 return Activated<TForm3>(f.rig.store, f.rig.boxes, f.rig.help, parent);
             }},
            {"Statistics",
             [](FitRig& f, QWidget* parent) -> std::unique_ptr<QDialog> {
                 auto d = std::make_unique<TForm9>(
                     f.rig.store, f.rig.help, f.rig.clock,
                     [&f] {
                         return CounterFigures{f.path, f.allTime, f.allMoney, std::nullopt};
                     },
                     CounterPeriodFn{}, f.sort, parent);
                 d->show();
                 if (!QTest::qWaitFor([&] { return d->Model().rowCount() == 1; }))
                     return nullptr;
                 return d;
             }},
            {"Connections",
             [](FitRig& f, QWidget* parent) -> std::unique_ptr<QDialog> {
                 auto d = std::make_unique<TForm7>(f.path, f.rig.clock, f.rig.help, BrowserSort(),
                                                   parent);
                 d->show();
                 if (!QTest::qWaitFor([&] { return !d->Loading() && d->Model().rowCount() == 1; }))
                     return nullptr;
                 return d;
             }},
            {"Open report",
             [](FitRig& f, QWidget* parent) {
                 return std::make_unique<TForm10>(
                     f.viewer, [&f] { return f.path; }, parent);
             }},
            {"About",
             [](FitRig& f, QWidget* parent) {
                 return std::make_unique<TAboutBox>(f.rig.help, parent);
             }},
        };
        for (const auto& [name, open] : dialogs)
            for (const QString& screen : kScreens)
                QTest::addRow("%s, %s", name, qPrintable(screen)) << open << screen;
    }
    // At 14 pt every text fits its control, and the dialog opened from a main window on the
    // screen fits that screen's free area, not squeezed below what its layout needs, with its
    // buttons whole inside.
    void textsFitAtALargeFont() {
        QFETCH(Open, open);
        QFETCH(QString, screen);
        const ApplicationFont large(14);

        FitRig rig;
        const auto main = MainWindowOn(screen);
        QVERIFY(main);
        const std::unique_ptr<QDialog> dialog = open(rig, main.get());
        QVERIFY(dialog);
        dialog->show();
        QCOMPARE(dialog->screen()->name(), screen);
        // Every page of a dialog with tabs.
        QTabWidget* tabs = dialog->findChild<QTabWidget*>();
        QStringList misfits;
        for (int page = 0; page < (tabs ? tabs->count() : 1); ++page) {
            if (tabs)
                tabs->setCurrentIndex(page);
            QCoreApplication::processEvents();
            const QStringList clipped = ClippedTexts(*dialog);
            QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join("; ")));
            QStringList buttons;
            for (const QPushButton* b : dialog->findChildren<QPushButton*>())
                if (b->isVisible())
                    buttons << b->objectName();
            if (const QString problem = FitProblem(*dialog, buttons, false); !problem.isEmpty())
                misfits << (tabs ? tabs->tabText(page) + ": " : QString()) + problem;
        }
        QVERIFY2(misfits.isEmpty(), qPrintable(misfits.join("; ")));
        dialog->reject();
    }

    // F1 in a dialog: the help goes beside it when a readable width fits there, else over the
    // main window; either way within the screen's free area, never narrower than it reads
    // well (measured from the font: more than the 368 pixels it was squeezed to at 14 pt) and
    // never over the dialog's buttons.
    void helpBesideTheDialog_data() {
        QTest::addColumn<int>("points"); // 0: the font as it is
        QTest::addColumn<QString>("screen");
        for (const QString& screen : kScreens) {
            QTest::addRow("9 pt, %s", qPrintable(screen)) << 0 << screen;
            QTest::addRow("14 pt, %s", qPrintable(screen)) << 14 << screen;
        }
    }
    void helpBesideTheDialog() {
        QFETCH(int, points);
        QFETCH(QString, screen);
        const ApplicationFont font(points);

        FitRig rig;
        QtHelpViewer help;
        const auto main = MainWindowOn(screen);
        QVERIFY(main);
        TForm2 dialog(rig.rig.store, rig.rig.boxes, help, rig.chooser, rig.autostart, rig.tray,
                      "/usr/bin/netrova", main.get());

        QRect asker, buttons, placed;
        int width = 0;
        int readable = 0;
        QTimer::singleShot(0, &dialog, [&] {
            QCoreApplication::sendPostedEvents();
            QTest::mouseClick(dialog.findChild<QPushButton*>("HelpButton"), Qt::LeftButton);
            if (HelpWindow* window = help.Window()) {
                asker = dialog.frameGeometry();
                for (const char* name : {"OKButton", "CancelButton", "HelpButton"}) {
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
        const QRect free = ScreenNamed(screen)->availableGeometry();
        const QString where = "help " + Text(placed) + ", dialog " + Text(asker);
        QVERIFY2(free.contains(placed), qPrintable(where + ", screen " + Text(free)));
        QVERIFY2(width >= readable, qPrintable(QString("%1 < %2").arg(width).arg(readable)));
        QVERIFY2(!placed.intersects(buttons), qPrintable(where + ", buttons " + Text(buttons)));
        const int frame = placed.width() - width;
        if (std::max(free.right() - asker.right(), asker.left() - free.left()) >= readable + frame)
            QVERIFY2(!placed.intersects(asker), qPrintable(where));
        if (points == 14)
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
        QTest::mouseClick(about.findChild<QPushButton*>("HelpButton"), Qt::LeftButton);
        QCOMPARE(help.requests, std::vector<int>{5});
        QVERIFY(about.isVisible());
        QTest::mouseClick(about.findChild<QPushButton*>("OKButton"), Qt::LeftButton);
        QVERIFY(!about.isVisible());
        QCOMPARE(about.result(), int(QDialog::Accepted));
    }
};

int main(int argc, char** argv) {
    return RunOnScreens<WindowsTest>(argc, argv);
}

#include "test_windows.moc"
