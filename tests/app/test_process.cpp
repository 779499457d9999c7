// The process around the main window: one copy per machine store, and the termination
// signals that close the main window the way its close button does.
#include "../support/TempStore.h"
#include "app/InstanceLock.h"
#include "app/TerminationSignals.h"
#include "dialup/DialUpService.h"
#include "settings/Defaults.h"

#include <QCloseEvent>
#include <QMessageBox>
#include <QProcess>
#include <QTimer>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <functional>

using namespace netrova;
using namespace netrova::test;

namespace {

class RecordingWindow : public QWidget {
public:
    std::function<void()> onClose;

protected:
    void closeEvent(QCloseEvent* event) override {
        event->accept();
        if (onClose)
            onClose();
    }
};

// A netrova process on the test's store, without a display and without a modem.
class NetrovaProcess : public QProcess {
public:
    // display: the DISPLAY to give, or "" for none and no platform chosen either.
    explicit NetrovaProcess(const QString& display = QStringLiteral("offscreen")) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.remove(QStringLiteral("DISPLAY"));
        if (display == QLatin1String("offscreen"))
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        else
            env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        if (!display.isEmpty() && display != QLatin1String("offscreen"))
            env.insert(QStringLiteral("DISPLAY"), display);
        env.insert(QStringLiteral("NETROVA_DIALUP"), QStringLiteral("manual"));
        setProcessEnvironment(env);
        setProgram(QStringLiteral(NETROVA_EXE));
    }
};

int ReadBug(TempStore& store) {
    Registry reg(store, Root::LocalMachine);
    if (!reg.OpenKey(kProductKey, false) || !reg.ValueExists("Bug"))
        return -1;
    return reg.ReadInteger("Bug");
}

// Waits until the program has finished its start-up (the crash marker says it runs).
bool WaitUntilRunning(TempStore& store, QProcess& process) {
    const bool running =
        process.waitForStarted(20000) &&
        QTest::qWaitFor([&] { return process.state() != QProcess::Running || ReadBug(store) == 1; },
                        20000) &&
        process.state() == QProcess::Running;
    if (!running)
        qWarning("netrova did not start: %s", process.readAllStandardError().constData());
    return running;
}

} // namespace

class ProcessTest : public QObject {
    Q_OBJECT

private slots:
    void lockAdmitsOneHolderPerStore() {
        QTemporaryDir dir;
        StorePaths first{dir.filePath("a/user.db").toStdString(),
                         dir.filePath("a/machine.db").toStdString()};
        StorePaths other{first.User, dir.filePath("b/machine.db").toStdString()};

        auto holder = std::make_unique<InstanceLock>(InstanceLock::PathFor(first));
        QCOMPARE(holder->Acquire(), InstanceLock::Result::Acquired);
        QVERIFY(!std::filesystem::exists(first.Machine)); // the store itself is not touched

        InstanceLock second(InstanceLock::PathFor(first));
        QCOMPARE(second.Acquire(), InstanceLock::Result::Busy);
        InstanceLock elsewhere(InstanceLock::PathFor(other));
        QCOMPARE(elsewhere.Acquire(), InstanceLock::Result::Acquired);

        holder.reset();
        QCOMPARE(second.Acquire(), InstanceLock::Result::Acquired);
    }

    void lockFailureIsReported() {
        InstanceLock lock("/proc/netrova-no-such-folder/machine.db.lock");
        QCOMPARE(lock.Acquire(), InstanceLock::Result::Failed);
        QVERIFY(QString::fromStdString(lock.Error()).contains("machine.db.lock"));
    }

    // A second start brings the running window to the front and ends; the first one keeps
    // the store.
    void secondProgramRaisesTheFirst() {
        TempStore store;
        NetrovaProcess first;
        first.start();
        QVERIFY(WaitUntilRunning(store, first));

        NetrovaProcess second;
        second.start();
        QVERIFY(second.waitForFinished(20000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        const QString err = QString::fromLocal8Bit(second.readAllStandardError());
        QVERIFY2(err.contains("Netrova is already running"), qPrintable(err));
        QVERIFY2(err.contains(QString::fromStdString(store.machinePath())), qPrintable(err));
        QCOMPARE(first.state(), QProcess::Running);

        first.terminate();
        QVERIFY(first.waitForFinished(20000));
        QCOMPARE(first.exitCode(), 0);
        const QString firstErr = QString::fromLocal8Bit(first.readAllStandardError());
        QVERIFY2(firstErr.contains("brought the window to the front"), qPrintable(firstErr));
    }

    void terminationSignalRecordsTheConnection_data() {
        QTest::addColumn<int>("signal");
        QTest::addColumn<bool>("stderrClosed");
        QTest::newRow("SIGTERM") << int(SIGTERM) << false;
        QTest::newRow("SIGINT") << int(SIGINT) << false;
        QTest::newRow("SIGHUP") << int(SIGHUP) << false;
        // No display: the offscreen notice is logged at once, into a pipe nobody reads.
        QTest::newRow("SIGTERM, stderr a closed pipe") << int(SIGTERM) << true;
    }
    void terminationSignalRecordsTheConnection() {
        QFETCH(int, signal);
        QFETCH(bool, stderrClosed);
        TempStore store;
        NetrovaProcess netrova(stderrClosed ? QString() : QStringLiteral("offscreen"));
        if (stderrClosed)
            netrova.setChildProcessModifier([] {
                int pipeEnds[2];
                if (::pipe(pipeEnds) == 0) {
                    ::close(pipeEnds[0]);
                    ::dup2(pipeEnds[1], 2);
                }
            });
        netrova.start();
        QVERIFY(WaitUntilRunning(store, netrova));

        AddEntry(store, "Provider One");
        SetDefaultEntry(store, "Provider One");
        SetRemoteConnection(store, true);
        QVERIFY(QTest::qWaitFor([&] { return ReadBug(store) == 2; }, 10000));

        ::kill(pid_t(netrova.processId()), signal);
        QVERIFY(netrova.waitForFinished(20000));
        QCOMPARE(netrova.exitStatus(), QProcess::NormalExit);
        QCOMPARE(netrova.exitCode(), 0);

        store.Reopen();
        QCOMPARE(ReadBug(store), 0);
        const auto history = std::filesystem::path(store.dir()) / "history.dat";
        QCOMPARE(std::filesystem::file_size(history), std::uintmax_t(192));
    }

    // Without a reachable display the program runs offscreen by itself and says so once.
    void noDisplayFallsBackToOffscreen_data() {
        QTest::addColumn<QString>("display");
        QTest::addColumn<QString>("wayland"); // WAYLAND_DISPLAY
        QTest::addColumn<QString>("said");
        QTest::newRow("none named") << QString() << QString() << "no display found";
        QTest::newRow("named but not answering")
            << QStringLiteral(":93") << QString() << "tried xcb (DISPLAY=:93)";
        QTest::newRow("Wayland alone, not answering")
            << QString() << "netrova-none"
            << "tried wayland (WAYLAND_DISPLAY=netrova-none);";
    }
    void noDisplayFallsBackToOffscreen() {
        QFETCH(QString, display);
        QFETCH(QString, wayland);
        QFETCH(QString, said);
        TempStore store;
        NetrovaProcess netrova(display);
        if (!wayland.isEmpty()) {
            auto env = netrova.processEnvironment();
            env.insert(QStringLiteral("WAYLAND_DISPLAY"), wayland);
            netrova.setProcessEnvironment(env);
        }
        netrova.start();
        QVERIFY(WaitUntilRunning(store, netrova));
        netrova.terminate();
        QVERIFY(netrova.waitForFinished(20000));
        QCOMPARE(netrova.exitCode(), 0);
        const QString err = QString::fromLocal8Bit(netrova.readAllStandardError());
        QCOMPARE(err.count("offscreen"), 1);
        QVERIFY2(err.contains(said), qPrintable(err));
        QVERIFY2(!err.contains("qt.qpa"), qPrintable(err));
    }

    // A FIFO in place of history.dat blocks neither the start nor the end of a connection;
    // the error names the file and the record waits in the store.
    void historyFifoBlocksNothing() {
        TempStore store;
        const std::string history = store.dir() + "/history.dat";
        QCOMPARE(::mkfifo(history.c_str(), 0644), 0);
        NetrovaProcess netrova;
        netrova.start();
        QVERIFY(WaitUntilRunning(store, netrova));

        AddEntry(store, "Provider One");
        SetDefaultEntry(store, "Provider One");
        SetRemoteConnection(store, true);
        QVERIFY(QTest::qWaitFor([&] { return ReadBug(store) == 2; }, 10000));
        SetRemoteConnection(store, false);
        QVERIFY(QTest::qWaitFor([&] { return ReadBug(store) == 1; }, 10000));

        netrova.terminate();
        QVERIFY(netrova.waitForFinished(20000));
        QCOMPARE(netrova.exitCode(), 0);
        const QString err = QString::fromLocal8Bit(netrova.readAllStandardError());
        QVERIFY2(err.contains(QString::fromStdString(history) + "\" cannot be written"),
                 qPrintable(err));
        store.Reopen();
        QCOMPARE(store.Bin(Root::LocalMachine, "\\Software\\Netrova\\Counter\\Unsaved", "Records")
                     .size(),
                 std::size_t(192));
    }

    void signalClosesAnOpenBoxBeforeTheWindow() {
        TerminationSignals signals_;
        RecordingWindow window;
        window.show();
        QEventLoop mainLoop;
        signals_.CloseOnSignal(&window);

        bool boxReturned = false;
        bool closedAfterBox = false;
        window.onClose = [&] {
            closedAfterBox = boxReturned;
            mainLoop.quit();
        };
        QTimer::singleShot(10, [&] {
            QMessageBox box(QMessageBox::Question, QStringLiteral("Netrova 1.2"),
                            QStringLiteral("Closing Netrova ...?"),
                            QMessageBox::Yes | QMessageBox::No);
            QTimer::singleShot(50, [] { ::raise(SIGTERM); });
            box.exec();
            // The code that asked finishes before the window closes, even when it waits in a
            // nested loop of its own after the box.
            QEventLoop wait;
            QTimer::singleShot(100, &wait, &QEventLoop::quit);
            wait.exec();
            boxReturned = true;
        });
        QTimer::singleShot(10000, &mainLoop, &QEventLoop::quit);
        mainLoop.exec();
        QVERIFY(signals_.CloseRequested());
        QVERIFY(closedAfterBox);
    }

    // All four programs alike: help on stdout with 0, whatever else is given; a usage error
    // named on stderr in one line and one more pointing to --help, with 2.
    void commandLineAnsweredBeforeWindowAndStore_data() {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("printed");
        QTest::newRow("help") << NETROVA_EXE << QStringList{"--help"} << 0
                              << QByteArray("usage: netrova ");
        QTest::newRow("version") << NETROVA_EXE << QStringList{"-v"} << 0
                                 << QByteArray("netrova 1.");
        QTest::newRow("unknown command") << NETROVA_EXE << QStringList{"frobnicate"} << 2
                                         << QByteArray("netrova: unknown command \"frobnicate\"\n");
        QTest::newRow("unknown option")
            << NETROVA_EXE << QStringList{"-platform", "offscreen", "--frob"} << 2
            << QByteArray("netrova: unknown option \"--frob\"\n");
        QTest::newRow("help over an unknown option")
            << NETROVA_EXE << QStringList{"--frob", "-h"} << 0 << QByteArray("usage: netrova ");
        for (const char* tool :
             {NETROVA_EXE, NETROVA_REG_TOOL, NETROVA_DIALUP_TOOL, NETROVA_HISTORY_TOOL}) {
            const QByteArray name = QFileInfo(tool).fileName().toLatin1();
            QTest::addRow("%s --help extra", name.constData())
                << tool << QStringList{"--help", "extra"} << 0 << "usage: " + name + " ";
            QTest::addRow("%s --frob", name.constData())
                << tool << QStringList{"--frob"} << 2 << name + ": unknown option \"--frob\"\n";
        }
    }

    // No display is needed for the answer, and no store or lock is made for it.
    void commandLineAnsweredBeforeWindowAndStore() {
        QFETCH(QString, program);
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QByteArray, printed);
        QTemporaryDir dir;
        NetrovaProcess netrova{QString()};
        QProcessEnvironment env = netrova.processEnvironment();
        env.insert("NETROVA_USER_STORE", dir.filePath("new/user.db"));
        env.insert("NETROVA_MACHINE_STORE", dir.filePath("new/machine.db"));
        netrova.setProcessEnvironment(env);
        netrova.setProgram(program);
        netrova.setArguments(args);
        netrova.start();
        QVERIFY(netrova.waitForFinished(20000));
        QCOMPARE(netrova.exitCode(), code);
        const QByteArray out = netrova.readAllStandardOutput();
        const QByteArray err = netrova.readAllStandardError();
        QVERIFY2((code == 0 ? out : err).startsWith(printed), (out + err).constData());
        QVERIFY2((code == 0 ? err : out).isEmpty(), (out + err).constData());
        if (code != 0)
            QCOMPARE(err.mid(printed.size()), "Try '" + QFileInfo(program).fileName().toLatin1() +
                                                  " --help' for more information.\n");
        QVERIFY(!QFile::exists(dir.filePath("new")));
    }
};

QTEST_MAIN(ProcessTest)
#include "test_process.moc"
