// The one-second tick: connection detection, timing, the texts shown and the history record.
#include "MonitorRig.h"

#include "common/Text.h"
#include "dialup/DialUpService.h"
#include "settings/Defaults.h"

#include <QtTest>

using namespace netrova;
using namespace netrova::test;

class ConnectionTest : public QObject {
    Q_OBJECT

private slots:
    void idleTickShowsNotConnected() {
        MonitorRig rig;
        rig.Start();
        rig.Tick();
        QCOMPARE(rig.view.status, std::string("Not connected"));
        QCOMPARE(rig.view.statusText, std::string("Netrova: [Not Connected]"));
        QCOMPARE(rig.view.provider, std::string(" "));
        QCOMPARE(rig.view.totalMoney, std::string("0 dol. 0 c."));
        QCOMPARE(rig.state().ConnState, int(csIdle));
    }

    void ticksAndChangesNotify() {
        MonitorRig rig;
        rig.Start();
        int notified = 0;
        MonitorChange last{};
        rig.mon().SetChangeHandler([&](MonitorChange change) {
            ++notified;
            last = change;
        });
        rig.Tick();
        QCOMPARE(notified, 1);
        QCOMPARE(last, MonitorChange::Tick);
        rig.mon().SetHoliday(true);
        QCOMPARE(notified, 2);
        QCOMPARE(last, MonitorChange::Settings);
        QCOMPARE(rig.state().HolidayOn, 1);
        // The window reads the counter's dates again on this one alone.
        rig.mon().StartNewPeriod();
        QCOMPARE(last, MonitorChange::Period);
    }

    void connectDelayCountsFromTheFirstTick() {
        MonitorRig rig;
        rig.Start();
        rig.clock.Set(2026, 12, 7, 11, 59, 59);
        rig.Dial("Provider One");
        rig.Tick(); // 12:00:00
        QCOMPARE(rig.state().ConnState, int(csOnline));
        QCOMPARE(rig.state().StartRef, 43190);
        QCOMPARE(rig.view.connTime, std::string("0 h. 0 min. 10 sec."));
        QCOMPARE(rig.view.status, std::string("Connected"));
        QVERIFY(rig.view.connectedPicture);
        // No tariffs yet: the fee field says so while the fee text stays at zero.
        QCOMPARE(rig.view.fee, std::string("No tariffs for provider"));
        QCOMPARE(rig.view.statusText, std::string("Netrova: [ 0 h. 0 min. 10 sec.0 dol. 0 c. ]"));
        QCOMPARE(rig.state().TipText, std::string("0 h. 0 min. 10 sec.0 dol. 0 c."));

        // The provider and user fields show on the following tick's status step.
        rig.Tick();
        QCOMPARE(rig.view.provider, std::string("Provider One"));
        QCOMPARE(rig.view.user, std::string("alice"));
        QCOMPARE(rig.view.connTime, std::string("0 h. 0 min. 11 sec."));
    }

    void storeWritesAtConnect() {
        MonitorRig rig;
        rig.Start();
        rig.store.SetInt(Root::LocalMachine, kCounterAllKey, "AllMoney", 250);
        rig.clock.Set(2026, 12, 5, 21, 4, 58); // a Saturday
        rig.Dial("Provider One");
        rig.Tick();
        auto& s = rig.store;
        const std::string cur = kCounterCurrentKey;
        QCOMPARE(s.Int(Root::LocalMachine, cur, "Secundes"), 59);
        QCOMPARE(s.Int(Root::LocalMachine, cur, "Minutes"), 4);
        QCOMPARE(s.Int(Root::LocalMachine, cur, "Hours"), 21);
        QCOMPARE(s.Int(Root::LocalMachine, cur, "Year"), 2026);
        QCOMPARE(s.Int(Root::LocalMachine, cur, "Day"), 5);
        QCOMPARE(s.Int(Root::LocalMachine, cur, "Month"), 12);
        QCOMPARE(s.Int(Root::LocalMachine, cur, "DayOfWeek"), 6);
        QCOMPARE(s.Int(Root::LocalMachine, cur, "Money"), 0);
        QCOMPARE(s.Str(Root::LocalMachine, cur, "Provider"), std::string("Provider One"));
        QCOMPARE(s.Int(Root::LocalMachine, kProductKey, "Bug"), 2);
        // The money total is re-read at connect; the time total is not.
        QCOMPARE(rig.state().StartAllMoney, 250);
    }

    void failedConnectLeavesMarkerAndRetries() {
        MonitorRig rig;
        rig.Start();
        {
            Registry reg(rig.store, Root::CurrentUser);
            reg.OpenKey(kProductKey, true);
            reg.WriteString("Connect delay", "ten"); // a value of the wrong type cannot be read
            reg.CloseKey();
        }
        rig.Dial("Provider One");
        QVERIFY_THROWS_EXCEPTION(StoreError, rig.Tick());
        // The marker is written after the start values, so it still says "no connection".
        QCOMPARE(rig.store.Int(Root::LocalMachine, kProductKey, "Bug"), 1);
        QCOMPARE(rig.state().ConnState, int(csDetected));

        rig.SetConnectDelay(0);
        rig.Tick();
        QCOMPARE(rig.state().ConnState, int(csOnline));
        QCOMPARE(rig.view.connTime, std::string("0 h. 0 min. 0 sec."));
    }

    void disconnectAppendsRecordAndStoresTotals() {
        MonitorRig rig;
        rig.Start();
        rig.store.SetStr(Root::LocalMachine, kCounterAllKey, "AllTime", "1000");
        rig.Crash();
        rig.Start();
        rig.clock.Set(2026, 12, 7, 8, 0, 0);
        rig.Dial("Provider One");
        rig.Ticks(61); // connected 08:00:01 .. 08:01:01
        rig.Hangup();
        rig.Tick(); // seen at 08:01:02
        const auto records = rig.Records();
        QCOMPARE(records.size(), std::size_t(1));
        const THistoryRecord& r = records[0];
        QCOMPARE(FormatStampTime(r.Started), std::string("8:0:1"));
        QCOMPARE(FormatStampTime(r.Ended), std::string("8:1:2"));
        QCOMPARE(r.Duration, 70);
        QCOMPARE(FieldText(r.Provider), std::string("Provider One"));
        QCOMPARE(FieldText(r.User), std::string("alice"));
        QCOMPARE(r.Started.Reserved, 0);
        QCOMPARE(r.Ended.Reserved, 0);
        QCOMPARE(rig.store.Int(Root::LocalMachine, kProductKey, "Bug"), 1);
        QCOMPARE(rig.store.Str(Root::LocalMachine, kCounterAllKey, "AllTime"), std::string("1070"));

        // Afterwards the fields show that nobody is connected; the last time stays.
        rig.Tick();
        QCOMPARE(rig.view.provider, std::string(" "));
        QCOMPARE(rig.view.user, std::string(""));
        QVERIFY(!rig.view.connectedPicture);
        QCOMPARE(rig.view.connTime, std::string("0 h. 1 min. 10 sec."));
        QCOMPARE(rig.view.statusText, std::string("Netrova: [Not Connected]"));
    }

    void reconnectOnNextTickGivesTwoRecords() {
        MonitorRig rig;
        rig.Start();
        rig.Dial("First");
        rig.Ticks(5);
        rig.Hangup();
        rig.Tick();
        rig.Dial("Second");
        rig.Ticks(3);
        rig.Hangup();
        rig.Tick();
        const auto records = rig.Records();
        QCOMPARE(records.size(), std::size_t(2));
        QCOMPARE(FieldText(records[0].Provider), std::string("First"));
        QCOMPARE(FieldText(records[1].Provider), std::string("Second"));
        QCOMPARE(records[1].Duration, 12);
    }

    void onlyOneMeansConnected_data() {
        QTest::addColumn<uint>("flag");
        QTest::addColumn<int>("state");
        QTest::newRow("0") << 0u << int(csIdle);
        QTest::newRow("1") << 1u << int(csOnline);
        QTest::newRow("2") << 2u << int(csIdle);
        QTest::newRow("257") << 257u << int(csIdle);
    }
    void onlyOneMeansConnected() {
        QFETCH(uint, flag);
        QFETCH(int, state);
        MonitorRig rig;
        rig.Start();
        rig.SetRemoteConnection(flag);
        rig.Tick();
        QCOMPARE(rig.state().ConnState, state);
    }

    void startRefMayBeNegativeAfterMidnight() {
        MonitorRig rig;
        rig.Start();
        rig.clock.Set(2026, 12, 7, 0, 0, 4);
        rig.Dial("P");
        rig.Tick(); // 00:00:05
        QCOMPARE(rig.state().StartRef, -5);
        QCOMPARE(rig.state().Elapsed, 10);
        rig.Ticks(100);
        QCOMPARE(rig.state().Elapsed, 110);
    }

    // Elapsed time counts one day per midnight passed, however many.
    void elapsedAcrossMidnights_data() {
        QTest::addColumn<int>("after");
        QTest::addColumn<int>("elapsed");
        QTest::newRow("one midnight") << 120 << 130;
        QTest::newRow("two midnights") << 86400 + 120 << 86400 + 130;
        QTest::newRow("three midnights") << 2 * 86400 + 60 << 2 * 86400 + 70;
    }
    void elapsedAcrossMidnights() {
        QFETCH(int, after);
        QFETCH(int, elapsed);
        MonitorRig rig;
        rig.Start();
        rig.clock.Set(2026, 12, 31, 23, 58, 59);
        rig.Dial("P");
        rig.Tick(); // 23:59:00
        rig.Tick(after);
        QCOMPARE(rig.state().Elapsed, elapsed);
        QCOMPARE(rig.state().AllTime, elapsed);
        rig.Hangup();
        rig.Tick();
        QCOMPARE(rig.Records().back().Duration, elapsed);
    }

    // Daylight saving time and a clock set by hand move the wall clock, not the connection's
    // time: its duration and its charges go on as if nothing had happened.
    void wallClockChangesNoDuration_data() {
        QTest::addColumn<int>("shift");
        QTest::newRow("back an hour, as in autumn") << -3600;
        QTest::newRow("forward an hour, as in spring") << 3600;
        QTest::newRow("back a minute, by time synchronisation") << -60;
    }
    void wallClockChangesNoDuration() {
        QFETCH(int, shift);
        MonitorRig rig;
        rig.Start();
        Tariff t;
        t.ocpd = 1;
        t.dayCost = 5;
        rig.SetTariff("P", "1", t); // 2026-12-07 is a Monday
        rig.clock.Set(2026, 12, 7, 12, 0, 0);
        rig.Dial("P");
        rig.Tick();
        rig.clock.Shift(shift);
        rig.Tick();
        QCOMPARE(rig.state().Elapsed, 11);
        QCOMPARE(rig.state().ConnMoney, 5);
        rig.Ticks(50); // the second minute begins
        QCOMPARE(rig.state().ConnMoney, 10);
        rig.Hangup();
        rig.Tick();
        QCOMPARE(rig.Records().back().Duration, 61);
        QCOMPARE(rig.store.Str(Root::LocalMachine, kCounterAllKey, "AllTime"), std::string("61"));
    }

    // Each tick adds what the interface's counters grew by since the last; a counter that goes
    // back or an interface made again adds nothing for that tick, and one never seen leaves
    // the volume unknown. Steps: "received/sent" counters at a tick, "x" no interface.
    void volumeCountedFromTheInterface_data() {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<qint64>("received"); // -1: unknown
        QTest::addColumn<qint64>("sent");
        QTest::newRow("from the first tick") << "1000/100 1500/160 4000/400" << 3000LL << 300LL;
        QTest::newRow("counter goes back") << "1000/100 1500/160 200/20 700/70" << 1000LL << 110LL;
        QTest::newRow("interface made again") << "1000/100 1500/160 x 0/0 300/30" << 800LL << 90LL;
        QTest::newRow("interface never there") << "x x x" << -1LL << -1LL;
    }
    void volumeCountedFromTheInterface() {
        QFETCH(QString, steps);
        QFETCH(qint64, received);
        QFETCH(qint64, sent);
        MonitorRig rig;
        rig.Start();
        SetConnectionInterface(rig.store, "ppp0");
        rig.Dial("P");
        for (const QString& step : steps.split(' ')) {
            if (step == "x")
                rig.RemoveInterface("ppp0");
            else
                rig.SetCounters("ppp0", step.section('/', 0, 0).toULongLong(),
                                step.section('/', 1, 1).toULongLong());
            rig.Tick();
        }
        rig.Hangup();
        rig.Tick();
        const std::optional<Volume> v = rig.Volumes().at(0);
        QCOMPARE(v.has_value(), received >= 0);
        if (v) {
            QCOMPARE(qint64(v->Received), received);
            QCOMPARE(qint64(v->Sent), sent);
        }
        QCOMPARE(rig.store.Str(Root::LocalMachine, kCounterAllKey, "AllReceived"),
                 std::to_string(std::max<qint64>(received, 0)));
    }

    void totalFeeTextIsTheCounterTotal() {
        MonitorRig rig;
        rig.Start();
        rig.store.SetInt(Root::LocalMachine, kCounterAllKey, "AllMoney", 1200);
        Tariff t;
        t.ocpd = 1;
        t.dayCost = 5;
        rig.SetTariff("P", "1", t); // 2026-12-07 is a Monday
        rig.Dial("P");
        rig.Ticks(3);
        rig.Hangup();
        rig.Tick();
        const auto r = rig.Records().at(0);
        QCOMPARE(r.Fee, 5);
        QCOMPARE(FieldText(r.TotalFeeText), std::string("12 dol. 5 c."));
        QCOMPARE(rig.store.Int(Root::LocalMachine, kCounterAllKey, "AllMoney"), 1205);
        QCOMPARE(rig.view.totalMoney, std::string("12 dol. 5 c."));
    }

    void emptyProviderWhenServiceNamesNone() {
        MonitorRig rig;
        rig.Start();
        rig.SetRemoteConnection(1); // no "\RemoteAccess" key at all
        rig.Ticks(2);
        QCOMPARE(rig.state().Provider, std::string(""));
        QCOMPARE(rig.view.fee, std::string("No tariffs for provider"));
        QCOMPARE(rig.state().Elapsed, 11);
    }

    void programPathIsReloadedWhileEmpty() {
        MonitorRig rig;
        rig.Start();
        rig.set().ProgramPath.clear();
        rig.Tick();
        QCOMPARE(rig.state().ProgramPath, rig.ProgramPath());
    }
};

QTEST_GUILESS_MAIN(ConnectionTest)
#include "test_connection.moc"
