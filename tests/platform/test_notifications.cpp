#include "platform/DesktopNotifications.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

using namespace netrova;

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");

// python3-dbusmock's notification daemon on the private session bus, with the capabilities
// given.
class MockNotificationDaemon {
public:
    explicit MockNotificationDaemon(const QString& capabilities) {
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start(QStringLiteral("/usr/bin/python3"),
                       {"-m", "dbusmock", "--template", "notification_daemon", "-p",
                        QStringLiteral("{\"capabilities\": \"%1\"}").arg(capabilities)});
        QVERIFY(process_.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(
            QDBusConnection::sessionBus().interface()->isServiceRegistered(kService).value(),
            20000);
    }
    ~MockNotificationDaemon() {
        process_.terminate();
        process_.waitForFinished();
    }

    static QDBusMessage Mock(const QString& method, const QVariantList& args = {}) {
        auto call =
            QDBusMessage::createMethodCall(kService, kPath, "org.freedesktop.DBus.Mock", method);
        call.setArguments(args);
        return QDBusConnection::sessionBus().call(call);
    }
    // The arguments of each Notify call so far.
    static QList<QVariantList> NotifyCalls() {
        QList<QVariantList> calls;
        const auto calls_ = Mock("GetCalls").arguments().value(0).value<QDBusArgument>();
        calls_.beginArray();
        while (!calls_.atEnd()) {
            quint64 time = 0;
            QString method;
            QVariantList args;
            calls_.beginStructure();
            calls_ >> time >> method;
            calls_.beginArray();
            while (!calls_.atEnd()) {
                QDBusVariant arg;
                calls_ >> arg;
                args << arg.variant();
            }
            calls_.endArray();
            calls_.endStructure();
            if (method == "Notify")
                calls << args;
        }
        calls_.endArray();
        return calls;
    }

private:
    QProcess process_;
};

} // namespace

class TestNotifications : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void notify_data();
    void notify();
    void hangUpButton();
    void fallbackWithoutService();

private:
    QProcess bus_; // the private session bus
};

void TestNotifications::initTestCase() {
    const QString daemon = QStandardPaths::findExecutable("dbus-daemon");
    QProcess probe;
    probe.start("/usr/bin/python3", {"-c", "import dbusmock"});
    if (daemon.isEmpty() || !probe.waitForFinished() || probe.exitCode() != 0)
        QSKIP("needs dbus-daemon and python3-dbusmock (Debian packages dbus-daemon, "
              "python3-dbusmock)");
    // A session bus of the test's own, so that no notification of the desktop shows.
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
    QTest::addColumn<bool>("offerHangUp");
    QTest::addColumn<int>("urgency");
    QTest::addColumn<QStringList>("actions");

    QTest::newRow("warning") << "body actions" << false << false << 1 << QStringList{};
    QTest::newRow("limit reached, with a button")
        << "body actions" << true << true << 2 << QStringList{"hangup", "Hang up now"};
    QTest::newRow("no button where the service shows none")
        << "body" << true << true << 2 << QStringList{};
}

void TestNotifications::notify() {
    QFETCH(QString, capabilities);
    QFETCH(bool, critical);
    QFETCH(bool, offerHangUp);
    QFETCH(int, urgency);
    QFETCH(QStringList, actions);
    MockNotificationDaemon daemon(capabilities);
    DesktopNotifications notifications;
    int fallbacks = 0;
    notifications.SetFallback([&](auto&&...) { ++fallbacks; });
    QTRY_VERIFY(notifications.Available());

    notifications.Notify("Netrova: data limit reached", "Used 1.0 GiB of 1.0 GiB.",
                         critical ? Urgency::Critical : Urgency::Normal, offerHangUp);
    QTRY_COMPARE(MockNotificationDaemon::NotifyCalls().size(), 1);
    const QVariantList args = MockNotificationDaemon::NotifyCalls().value(0);
    QCOMPARE(args.value(0).toString(), "Netrova");
    QCOMPARE(args.value(2).toString(), "netrova");
    QCOMPARE(args.value(3).toString(), "Netrova: data limit reached");
    QCOMPARE(args.value(4).toString(), "Used 1.0 GiB of 1.0 GiB.");
    QCOMPARE(args.value(5).toStringList(), actions);
    const auto hints = qdbus_cast<QVariantMap>(args.value(6));
    QCOMPARE(hints.value("urgency").toInt(), urgency);
    QCOMPARE(fallbacks, 0);
}

void TestNotifications::hangUpButton() {
    MockNotificationDaemon daemon("body actions");
    DesktopNotifications notifications;
    int asked = 0;
    notifications.SetHangUpHandler([&] { ++asked; });
    QTRY_VERIFY(notifications.Available());
    notifications.Notify("Netrova: money limit reached", "", Urgency::Critical, true);
    QTRY_COMPARE(MockNotificationDaemon::NotifyCalls().size(), 1);
    QTest::qWait(100); // the id comes with Notify's answer

    const auto invoke = [](uint id, const QString& action) {
        MockNotificationDaemon::Mock(
            "EmitSignal",
            {"org.freedesktop.Notifications", "ActionInvoked", "us", QVariantList{id, action}});
    };
    // Another program's notification, and another button of ours.
    invoke(7, "hangup");
    invoke(1, "default");
    QTest::qWait(200);
    QCOMPARE(asked, 0);
    invoke(1, "hangup");
    QTRY_COMPARE(asked, 1);
}

void TestNotifications::fallbackWithoutService() {
    DesktopNotifications notifications;
    QStringList fallen;
    notifications.SetFallback(
        [&](const std::string& summary, const std::string&, Urgency urgency, bool) {
            fallen << QString::fromStdString(summary) + (urgency == Urgency::Critical ? " !" : "");
        });
    notifications.Notify("Netrova: 80 % of the money limit", "", Urgency::Normal, false);
    QTRY_COMPARE(fallen, QStringList{"Netrova: 80 % of the money limit"});
    QVERIFY(!notifications.Available());
    notifications.Notify("Netrova: money limit reached", "", Urgency::Critical, true);
    QCOMPARE(fallen.size(), 2);
    QCOMPARE(fallen.back(), "Netrova: money limit reached !");
}

QTEST_GUILESS_MAIN(TestNotifications)
#include "test_notifications.moc"
