#include "../support/MockCalls.h"
#include "../support/TempStore.h"
#include "dialup/DialUpService.h"
#include "dialup/NetworkManagerSource.h"
#include "settings/Defaults.h"
#include "settings/MachineSettings.h"

#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <filesystem>
#include <memory>

#include <signal.h>

using namespace netrova;

namespace {

// A fake /sys/class/net, /run, /etc/ppp/peers and /proc in a temporary folder.
class FakeSystem {
public:
    FakeSystem() {
        for (const char* dir : {"sys/class/net/lo", "run", "etc/ppp/peers", "proc"})
            QDir().mkpath(Path(dir));
        SetInterface("lo", "unknown", "0x9");
    }

    QString Path(const QString& relative) const { return dir_.filePath(relative); }
    std::string Root(const char* relative) const { return Path(relative).toStdString(); }

    void Write(const QString& relative, const QByteArray& content) {
        QDir().mkpath(QFileInfo(Path(relative)).path());
        QFile f(Path(relative));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(content);
    }
    void Remove(const QString& relative) { QVERIFY(QFile::remove(Path(relative))); }

    void SetInterface(const QString& name, const QByteArray& operstate, const QByteArray& flags) {
        QDir().mkpath(Path("sys/class/net/" + name));
        Write("sys/class/net/" + name + "/operstate", operstate + "\n");
        Write("sys/class/net/" + name + "/flags", flags + "\n");
    }
    void LinkUp() { SetInterface("ppp0", "unknown", "0x10d1"); }
    void LinkDown() { QDir(Path("sys/class/net/ppp0")).removeRecursively(); }
    void AddPeer(const QString& name) { Write("etc/ppp/peers/" + name, "noauth\n"); }

    std::unique_ptr<PppdDialUpService> Service(SettingsStore& store) const {
        return std::make_unique<PppdDialUpService>(store, Root("sys/class/net"), Root("run"),
                                                   Root("etc/ppp/peers"), Root("proc"));
    }

private:
    QTemporaryDir dir_;
};

QByteArray RemoteConnectionBytes(test::TempStore& store) {
    const auto b = store.Bin(Root::LocalMachine, kRemoteAccessServiceKey, "Remote Connection");
    return QByteArray(reinterpret_cast<const char*>(b.data()), static_cast<qsizetype>(b.size()));
}

// A /proc/<pid>/cmdline: each argument ends with a zero byte.
QByteArray Cmdline(const QList<QByteArray>& args) {
    QByteArray text;
    for (const auto& arg : args)
        text += arg + '\0';
    return text;
}

const QByteArray kOne("\x01\x00\x00\x00", 4);
const QByteArray kZero("\x00\x00\x00\x00", 4);

QStringList Entries(SettingsStore& store) {
    QStringList names;
    for (const auto& n : ListEntries(store))
        names << QString::fromStdString(n);
    return names;
}

// What the dial-up service says on netrova.dialup.
QStringList dialUpNotices;
QtMessageHandler previousHandler = nullptr;
void RecordNotices(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (context.category && QByteArray(context.category) == "netrova.dialup")
        dialUpNotices << text;
    previousHandler(type, context, text);
}

// python3-dbusmock's NetworkManager on the private system bus that initTestCase starts.
class MockNetworkManager {
public:
    static QString Python() {
        for (const QString& python :
             {QStandardPaths::findExecutable("python3"), QStringLiteral("/usr/bin/python3")}) {
            QProcess probe;
            probe.setStandardErrorFile(QProcess::nullDevice());
            probe.start(python, {"-c", "import dbusmock"});
            if (probe.waitForFinished() && probe.exitStatus() == QProcess::NormalExit &&
                probe.exitCode() == 0)
                return python;
        }
        return {};
    }
    ~MockNetworkManager() { Stop(); }

    // Unseen: without running the event loop, so that the service under test sees nothing yet.
    void Start(bool unseen = false) {
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start(Python(), {"-m", "dbusmock", "--template", "networkmanager"});
        QVERIFY(process_.waitForStarted());
        for (int i = 0; unseen && i < 400 && !NetworkManagerDialUpService::Running(); ++i)
            QThread::msleep(50);
        QTRY_VERIFY_WITH_TIMEOUT(NetworkManagerDialUpService::Running(), 20000);
    }
    // A NetworkManager that hangs: calls to it time out.
    void Pause(bool paused) { ::kill(pid_t(process_.processId()), paused ? SIGSTOP : SIGCONT); }
    void Stop() {
        process_.terminate();
        process_.waitForFinished();
    }

    static QVariant Call(const QString& path, const QString& interface, const QString& method,
                         const QVariantList& args) {
        auto call = QDBusMessage::createMethodCall("org.freedesktop.NetworkManager", path,
                                                   interface, method);
        call.setArguments(args);
        const QDBusMessage reply = QDBusConnection::systemBus().call(call);
        if (reply.type() != QDBusMessage::ReplyMessage)
            qWarning("%s: %s", qPrintable(method), qPrintable(reply.errorMessage()));
        return reply.arguments().value(0);
    }
    static QVariant Mock(const QString& method, const QVariantList& args) {
        return Call("/org/freedesktop/NetworkManager", "org.freedesktop.DBus.Mock", method, args);
    }
    // The one device the connections are activated on.
    static QString AddDevice() {
        return Mock("AddEthernetDevice", {"mock_Ethernet1", "eth0", 100}).toString();
    }
    // A profile; metered is connection.metered (0 unknown, 1 yes, 2 no).
    static QString AddProfile(const QString& id, const QString& type, int metered = 0,
                              const QString& uuid = {}) {
        QMap<QString, QVariantMap> settings{
            {"connection", {{"id", id}, {"type", type}, {"metered", metered}}}};
        if (!uuid.isEmpty())
            settings["connection"]["uuid"] = uuid;
        return Call("/org/freedesktop/NetworkManager/Settings",
                    "org.freedesktop.NetworkManager.Settings", "AddConnection",
                    {QVariant::fromValue(settings)})
            .value<QDBusObjectPath>()
            .path();
    }
    static QString Activate(const QString& device, const QString& profile, const QString& name) {
        return Mock("AddActiveConnection",
                    {QStringList{device}, profile, QStringLiteral("/"), name, 2u})
            .toString();
    }
    static void SetActive(const QString& active, const QString& property, const QVariant& value) {
        Mock("SetProperty", {active, "org.freedesktop.NetworkManager.Connection.Active", property,
                             QVariant::fromValue(QDBusVariant(value))});
    }

private:
    QProcess process_;
};

// What the monitor sees after a Publish.
QString Published(NetworkManagerDialUpService& service, SettingsStore& store) {
    service.Publish();
    return (ReadRemoteConnection(store) ? "connected " : "not connected ") +
           QString::fromStdString(ReadDefaultEntry(store));
}

// The first state published that differs from `now` (QTRY would publish once more).
QString NextPublished(NetworkManagerDialUpService& service, SettingsStore& store,
                      const QString& now) {
    QString seen;
    for (QDeadlineTimer deadline(5000);
         (seen = Published(service, store)) == now && !deadline.hasExpired();)
        QTest::qWait(20);
    return seen;
}

} // namespace

class TestDialUpService : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void followsNetworkManager();
    void silentNetworkManagerEndsNothing();
    void entryNameOfConnection_data();
    void entryNameOfConnection();
    void oneConnectionCountedAtATime();
    void interfaceState_data();
    void interfaceState();
    void connectAndDisconnect();
    void entryInUse_data();
    void entryInUse();
    void pppdHangUp_data();
    void pppdHangUp();
    void networkManagerHangUp();
    void entriesFollowPeerFiles();
    void unreadablePeersLeaveEntries();
    void idleTickWritesNothing();
    void manualPublishesNothing();
    void choiceOfSource_data();
    void choiceOfSource();
    void newChoiceFollowedOnceNoConnectionIsUp();
    void badChoiceIsAnError();

private:
    QString WhyNoMock() const;
    QProcess bus_; // the private system bus
};

void TestDialUpService::initTestCase() {
    previousHandler = qInstallMessageHandler(RecordNotices);
    qDBusRegisterMetaType<QMap<QString, QVariantMap>>();
    // A system bus of the test's own, so that no NetworkManager of the machine takes part.
    const QString daemon = QStandardPaths::findExecutable("dbus-daemon");
    if (!daemon.isEmpty()) {
        bus_.start(daemon, {"--session", "--nofork", "--print-address=1"});
        if (bus_.waitForStarted() && bus_.waitForReadyRead())
            qputenv("DBUS_SYSTEM_BUS_ADDRESS", bus_.readLine().trimmed());
    }
    if (qEnvironmentVariableIsEmpty("DBUS_SYSTEM_BUS_ADDRESS") || bus_.state() != QProcess::Running)
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/bus");
}

QString TestDialUpService::WhyNoMock() const {
    if (bus_.state() != QProcess::Running)
        return "dbus-daemon is not installed (Debian package dbus-daemon)";
    if (MockNetworkManager::Python().isEmpty())
        return "python3-dbusmock is not installed (Debian package python3-dbusmock)";
    return {};
}

void TestDialUpService::cleanupTestCase() {
    bus_.kill();
    bus_.waitForFinished();
}

void TestDialUpService::followsNetworkManager() {
    if (const QString why = WhyNoMock(); !why.isEmpty())
        QSKIP(qPrintable(why));
    MockNetworkManager nm;
    nm.Start();
    const QString device = MockNetworkManager::AddDevice();
    const QString mobile = MockNetworkManager::AddProfile("Mobile ISP", "gsm");
    const QString wired = MockNetworkManager::AddProfile("Wired", "802-3-ethernet", 2);
    const QString hotspot = MockNetworkManager::AddProfile("Phone hotspot", "802-11-wireless", 1);

    test::TempStore store;
    AddEntry(store, "gone");
    NetworkManagerDialUpService service(store);
    const auto state = [&] { return Published(service, store); };
    QCOMPARE(state(), "not connected ");
    QTRY_COMPARE((state(), Entries(store)), (QStringList{"Mobile ISP", "Phone hotspot"}));
    MockNetworkManager::AddProfile("Dial 2", "cdma");
    QTRY_COMPARE((state(), Entries(store)), (QStringList{"Mobile ISP", "Phone hotspot", "Dial 2"}));

    const QString first = MockNetworkManager::Activate(device, mobile, "0");
    QTRY_COMPARE(state(), "connected Mobile ISP");
    // The mock's device has no IpInterface yet: its Interface stands in, until a data link
    // is made, as a modem's is while it activates.
    QTRY_COMPARE((state(), ReadConnectionInterface(store)), std::string("eth0"));
    MockNetworkManager::Mock("SetProperty",
                             {device, "org.freedesktop.NetworkManager.Device", "IpInterface",
                              QVariant::fromValue(QDBusVariant("wwan0"))});
    QTRY_COMPARE((state(), ReadConnectionInterface(store)), std::string("wwan0"));
    const auto before = store.store().TransactionCount();
    service.Publish();
    QCOMPARE(store.store().TransactionCount(), before);
    MockNetworkManager::SetActive(first, "State", 4u);
    QTRY_COMPARE(state(), "not connected Mobile ISP");
    QCOMPARE(ReadConnectionInterface(store), std::string());

    // An ethernet link is no dial-up; a metered one is.
    MockNetworkManager::Activate(device, wired, "1");
    const QString metered = MockNetworkManager::Activate(device, hotspot, "2");
    QTRY_COMPARE(state(), "connected Phone hotspot");
    MockNetworkManager::Mock("RemoveActiveConnection", {device, metered});
    QTRY_COMPARE(state(), "not connected Phone hotspot");

    // NetworkManager going away leaves the state as it was; back again, it is read anew.
    MockNetworkManager::Activate(device, mobile, "3");
    QTRY_COMPARE(state(), "connected Mobile ISP");
    dialUpNotices.clear();
    nm.Stop();
    QTRY_COMPARE(dialUpNotices.size(), 1);
    QCOMPARE(state(), "connected Mobile ISP");
    nm.Start();
    QTRY_COMPARE(state(), "not connected Mobile ISP");
    QCOMPARE(Entries(store), QStringList{});
    QCOMPARE(dialUpNotices.size(), 2);
    QVERIFY2(dialUpNotices.join('\n').count("NetworkManager") == 2,
             qPrintable(dialUpNotices.join('\n')));
}

// A NetworkManager restarted that hangs before it answers: the connection stays counted, and the
// same connection under its new path is no new one. Nothing waits for it meanwhile.
void TestDialUpService::silentNetworkManagerEndsNothing() {
    if (const QString why = WhyNoMock(); !why.isEmpty())
        QSKIP(qPrintable(why));
    const QString uuid = "5d2e8c40-7f5a-4c1e-9d43-0a6b2f1e9c77";
    const auto connect = [&](const QString& name) {
        const QString device = MockNetworkManager::AddDevice();
        const QString profile = MockNetworkManager::AddProfile("Mobile ISP", "gsm", 0, uuid);
        return MockNetworkManager::Activate(device, profile, name);
    };
    MockNetworkManager nm;
    nm.Start();
    connect("0");
    test::TempStore store;
    NetworkManagerDialUpService service(store);
    QTRY_COMPARE(Published(service, store), "connected Mobile ISP");

    nm.Stop();
    nm.Start(true);
    const QString active = connect("7");
    nm.Pause(true);
    const auto holds = [&](int ms) {
        for (QElapsedTimer t; t.start(), ms > 0; ms -= 200) {
            QCOMPARE(Published(service, store), "connected Mobile ISP");
            QTest::qWait(200);
            QVERIFY2(t.elapsed() < 1000, "a Publish waited for NetworkManager");
        }
    };
    holds(4500); // past the calls' time-out
    nm.Pause(false);
    if (QTest::currentTestFailed())
        return;
    holds(2500);
    MockNetworkManager::SetActive(active, "State", 4u);
    QTRY_COMPARE(Published(service, store), "not connected Mobile ISP");
}

void TestDialUpService::entryNameOfConnection_data() {
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("expected");
    const QString uuid = "0b9a7d1c-3e52-4f60-8a2b-6c4d1e0f9a83";
    QTest::newRow("new line") << "Mobile\nISP"
                              << "Mobile ISP";
    QTest::newRow("tab and key separator") << "a\tb\\c"
                                           << "a b c";
    QTest::newRow("empty") << "" << uuid;
    QTest::newRow("blank once cleaned") << "\r\n" << uuid;
}

// An Id that cannot be an entry name names its own connection, never the previous provider.
void TestDialUpService::entryNameOfConnection() {
    QFETCH(QString, id);
    QFETCH(QString, expected);
    if (const QString why = WhyNoMock(); !why.isEmpty())
        QSKIP(qPrintable(why));
    MockNetworkManager nm;
    nm.Start();
    const QString device = MockNetworkManager::AddDevice();
    const QString profile =
        MockNetworkManager::AddProfile(id, "gsm", 0, "0b9a7d1c-3e52-4f60-8a2b-6c4d1e0f9a83");
    test::TempStore store;
    SetDefaultEntry(store, "Old ISP");
    NetworkManagerDialUpService service(store);
    QTRY_COMPARE((service.Publish(), Entries(store)), QStringList{expected});

    MockNetworkManager::Activate(device, profile, "0");
    QTRY_COMPARE(Published(service, store), "connected " + expected);
}

// A second dial-up connection is counted only once the first has ended, and a renamed one
// anew: the monitor sees each start after a tick of "not connected".
void TestDialUpService::oneConnectionCountedAtATime() {
    if (const QString why = WhyNoMock(); !why.isEmpty())
        QSKIP(qPrintable(why));
    MockNetworkManager nm;
    nm.Start();
    const QString device = MockNetworkManager::AddDevice();
    const QString mobile = MockNetworkManager::AddProfile("Mobile ISP", "gsm");
    const QString backup = MockNetworkManager::AddProfile("Backup", "cdma");
    test::TempStore store;
    NetworkManagerDialUpService service(store);
    const QString first = MockNetworkManager::Activate(device, mobile, "0");
    QTRY_COMPARE(Published(service, store), "connected Mobile ISP");

    const QString second = MockNetworkManager::Activate(device, backup, "1");
    for (int i = 0; i < 5; ++i, QTest::qWait(100))
        QCOMPARE(Published(service, store), "connected Mobile ISP");

    MockNetworkManager::SetActive(first, "State", 4u);
    QCOMPARE(NextPublished(service, store, "connected Mobile ISP"), "not connected Mobile ISP");
    QCOMPARE(Published(service, store), "connected Backup");

    MockNetworkManager::SetActive(second, "Id", "Backup 2");
    QCOMPARE(NextPublished(service, store, "connected Backup"), "not connected Backup");
    QCOMPARE(Published(service, store), "connected Backup 2");
}

void TestDialUpService::interfaceState_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("operstate");
    QTest::addColumn<QByteArray>("flags");
    QTest::addColumn<bool>("connected");

    QTest::newRow("ppp up, state unknown")
        << "ppp0" << QByteArray("unknown") << QByteArray("0x10d1") << true;
    QTest::newRow("ppp state up") << "ppp1" << QByteArray("up") << QByteArray("0x1091") << true;
    QTest::newRow("ppp not yet up")
        << "ppp0" << QByteArray("unknown") << QByteArray("0x1090") << false;
    QTest::newRow("ppp down") << "ppp0" << QByteArray("down") << QByteArray("0x1091") << false;
    QTest::newRow("ethernet up") << "eth0" << QByteArray("up") << QByteArray("0x1003") << false;
}

void TestDialUpService::interfaceState() {
    QFETCH(QString, name);
    QFETCH(QByteArray, operstate);
    QFETCH(QByteArray, flags);
    QFETCH(bool, connected);

    test::TempStore store;
    FakeSystem sys;
    sys.SetInterface(name, operstate, flags);
    sys.Service(store)->Publish();

    QCOMPARE(ReadRemoteConnection(store), connected);
    QCOMPARE(RemoteConnectionBytes(store), connected ? kOne : kZero);
    QCOMPARE(QString::fromStdString(ReadConnectionInterface(store)), connected ? name : "");
}

void TestDialUpService::connectAndDisconnect() {
    test::TempStore store;
    FakeSystem sys;
    sys.AddPeer("isp");
    sys.AddPeer("work");
    sys.Write("run/ppp0.pid", "812\n");
    sys.Write("run/ppp-work.pid", "812\nppp0\n");
    auto service = sys.Service(store);

    service->Publish();
    QCOMPARE(RemoteConnectionBytes(store), kZero);
    QCOMPARE(ReadDefaultEntry(store), std::string());

    sys.LinkUp();
    service->Publish();
    QCOMPARE(RemoteConnectionBytes(store), kOne);
    QCOMPARE(ReadDefaultEntry(store), std::string("work"));
    QCOMPARE(ReadConnectionInterface(store), std::string("ppp0"));

    sys.LinkDown();
    sys.Remove("run/ppp-work.pid");
    service->Publish();
    QCOMPARE(RemoteConnectionBytes(store), kZero);
    QCOMPARE(ReadConnectionInterface(store), std::string());
    // The default entry stays the one used last.
    QCOMPARE(ReadDefaultEntry(store), std::string("work"));
}

void TestDialUpService::pppdHangUp_data() {
    QTest::addColumn<bool>("up");
    QTest::addColumn<QStringList>("runFiles"); // name=content, PID the stand-in pppd's
    QTest::addColumn<bool>("stopped");

    QTest::newRow("pid file of the interface")
        << true << QStringList{"ppp0.pid=PID\n", "proc/PID/comm=pppd\n"} << true;
    QTest::newRow("pid file of the link")
        << true << QStringList{"ppp-work.pid=PID\nppp0\n", "proc/PID/comm=pppd\n"} << true;
    QTest::newRow("no link up") << false << QStringList{"ppp0.pid=PID\n"} << false;
    QTest::newRow("not a pid") << true << QStringList{"ppp0.pid=PIDx\n"} << false;
    QTest::newRow("a stale pid file")
        << true << QStringList{"ppp0.pid=PID\n", "proc/PID/comm=sleep\n"} << false;
}

void TestDialUpService::pppdHangUp() {
    QFETCH(bool, up);
    QFETCH(QStringList, runFiles);
    QFETCH(bool, stopped);
    QProcess pppd;
    pppd.start("sleep", {"30"});
    QVERIFY(pppd.waitForStarted());
    test::TempStore store;
    FakeSystem sys;
    if (up)
        sys.LinkUp();
    const QString pid = QString::number(pppd.processId());
    for (const QString& file : runFiles) {
        const auto parts = file.split('=');
        const QString path = QString(parts[0]).replace("PID", pid);
        sys.Write(path.startsWith("proc/") ? path : "run/" + path,
                  QString(parts[1]).replace("PID", pid).toUtf8());
    }
    auto service = sys.Service(store);
    QVERIFY(service->CanHangUp());
    std::optional<std::string> error;
    service->HangUp([&](const std::string& e) { error = e; });
    QVERIFY(error);
    QCOMPARE(error->empty(), stopped);
    QCOMPARE(pppd.waitForFinished(stopped ? 5000 : 200), stopped);
    if (stopped)
        QCOMPARE(pppd.exitStatus(), QProcess::CrashExit); // ended by the signal
    pppd.kill();
    pppd.waitForFinished();
}

void TestDialUpService::networkManagerHangUp() {
    if (const QString why = WhyNoMock(); !why.isEmpty())
        QSKIP(qPrintable(why));
    MockNetworkManager nm;
    nm.Start();
    const QString device = MockNetworkManager::AddDevice();
    const QString mobile = MockNetworkManager::AddProfile("Mobile ISP", "gsm");
    test::TempStore store;
    NetworkManagerDialUpService service(store);
    QVERIFY(!service.CanHangUp());
    const QString active = MockNetworkManager::Activate(device, mobile, "0");
    QTRY_COMPARE(Published(service, store), "connected Mobile ISP");
    QVERIFY(service.CanHangUp());

    std::optional<std::string> error;
    service.HangUp([&](const std::string& e) { error = e; });
    QVERIFY(!error); // nothing waits for NetworkManager
    QTRY_VERIFY(error);
    QCOMPARE(*error, std::string());
    const auto calls =
        test::MockCalls(QDBusConnection::systemBus(), "org.freedesktop.NetworkManager",
                        "/org/freedesktop/NetworkManager", "DeactivateConnection");
    QCOMPARE(calls.size(), 1);
    QCOMPARE(calls[0].value(0).value<QDBusObjectPath>().path(), active);
}

void TestDialUpService::entryInUse_data() {
    QTest::addColumn<QStringList>("peers");
    QTest::addColumn<QStringList>("runFiles"); // name=content
    QTest::addColumn<QByteArray>("cmdline");   // of pid 812, the pppd on ppp0
    QTest::addColumn<QString>("expected");

    QTest::newRow("link name") << QStringList{"isp", "work"}
                               << QStringList{"ppp-work.pid=812\nppp0\n"} << QByteArray() << "work";
    QTest::newRow("link of the interface that is up")
        << QStringList{"a", "b"} << QStringList{"ppp-a.pid=900\nppp1\n", "ppp-b.pid=812\nppp0\n"}
        << QByteArray() << "b";
    QTest::newRow("link file without interface, same pid")
        << QStringList{"a", "b"} << QStringList{"ppp-a.pid=900\n", "ppp-b.pid=812\n"}
        << QByteArray() << "b";
    QTest::newRow("link name in another case")
        << QStringList{"isp"} << QStringList{"ppp-ISP.pid=812\nppp0\n"} << QByteArray() << "isp";
    QTest::newRow("called peer") << QStringList{"isp", "work"} << QStringList{}
                                 << Cmdline({"/usr/sbin/pppd", "call", "isp", "nodetach"}) << "isp";
    QTest::newRow("peer file wins over a link name that is none")
        << QStringList{"isp", "work"} << QStringList{"ppp-dsl.pid=812\nppp0\n"}
        << Cmdline({"pppd", "call", "isp"}) << "isp";
    QTest::newRow("link name that is no peer file")
        << QStringList{"isp", "work"} << QStringList{"ppp-dsl.pid=812\nppp0\n"} << QByteArray()
        << "dsl";
    QTest::newRow("the only peer")
        << QStringList{"solo"} << QStringList{} << QByteArray() << "solo";
    QTest::newRow("called peer that is not UTF-8") << QStringList{"isp", "work"} << QStringList{}
                                                   << Cmdline({"pppd", "call", "caf\xe9"}) << "old";
    QTest::newRow("unknown: left as it was")
        << QStringList{"isp", "work"} << QStringList{} << Cmdline({"pppd", "nodetach"}) << "old";
}

void TestDialUpService::entryInUse() {
    QFETCH(QStringList, peers);
    QFETCH(QStringList, runFiles);
    QFETCH(QByteArray, cmdline);
    QFETCH(QString, expected);

    test::TempStore store;
    SetDefaultEntry(store, "old");
    FakeSystem sys;
    for (const auto& peer : peers)
        sys.AddPeer(peer);
    sys.Write("run/ppp0.pid", "812\n");
    for (const auto& file : runFiles)
        sys.Write("run/" + file.section('=', 0, 0), file.section('=', 1).toUtf8());
    if (!cmdline.isEmpty()) {
        QDir().mkpath(sys.Path("proc/812"));
        sys.Write("proc/812/cmdline", cmdline);
    }
    sys.LinkUp();
    sys.Service(store)->Publish();

    QCOMPARE(QString::fromStdString(ReadDefaultEntry(store)), expected);
    QVERIFY(ReadRemoteConnection(store));
}

void TestDialUpService::entriesFollowPeerFiles() {
    test::TempStore store;
    AddEntry(store, "gone");
    AddEntry(store, "ISP");
    FakeSystem sys;
    for (const char* name : {"isp", "work", ".hidden", "work~", "isp.dpkg-old"})
        sys.AddPeer(name);
    QDir().mkpath(sys.Path("etc/ppp/peers/folder"));
    auto service = sys.Service(store);

    service->Publish();
    // "ISP" already stands for the peer file "isp": kept, not doubled.
    QCOMPARE(Entries(store), (QStringList{"ISP", "work"}));

    sys.AddPeer("new");
    service->Publish();
    QCOMPARE(Entries(store), (QStringList{"ISP", "work", "new"}));

    sys.Remove("etc/ppp/peers/work");
    service->Publish();
    QCOMPARE(Entries(store), (QStringList{"ISP", "new"}));
}

void TestDialUpService::unreadablePeersLeaveEntries() {
    test::TempStore store;
    AddEntry(store, "isp");
    FakeSystem sys;
    // Listing fails (as for a folder of the dip group): the stored entries stay.
    QVERIFY(QDir(sys.Path("etc/ppp/peers")).removeRecursively());
    sys.Write("etc/ppp/peers", "not a folder");
    sys.Service(store)->Publish();
    QCOMPARE(Entries(store), QStringList{"isp"});

    // No peers folder at all: there are no entries.
    sys.Remove("etc/ppp/peers");
    sys.Service(store)->Publish();
    QCOMPARE(Entries(store), QStringList{});
}

void TestDialUpService::idleTickWritesNothing() {
    test::TempStore store;
    FakeSystem sys;
    sys.AddPeer("isp");
    auto service = sys.Service(store);
    service->Publish();

    auto before = store.store().TransactionCount();
    service->Publish();
    service->Publish();
    QCOMPARE(store.store().TransactionCount(), before);

    sys.LinkUp();
    service->Publish();
    // "Default", "Interface" and "Remote Connection": one transaction each.
    QCOMPARE(store.store().TransactionCount(), before + 3);

    before = store.store().TransactionCount();
    service->Publish();
    QCOMPARE(store.store().TransactionCount(), before);
    QVERIFY(ReadRemoteConnection(store));
}

void TestDialUpService::manualPublishesNothing() {
    test::TempStore store;
    ManualDialUpService service;
    SetRemoteConnection(store, true);
    SetDefaultEntry(store, "isp");
    const auto before = store.store().TransactionCount();

    service.Publish();

    QCOMPARE(store.store().TransactionCount(), before);
    QVERIFY(ReadRemoteConnection(store));
    QCOMPARE(ReadDefaultEntry(store), std::string("isp"));
}

void TestDialUpService::choiceOfSource_data() {
    QTest::addColumn<QByteArray>("variable"); // NETROVA_DIALUP; null: unset
    QTest::addColumn<QString>("setting");     // "Connection Source" in Preferences; "": none
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("networkManager"); // running on the bus

    const QString automatic = std::filesystem::exists("/etc/ppp/peers") ? "pppd" : "manual";
    QTest::newRow("NETROVA_DIALUP=NetworkManager") << QByteArray("NetworkManager") << ""
                                                   << "networkmanager"
                                                   << "set by NETROVA_DIALUP" << true;
    QTest::newRow("NETROVA_DIALUP=PPPD over Manual in Preferences")
        << QByteArray("PPPD") << "manual"
        << "pppd"
        << "set by NETROVA_DIALUP" << false;
    QTest::newRow("Pppd in Preferences") << QByteArray() << "Pppd"
                                         << "pppd"
                                         << "set in Preferences" << false;
    QTest::newRow("nothing set") << QByteArray() << "" << automatic << "chosen automatically"
                                 << false;
    QTest::newRow("empty NETROVA_DIALUP, a word of no source in Preferences")
        << QByteArray("") << "modem" << automatic << "chosen automatically" << false;
    QTest::newRow("Automatic in Preferences, NetworkManager running")
        << QByteArray() << "automatic"
        << "networkmanager"
        << "chosen automatically (NetworkManager is on the system bus)" << true;
}

void TestDialUpService::choiceOfSource() {
    QFETCH(QByteArray, variable);
    QFETCH(QString, setting);
    QFETCH(QString, source);
    QFETCH(QString, how);
    QFETCH(bool, networkManager);

    MockNetworkManager nm;
    if (networkManager) {
        if (const QString why = WhyNoMock(); !why.isEmpty())
            QSKIP(qPrintable(why));
        nm.Start();
    }
    test::TempStore store;
    if (!setting.isEmpty())
        store.SetStr(Root::LocalMachine, kRemoteAccessServiceKey, "Connection Source",
                     setting.toStdString());
    if (variable.isNull())
        qunsetenv("NETROVA_DIALUP");
    else
        qputenv("NETROVA_DIALUP", variable);
    const auto service = MakeDialUpService(store);
    qunsetenv("NETROVA_DIALUP");
    QCOMPARE(QString(service->SourceName()), source);
    const QString text = QString::fromStdString(service->SourceText());
    QVERIFY2(text.contains(", " + how), qPrintable(text));
    QVERIFY2(dialUpNotices.last() == "Connection source: " + text + ".",
             qPrintable(dialUpNotices.last()));
}

// A new choice waits for the counted connection to end, and is followed at the next Publish
// after it: that connection is counted once, by the source that counted it.
void TestDialUpService::newChoiceFollowedOnceNoConnectionIsUp() {
    test::TempStore store;
    FakeSystem system;
    system.AddPeer("isp");
    MachineSettings(store).SetConnectionSource(DialUpSource::Manual);
    DialUpSwitch dialUp(
        store,
        [&](DialUpSource source) -> std::unique_ptr<DialUpService> {
            if (source == DialUpSource::Pppd)
                return system.Service(store);
            return std::make_unique<ManualDialUpService>();
        },
        [](DialUpSource setting, const std::function<void(const DialUpChoice&)>& done) {
            done(ChooseDialUpSource(setting, DialUpChoice::By::Preferences));
        },
        ChooseDialUpSource(DialUpSource::Manual, DialUpChoice::By::Preferences));
    QCOMPARE(dialUp.SourceText(), std::string("manual, set in Preferences"));

    // A connection reported by hand is counted when Preferences turns to pppd.
    SetRemoteConnection(store, true);
    MachineSettings(store).SetConnectionSource(DialUpSource::Pppd);
    for (int tick = 0; tick < 3; ++tick) {
        dialUp.Publish();
        QCOMPARE(QString(dialUp.SourceName()), QString("manual"));
        QVERIFY(ReadRemoteConnection(store));
    }

    // Its hang-up ends it; pppd takes over at the next Publish, and its link is up.
    system.LinkUp();
    SetRemoteConnection(store, false);
    dialUp.Publish();
    QCOMPARE(QString(dialUp.SourceName()), QString("pppd"));
    QCOMPARE(dialUp.SourceText(), std::string("pppd, set in Preferences"));
    QVERIFY(ReadRemoteConnection(store));
    QCOMPARE(ReadDefaultEntry(store), std::string("isp"));
    QVERIFY2(dialUpNotices.contains("Connection source now: pppd, set in Preferences."),
             qPrintable(dialUpNotices.join("\n")));
}

void TestDialUpService::badChoiceIsAnError() {
    test::TempStore store;
    qputenv("NETROVA_DIALUP", "modem");
    QString message;
    try {
        MakeDialUpService(store);
    } catch (const std::runtime_error& e) {
        message = e.what();
    }
    qunsetenv("NETROVA_DIALUP");
    QVERIFY2(message.contains("NETROVA_DIALUP") && message.contains("modem") &&
                 message.contains("pppd") && message.contains("manual") &&
                 message.contains("automatic"),
             qPrintable(message));
}

QTEST_GUILESS_MAIN(TestDialUpService)
#include "test_dialup_service.moc"
