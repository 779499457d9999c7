// The main window over a temporary store: start-up through its creation, what a tick shows,
// and the exit routes with their guard against running the exit steps twice.
#include "../monitor/MonitorTestSeam.h"
#include "../support/TempStore.h"
#include "app/MainCommands.h"
#include "app/MainWindow.h"
#include "app/StatusPictures.h"
#include "app/TrayIcon.h"
#include "counter/Counter.h"
#include "dialup/DialUpService.h"
#include "monitor/Installation.h"
#include "monitor/Monitor.h"
#include "platform/Clock.h"
#include "platform/Contrast.h"
#include "platform/HelpViewer.h"
#include "platform/MessageBoxes.h"
#include "settings/Defaults.h"
#include "settings/Limits.h"
#include "support/DesktopDoubles.h"
#include "support/FakeClock.h"
#include "support/NullMonitorView.h"
#include "support/ScriptedMessageBoxes.h"

#include <QAccessible>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>

#include <cmath>
#include <filesystem>
#include <memory>

using namespace netrova;
using namespace netrova::test;

namespace {

const char* const kLimitsKey = "\\Software\\Netrova\\Limits";

// Stands in for the desktop's notification area, there or not.
class FakeTray : public TrayIcon {
public:
    explicit FakeTray(bool available) : available_(available) {}
    bool Available() const override { return available_; }

private:
    bool available_;
};

enum class Tray { Available, Missing, Off };

// A window over a fresh installation with the user "alice" logged on; the personalisation
// boxes of this first start are cleared unless asked for. The first start turns tray mode on;
// Tray::Off has it turned off beforehand.
struct Rig {
    explicit Rig(bool keepFirstStartRequests = false, Tray tray = Tray::Available) {
        EnsureInstallationDefaults(store);
        PublishCurrentUser(store, "alice");
        clock.Set(2026, 3, 10, 14, 0, 0);
        if (tray == Tray::Off) {
            NullMonitorView view;
            Monitor first(store, clock, boxes, help, view);
            first.StartMonitor();
            first.CloseForExit();
            store.SetInt(Root::CurrentUser, kProductKey, "System tray", 0);
        }
        form = std::make_unique<TForm1>(store, clock, boxes, help, desktop.Services(),
                                        std::make_unique<FakeTray>(tray != Tray::Missing));
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
    // An integer written by another program (a script's netrova-reg), which the window learns
    // of only through the store.
    void WriteAsAnotherProgram(const char* key, const char* name, std::int32_t value) {
        SettingsStore tool(StorePaths{store.userPath(), store.machinePath()});
        Registry reg(tool, Root::LocalMachine);
        reg.OpenKey(key, true);
        reg.WriteInteger(name, value);
        reg.CloseKey();
    }
    std::uintmax_t HistorySize() {
        const auto path = std::filesystem::path(store.dir()) / "history.dat";
        return std::filesystem::exists(path) ? std::filesystem::file_size(path) : 0;
    }

    TempStore store;
    FakeClock clock;
    ScriptedMessageBoxes boxes;
    RecordingHelpViewer help;
    DesktopDoubles desktop{store.dir() + "/autostart"};
    std::unique_ptr<TForm1> form;
};

// An image of an icon, to tell pictures apart.
QImage Look(const QIcon& icon) {
    return icon.pixmap(QSize(16, 16), 1.0).toImage();
}

// What triggering each command does: the window, box or file it comes to.
const std::pair<const char*, const char*> kEffects[] = {
    {"ResetCounter", "ask"},
    {"CreateReport", "report"},
    {"DeleteReports", "ask"},
    {"OpenReport", "Open report"},
    {"Hide", "hide"},
    {"Exit2", "exit"},
    {"Connections", "Connections"},
    {"ViewStatistic", "Statistics"},
    {"Beep", "Beep"},
    {"Counter", "Counter"},
    {"Limits", "Limits"},
    {"Providers", "Tariffs"},
    {"Tariffs", "Tariffs Options"},
    {"Preferences", "Preferences"},
    {"Help", "help"},
    {"About", "About"},
    {"ProgramPreferences", "Preferences"},
    {"Execution", "Preferences"},
    {"Restore", "restore"},
};

QPalette DarkPalette() {
    QPalette dark(QColor(53, 53, 53));
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        dark.setColor(role, QColor(230, 230, 230));
    dark.setColor(QPalette::Base, QColor(35, 35, 35));
    return dark;
}

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
        // A new user's first start shows the window whatever "Minimize" says.
        QVERIFY(rig.form->ConnectionMonitor().Personalized());

        auto* timer = rig.Child<QTimer>("Timer1");
        QVERIFY(timer->isActive());
        QCOMPARE(timer->interval(), 1000);
        QCOMPARE(rig.form->windowTitle(), QStringLiteral("Netrova v1.2"));
        // Nothing is shown before the first tick.
        for (const char* value :
             {"ConnTimeValue", "FeeValue", "UserValue", "ProviderValue", "GeneralFeeValue",
              "AllTimeValue", "AverageValue", "CountingSinceValue", "ResetOnValue", "ClockLabel"})
            QVERIFY2(rig.Text(value).isEmpty(), value);
        QVERIFY(rig.Child<QLabel>("ConnectedImage")->isHidden());
        QVERIFY(!rig.Child<QLabel>("NotConnectedImage")->isHidden());
    }

    void tickShowsTheConnectionAndTheStatusText() {
        Rig rig;
        rig.Tick();
        QCOMPARE(rig.Child<QGroupBox>("ConnectionBox")->title(), QStringLiteral("Not connected"));
        QCOMPARE(rig.form->windowTitle(), QStringLiteral("Netrova: [Not Connected]"));
        QCOMPARE(rig.form->toolTip(), rig.form->windowTitle() + "\nConnection source: manual");
        QCOMPARE(rig.Text("GeneralFeeValue"), QStringLiteral("0 dol. 0 c."));

        rig.Dial("Provider One");
        rig.Tick();
        rig.Tick();
        QCOMPARE(rig.Child<QGroupBox>("ConnectionBox")->title(), QStringLiteral("Connected"));
        QCOMPARE(rig.Text("ProviderValue"), QStringLiteral("Provider One"));
        QCOMPARE(rig.Text("UserValue"), QStringLiteral("alice"));
        QVERIFY(rig.Text("ConnTimeValue").endsWith(QStringLiteral(" sec.")));
        QVERIFY(!rig.Child<QLabel>("ConnectedImage")->isHidden());
        QVERIFY(rig.Child<QLabel>("NotConnectedImage")->isHidden());
        QVERIFY(rig.form->windowTitle().startsWith(QStringLiteral("Netrova: [ ")));
        QCOMPARE(rig.form->StatusText(), rig.form->windowTitle());
        QCOMPARE(rig.Bug(), 2);

        SetRemoteConnection(rig.store, false);
        rig.Tick();
        QCOMPARE(rig.Child<QGroupBox>("ConnectionBox")->title(), QStringLiteral("Not connected"));
        QVERIFY(rig.Child<QLabel>("ConnectedImage")->isHidden());
        QCOMPARE(rig.form->windowTitle(), QStringLiteral("Netrova: [Not Connected]"));
        // The last connection's time stays in view.
        QVERIFY(!rig.Text("ConnTimeValue").isEmpty());
    }

    void exitAnsweredNoChangesNothing() {
        Rig rig;
        rig.Dial("Provider One");
        rig.Tick();
        rig.boxes.Answer(MsgResult::No);
        rig.Child<QPushButton>("ExitButton")->click();
        QCOMPARE(rig.boxes.shown().back().icon, MsgIcon::Question);
        QCOMPARE(rig.Bug(), 2);
        QVERIFY(rig.Child<QTimer>("Timer1")->isActive());
        QCOMPARE(rig.HistorySize(), std::uintmax_t(0));
    }

    void confirmedExitRunsTheExitStepsOnce_data() {
        QTest::addColumn<QString>("route");
        QTest::newRow("button") << "ExitButton";
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
        if (route == QLatin1String("ExitButton"))
            rig.Child<QPushButton>("ExitButton")->click();
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
        rig.Child<QPushButton>("HideButton")->click();
        QTRY_VERIFY(rig.form->isMinimized());
        QCOMPARE(rig.Bug(), 1);
    }

    // The history group and the clock after a tick; the reset day counts as a day.
    void tickFillsTheHistoryGroupAndTheClock_data() {
        QTest::addColumn<int>("hour");
        QTest::addColumn<int>("minute");
        QTest::addColumn<int>("second");
        QTest::addColumn<QString>("clock");
        QTest::newRow("10:00:05") << 10 << 0 << 4 << "10:0:5";
        QTest::newRow("09:05:07") << 9 << 5 << 6 << "9:5:7";
    }
    void tickFillsTheHistoryGroupAndTheClock() {
        QFETCH(int, hour);
        QFETCH(int, minute);
        QFETCH(int, second);
        QFETCH(QString, clock);
        Rig rig;
        MonitorTestSeam::Of(rig.form->ConnectionMonitor()).AllTime = 3661;
        MonitorTestSeam::Of(rig.form->ConnectionMonitor()).ResetPolicy = 2;
        rig.store.SetInt(Root::LocalMachine, kCounterAllKey, "Double", DayNumber(2026, 3, 9));
        rig.store.SetInt(Root::LocalMachine, kCounterAllKey, "Day", 9);
        rig.clock.Set(2026, 3, 10, hour, minute, second);
        rig.Tick();
        QCOMPARE(rig.Text("ClockLabel"), clock);
        QCOMPARE(rig.Text("AllTimeValue"), QStringLiteral("1 h. 1 min. 1 sec."));
        QCOMPARE(rig.Text("AverageValue"), QStringLiteral("0 h. 30 min. 30 sec."));
        QCOMPARE(rig.Text("CountingSinceValue"), QStringLiteral("2026 - 3 - 9"));
        QCOMPARE(rig.Text("ResetOnValue"), QStringLiteral("2026 - 4 - 1"));
        // Before the first tick nothing was shown; an idle tick does not retitle the window.
        QSignalSpy retitled(rig.form.get(), &QWidget::windowTitleChanged);
        rig.Tick();
        QCOMPARE(retitled.count(), 0);

        // The next day counts as a third day.
        rig.clock.Set(2026, 3, 11, hour, minute, second);
        rig.Tick();
        QCOMPARE(rig.Text("AverageValue"), QStringLiteral("0 h. 20 min. 20 sec."));
        // A reset starts the period today.
        rig.boxes.Answer(MsgResult::Yes);
        rig.Child<QAction>("ResetCounter")->trigger();
        rig.Tick();
        QCOMPARE(rig.Text("CountingSinceValue"), QStringLiteral("2026 - 3 - 11"));
        QCOMPARE(rig.Text("AverageValue"), QStringLiteral("0 h. 0 min. 0 sec."));
        // So does a reset that no command of the window ran (the Counter dialog's, shown over
        // the ticking window), on the day the dates were last read.
        rig.clock.Set(2026, 3, 12, hour, minute, second);
        rig.Tick();
        Counter(rig.form->ConnectionMonitor(), rig.store, rig.clock, rig.boxes, nullptr)
            .ResetToday(0);
        rig.Tick();
        QCOMPARE(rig.Text("CountingSinceValue"), QStringLiteral("2026 - 3 - 12"));
        // And dates that another program (the store tool) wrote, at the next tick.
        rig.WriteAsAnotherProgram(kCounterAllKey, "Day", 2);
        rig.Tick();
        QCOMPARE(rig.Text("CountingSinceValue"), QStringLiteral("2026 - 3 - 2"));
    }

    // A limit's row shows its used share while the limit is set, also one another program set,
    // and the window takes its room back when the limit goes.
    void limitRowsShowTheUsedShare() {
        Rig rig;
        rig.Tick();
        const int height = rig.form->height();
        QVERIFY(rig.Child<QLabel>("MoneyLimitValue")->isHidden());
        const auto writeMoneyLimit = [&](int cents) {
            rig.WriteAsAnotherProgram(kLimitsKey, "Money", cents);
        };
        writeMoneyLimit(2000);
        MonitorTestSeam::Of(rig.form->ConnectionMonitor()).AllMoney = 1230;
        rig.Tick();
        QCOMPARE(rig.Text("MoneyLimitValue"), QStringLiteral("61 % of 20 dol. 0 c."));
        QVERIFY(!rig.Child<QLabel>("MoneyLimitValue")->isHidden());
        QVERIFY(!rig.Child<QLabel>("MoneyLimitCaption")->isHidden());
        QVERIFY(rig.Child<QLabel>("VolumeLimitValue")->isHidden());
        QVERIFY(rig.form->height() > height);
        writeMoneyLimit(0);
        rig.Tick();
        QVERIFY(rig.Child<QLabel>("MoneyLimitCaption")->isHidden());
        QCOMPARE(rig.form->height(), height);
    }

    // Every text of the window reads clearly and whole, at the desktop's usual font and at a
    // large one, on a light and on a dark palette, changed while the window is open.
    void everyTextReadsClearlyAndWhole_data() {
        QTest::addColumn<bool>("dark");
        QTest::addColumn<int>("points");
        QTest::newRow("light") << false << 0;
        QTest::newRow("dark") << true << 0;
        QTest::newRow("light, 14 pt") << false << 14;
        QTest::newRow("dark, 14 pt") << true << 14;
    }
    void everyTextReadsClearlyAndWhole() {
        QFETCH(bool, dark);
        QFETCH(int, points);
        const QPalette palette = QApplication::palette();
        const QFont font = QApplication::font();
        Rig rig;
        rig.form->show();
        QVERIFY(QTest::qWaitForWindowExposed(rig.form.get()));
        if (dark)
            QApplication::setPalette(DarkPalette());
        if (points) {
            QFont large = font;
            large.setPointSize(points);
            QApplication::setFont(large);
        }
        const auto restore = qScopeGuard([&] {
            QApplication::setPalette(palette);
            QApplication::setFont(font);
        });
        // The limit rows are shown too.
        rig.store.SetInt(Root::LocalMachine, kLimitsKey, "Money", 2000);
        rig.store.SetInt(Root::LocalMachine, kLimitsKey, "Volume", 1024);
        rig.Dial("Provider One");
        MonitorTestSeam::Of(rig.form->ConnectionMonitor()).AllTime = 3600 * 9999;
        rig.Tick();
        rig.Tick();
        QTest::qWait(50);

        const QColor back = rig.form->palette().color(QPalette::Window);
        for (QLabel* label : rig.form->findChildren<QLabel*>()) {
            if (label->text().isEmpty() || label->window() != rig.form.get())
                continue;
            const QString what = label->objectName() + " \"" + label->text() + "\"";
            const QColor behind = label->autoFillBackground()
                                      ? label->palette().color(label->backgroundRole())
                                      : back;
            QVERIFY2(Contrast(label->palette().color(label->foregroundRole()), behind) >= 4.5,
                     qPrintable(what));
            QVERIFY2(label->fontMetrics().horizontalAdvance(label->text()) <=
                         label->contentsRect().width(),
                     qPrintable(what));
            const QRect inWindow(label->mapTo(rig.form.get(), QPoint()), label->size());
            QVERIFY2(rig.form->rect().contains(inWindow), qPrintable(what));
        }

        // A name too long for its field is cut with an ellipsis; the hint holds all of it.
        const std::string longName(120, 'W');
        rig.Dial(longName);
        SetRemoteConnection(rig.store, false);
        rig.Tick();
        rig.Dial(longName);
        rig.Tick();
        rig.Tick();
        auto* provider = rig.Child<QLabel>("ProviderValue");
        QVERIFY(provider->text().endsWith(QChar(0x2026)));
        QCOMPARE(provider->toolTip(), QString::fromStdString(longName));
    }

    // A screen reader says what each value is, and what the status picture shows.
    void valuesAreNamedByTheirCaptions() {
        Rig rig;
        for (const char* value :
             {"ConnTimeValue", "FeeValue", "UserValue", "ProviderValue", "AllTimeValue",
              "AverageValue", "GeneralFeeValue", "CountingSinceValue", "ResetOnValue"}) {
            QAccessibleInterface* field =
                QAccessible::queryAccessibleInterface(rig.Child<QLabel>(value));
            const auto captions = field->relations(QAccessible::Label);
            QVERIFY2(!captions.isEmpty(), value);
            QVERIFY2(captions[0].first->text(QAccessible::Name).endsWith(QStringLiteral(" :")),
                     value);
        }
        for (const char* picture : {"ConnectedImage", "NotConnectedImage"})
            QCOMPARE(QAccessible::queryAccessibleInterface(rig.Child<QLabel>(picture))
                         ->text(QAccessible::Description),
                     rig.Child<QLabel>(picture)->toolTip());
    }

    // The limits' alerts come with the ticks, each threshold once in a period, the last one
    // critical; without a notification service nor a tray they come as a box.
    void limitAlertsComeOnceEach() {
        Rig rig(false, Tray::Missing);
        LimitSettings limits;
        limits.Money = 1000;
        Limits(rig.store).Write(limits);
        MonitorState& s = MonitorTestSeam::Of(rig.form->ConnectionMonitor());
        for (const int money : {500, 850, 850, 950, 1000, 1200}) {
            s.AllMoney = money;
            rig.Tick();
        }
        auto& shown = rig.desktop.notifications.shown;
        QCOMPARE(shown.size(), std::size_t(3));
        QVERIFY(QString::fromStdString(shown[0]).startsWith("Netrova: 80 %"));
        QVERIFY(QString::fromStdString(shown[1]).startsWith("Netrova: 90 %"));
        QVERIFY(QString::fromStdString(shown[2]).endsWith("|critical"));

        // Nothing more in this period; a new one (dates that a tool wrote) gives the highest
        // anew, here as a box.
        rig.desktop.notifications.available = false;
        rig.Tick();
        QCOMPARE(shown.size(), std::size_t(3));
        QCOMPARE(rig.boxes.shown().size(), std::size_t(0));
        rig.WriteAsAnotherProgram(kCounterAllKey, "Day", 9);
        rig.Tick();
        QCOMPARE(rig.boxes.shown().size(), std::size_t(1));
        QCOMPARE(rig.boxes.shown()[0].icon, MsgIcon::Stop);
    }

    // A value the tick needs is missing: its error is shown once, not at every tick, and the
    // rest of the tick goes on.
    void tickErrorIsShownOnce() {
        Rig rig;
        {
            Registry reg(rig.store, Root::LocalMachine);
            reg.OpenKey(kCounterAllKey, false);
            reg.DeleteValue("Double");
            reg.CloseKey();
        }
        rig.clock.Set(2026, 3, 10, 10, 0, 4);
        for (int i = 0; i < 3; ++i)
            rig.Tick();
        QCOMPARE(rig.boxes.shown().size(), std::size_t(1));
        QVERIFY(rig.boxes.shown()[0].text.find("\"Double\"") != std::string::npos);
        QCOMPARE(rig.Text("ClockLabel"), QStringLiteral("10:0:7"));
    }

    // A box shown by a tick runs the event loop, and the timer with it: the tick it would start
    // inside the first is refused, so the monitor is never entered twice.
    void aTickInsideATickIsRefused() {
        TempStore store;
        EnsureInstallationDefaults(store);
        FakeClock clock;
        clock.Set(2026, 3, 10, 14, 0, 0);
        ScriptedMessageBoxes boxes;
        RecordingHelpViewer help;
        DesktopDoubles desktop(store.dir() + "/autostart");
        NullMonitorView monitorView;
        struct : AppView {
            void ShowHistoryGroup(const std::string&, const HistoryGroupTexts&) override {
                if (!failed++)
                    throw std::runtime_error("the first one fails");
            }
            void ShowLimitFields(const std::string&, const std::string&) override {}
            void EndOfTick() override { ++ends; }
            int failed = 0;
            int ends = 0;
        } view;
        AppController app(store, clock, boxes, help, desktop.Services(), monitorView, view,
                          nullptr);
        app.Start();
        boxes.clear();
        boxes.whileShown = [&] { app.Tick(); };
        app.Tick();
        QCOMPARE(boxes.texts(), std::vector<std::string>{"the first one fails"});
        QCOMPARE(view.ends, 1);
        app.Tick();
        QCOMPARE(view.ends, 2);
    }

    void holidayPressedTwiceIsOffWithoutMark() {
        Rig rig;
        auto* holiday = rig.Child<QPushButton>("HolidayButton");
        QCOMPARE(holiday->toolTip(), QStringLiteral("Enable or disable holiday tariff"));
        QVERIFY(holiday->icon().isNull());
        QVERIFY(!holiday->isChecked());
        holiday->click();
        QCOMPARE(rig.form->ConnectionMonitor().State().HolidayOn, 1);
        QCOMPARE(Look(holiday->icon()), Look(ImageListPicture(2)));
        QVERIFY(holiday->isChecked()); // looks pressed
        holiday->click();
        QCOMPARE(rig.form->ConnectionMonitor().State().HolidayOn, 0);
        QVERIFY(holiday->icon().isNull());
        QVERIFY(!holiday->isChecked());
    }

    // The tray tip and picture follow the connection; tray mode ends with the program.
    void trayFollowsTheConnection() {
        Rig rig;
        TrayIcon& tray = rig.form->Tray();
        QVERIFY(tray.isVisible());
        QVERIFY(tray.toolTip().isEmpty());
        rig.Tick();
        QCOMPARE(tray.toolTip(), QStringLiteral("Netrova: [Not Connected]"));
        QCOMPARE(Look(tray.icon()), Look(ImageListPicture(0)));
        rig.Dial("Provider One");
        rig.Tick();
        rig.Tick();
        QCOMPARE(tray.toolTip(), rig.form->StatusText());
        QVERIFY(tray.toolTip().startsWith(QStringLiteral("Netrova: [ 0 h. 0 min. 1")));
        QCOMPARE(Look(tray.icon()), Look(ImageListPicture(1)));
        SetRemoteConnection(rig.store, false);
        rig.Tick();
        QCOMPARE(Look(tray.icon()), Look(ImageListPicture(0)));

        QVERIFY(rig.form->close());
        QVERIFY(!tray.isVisible());
        QVERIFY(rig.form->TaskbarButtonShown());
    }

    // Hiding leaves the task-bar entry only outside tray mode, or where there is no tray to
    // bring the window back.
    void hidingAndRestoring_data() {
        QTest::addColumn<int>("tray");
        QTest::addColumn<bool>("taskbarButton");
        QTest::newRow("tray mode") << int(Tray::Available) << false;
        QTest::newRow("tray mode without a tray") << int(Tray::Missing) << true;
        QTest::newRow("no tray mode") << int(Tray::Off) << true;
    }
    void hidingAndRestoring() {
        QFETCH(int, tray);
        QFETCH(bool, taskbarButton);
        Rig rig(false, Tray(tray));
        QCOMPARE(rig.form->Tray().isVisible(), Tray(tray) == Tray::Available);
        QCOMPARE(rig.form->ConnectionMonitor().Personalized(), Tray(tray) != Tray::Off);
        rig.form->show();
        QVERIFY(QTest::qWaitForWindowExposed(rig.form.get()));
        QCOMPARE(rig.form->TaskbarButtonShown(), taskbarButton);
        rig.Child<QPushButton>("HideButton")->click();
        QTRY_VERIFY(rig.form->isMinimized());
        QCOMPARE(rig.form->TaskbarButtonShown(), taskbarButton);

        // A left click on the tray icon brings the window back, still without its entry.
        emit rig.form->Tray().activated(QSystemTrayIcon::Trigger);
        QTRY_VERIFY(!rig.form->isMinimized());
        QCOMPARE(rig.form->TaskbarButtonShown(), taskbarButton);
        rig.form->FormActivate();
        QCOMPARE(rig.form->TaskbarButtonShown(), taskbarButton);
        // Other mouse events on the icon do nothing.
        rig.form->showMinimized();
        QTRY_VERIFY(rig.form->isMinimized());
        emit rig.form->Tray().activated(QSystemTrayIcon::MiddleClick);
        QTest::qWait(50);
        QVERIFY(rig.form->isMinimized());
    }

    // The menus, the tool bar and the tray menu are built from the command tables: every entry
    // reaches an enabled command, no two commands share a short-cut, and a tray entry triggers
    // its menu twin.
    void commandTablesHoldTogether() {
        Rig rig;
        QStringList menus, shortcuts;
        for (QAction* menu : rig.Child<QMenuBar>("MenuBar")->actions())
            menus << menu->menu()->objectName();
        for (const MenuInfo& m : Menus()) {
            QCOMPARE(menus.takeFirst(), QLatin1String(m.name));
            QStringList items;
            for (QAction* a : rig.Child<QMenu>(m.name)->actions())
                if (!a->isSeparator())
                    items << a->objectName();
            for (const char* item : m.items)
                if (item)
                    QCOMPARE(items.takeFirst(), QLatin1String(item));
        }
        for (const CommandInfo& c : Commands()) {
            QAction* action = rig.Child<QAction>(c.name);
            QVERIFY2(action->isEnabled(), c.name);
            // and its effect is tried below
            QVERIFY2(
                std::any_of(std::begin(kEffects), std::end(kEffects),
                            [&](const auto& e) { return std::string_view(e.first) == c.name; }),
                c.name);
            QVERIFY(!action->icon().isNull());
            if (!action->shortcut().isEmpty()) {
                QVERIFY2(!shortcuts.contains(action->shortcut().toString()), c.name);
                shortcuts << action->shortcut().toString();
            }
        }
        for (const char* item : ToolBarCommands())
            if (item) {
                auto* button = rig.Child<QToolButton>((std::string(item) + "Tool").c_str());
                QCOMPARE(button->defaultAction(), rig.Child<QAction>(item));
                QVERIFY(button->autoRaise());
            }
        auto* tray = rig.Child<QMenu>("TrayMenu");
        QCOMPARE(rig.form->Tray().contextMenu(), tray);
        QCOMPARE(tray->defaultAction(), rig.Child<QAction>("Restore"));
        for (const TrayEntry& e : TrayMenuEntries())
            if (e.name) {
                QAction* twin = rig.Child<QAction>(e.command);
                QObject::disconnect(twin, &QAction::triggered, rig.form.get(), nullptr);
                QSignalSpy triggered(twin, &QAction::triggered);
                rig.Child<QAction>(e.name)->trigger();
                QCOMPARE(triggered.count(), 1);
            }
    }

    // Alt+O is both "&Counter ..." and the "&Options" menu: the command wins, every time.
    void commandShortcutWinsOverAMenuMnemonic() {
        Rig rig;
        QAction* counter = rig.Child<QAction>("Counter");
        // Only the short-cut is under test here: the Counter dialog stays shut.
        QObject::disconnect(counter, &QAction::triggered, rig.form.get(), nullptr);
        QSignalSpy triggered(counter, &QAction::triggered);
        rig.form->show();
        rig.form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(rig.form.get()));
        for (int i = 0; i < 3; ++i) {
            QTest::keyClick(rig.form.get(), Qt::Key_O, Qt::AltModifier);
            QTRY_COMPARE(triggered.count(), i + 1);
            QVERIFY(!rig.Child<QMenu>("OptionsMenu")->isVisible());
        }
    }

    void everyCommandReachesItsTarget_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("effect");
        for (const auto& [command, effect] : kEffects)
            QTest::newRow(command) << QString::fromLatin1(command) << QString::fromLatin1(effect);
    }
    void everyCommandReachesItsTarget() {
        QFETCH(QString, command);
        QFETCH(QString, effect);
        Rig rig;
        QAction* action = rig.Child<QAction>(command.toLatin1().constData());
        rig.form->show();
        QVERIFY(QTest::qWaitForWindowExposed(rig.form.get()));
        if (effect == QLatin1String("restore")) {
            rig.form->showMinimized();
            QTRY_VERIFY(rig.form->isMinimized());
        }
        if (effect == QLatin1String("exit") || effect == QLatin1String("ask"))
            rig.boxes.Answer(MsgResult::No);
        // The provider tariff dialog opens only with a tariff and a provider to assign.
        for (const char* v : {"StartingInterval", "EndingInterval", "DayCost", "NightCost", "OCPD"})
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
        action->trigger();

        if (effect == QLatin1String("hide")) {
            QTRY_VERIFY(rig.form->isMinimized());
        } else if (effect == QLatin1String("restore")) {
            QTRY_VERIFY(!rig.form->isMinimized());
        } else if (effect == QLatin1String("exit") || effect == QLatin1String("ask")) {
            QCOMPARE(rig.boxes.shown().size(), std::size_t(1));
            QCOMPARE(rig.boxes.shown()[0].icon, MsgIcon::Question);
        } else if (effect == QLatin1String("report")) {
            const auto reports = std::filesystem::path(rig.store.dir()) / "Reports";
            QVERIFY(std::filesystem::exists(reports / "2026-3-10.rpt"));
        } else if (effect == QLatin1String("help")) {
            QCOMPARE(rig.help.requests, std::vector<int>{0});
        } else {
            QCOMPARE(seen, effect);
        }
    }
};

QTEST_MAIN(MainWindowTest)
#include "test_main_window.moc"
