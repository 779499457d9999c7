#include "../support/TempStore.h"
#include "platform/DialUpService.h"
#include "store/Defaults.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <filesystem>
#include <memory>

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

} // namespace

class TestDialUpService : public QObject {
    Q_OBJECT

private slots:
    void interfaceState_data();
    void interfaceState();
    void connectAndDisconnect();
    void entryInUse_data();
    void entryInUse();
    void entriesFollowPeerFiles();
    void unreadablePeersLeaveEntries();
    void idleTickWritesNothing();
    void manualPublishesNothing();
    void choiceByVariable_data();
    void choiceByVariable();
    void badChoiceIsAnError();
};

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

    sys.LinkDown();
    sys.Remove("run/ppp-work.pid");
    service->Publish();
    QCOMPARE(RemoteConnectionBytes(store), kZero);
    // The default entry stays the one used last.
    QCOMPARE(ReadDefaultEntry(store), std::string("work"));
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
    // "Default" and "Remote Connection": one transaction each.
    QCOMPARE(store.store().TransactionCount(), before + 2);

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

void TestDialUpService::choiceByVariable_data() {
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QString>("source");

    const bool peers = std::filesystem::exists("/etc/ppp/peers");
    QTest::newRow("manual") << QByteArray("manual") << "manual";
    QTest::newRow("pppd") << QByteArray("pppd") << "pppd";
    QTest::newRow("unset") << QByteArray() << (peers ? "pppd" : "manual");
}

void TestDialUpService::choiceByVariable() {
    QFETCH(QByteArray, value);
    QFETCH(QString, source);

    test::TempStore store;
    if (value.isNull())
        qunsetenv("NETROVA_DIALUP");
    else
        qputenv("NETROVA_DIALUP", value);
    const auto service = MakeDialUpService(store);
    qunsetenv("NETROVA_DIALUP");
    QCOMPARE(QString(service->SourceName()), source);
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
                 message.contains("pppd") && message.contains("manual"),
             qPrintable(message));
}

QTEST_GUILESS_MAIN(TestDialUpService)
#include "test_dialup_service.moc"
