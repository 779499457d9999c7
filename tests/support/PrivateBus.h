#pragma once

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include <list>

namespace netrova::test {

// A session bus of the test's own with python3-dbusmock services on it. Its socket is a file:
// an abstract socket would not reach a program in another network namespace.
class PrivateBus {
public:
    ~PrivateBus() {
        for (QProcess& p : processes_) {
            p.kill();
            p.waitForFinished(5000);
        }
        QDBusConnection::disconnectFromBus(kName);
    }

    // "" once the bus runs, else why it cannot.
    QString Start() {
        const QString daemon = QStandardPaths::findExecutable("dbus-daemon");
        QProcess probe;
        probe.start("/usr/bin/python3", {"-c", "import dbusmock"});
        if (daemon.isEmpty() || !probe.waitForFinished() || probe.exitCode() != 0)
            return "needs the Debian packages dbus-daemon and python3-dbusmock";
        QProcess& bus = processes_.emplace_back();
        bus.start(daemon,
                  {"--session", "--nofork", "--address=unix:dir=/tmp", "--print-address=1"});
        if (!bus.waitForStarted() || !bus.waitForReadyRead(10000))
            return "dbus-daemon did not start";
        address_ = QString::fromUtf8(bus.readLine().trimmed());
        return QDBusConnection::connectToBus(address_, kName).isConnected()
                   ? QString()
                   : "cannot connect to the test's bus";
    }
    QString Address() const { return address_; }
    QDBusConnection Connection() const { return QDBusConnection(kName); }

    // Starts a dbusmock template with its parameters (JSON) and waits for its service.
    bool StartMock(const QString& name, const QString& service, const QString& parameters) {
        QProcess& mock = processes_.emplace_back();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DBUS_SESSION_BUS_ADDRESS", address_);
        env.insert("DBUS_SYSTEM_BUS_ADDRESS", address_); // for the system's services
        mock.setProcessEnvironment(env);
        mock.start("/usr/bin/python3", {"-m", "dbusmock", "--template", name, "-p", parameters});
        for (int i = 0; i < 400; ++i) {
            if (Connection().interface()->isServiceRegistered(service).value())
                return true;
            QThread::msleep(50);
        }
        return false;
    }

private:
    static constexpr const char* kName = "netrova-test-bus";
    std::list<QProcess> processes_;
    QString address_;
};

} // namespace netrova::test
