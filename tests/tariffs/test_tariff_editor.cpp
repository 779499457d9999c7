#include "ScreenFit.h"
#include "TariffTestSupport.h"

#include "platform/HelpViewer.h"
#include "platform/MessageBoxes.h"
#include "support/DesktopDoubles.h"
#include "support/ScriptedMessageBoxes.h"
#include "tariffs/NameLists.h"
#include "tariffs/TariffEditor.h"
#include "tariffs/TariffEditorDialog.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <memory>

using namespace netrova;
using namespace netrova::test;

namespace {

const char* const kHourMsg = "You can only type valid hour (0 - 23)!";
const char* const kNumberMsg = "Incorrect number !";
const char* const kNoName = "You have to enter tariff's name !";
const char* const kCreateDup = "The tariff you want to create is allready in the list!";
const char* const kRenameDup = "The tariff you want to rename is already in the list!";
const char* const kTooMany = "Maximum can be 20 tariffs";

std::string ProfileKey(const std::string& name) {
    return std::string(kTariffProfileKey) + "\\" + name;
}

QStringList Texts(const ScriptedMessageBoxes& boxes) {
    QStringList out;
    for (const std::string& t : boxes.texts())
        out << QString::fromStdString(t);
    return out;
}

// One opening of the editor, driven through its controls.
struct Editor {
    explicit Editor(TempStore& ts) : dialog(ts, boxes, help) {}

    template <class W = QLineEdit> W* get(const char* name) {
        W* w = dialog.findChild<W*>(QLatin1String(name));
        if (!w)
            qFatal("no control %s", name);
        return w;
    }
    QString text(const char* edit) { return get(edit)->text(); }
    void type(const char* edit, const QString& text) {
        QLineEdit* e = get(edit);
        e->clear();
        QTest::keyClicks(e, text);
    }
    void click(const char* button) {
        QTest::mouseClick(get<QAbstractButton>(button), Qt::LeftButton);
    }
    QListWidget* list() { return get<QListWidget>("ListBox1"); }
    QStringList entries() {
        QStringList out;
        for (int i = 0; i < list()->count(); ++i)
            out << list()->item(i)->text();
        return out;
    }
    void select(int row) {
        QListWidget* l = list();
        QTest::mouseClick(l->viewport(), Qt::LeftButton, {},
                          l->visualItemRect(l->item(row)).center());
        QCOMPARE(l->currentRow(), row);
    }
    void create(const QString& name) {
        type("Edit7", name);
        click("CreateButton");
    }
    // The mark, which the button must agree with by looking pressed.
    bool markShown() {
        auto* button = get<QToolButton>("SpeedButton3");
        const bool mark = !button->icon().isNull();
        if (button->isChecked() != mark)
            QTest::qFail("OCPD looks pressed without its mark or the other way round", __FILE__,
                         __LINE__);
        return mark;
    }
    // Which of the 'A' begin, 'A' end, 'A' cost, 'B' cost fields can be used.
    QString enabledFields() {
        QString s;
        for (const char* e : {"Edit5", "Edit6", "Edit3", "Edit4"})
            s += get(e)->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
        return s;
    }

    ScriptedMessageBoxes boxes;
    RecordingHelpViewer help;
    TForm5 dialog;
};

} // namespace

class TestTariffEditor : public QObject {
    Q_OBJECT
private slots:
    void numberChecks_data();
    void numberChecks();
    void storedBadHourGivesBothWarnings();
    void fieldsAreStoredOnOk();
    void nameRefusals_data();
    void nameRefusals();
    void editsFollowTheSelection();
    void deleteAsksFirst();
    void deletingTheOnlyProfileThenOk();
    void renameThenOkUnassignsItsDays();
    void costChangeReachesEveryAssignedDay();
    void closingWithoutOkWritesNothing_data();
    void closingWithoutOkWritesNothing();
    void oneCostPerDayMarkAndFields();
    void creatingWhileOneCostPerDay();
    void emptyStoreShowsHowToStart();
    void helpButton();
    void showingTheDialogLoadsIt();
    void unreadableProfileClosesTheDialog();
    void fitsTheScreen_data();
    void fitsTheScreen();
};

void TestTariffEditor::numberChecks_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("isHour");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("hour 25") << "25" << true << QStringList{kHourMsg};
    QTest::newRow("hour 23") << "23" << true << QStringList{};
    QTest::newRow("lone minus in hour") << "-" << true << QStringList{kNumberMsg};
    QTest::newRow("hour then letter") << "1x" << true << QStringList{kNumberMsg};
    QTest::newRow("negative hour") << "-1" << true << QStringList{kHourMsg, kNumberMsg};
    QTest::newRow("letter in cost") << "a" << false << QStringList{kNumberMsg};
    QTest::newRow("minus in cost") << "-" << false << QStringList{kNumberMsg};
    QTest::newRow("cost 99") << "99" << false << QStringList{};
    QTest::newRow("cost 150 is no hour") << "150" << false << QStringList{};
    QTest::newRow("emptied field") << "" << true << QStringList{};
}

void TestTariffEditor::numberChecks() {
    QFETCH(QString, text);
    QFETCH(bool, isHour);
    QFETCH(QStringList, messages);
    const TariffEditor::NumberCheck check = TariffEditor::CheckNumber(text.toStdString(), isHour);
    QStringList shown;
    for (const std::string& w : check.warnings)
        shown << QString::fromStdString(w);
    QCOMPARE(shown, messages);
    QCOMPARE(check.keep, messages.isEmpty());
}

void TestTariffEditor::storedBadHourGivesBothWarnings() {
    TempStore ts;
    SeedProfile(ts, "Broken", -1, 150, 123, 7, 0);
    Editor ed(ts);
    ed.dialog.FormActivate();
    QCOMPARE(Texts(ed.boxes), QStringList({kHourMsg, kNumberMsg, kHourMsg}));
    QCOMPARE(ed.boxes.shown().front().icon, MsgIcon::Warning);
    QCOMPARE(ed.text("Edit5"), QStringLiteral("0"));
    QCOMPARE(ed.text("Edit6"), QStringLiteral("0"));
    QCOMPARE(ed.text("Edit2"), QStringLiteral("0"));
    // A stored cost longer than the field reaches it whole and goes back unchanged.
    QCOMPARE(ed.text("Edit3"), QStringLiteral("123"));
    ed.click("OKButton");
    QCOMPARE(ts.Int(Root::CurrentUser, ProfileKey("Broken"), "DayCost"), 123);
    QCOMPARE(ts.Int(Root::CurrentUser, ProfileKey("Broken"), "StartingInterval"), 0);
}

void TestTariffEditor::fieldsAreStoredOnOk() {
    TempStore ts;
    SeedProfile(ts, "Cheap", 22, 6, 3, 4, 0);
    Editor ed(ts);
    ed.dialog.FormActivate();
    QCOMPARE(ed.text("Edit1"), QStringLiteral("6"));
    QCOMPARE(ed.text("Edit2"), QStringLiteral("22"));
    ed.type("Edit5", "8");
    ed.type("Edit6", "20");
    QCOMPARE(ed.text("Edit1"), QStringLiteral("20"));
    QCOMPARE(ed.text("Edit2"), QStringLiteral("8"));
    QVERIFY(ed.get("Edit1")->isReadOnly());
    ed.type("Edit3", "123");
    QCOMPARE(ed.text("Edit3"), QStringLiteral("12"));
    ed.type("Edit3", "");
    ed.type("Edit4", "7");
    QVERIFY(ed.boxes.shown().empty());
    ed.click("OKButton");
    QCOMPARE(ed.dialog.result(), int(QDialog::Accepted));
    QCOMPARE(ts.Int(Root::CurrentUser, ProfileKey("Cheap"), "StartingInterval"), 8);
    QCOMPARE(ts.Int(Root::CurrentUser, ProfileKey("Cheap"), "EndingInterval"), 20);
    QCOMPARE(ts.Int(Root::CurrentUser, ProfileKey("Cheap"), "DayCost"), 0);
    QCOMPARE(ts.Int(Root::CurrentUser, ProfileKey("Cheap"), "NightCost"), 7);
    QCOMPARE(ts.Int(Root::CurrentUser, ProfileKey("Cheap"), "OCPD"), 0);
}

void TestTariffEditor::nameRefusals_data() {
    QTest::addColumn<int>("profiles");
    QTest::addColumn<bool>("rename");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");
    QTest::newRow("create: empty name") << 20 << false << "" << kNoName;
    QTest::newRow("create: existing name before the limit") << 20 << false << "P07" << kCreateDup;
    QTest::newRow("create: new name at the limit") << 20 << false << "Fresh" << kTooMany;
    QTest::newRow("create: other letter case") << 3 << false << "p01" << kCreateDup;
    QTest::newRow("create: upper case") << 3 << false << "P02" << kCreateDup;
    QTest::newRow("rename: empty name") << 2 << true << "" << kNoName;
    QTest::newRow("rename: its own name") << 2 << true << "P00" << kRenameDup;
    QTest::newRow("rename: its own name in other case") << 2 << true << "p00" << kRenameDup;
    QTest::newRow("rename: another profile's name") << 2 << true << "P01" << kRenameDup;
    QTest::newRow("rename: a free name at the limit") << 20 << true << "Fresh"
                                                      << "";
    QTest::newRow("create: a free name below the limit") << 19 << false << "Fresh"
                                                         << "";
}

void TestTariffEditor::nameRefusals() {
    QFETCH(int, profiles);
    QFETCH(bool, rename);
    QFETCH(QString, name);
    QFETCH(QString, message);
    TempStore ts;
    for (int i = 0; i < profiles; ++i)
        SeedProfile(ts, QStringLiteral("P%1").arg(i, 2, 10, QLatin1Char('0')).toStdString(), 0, 0,
                    i, 0, 0);
    TariffEditor editor(ts);
    editor.Load();
    const TariffProfiles before = editor.Profiles();
    const std::string refusal =
        rename ? editor.Rename(name.toStdString()) : editor.Create(name.toStdString());
    QCOMPARE(QString::fromStdString(refusal), message);
    if (!message.isEmpty()) {
        QCOMPARE(editor.Profiles().size(), before.size());
        QCOMPARE(editor.Current(), 0);
        QCOMPARE(editor.CurrentProfile().Name, before.front().Name);
    } else {
        QCOMPARE(editor.CurrentProfile().Name, name.toStdString());
        QCOMPARE(editor.Count(), rename ? profiles : profiles + 1);
    }
}

void TestTariffEditor::editsFollowTheSelection() {
    TempStore ts;
    SeedProfile(ts, "Alpha", 1, 2, 3, 4, 0);
    SeedProfile(ts, "Beta", 5, 6, 7, 8, 0);
    Editor ed(ts);
    ed.dialog.FormActivate();
    ed.type("Edit3", "11");
    ed.select(1);
    QCOMPARE(ed.text("Edit7"), QStringLiteral("Beta"));
    QCOMPARE(ed.text("Edit3"), QStringLiteral("7"));
    ed.type("Edit4", "12");
    ed.select(0);
    QCOMPARE(ed.text("Edit3"), QStringLiteral("11"));
    ed.create("alpha");
    QCOMPARE(Texts(ed.boxes), QStringList{kCreateDup});
    QCOMPARE(ed.boxes.shown().front().icon, MsgIcon::Stop);
    QCOMPARE(ed.list()->currentRow(), 0);
    // A new profile takes the shown one's edits along before the fields are reset.
    ed.type("Edit4", "13");
    ed.create("Gamma");
    QCOMPARE(ed.list()->currentRow(), 2);
    QCOMPARE(ed.text("Edit4"), QStringLiteral("0"));
    ed.type("Edit3", "21");
    ed.click("OKButton");
    QCOMPARE(ts.Int(Root::CurrentUser, ProfileKey("Alpha"), "DayCost"), 11);
    QCOMPARE(ts.Int(Root::CurrentUser, ProfileKey("Alpha"), "NightCost"), 13);
    QCOMPARE(ts.Int(Root::CurrentUser, ProfileKey("Beta"), "NightCost"), 12);
    QCOMPARE(ts.Int(Root::CurrentUser, ProfileKey("Gamma"), "DayCost"), 21);
    QCOMPARE(ts.Int(Root::CurrentUser, ProfileKey("Gamma"), "NightCost"), 0);
}

void TestTariffEditor::deleteAsksFirst() {
    TempStore ts;
    SeedProfile(ts, "Alpha", 1, 2, 3, 4, 0);
    SeedProfile(ts, "Beta", 5, 6, 7, 8, 1);
    SeedProfile(ts, "Gamma", 9, 10, 11, 12, 0);
    Editor ed(ts);
    ed.dialog.FormActivate();
    ed.select(1);
    ed.boxes.Answer(MsgResult::No);
    ed.click("DeleteButton");
    QCOMPARE(Texts(ed.boxes), QStringList{"Are you sure to delete tariff 'Beta'?"});
    QCOMPARE(ed.boxes.shown().front().icon, MsgIcon::Question);
    QCOMPARE(ed.boxes.shown().front().buttons, MsgButtons::YesNo);
    QCOMPARE(ed.entries(), QStringList({"Alpha", "Beta", "Gamma"}));

    ed.boxes.Answer(MsgResult::Yes);
    ed.click("DeleteButton");
    QCOMPARE(ed.entries(), QStringList({"Alpha", "Gamma"}));
    QCOMPARE(ed.list()->currentRow(), 0);
    QCOMPARE(ed.text("Edit7"), QStringLiteral("Alpha"));
    QCOMPARE(ed.text("Edit3"), QStringLiteral("3"));
    QVERIFY(!ed.markShown());
    // The later profiles moved down with their numbers.
    ed.select(1);
    QCOMPARE(ed.text("Edit3"), QStringLiteral("11"));
    ed.click("OKButton");
    QCOMPARE(ts.Int(Root::CurrentUser, ProfileKey("Gamma"), "NightCost"), 12);
    QVERIFY(!ts.HasKey(Root::CurrentUser, ProfileKey("Beta")));
}

void TestTariffEditor::deletingTheOnlyProfileThenOk() {
    TempStore ts;
    SeedProfile(ts, "Only", 8, 20, 5, 2, 1);
    DayTariffs days;
    days.fill("Only");
    Tariffs(ts).SaveDayMap("ISP", days, Tariffs(ts).Profiles());
    Editor ed(ts);
    ed.dialog.FormActivate();
    QVERIFY(ed.markShown());
    ed.boxes.Answer(MsgResult::Yes);
    ed.click("DeleteButton");
    QVERIFY(ed.entries().isEmpty());
    QCOMPARE(ed.text("Edit7"), QString());
    for (const char* e : {"Edit1", "Edit2", "Edit3", "Edit4", "Edit5", "Edit6"})
        QCOMPARE(ed.text(e), QStringLiteral("0"));
    QVERIFY(!ed.markShown());
    QCOMPARE(ed.enabledFields(), QStringLiteral("1111"));

    ed.click("OKButton");
    QVERIFY(ts.HasKey(Root::CurrentUser, kTariffProfileKey));
    QVERIFY(Tariffs(ts).Profiles().empty());
    for (int d = 0; d < kDayCount; ++d)
        QCOMPARE(DayKeyText(ts, "ISP", d), Unassigned());
}

void TestTariffEditor::renameThenOkUnassignsItsDays() {
    TempStore ts;
    SeedProfile(ts, "Cheap", 8, 20, 5, 2, 0);
    SeedProfile(ts, "Dear", 0, 0, 9, 9, 1);
    DayTariffs days;
    days[1] = "Cheap";
    days[2] = "Dear";
    Tariffs(ts).SaveDayMap("ISP", days, Tariffs(ts).Profiles());
    Editor ed(ts);
    ed.dialog.FormActivate();
    ed.type("Edit7", "Budget");
    ed.click("RenameButton");
    QCOMPARE(ed.entries(), QStringList({"Budget", "Dear"}));
    ed.click("OKButton");
    QVERIFY(!ts.HasKey(Root::CurrentUser, ProfileKey("Cheap")));
    QCOMPARE(ts.Int(Root::CurrentUser, ProfileKey("Budget"), "DayCost"), 5);
    QCOMPARE(DayKeyText(ts, "ISP", 1), Unassigned());
    QCOMPARE(DayKeyText(ts, "ISP", 2), QStringLiteral("Dear|1|9|9|0|0"));
}

void TestTariffEditor::costChangeReachesEveryAssignedDay() {
    TempStore ts;
    SeedProfile(ts, "Cheap", 8, 20, 5, 2, 0);
    SeedProfile(ts, "Dear", 0, 0, 9, 9, 1);
    DayTariffs one;
    one[1] = "Cheap";
    one[kHoliday] = "Cheap";
    one[3] = "Dear";
    DayTariffs two;
    two[0] = "Cheap";
    Tariffs(ts).SaveDayMap("One", one, Tariffs(ts).Profiles());
    Tariffs(ts).SaveDayMap("Two", two, Tariffs(ts).Profiles());
    Editor ed(ts);
    ed.dialog.FormActivate();
    ed.type("Edit3", "7");
    ed.click("OKButton");
    QCOMPARE(DayKeyText(ts, "One", 1), QStringLiteral("Cheap|0|7|2|8|20"));
    QCOMPARE(DayKeyText(ts, "One", kHoliday), QStringLiteral("Cheap|0|7|2|8|20"));
    QCOMPARE(DayKeyText(ts, "Two", 0), QStringLiteral("Cheap|0|7|2|8|20"));
    QCOMPARE(DayKeyText(ts, "One", 3), QStringLiteral("Dear|1|9|9|0|0"));
    QCOMPARE(DayKeyText(ts, "Two", 1), Unassigned());
}

void TestTariffEditor::closingWithoutOkWritesNothing_data() {
    QTest::addColumn<QString>("route");
    QTest::newRow("Cancel") << "cancel";
    QTest::newRow("Esc") << "escape";
    QTest::newRow("title bar") << "close";
}

void TestTariffEditor::closingWithoutOkWritesNothing() {
    QFETCH(QString, route);
    TempStore ts;
    SeedProfile(ts, "Cheap", 8, 20, 5, 2, 0);
    SeedProfile(ts, "Dear", 0, 0, 9, 9, 1);
    DayTariffs days;
    days[1] = "Cheap";
    Tariffs(ts).SaveDayMap("ISP", days, Tariffs(ts).Profiles());
    const QStringList before = DumpUserStore(ts);
    {
        Editor ed(ts);
        ed.dialog.show();
        ed.dialog.FormActivate();
        ed.type("Edit3", "42");
        ed.create("New");
        ed.select(0);
        ed.type("Edit7", "Renamed");
        ed.click("RenameButton");
        ed.boxes.Answer(MsgResult::Yes);
        ed.select(1);
        ed.click("DeleteButton");
        if (route == "cancel")
            ed.click("CancelButton");
        else if (route == "escape")
            QTest::keyClick(ed.list(), Qt::Key_Escape);
        else
            ed.dialog.close();
        QCOMPARE(ed.dialog.result(), int(QDialog::Rejected));
        QVERIFY(!ed.dialog.isVisible());
        // Closing empties the dialog.
        QVERIFY(ed.entries().isEmpty());
        QCOMPARE(ed.text("Edit7"), QString());
    }
    QCOMPARE(DumpUserStore(ts), before);
    Editor again(ts);
    again.dialog.FormActivate();
    QCOMPARE(again.entries(), QStringList({"Cheap", "Dear"}));
    QCOMPARE(again.text("Edit3"), QStringLiteral("5"));
}

void TestTariffEditor::oneCostPerDayMarkAndFields() {
    TempStore ts;
    SeedProfile(ts, "Flat", 8, 20, 5, 2, 1);
    SeedProfile(ts, "Split", 9, 18, 6, 3, 0);
    Editor ed(ts);
    ed.dialog.FormActivate();
    QVERIFY(ed.markShown());
    QCOMPARE(ed.enabledFields(), QStringLiteral("0010"));
    // Disabled fields keep their numbers.
    QCOMPARE(ed.text("Edit5"), QStringLiteral("8"));
    ed.select(1);
    QVERIFY(!ed.markShown());
    QCOMPARE(ed.enabledFields(), QStringLiteral("1111"));
    ed.select(0);
    QVERIFY(ed.markShown());
    QCOMPARE(ed.enabledFields(), QStringLiteral("0010"));
    QVERIFY(!ed.get("Edit1")->isEnabled());
    QVERIFY(!ed.get("Edit2")->isEnabled());

    ed.click("SpeedButton3");
    QVERIFY(!ed.markShown());
    QCOMPARE(ed.enabledFields(), QStringLiteral("1111"));
    ed.select(1);
    ed.click("SpeedButton3");
    QVERIFY(ed.markShown());
    ed.click("OKButton");
    QCOMPARE(ts.Int(Root::CurrentUser, ProfileKey("Flat"), "OCPD"), 0);
    QCOMPARE(ts.Int(Root::CurrentUser, ProfileKey("Split"), "OCPD"), 1);
    QCOMPARE(ts.Int(Root::CurrentUser, ProfileKey("Split"), "StartingInterval"), 9);
    QCOMPARE(ts.Int(Root::CurrentUser, ProfileKey("Split"), "NightCost"), 3);
}

void TestTariffEditor::creatingWhileOneCostPerDay() {
    TempStore ts;
    SeedProfile(ts, "Flat", 8, 20, 5, 2, 1);
    Editor ed(ts);
    ed.dialog.FormActivate();
    ed.type("Edit3", "6");
    ed.create("Fresh");
    QVERIFY(ed.boxes.shown().empty());
    QCOMPARE(ed.entries(), QStringList({"Flat", "Fresh"}));
    QCOMPARE(ed.list()->currentRow(), 1);
    QVERIFY(!ed.markShown());
    QCOMPARE(ed.enabledFields(), QStringLiteral("1111"));
    for (const char* e : {"Edit1", "Edit2", "Edit3", "Edit4", "Edit5", "Edit6"})
        QCOMPARE(ed.text(e), QStringLiteral("0"));
    ed.click("OKButton");
    QCOMPARE(ts.Int(Root::CurrentUser, ProfileKey("Flat"), "OCPD"), 1);
    QCOMPARE(ts.Int(Root::CurrentUser, ProfileKey("Flat"), "DayCost"), 6);
    QCOMPARE(ts.Int(Root::CurrentUser, ProfileKey("Fresh"), "OCPD"), 0);
    QCOMPARE(ts.Int(Root::CurrentUser, ProfileKey("Fresh"), "DayCost"), 0);
}

void TestTariffEditor::emptyStoreShowsHowToStart() {
    TempStore ts;
    Editor ed(ts);
    ed.dialog.FormActivate();
    QCOMPARE(Texts(ed.boxes),
             QStringList{
                 "To create tariff enter tariff's name and then press 'Create new tariff' button"});
    QCOMPARE(ed.boxes.shown().front().icon, MsgIcon::Information);
    QVERIFY(!ts.HasKey(Root::CurrentUser, kTariffProfileKey));
    // Rename and delete have nothing to act on.
    ed.type("Edit7", "Name");
    ed.click("RenameButton");
    ed.click("DeleteButton");
    QCOMPARE(ed.boxes.shown().size(), std::size_t(1));
    // A backslash would make nested keys of the name, so it cannot be typed.
    ed.type("Edit7", "A\\B");
    QCOMPARE(ed.text("Edit7"), QStringLiteral("AB"));
    ed.type("Edit7", QString(50, QLatin1Char('x')));
    QCOMPARE(ed.text("Edit7").size(), 44);
}

void TestTariffEditor::helpButton() {
    TempStore ts;
    Editor ed(ts);
    ed.click("HelpButton");
    QCOMPARE(ed.help.requests, std::vector<int>{12});
    QCOMPARE(ed.get<QPushButton>("HelpButton")->text(), QStringLiteral("&Help"));
    QVERIFY(ed.get<QPushButton>("OKButton")->isDefault());
    QCOMPARE(ed.dialog.windowTitle(), QStringLiteral("Tariffs Options"));
}

void TestTariffEditor::showingTheDialogLoadsIt() {
    TempStore ts;
    SeedProfile(ts, "Cheap", 8, 20, 5, 2, 0);
    Editor ed(ts);
    ed.dialog.show();
    QTRY_COMPARE(ed.entries(), QStringList{"Cheap"});
    QCOMPARE(ed.text("Edit6"), QStringLiteral("20"));
    // Loaded once only: showing again does not read the store a second time.
    ed.create("Second");
    ed.dialog.hide();
    ed.dialog.show();
    QTest::qWait(20);
    QCOMPARE(ed.entries(), QStringList({"Cheap", "Second"}));
}

void TestTariffEditor::unreadableProfileClosesTheDialog() {
    TempStore ts;
    SeedProfile(ts, "Alpha", 1, 2, 3, 4, 0);
    ts.SetInt(Root::CurrentUser, ProfileKey("Beta"), "DayCost", 5);
    SeedProfile(ts, "Gamma", 1, 2, 3, 4, 0);
    const QStringList before = DumpUserStore(ts);
    ScriptedMessageBoxes boxes;
    RecordingHelpViewer help;
    // Should the dialog stay open, half loaded, this confirms it: "OK" would then drop the
    // profiles that were not read, and the comparison below fails.
    QTimer::singleShot(3000, [] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<TForm5*>(w))
                QTest::mouseClick(d->findChild<QPushButton*>("OKButton"), Qt::LeftButton);
    });
    QVERIFY_THROWS_EXCEPTION(StoreError, TForm5::Execute(ts, boxes, help, nullptr));
    QCOMPARE(DumpUserStore(ts), before);
}

void TestTariffEditor::fitsTheScreen_data() {
    AddScreenAndFontRows();
}

// With twenty tariffs, one of forty characters: the whole window in the middle of the screen,
// nothing squeezed, every button in view, the long name whole in the list.
void TestTariffEditor::fitsTheScreen() {
    QFETCH(QString, screen);
    QFETCH(int, pointSize);
    const ApplicationFont font(pointSize);
    TempStore ts;
    const QString longName = QStringLiteral("Long distance evening and weekend tariff");
    SeedProfile(ts, longName.toStdString(), 8, 20, 5, 2, 1);
    for (int i = 1; i < kMaxTariffs; ++i)
        SeedProfile(ts, "Tariff " + std::to_string(i), 8, 20, 5, 2, 0);
    Editor ed(ts);
    QVERIFY(ShowOn(ed.dialog, screen));
    const QString problem =
        FitProblem(ed.dialog, {"OKButton", "CancelButton", "HelpButton", "CreateButton",
                               "RenameButton", "DeleteButton", "SpeedButton3"});
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QVERIFY(ed.dialog.maximumWidth() > ed.dialog.minimumWidth());
    QListWidget* list = ed.list();
    const auto* delegate = dynamic_cast<ElidingDelegate*>(list->itemDelegate());
    QVERIFY(delegate);
    QVERIFY(!delegate->Elided(*list, list->model()->index(0, 0)));
}

int main(int argc, char** argv) {
    return RunOnScreens<TestTariffEditor>(argc, argv);
}
#include "test_tariff_editor.moc"
