#include "../support/MockCalls.h"
#include "platform/DesktopNotifications.h"

#include <QDBusConnectionInterface>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

using namespace netrova;

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");

QList<QVariantList> NotifyCalls() {
    return test::MockCalls(QDBusConnection::sessionBus(), kService, kPath, "Notify");
}

} // namespace

class TestNotifications : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void notify_data();
    void notify();
    void fallbackWithoutService();

private:
    QProcess bus_; // the private session bus
};

void TestNotifications::initTestCase() {
    const QString daemon = QStandardPaths::findExecutable("dbus-daemon");
    QProcess probe;
    probe.start("/usr/bin/python3", {"-c", "import dbusmock"});
    if (daemon.isEmpty() || !probe.waitForFinished() || probe.exitCode() != 0)
        QSKIP("needs the Debian packages dbus-daemon and python3-dbusmock");
    // A session bus of the test's own, so that nothing shows on the desktop.
    bus_.start(daemon, {"--session", "--nofork", "--print-address=1"});
    QVERIFY(bus_.waitForStarted() && bus_.waitForReadyRead());
    qputenv("DBUS_SESSION_BUS_ADDRESS", bus_.readLine().trimmed());
}

void TestNotifications::cleanupTestCase() {
    bus_.kill();
    bus_.waitForFinished();
}

void TestNotifications::notify_data() {
    QTest::addColumn<QString>("capabilities");
    QTest::addColumn<bool>("critical");
    QTest::addColumn<QStringList>("actions");

    QTest::newRow("warning") << "body actions" << false << QStringList{};
    QTest::newRow("limit reached")
        << "body actions" << true << QStringList{"hangup", "Hang up now"};
    QTest::newRow("service without buttons") << "body" << true << QStringList{};
}

void TestNotifications::notify() {
    QFETCH(QString, capabilities);
    QFETCH(bool, critical);
    QFETCH(QStringList, actions);
    QProcess mock;
    mock.start("/usr/bin/python3", {"-m", "dbusmock", "--template", "notification_daemon", "-p",
                                    "{\"capabilities\": \"" + capabilities + "\"}"});
    QTRY_VERIFY_WITH_TIMEOUT(
        QDBusConnection::sessionBus().interface()->isServiceRegistered(kService).value(), 20000);
    DesktopNotifications notifications;
    int fallbacks = 0, hangUps = 0;
    notifications.SetFallback([&](auto&&...) { ++fallbacks; });
    notifications.SetHangUpHandler([&] { ++hangUps; });
    QTRY_VERIFY(notifications.Available());

    notifications.Notify("Netrova: data limit reached", "Used 1.0 GiB of 1.0 GiB.",
                         critical ? Urgency::Critical : Urgency::Normal, critical);
    QTRY_COMPARE(NotifyCalls().size(), 1);
    const QVariantList args = NotifyCalls().front();
    QCOMPARE(args.value(0).toString(), "Netrova");
    QCOMPARE(args.value(3).toString(), "Netrova: data limit reached");
    QCOMPARE(args.value(4).toString(), "Used 1.0 GiB of 1.0 GiB.");
    QCOMPARE(args.value(5).toStringList(), actions);
    QCOMPARE(qdbus_cast<QVariantMap>(args.value(6)).value("urgency").toInt(), critical ? 2 : 1);

    // The button of another program's notification (7), then ours (1, once its id came back).
    QTest::qWait(100);
    for (uint id : {7u, 1u})
        QDBusConnection::sessionBus().call(
            QDBusMessage::createMethodCall(kService, kPath, "org.freedesktop.DBus.Mock",
                                           "EmitSignal")
            << kService << "ActionInvoked"
            << "us" << QVariantList{id, "hangup"});
    QTRY_COMPARE(hangUps, actions.isEmpty() ? 0 : 1);
    QTest::qWait(100);
    QCOMPARE(hangUps, actions.isEmpty() ? 0 : 1);
    QCOMPARE(fallbacks, 0);
    mock.terminate();
    mock.waitForFinished();
}

void TestNotifications::fallbackWithoutService() {
    DesktopNotifications notifications;
    QStringList fallen;
    notifications.SetFallback(
        [&](const std::string& summary, auto&&...) { fallen << QString::fromStdString(summary); });
    notifications.Notify("Netrova: 80 % of the money limit", "", Urgency::Normal, false);
    QTRY_COMPARE(fallen, QStringList{"Netrova: 80 % of the money limit"});
    QVERIFY(!notifications.Available());
}

QTEST_GUILESS_MAIN(TestNotifications)
#include "test_notifications.moc"
