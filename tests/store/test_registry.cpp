// The settings store as the program and the tools use it: names, transactions, several
// processes on one store, damaged files and the installation defaults.

#include "../support/TempStore.h"
#include "monitor/Installation.h"
#include "settings/Defaults.h"
#include "settings/MachineSettings.h"
#include "store/Registry.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <sqlite3.h>

#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace netrova;
using netrova::test::TempStore;

namespace {

const std::string kLoadKey = "\\Software\\Netrova\\Load";

QByteArray ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The file of a database that sql makes.
QByteArray DatabaseBytes(const char* sql) {
    QTemporaryDir dir;
    const QByteArray path = QFile::encodeName(dir.filePath("other.db"));
    sqlite3* db = nullptr;
    if (sqlite3_open(path.constData(), &db) != SQLITE_OK ||
        sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        qFatal("cannot make the database: %s", sqlite3_errmsg(db));
    sqlite3_close(db);
    return ReadFile(QString::fromLocal8Bit(path));
}

} // namespace

class RegistryTest : public QObject {
    Q_OBJECT

private slots:
    void namesAreCaseInsensitive_data();
    void namesAreCaseInsensitive();
    void openWithoutCreate();
    void deleteKeyRemovesSubtree();
    void keyPaths_data();
    void keyPaths();
    void deepSubtreeIsDeleted();
    void missingAndMistypedValues_data();
    void missingAndMistypedValues();
    void readBinaryCopiesAtMostSize();
    void enumerationOrder();
    void unclosedKeyWritesNothing_data();
    void unclosedKeyWritesNothing();
    void killedProcessWritesNothing_data();
    void killedProcessWritesNothing();
    void secondProcessWritesWhileWeWork();
    void newStoreLockedByAnotherProcess();
    void fileThatIsNotADatabaseIsRefused_data();
    void fileThatIsNotADatabaseIsRefused();
    void unwritableFolderIsNamed_data();
    void unwritableFolderIsNamed();
    void installationDefaults();
    void olderStoreIsMigratedInPlace();
    void heldWriteLock_data();
    void heldWriteLock();
    void programPathIsMachineFolder_data();
    void programPathIsMachineFolder();
};

void RegistryTest::namesAreCaseInsensitive_data() {
    QTest::addColumn<QString>("writeKey");
    QTest::addColumn<QString>("writeName");
    QTest::addColumn<QString>("readKey");
    QTest::addColumn<QString>("readName");

    QTest::newRow("value, read in capitals") << "\\Software\\Netrova"
                                             << "Connect delay"
                                             << "\\Software\\Netrova"
                                             << "Connect Delay";
    QTest::newRow("value, written in capitals") << "\\Software\\Netrova"
                                                << "AntiCrash"
                                                << "\\Software\\Netrova"
                                                << "Anticrash";
    QTest::newRow("key, read in capitals") << "\\software\\Netrova\\Exec"
                                           << "Lines"
                                           << "\\Software\\Netrova\\Exec"
                                           << "Lines";
    QTest::newRow("key, written in capitals") << "\\SOFTWARE\\NETROVA\\EXEC"
                                              << "Lines"
                                              << "\\software\\netrova\\exec"
                                              << "lines";
    QTest::newRow("Cyrillic key and value") << "\\Software\\Netrova\\Tariffs\\Провайдер"
                                            << "Тариф"
                                            << "\\Software\\Netrova\\Tariffs\\ПРОВАЙДЕР"
                                            << "тАРИФ";
    QTest::newRow("trailing backslash") << "\\Software\\Netrova\\"
                                        << "Logo"
                                        << "\\Software\\Netrova"
                                        << "Logo";
    QTest::newRow("trailing backslash on read") << "\\Software\\Netrova"
                                                << "Logo"
                                                << "\\Software\\Netrova\\"
                                                << "Logo";
    QTest::newRow("no leading backslash") << "Software\\Netrova"
                                          << "Logo"
                                          << "\\Software\\Netrova"
                                          << "Logo";
}

// Each pair of spellings addresses one key and one value: reading finds it, writing with the
// other spelling replaces it, and the first spelling is the one kept.
void RegistryTest::namesAreCaseInsensitive() {
    QFETCH(QString, writeKey);
    QFETCH(QString, writeName);
    QFETCH(QString, readKey);
    QFETCH(QString, readName);
    TempStore ts;
    Registry reg(ts, Root::CurrentUser);

    QVERIFY(reg.OpenKey(writeKey.toStdString(), true));
    reg.WriteInteger(writeName.toStdString(), 42);
    reg.CloseKey();

    QVERIFY(reg.OpenKey(readKey.toStdString(), false));
    QCOMPARE(reg.ReadInteger(readName.toStdString()), 42);
    QVERIFY(reg.ValueExists(readName.toStdString()));
    reg.WriteInteger(readName.toStdString(), 7);
    QCOMPARE(reg.ValueCount(), 1);
    QCOMPARE(reg.GetValueNames().front(), writeName.toStdString());
    reg.CloseKey();

    QVERIFY(reg.OpenKey(writeKey.toStdString(), false));
    QCOMPARE(reg.ReadInteger(writeName.toStdString()), 7);
    reg.CloseKey();
    // One key path, not two that differ in case.
    QVERIFY(reg.OpenKey("\\Software", false));
    QCOMPARE(reg.GetKeyNames().size(), std::size_t(1));
}

void RegistryTest::openWithoutCreate() {
    TempStore ts;
    Registry reg(ts, Root::LocalMachine);
    QVERIFY(reg.OpenKey("\\Software\\Netrova", true));
    QVERIFY(reg.IsOpen());

    // The failed open also closes the key opened before.
    QVERIFY(!reg.OpenKey("\\Software\\Netrova\\Missing", false));
    QVERIFY(!reg.IsOpen());
    QVERIFY_THROWS_EXCEPTION(StoreError, reg.ReadString("x"));
    QVERIFY(!reg.KeyExists("\\Software\\Netrova\\Missing"));

    // With create, the keys along the path are made too.
    QVERIFY(reg.OpenKey("\\A\\B\\C", true));
    reg.CloseKey();
    QVERIFY(reg.KeyExists("\\a\\b"));
    QVERIFY(reg.KeyExists("\\A\\B\\C\\"));
    QVERIFY(ts.HasKey(Root::LocalMachine, "\\Software\\Netrova"));
    QVERIFY(!ts.HasKey(Root::CurrentUser, "\\Software\\Netrova")); // roots are apart
}

void RegistryTest::deleteKeyRemovesSubtree() {
    TempStore ts;
    const Root P = Root::CurrentUser;
    ts.SetInt(P, "\\Software\\Netrova2", "Kept", 1);
    ts.SetInt(P, "\\Software\\Other", "Kept", 2);
    // Made last, so that keys made after the delete could take over their places.
    ts.SetStr(P, kProductKey, "User Name", "joe");
    ts.SetInt(P, kBeepKey, "Enabled", 1);
    ts.SetInt(P, kExecKey, "Lines", 0);
    ts.SetInt(P, std::string(kTariffsKey) + "\\Provider\\Holiday", "DayCost", 5);
    ts.SetInt(P, std::string(kTariffProfileKey) + "\\Cheap", "NightCost", 1);

    Registry reg(ts, P);
    QVERIFY(reg.DeleteKey("\\software\\NETROVA\\"));
    QVERIFY(!reg.KeyExists(kProductKey));
    QVERIFY(!reg.DeleteKey(kProductKey));

    // Re-creating the deepest key finds no values left over from before.
    QVERIFY(reg.OpenKey(std::string(kTariffsKey) + "\\Provider\\Holiday", true));
    QCOMPARE(reg.ValueCount(), 0);
    QVERIFY(reg.OpenKey(kProductKey, false));
    QCOMPARE(reg.GetKeyNames(), std::vector<std::string>{"Tariffs"});
    QCOMPARE(reg.ValueCount(), 0);
    reg.CloseKey();

    QCOMPARE(ts.Int(P, "\\Software\\Netrova2", "Kept"), 1);
    QCOMPARE(ts.Int(P, "\\Software\\Other", "Kept"), 2);

    // A key made after a delete starts empty, even where it takes the deleted key's place.
    ts.SetInt(P, "\\Software\\Last", "Stale", 1);
    QVERIFY(reg.DeleteKey("\\Software\\Last"));
    QVERIFY(reg.OpenKey("\\Software\\Fresh", true));
    QCOMPARE(reg.ValueCount(), 0);
}

// One leading and one trailing "\\" are ignored; an empty name inside names no key, so that a
// provider "ISP\\" never reads the tariffs of "ISP".
void RegistryTest::keyPaths_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("parts"); // joined by "/"; "!" for an invalid path
    QTest::newRow("root") << ""
                          << "";
    QTest::newRow("root with separator") << "\\"
                                         << "";
    QTest::newRow("absolute") << "\\A\\B"
                              << "A/B";
    QTest::newRow("relative, trailing") << "A\\B\\"
                                        << "A/B";
    QTest::newRow("name ending in separator") << "\\Tariffs\\ISP\\\\0"
                                              << "!";
    QTest::newRow("name starting with separator") << "\\Tariffs\\\\ISP\\0"
                                                  << "!";
    QTest::newRow("two leading") << "\\\\A"
                                 << "!";
    QTest::newRow("separators only") << "\\\\\\"
                                     << "!";
}

void RegistryTest::keyPaths() {
    QFETCH(QString, path);
    QFETCH(QString, parts);
    const std::string text = path.toStdString();
    const auto split = SplitKeyPath(text);
    QString joined = "!";
    if (split) {
        QStringList names;
        for (std::string_view part : *split)
            names << QString::fromUtf8(part.data(), qsizetype(part.size()));
        joined = names.join('/');
    }
    QCOMPARE(joined, parts);

    TempStore ts;
    ts.SetInt(Root::CurrentUser, "\\Tariffs\\ISP\\0", "DayCost", 5);
    Registry reg(ts, Root::CurrentUser);
    if (!split) {
        QVERIFY(!reg.OpenKey(text, false));
        QVERIFY_THROWS_EXCEPTION(StoreError, reg.OpenKey(text, true));
        QVERIFY(!reg.DeleteKey(text));
        QVERIFY(ts.HasKey(Root::CurrentUser, "\\Tariffs\\ISP\\0"));
    } else {
        QVERIFY(reg.OpenKey(text, true));
        QCOMPARE(QString::fromStdString(reg.CurrentPath()),
                 QString("HKCU") + (parts.isEmpty() ? "" : "\\" + parts.replace('/', '\\')));
    }
}

// SQLite counts each level of a cascading delete as a trigger level and stops at 1000.
void RegistryTest::deepSubtreeIsDeleted() {
    TempStore ts;
    std::string deep = kProductKey;
    for (int i = 0; i < 1200; ++i)
        deep += "\\k";
    ts.SetInt(Root::CurrentUser, deep, "Deepest", 1);
    ts.SetInt(Root::CurrentUser, kBeepKey, "Enabled", 1);
    Registry reg(ts, Root::CurrentUser);
    QVERIFY(reg.DeleteKey(std::string(kProductKey) + "\\k"));
    QVERIFY(!reg.KeyExists(std::string(kProductKey) + "\\k"));
    QCOMPARE(ts.Int(Root::CurrentUser, kBeepKey, "Enabled"), 1);
    ts.SetInt(Root::CurrentUser, deep, "Deepest", 1);
    QVERIFY(reg.DeleteKey(kProductKey));
    QVERIFY(reg.OpenKey("\\Software", false));
    QCOMPARE(reg.GetKeyNames(), std::vector<std::string>{});
}

void RegistryTest::missingAndMistypedValues_data() {
    QTest::addColumn<QString>("stored"); // "" missing, else SQL giving the data of "Bug"
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("named");
    QTest::newRow("missing") << "" << 0 << "";
    QTest::newRow("stored as a string") << "'1'" << 2 << "";
    // Written by another program: never cut to 32 bits.
    QTest::newRow("64-bit number") << "4294967297" << 1 << "4294967297";
    QTest::newRow("below the 32-bit range") << "-2147483649" << 1 << "-2147483649";
    QTest::newRow("text in an integer") << "'7'" << 1 << "not an integer";
}

void RegistryTest::missingAndMistypedValues() {
    QFETCH(QString, stored);
    QFETCH(int, type);
    QFETCH(QString, named);
    TempStore ts;
    ts.SetInt(Root::LocalMachine, kProductKey, stored.isEmpty() ? "Other" : "Bug", 1);
    if (!stored.isEmpty()) {
        sqlite3* db = nullptr;
        QCOMPARE(sqlite3_open(ts.machinePath().c_str(), &db), SQLITE_OK);
        const QString sql = QString("UPDATE vals SET type = %1, data = %2 WHERE fold = 'bug'")
                                .arg(type)
                                .arg(stored);
        QCOMPARE(sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
    }

    Registry reg(ts, Root::LocalMachine);
    QVERIFY(reg.OpenKey("\\software\\netrova", false));
    QCOMPARE(reg.ReadString("Missing"), std::string());
    try {
        reg.ReadInteger("Bug");
        QFAIL("ReadInteger did not throw");
    } catch (const StoreError& e) {
        const QString message = QString::fromUtf8(e.what());
        QVERIFY2(message.contains("HKLM\\Software\\Netrova"), e.what());
        QVERIFY2(message.contains("\"Bug\""), e.what());
        QVERIFY2(message.contains(named), e.what());
    }
}

void RegistryTest::readBinaryCopiesAtMostSize() {
    TempStore ts;
    Registry reg(ts, Root::LocalMachine);
    QVERIFY(reg.OpenKey(kRemoteAccessServiceKey, true));
    const unsigned char flag[4] = {1, 0, 0, 0};
    reg.WriteBinary("Remote Connection", flag, sizeof flag);

    unsigned char buffer[6] = {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA};
    QCOMPARE(reg.ReadBinary("remote connection", buffer, sizeof buffer), std::size_t(4));
    const unsigned char whole[6] = {1, 0, 0, 0, 0xAA, 0xAA};
    QVERIFY(std::equal(buffer, buffer + 6, whole));

    std::fill(buffer, buffer + 6, 0xAA);
    QCOMPARE(reg.ReadBinary("Remote Connection", buffer, 2), std::size_t(2));
    const unsigned char part[6] = {1, 0, 0xAA, 0xAA, 0xAA, 0xAA};
    QVERIFY(std::equal(buffer, buffer + 6, part));

    std::fill(buffer, buffer + 6, 0xAA);
    QCOMPARE(reg.ReadBinary("Missing", buffer, sizeof buffer), std::size_t(0));
    QVERIFY(std::all_of(buffer, buffer + 6, [](unsigned char b) { return b == 0xAA; }));
}

void RegistryTest::enumerationOrder() {
    TempStore ts;
    Registry reg(ts, Root::CurrentUser);
    for (const char* name : {"beta", "Gamma", "alpha2", "Alpha"}) {
        QVERIFY(reg.OpenKey(std::string(kTariffsKey) + "\\" + name, true));
        reg.CloseKey();
    }
    QVERIFY(reg.OpenKey(kTariffsKey, false));
    QCOMPARE(reg.GetKeyNames(), (std::vector<std::string>{"Alpha", "alpha2", "beta", "Gamma"}));
    reg.CloseKey();
    for (const char* name : {"Гамма", "альфа", "Бета"}) {
        QVERIFY(reg.OpenKey(std::string(kTariffProfileKey) + "\\" + name, true));
        reg.CloseKey();
    }
    QVERIFY(reg.OpenKey(kTariffProfileKey, false));
    QCOMPARE(reg.GetKeyNames(), (std::vector<std::string>{"альфа", "Бета", "Гамма"}));
    QVERIFY(reg.OpenKey(kTariffsKey, false));

    reg.WriteInteger("Zeta", 1);
    reg.WriteString("alpha", "a");
    reg.WriteInteger("Mid", 2);
    reg.WriteInteger("ALPHA", 3); // replaces "alpha" in its place, type and all
    QCOMPARE(reg.GetValueNames(), (std::vector<std::string>{"Zeta", "alpha", "Mid"}));
    QCOMPARE(reg.ValueCount(), 3);
    QCOMPARE(reg.GetDataType("alpha"), ValueType::Integer);
    reg.CloseKey();

    ts.Reopen();
    Registry again(ts, Root::CurrentUser);
    QVERIFY(again.OpenKey(kTariffsKey, false));
    QCOMPARE(again.GetValueNames(), (std::vector<std::string>{"Zeta", "alpha", "Mid"}));
}

void RegistryTest::unclosedKeyWritesNothing_data() {
    QTest::addColumn<bool>("throws");
    QTest::addColumn<bool>("grouped"); // in a StoreTransaction, the error caught inside it
    QTest::newRow("object dies without CloseKey") << false << false;
    QTest::newRow("routine aborted by an error") << true << false;
    QTest::newRow("grouped routine aborted, error caught") << true << true;
}

// A group of values lands whole or not at all; a key closed by opening the next one counts as
// closed.
void RegistryTest::unclosedKeyWritesNothing() {
    QFETCH(bool, throws);
    QFETCH(bool, grouped);
    TempStore ts;
    ts.SetInt(Root::LocalMachine, kCounterCurrentKey, "Money", 100);

    auto routine = [&] {
        Registry reg(ts, Root::LocalMachine);
        reg.OpenKey(kUsersKey, true);
        reg.WriteInteger("Crash", 1);
        reg.OpenKey(kCounterCurrentKey, true);
        reg.WriteInteger("Money", 200);
        reg.WriteString("Provider", "Dialup");
        if (throws)
            reg.ReadInteger("Never written");
    };
    if (grouped) {
        StoreTransaction group(ts, Root::LocalMachine);
        QVERIFY_THROWS_EXCEPTION(StoreError, routine());
        QVERIFY_THROWS_EXCEPTION(StoreError, group.Commit());
    } else if (throws) {
        QVERIFY_THROWS_EXCEPTION(StoreError, routine());
    } else {
        routine();
    }

    ts.Reopen();
    if (grouped)
        QVERIFY(!ts.Has(Root::LocalMachine, kUsersKey, "Crash"));
    else
        QCOMPARE(ts.Int(Root::LocalMachine, kUsersKey, "Crash"), 1);
    QCOMPARE(ts.Int(Root::LocalMachine, kCounterCurrentKey, "Money"), 100);
    QVERIFY(!ts.Has(Root::LocalMachine, kCounterCurrentKey, "Provider"));
}

void RegistryTest::killedProcessWritesNothing_data() {
    QTest::addColumn<bool>("killed");
    QTest::newRow("process exits with the key open") << false;
    QTest::newRow("process killed with the key open") << true;
}

void RegistryTest::killedProcessWritesNothing() {
    QFETCH(bool, killed);
    // No store connection may be open in this process when it forks: the child gets its own.
    QTemporaryDir dir;
    const StorePaths paths{dir.filePath("user.db").toStdString(),
                           dir.filePath("machine.db").toStdString()};
    int ready[2];
    QVERIFY(pipe(ready) == 0);
    const pid_t pid = fork();
    QVERIFY(pid >= 0);
    if (pid == 0) {
        try {
            SettingsStore store(paths);
            Registry reg(store, Root::LocalMachine);
            reg.OpenKey(kProductKey, true);
            reg.WriteInteger("Bug", 2);
            reg.CloseKey();
            reg.OpenKey(kCounterCurrentKey, true);
            reg.WriteInteger("Money", 200);
            reg.WriteString("Provider", "Dialup");
            if (!killed)
                _exit(0);
            (void)!write(ready[1], "w", 1);
            pause();
        } catch (...) {
        }
        _exit(3);
    }
    close(ready[1]);
    if (killed) {
        char c = 0;
        QCOMPARE(read(ready[0], &c, 1), ssize_t(1));
        kill(pid, SIGKILL);
    }
    close(ready[0]);
    int status = 0;
    QCOMPARE(waitpid(pid, &status, 0), pid);
    if (killed)
        QVERIFY(WIFSIGNALED(status));
    else
        QCOMPARE(WEXITSTATUS(status), 0);

    SettingsStore store(paths);
    Registry reg(store, Root::LocalMachine);
    QVERIFY(reg.OpenKey(kProductKey, false));
    QCOMPARE(reg.ReadInteger("Bug"), 2);
    QVERIFY(!reg.KeyExists(kCounterCurrentKey));
    // The dead writer's lock is gone: this process can write at once.
    QVERIFY(reg.OpenKey(kCounterCurrentKey, true));
    reg.WriteInteger("Money", 300);
    reg.CloseKey();
    QVERIFY(reg.OpenKey(kCounterCurrentKey, false));
    QCOMPARE(reg.ReadInteger("Money"), 300);
}

// netrova-reg writes value after value while this process writes and reads its own groups.
void RegistryTest::secondProcessWritesWhileWeWork() {
    TempStore ts;
    const int count = 100;
    QProcess tool;
    tool.start("sh", {"-c",
                      "i=0; while [ $i -lt " + QString::number(count) +
                          " ]; do \"$0\" set 'HKLM\\Software\\Netrova\\Load' \"Child $i\" int $i"
                          " || exit 1; i=$((i+1)); done",
                      NETROVA_REG_TOOL});
    QVERIFY(tool.waitForStarted());

    Registry reg(ts, Root::LocalMachine);
    const std::string ownKey = kLoadKey + "\\Parent";
    int rounds = 0;
    std::size_t seen = 0;
    while (!tool.waitForFinished(1)) {
        ++rounds;
        QVERIFY(reg.OpenKey(ownKey, true));
        reg.WriteInteger("A", rounds);
        reg.WriteInteger("B", -rounds);
        reg.CloseKey();
        QVERIFY(reg.OpenKey(ownKey, false));
        QCOMPARE(reg.ReadInteger("A"), rounds);
        QCOMPARE(reg.ReadInteger("B"), -rounds);
        QVERIFY(reg.OpenKey(kLoadKey, false));
        const std::size_t now = reg.GetValueNames().size();
        QVERIFY(now >= seen);
        seen = now;
        reg.CloseKey();
    }
    QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
    QCOMPARE(tool.readAllStandardError(), QByteArray());
    QCOMPARE(tool.exitCode(), 0);
    QVERIFY(rounds > 0);

    ts.Reopen();
    Registry check(ts, Root::LocalMachine);
    QVERIFY(check.OpenKey(kLoadKey, false));
    QCOMPARE(check.ValueCount(), count);
    for (int i = 0; i < count; ++i)
        QCOMPARE(check.ReadInteger("Child " + std::to_string(i)), i);
    QVERIFY(check.OpenKey(ownKey, false));
    QCOMPARE(check.ReadInteger("A"), rounds);
    check.CloseKey();

    sqlite3* db = nullptr;
    QCOMPARE(sqlite3_open_v2(ts.machinePath().c_str(), &db, SQLITE_OPEN_READONLY, nullptr),
             SQLITE_OK);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &stmt, nullptr);
    QCOMPARE(sqlite3_step(stmt), SQLITE_ROW);
    const QByteArray verdict(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    QCOMPARE(verdict, QByteArray("ok"));
}

// Two processes starting on a new store at once: the one that finds the file locked while the
// other sets it up waits for it, rather than calling the store unusable.
void RegistryTest::newStoreLockedByAnotherProcess() {
    QTemporaryDir dir;
    const QString user = dir.filePath("user.db");
    const QString machine = dir.filePath("machine.db");
    sqlite3* db = nullptr;
    QCOMPARE(sqlite3_open(machine.toUtf8().constData(), &db), SQLITE_OK);
    QCOMPARE(sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);

    QProcess tool;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("NETROVA_USER_STORE", user);
    env.insert("NETROVA_MACHINE_STORE", machine);
    tool.setProcessEnvironment(env);
    tool.start(NETROVA_REG_TOOL, {"set", "HKLM\\Software\\Netrova", "Bug", "int", "1"});
    QVERIFY(tool.waitForStarted());
    QVERIFY(!tool.waitForFinished(500)); // still waiting for the lock
    QCOMPARE(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);

    QVERIFY(tool.waitForFinished(30000));
    QCOMPARE(tool.readAllStandardError(), QByteArray());
    QCOMPARE(tool.exitCode(), 0);
    SettingsStore store(StorePaths{user.toStdString(), machine.toStdString()});
    Registry reg(store, Root::LocalMachine);
    QVERIFY(reg.OpenKey(kProductKey, false));
    QCOMPARE(reg.ReadInteger("Bug"), 1);
}

void RegistryTest::fileThatIsNotADatabaseIsRefused_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("asMachineStore");
    QTest::newRow("text as user store") << QByteArray("User Name=joe\nLogo=1\n") << false;
    QTest::newRow("text as machine store") << QByteArray("not a database\n") << true;
    QByteArray binary(8192, '\0');
    for (int i = 0; i < binary.size(); ++i)
        binary[i] = static_cast<char>(i * 37 + 11);
    QTest::newRow("binary") << binary << false;
    QByteArray header("SQLite format 3");
    header.append('\0');
    header.append(QByteArray(4080, '\x5a'));
    QTest::newRow("database header, garbage after") << header << true;
    // Databases of other programs are not taken over, whatever their tables are called.
    QTest::newRow("database of another program")
        << DatabaseBytes("CREATE TABLE foo(x); INSERT INTO foo VALUES(1)") << false;
    QTest::newRow("tables named like a store's, other columns")
        << DatabaseBytes("CREATE TABLE keys(a, b); CREATE TABLE vals(c)") << true;
    QTest::newRow("a store's tables and one more")
        << DatabaseBytes("CREATE TABLE keys(id, parent, name, fold);"
                         "CREATE TABLE vals(id, key, name, fold, type, data); CREATE TABLE x(y)")
        << false;
    QTest::newRow("another program's mark")
        << DatabaseBytes("PRAGMA application_id = 7; CREATE TABLE keys(id, parent, name, fold);"
                         "CREATE TABLE vals(id, key, name, fold, type, data)")
        << true;
}

void RegistryTest::fileThatIsNotADatabaseIsRefused() {
    QFETCH(QByteArray, content);
    QFETCH(bool, asMachineStore);
    QTemporaryDir dir;
    StorePaths paths{dir.filePath("user.db").toStdString(),
                     dir.filePath("machine.db").toStdString()};
    const QString bad = QString::fromStdString(asMachineStore ? paths.Machine : paths.User);
    {
        QFile f(bad);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }

    try {
        SettingsStore store(paths);
        QFAIL("the store accepted the file");
    } catch (const StoreFileError& e) {
        QVERIFY2(QString::fromUtf8(e.what()).contains(bad), e.what());
    }
    QCOMPARE(ReadFile(bad), content);
}

// A folder this user cannot write is named as the cause, not the store file. Root writes
// anywhere but into an immutable folder.
void RegistryTest::unwritableFolderIsNamed_data() {
    QTest::addColumn<bool>("existing");
    QTest::newRow("new store") << false;
    QTest::newRow("existing store") << true;
}

void RegistryTest::unwritableFolderIsNamed() {
    QFETCH(bool, existing);
    QTemporaryDir dir;
    const QString folder = dir.filePath("store");
    QVERIFY(QDir().mkdir(folder));
    const StorePaths paths{(folder + "/user.db").toStdString(),
                           (folder + "/machine.db").toStdString()};
    if (existing)
        SettingsStore made(paths);
    const QByteArray before = ReadFile(QString::fromStdString(paths.User));
    const QByteArray name = QFile::encodeName(folder);
    ::chmod(name.constData(), 0555);
    QProcess::execute("chattr", {"+i", folder});
    const bool writable = ::access(name.constData(), W_OK) == 0;
    QString message;
    if (!writable) {
        try {
            SettingsStore store(paths);
        } catch (const StoreFileError& e) {
            message = QString::fromUtf8(e.what());
        }
    }
    QProcess::execute("chattr", {"-i", folder});
    ::chmod(name.constData(), 0755);
    if (writable)
        QSKIP("no way to make a folder unwritable here");
    QVERIFY2(message.contains("folder \"" + folder + "\" is not writable"), qPrintable(message));
    QCOMPARE(ReadFile(QString::fromStdString(paths.User)), before);
}

void RegistryTest::installationDefaults() {
    TempStore ts;
    const Root M = Root::LocalMachine;
    EnsureInstallationDefaults(ts);

    QCOMPARE(ts.Str(M, kProductKey, "Program path"),
             QDir::cleanPath(QString::fromStdString(ts.dir())).toStdString());
    QCOMPARE(ts.Int(M, kProductKey, "FirstTime"), 1);
    QCOMPARE(ts.Int(M, kProductKey, "Bug"), 0);
    QCOMPARE(ts.Int(M, kProductKey, "AntiCrash"), 1);
    QCOMPARE(ts.Int(M, kProductKey, "Start"), 0);
    QCOMPARE(ts.Int(M, kCounterCurrentKey, "Backup"), 0);
    QCOMPARE(ts.Int(M, kUsersKey, "Crash"), 0);
    QCOMPARE(ts.Int(M, kCounterAllKey, "Reset"), 4);
    QCOMPARE(ts.Int(M, kCounterAllKey, "Reset14"), 14);
    QCOMPARE(ts.Int(M, kCounterAllKey, "Report"), 0);
    QCOMPARE(ts.Int(M, kCounterAllKey, "AllMoney"), 0);
    QCOMPARE(ts.Str(M, kCounterAllKey, "AllTime"), std::string("0"));
    QVERIFY(!ts.HasKey(Root::CurrentUser, kProductKey)); // per-user values are not its business

    // A later start leaves what is there and fills in only what is missing.
    ts.SetStr(M, kProductKey, "Program path", "/opt/netrova");
    ts.SetInt(M, kProductKey, "bug", 2);
    ts.SetInt(M, kCounterAllKey, "AllMoney", 1205);
    ts.SetStr(M, kCounterAllKey, "AllTime", "3725");
    {
        Registry reg(ts, M);
        QVERIFY(reg.OpenKey(kUsersKey, false));
        QVERIFY(reg.DeleteValue("Crash"));
        reg.CloseKey();
    }
    EnsureInstallationDefaults(ts);
    QCOMPARE(ts.Str(M, kProductKey, "Program path"), std::string("/opt/netrova"));
    QCOMPARE(ts.Int(M, kProductKey, "Bug"), 2);
    QCOMPARE(ts.Int(M, kCounterAllKey, "AllMoney"), 1205);
    QCOMPARE(ts.Str(M, kCounterAllKey, "AllTime"), std::string("3725"));
    QCOMPARE(ts.Int(M, kUsersKey, "Crash"), 0);
}

void RegistryTest::programPathIsMachineFolder_data() {
    QTest::addColumn<QString>("machineStore");
    QTest::addColumn<QString>("stored"); // "Program path"
    QTest::addColumn<QString>("folder");
    QTest::newRow("absolute") << "/var/lib/netrova/machine.db" << QString() << "/var/lib/netrova";
    QTest::newRow("dot-dot") << "/var/lib/x/../netrova/./machine.db" << QString()
                             << "/var/lib/netrova";
    QTest::newRow("relative") << "data/machine.db" << QString() << QDir::current().filePath("data");
    QTest::newRow("current folder") << "./machine.db" << QString() << QDir::currentPath();
    QTest::newRow("relative Program path") << "/var/lib/netrova/machine.db"
                                           << "netrova"
                                           << "/var/lib/netrova";
    QTest::newRow("Program path kept") << "/var/lib/netrova/machine.db"
                                       << "/opt/netrova"
                                       << "/opt/netrova";
}

void RegistryTest::programPathIsMachineFolder() {
    QFETCH(QString, machineStore);
    QFETCH(QString, stored);
    QFETCH(QString, folder);
    const StorePaths paths{"/unused/user.db", machineStore.toStdString()};
    QCOMPARE(QString::fromStdString(MachineSettings::ProgramFolder(stored.toStdString(), paths)),
             folder);
}

// A store as the earlier program made it, whose values table numbered values with
// AUTOINCREMENT: it opens with its values, their order and the order of values made later.
void RegistryTest::olderStoreIsMigratedInPlace() {
    QTemporaryDir dir;
    const StorePaths paths{dir.filePath("user.db").toStdString(),
                           dir.filePath("machine.db").toStdString()};
    sqlite3* db = nullptr;
    QCOMPARE(sqlite3_open(paths.Machine.c_str(), &db), SQLITE_OK);
    QCOMPARE(
        sqlite3_exec(db,
                     "PRAGMA journal_mode=WAL;"
                     "CREATE TABLE keys(id INTEGER PRIMARY KEY,"
                     " parent INTEGER REFERENCES keys(id) ON DELETE CASCADE,"
                     " name TEXT NOT NULL, fold TEXT NOT NULL, UNIQUE(parent, fold));"
                     "CREATE TABLE vals(id INTEGER PRIMARY KEY AUTOINCREMENT,"
                     " key INTEGER NOT NULL REFERENCES keys(id) ON DELETE CASCADE,"
                     " name TEXT NOT NULL, fold TEXT NOT NULL,"
                     " type INTEGER NOT NULL, data BLOB, UNIQUE(key, fold));"
                     "INSERT INTO keys VALUES(1, NULL, '', ''), (2, 1, 'Software', 'software');"
                     "INSERT INTO vals(key, name, fold, type, data) VALUES"
                     " (2, 'Zeta', 'zeta', 1, 7), (2, 'Gone', 'gone', 1, 0),"
                     " (2, 'Alpha', 'alpha', 2, 'text'), (2, 'Last', 'last', 1, 9);"
                     "DELETE FROM vals WHERE name IN ('Gone', 'Last');",
                     nullptr, nullptr, nullptr),
        SQLITE_OK);
    sqlite3_close(db);

    {
        SettingsStore store(paths);
        Registry reg(store, Root::LocalMachine);
        QVERIFY(reg.OpenKey("\\Software", false));
        QCOMPARE(reg.GetValueNames(), (std::vector<std::string>{"Zeta", "Alpha"}));
        QCOMPARE(reg.ReadInteger("zeta"), 7);
        QCOMPARE(reg.ReadString("ALPHA"), std::string("text"));
        reg.WriteInteger("Beta", 1);
        reg.CloseKey();
        QVERIFY(reg.OpenKey("\\Software", false));
        QCOMPARE(reg.GetValueNames(), (std::vector<std::string>{"Zeta", "Alpha", "Beta"}));
        reg.CloseKey();
    }

    QCOMPARE(sqlite3_open(paths.Machine.c_str(), &db), SQLITE_OK);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, "SELECT sql FROM sqlite_master WHERE name = 'vals'", -1, &stmt, nullptr);
    QCOMPARE(sqlite3_step(stmt), SQLITE_ROW);
    const QByteArray sql(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    QVERIFY2(!sql.contains("AUTOINCREMENT"), sql.constData());
    // Both the migrated store and the new one carry the mark (the header's application id).
    const QByteArray mark = ReadFile(QString::fromStdString(paths.Machine)).mid(68, 4);
    QVERIFY(mark != QByteArray(4, '\0'));
    QCOMPARE(ReadFile(QString::fromStdString(paths.User)).mid(68, 4), mark);
}

void RegistryTest::heldWriteLock_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("waits");
    QTest::addColumn<QByteArray>("out");
    QTest::newRow("a read does not wait")
        << QStringList{"get", "HKLM\\Software\\Netrova", "Bug"} << false << QByteArray("2\n");
    QTest::newRow("a write waits and says so")
        << QStringList{"set", "HKLM\\Software\\Netrova", "Bug", "int", "1"} << true << QByteArray();
}

// Another process holds the machine store's write lock for a while, as a long transaction
// would: reads go on, writes wait for it and say once that they wait.
void RegistryTest::heldWriteLock() {
    QFETCH(QStringList, arguments);
    QFETCH(bool, waits);
    QFETCH(QByteArray, out);
    TempStore ts;
    ts.SetInt(Root::LocalMachine, kProductKey, "Bug", 2);
    sqlite3* db = nullptr;
    QCOMPARE(sqlite3_open(ts.machinePath().c_str(), &db), SQLITE_OK);
    QCOMPARE(
        sqlite3_exec(db, "BEGIN IMMEDIATE; UPDATE vals SET data = data", nullptr, nullptr, nullptr),
        SQLITE_OK);

    // In this process too: a short wait ends in a busy error, not in a damaged store.
    {
        StoreOptions quick;
        quick.busyTimeoutMs = 200;
        SettingsStore store(StorePaths{ts.userPath(), ts.machinePath()}, quick);
        Registry reg(store, Root::LocalMachine);
        QVERIFY(reg.OpenKey(kProductKey, false));
        QCOMPARE(reg.ReadInteger("Bug"), 2);
        QVERIFY_THROWS_EXCEPTION(StoreBusyError, reg.WriteInteger("Bug", 3));
    }

    QProcess tool;
    tool.start(NETROVA_REG_TOOL, arguments);
    QVERIFY(tool.waitForStarted());
    QCOMPARE(tool.waitForFinished(1500), !waits);
    QCOMPARE(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    QVERIFY(tool.state() == QProcess::NotRunning || tool.waitForFinished(30000));
    QCOMPARE(tool.exitCode(), 0);
    QCOMPARE(tool.readAllStandardOutput(), out);
    const QByteArray err = tool.readAllStandardError();
    QCOMPARE(err.count("waiting"), waits ? 1 : 0);
    QCOMPARE(ts.Int(Root::LocalMachine, kProductKey, "Bug"), waits ? 1 : 2);
}

QTEST_GUILESS_MAIN(RegistryTest)
#include "test_registry.moc"
