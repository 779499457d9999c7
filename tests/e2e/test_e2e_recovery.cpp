// A connection cut off by a real crash (SIGKILL) and rebuilt at the next start, whose boxes are
// answered at the display with the keyboard, as a person would. Runs under Xvfb.
#include "E2E.h"

#include "history/HistoryFile.h"

#include <QElapsedTimer>
#include <QThread>
#include <QtTest>

#include <csignal>

using namespace netrova;
using namespace netrova::test;

namespace {

QString Xdotool(const QStringList& args, int timeoutMs = 20000) {
    QProcess p;
    p.start("xdotool", args);
    p.waitForFinished(timeoutMs);
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

// The one visible box with the program's caption, waiting for it to appear.
QString WaitForBox(const QString& notThisOne) {
    QString found;
    E2E::WaitFor(
        [&] {
            const QStringList ids =
                Xdotool({"search", "--onlyvisible", "--name", "^Netrova 1\\.2$"})
                    .split('\n', Qt::SkipEmptyParts);
            for (const QString& id : ids)
                if (id != notThisOne)
                    found = id;
            return !found.isEmpty();
        },
        20000);
    return found;
}

void Press(const QString& window, const QString& key) {
    Xdotool({"windowfocus", "--sync", window});
    Xdotool({"key", key});
}

bool Gone(const QString& window) {
    return E2E::WaitFor(
        [&] {
            return !Xdotool({"search", "--onlyvisible", "--name", "^Netrova 1\\.2$"})
                        .split('\n')
                        .contains(window);
        },
        10000);
}

} // namespace

class EndToEndRecovery : public QObject {
    Q_OBJECT

    // Counts a connection for a few seconds, then SIGKILL: no exit step runs.
    void KillDuringConnection(E2E& e2e, int& countedSeconds) {
        e2e.StartNetrova(QString());
        QVERIFY2(E2E::WaitFor([&] { return e2e.Bug() == 1; }, 20000), "netrova did not start");
        QCOMPARE(e2e.Dialup({"dial", "Test ISP"}), 0);
        QVERIFY2(E2E::WaitFor([&] { return e2e.Bug() == 2; }, 10000),
                 "the connection was not counted");
        QElapsedTimer counted;
        counted.start();
        QThread::sleep(4);
        e2e.netrova().kill();
        QVERIFY(e2e.netrova().waitForFinished(10000));
        countedSeconds = static_cast<int>(counted.elapsed() / 1000);
        QCOMPARE(e2e.Bug(), 2);
        QCOMPARE(e2e.HistorySize(), qint64(0));
    }

private slots:
    void initTestCase() {
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            QSKIP("needs a display (run under xvfb-run)");
    }

    void killedConnectionIsRecoveredAtNextStart() {
        E2E e2e;
        int countedSeconds = 0;
        KillDuringConnection(e2e, countedSeconds);
        if (QTest::currentTestFailed())
            return;

        // Next start: "Last connection was unsaved..." (OK), then "Are you connected now ?"
        // answered No (after an Escape that does not count), since the line is gone by now.
        e2e.StartNetrova(QString());
        const QString notice = WaitForBox(QString());
        QVERIFY2(!notice.isEmpty(), "the recovery notice did not show");
        Press(notice, "Return");
        QVERIFY(Gone(notice));
        const QString question = WaitForBox(notice);
        QVERIFY2(!question.isEmpty(), "the question did not show");
        // Escape does not answer it: only Yes or No does.
        Press(question, "Escape");
        QThread::msleep(500);
        QVERIFY(Xdotool({"search", "--onlyvisible", "--name", "^Netrova 1\\.2$"})
                    .split('\n')
                    .contains(question));
        QCOMPARE(e2e.RemoteConnection(), 1);
        Press(question, "n");

        QVERIFY2(E2E::WaitFor([&] { return e2e.Crash() == 1; }, 10000), "no recovery");
        QVERIFY(E2E::WaitFor([&] { return e2e.RemoteConnection() == 0; }, 5000));
        const auto records = e2e.Records();
        QCOMPARE(records.size(), std::size_t(1));
        const THistoryRecord& r = records[0];
        QCOMPARE(FieldText(r.Provider), std::string("Test ISP"));
        // The backup of the last tick before the kill covers the counted seconds (one tick of
        // slack) plus the connect delay.
        QVERIFY2(r.Duration >= 10 + countedSeconds - 2, qPrintable(QString::number(r.Duration)));
        QVERIFY2(r.Duration <= 10 + countedSeconds + 2, qPrintable(QString::number(r.Duration)));

        ::kill(static_cast<pid_t>(e2e.netrova().processId()), SIGTERM);
        QVERIFY(e2e.netrova().waitForFinished(15000));
        QCOMPARE(e2e.netrova().exitCode(), 0);
        QCOMPARE(e2e.Bug(), 0);
        QCOMPARE(e2e.Records().size(), std::size_t(1));
    }

    // Killed again while the recovery notice waits for OK, the next start still recovers; told
    // to end while "Are you connected now ?" is open, the program ends and leaves the line as
    // the dial-up service published it.
    void killAtTheNoticeAndTerminationAtTheQuestion() {
        E2E e2e;
        int countedSeconds = 0;
        KillDuringConnection(e2e, countedSeconds);
        if (QTest::currentTestFailed())
            return;

        e2e.StartNetrova(QString());
        QVERIFY2(!WaitForBox(QString()).isEmpty(), "the recovery notice did not show");
        e2e.netrova().kill();
        QVERIFY(e2e.netrova().waitForFinished(10000));
        QCOMPARE(e2e.Bug(), 2);
        QCOMPARE(e2e.HistorySize(), qint64(0));

        e2e.StartNetrova(QString());
        const QString notice = WaitForBox(QString());
        QVERIFY2(!notice.isEmpty(), "the recovery notice did not show");
        Press(notice, "Return");
        QVERIFY(Gone(notice));
        QVERIFY2(!WaitForBox(notice).isEmpty(), "the question did not show");
        ::kill(static_cast<pid_t>(e2e.netrova().processId()), SIGTERM);
        QVERIFY(e2e.netrova().waitForFinished(15000));
        QCOMPARE(e2e.netrova().exitCode(), 0);
        QCOMPARE(e2e.RemoteConnection(), 1u);
        QCOMPARE(e2e.Crash(), 1);
        QCOMPARE(e2e.Records().size(), std::size_t(1));
        QCOMPARE(e2e.Bug(), 0);
    }
};

QTEST_GUILESS_MAIN(EndToEndRecovery)
#include "test_e2e_recovery.moc"
