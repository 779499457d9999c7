// Crash and failure injection: a whole connection life runs in a child process that dies (or
// whose write fails as on a full disk) at the N-th store commit or history write, for every N;
// after each, the real start-up and recovery run on what it left, and the history, the totals
// and the crash bookkeeping must tell one consistent story.
#include "MonitorRig.h"

#include "counter/Counter.h"
#include "counter/CounterTotals.h"
#include "dialup/DialUpService.h"
#include "history/VolumeFile.h"
#include "monitor/ExitJournal.h"
#include "monitor/Installation.h"
#include "settings/Defaults.h"
#include "store/FaultPoints.h"
#include "support/DesktopDoubles.h"
#include "support/FakeClock.h"
#include "support/NullMonitorView.h"
#include "support/ScriptedMessageBoxes.h"

#include <QProcess>
#include <QtTest>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <unistd.h>

using namespace netrova;
using namespace netrova::test;

namespace {

constexpr int kCrashed = 77;
constexpr int kCostPerMinute = 3;

// Set while the child plays the dial-up service: its writes are another process's.
bool faultsPaused = false;
long pointsReached = 0;

long EnvNumber(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::atol(v) : 0;
}

} // namespace

namespace netrova::faults {

bool Reached(Point point) {
    static const long crashAt = EnvNumber("NETROVA_CRASH_AT");
    static const long failAt = EnvNumber("NETROVA_FAIL_AT");
    static const long historyFailAt = EnvNumber("NETROVA_FAIL_HISTORY_AT");
    static const long fullFrom = EnvNumber("NETROVA_FULL_FROM");
    static const long fullFor = EnvNumber("NETROVA_FULL_FOR");
    // One failure counts store commits only, or history writes only; a disk that stays full
    // fails both, from its point on.
    if (faultsPaused || (failAt && point != Point::StoreCommit) ||
        (historyFailAt && point != Point::HistoryWrite))
        return false;
    ++pointsReached;
    if (pointsReached == crashAt)
        _exit(kCrashed);
    return pointsReached == failAt || pointsReached == historyFailAt ||
           (fullFrom && pointsReached >= fullFrom &&
            (!fullFor || pointsReached < fullFrom + fullFor));
}

} // namespace netrova::faults

namespace {

// ---- the child ------------------------------------------------------------------------------

void Say(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
    const char* stop = std::getenv("NETROVA_STOP_AFTER");
    if (stop && line == stop)
        _exit(kCrashed);
}

void SetLine(SettingsStore& store, bool up) {
    faultsPaused = true;
    SetDefaultEntry(store, "ISP");
    SetConnectionInterface(store, "ppp0");
    SetRemoteConnection(store, up);
    faultsPaused = false;
}

// The link's byte counters beside the store, growing with the clock.
std::string NetFolder(SettingsStore& store) {
    return store.Paths().MachineFolder() + "/net";
}
void SetCounters(SettingsStore& store, const TStamp& now) {
    const std::string stats = NetFolder(store) + "/ppp0/statistics/";
    std::filesystem::create_directories(stats);
    const std::uint64_t seconds = SecondsOfDay(now);
    for (const auto& [name, value] :
         {std::pair{"rx_bytes", seconds * 1000}, std::pair{"tx_bytes", seconds * 10}}) {
        std::FILE* f = std::fopen((stats + name).c_str(), "r+");
        f = f ? f : std::fopen((stats + name).c_str(), "w");
        std::fprintf(f, "%llu\n", static_cast<unsigned long long>(value));
        std::fclose(f);
    }
}

// "life": start, two connections with charges, exit; "same second": the same, the second
// connection starting in the same second as the first (a wall clock set back). "restart": the
// start-up alone. An error
// that escapes a tick is shown and the program goes on, as the application's error display
// does. A milestone is told once nothing waits to be written, so that the parent can hold the
// store to it.
int RunChild(const std::string& mode) {
    SettingsStore store(StorePaths::FromEnvironment());
    FakeClock clock;
    clock.Set(2026, 12, 7, 10, 0, 0);
    ScriptedMessageBoxes boxes;
    for (int i = 0; i < 3; ++i)
        boxes.Answer(MsgResult::Yes);
    RecordingHelpViewer help;
    NullMonitorView view;
    Monitor mon(store, clock, boxes, help, view, NetFolder(store));
    EnsureInstallationDefaults(store);
    PublishCurrentUser(store, MonitorRig::kUser);
    mon.StartMonitor();
    Say("started " + std::to_string(pointsReached));
    if (mode == "restart")
        return 0;

    std::vector<std::string> milestones;
    auto settle = [&] {
        if (mon.SavePending())
            return;
        for (const std::string& m : milestones)
            Say(m);
        milestones.clear();
    };
    auto milestone = [&](const std::string& m) {
        milestones.push_back(m);
        settle();
    };
    auto tick = [&](int seconds) {
        clock.Advance(seconds);
        SetCounters(store, clock.Now());
        try {
            mon.Timer1Timer();
        } catch (const std::exception&) {
            Say("error");
        }
        settle();
    };
    tick(1);
    SetLine(store, true);
    tick(1);
    milestone("C1");
    tick(25);
    milestone("T1");
    tick(30);
    tick(70);
    SetLine(store, false);
    tick(1);
    milestone("D1");
    tick(100);
    if (mode == "same second")
        clock.Set(2026, 12, 7, 10, 0, 1);
    SetLine(store, true);
    tick(1);
    milestone("C2");
    tick(50);
    tick(5);
    try {
        mon.CloseForExit();
    } catch (const std::exception&) {
        Say("error");
    }
    milestone("D2");
    Say("points " + std::to_string(pointsReached));
    return 0;
}

// ---- a counter reset, cut off at each point ---------------------------------------------------

// "reset": a start after a life, then a reset by hand with its report.
int RunResetChild() {
    SettingsStore store(StorePaths::FromEnvironment());
    FakeClock clock;
    clock.Set(2026, 12, 7, 11, 0, 0);
    ScriptedMessageBoxes boxes;
    RecordingHelpViewer help;
    NullMonitorView view;
    Monitor mon(store, clock, boxes, help, view);
    mon.StartMonitor();
    Counter(mon, store, clock, boxes).ResetCounter(2026, 12, 7, 1);
    return 0;
}

// ---- the parent -----------------------------------------------------------------------------

struct ChildRun {
    int exitCode = -1;
    QStringList lines;
    long Number(const QString& prefix) const {
        for (const QString& l : lines)
            if (l.startsWith(prefix + ' '))
                return l.mid(prefix.size() + 1).toLong();
        return -1;
    }
};

ChildRun RunChildProcess(const QString& mode, const QMap<QString, QString>& env) {
    QProcess child;
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    e.insert("NETROVA_CRASH_CHILD", mode);
    for (auto it = env.begin(); it != env.end(); ++it)
        e.insert(it.key(), it.value());
    child.setProcessEnvironment(e);
    child.start(QCoreApplication::applicationFilePath(), {});
    ChildRun run;
    if (!child.waitForFinished(60000) || child.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = child.exitCode();
    run.lines = QString::fromUtf8(child.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    return run;
}

struct Setup {
    MonitorRig rig;
    Setup() {
        rig.Start();
        Tariff t;
        t.ocpd = 1;
        t.dayCost = kCostPerMinute;
        rig.SetTariff("ISP", "1", t);
    }
};

// The real start-up on what a child left, and the checks every outcome must pass. `done`
// names the connections whose tick or exit returned: they must be recorded exactly as in
// the reference.
void RestartAndCheck(MonitorRig& rig, const std::vector<THistoryRecord>& reference,
                     const QStringList& done, const QString& where) {
    rig.Crash();
    const int bugBefore = rig.store.Int(Root::LocalMachine, kProductKey, "Bug");
    const int crashesBefore = rig.store.Int(Root::LocalMachine, kUsersKey, "Crash");
    // An exit that could not write kept it all in its journal: no recovery, no crash.
    const bool journalled =
        ExitJournal(ExitJournalPath(rig.store.store().Paths().MachineFolder())).Read().has_value();
    rig.boxes.Answer(MsgResult::Yes);
    EnsureInstallationDefaults(rig.store);
    PublishCurrentUser(rig.store, MonitorRig::kUser);
    rig.mon().StartMonitor();

    std::string msg = where.toStdString() + " [" + done.join(' ').toStdString() + "] bug " +
                      std::to_string(bugBefore) + ":";
    for (const auto& r : rig.Records())
        msg += " " + std::to_string(r.Fee) + "c/" + std::to_string(r.Duration) + "s";
    const auto records = rig.Records();
    const auto size = QFileInfo(QString::fromStdString(HistoryPath(rig.ProgramPath()))).size();
    QVERIFY2(size == qint64(records.size() * sizeof(THistoryRecord)), msg.c_str());
    QVERIFY2(records.size() <= reference.size(), msg.c_str());
    std::int64_t money = 0;
    std::int64_t time = 0;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const THistoryRecord& r = records[i];
        // In order, each connection once.
        QVERIFY2(r.Started == reference[i].Started, msg.c_str());
        // Every minute begun is charged once, however the writes went; a connection cut off
        // before its first backup has neither time nor money.
        QVERIFY2(r.Fee == kCostPerMinute * (r.Duration / 60 + 1) || (r.Fee == 0 && r.Duration == 0),
                 msg.c_str());
        QVERIFY2(r.Duration <= reference[i].Duration, msg.c_str());
        if (done.contains(QString("D%1").arg(i + 1)))
            QVERIFY2(std::memcmp(&r, &reference[i], sizeof r) == 0, msg.c_str());
        money += r.Fee;
        time += r.Duration;
    }
    for (std::size_t i = 0; i < reference.size(); ++i)
        if (done.contains(QString("C%1").arg(i + 1)))
            QVERIFY2(records.size() > i, (msg + ": a counted connection is missing").c_str());
    QVERIFY2(rig.store.Int(Root::LocalMachine, kCounterAllKey, "AllMoney") == money, msg.c_str());
    // Each record's volume beside it, from its own counters (received 100 times sent), and
    // the period's volume is theirs.
    const auto volumes = rig.Volumes();
    QVERIFY2(volumes.size() == records.size(), msg.c_str());
    Volume volume;
    for (std::size_t i = 0; i < volumes.size(); ++i) {
        QVERIFY2(volumes[i] || (records[i].Fee == 0 && records[i].Duration == 0), msg.c_str());
        if (!volumes[i])
            continue;
        QVERIFY2(volumes[i]->Received == 100 * volumes[i]->Sent, msg.c_str());
        QVERIFY2(volumes[i]->Received <= 1000u * std::uint64_t(records[i].Duration), msg.c_str());
        volume += *volumes[i];
    }
    QVERIFY2(CounterTotals(rig.store).AllVolume().value_or(Volume{}) == volume, msg.c_str());
    QVERIFY2(rig.store.Str(Root::LocalMachine, kCounterAllKey, "AllTime") == std::to_string(time),
             msg.c_str());
    QVERIFY2(rig.store.Int(Root::LocalMachine, kUsersKey, "Crash") ==
                 crashesBefore + (bugBefore == 2 && !journalled ? 1 : 0),
             msg.c_str());
    QVERIFY2(rig.store.Int(Root::LocalMachine, kProductKey, "Bug") == 1, msg.c_str());
}

} // namespace

class CrashPointsTest : public QObject {
    Q_OBJECT

    struct Reference {
        std::vector<THistoryRecord> records;
        long points = 0;
        long startPoints = 0;
    };
    std::map<QString, Reference> references_;
    std::vector<THistoryRecord> reference_;

private slots:
    void initTestCase() {
        for (const QString mode : {"life", "same second"}) {
            Setup s;
            const ChildRun run = RunChildProcess(mode, {});
            QCOMPARE(run.exitCode, 0);
            Reference& r = references_[mode];
            r.points = run.Number("points");
            r.startPoints = run.Number("started");
            r.records = s.rig.Records();
            QCOMPARE(r.records.size(), std::size_t(2));
            QCOMPARE(r.records[0].Fee, 9);
            QCOMPARE(r.records[1].Fee, 6);
            QVERIFY(r.points > r.startPoints);
        }
        QVERIFY(references_["same second"].records[0].Started ==
                references_["same second"].records[1].Started);
        reference_ = references_["life"].records;
    }

    void crashAtEveryPoint_data() {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("variable");
        QTest::addColumn<int>("fullFor"); // points a full disk lasts; 0: to the end
        QTest::newRow("crash") << "life"
                               << "NETROVA_CRASH_AT" << 0;
        QTest::newRow("disk full") << "life"
                                   << "NETROVA_FAIL_AT" << 0;
        QTest::newRow("history write fails") << "life"
                                             << "NETROVA_FAIL_HISTORY_AT" << 0;
        QTest::newRow("disk full for a while") << "life"
                                               << "NETROVA_FULL_FROM" << 3;
        QTest::newRow("disk stays full") << "life"
                                         << "NETROVA_FULL_FROM" << 0;
        QTest::newRow("crash, same start second") << "same second"
                                                  << "NETROVA_CRASH_AT" << 0;
    }
    void crashAtEveryPoint() {
        QFETCH(QString, mode);
        QFETCH(QString, variable);
        QFETCH(int, fullFor);
        const Reference& reference = references_[mode];
        const bool crash = variable == "NETROVA_CRASH_AT";
        long tried = 0;
        // A failure during the start-up stops the program before it counts anything; the
        // start-up writes no history.
        const bool history = variable == "NETROVA_FAIL_HISTORY_AT";
        for (long n = crash || history ? 1 : reference.startPoints + 1;; ++n) {
            Setup s;
            const ChildRun run =
                RunChildProcess(mode, {{variable, QString::number(n)},
                                       {"NETROVA_FULL_FOR", QString::number(fullFor)}});
            QVERIFY(run.exitCode == 0 || (crash && run.exitCode == kCrashed));
            if (run.exitCode == 0 && crash)
                break; // no crash point left
            if (!crash && run.Number("points") < n)
                break;
            ++tried;
            RestartAndCheck(s.rig, reference.records, run.lines,
                            QString("%1 at point %2").arg(variable).arg(n));
            if (QTest::currentTestFailed())
                return;
        }
        qInfo("%s: %ld points tried", qPrintable(variable), tried);
        QVERIFY(tried >= (crash ? reference.points : 1));
    }

    // A crash at every point of a recovery: the connection is recorded once and counted as one
    // crash, whichever recovery gets through.
    void crashAtEveryPointOfARecovery() {
        long tried = 0;
        for (long n = 1;; ++n) {
            Setup s;
            QCOMPARE(RunChildProcess("life", {{"NETROVA_STOP_AFTER", "T1"}}).exitCode, kCrashed);
            const ChildRun run =
                RunChildProcess("restart", {{"NETROVA_CRASH_AT", QString::number(n)}});
            if (run.exitCode == 0)
                break;
            QCOMPARE(run.exitCode, kCrashed);
            ++tried;
            RestartAndCheck(s.rig, reference_, {"C1"}, QString("recovery point %1").arg(n));
            if (QTest::currentTestFailed())
                return;
            QCOMPARE(s.rig.Records().size(), std::size_t(1));
            QCOMPARE(s.rig.store.Int(Root::LocalMachine, kUsersKey, "Crash"), 1);
        }
        qInfo("recovery: %ld points tried", tried);
        QVERIFY(tried >= 2);
    }

    // A crash at every point of a reset: the start that follows, which finishes an interrupted
    // reset before anything else, finds either the old period whole or the new one empty.
    void crashAtEveryPointOfAReset() {
        long tried = 0;
        long finished = 0;
        for (long n = 1;; ++n) {
            Setup s;
            QCOMPARE(RunChildProcess("life", {}).exitCode, 0);
            const ChildRun run =
                RunChildProcess("reset", {{"NETROVA_CRASH_AT", QString::number(n)}});
            if (run.exitCode == 0)
                break;
            QCOMPARE(run.exitCode, kCrashed);
            ++tried;
            finished += Counter::FinishInterruptedReset(s.rig.store, s.rig.boxes) ? 1 : 0;
            RestartAndCheck(s.rig, reference_, {}, QString("reset point %1").arg(n));
            if (QTest::currentTestFailed())
                return;
            const std::size_t left = s.rig.Records().size();
            QVERIFY2(left == 0 || left == reference_.size(), qPrintable(QString::number(n)));
            // The volumes go with their history.
            QVERIFY(left != 0 ||
                    QFileInfo(QString::fromStdString(VolumePath(s.rig.ProgramPath()))).size() == 0);
            QVERIFY(s.rig.boxes.shown().empty());
        }
        qInfo("reset: %ld points tried, %ld finished at the next start", tried, finished);
        QVERIFY(tried >= 3);
        QVERIFY(finished >= 1);
    }
};

int main(int argc, char** argv) {
    if (const char* mode = std::getenv("NETROVA_CRASH_CHILD"))
        return std::string(mode) == "reset" ? RunResetChild() : RunChild(mode);
    QCoreApplication app(argc, argv);
    CrashPointsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_crash_points.moc"
