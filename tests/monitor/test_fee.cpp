// Fee accrual: one charge per started minute of connection time, at the tariff in force.
#include "MonitorRig.h"

#include "common/Text.h"
#include "settings/Defaults.h"

#include <QtTest>

using namespace netrova;
using namespace netrova::test;

namespace {

// 'A' from 8 to 20 at 5 cents, 'B' at 2 cents.
Tariff DayNight() {
    Tariff t;
    t.starting = 8;
    t.ending = 20;
    t.dayCost = 5;
    t.nightCost = 2;
    return t;
}

void SetAllDays(MonitorRig& rig, const std::string& provider, const Tariff& t) {
    for (const char* day : {"0", "1", "2", "3", "4", "5", "6", "Holiday"})
        rig.SetTariff(provider, day, t);
}

} // namespace

class FeeTest : public QObject {
    Q_OBJECT

private slots:
    void chargesFollowTheIntervals() {
        MonitorRig rig;
        rig.Start();
        SetAllDays(rig, "P", DayNight());
        rig.clock.Set(2026, 12, 7, 19, 58, 29);
        rig.Dial("P");
        rig.Tick(); // 19:58:30, connection time 0:00:10
        QCOMPARE(rig.state().ConnMoney, 5);
        QCOMPARE(rig.view.fee, std::string("0 dol. 5 c."));

        rig.Ticks(49); // 19:59:19
        QCOMPARE(rig.state().ConnMoney, 5);
        rig.Tick(); // 19:59:20, connection time 0:01:00
        QCOMPARE(rig.state().ConnMoney, 10);

        rig.Ticks(60); // 20:00:20: 'B' from here on
        QCOMPARE(rig.state().ConnMoney, 12);
        QCOMPARE(rig.view.fee, std::string("0 dol. 12 c."));
        QCOMPARE(rig.state().FeeText, std::string("0 dol. 12 c."));
        QCOMPARE(rig.view.statusText, std::string("Netrova: [ 0 h. 2 min. 0 sec.0 dol. 12 c. ]"));
        QCOMPARE(rig.store.Int(Root::LocalMachine, kCounterCurrentKey, "Money"), 12);
        QCOMPARE(rig.store.Str(Root::LocalMachine, kCounterCurrentKey, "Fee"),
                 std::string("0 dol. 12 c."));

        rig.Hangup();
        rig.Tick();
        QCOMPARE(rig.Records().at(0).Fee, 12);
        QCOMPARE(rig.store.Int(Root::LocalMachine, kCounterAllKey, "AllMoney"), 12);
    }

    // Which cost a minute gets, by the tariff and the hour of the charging tick.
    void costOfAMinute_data() {
        QTest::addColumn<int>("starting");
        QTest::addColumn<int>("ending");
        QTest::addColumn<int>("ocpd");
        QTest::addColumn<int>("hour");
        QTest::addColumn<int>("cost");
        QTest::newRow("A begins at its hour") << 8 << 20 << 0 << 8 << 5;
        QTest::newRow("before A") << 8 << 20 << 0 << 7 << 2;
        QTest::newRow("A's end hour is B") << 8 << 20 << 0 << 20 << 2;
        QTest::newRow("A start after end: B") << 22 << 6 << 0 << 23 << 2;
        QTest::newRow("A start after end, early") << 22 << 6 << 0 << 3 << 2;
        QTest::newRow("A start equals end: B") << 9 << 9 << 0 << 9 << 2;
        QTest::newRow("OCPD at night") << 8 << 20 << 1 << 2 << 5;
        QTest::newRow("OCPD by day") << 8 << 20 << 1 << 12 << 5;
    }
    void costOfAMinute() {
        QFETCH(int, starting);
        QFETCH(int, ending);
        QFETCH(int, ocpd);
        QFETCH(int, hour);
        QFETCH(int, cost);
        MonitorRig rig;
        rig.Start();
        Tariff t = DayNight();
        t.starting = starting;
        t.ending = ending;
        t.ocpd = ocpd;
        SetAllDays(rig, "P", t);
        rig.clock.Set(2026, 12, 7, hour, 10, 0);
        rig.Dial("P");
        rig.Tick();
        QCOMPARE(rig.state().ConnMoney, cost);
    }

    void dayKeyIsTheWeekdayOrHoliday_data() {
        QTest::addColumn<int>("day");
        QTest::addColumn<int>("holiday");
        QTest::addColumn<QString>("key");
        QTest::newRow("Sunday") << 6 << 0 << "0";
        QTest::newRow("Monday") << 7 << 0 << "1";
        QTest::newRow("Saturday") << 12 << 0 << "6";
        QTest::newRow("Holiday on a Monday") << 7 << 1 << "Holiday";
        QTest::newRow("Holiday on a Sunday") << 6 << 1 << "Holiday";
    }
    void dayKeyIsTheWeekdayOrHoliday() {
        QFETCH(int, day);
        QFETCH(int, holiday);
        QFETCH(QString, key);
        MonitorRig rig;
        rig.Start();
        // Only the expected key has a tariff; any other day key would show a message.
        Tariff t;
        t.ocpd = 1;
        t.dayCost = 7;
        rig.SetTariff("P", key.toStdString(), t);
        rig.clock.Set(2026, 12, day, 10, 0, 0);
        rig.mon().SetHoliday(holiday == 1);
        rig.Dial("P");
        rig.Tick();
        QCOMPARE(rig.state().ConnMoney, 7);
        QCOMPARE(rig.view.fee, std::string("0 dol. 7 c."));
    }

    void providerWithoutTariffsIsTimedButNotCharged() {
        MonitorRig rig;
        rig.Start();
        rig.Dial("Unknown");
        rig.Ticks(150);
        QCOMPARE(rig.view.fee, std::string("No tariffs for provider"));
        QCOMPARE(rig.view.statusText.find("0 dol. 0 c. ]") != std::string::npos, true);
        rig.Hangup();
        rig.Tick();
        QCOMPARE(rig.Records().at(0).Fee, 0);
        QCOMPARE(rig.Records().at(0).Duration, 159);
    }

    void dayWithoutTariff() {
        MonitorRig rig;
        rig.Start();
        Tariff none;
        none.name = "";
        rig.SetTariff("P", "1", none);
        rig.Dial("P");
        rig.Tick();
        QCOMPARE(rig.view.fee, std::string("No tariff for this day"));
        QCOMPARE(rig.state().ConnMoney, 0);
    }

    // A connect delay of a minute or more: the first tick already counts delay / 60 minutes,
    // and still charges exactly once.
    void longConnectDelay_data() {
        QTest::addColumn<int>("delay");
        QTest::newRow("60") << 60;
        QTest::newRow("125") << 125;
        QTest::newRow("3600") << 3600;
    }
    void longConnectDelay() {
        QFETCH(int, delay);
        MonitorRig rig;
        rig.Start();
        rig.SetConnectDelay(delay);
        Tariff t;
        t.ocpd = 1;
        t.dayCost = 3;
        SetAllDays(rig, "P", t);
        rig.Dial("P");
        rig.Tick();
        QCOMPARE(rig.state().MinuteMarker, delay % 3600 / 60);
        QCOMPARE(rig.state().ConnMoney, 3);
        // The next charge falls when the connection time passes its next whole minute.
        rig.Ticks(59 - delay % 60);
        QCOMPARE(rig.state().ConnMoney, 3);
        rig.Tick();
        QCOMPARE(rig.state().ConnMoney, 6);
    }

    void firstMinuteOfAnHourIsChargedAtOnce() {
        MonitorRig rig;
        rig.Start();
        rig.SetConnectDelay(0);
        Tariff t;
        t.ocpd = 1;
        t.dayCost = 4;
        SetAllDays(rig, "P", t);
        rig.clock.Set(2026, 12, 7, 10, 0, 29);
        rig.Dial("P");
        rig.Tick(); // seen at 10:00:30, the wall clock's minute 0 equals the minute count 0
        QCOMPARE(rig.state().ConnMoney, 4);
        rig.Ticks(59);
        QCOMPARE(rig.state().ConnMoney, 4);
        rig.Tick();
        QCOMPARE(rig.state().ConnMoney, 8);
    }

    void midnightSwitchesToTheNextWeekday() {
        MonitorRig rig;
        rig.Start();
        Tariff sunday;
        sunday.ocpd = 1;
        sunday.dayCost = 1;
        Tariff monday;
        monday.ocpd = 1;
        monday.dayCost = 10;
        rig.SetTariff("P", "0", sunday);
        rig.SetTariff("P", "1", monday);
        rig.SetConnectDelay(0);
        rig.clock.Set(2026, 12, 6, 23, 58, 59);
        rig.Dial("P");
        rig.Tick(); // Sunday 23:59:00
        QCOMPARE(rig.state().ConnMoney, 1);
        rig.Ticks(60); // Monday 00:00:00
        QCOMPARE(rig.state().ConnMoney, 11);
    }

    void tariffChangeTakesEffectAtTheNextCharge() {
        MonitorRig rig;
        rig.Start();
        Tariff t;
        t.ocpd = 1;
        t.dayCost = 2;
        rig.SetTariff("P", "1", t);
        rig.SetConnectDelay(0);
        rig.Dial("P");
        rig.Tick();
        t.dayCost = 9;
        rig.SetTariff("P", "1", t);
        rig.Ticks(30);
        QCOMPARE(rig.state().ConnMoney, 2);
        rig.Ticks(30);
        QCOMPARE(rig.state().ConnMoney, 11);

        // The holiday toggle too: minutes already charged keep their price.
        Tariff holiday;
        holiday.ocpd = 1;
        holiday.dayCost = 50;
        rig.SetTariff("P", "Holiday", holiday);
        rig.mon().SetHoliday(true);
        rig.Ticks(60);
        QCOMPARE(rig.state().ConnMoney, 61);
    }

    void moneyTotalsAddUpAcrossConnections() {
        MonitorRig rig;
        rig.Start();
        Tariff t;
        t.ocpd = 1;
        t.dayCost = 45;
        SetAllDays(rig, "P", t);
        for (int i = 0; i < 3; ++i) {
            rig.Dial("P");
            rig.Ticks(60); // 10 s delay + 59 s: two minutes each
            rig.Hangup();
            rig.Tick();
        }
        const auto records = rig.Records();
        QCOMPARE(records.size(), std::size_t(3));
        QCOMPARE(records[2].Fee, 90);
        QCOMPARE(FieldText(records[0].TotalFeeText), std::string("0 dol. 90 c."));
        QCOMPARE(FieldText(records[2].TotalFeeText), std::string("2 dol. 70 c."));
        QCOMPARE(rig.store.Int(Root::LocalMachine, kCounterAllKey, "AllMoney"), 270);
        QCOMPARE(rig.view.totalMoney, std::string("2 dol. 70 c."));
    }
};

QTEST_GUILESS_MAIN(FeeTest)
#include "test_fee.moc"
