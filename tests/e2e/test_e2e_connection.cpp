// One connection through the real program: dialled and hung up with netrova-dialup, also while
// another program holds the store's lock and while the disk is full.
#include "E2E.h"

#include "history/HistoryFile.h"
#include "store/Defaults.h"

#include <QDir>
#include <QElapsedTimer>
#include <QScopeGuard>
#include <QThread>
#include <QtTest>

#include <csignal>
#include <sqlite3.h>

using namespace netrova;
using namespace netrova::test;

namespace {

// Holds the write lock of a store file as a long transaction of another program would.
class HeldLock {
public:
    explicit HeldLock(const std::string& path) {
        sqlite3_open(path.c_str(), &db_);
        ok_ = sqlite3_exec(db_, "BEGIN IMMEDIATE; UPDATE vals SET data = data", nullptr, nullptr,
                           nullptr) == SQLITE_OK;
    }
    ~HeldLock() {
        sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(db_);
    }
    bool ok() const { return ok_; }

private:
    sqlite3* db_ = nullptr;
    bool ok_ = false;
};

bool Sql(const std::string& path, const std::string& sql) {
    sqlite3* db = nullptr;
    const bool ok = sqlite3_open(path.c_str(), &db) == SQLITE_OK &&
                    sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

// Writes until the file system has no room left.
void Fill(const QString& path) {
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    const QByteArray block(4096, 'x');
    while (f.write(block) == block.size() && f.flush()) {
    }
}

} // namespace

class EndToEndConnection : public QObject {
    Q_OBJECT

private slots:
    void dialAndHangUpGivesOneRecord() {
        E2E e2e;
        e2e.StartNetrova("offscreen");
        QVERIFY2(E2E::WaitFor([&] { return e2e.Bug() == 1; }, 20000), "netrova did not start");

        QCOMPARE(e2e.Dialup({"dial", "Test ISP"}), 0);
        QVERIFY2(E2E::WaitFor([&] { return e2e.Bug() == 2; }, 10000),
                 "the connection was not counted");
        QThread::sleep(3);
        QCOMPARE(e2e.Dialup({"hangup"}), 0);
        QVERIFY2(E2E::WaitFor([&] { return e2e.HistorySize() >= 192; }, 10000),
                 "no history record");
        QVERIFY(E2E::WaitFor([&] { return e2e.Bug() == 1; }, 5000));

        QCOMPARE(e2e.HistorySize(), qint64(192));
        const THistoryRecord r = e2e.Records().at(0);
        QCOMPARE(FieldText(r.Provider), std::string("Test ISP"));
        QCOMPARE(FieldText(r.User), e2e.loginName);
        QVERIFY2(r.Duration >= 10 + 2, qPrintable(QString::number(r.Duration)));
        QVERIFY2(r.Duration <= 10 + 30, qPrintable(QString::number(r.Duration)));

        // Log-off: the window closes by the title-bar route and the marker is cleared.
        ::kill(static_cast<pid_t>(e2e.netrova().processId()), SIGTERM);
        QVERIFY(e2e.netrova().waitForFinished(15000));
        QCOMPARE(e2e.netrova().exitStatus(), QProcess::NormalExit);
        QCOMPARE(e2e.netrova().exitCode(), 0);
        QCOMPARE(e2e.Bug(), 0);
        QCOMPARE(e2e.Records().size(), std::size_t(1));
    }

    // Another program holds the store's lock for a while: the program goes on counting, the
    // hang-up made meanwhile is recorded with the locked time, and told to end while the lock
    // is held it ends at once, leaving the crash marker for the next start.
    void heldStoreLockLosesNothing() {
        E2E e2e;
        e2e.StartNetrova("offscreen");
        QVERIFY2(E2E::WaitFor([&] { return e2e.Bug() == 1; }, 20000), "netrova did not start");
        QCOMPARE(e2e.Dialup({"dial", "Test ISP"}), 0);
        QVERIFY(E2E::WaitFor([&] { return e2e.Bug() == 2; }, 10000));
        QElapsedTimer counted;
        counted.start();
        QProcess hangup;
        {
            HeldLock lock(e2e.store.machinePath());
            QVERIFY(lock.ok());
            hangup.start(NETROVA_DIALUP_TOOL, {"hangup"}); // waits for the lock
            QThread::sleep(6);
        }
        QVERIFY(hangup.waitForFinished(20000));
        QCOMPARE(hangup.exitCode(), 0);
        QVERIFY2(E2E::WaitFor([&] { return e2e.HistorySize() == 192; }, 10000), "no record");
        const THistoryRecord r = e2e.Records().at(0);
        QVERIFY2(r.Duration >= 10 + counted.elapsed() / 1000 - 2,
                 qPrintable(QString::number(r.Duration)));
        QCOMPARE(e2e.store.Str(Root::LocalMachine, kCounterAllKey, "AllTime"),
                 std::to_string(r.Duration));

        QCOMPARE(e2e.Dialup({"dial", "Test ISP"}), 0);
        QVERIFY(E2E::WaitFor([&] { return e2e.Bug() == 2; }, 10000));
        HeldLock lock(e2e.store.machinePath());
        QVERIFY(lock.ok());
        ::kill(static_cast<pid_t>(e2e.netrova().processId()), SIGTERM);
        QVERIFY(e2e.netrova().waitForFinished(5000));
        QCOMPARE(e2e.netrova().exitCode(), 0);
        QCOMPARE(e2e.Bug(), 2);
        QCOMPARE(e2e.HistorySize(), qint64(192));
    }

    // The store and the history on one small file system that fills up before a hang-up: one
    // message names it, and once there is space the record is in the history once and counted
    // once.
    void fullDiskAtHangUpLosesNothing() {
        E2E e2e;
        const QString fs = QString::fromStdString(e2e.store.dir()) + "/fs";
        QVERIFY(QDir().mkpath(fs));
        QProcess mount;
        mount.start("mount", {"-t", "tmpfs", "-o", "size=400k", "netrova-test", fs});
        if (!mount.waitForFinished(10000) || mount.exitStatus() != QProcess::NormalExit ||
            mount.exitCode() != 0)
            QSKIP("cannot mount a small file system here (needs root)");
        const auto unmount = qScopeGuard([&] { QProcess::execute("umount", {"-l", fs}); });

        // The stores as the test made them, moved onto it.
        const std::string user = fs.toStdString() + "/user.db";
        const std::string machine = fs.toStdString() + "/machine.db";
        QVERIFY(Sql(e2e.store.userPath(), "VACUUM INTO '" + user + "'"));
        QVERIFY(Sql(e2e.store.machinePath(), "VACUUM INTO '" + machine + "'"));
        SettingsStore store(StorePaths{user, machine});
        {
            TRegistry reg(store, Root::LocalMachine);
            reg.OpenKey(kProductKey, true);
            reg.WriteString("Program path", fs.toStdString());
            reg.CloseKey();
        }
        qputenv("NETROVA_USER_STORE", QByteArray::fromStdString(user));
        qputenv("NETROVA_MACHINE_STORE", QByteArray::fromStdString(machine));
        auto read = [&](const char* key, const char* name) {
            TRegistry reg(store, Root::LocalMachine);
            reg.OpenKey(key, false);
            return reg.ReadString(name);
        };
        auto bug = [&] {
            TRegistry reg(store, Root::LocalMachine);
            reg.OpenKey(kProductKey, false);
            return reg.ReadInteger("Bug");
        };
        const QString history = QString::fromStdString(HistoryPath(fs.toStdString()));

        e2e.StartNetrova("offscreen", true);
        QVERIFY2(E2E::WaitFor([&] { return bug() == 1; }, 20000), "netrova did not start");
        QCOMPARE(e2e.Dialup({"dial", "Test ISP"}), 0);
        QVERIFY(E2E::WaitFor([&] { return bug() == 2; }, 10000));
        QThread::sleep(2);

        // The hang-up and the full disk come between two ticks.
        const auto pid = static_cast<pid_t>(e2e.netrova().processId());
        ::kill(pid, SIGSTOP);
        QCOMPARE(e2e.Dialup({"hangup"}), 0);
        QVERIFY(Sql(machine, "PRAGMA wal_checkpoint(TRUNCATE)"));
        Fill(fs + "/filler");
        ::kill(pid, SIGCONT);
        QThread::sleep(4);
        QCOMPARE(QFileInfo(history).size(), qint64(0));

        QVERIFY(QFile::remove(fs + "/filler"));
        QVERIFY2(
            E2E::WaitFor([&] { return QFileInfo(history).size() == 192 && bug() == 1; }, 10000),
            "the record did not land once there was space");
        QThread::sleep(2);
        QCOMPARE(QFileInfo(history).size(), qint64(192));
        std::vector<THistoryRecord> records;
        ScanHistory(fs.toStdString(), [&](const THistoryRecord& r) {
            records.push_back(r);
            return true;
        });
        QCOMPARE(records.size(), std::size_t(1));
        QCOMPARE(read(kCounterAllKey, "AllTime"), std::to_string(records[0].Duration));
        QVERIFY(records[0].Duration >= 10 + 2);

        ::kill(pid, SIGTERM);
        QVERIFY(e2e.netrova().waitForFinished(10000));
        QCOMPARE(e2e.netrova().exitCode(), 0);
        QCOMPARE(bug(), 0);
        const QString errors = QString::fromUtf8(e2e.netrova().readAllStandardError());
        const QString named =
            "The file system at \"" + QFileInfo(fs).canonicalFilePath() + "\" is full";
        QVERIFY2(errors.count(named) == 1, qPrintable(errors));
    }
};

QTEST_GUILESS_MAIN(EndToEndConnection)
#include "test_e2e_connection.moc"
