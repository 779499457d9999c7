#include "../support/TempStore.h"
#include "dialup/DialUpService.h"
#include "settings/Defaults.h"
#include "settings/MachineSettings.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <sqlite3.h>

using namespace netrova;

namespace {

struct Result {
    int code = -1;
    QString out;
    QString err;
};

// Runs netrova-dialup; the child finds the test's store through the environment.
Result RunTool(const QStringList& args, const QProcessEnvironment& env = {}) {
    QProcess p;
    if (!env.isEmpty())
        p.setProcessEnvironment(env);
    p.start(NETROVA_DIALUP_TOOL, args);
    Result r;
    if (!p.waitForFinished(90000) || p.exitStatus() != QProcess::NormalExit)
        return r;
    r.code = p.exitCode();
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

void SetRemoteBytes(SettingsStore& store, const QByteArray& bytes) {
    Registry reg(store, Root::LocalMachine);
    reg.OpenKey(kRemoteAccessServiceKey, true);
    reg.WriteBinary("Remote Connection", bytes.constData(), static_cast<std::size_t>(bytes.size()));
    reg.CloseKey();
}

// The first line of "status": "connected NAME" or "not connected".
QString Status() {
    const Result r = RunTool({"status"});
    return r.code == 0 ? r.out.section('\n', 0, 0) : r.err;
}

QByteArray RemoteBytes(test::TempStore& store) {
    const auto b = store.Bin(Root::LocalMachine, kRemoteAccessServiceKey, "Remote Connection");
    return QByteArray(reinterpret_cast<const char*>(b.data()), static_cast<qsizetype>(b.size()));
}

} // namespace

class TestDialUpTool : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void dialStatusHangup();
    void dialKeepsTheEntrysSpelling();
    void statusReadsTheFlagAsTheMonitorDoes_data();
    void statusReadsTheFlagAsTheMonitorDoes();
    void entries();
    void badArguments_data();
    void badArguments();
    void storeFileThatIsNoDatabase();
    void helpPrintsUsage_data();
    void helpPrintsUsage();
    void busyStoreLosesNoHangupSilently();
    void reportsRefusedWhereAnotherSourceDecides_data();
    void reportsRefusedWhereAnotherSourceDecides();
};

// Reports by hand are for the manual source; the machine's own NetworkManager or pppd must not
// refuse them here.
void TestDialUpTool::initTestCase() {
    qputenv("NETROVA_DIALUP", "manual");
}

void TestDialUpTool::dialStatusHangup() {
    test::TempStore store;

    Result r = RunTool({"status"});
    QCOMPARE(r.code, 0);
    // Then the connection source: this test's NETROVA_DIALUP.
    QCOMPARE(r.out, QString("not connected\nsource: manual, set by NETROVA_DIALUP\n"));

    r = RunTool({"dial", "Sky Net", "--interface", "ppp0"});
    QCOMPARE(r.code, 0);
    QCOMPARE(r.err, QString());
    QCOMPARE(RemoteBytes(store), QByteArray("\x01\x00\x00\x00", 4));
    QCOMPARE(ReadDefaultEntry(store), std::string("Sky Net"));
    QCOMPARE(ListEntries(store), std::vector<std::string>{"Sky Net"});
    QCOMPARE(ReadConnectionInterface(store), std::string("ppp0"));
    QCOMPARE(Status(), QString("connected Sky Net"));

    r = RunTool({"hangup"});
    QCOMPARE(r.code, 0);
    QCOMPARE(RemoteBytes(store), QByteArray("\x00\x00\x00\x00", 4));
    QCOMPARE(Status(), QString("not connected"));
    QCOMPARE(ReadDefaultEntry(store), std::string("Sky Net"));

    // A dial that names no interface must not count the last one's bytes.
    QCOMPARE(RunTool({"dial", "Sky Net"}).code, 0);
    QCOMPARE(ReadConnectionInterface(store), std::string());
}

void TestDialUpTool::dialKeepsTheEntrysSpelling() {
    test::TempStore store;
    AddEntry(store, "ISP");
    QCOMPARE(RunTool({"dial", "isp"}).code, 0);
    QCOMPARE(ListEntries(store), std::vector<std::string>{"ISP"});
    QCOMPARE(ReadDefaultEntry(store), std::string("ISP"));
}

void TestDialUpTool::statusReadsTheFlagAsTheMonitorDoes_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("status");
    QTest::newRow("1") << QByteArray("\x01\x00\x00\x00", 4) << "connected isp";
    QTest::newRow("2") << QByteArray("\x02\x00\x00\x00", 4) << "not connected";
    QTest::newRow("1 in a high byte") << QByteArray("\x00\x00\x00\x01", 4) << "not connected";
    QTest::newRow("257") << QByteArray("\x01\x01\x00\x00", 4) << "not connected";
}

void TestDialUpTool::statusReadsTheFlagAsTheMonitorDoes() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, status);
    test::TempStore store;
    SetDefaultEntry(store, "isp");
    SetRemoteBytes(store, bytes);
    QCOMPARE(Status(), status);
}

void TestDialUpTool::entries() {
    test::TempStore store;
    for (const char* name : {"alpha", "beta", "alpha"})
        QCOMPARE(RunTool({"add-entry", name}).code, 0);
    QCOMPARE(RunTool({"entries"}).out, QString("alpha\nbeta\n"));

    QCOMPARE(RunTool({"remove-entry", "ALPHA"}).code, 0);
    QCOMPARE(RunTool({"entries"}).out, QString("beta\n"));

    const Result r = RunTool({"remove-entry", "alpha"});
    QCOMPARE(r.code, 1);
    QVERIFY(r.err.contains("\"alpha\" is not a dial-up entry"));
    QCOMPARE(RunTool({"entries"}).out, QString("beta\n"));
}

void TestDialUpTool::badArguments_data() {
    QTest::addColumn<QStringList>("args");
    QTest::newRow("nothing") << QStringList{};
    QTest::newRow("unknown command") << QStringList{"connect", "isp"};
    QTest::newRow("unknown option") << QStringList{"--frob", "hangup"};
    QTest::newRow("dial without name") << QStringList{"dial"};
    QTest::newRow("two names") << QStringList{"dial", "a", "b"};
    QTest::newRow("hangup with argument") << QStringList{"hangup", "isp"};
    QTest::newRow("empty name") << QStringList{"add-entry", ""};
    QTest::newRow("key separator in name") << QStringList{"dial", "a\\b"};
    // "entries" lists one name per line: a new line would make one entry two.
    QTest::newRow("new line in name") << QStringList{"dial", "a\nb"};
    QTest::newRow("tab in name") << QStringList{"add-entry", "a\tb"};
    QTest::newRow("escape in name") << QStringList{"add-entry", "a\x1b[2Jb"};
    QTest::newRow("interface without name") << QStringList{"dial", "isp", "--interface"};
    QTest::newRow("interface name too long")
        << QStringList{"dial", "isp", "--interface", "ppp0123456789abc"};
    QTest::newRow("interface name a path") << QStringList{"dial", "isp", "--interface=../ppp0"};
    QTest::newRow("interface for another command")
        << QStringList{"add-entry", "isp", "--interface", "ppp0"};
}

void TestDialUpTool::badArguments() {
    QFETCH(QStringList, args);
    test::TempStore store;
    const Result r = RunTool(args);
    QCOMPARE(r.code, 2);
    // The reason, naming what was wrong, and one line pointing to --help.
    const QStringList lines = r.err.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2);
    QVERIFY2(lines[0].startsWith("netrova-dialup: "), qPrintable(r.err));
    if (QByteArray(QTest::currentDataTag()).startsWith("unknown"))
        QVERIFY2(lines[0].contains("\"" + args[0] + "\""), qPrintable(r.err));
    if (QByteArray(QTest::currentDataTag()).startsWith("interface name")) {
        const QString name = args.last().section('=', -1);
        QVERIFY2(
            lines[0].endsWith(QString::fromStdString(InterfaceNameProblem(name.toStdString()))),
            qPrintable(r.err));
    }
    QCOMPARE(lines[1], QString("Try 'netrova-dialup --help' for more information."));
    QCOMPARE(r.out, QString());
    QVERIFY(!ReadRemoteConnection(store));
    QVERIFY(ListEntries(store).empty());
}

void TestDialUpTool::helpPrintsUsage_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("out");
    QTest::newRow("long") << QStringList{"--help"} << "usage: netrova-dialup";
    QTest::newRow("short") << QStringList{"-h"} << "usage: netrova-dialup";
    QTest::newRow("help whatever follows")
        << QStringList{"--help", "hangup"} << "usage: netrova-dialup";
    // Not a connection named "--help".
    QTest::newRow("help after the command")
        << QStringList{"dial", "--help"} << "usage: netrova-dialup";
    QTest::newRow("version") << QStringList{"--version"} << "netrova-dialup 1.";
    // Reading creates no store: a new user is simply not connected.
    QTest::newRow("status of a new user") << QStringList{"status"} << "not connected\n";
    QTest::newRow("entries of a new user") << QStringList{"entries"} << "";
}

// Answers that need no store leave none behind, nor its folder.
void TestDialUpTool::helpPrintsUsage() {
    QFETCH(QStringList, args);
    QFETCH(QString, out);
    QTemporaryDir dir;
    const QString folder = dir.filePath("new");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("NETROVA_USER_STORE", folder + "/user.db");
    env.insert("NETROVA_MACHINE_STORE", folder + "/machine.db");
    const Result r = RunTool(args, env);
    QCOMPARE(r.code, 0);
    QVERIFY2(out.isEmpty() ? r.out.isEmpty() : r.out.startsWith(out), qPrintable(r.out));
    QCOMPARE(r.err, QString());
    QVERIFY(!QFile::exists(folder));
}

// Another program keeps the store's write lock past the tool's wait: the hang-up is refused with
// its own exit code and says it was not recorded, rather than failing like any other error.
void TestDialUpTool::busyStoreLosesNoHangupSilently() {
    test::TempStore store;
    SetRemoteConnection(store, true);
    sqlite3* db = nullptr;
    QCOMPARE(sqlite3_open(store.machinePath().c_str(), &db), SQLITE_OK);
    QCOMPARE(
        sqlite3_exec(db, "BEGIN IMMEDIATE; UPDATE vals SET data = data", nullptr, nullptr, nullptr),
        SQLITE_OK);
    // The tool's own minute, shortened: what is asserted is that it gives up and says so.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("NETROVA_LOCK_TIMEOUT"), QStringLiteral("2"));
    QElapsedTimer waited;
    waited.start();
    const Result r = RunTool({"hangup"}, env);
    const qint64 waitedMs = waited.elapsed();
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    QVERIFY2(waitedMs < 30000, qPrintable(QString::number(waitedMs))); // not the minute
    QCOMPARE(r.code, 3);
    QVERIFY2(r.err.contains("has finished. The hang-up was not recorded."), qPrintable(r.err));
    QVERIFY(ReadRemoteConnection(store));
}

void TestDialUpTool::storeFileThatIsNoDatabase() {
    QTemporaryDir dir;
    const QString userFile = dir.filePath("user.db");
    const QByteArray junk = "these are notes, not settings\n";
    {
        QFile f(userFile);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(junk);
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("NETROVA_USER_STORE", userFile);
    env.insert("NETROVA_MACHINE_STORE", dir.filePath("machine.db"));

    const Result r = RunTool({"dial", "isp"}, env);
    QCOMPARE(r.code, 1);
    QVERIFY2(r.err.contains(userFile) && r.err.contains("cannot be used"), qPrintable(r.err));
    QFile f(userFile);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), junk);
}

void TestDialUpTool::reportsRefusedWhereAnotherSourceDecides_data() {
    QTest::addColumn<QString>("variable"); // NETROVA_DIALUP; "": unset
    QTest::addColumn<QString>("setting");  // Preferences' "Connection Source"; "": none
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("refusal"); // "": the report is made
    QTest::addColumn<QString>("source");  // the second line of "status"
    QTest::newRow("NETROVA_DIALUP=pppd, dial")
        << "pppd"
        << "" << QStringList{"dial", "other"} << "from pppd here (set by NETROVA_DIALUP)"
        << "pppd, set by NETROVA_DIALUP";
    QTest::newRow("NETROVA_DIALUP=NetworkManager, hangup")
        << "NetworkManager"
        << "" << QStringList{"hangup"} << "from NetworkManager here"
        << "NetworkManager, set by NETROVA_DIALUP";
    QTest::newRow("pppd in Preferences, hangup")
        << ""
        << "pppd" << QStringList{"hangup"} << "from pppd here (set in Preferences)"
        << "pppd, set in Preferences";
    QTest::newRow("NETROVA_DIALUP=Manual over pppd in Preferences, hangup")
        << "Manual"
        << "pppd" << QStringList{"hangup"} << ""
        << "manual, set by NETROVA_DIALUP";
}

// A hang-up typed by hand would end the count of a link that NetworkManager or pppd keep up.
void TestDialUpTool::reportsRefusedWhereAnotherSourceDecides() {
    QFETCH(QString, variable);
    QFETCH(QString, setting);
    QFETCH(QStringList, args);
    QFETCH(QString, refusal);
    QFETCH(QString, source);
    test::TempStore store;
    SetDefaultEntry(store, "isp");
    SetRemoteConnection(store, true);
    if (!setting.isEmpty())
        MachineSettings(store).SetConnectionSource(*DialUpSourceFromWord(setting.toStdString()));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (variable.isEmpty())
        env.remove("NETROVA_DIALUP");
    else
        env.insert("NETROVA_DIALUP", variable);

    const Result r = RunTool(args, env);
    if (refusal.isEmpty()) {
        QCOMPARE(r.code, 0);
        QCOMPARE(RunTool({"status"}, env).out, "not connected\nsource: " + source + "\n");
        return;
    }
    QCOMPARE(r.code, 2);
    QVERIFY2(r.err.count('\n') == 1 && r.err.contains(refusal) &&
                 r.err.contains("NETROVA_DIALUP=manual"),
             qPrintable(r.err));
    QCOMPARE(RunTool({"status"}, env).out, "connected isp\nsource: " + source + "\n");
    QVERIFY(ListEntries(store).empty());
}

QTEST_GUILESS_MAIN(TestDialUpTool)
#include "test_dialup_tool.moc"
