// One connection through the real program: dialled and hung up with netrova-dialup.
#include "E2E.h"

#include "history/HistoryFile.h"

#include <QElapsedTimer>
#include <QThread>
#include <QtTest>

#include <csignal>

using namespace netrova;
using namespace netrova::test;

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
};

QTEST_GUILESS_MAIN(EndToEndConnection)
#include "test_e2e_connection.moc"
