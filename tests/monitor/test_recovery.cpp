// Connection backup on every tick and the rebuilding of a connection cut off by a crash.
#include "MonitorRig.h"

#include "common/Text.h"
#include "monitor/ConnectionBackup.h"
#include "settings/Defaults.h"

#include <QtTest>

using namespace netrova;
using namespace netrova::test;

namespace {

const std::string kCurrent = kCounterCurrentKey;

// A connection seen at 10:15:00 with a delay of 10, one minute at 7 cents, ticking until the
// process dies right after the tick of 10:15:25.
void CrashDuringConnection(MonitorRig& rig) {
    rig.Start();
    Tariff t;
    t.ocpd = 1;
    t.dayCost = 7;
    rig.SetTariff("Provider One", "1", t);
    rig.clock.Set(2026, 12, 7, 10, 14, 59);
    rig.Dial("Provider One");
    rig.Ticks(26);
    rig.Crash();
}

// The process dies while the first box is open.
struct Died {};
class DyingBoxes : public MessageBoxes {
public:
    MsgResult Show(const std::string&, MsgIcon, MsgButtons, const std::string&) override {
        throw Died{};
    }
};

std::vector<std::uint8_t> RemoteConnection(MonitorRig& rig) {
    return rig.store.Bin(Root::LocalMachine, kRemoteAccessServiceKey, "Remote Connection");
}

} // namespace

class RecoveryTest : public QObject {
    Q_OBJECT

private slots:
    void slotsAlternateEveryTick() {
        MonitorRig rig;
        rig.Start();
        rig.Dial("P");
        rig.Tick();
        const int first = rig.store.Int(Root::LocalMachine, kCurrent, "Backup");
        rig.Tick();
        const int second = rig.store.Int(Root::LocalMachine, kCurrent, "Backup");
        QCOMPARE(first + second, 1);
        // The slot the selector names holds the latest tick.
        const std::string slot = second ? "b" : "";
        QCOMPARE(rig.store.Int(Root::LocalMachine, kCurrent, slot + "Time"), 11);
        QCOMPARE(rig.store.Int(Root::LocalMachine, kCurrent, slot + "CSecundes"), 2);
        QCOMPARE(rig.store.Str(Root::LocalMachine, kCurrent, slot + "User"), std::string("alice"));
        const std::string other = second ? "" : "b";
        QCOMPARE(rig.store.Int(Root::LocalMachine, kCurrent, other + "Time"), 10);
    }

    void crashedConnectionIsRebuilt() {
        MonitorRig rig;
        CrashDuringConnection(rig);
        rig.boxes.Answer(MsgResult::Yes);
        rig.mon().StartMonitor();

        QCOMPARE(rig.boxes.shown().at(0).text,
                 std::string("Last connection was unsaved. Netrova will recover data."));
        QCOMPARE(rig.boxes.shown().at(0).icon, MsgIcon::Information);
        QCOMPARE(rig.boxes.shown().at(1).text, std::string("Are you connected now ?"));
        QCOMPARE(rig.boxes.shown().at(1).buttons, MsgButtons::YesNoRequired);

        const auto records = rig.Records();
        QCOMPARE(records.size(), std::size_t(1));
        const THistoryRecord& r = records[0];
        QCOMPARE(FormatStampDate(r.Started), std::string("2026/12/7"));
        QCOMPARE(FormatStampTime(r.Started), std::string("10:15:0"));
        QCOMPARE(FormatStampTime(r.Ended), std::string("10:15:25"));
        QCOMPARE(r.Started.DayOfWeek, 1);
        QCOMPARE(r.Ended.Reserved, 0);
        QCOMPARE(r.Duration, 35);
        QCOMPARE(r.Fee, 7);
        QCOMPARE(FieldText(r.Provider), std::string("Provider One"));
        QCOMPARE(FieldText(r.User), std::string("alice"));
        QCOMPARE(FieldText(r.TotalFeeText), std::string("0 dol. 7 c."));

        QCOMPARE(rig.store.Int(Root::LocalMachine, kCounterAllKey, "AllMoney"), 7);
        QCOMPARE(rig.store.Str(Root::LocalMachine, kCounterAllKey, "AllTime"), std::string("35"));
        QCOMPARE(rig.state().AllTime, 35);
        QCOMPARE(rig.state().StartAllTime, 35);
        QCOMPARE(rig.store.Int(Root::LocalMachine, kUsersKey, "Crash"), 1);
        QCOMPARE(rig.store.Int(Root::LocalMachine, kProductKey, "Bug"), 1);
        // Answered Yes: the flag stays and the next tick counts a new connection.
        QCOMPARE(RemoteConnection(rig), (std::vector<std::uint8_t>{1, 0, 0, 0}));
        rig.Tick();
        QCOMPARE(rig.state().ConnState, int(csOnline));
    }

    void answerDecidesTheDialUpFlag_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("flag");
        QTest::newRow("No clears it") << int(MsgResult::No) << 0;
        QTest::newRow("Yes keeps it") << int(MsgResult::Yes) << 1;
        // The program told to end while the question is open: nobody answered.
        QTest::newRow("unanswered keeps it") << int(MsgResult::None) << 1;
    }
    void answerDecidesTheDialUpFlag() {
        QFETCH(int, answer);
        QFETCH(int, flag);
        MonitorRig rig;
        CrashDuringConnection(rig);
        rig.boxes.Answer(MsgResult(answer));
        rig.mon().StartMonitor();
        QCOMPARE(rig.boxes.shown().back().buttons, MsgButtons::YesNoRequired);
        QCOMPARE(RemoteConnection(rig), (std::vector<std::uint8_t>{std::uint8_t(flag), 0, 0, 0}));
        QCOMPARE(rig.Records().size(), std::size_t(1));
        rig.Tick();
        QCOMPARE(rig.state().ConnState, flag ? int(csOnline) : int(csIdle));
    }

    // The process dies while the recovery notice waits for OK (it may wait for hours after an
    // autostart): the next start still finds the connection to recover.
    void crashWhileTheNoticeIsOpen() {
        MonitorRig rig;
        CrashDuringConnection(rig);
        rig.Hangup();
        DyingBoxes dying;
        Monitor doomed(rig.store, rig.clock, dying, rig.help, rig.view);
        QVERIFY_THROWS_EXCEPTION(Died, doomed.StartMonitor());
        QCOMPARE(rig.store.Int(Root::LocalMachine, kProductKey, "Bug"), 2);
        rig.Crash();
        rig.mon().StartMonitor();
        QCOMPARE(rig.Records().size(), std::size_t(1));
        QCOMPARE(rig.store.Int(Root::LocalMachine, kUsersKey, "Crash"), 1);
        QCOMPARE(rig.store.Int(Root::LocalMachine, kCounterAllKey, "AllMoney"), 7);
        QCOMPARE(rig.store.Int(Root::LocalMachine, kProductKey, "Bug"), 1);
    }

    void noQuestionWhenTheServiceSaysNotConnected() {
        MonitorRig rig;
        CrashDuringConnection(rig);
        rig.Hangup();
        rig.mon().StartMonitor();
        QCOMPARE(rig.boxes.shown().size(), std::size_t(1));
        QCOMPARE(rig.Records().size(), std::size_t(1));
    }

    void selectorChoosesTheSlot_data() {
        QTest::addColumn<int>("selector");
        QTest::addColumn<int>("duration");
        QTest::addColumn<QString>("user");
        QTest::addColumn<int>("endSecond");
        QTest::newRow("0: primary") << 0 << 100 << "primary" << 11;
        QTest::newRow("1: alternate") << 1 << 200 << "alternate" << 22;
    }
    void selectorChoosesTheSlot() {
        QFETCH(int, selector);
        QFETCH(int, duration);
        QFETCH(QString, user);
        QFETCH(int, endSecond);
        MonitorRig rig;
        rig.Start();
        {
            Registry reg(rig.store, Root::LocalMachine);
            reg.OpenKey(kCurrent, true);
            const TStamp start{2026, 12, 1, 7, 9, 0, 0, 0}; // Monday 7 December, 9:00:00
            for (const auto& [prefix, name, time, second] :
                 {std::tuple{"", "primary", 100, 11}, std::tuple{"b", "alternate", 200, 22}}) {
                reg.WriteString(std::string(prefix) + "User", name);
                TStamp end = start;
                end.Minute = 1;
                end.Second = static_cast<std::uint16_t>(second);
                WriteStampValues(reg, std::string(prefix) + "C", end);
                reg.WriteInteger(std::string(prefix) + "Time", time);
            }
            WriteStampValues(reg, "", start);
            reg.WriteInteger("Money", 3);
            reg.WriteString("Provider", "P");
            reg.WriteInteger("backup", selector); // value names ignore letter case
            reg.OpenKey(kProductKey, true);
            reg.WriteInteger("Bug", 2);
            reg.CloseKey();
        }
        rig.Crash();
        rig.mon().StartMonitor();
        const auto r = rig.Records().at(0);
        QCOMPARE(r.Duration, duration);
        QCOMPARE(QString::fromStdString(FieldText(r.User)), user);
        QCOMPARE(int(r.Ended.Second), endSecond);
        QCOMPARE(r.Fee, 3);
    }

    void twoRecoveriesCountTwoCrashes() {
        MonitorRig rig;
        CrashDuringConnection(rig);
        rig.boxes.Answer(MsgResult::Yes);
        rig.mon().StartMonitor();
        rig.Ticks(20); // a new connection is counted from the first tick
        rig.Crash();
        rig.boxes.Answer(MsgResult::Yes);
        rig.mon().StartMonitor();
        QCOMPARE(rig.store.Int(Root::LocalMachine, kUsersKey, "Crash"), 2);
        const auto records = rig.Records();
        QCOMPARE(records.size(), std::size_t(2));
        QCOMPARE(rig.store.Str(Root::LocalMachine, kCounterAllKey, "AllTime"),
                 std::to_string(records[0].Duration + records[1].Duration));
    }

    void antiCrashOffDropsTheConnection() {
        MonitorRig rig;
        CrashDuringConnection(rig);
        rig.store.SetInt(Root::LocalMachine, kProductKey, "AntiCrash", 0);
        rig.mon().StartMonitor();
        QVERIFY(rig.boxes.shown().empty());
        QVERIFY(rig.Records().empty());
        QCOMPARE(rig.store.Int(Root::LocalMachine, kUsersKey, "Crash"), 0);
        QCOMPARE(rig.store.Int(Root::LocalMachine, kCounterAllKey, "AllMoney"), 0);
        QCOMPARE(rig.store.Int(Root::LocalMachine, kProductKey, "Bug"), 1);
    }

    // A crash after the connect values landed without a backup (written by a tick cut short):
    // the slots must describe this connection, not the one before it.
    void crashBeforeFirstBackupUsesNoStaleSlot() {
        MonitorRig rig;
        rig.Start();
        rig.Dial("Old");
        rig.Ticks(300);
        rig.Hangup();
        rig.Tick();
        rig.clock.Set(2026, 12, 7, 18, 0, 0);
        rig.Dial("New");
        rig.set().Connected = 1;
        rig.mon().StepConnection(); // connect steps only; no UpdateConnection, no backup
        rig.mon().SaveTick();
        rig.Crash();
        rig.Hangup();
        rig.mon().StartMonitor();
        const auto records = rig.Records();
        QCOMPARE(records.size(), std::size_t(2));
        const THistoryRecord& r = records[1];
        QCOMPARE(FieldText(r.Provider), std::string("New"));
        QCOMPARE(FormatStampTime(r.Started), std::string("18:0:0"));
        QVERIFY(r.Ended == r.Started);
        QCOMPARE(r.Duration, 0);
        QCOMPARE(FieldText(r.User), std::string("alice"));
    }

    // A connection that starts in the same second as the last record, with the same provider
    // (a clock that starts at the same time at each boot), then a crash: it is a connection of
    // its own, and the one before it is not counted again.
    void crashAfterSameSecondStartIsRecordedOnce() {
        MonitorRig rig;
        rig.Start();
        rig.clock.Set(2026, 12, 7, 10, 14, 59);
        rig.Dial("P");
        rig.Ticks(40);
        rig.Hangup();
        rig.Tick();
        const THistoryRecord first = rig.Records().at(0);
        rig.clock.Set(2026, 12, 7, 10, 14, 59);
        rig.Dial("P");
        rig.Ticks(20);
        QVERIFY(rig.state().Rec.Started == first.Started);
        const int second = rig.state().Rec.Duration;
        rig.Crash();
        rig.Hangup();
        rig.mon().StartMonitor();
        const auto records = rig.Records();
        QCOMPARE(records.size(), std::size_t(2));
        QCOMPARE(records[1].Duration, second);
        QCOMPARE(rig.store.Int(Root::LocalMachine, kUsersKey, "Crash"), 1);
        QCOMPARE(rig.store.Str(Root::LocalMachine, kCounterAllKey, "AllTime"),
                 std::to_string(first.Duration + second));
    }

    // A marker of 2 without a backup to go with it (a store edited by hand): the error is
    // shown once, and the next start goes through.
    void unreadableBackupStopsOneStartOnly() {
        MonitorRig rig;
        rig.Start();
        rig.store.SetInt(Root::LocalMachine, kProductKey, "Bug", 2);
        rig.Crash();
        QVERIFY_THROWS_EXCEPTION(StoreError, rig.mon().StartMonitor());
        QCOMPARE(rig.store.Int(Root::LocalMachine, kProductKey, "Bug"), 1);
        rig.Crash();
        rig.mon().StartMonitor();
        QVERIFY(rig.Records().empty());
        QCOMPARE(rig.store.Int(Root::LocalMachine, kUsersKey, "Crash"), 0);
    }

    void aDifferentLastRecordDoesNotStopTheAppend() {
        MonitorRig rig;
        rig.Start();
        rig.Dial("P");
        rig.Ticks(5);
        rig.Hangup();
        rig.Tick();
        rig.Dial("P");
        rig.Ticks(5);
        rig.Crash();
        rig.Hangup();
        rig.mon().StartMonitor();
        QCOMPARE(rig.Records().size(), std::size_t(2));
    }
};

QTEST_GUILESS_MAIN(RecoveryTest)
#include "test_recovery.moc"
