// One connection through the real program: dialled and hung up with netrova-dialup, also while
// another program holds the store's lock and while the disk is full.
#include "E2E.h"

#include "history/HistoryFile.h"
#include "store/Defaults.h"

#include <QElapsedTimer>
#include <QScopeGuard>
#include <QThread>
#include <QtTest>

#include <csignal>
#include <sqlite3.h>

using namespace netrova;
using namespace netrova::test;

namespace {

// Runs SQL on a store file as another program; `keep` leaves the connection open (holding
// whatever lock the SQL took) for the caller to close.
bool Sql(const std::string& path, const std::string& sql, sqlite3** keep = nullptr) {
    sqlite3* db = nullptr;
    const bool ok = sqlite3_open(path.c_str(), &db) == SQLITE_OK &&
                    sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
    if (keep)
        *keep = db;
    else
        sqlite3_close(db);
    return ok;
}

const char* const kHoldLock = "BEGIN IMMEDIATE; UPDATE vals SET data = data";

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
        sqlite3* lock = nullptr;
        QVERIFY(Sql(e2e.store.machinePath(), kHoldLock, &lock));
        QProcess hangup;
        hangup.start(NETROVA_DIALUP_TOOL, {"hangup"}); // waits for the lock
        QThread::sleep(6);
        sqlite3_close(lock); // rolled back
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
        QVERIFY(Sql(e2e.store.machinePath(), kHoldLock, &lock));
        const auto release = qScopeGuard([&] { sqlite3_close(lock); });
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
        QTemporaryDir dir;
        const QString fs = dir.path();
        QProcess mount;
        mount.start("mount", {"-t", "tmpfs", "-o", "size=400k", "netrova-test", fs});
        if (!mount.waitForFinished(10000) || mount.exitStatus() != QProcess::NormalExit ||
            mount.exitCode() != 0)
            QSKIP("cannot mount a small file system here (needs root)");
        const auto unmount = qScopeGuard([&] { QProcess::execute("umount", {"-l", fs}); });
        // The test's store, and so the program's stores and history, on it.
        const QByteArray tmp = qgetenv("TMPDIR");
        qputenv("TMPDIR", fs.toLocal8Bit());
        auto e2e = std::make_unique<E2E>();
        qputenv("TMPDIR", tmp);

        e2e->StartNetrova("offscreen", true);
        QVERIFY2(E2E::WaitFor([&] { return e2e->Bug() == 1; }, 20000), "netrova did not start");
        QCOMPARE(e2e->Dialup({"dial", "Test ISP"}), 0);
        QVERIFY(E2E::WaitFor([&] { return e2e->Bug() == 2; }, 10000));
        QThread::sleep(2);

        // The hang-up and the full disk come between two ticks.
        const auto pid = static_cast<pid_t>(e2e->netrova().processId());
        ::kill(pid, SIGSTOP);
        QCOMPARE(e2e->Dialup({"hangup"}), 0);
        QVERIFY(Sql(e2e->store.machinePath(), "PRAGMA wal_checkpoint(TRUNCATE)"));
        Fill(fs + "/filler");
        ::kill(pid, SIGCONT);
        QThread::sleep(4);
        QCOMPARE(e2e->HistorySize(), qint64(0));

        QVERIFY(QFile::remove(fs + "/filler"));
        QVERIFY2(E2E::WaitFor([&] { return e2e->HistorySize() == 192 && e2e->Bug() == 1; }, 10000),
                 "the record did not land once there was space");
        QThread::sleep(2);
        const auto records = e2e->Records();
        QCOMPARE(records.size(), std::size_t(1));
        QCOMPARE(e2e->store.Str(Root::LocalMachine, kCounterAllKey, "AllTime"),
                 std::to_string(records[0].Duration));
        // The connect delay and at least one of the two seconds online (ticks and sleeps race).
        QVERIFY(records[0].Duration >= 10 + 1);

        ::kill(pid, SIGTERM);
        QVERIFY(e2e->netrova().waitForFinished(10000));
        QCOMPARE(e2e->Bug(), 0);
        const QString errors = QString::fromUtf8(e2e->netrova().readAllStandardError());
        const QString named =
            "The file system at \"" + QFileInfo(fs).canonicalFilePath() + "\" is full";
        QVERIFY2(errors.count(named) == 1, qPrintable(errors));
    }
};

QTEST_GUILESS_MAIN(EndToEndConnection)
#include "test_e2e_connection.moc"
