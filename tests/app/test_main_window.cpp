// The main window over a temporary store: start-up through its creation, what a tick shows,
// and the exit routes with their guard against running the exit steps twice.
#include "../support/TempStore.h"
#include "app/MainWindow.h"
#include "platform/Clock.h"
#include "platform/DialUpService.h"
#include "platform/HelpViewer.h"
#include "platform/MessageBoxes.h"
#include "store/Defaults.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <filesystem>
#include <memory>

using namespace netrova;
using namespace netrova::test;

namespace {

// A window over a fresh installation with the user "alice" logged on; the personalisation
// boxes of this first start are cleared unless asked for.
struct Rig {
    explicit Rig(bool keepFirstStartRequests = false) {
        EnsureInstallationDefaults(store);
        PublishCurrentUser(store, "alice");
        clock.Set(2026, 3, 10, 14, 0, 0);
        form = std::make_unique<TForm1>(store, clock, boxes, help);
        if (!keepFirstStartRequests) {
            boxes.clear();
            help.requests.clear();
        }
    }

    template <typename T> T* Child(const char* name) {
        T* child = form->findChild<T*>(QLatin1String(name));
        if (!child)
            qFatal("no child %s", name);
        return child;
    }
    QString Text(const char* label) { return Child<QLabel>(label)->text(); }
    int Bug() { return store.Int(Root::LocalMachine, kProductKey, "Bug"); }
    void Dial(const std::string& provider) {
        AddEntry(store, provider);
        SetDefaultEntry(store, provider);
        SetRemoteConnection(store, true);
    }
    void Tick() {
        clock.Advance(1);
        form->Timer1Timer();
    }
    std::uintmax_t HistorySize() {
        const auto path = std::filesystem::path(store.dir()) / "history.dat";
        return std::filesystem::exists(path) ? std::filesystem::file_size(path) : 0;
    }

    TempStore store;
    FakeClock clock;
    ScriptedMessageBoxes boxes;
    RecordingHelpViewer help;
    std::unique_ptr<TForm1> form;
};

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { qputenv("NETROVA_DIALUP", "manual"); }

    void creationRunsTheStartUpAndEnablesTheTimerLast() {
        Rig rig(true);
        // The personalisation of a new user happened inside the window's creation.
        QCOMPARE(rig.boxes.shown().size(), std::size_t(2));
        QCOMPARE(rig.help.requests, std::vector<int>{0});
        QCOMPARE(rig.Bug(), 1);

        auto* timer = rig.Child<QTimer>("Timer1");
        QVERIFY(timer->isActive());
        QCOMPARE(timer->interval(), 1000);
        QCOMPARE(rig.form->windowTitle(), QStringLiteral("Netrova v1.2"));
        // Nothing is shown before the first tick.
        for (const char* value : {"Label6", "Label7", "Label8", "Label9", "Label11"})
            QVERIFY2(rig.Text(value).isEmpty(), value);
        QVERIFY(rig.Child<QLabel>("Image1")->isHidden());
        QVERIFY(!rig.Child<QLabel>("Image2")->isHidden());
    }

    void tickShowsTheConnectionAndTheStatusText() {
        Rig rig;
        rig.Tick();
        QCOMPARE(rig.Child<QGroupBox>("GroupBox1")->title(), QStringLiteral("Not connected"));
        QCOMPARE(rig.form->windowTitle(), QStringLiteral("Netrova: [Not Connected]"));
        QCOMPARE(rig.form->toolTip(), rig.form->windowTitle());
        QCOMPARE(rig.Text("Label11"), QStringLiteral("0 dol. 0 c."));

        rig.Dial("Provider One");
        rig.Tick();
        rig.Tick();
        QCOMPARE(rig.Child<QGroupBox>("GroupBox1")->title(), QStringLiteral("Connected"));
        QCOMPARE(rig.Text("Label9"), QStringLiteral("Provider One"));
        QCOMPARE(rig.Text("Label8"), QStringLiteral("alice"));
        QVERIFY(rig.Text("Label6").endsWith(QStringLiteral(" sec.")));
        QVERIFY(!rig.Child<QLabel>("Image1")->isHidden());
        QVERIFY(rig.Child<QLabel>("Image2")->isHidden());
        QVERIFY(rig.form->windowTitle().startsWith(QStringLiteral("Netrova: [ ")));
        QCOMPARE(rig.form->StatusText(), rig.form->windowTitle());
        QCOMPARE(rig.Bug(), 2);

        SetRemoteConnection(rig.store, false);
        rig.Tick();
        QCOMPARE(rig.Child<QGroupBox>("GroupBox1")->title(), QStringLiteral("Not connected"));
        QVERIFY(rig.Child<QLabel>("Image1")->isHidden());
        QCOMPARE(rig.form->windowTitle(), QStringLiteral("Netrova: [Not Connected]"));
        // The last connection's time stays in view.
        QVERIFY(!rig.Text("Label6").isEmpty());
    }

    void exitAnsweredNoChangesNothing() {
        Rig rig;
        rig.Dial("Provider One");
        rig.Tick();
        rig.boxes.Answer(MsgResult::No);
        rig.Child<QPushButton>("BitBtn2")->click();
        QCOMPARE(rig.boxes.shown().back().icon, MsgIcon::Question);
        QCOMPARE(rig.Bug(), 2);
        QVERIFY(rig.Child<QTimer>("Timer1")->isActive());
        QCOMPARE(rig.HistorySize(), std::uintmax_t(0));
    }

    void confirmedExitRunsTheExitStepsOnce_data() {
        QTest::addColumn<QString>("route");
        QTest::newRow("button") << "BitBtn2";
        QTest::newRow("menu") << "Exit2";
    }
    void confirmedExitRunsTheExitStepsOnce() {
        QFETCH(QString, route);
        Rig rig;
        rig.Dial("Provider One");
        rig.Tick();
        rig.Tick();
        rig.boxes.Answer(MsgResult::Yes);
        QSignalSpy exits(rig.form.get(), &TForm1::ExitRequested);
        if (route == QLatin1String("BitBtn2"))
            rig.Child<QPushButton>("BitBtn2")->click();
        else
            rig.Child<QAction>("Exit2")->trigger();
        QCOMPARE(rig.Bug(), 0);
        QCOMPARE(rig.HistorySize(), std::uintmax_t(192));
        QVERIFY(!rig.Child<QTimer>("Timer1")->isActive());
        QCOMPARE(exits.count(), 1);
        QCOMPARE(exits.at(0).at(0).toInt(), 0);

        // The window closing afterwards must not run the exit steps again.
        rig.store.SetInt(Root::LocalMachine, kProductKey, "Bug", 7);
        rig.form->show();
        QVERIFY(rig.form->close());
        QCOMPARE(rig.Bug(), 7);
        QCOMPARE(rig.boxes.pendingAnswers(), std::size_t(0));
    }

    void closingTheWindowRecordsTheConnectionWithoutAsking() {
        Rig rig;
        rig.form->show();
        rig.Dial("Provider One");
        rig.Tick();
        rig.Tick();
        rig.boxes.clear();
        QSignalSpy exits(rig.form.get(), &TForm1::ExitRequested);
        QVERIFY(rig.form->close());
        QCOMPARE(exits.count(), 1);
        QVERIFY(rig.boxes.shown().empty());
        QCOMPARE(rig.Bug(), 0);
        QCOMPARE(rig.HistorySize(), std::uintmax_t(192));
        QVERIFY(!rig.Child<QTimer>("Timer1")->isActive());

        // A second close request finds the steps done.
        rig.store.SetInt(Root::LocalMachine, kProductKey, "Bug", 7);
        QVERIFY(rig.form->FormCloseQuery());
        QCOMPARE(rig.Bug(), 7);
        QCOMPARE(rig.HistorySize(), std::uintmax_t(192));
    }

    void hideMinimisesTheWindow() {
        Rig rig;
        rig.form->show();
        QVERIFY(QTest::qWaitForWindowExposed(rig.form.get()));
        rig.Child<QPushButton>("BitBtn1")->click();
        QTRY_VERIFY(rig.form->isMinimized());
        QCOMPARE(rig.Bug(), 1);
    }

    void helpMenuOpensTheContents() {
        Rig rig;
        rig.Child<QAction>("Help2")->trigger();
        QCOMPARE(rig.help.requests, std::vector<int>{0});
    }

    // The Options menu opens a new modal instance of each tariff dialog.
    void optionsMenuOpensTheTariffDialogs_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("caption");
        QTest::newRow("Providers") << "Providers1"
                                   << "Tariffs";
        QTest::newRow("Tariffs") << "Tariffs1"
                                 << "Tariffs Options";
    }
    void optionsMenuOpensTheTariffDialogs() {
        QFETCH(QString, action);
        QFETCH(QString, caption);
        Rig rig;
        rig.store.SetInt(Root::CurrentUser, std::string(kTariffProfileKey) + "\\Flat",
                         "StartingInterval", 0);
        for (const char* v : {"EndingInterval", "DayCost", "NightCost", "OCPD"})
            rig.store.SetInt(Root::CurrentUser, std::string(kTariffProfileKey) + "\\Flat", v, 0);
        AddEntry(rig.store, "ISP");
        QString seen;
        QTimer poll;
        connect(&poll, &QTimer::timeout, [&] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                seen = modal->windowTitle();
                modal->close();
            }
        });
        poll.start(10);
        rig.Child<QAction>(action.toLatin1().constData())->trigger();
        QCOMPARE(seen, caption);
        QVERIFY(!QApplication::activeModalWidget());
    }
};

QTEST_MAIN(MainWindowTest)
#include "test_main_window.moc"
