// netrova-reg run as people and scripts run it: exact output and exit codes.

#include "../support/TempStore.h"
#include "settings/Defaults.h"
#include "store/Registry.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <grp.h>
#include <unistd.h>

using namespace netrova;
using netrova::test::TempStore;

namespace {

struct Result {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Result Run(const QStringList& args,
           const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment(),
           bool asNobody = false) {
    QProcess p;
    p.setProcessEnvironment(env);
    if (asNobody)
        p.setChildProcessModifier([] {
            if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)
                ::_exit(127);
        });
    p.start(NETROVA_REG_TOOL, args);
    Result r;
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit)
        return r;
    r.exitCode = p.exitCode();
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

// The environment of a user whose store files would be in folder.
QProcessEnvironment EnvWithStoreIn(const QString& folder) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("NETROVA_USER_STORE", folder + "/user.db");
    env.insert("NETROVA_MACHINE_STORE", folder + "/machine.db");
    return env;
}

std::vector<std::uint8_t> Bytes(std::initializer_list<int> list) {
    std::vector<std::uint8_t> v;
    for (int b : list)
        v.push_back(static_cast<std::uint8_t>(b));
    return v;
}

} // namespace

class RegToolTest : public QObject {
    Q_OBJECT

private slots:
    void setThenGet_data();
    void setThenGet();
    void getReadsWhatTheProgramWrote();
    void listShowsSubkeysThenValues();
    void deleteKeyAndValue();
    void refusals_data();
    void refusals();
    void fileThatIsNotADatabase();
    void helpPrintsUsage_data();
    void helpPrintsUsage();
    void readsCreateNoStore_data();
    void readsCreateNoStore();
};

void RegToolTest::setThenGet_data() {
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("data");
    QTest::addColumn<QByteArray>("printed");

    QTest::newRow("int") << "int"
                         << "10" << QByteArray("10\n");
    QTest::newRow("int with plus") << "int"
                                   << "+7" << QByteArray("7\n");
    QTest::newRow("int lowest") << "int"
                                << "-2147483648" << QByteArray("-2147483648\n");
    QTest::newRow("int highest") << "int"
                                 << "2147483647" << QByteArray("2147483647\n");
    QTest::newRow("str") << "str"
                         << "Dial-up Одесса" << QByteArray("Dial-up Одесса\n");
    QTest::newRow("str empty") << "str"
                               << "" << QByteArray("\n");
    QTest::newRow("str of digits") << "str"
                                   << "0042" << QByteArray("0042\n");
    QTest::newRow("bin") << "bin"
                         << "01000000" << QByteArray("01000000\n");
    QTest::newRow("bin upper case") << "bin"
                                    << "DEADbeef" << QByteArray("deadbeef\n");
    QTest::newRow("bin empty") << "bin"
                               << "" << QByteArray("\n");
}

// What set writes, get prints, and the store holds it with the type asked for.
void RegToolTest::setThenGet() {
    QFETCH(QString, type);
    QFETCH(QString, data);
    QFETCH(QByteArray, printed);
    TempStore ts;

    const Result set = Run({"set", "HKLM\\Software\\Netrova\\Counter\\All", "Value", type, data});
    QCOMPARE(set.err, QByteArray());
    QCOMPARE(set.exitCode, 0);
    QCOMPARE(set.out, QByteArray());

    const Result get = Run({"get", "hklm\\software\\netrova\\counter\\all\\", "VALUE"});
    QCOMPARE(get.err, QByteArray());
    QCOMPARE(get.exitCode, 0);
    QCOMPARE(get.out, printed);

    Registry reg(ts, Root::LocalMachine);
    QVERIFY(reg.OpenKey(kCounterAllKey, false));
    const ValueType expected = type == "int"   ? ValueType::Integer
                               : type == "str" ? ValueType::String
                                               : ValueType::Binary;
    QCOMPARE(reg.GetDataType("Value"), expected);
    if (expected == ValueType::Integer)
        QCOMPARE(QByteArray::number(reg.ReadInteger("Value")) + "\n", printed);
    if (expected == ValueType::String)
        QCOMPARE(reg.ReadString("Value"), data.toStdString());
}

void RegToolTest::getReadsWhatTheProgramWrote() {
    TempStore ts;
    ts.SetInt(Root::CurrentUser, kProductKey, "Connect delay", 10);
    Registry reg(ts, Root::LocalMachine);
    QVERIFY(reg.OpenKey(kRemoteAccessServiceKey, true));
    const auto flag = Bytes({1, 0, 0, 0xff});
    reg.WriteBinary("Remote Connection", flag.data(), flag.size());
    reg.CloseKey();

    Result r = Run({"get", "HKCU\\Software\\Netrova", "Connect Delay"});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, QByteArray("10\n"));
    r = Run(
        {"get", "HKLM\\System\\CurrentControlSet\\Services\\RemoteAccess", "Remote Connection"});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, QByteArray("010000ff\n"));
    // The roots are apart.
    r = Run({"get", "HKLM\\Software\\Netrova", "Connect delay"});
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(r.out, QByteArray());
    QVERIFY(!r.err.isEmpty());
}

void RegToolTest::listShowsSubkeysThenValues() {
    TempStore ts;
    const Root P = Root::CurrentUser;
    ts.SetInt(P, kBeepKey, "Enabled", 1);
    ts.SetInt(P, std::string(kTariffsKey) + "\\Dialup", "Tariff", 1);
    ts.SetInt(P, kExecKey, "Lines", 0);
    ts.SetInt(P, kProductKey, "Connect delay", 10);
    ts.SetStr(P, kProductKey, "User Name", "joe");
    ts.SetInt(P, kProductKey, "Logo", -1);
    {
        Registry reg(ts, P);
        QVERIFY(reg.OpenKey(kProductKey, false));
        const auto bytes = Bytes({0x0a, 0xb0});
        reg.WriteBinary("Blob", bytes.data(), bytes.size());
        reg.CloseKey();
    }

    const Result r = Run({"list", "HKCU\\Software\\Netrova"});
    QCOMPARE(r.err, QByteArray());
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, QByteArray("Beep\\\n"
                               "Exec\\\n"
                               "Tariffs\\\n"
                               "Connect delay\tint\t10\n"
                               "User Name\tstr\tjoe\n"
                               "Logo\tint\t-1\n"
                               "Blob\tbin\t0ab0\n"));

    const Result root = Run({"list", "HKCU"});
    QCOMPARE(root.exitCode, 0);
    QCOMPARE(root.out, QByteArray("Software\\\n"));
    const Result empty = Run({"list", "HKCU\\Software\\Netrova\\Exec\\"});
    QCOMPARE(empty.exitCode, 0);
    QCOMPARE(empty.out, QByteArray("Lines\tint\t0\n"));
}

void RegToolTest::deleteKeyAndValue() {
    TempStore ts;
    const Root P = Root::CurrentUser;
    ts.SetInt(P, kBeepKey, "Enabled", 1);
    ts.SetInt(P, std::string(kTariffsKey) + "\\Dialup\\0", "DayCost", 3);
    ts.SetInt(P, kProductKey, "Connect delay", 10);
    ts.SetInt(P, kProductKey, "Logo", 1);

    Result r = Run({"delete", "HKCU\\Software\\Netrova", "connect DELAY"});
    QCOMPARE(r.exitCode, 0);
    QVERIFY(!ts.Has(P, kProductKey, "Connect delay"));
    QCOMPARE(ts.Int(P, kProductKey, "Logo"), 1);
    r = Run({"delete", "HKCU\\Software\\Netrova", "Connect delay"});
    QCOMPARE(r.exitCode, 1);
    QVERIFY(!r.err.isEmpty());

    r = Run({"delete", "HKCU\\Software\\Netrova\\Tariffs"});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, QByteArray());
    QVERIFY(!ts.HasKey(P, kTariffsKey));
    QCOMPARE(ts.Int(P, kBeepKey, "Enabled"), 1);
    r = Run({"delete", "HKCU\\Software\\Netrova\\Tariffs"});
    QCOMPARE(r.exitCode, 1);
    QVERIFY(!r.err.isEmpty());
    r = Run({"delete", "HKCU\\Software\\Netrova\\Missing", "Logo"});
    QCOMPARE(r.exitCode, 1);
}

void RegToolTest::refusals_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<bool>("pointsToHelp");
    QTest::addColumn<QString>("message");

    const QString key = "HKCU\\Software\\Netrova";
    QTest::newRow("no arguments") << QStringList{} << 2 << true << QString();
    QTest::newRow("command only") << QStringList{"get"} << 2 << true << QString();
    QTest::newRow("unknown command") << QStringList{"put", key, "V"} << 2 << true << QString();
    QTest::newRow("get without value") << QStringList{"get", key} << 2 << true << QString();
    QTest::newRow("list with value") << QStringList{"list", key, "V"} << 2 << true << QString();
    QTest::newRow("set without data")
        << QStringList{"set", key, "V", "int"} << 2 << true << QString();
    QTest::newRow("unknown root") << QStringList{"set", "HKCR\\Software", "V", "int", "1"} << 2
                                  << true << QString();
    QTest::newRow("root without separator")
        << QStringList{"set", "HKCUSoftware", "V", "int", "1"} << 2 << true << QString();
    QTest::newRow("int with letters")
        << QStringList{"set", key, "V", "int", "12x"} << 2 << true << QString();
    QTest::newRow("int empty") << QStringList{"set", key, "V", "int", ""} << 2 << true << QString();
    QTest::newRow("int too big") << QStringList{"set", key, "V", "int", "2147483648"} << 2 << true
                                 << QString();
    QTest::newRow("int too small")
        << QStringList{"set", key, "V", "int", "-2147483649"} << 2 << true << QString();
    QTest::newRow("bin odd") << QStringList{"set", key, "V", "bin", "abc"} << 2 << true
                             << QString();
    QTest::newRow("bin not hex") << QStringList{"set", key, "V", "bin", "0x01"} << 2 << true
                                 << QString();
    QTest::newRow("unknown type") << QStringList{"set", key, "V", "dword", "1"} << 2 << true
                                  << QString();
    QTest::newRow("delete a root") << QStringList{"delete", "HKCU\\"} << 2 << true << QString();
    QTest::newRow("int with two signs")
        << QStringList{"set", key, "V", "int", "+-1"} << 2 << true << QString();
    QTest::newRow("int with blank")
        << QStringList{"set", key, "V", "int", " 1"} << 2 << true << QString();
    QTest::newRow("value name with new line")
        << QStringList{"set", key, "V\nW", "int", "1"} << 2 << true << QString();
    QTest::newRow("key with tab") << QStringList{"set", key + "\\A\tB", "V", "int", "1"} << 2
                                  << true << QString();
    // "ISP\\" must not become the key "ISP".
    QTest::newRow("empty key name")
        << QStringList{"set", key + "\\ISP\\\\0", "V", "int", "1"} << 2 << true << QString();
    QTest::newRow("unknown command alone")
        << QStringList{"frobnicate"} << 2 << true << "unknown command \"frobnicate\"";
    QTest::newRow("unknown option")
        << QStringList{"--frob", "list", key} << 2 << true << "unknown option \"--frob\"";
    QTest::newRow("option after the command is a name")
        << QStringList{"get", key, "--version"} << 1 << false << "\"--version\"";
    QTest::newRow("get missing value") << QStringList{"get", key, "V"} << 1 << false << QString();
    QTest::newRow("get missing key")
        << QStringList{"get", key + "\\Nope", "V"} << 1 << false << QString();
    QTest::newRow("list missing key")
        << QStringList{"list", key + "\\Nope"} << 1 << false << QString();
}

// Refused commands print only to stderr and leave the store as it was.
void RegToolTest::refusals() {
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(bool, pointsToHelp);
    QFETCH(QString, message);
    TempStore ts;
    ts.SetInt(Root::CurrentUser, kProductKey, "Logo", 1);

    const Result r = Run(args);
    QCOMPARE(r.exitCode, exitCode);
    QCOMPARE(r.out, QByteArray());
    QVERIFY(!r.err.isEmpty());
    QVERIFY2(r.err.contains(message.toUtf8()), r.err.constData());
    // The reason on one line and a pointer to --help, never the whole usage.
    QVERIFY(!r.err.contains("usage:"));
    QCOMPARE(r.err.endsWith("\nTry 'netrova-reg --help' for more information.\n"), pointsToHelp);
    QCOMPARE(r.err.count('\n'), pointsToHelp ? 2 : 1);

    Registry reg(ts, Root::CurrentUser);
    QVERIFY(reg.OpenKey(kProductKey, false));
    QCOMPARE(reg.GetValueNames(), std::vector<std::string>{"Logo"});
    QCOMPARE(reg.GetKeyNames(), std::vector<std::string>{});
}

void RegToolTest::fileThatIsNotADatabase() {
    TempStore ts;
    const QString bad = QString::fromStdString(ts.dir()) + "/settings.txt";
    const QByteArray content("Connect delay=10\n");
    {
        QFile f(bad);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("NETROVA_USER_STORE", bad);

    const Result r = Run({"set", "HKCU\\Software\\Netrova", "Connect delay", "int", "5"}, env);
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.err.contains(bad.toUtf8()), r.err.constData());
    QFile f(bad);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), content);
}

void RegToolTest::helpPrintsUsage_data() {
    QTest::addColumn<QString>("option");
    QTest::addColumn<QByteArray>("start");
    QTest::newRow("long") << "--help" << QByteArray("usage: netrova-reg");
    QTest::newRow("short") << "-h" << QByteArray("usage: netrova-reg");
    QTest::newRow("version") << "--version" << QByteArray("netrova-reg 1.");
}

// Answered without a store: none is created for it.
void RegToolTest::helpPrintsUsage() {
    QFETCH(QString, option);
    QFETCH(QByteArray, start);
    QTemporaryDir dir;
    const Result r = Run({option}, EnvWithStoreIn(dir.path() + "/new"));
    QCOMPARE(r.exitCode, 0);
    QVERIFY2(r.out.startsWith(start), r.out.constData());
    QCOMPARE(r.err, QByteArray());
    QVERIFY(!QFile::exists(dir.path() + "/new"));
}

void RegToolTest::readsCreateNoStore_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("userStoreExists");
    QTest::addColumn<bool>("readOnlyFolder"); // and the tool run by an ordinary user
    QTest::addColumn<int>("exitCode");
    QTest::newRow("get, no store")
        << QStringList{"get", "HKLM\\Software\\Netrova", "Bug"} << false << false << 1;
    QTest::newRow("list, no store") << QStringList{"list", "HKCU\\Software"} << false << false << 1;
    QTest::newRow("get of the user store, no machine store")
        << QStringList{"get", "HKCU\\Software\\Netrova", "Logo"} << true << false << 0;
    QTest::newRow("get from a read-only folder")
        << QStringList{"get", "HKCU\\Software\\Netrova", "Logo"} << true << true << 0;
}

// Reading never creates a store file or its folder; a missing file reads as empty.
void RegToolTest::readsCreateNoStore() {
    QFETCH(QStringList, args);
    QFETCH(bool, userStoreExists);
    QFETCH(bool, readOnlyFolder);
    QFETCH(int, exitCode);
    QTemporaryDir dir;
    const QString folder = dir.path() + "/new";
    if (userStoreExists) {
        SettingsStore store(StorePaths{(folder + "/user.db").toStdString(), ":memory:"});
        Registry reg(store, Root::CurrentUser);
        reg.OpenKey(kProductKey, true);
        reg.WriteInteger("Logo", 1);
        reg.CloseKey();
    }
    if (readOnlyFolder) {
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner |
                                                  QFile::ReadOther | QFile::ExeOther));
        QFile::setPermissions(dir.path(), QFile::permissions(dir.path()) | QFile::ExeOther);
    }
    // Root writes anywhere: the tool then runs as nobody, for whom the folder is read-only.
    const Result r = Run(args, EnvWithStoreIn(folder), readOnlyFolder && ::geteuid() == 0);
    QFile::setPermissions(folder, QFile::permissions(folder) | QFile::WriteOwner);
    QCOMPARE(r.exitCode, exitCode);
    QCOMPARE(r.out, QByteArray(exitCode == 0 ? "1\n" : ""));
    QCOMPARE(QDir(dir.path()).exists("new"), userStoreExists);
    QVERIFY(!QFile::exists(folder + "/machine.db"));
    // Nothing was made beside the store, not even the files of its write-ahead log.
    if (userStoreExists)
        QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList{"user.db"});
}

QTEST_GUILESS_MAIN(RegToolTest)
#include "test_reg_tool.moc"
