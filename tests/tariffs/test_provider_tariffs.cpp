#include "ScreenFit.h"
#include "TariffTestSupport.h"

#include "platform/HelpViewer.h"
#include "platform/MessageBoxes.h"
#include "support/DesktopDoubles.h"
#include "support/ScriptedMessageBoxes.h"
#include "tariffs/NameLists.h"
#include "tariffs/ProviderTariffsDialog.h"

#include <QApplication>
#include <QDropEvent>
#include <QHeaderView>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <QTreeWidget>

#include <memory>

using namespace netrova;
using namespace netrova::test;

namespace {

const char* const kNoTariffs = "No tariffs found! To create tariffs go to menu Options|Tariffs.";
// Forty characters.
const char* const kLongName = "Long distance evening and weekend tariff";

// One opening of the assignment dialog, driven through its controls and its lists' models.
struct Assigner {
    explicit Assigner(TempStore& ts) : dialog(ts, boxes, help) {}

    template <class W> W* get(const char* name) {
        W* w = dialog.findChild<W*>(QLatin1String(name));
        if (!w)
            qFatal("no control %s", name);
        return w;
    }
    QListWidget* providers() { return get<QListWidget>("ListBox1"); }
    QTreeWidget* tariffs() { return get<QTreeWidget>("Tariff"); }
    QTreeWidget* days() { return get<QTreeWidget>("Days"); }
    QPoint tariffPos(const QString& name) {
        const auto found = tariffs()->findItems(name, Qt::MatchExactly);
        if (found.isEmpty())
            qFatal("no tariff %s", qPrintable(name));
        return tariffs()->visualItemRect(found.front()).center();
    }
    QPoint dayPos(int day) { return days()->visualItemRect(days()->topLevelItem(day)).center(); }
    QString day(int d) { return days()->topLevelItem(d)->text(0); }
    QStringList dayNames() {
        QStringList out;
        for (int d = 0; d < kDayCount; ++d)
            out << day(d);
        return out;
    }

    // What a drag from a row carries, as the view's own drag asks the model for it.
    std::unique_ptr<QMimeData> dragFrom(QTreeWidget* list, int row) {
        return std::unique_ptr<QMimeData>(list->model()->mimeData({list->model()->index(row, 0)}));
    }
    std::unique_ptr<QMimeData> dragTariff(const QString& name) {
        const auto found = tariffs()->findItems(name, Qt::MatchExactly);
        return dragFrom(tariffs(), tariffs()->indexOfTopLevelItem(found.value(0)));
    }
    // A drop on a row (-1: on the list's empty space), as the view's own drop hands it over.
    bool drop(QTreeWidget* list, const QMimeData* data, int row) {
        const QModelIndex target = row < 0 ? QModelIndex() : list->model()->index(row, 0);
        return list->model()->dropMimeData(data, Qt::MoveAction, -1, -1, target);
    }
    void assign(const QString& tariff, int d) {
        const auto data = dragTariff(tariff);
        QVERIFY(data && drop(days(), data.get(), d));
    }
    void dragBack(int d) {
        const auto data = dragFrom(days(), d);
        QVERIFY(data && drop(tariffs(), data.get(), -1));
    }
    void chooseProvider(int row) {
        QListWidget* l = providers();
        QTest::mouseClick(l->viewport(), Qt::LeftButton, {},
                          l->visualItemRect(l->item(row)).center());
        QCOMPARE(l->currentRow(), row);
    }
    void click(const char* button) { QTest::mouseClick(get<QPushButton>(button), Qt::LeftButton); }
    // Shown, in front and loaded, for the keyboard.
    bool activate() {
        dialog.show();
        dialog.activateWindow();
        if (!QTest::qWaitForWindowActive(&dialog))
            return false;
        dialog.FormActivate();
        return true;
    }
    QWidget* focused() { return QApplication::focusWidget(); }
    void key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(focused(), Qt::Key(key), modifiers);
    }
    // Tab, as often as it takes, to the control; false when Tab never gets there.
    bool tabTo(QWidget* target) {
        for (int i = 0; i < 10 && focused() != target; ++i)
            key(Qt::Key_Tab);
        return focused() == target;
    }

    ScriptedMessageBoxes boxes;
    RecordingHelpViewer help;
    TForm3 dialog;
};

void SeedTwoProfiles(TempStore& ts) {
    SeedProfile(ts, "Cheap", 8, 20, 5, 2, 0);
    SeedProfile(ts, "Dear", 0, 0, 9, 9, 1);
}

// Sends one drag event carrying the data to a list's viewport; returns whether accepted.
bool SendDragEvent(QTreeWidget* list, QEvent::Type type, const QPoint& pos, const QMimeData& data) {
    if (type == QEvent::Drop) {
        QDropEvent e(QPointF(pos), Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        e.ignore();
        QApplication::sendEvent(list->viewport(), &e);
        return e.isAccepted();
    }
    QDragMoveEvent move(pos, Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QDragEnterEvent enter(pos, Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QDropEvent& e = type == QEvent::DragEnter ? static_cast<QDropEvent&>(enter) : move;
    e.ignore();
    QApplication::sendEvent(list->viewport(), &e);
    return e.isAccepted();
}

} // namespace

class TestProviderTariffs : public QObject {
    Q_OBJECT
private slots:
    void dialogLayout();
    void neverAssignedProviderGetsAllEightDays();
    void dropReplacesAndDraggingBackClears();
    void dragsThatAreRefused();
    void realDragEventsUseTheHandlers();
    void unsavedAssignmentsSurviveSwitching();
    void okWritesVisitedProvidersOnly();
    void storedDaysAreShownAndKeptOnOk();
    void noProvidersKeepsTheDialogOpen();
    void noProfilesClosesWithoutWriting();
    void executeClosesWhenThereIsNoProfile();
    void unreadableDaysCloseTheDialog();
    void helpKeys();
    void keyboardOnly_data();
    void keyboardOnly();
    void fitsTheScreen_data();
    void fitsTheScreen();
    void longNamesAreCutAndShownWholeInATip();
};

void TestProviderTariffs::dialogLayout() {
    TempStore ts;
    Assigner a(ts);
    QCOMPARE(a.dialog.windowTitle(), QStringLiteral("Tariffs"));
    QTreeWidget* days = a.days();
    QCOMPARE(days->headerItem()->text(0), QStringLiteral("Tariff's name"));
    QCOMPARE(days->headerItem()->text(1), QStringLiteral("Week days"));
    QStringList rows;
    for (int d = 0; d < days->topLevelItemCount(); ++d)
        rows << days->topLevelItem(d)->text(1);
    QCOMPARE(rows, QStringList({"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday",
                                "Saturday", "Holiday"}));
    QCOMPARE(days->toolTip(), QStringLiteral("To delete tariff drag it back <--"));
    QCOMPARE(a.tariffs()->headerItem()->text(0), QStringLiteral("Tariffs"));
    QCOMPARE(a.tariffs()->toolTip(), QStringLiteral("Drag tariffs to -->"));
    for (QAbstractItemView* list :
         {static_cast<QAbstractItemView*>(a.providers()),
          static_cast<QAbstractItemView*>(a.tariffs()), static_cast<QAbstractItemView*>(a.days())})
        QVERIFY2(!list->accessibleName().isEmpty(), qPrintable(list->objectName()));
    // Every day row is in view without scrolling.
    a.dialog.show();
    const QRect holiday = days->visualItemRect(days->topLevelItem(kHoliday));
    QVERIFY(days->viewport()->rect().contains(holiday));
    QVERIFY(a.get<QPushButton>("OKButton")->isDefault());
}

void TestProviderTariffs::neverAssignedProviderGetsAllEightDays() {
    TempStore ts;
    SeedTwoProfiles(ts);
    SeedProviders(ts, {"Fresh"});
    Assigner a(ts);
    a.dialog.FormActivate();
    QVERIFY(a.boxes.shown().empty());
    QCOMPARE(a.dayNames(), QStringList(8, QString()));
    // Reading the days of a provider never written makes no key for it.
    QVERIFY(!ts.HasKey(Root::CurrentUser, "\\Software\\Netrova\\Tariffs\\Fresh"));
    a.assign("Cheap", 1);
    QCOMPARE(a.day(1), QStringLiteral("Cheap"));
    a.click("OKButton");
    QCOMPARE(a.dialog.result(), int(QDialog::Accepted));
    QCOMPARE(DayKeyText(ts, "Fresh", 1), QStringLiteral("Cheap|0|5|2|8|20"));
    for (int d : {0, 2, 3, 4, 5, 6, kHoliday})
        QCOMPARE(DayKeyText(ts, "Fresh", d), Unassigned());
}

void TestProviderTariffs::dropReplacesAndDraggingBackClears() {
    TempStore ts;
    SeedTwoProfiles(ts);
    SeedProviders(ts, {"ISP"});
    DayTariffs stored;
    stored[1] = "Cheap";
    stored[kHoliday] = "Cheap";
    Tariffs(ts).SaveDayMap("ISP", stored, Tariffs(ts).Profiles());
    Assigner a(ts);
    a.dialog.FormActivate();
    QCOMPARE(a.day(1), QStringLiteral("Cheap"));
    a.assign("Dear", 1);
    QCOMPARE(a.day(1), QStringLiteral("Dear"));
    a.dragBack(kHoliday);
    QCOMPARE(a.day(kHoliday), QString());
    a.click("OKButton");
    QCOMPARE(DayKeyText(ts, "ISP", 1), QStringLiteral("Dear|1|9|9|0|0"));
    QCOMPARE(DayKeyText(ts, "ISP", kHoliday), Unassigned());
}

void TestProviderTariffs::dragsThatAreRefused() {
    TempStore ts;
    SeedTwoProfiles(ts);
    SeedProviders(ts, {"ISP"});
    DayTariffs stored;
    stored[2] = "Dear";
    Tariffs(ts).SaveDayMap("ISP", stored, Tariffs(ts).Profiles());
    Assigner a(ts);
    a.dialog.FormActivate();

    // A day without a tariff gives nothing to drag.
    QVERIFY(!a.dragFrom(a.days(), 0));

    // A day does not go onto another day, a tariff not onto the tariff list.
    const auto day = a.dragFrom(a.days(), 2);
    QVERIFY(day);
    QVERIFY(!a.drop(a.days(), day.get(), 3));
    const auto cheap = a.dragTariff("Cheap");
    QVERIFY(!a.drop(a.tariffs(), cheap.get(), -1));
    QVERIFY(!a.drop(a.tariffs(), cheap.get(), 0));
    // Nor a tariff between the days, nor a name that is no profile.
    QVERIFY(!a.drop(a.days(), cheap.get(), -1));
    QMimeData stranger;
    stranger.setData(QString::fromLatin1(TForm3::kDragMimeType), "Nobody");
    QVERIFY(!a.drop(a.days(), &stranger, 3));
    QCOMPARE(a.dayNames(), QStringList({"", "", "Dear", "", "", "", "", ""}));
}

void TestProviderTariffs::realDragEventsUseTheHandlers() {
    TempStore ts;
    SeedTwoProfiles(ts);
    SeedProviders(ts, {"ISP"});
    Assigner a(ts);
    a.dialog.show();
    a.dialog.FormActivate();
    QMimeData foreign;
    foreign.setText(QStringLiteral("Dear"));

    const auto dear = a.dragTariff("Dear");
    QVERIFY(SendDragEvent(a.days(), QEvent::DragEnter, a.dayPos(4), *dear));
    QVERIFY(SendDragEvent(a.days(), QEvent::DragMove, a.dayPos(4), *dear));
    QVERIFY(!SendDragEvent(a.days(), QEvent::DragMove, a.dayPos(4), foreign));
    QVERIFY(!SendDragEvent(a.tariffs(), QEvent::DragEnter, a.tariffPos("Cheap"), *dear));
    QVERIFY(SendDragEvent(a.days(), QEvent::Drop, a.dayPos(4), *dear));
    QCOMPARE(a.day(4), QStringLiteral("Dear"));
    QVERIFY(!SendDragEvent(a.days(), QEvent::Drop, a.dayPos(5), foreign));
    QCOMPARE(a.day(5), QString());

    const auto day = a.dragFrom(a.days(), 4);
    QVERIFY(!SendDragEvent(a.days(), QEvent::DragMove, a.dayPos(5), *day));
    QVERIFY(SendDragEvent(a.tariffs(), QEvent::DragEnter, a.tariffPos("Cheap"), *day));
    QVERIFY(SendDragEvent(a.tariffs(), QEvent::Drop, a.tariffPos("Cheap"), *day));
    QCOMPARE(a.day(4), QString());
    // The day is empty now: dragging it back again is refused.
    QVERIFY(!SendDragEvent(a.tariffs(), QEvent::DragEnter, a.tariffPos("Cheap"), *day));
    QCOMPARE(a.tariffs()->topLevelItemCount(), 2);
}

void TestProviderTariffs::unsavedAssignmentsSurviveSwitching() {
    TempStore ts;
    SeedTwoProfiles(ts);
    SeedProviders(ts, {"A", "B"});
    DayTariffs storedB;
    storedB[0] = "Dear";
    Tariffs(ts).SaveDayMap("B", storedB, Tariffs(ts).Profiles());
    const QStringList before = DumpUserStore(ts);
    {
        Assigner a(ts);
        a.dialog.show();
        a.dialog.FormActivate();
        a.assign("Cheap", 1);
        a.chooseProvider(1);
        QCOMPARE(a.dialog.CurrentProvider(), 1);
        QCOMPARE(a.dayNames(), QStringList({"Dear", "", "", "", "", "", "", ""}));
        a.assign("Cheap", 6);
        a.chooseProvider(0);
        QCOMPARE(a.dayNames(), QStringList({"", "Cheap", "", "", "", "", "", ""}));
        a.chooseProvider(1);
        QCOMPARE(a.dayNames(), QStringList({"Dear", "", "", "", "", "", "Cheap", ""}));
        a.click("CancelButton");
        QCOMPARE(a.dialog.result(), int(QDialog::Rejected));
        QCOMPARE(a.providers()->count(), 0);
    }
    QCOMPARE(DumpUserStore(ts), before);
    Assigner again(ts);
    again.dialog.FormActivate();
    QCOMPARE(again.dayNames(), QStringList(8, QString()));
    again.chooseProvider(1);
    QCOMPARE(again.dayNames(), QStringList({"Dear", "", "", "", "", "", "", ""}));
}

void TestProviderTariffs::okWritesVisitedProvidersOnly() {
    TempStore ts;
    SeedTwoProfiles(ts);
    SeedProviders(ts, {"A", "B", "C"});
    Assigner a(ts);
    a.dialog.FormActivate();
    a.assign("Dear", kHoliday);
    a.chooseProvider(1);
    a.click("OKButton");
    QCOMPARE(DayKeyText(ts, "A", kHoliday), QStringLiteral("Dear|1|9|9|0|0"));
    for (int d = 0; d < kDayCount; ++d)
        QCOMPARE(DayKeyText(ts, "B", d), Unassigned());
    QVERIFY(!ts.HasKey(Root::CurrentUser, "\\Software\\Netrova\\Tariffs\\C"));
}

void TestProviderTariffs::storedDaysAreShownAndKeptOnOk() {
    TempStore ts;
    SeedTwoProfiles(ts);
    SeedProviders(ts, {"ISP"});
    DayTariffs stored;
    stored[3] = "Cheap";
    Tariffs(ts).SaveDayMap("ISP", stored, Tariffs(ts).Profiles());
    // The profile's numbers changed behind the copies' back: "OK" writes the current ones.
    SeedProfile(ts, "Cheap", 7, 19, 4, 1, 0);
    Assigner a(ts);
    a.dialog.FormActivate();
    QCOMPARE(a.day(3), QStringLiteral("Cheap"));
    a.click("OKButton");
    QCOMPARE(DayKeyText(ts, "ISP", 3), QStringLiteral("Cheap|0|4|1|7|19"));
}

void TestProviderTariffs::noProvidersKeepsTheDialogOpen() {
    TempStore ts;
    SeedTwoProfiles(ts);
    Assigner a(ts);
    a.dialog.show();
    a.dialog.FormActivate();
    QCOMPARE(a.boxes.texts(), std::vector<std::string>{"No providers found!"});
    QCOMPARE(a.boxes.shown().front().icon, MsgIcon::Warning);
    QVERIFY(a.dialog.isVisible());
    QCOMPARE(a.providers()->count(), 0);
    QCOMPARE(a.tariffs()->topLevelItemCount(), 2);
    QCOMPARE(a.dayNames(), QStringList(8, QString()));
    a.assign("Cheap", 1);
    a.click("OKButton");
    QCOMPARE(a.dialog.result(), int(QDialog::Accepted));
    Registry reg(ts.store(), Root::CurrentUser);
    QVERIFY(!reg.OpenKey(kTariffsKey, false) || reg.GetKeyNames().empty());
}

void TestProviderTariffs::noProfilesClosesWithoutWriting() {
    TempStore ts;
    SeedProviders(ts, {"ISP"});
    Assigner a(ts);
    a.dialog.show();
    a.dialog.FormActivate();
    QCOMPARE(a.boxes.texts(), std::vector<std::string>{kNoTariffs});
    QCOMPARE(a.boxes.shown().front().icon, MsgIcon::Warning);
    QVERIFY(!a.dialog.isVisible());
    QCOMPARE(a.dialog.result(), int(QDialog::Rejected));
    QVERIFY(!ts.HasKey(Root::CurrentUser, kTariffsKey));
}

void TestProviderTariffs::executeClosesWhenThereIsNoProfile() {
    TempStore ts;
    SeedProviders(ts, {"ISP"});
    ScriptedMessageBoxes boxes;
    RecordingHelpViewer help;
    // Should the dialog stay open, this closes it and the test fails instead of hanging.
    bool forced = false;
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<TForm3*>(w)) {
                forced = true;
                // A dialog hidden before its loop ran only ends the loop by hiding again.
                d->show();
                d->reject();
            }
    });
    watchdog.start(3000);
    QCOMPARE(TForm3::Execute(ts, boxes, help, nullptr), int(QDialog::Rejected));
    QVERIFY(!forced);
    QCOMPARE(boxes.texts(), std::vector<std::string>{kNoTariffs});
}

// A provider whose days cannot be read: the dialog closes without writing, and the error reaches
// the opener rather than the event loop.
void TestProviderTariffs::unreadableDaysCloseTheDialog() {
    TempStore ts;
    SeedTwoProfiles(ts);
    SeedProviders(ts, {"Good", "Bad"});
    ts.SetInt(Root::CurrentUser, DayKeyPath("Bad", 2), "Tariff Profile", 1);
    const QStringList before = DumpUserStore(ts);
    ScriptedMessageBoxes boxes;
    RecordingHelpViewer help;
    QTimer::singleShot(500, [] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<TForm3*>(w); d && d->isVisible()) {
                d->findChild<QListWidget*>("ListBox1")->setCurrentRow(1);
                // Should the dialog stay open, half loaded, this confirms it.
                if (d->isVisible())
                    QTest::mouseClick(d->findChild<QPushButton*>("OKButton"), Qt::LeftButton);
            }
    });
    QVERIFY_THROWS_EXCEPTION(StoreError, TForm3::Execute(ts, boxes, help, nullptr));
    QCOMPARE(DumpUserStore(ts), before);
}

void TestProviderTariffs::helpKeys() {
    TempStore ts;
    SeedProfile(ts, "Evening", 18, 23, 10, 5, 0); // the dialog stays open
    Assigner a(ts);
    a.click("HelpButton");
    // F1 is the key of the window in front.
    a.dialog.show();
    a.dialog.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&a.dialog));
    QTest::keyClick(a.providers(), Qt::Key_F1);
    QTest::keyClick(a.days(), Qt::Key_F1);
    QCOMPARE(a.help.requests, (std::vector<int>{15, 15, 15}));
    QCOMPARE(a.get<QPushButton>("HelpButton")->text(), QStringLiteral("&Help"));
}

// Each row selects with keys only: Down moves to the next tariff or day, Shift+Down takes the
// next day as well; then one key acts, and Enter confirms.
void TestProviderTariffs::keyboardOnly_data() {
    QTest::addColumn<QStringList>("stored");
    QTest::addColumn<int>("tariffDowns");
    QTest::addColumn<int>("dayDowns");
    QTest::addColumn<int>("daysMore");
    QTest::addColumn<QKeySequence>("act");
    QTest::addColumn<QStringList>("after");
    const QStringList none(kDayCount, QString());
    QTest::newRow("Alt+A gives Monday and Tuesday the second tariff")
        << none << 1 << 1 << 1 << QKeySequence(QStringLiteral("Alt+A"))
        << QStringList{"", "Dear", "Dear", "", "", "", "", ""};
    QTest::newRow("Alt+A replaces the tariffs of Saturday and Holiday")
        << QStringList{"Dear", "", "", "", "", "", "Dear", "Dear"} << 0 << 6 << 1
        << QKeySequence(QStringLiteral("Alt+A"))
        << QStringList{"Dear", "", "", "", "", "", "Cheap", "Cheap"};
    QTest::newRow("Del takes the tariffs off Sunday to Tuesday")
        << QStringList{"Cheap", "Cheap", "Dear", "Cheap", "", "", "", ""} << 0 << 0 << 2
        << QKeySequence(Qt::Key_Delete) << QStringList{"", "", "", "Cheap", "", "", "", ""};
    QTest::newRow("Alt+R takes a tariff off one day")
        << QStringList{"", "", "", "", "", "Dear", "Dear", ""} << 0 << 5 << 0
        << QKeySequence(QStringLiteral("Alt+R")) << QStringList{"", "", "", "", "", "", "Dear", ""};
}

void TestProviderTariffs::keyboardOnly() {
    QFETCH(QStringList, stored);
    QFETCH(int, tariffDowns);
    QFETCH(int, dayDowns);
    QFETCH(int, daysMore);
    QFETCH(QKeySequence, act);
    QFETCH(QStringList, after);
    TempStore ts;
    SeedTwoProfiles(ts);
    SeedProviders(ts, {"ISP"});
    DayTariffs days;
    for (int d = 0; d < kDayCount; ++d)
        days[d] = stored[d].toStdString();
    Tariffs(ts).SaveDayMap("ISP", days, Tariffs(ts).Profiles());

    Assigner a(ts);
    QVERIFY(a.activate());
    QVERIFY(a.tabTo(a.tariffs()));
    for (int i = 0; i < tariffDowns; ++i)
        a.key(Qt::Key_Down);
    QVERIFY(a.tabTo(a.days()));
    for (int i = 0; i < dayDowns; ++i)
        a.key(Qt::Key_Down);
    for (int i = 0; i < daysMore; ++i)
        a.key(Qt::Key_Down, Qt::ShiftModifier);
    a.key(act[0].key(), act[0].keyboardModifiers());
    // A button's key clicks it a moment later.
    QTRY_COMPARE(a.dayNames(), after);
    a.key(Qt::Key_Return);
    QCOMPARE(a.dialog.result(), int(QDialog::Accepted));

    const QMap<QString, QString> copies{
        {"", Unassigned()}, {"Cheap", "Cheap|0|5|2|8|20"}, {"Dear", "Dear|1|9|9|0|0"}};
    for (int d = 0; d < kDayCount; ++d)
        QCOMPARE(DayKeyText(ts, "ISP", d), copies.value(after[d]));
}

void TestProviderTariffs::fitsTheScreen_data() {
    AddScreenAndFontRows();
}

// With a forty-character tariff name and a long provider name: the whole window in the middle
// of the screen, nothing squeezed, every button in view, all eight days shown.
void TestProviderTariffs::fitsTheScreen() {
    QFETCH(QString, screen);
    QFETCH(int, pointSize);
    const ApplicationFont font(pointSize);
    TempStore ts;
    SeedProfile(ts, kLongName, 8, 20, 5, 2, 0);
    SeedProfile(ts, "Cheap", 8, 20, 5, 2, 0);
    SeedProviders(ts, {"Long Distance Internet Provider of the Town"});
    DayTariffs days;
    days.fill(kLongName);
    Tariffs(ts).SaveDayMap("Long Distance Internet Provider of the Town", days,
                           Tariffs(ts).Profiles());
    Assigner a(ts);
    QVERIFY(ShowOn(a.dialog, screen));
    const QString problem = FitProblem(
        a.dialog, {"OKButton", "CancelButton", "HelpButton", "AssignButton", "RemoveButton"});
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QTreeWidget* list = a.days();
    QVERIFY(list->viewport()->rect().contains(list->visualItemRect(list->topLevelItem(kHoliday))));
    // Resizable: the names may get all the room the screen has.
    QVERIFY(a.dialog.maximumWidth() > a.dialog.minimumWidth());
}

void TestProviderTariffs::longNamesAreCutAndShownWholeInATip() {
    TempStore ts;
    SeedProfile(ts, kLongName, 8, 20, 5, 2, 0);
    SeedProviders(ts, {"ISP"});
    Assigner a(ts);
    a.dialog.FormActivate();
    a.dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&a.dialog));
    a.assign(kLongName, 2);
    QTreeWidget* days = a.days();
    const auto* delegate = dynamic_cast<ElidingDelegate*>(days->itemDelegate());
    QVERIFY(delegate);
    const QModelIndex cell = days->model()->index(2, 0);
    const auto tip = [&](QTreeWidget* list, const QModelIndex& index) {
        QToolTip::hideText();
        const QPoint at = list->visualRect(index).center();
        QHelpEvent event(QEvent::ToolTip, at, list->viewport()->mapToGlobal(at));
        QApplication::sendEvent(list->viewport(), &event);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    // Whole at the size it starts with: the list's own hint.
    QVERIFY(!delegate->Elided(*days, cell));
    QCOMPARE(tip(days, cell), days->toolTip());
    // At its narrowest, cut; the tip then shows the whole name.
    a.dialog.resize(a.dialog.minimumSize());
    QCoreApplication::processEvents();
    QVERIFY(delegate->Elided(*days, cell));
    QCOMPARE(tip(days, cell), QString::fromLatin1(kLongName));
    QCOMPARE(tip(a.tariffs(), a.tariffs()->model()->index(0, 0)), QString::fromLatin1(kLongName));
    // Dragging still carries the whole name.
    a.assign(kLongName, 3);
    QCOMPARE(a.day(3), QString::fromLatin1(kLongName));
}

int main(int argc, char** argv) {
    return RunOnScreens<TestProviderTariffs>(argc, argv);
}
#include "test_provider_tariffs.moc"
