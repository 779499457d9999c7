// One connection through the real program: dialled and hung up with netrova-dialup, also while
// another program holds the store's lock and while the disk is full, and its data volume on a
// real network interface, with the desktop told of a data limit.
#include "../support/MockCalls.h"
#include "../support/PrivateBus.h"
#include "E2E.h"

#include "history/HistoryFile.h"
#include "history/VolumeFile.h"
#include "settings/Defaults.h"
#include "settings/Limits.h"

#include <QDBusMetaType>
#include <QDateTime>
#include <QElapsedTimer>
#include <QScopeGuard>
#include <QThread>
#include <QtTest>

#include <csignal>
#include <optional>
#include <thread>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sched.h>
#include <sqlite3.h>
#include <sys/socket.h>
#include <unistd.h>

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

// The program's wall clock moved by libfaketime by the seconds given; its monotonic clock stays
// real. The thread-safe build of the preload: the program's threads start early.
void FakeWallClock(E2E& e2e, qint64 offset) {
    const QString preload = "/usr/lib/x86_64-linux-gnu/faketime/libfaketimeMT.so.1";
    QVERIFY2(QFileInfo::exists(preload), "libfaketime is not installed");
    e2e.environment.insert("TZ", "Europe/Berlin");
    e2e.environment.insert("LD_PRELOAD", preload);
    e2e.environment.insert("FAKETIME", QString::number(offset));
    e2e.environment.insert("FAKETIME_DONT_FAKE_MONOTONIC", "1");
    // The sanitizer build checks that its runtime comes first; the preload is no finding.
    e2e.environment.insert("ASAN_OPTIONS",
                           qEnvironmentVariable("ASAN_OPTIONS") + ":verify_asan_link_order=0");
}

int Ip(const QStringList& args) {
    QProcess ip;
    ip.setProcessChannelMode(QProcess::ForwardedChannels);
    ip.start("ip", args);
    if (!ip.waitForFinished(10000) || ip.exitStatus() != QProcess::NormalExit)
        return -1;
    return ip.exitCode();
}

// Two network namespaces of the test's own, joined by a veth pair: vethA with 169.254.77.1/30
// in the first, vethB with 169.254.77.2/30 in the second. Nothing else is on the link: IPv6 is
// off, so that only the test's traffic and its ARP move the counters.
class VethPair {
public:
    const QString a = QString("netrova-e2e-%1-a").arg(::getpid());
    const QString b = QString("netrova-e2e-%1-b").arg(::getpid());

    ~VethPair() {
        for (const QString& ns : {a, b})
            if (made_.contains(ns))
                Ip({"netns", "del", ns});
    }

    // "" when made, else why not.
    QString Make() {
        if (::geteuid() != 0)
            return "network namespaces need root";
        for (const QString& ns : {a, b}) {
            if (Ip({"netns", "add", ns}) != 0)
                return "\"ip netns add\" failed (package iproute2, and a kernel that allows it)";
            made_ << ns;
            Ip({"netns", "exec", ns, "sh", "-c",
                "echo 1 >/proc/sys/net/ipv6/conf/default/disable_ipv6"});
        }
        const QList<QStringList> steps = {
            {"-n", a, "link", "add", "vethA", "type", "veth", "peer", "name", "vethB", "netns", b},
            {"-n", a, "addr", "add", "169.254.77.1/30", "dev", "vethA"},
            {"-n", b, "addr", "add", "169.254.77.2/30", "dev", "vethB"},
            {"-n", a, "link", "set", "vethA", "up"},
            {"-n", b, "link", "set", "vethB", "up"}};
        for (const auto& step : steps)
            if (Ip(step) != 0)
                return "ip " + step.join(' ') + " failed";
        return {};
    }

    // vethA's counters, as the program in namespace a reads them.
    std::optional<Volume> Counters() const {
        QProcess cat;
        cat.start("ip", {"netns", "exec", a, "cat", "/sys/class/net/vethA/statistics/rx_bytes",
                         "/sys/class/net/vethA/statistics/tx_bytes"});
        if (!cat.waitForFinished(10000) || cat.exitCode() != 0)
            return std::nullopt;
        const QList<QByteArray> lines = cat.readAllStandardOutput().split('\n');
        if (lines.size() < 2)
            return std::nullopt;
        return Volume{lines[0].toULongLong(), lines[1].toULongLong()};
    }

    // A TCP socket of namespace ns: a thread of this process joins it to make the socket,
    // which stays in that namespace.
    static int SocketIn(const QString& ns) {
        int fd = -1;
        std::thread([&] {
            const int nsFd = ::open(qPrintable("/run/netns/" + ns), O_RDONLY | O_CLOEXEC);
            if (nsFd >= 0 && ::setns(nsFd, CLONE_NEWNET) == 0)
                fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
            if (nsFd >= 0)
                ::close(nsFd);
        }).join();
        if (fd >= 0) {
            const timeval limit{10, 0};
            ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
            ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
        }
        return fd;
    }

    // Sends `out` bytes from vethA's side to vethB's, which answers with `back` bytes; true when
    // all arrived.
    bool Exchange(std::size_t out, std::size_t back) const {
        const int server = SocketIn(b);
        const int client = SocketIn(a);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        ::inet_pton(AF_INET, "169.254.77.2", &address.sin_addr);
        socklen_t size = sizeof address;
        auto* const raw = reinterpret_cast<sockaddr*>(&address);
        std::size_t arrived = 0;  // at vethB
        std::size_t returned = 0; // at vethA
        if (server >= 0 && client >= 0 && ::bind(server, raw, size) == 0 &&
            ::getsockname(server, raw, &size) == 0 && ::listen(server, 1) == 0) {
            std::thread peer([&] {
                const int c = ::accept4(server, nullptr, nullptr, SOCK_CLOEXEC);
                if (c < 0)
                    return;
                arrived = Pump(c, back, true);
                ::close(c);
            });
            if (::connect(client, raw, size) == 0)
                returned = Pump(client, out, false);
            ::close(client);
            peer.join();
        }
        ::close(server);
        return arrived == out && returned == back;
    }

private:
    // Sends `count` bytes and reads until the other end has ended, or the other way round: the
    // end that answers reads first, so that neither waits for the other to read. Returns the
    // bytes read.
    static std::size_t Pump(int fd, std::size_t count, bool readFirst) {
        std::size_t read = 0;
        const auto receive = [&] {
            char buffer[16 * 1024];
            for (ssize_t n; (n = ::recv(fd, buffer, sizeof buffer, 0)) > 0;)
                read += std::size_t(n);
        };
        if (readFirst)
            receive();
        const QByteArray block(16 * 1024, 'v');
        for (std::size_t sent = 0; sent < count;) {
            const auto chunk = std::min(count - sent, std::size_t(block.size()));
            const auto n = ::send(fd, block.constData(), chunk, MSG_NOSIGNAL);
            if (n <= 0)
                return read;
            sent += std::size_t(n);
        }
        ::shutdown(fd, SHUT_WR);
        if (!readFirst)
            receive();
        return read;
    }

    QStringList made_;
};

// A veth pair for the program's traffic and a session bus of the test's own with a
// notification service, both shared with a program given a data limit of 1 MiB.
struct LimitedLink {
    VethPair link;
    PrivateBus bus;

    // "" when ready, else why not.
    QString Make() {
        if (QString why = link.Make(); !why.isEmpty())
            return why;
        if (QString why = bus.Start(); !why.isEmpty())
            return why;
        return bus.StartMock("notification_daemon", "org.freedesktop.Notifications",
                             R"({"capabilities": "body"})")
                   ? QString()
                   : "the notification service did not start";
    }

    // The program in namespace a, on the test's bus as its session and system bus.
    void Start(E2E& e2e, bool hangUp) {
        LimitSettings limits;
        limits.Volume = 1;
        limits.HangUp = hangUp;
        Limits(e2e.store).Write(limits);
        e2e.environment.insert("DBUS_SESSION_BUS_ADDRESS", bus.Address());
        e2e.environment.insert("DBUS_SYSTEM_BUS_ADDRESS", bus.Address());
        e2e.launcher = QStringList{"ip", "netns", "exec", link.a};
        e2e.StartNetrova("offscreen");
        QVERIFY2(E2E::WaitFor([&] { return e2e.Bug() == 1; }, 20000), "netrova did not start");
    }

    QList<QVariantList> Notes() const {
        return MockCalls(bus.Connection(), "org.freedesktop.Notifications",
                         "/org/freedesktop/Notifications", "Notify");
    }
};

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

    // The program in a network namespace of its own, told the connection's interface by
    // netrova-dialup: the volume recorded is what the kernel counted on it while connected.
    void volumeIsWhatTheInterfaceCounted() {
        VethPair link;
        if (const QString why = link.Make(); !why.isEmpty())
            QSKIP(qPrintable(why));
        E2E e2e;
        e2e.launcher = QStringList{"ip", "netns", "exec", link.a};
        e2e.StartNetrova("offscreen");
        QVERIFY2(E2E::WaitFor([&] { return e2e.Bug() == 1; }, 20000), "netrova did not start");

        const auto before = link.Counters();
        QVERIFY(before);
        QCOMPARE(e2e.Dialup({"dial", "Test ISP", "--interface", "vethA"}), 0);
        QVERIFY2(E2E::WaitFor([&] { return e2e.Bug() == 2; }, 10000),
                 "the connection was not counted");
        QThread::sleep(2); // past the tick that takes the counters' start
        QVERIFY2(link.Exchange(1000000, 200000), "the test's traffic did not get through");
        QThread::sleep(3); // a tick after the traffic
        const auto after = link.Counters();
        QVERIFY(after);
        QCOMPARE(e2e.Dialup({"hangup"}), 0);
        QVERIFY2(E2E::WaitFor([&] { return e2e.HistorySize() == 192 && e2e.Bug() == 1; }, 10000),
                 "no history record");

        const Volume counted{after->Received - before->Received, after->Sent - before->Sent};
        QVERIFY2(counted.Sent > 1000000 && counted.Received > 200000,
                 "the traffic did not go through vethA");
        // The volume is written just after the history record.
        std::optional<Volume> recorded;
        E2E::WaitFor(
            [&] {
                ScanHistoryWithVolume(e2e.store.dir(),
                                      [&](const THistoryRecord&, const std::optional<Volume>& v) {
                                          recorded = v;
                                          return true;
                                      });
                return recorded.has_value();
            },
            5000);
        QVERIFY2(recorded, "the connection's volume is unknown");
        // The sampling ticks may miss an ARP exchange or two, nothing more.
        const auto near = [](std::uint64_t a, std::uint64_t b) {
            return (a > b ? a - b : b - a) <= 200;
        };
        const QString seen = QString("recorded %1 received, %2 sent; counted %3, %4")
                                 .arg(recorded->Received)
                                 .arg(recorded->Sent)
                                 .arg(counted.Received)
                                 .arg(counted.Sent);
        QVERIFY2(near(recorded->Received, counted.Received) && near(recorded->Sent, counted.Sent),
                 qPrintable(seen));
    }

    // A data limit of 1 MiB, the traffic counted on a real interface: the desktop's
    // notification service is told of the warning and then, critically, of the limit reached.
    void dataLimitWarnsOnTheDesktop() {
        LimitedLink limited;
        if (const QString why = limited.Make(); !why.isEmpty())
            QSKIP(qPrintable(why));
        E2E e2e;
        limited.Start(e2e, false);
        QCOMPARE(e2e.Dialup({"dial", "Test ISP", "--interface", "vethA"}), 0);
        QVERIFY(E2E::WaitFor([&] { return e2e.Bug() == 2; }, 10000));
        QThread::sleep(2); // past the tick that takes the counters' start

        // About 85 % with the packets' headers and the answers' acknowledgements.
        QVERIFY(limited.link.Exchange(840000, 0));
        QVERIFY2(E2E::WaitFor([&] { return limited.Notes().size() == 1; }, 10000), "no warning");
        const QVariantList warning = limited.Notes().at(0);
        QCOMPARE(warning.at(0).toString(), QString("Netrova"));
        QVERIFY2(warning.at(3).toString().endsWith("% of the data limit"),
                 qPrintable(warning.at(3).toString()));
        QCOMPARE(qdbus_cast<QVariantMap>(warning.at(6)).value("urgency").toInt(), 1);

        QVERIFY(limited.link.Exchange(300000, 0));
        QVERIFY2(E2E::WaitFor([&] { return limited.Notes().size() == 2; }, 10000),
                 "no alert at 100 %");
        const QVariantList reached = limited.Notes().at(1);
        QCOMPARE(reached.at(3).toString(), QString("Netrova: data limit reached"));
        QCOMPARE(qdbus_cast<QVariantMap>(reached.at(6)).value("urgency").toInt(), 2);
        QThread::sleep(2);
        QCOMPARE(limited.Notes().size(), 2); // each once
        QCOMPARE(e2e.Dialup({"hangup"}), 0);
        QVERIFY(E2E::WaitFor([&] { return e2e.HistorySize() == 192 && e2e.Bug() == 1; }, 10000));
    }

    // The same limit with hang-up on, the connection NetworkManager's: reaching the limit ends
    // it there, and the connection is recorded like any other.
    void dataLimitHangsUpNetworkManager() {
        LimitedLink limited;
        if (const QString why = limited.Make(); !why.isEmpty())
            QSKIP(qPrintable(why));
        const QString nm = "org.freedesktop.NetworkManager";
        QVERIFY(limited.bus.StartMock("networkmanager", nm, "{}"));
        qDBusRegisterMetaType<QMap<QString, QVariantMap>>();
        const auto mock = [&](const QString& method, const QVariantList& args) {
            auto call = QDBusMessage::createMethodCall(nm, "/org/freedesktop/NetworkManager",
                                                       "org.freedesktop.DBus.Mock", method);
            call.setArguments(args);
            return limited.bus.Connection().call(call).arguments().value(0);
        };
        const QString device =
            mock("AddEthernetDevice", {"mock_Ethernet1", "vethA", 100}).toString();
        mock("SetProperty", {device, "org.freedesktop.NetworkManager.Device", "IpInterface",
                             QVariant::fromValue(QDBusVariant("vethA"))});
        auto add = QDBusMessage::createMethodCall(nm, "/org/freedesktop/NetworkManager/Settings",
                                                  "org.freedesktop.NetworkManager.Settings",
                                                  "AddConnection");
        add << QVariant::fromValue(
            QMap<QString, QVariantMap>{{"connection", {{"id", "Test ISP"}, {"type", "pppoe"}}}});
        const QString profile =
            limited.bus.Connection().call(add).arguments().value(0).value<QDBusObjectPath>().path();
        QVERIFY(!profile.isEmpty());

        E2E e2e;
        e2e.environment.insert("NETROVA_DIALUP", "networkmanager");
        limited.Start(e2e, true);
        const QString active =
            mock("AddActiveConnection", {QStringList{device}, profile, "/", "0", 2u}).toString();
        QVERIFY2(E2E::WaitFor([&] { return e2e.Bug() == 2; }, 10000),
                 "NetworkManager's connection was not counted");
        QThread::sleep(2);
        QVERIFY(limited.link.Exchange(1200000, 0));

        QVERIFY2(E2E::WaitFor([&] { return e2e.HistorySize() == 192 && e2e.Bug() == 1; }, 15000),
                 "not hung up at the limit");
        const auto calls = MockCalls(limited.bus.Connection(), nm,
                                     "/org/freedesktop/NetworkManager", "DeactivateConnection");
        QCOMPARE(calls.size(), 1);
        QCOMPARE(calls[0].value(0).value<QDBusObjectPath>().path(), active);
        QCOMPARE(FieldText(e2e.Records().at(0).Provider), std::string("Test ISP"));
        QVERIFY(E2E::WaitFor(
            [&] {
                std::optional<Volume> kept;
                ScanHistoryWithVolume(e2e.store.dir(),
                                      [&](const THistoryRecord&, const std::optional<Volume>& v) {
                                          kept = v;
                                          return true;
                                      });
                return kept && kept->Total() > 1024 * 1024;
            },
            5000));
    }

    // A connection across a change of daylight saving time, the program on a faked wall
    // clock in Berlin: its duration is the time it lasted, not an hour more or less.
    void daylightSavingChangesNoDuration_data() {
        QTest::addColumn<QString>("utcStart"); // 15 s before the change
        QTest::newRow("spring, 02:00 CET to 03:00 CEST") << "2026-03-29T00:59:45Z";
        QTest::newRow("autumn, 03:00 CEST back to 02:00 CET") << "2026-10-25T00:59:45Z";
    }
    void daylightSavingChangesNoDuration() {
        QFETCH(QString, utcStart);
        E2E e2e;
        const qint64 offset = QDateTime::fromString(utcStart, Qt::ISODate).toSecsSinceEpoch() -
                              QDateTime::currentSecsSinceEpoch();
        FakeWallClock(e2e, offset);
        // Some machines' early start-up code reads the clock before the preload is ready, and
        // the preload then never lets the program reach its start: that is libfaketime's
        // limit, told apart from the program's own by the preload's message.
        e2e.StartNetrova("offscreen", true);
        if (!E2E::WaitFor([&] { return e2e.Bug() == 1; }, 20000)) {
            e2e.netrova().kill();
            e2e.netrova().waitForFinished(5000);
            const QByteArray said = e2e.netrova().readAllStandardError();
            if (said.contains("libfaketime: Unexpected recursive"))
                QSKIP(("libfaketime cannot start a program on this machine: " + said).constData());
            QFAIL(("netrova did not start: " + said).constData());
        }
        QCOMPARE(e2e.Dialup({"dial", "Test ISP"}), 0);
        QVERIFY(E2E::WaitFor([&] { return e2e.Bug() == 2; }, 10000));
        QElapsedTimer online;
        online.start();
        QThread::sleep(25);
        QCOMPARE(e2e.Dialup({"hangup"}), 0);
        QVERIFY2(E2E::WaitFor([&] { return e2e.HistorySize() == 192; }, 10000), "no record");
        const THistoryRecord r = e2e.Records().at(0);
        const qint64 seconds = online.elapsed() / 1000;
        QVERIFY2(r.Duration >= 10 + seconds - 3 && r.Duration <= 10 + seconds + 3,
                 qPrintable(QString::number(r.Duration)));
        QCOMPARE(e2e.store.Str(Root::LocalMachine, kCounterAllKey, "AllTime"),
                 std::to_string(r.Duration));
    }

    // Another program holds the store's lock for a while: the program goes on counting, the
    // hang-up made meanwhile is recorded with the locked time, and told to end while the lock
    // is held it ends within a log-off's few seconds, keeping what it counted for the next
    // start in its exit journal: no recovery, no second lost.
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
        counted.restart();
        QVERIFY(Sql(e2e.store.machinePath(), kHoldLock, &lock));
        auto release = qScopeGuard([&] { sqlite3_close(lock); });
        QThread::sleep(4);
        const qint64 online = counted.elapsed() / 1000;
        ::kill(static_cast<pid_t>(e2e.netrova().processId()), SIGTERM);
        QVERIFY(e2e.netrova().waitForFinished(8000));
        QCOMPARE(e2e.netrova().exitCode(), 0);
        QCOMPARE(e2e.Bug(), 2);
        QCOMPARE(e2e.HistorySize(), qint64(192));

        release.dismiss();
        sqlite3_close(lock);
        e2e.StartNetrova("offscreen");
        QVERIFY2(E2E::WaitFor([&] { return e2e.HistorySize() == 384 && e2e.Bug() == 1; }, 20000),
                 "the journalled connection did not land");
        const auto records = e2e.Records();
        QVERIFY2(records[1].Duration >= 10 + online - 2,
                 qPrintable(QString::number(records[1].Duration)));
        QCOMPARE(e2e.store.Str(Root::LocalMachine, kCounterAllKey, "AllTime"),
                 std::to_string(records[0].Duration + records[1].Duration));
        QCOMPARE(e2e.Crash(), 0);
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
