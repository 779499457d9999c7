// The Preferences dialog: what it shows, what "OK" stores, the tray choice, the autostart entry
// and the program list with its file chooser.
#include "../monitor/MonitorRig.h"

#include "monitor/Installation.h"
#include "options/ExecList.h"
#include "options/Preferences.h"
#include "options/PreferencesDialog.h"
#include "platform/Autostart.h"
#include "platform/FileChooser.h"
#include "platform/QtFileChooser.h"
#include "settings/Defaults.h"
#include "settings/UserPreferences.h"
#include "support/DesktopDoubles.h"
#include "support/TempStore.h"

#include <QCheckBox>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QSortFilterProxyModel>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using namespace netrova;
using namespace netrova::test;

namespace {

const char* const kProgram = "/opt/net rova/netrova";

class FakeTray : public TrayControl {
public:
    bool TrayAvailable() override { return available; }
    void AddTrayIcon() override { calls += "add "; }
    void RemoveTrayIcon() override { calls += "remove "; }
    void SetTrayMode(int mode) override { calls += "mode" + std::to_string(mode) + " "; }
    bool available = true;
    std::string calls;
};

QString ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// A user with settings, and the one Preferences dialog over them.
struct PrefsRig {
    PrefsRig()
        : autostart(autostartDir.path().toStdString()),
          dialog(rig.store, rig.boxes, rig.help, chooser, autostart, tray, kProgram) {
        rig.Start();
        rig.help.requests.clear();
    }
    template <class W = QLineEdit> W* get(const char* name = "ConnectDelay") {
        W* w = dialog.findChild<W*>(QLatin1String(name));
        if (!w)
            qFatal("no control %s", name);
        return w;
    }
    QCheckBox* box(const char* name) { return get<QCheckBox>(name); }
    QPlainTextEdit* memo() { return get<QPlainTextEdit>("Programs"); }
    QString entry() { return QString::fromStdString(autostart.EntryPath()); }
    int userInt(const char* name) { return rig.store.Int(Root::CurrentUser, kProductKey, name); }
    int machineInt(const char* name) {
        return rig.store.Int(Root::LocalMachine, kProductKey, name);
    }

    MonitorRig rig;
    QTemporaryDir autostartDir;
    XdgAutostart autostart;
    ScriptedFileChooser chooser;
    FakeTray tray;
    TForm2 dialog;
};

} // namespace

class PreferencesTest : public QObject {
    Q_OBJECT

private slots:
    void autostartEntryFollowsTheBox() {
        PrefsRig p;
        p.dialog.FormActivate();
        QVERIFY(!p.box("AutostartBox")->isChecked()); // installed with "Start" 0
        p.box("AutostartBox")->setChecked(true);
        p.dialog.BitBtn1Click();
        QCOMPARE(p.machineInt("Start"), 1);
        QCOMPARE(p.rig.store.Str(Root::LocalMachine, kRunKey, kRunValue), std::string(kProgram));
        QVERIFY(ReadFile(p.entry()).contains("\nExec=\"/opt/net rova/netrova\"\n"));

        // The entry of an earlier build, under the old name, goes with it.
        const QString oldEntry = p.autostartDir.filePath("netrova.desktop");
        QVERIFY(QFile::copy(p.entry(), oldEntry));
        p.dialog.FormActivate();
        QVERIFY(p.box("AutostartBox")->isChecked());
        p.box("AutostartBox")->setChecked(false);
        p.dialog.BitBtn1Click();
        QVERIFY(!QFile::exists(oldEntry));
        QCOMPARE(p.machineInt("Start"), 0);
        QVERIFY(p.rig.store.Has(Root::LocalMachine, kRunKey, kRunValue));
        QCOMPARE(p.rig.store.Str(Root::LocalMachine, kRunKey, kRunValue), std::string());
        QVERIFY(!QFile::exists(p.entry()));
    }

    // Every entry written passes the desktop's own check; a path that no entry can hold is
    // refused and nothing is written.
    void execValueQuoting_data() {
        QTest::addColumn<QByteArray>("program");
        QTest::addColumn<QString>("exec");
        QTest::newRow("plain") << QByteArray("/usr/bin/netrova") << "\"/usr/bin/netrova\"";
        QTest::newRow("reserved") << QByteArray("/a\"b$c`d") << "\"/a\\\\\"b\\\\$c\\\\`d\"";
        QTest::newRow("backslash") << QByteArray("/a\\b") << "\"/a\\\\\\\\b\"";
        QTest::newRow("percent") << QByteArray("/100%/n") << "\"/100%%/n\"";
        QTest::newRow("new line and a key")
            << QByteArray("/a\nHidden=true\nExec=/bin/sh") << "\"/a\\nHidden=true\\nExec=/bin/sh\"";
        QTest::newRow("tab and carriage return") << QByteArray("/a\tb\rc") << "\"/a\\tb\\rc\"";
        QTest::newRow("not UTF-8") << QByteArray("/caf\xe9/netrova") << QString();
        QTest::newRow("other control character") << QByteArray("/a\x1b[2J") << QString();
    }
    void execValueQuoting() {
        QFETCH(QByteArray, program);
        QFETCH(QString, exec);
        QTemporaryDir dir;
        XdgAutostart autostart(dir.path().toStdString());
        const QString entry = QString::fromStdString(autostart.EntryPath());
        if (exec.isEmpty()) {
            QVERIFY_THROWS_EXCEPTION(std::runtime_error, autostart.Enable(program.toStdString()));
            QVERIFY(!QFile::exists(entry));
            return;
        }
        QCOMPARE(QString::fromStdString(XdgAutostart::ExecValue(program.toStdString())), exec);
        autostart.Enable(program.toStdString());
        QVERIFY(ReadFile(entry).contains("\nExec=" + exec + "\n"));
        QProcess validate;
        validate.start("desktop-file-validate", {entry});
        QVERIFY2(validate.waitForFinished(),
                 "desktop-file-validate (desktop-file-utils) is needed");
        QVERIFY2(validate.exitCode() == 0 && validate.readAll().isEmpty(),
                 qPrintable(ReadFile(entry)));
    }

    // Anti-crash switched off in an earlier run stays off through an "OK" for something else.
    void otherBoxesKeepTheirValues() {
        PrefsRig p;
        p.rig.store.SetInt(Root::LocalMachine, kProductKey, "AntiCrash", 0);
        p.dialog.FormActivate();
        QVERIFY(!p.box("AntiCrashBox")->isChecked());
        QVERIFY(p.box("LogoBox")->isChecked());
        QVERIFY(p.box("MinimizeBox")->isChecked());
        p.box("LogoBox")->setChecked(false);
        p.dialog.BitBtn1Click();
        QCOMPARE(p.machineInt("AntiCrash"), 0);
        QCOMPARE(p.userInt("Logo"), 0);
        QCOMPARE(p.userInt("Minimize"), 1);
        QCOMPARE(p.userInt("Connect delay"), 10);
        QVERIFY(!LogoAtStart(p.rig.store));
    }

    // A key holding only what a tool wrote, or no settings at all: every missing value reads
    // its default, and reading them creates nothing.
    void missingValuesReadTheirDefaults_data() {
        QTest::addColumn<bool>("delaySet");
        QTest::newRow("only \"Connect delay\", set by a tool") << true;
        QTest::newRow("no settings at all") << false;
    }
    void missingValuesReadTheirDefaults() {
        QFETCH(bool, delaySet);
        TempStore ts;
        EnsureInstallationDefaults(ts);
        if (delaySet)
            ts.SetInt(Root::CurrentUser, kProductKey, "Connect delay", 30);
        const Preferences p = LoadPreferences(ts);
        QVERIFY(p.Logo && p.Minimize && p.SystemTray);
        QCOMPARE(p.ConnectDelay, std::string(delaySet ? "30" : "10"));
        QVERIFY(LogoAtStart(ts));
        const BeepSettings beep = UserPreferences(ts).Beep();
        QCOMPARE(std::vector({beep.Enabled, beep.Interval, beep.Sound}), std::vector({1, 15, 3}));
        QCOMPARE(ts.HasKey(Root::CurrentUser, kProductKey), delaySet);
        QVERIFY(ReadExecList(ts).empty());
    }

    // A stored delay out of range shows as the 0 it counts as.
    void emptyDelayKeepsTheStoredOne_data() {
        QTest::addColumn<int>("stored");
        QTest::addColumn<QString>("shown");
        QTest::newRow("in range") << 25 << "25";
        QTest::newRow("negative") << -5 << "0";
        QTest::newRow("above a day") << 86401 << "0";
    }
    void emptyDelayKeepsTheStoredOne() {
        QFETCH(int, stored);
        QFETCH(QString, shown);
        PrefsRig p;
        p.rig.SetConnectDelay(stored);
        p.dialog.FormActivate();
        QCOMPARE(p.get()->text(), shown);
        p.get()->clear();
        p.dialog.BitBtn1Click();
        QCOMPARE(p.userInt("Connect delay"), stored);
        QCOMPARE(p.get()->text(), shown);
        QVERIFY(p.rig.boxes.shown().empty());
    }

    void typedDelay_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("boxes");
        QTest::addColumn<QString>("shown");
        QTest::newRow("digits") << "120" << 0 << "120";
        QTest::newRow("letter") << "1x" << 1 << "0";
        QTest::newRow("one box per character") << "a-b5" << 3 << "0";
        QTest::newRow("non-ASCII letter") << QString::fromUtf8("5\u00e9") << 1 << "0";
        QTest::newRow("a day") << "86400" << 0 << "86400";
        QTest::newRow("above a day") << "86401" << 1 << "0";
    }
    void typedDelay() {
        QFETCH(QString, text);
        QFETCH(int, boxes);
        QFETCH(QString, shown);
        PrefsRig p;
        p.dialog.FormActivate();
        p.get()->setText(text); // pasted at once
        QCOMPARE(p.get()->text(), shown);
        QCOMPARE(int(p.rig.boxes.shown().size()), boxes);
        for (const auto& b : p.rig.boxes.shown()) {
            QCOMPARE(b.text, std::string("Incorrect number !"));
            QCOMPARE(b.icon, MsgIcon::Warning);
        }
        p.dialog.BitBtn1Click();
        QCOMPARE(p.userInt("Connect delay"), shown.toInt());
    }

    void programList() {
        PrefsRig p;
        p.dialog.FormActivate();
        QCOMPARE(p.get<QLabel>("ProgramCount")->text(), QString("Now you have entered 0 programs"));
        p.memo()->setPlainText("/bin/mail\n\n/bin/web");
        QCOMPARE(p.get<QLabel>("ProgramCount")->text(), QString("Now you have entered 3 programs"));
        p.chooser.answer = "/usr/bin/news";
        QTest::mouseClick(p.get<QPushButton>("AddButton"), Qt::LeftButton);
        QCOMPARE(p.chooser.titles, std::string("Open\n"));
        p.chooser.answer.clear(); // cancelled
        QTest::mouseClick(p.get<QPushButton>("AddButton"), Qt::LeftButton);
        QCOMPARE(p.memo()->toPlainText(), QString("/bin/mail\n\n/bin/web\n/usr/bin/news"));
        p.dialog.BitBtn1Click();
        QCOMPARE(p.rig.store.Int(Root::CurrentUser, kExecKey, "Lines"), 4);
        QCOMPARE(p.rig.store.Str(Root::CurrentUser, kExecKey, "Line1"), std::string());
        QCOMPARE(p.rig.store.Str(Root::CurrentUser, kExecKey, "Line3"),
                 std::string("/usr/bin/news"));

        // Edits that were not confirmed are gone when the dialog closes.
        p.memo()->setPlainText("/bin/other");
        p.dialog.reject();
        QCOMPARE(p.memo()->toPlainText(), QString("/bin/mail\n\n/bin/web\n/usr/bin/news"));
        QCOMPARE(p.get<QLabel>("ProgramCount")->text(), QString("Now you have entered 4 programs"));
    }

    void trayChoice_data() {
        QTest::addColumn<bool>("checked");
        QTest::addColumn<bool>("available");
        QTest::addColumn<QString>("calls");
        QTest::addColumn<int>("boxes");
        QTest::newRow("on") << true << true << "add mode1 " << 0;
        QTest::newRow("off") << false << true << "remove mode0 " << 0;
        QTest::newRow("on without a tray") << true << false << "remove mode0 " << 1;
    }
    void trayChoice() {
        QFETCH(bool, checked);
        QFETCH(bool, available);
        QFETCH(QString, calls);
        QFETCH(int, boxes);
        PrefsRig p;
        p.tray.available = available;
        p.dialog.FormActivate();
        p.box("TrayBox")->setChecked(checked);
        p.dialog.BitBtn1Click();
        QCOMPARE(QString::fromStdString(p.tray.calls), calls);
        QCOMPARE(p.userInt("System tray"), checked ? 1 : 0);
        QCOMPARE(int(p.rig.boxes.shown().size()), boxes);
        if (boxes)
            QCOMPARE(p.rig.boxes.shown().front().icon, MsgIcon::Information);
    }

    // The last page shown, "Startup" the first time, or the page a command asks for.
    void opensOnTheAskedPage() {
        PrefsRig p;
        QList<int> pages;
        const auto openOn = [&](int page) {
            QTimer::singleShot(0, &p.dialog, [&] {
                QCoreApplication::sendPostedEvents();
                pages << p.get<QTabWidget>("Pages")->currentIndex();
                QTest::mouseClick(p.get<QPushButton>("CancelButton"), Qt::LeftButton);
            });
            QCOMPARE(p.dialog.Execute(page), int(QDialog::Rejected));
        };
        openOn(-1);
        openOn(TForm2::ExecPage);
        openOn(-1);
        openOn(TForm2::StartupPage);
        QCOMPARE(pages, (QList<int>{0, 2, 2, 0}));
        QTest::mouseClick(p.get<QPushButton>("HelpButton"), Qt::LeftButton);
        QCOMPARE(p.rig.help.requests, std::vector<int>{9});
    }

    // The connection source shows as stored and is stored as chosen, machine-wide; a word that
    // names no source shows Automatic. NETROVA_DIALUP, which decides instead, is named.
    void connectionSource_data() {
        QTest::addColumn<QString>("stored"); // "": none
        QTest::addColumn<QByteArray>("variable");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("written");
        QTest::newRow("none, pppd chosen") << "" << QByteArray() << "SourceAutomatic"
                                           << "SourcePppd"
                                           << "pppd";
        QTest::newRow("NetworkManager, Manual chosen, NETROVA_DIALUP set")
            << "NetworkManager" << QByteArray("pppd") << "SourceNetworkManager"
            << "SourceManual"
            << "manual";
        QTest::newRow("a word of no source, Automatic kept")
            << "modem" << QByteArray() << "SourceAutomatic"
            << "SourceAutomatic"
            << "automatic";
    }
    void connectionSource() {
        QFETCH(QString, stored);
        QFETCH(QByteArray, variable);
        QFETCH(QString, shown);
        QFETCH(QString, chosen);
        QFETCH(QString, written);
        if (!variable.isNull())
            qputenv("NETROVA_DIALUP", variable);
        const auto unset = qScopeGuard([] { qunsetenv("NETROVA_DIALUP"); });
        PrefsRig p;
        if (!stored.isEmpty())
            p.rig.store.SetStr(Root::LocalMachine, kRemoteAccessServiceKey, "Connection Source",
                               stored.toStdString());
        p.dialog.FormActivate();
        for (const char* name :
             {"SourceAutomatic", "SourceNetworkManager", "SourcePppd", "SourceManual"})
            QCOMPARE(p.get<QRadioButton>(name)->isChecked(), shown == name);
        const QLabel* override = p.get<QLabel>("SourceOverride");
        QCOMPARE(!override->isHidden(), !variable.isNull());
        if (!variable.isNull())
            QVERIFY2(override->text().startsWith("NETROVA_DIALUP=" + variable + " "),
                     qPrintable(override->text()));

        p.get<QRadioButton>(qPrintable(chosen))->setChecked(true);
        p.dialog.BitBtn1Click();
        QCOMPARE(p.rig.store.Str(Root::LocalMachine, kRemoteAccessServiceKey, "Connection Source"),
                 written.toStdString());
        QCOMPARE(LoadPreferences(p.rig.store).ConnectionSource,
                 *DialUpSourceFromWord(written.toStdString()));
    }

    // "Executable files" lists folders and what the user may run; "All files" everything.
    void chooserFilters() {
        QTemporaryDir dir;
        QFile script(dir.filePath("run.sh"));
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.close();
        script.setPermissions(script.permissions() | QFileDevice::ExeOwner);
        QFile notes(dir.filePath("notes.txt"));
        QVERIFY(notes.open(QIODevice::WriteOnly));
        notes.close();
        QDir(dir.path()).mkdir("sub");

        const auto dialog = QtFileChooser::MakeDialog("Open", nullptr);
        QCOMPARE(dialog->windowTitle(), QString("Open"));
        QStringList filters;
        for (const QString& f : dialog->nameFilters())
            filters << f.section(" (", 0, 0);
        QCOMPARE(filters, (QStringList{"Executable files", "All files"}));

        dialog->setDirectory(dir.path());
        QAbstractProxyModel* proxy = dialog->proxyModel();
        auto* files = qobject_cast<QFileSystemModel*>(proxy->sourceModel());
        QVERIFY(files);
        const QModelIndex folder = files->index(dir.path());
        QTRY_COMPARE(files->rowCount(folder), 3);
        const auto listed = [&] {
            QStringList names;
            const QModelIndex root = proxy->mapFromSource(folder);
            for (int row = 0; row < proxy->rowCount(root); ++row)
                names << proxy->index(row, 0, root).data().toString();
            names.sort();
            return names;
        };
        QCOMPARE(listed(), (QStringList{"run.sh", "sub"}));
        dialog->selectNameFilter(dialog->nameFilters().at(1));
        QCOMPARE(listed(), (QStringList{"notes.txt", "run.sh", "sub"}));
        dialog->selectNameFilter(dialog->nameFilters().at(0));
        QCOMPARE(listed(), (QStringList{"run.sh", "sub"}));
    }
};

QTEST_MAIN(PreferencesTest)
#include "test_preferences.moc"
