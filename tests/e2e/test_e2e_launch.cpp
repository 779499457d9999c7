// The launch list through the real program: every dial starts the listed programs once, a
// program that cannot start does not stop the ones after it.
#include "E2E.h"

#include "settings/Defaults.h"

#include <QFile>
#include <QThread>
#include <QtTest>

#include <csignal>

using namespace netrova;
using namespace netrova::test;

namespace {

// A program that records each of its starts as a line of `log`.
QString WriteScript(const QString& path, const QString& log) {
    QFile script(path);
    if (!script.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
    script.write(QStringLiteral("#!/bin/sh\necho started >> '%1'\n").arg(log).toUtf8());
    script.close();
    script.setPermissions(script.permissions() | QFileDevice::ExeOwner);
    return path;
}

int Starts(const QString& log) {
    QFile f(log);
    return f.open(QIODevice::ReadOnly) ? f.readAll().count('\n') : 0;
}

} // namespace

class EndToEndLaunch : public QObject {
    Q_OBJECT

private slots:
    void dialStartsTheListEachTime() {
        E2E e2e;
        const QString dir = QString::fromStdString(e2e.store.dir());
        const QString mailLog = dir + "/mail.log";
        const QString webLog = dir + "/web log.txt";
        const QString mail = WriteScript(dir + "/mail reader", mailLog);
        const QString web = WriteScript(dir + "/web.sh", webLog);
        auto& s = e2e.store;
        s.SetInt(Root::CurrentUser, kExecKey, "Lines", 3);
        s.SetStr(Root::CurrentUser, kExecKey, "Line0", mail.toStdString());
        s.SetStr(Root::CurrentUser, kExecKey, "Line1", dir.toStdString() + "/missing");
        s.SetStr(Root::CurrentUser, kExecKey, "Line2", web.toStdString());

        e2e.StartNetrova("offscreen");
        QVERIFY2(E2E::WaitFor([&] { return e2e.Bug() == 1; }, 20000), "netrova did not start");
        QCOMPARE(Starts(mailLog), 0);

        QCOMPARE(e2e.Dialup({"dial", "Test ISP"}), 0);
        QVERIFY2(E2E::WaitFor([&] { return Starts(mailLog) == 1 && Starts(webLog) == 1; }, 10000),
                 "the programs were not started");
        QCOMPARE(e2e.Bug(), 2);
        // The following ticks of the same connection start nothing.
        QThread::sleep(3);
        QCOMPARE(Starts(mailLog), 1);
        QCOMPARE(Starts(webLog), 1);

        QCOMPARE(e2e.Dialup({"hangup"}), 0);
        QVERIFY(E2E::WaitFor([&] { return e2e.Bug() == 1; }, 10000));
        QCOMPARE(e2e.Dialup({"dial", "Test ISP"}), 0);
        QVERIFY2(E2E::WaitFor([&] { return Starts(mailLog) == 2 && Starts(webLog) == 2; }, 10000),
                 "a re-dial did not start the programs again");

        ::kill(static_cast<pid_t>(e2e.netrova().processId()), SIGTERM);
        QVERIFY(e2e.netrova().waitForFinished(15000));
        QCOMPARE(e2e.netrova().exitCode(), 0);
        QCOMPARE(e2e.Records().size(), std::size_t(2));
    }
};

QTEST_GUILESS_MAIN(EndToEndLaunch)
#include "test_e2e_launch.moc"
