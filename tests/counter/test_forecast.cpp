#include "../support/TempStore.h"
#include "counter/Forecast.h"
#include "settings/Defaults.h"

#include <QtTest>

#include <limits>

using namespace netrova;

namespace {

void WriteCounter(test::TempStore& store, const QDate& since, int policy, int marker,
                  std::int32_t allTime, std::int32_t allMoney) {
    const std::pair<const char*, int> values[] = {{"Year", since.year()}, {"Month", since.month()},
                                                  {"Day", since.day()},   {"Reset", policy},
                                                  {"Reset14", marker},    {"AllMoney", allMoney}};
    for (const auto& [name, value] : values)
        store.SetInt(Root::LocalMachine, kCounterAllKey, name, value);
    store.SetStr(Root::LocalMachine, kCounterAllKey, "AllTime", std::to_string(allTime));
}

} // namespace

class TestForecast : public QObject {
    Q_OBJECT

private slots:
    void forecast_data();
    void forecast();
    void text_data();
    void text();
    void missingCounterHasNoForecast();
};

void TestForecast::forecast_data() {
    QTest::addColumn<QDate>("since");
    QTest::addColumn<QDate>("today");
    QTest::addColumn<int>("policy");
    QTest::addColumn<int>("marker");
    QTest::addColumn<int>("allTime");
    QTest::addColumn<int>("allMoney");
    QTest::addColumn<int>("time");
    QTest::addColumn<int>("money");
    QTest::addColumn<qint64>("volume"); // bytes forecast for allMoney bytes so far; -1 unknown
    const int max = std::numeric_limits<std::int32_t>::max();

    // Monthly: the reset on 1 January ends a period of 31 days.
    QTest::newRow("first day of the period") << QDate(2026, 12, 1) << QDate(2026, 12, 1) << 2 << 14
                                             << 3600 << 100 << 111600 << 3100 << qint64(-1);
    QTest::newRow("mid-period") << QDate(1999, 7, 1) << QDate(1999, 7, 10) << 2 << 14 << 36000
                                << 1000 << 111600 << 3100 << qint64(3100);
    QTest::newRow("divisions truncate") << QDate(1999, 7, 1) << QDate(1999, 7, 3) << 2 << 14 << 100
                                        << 1 << 1033 << 10 << qint64(10);
    QTest::newRow("last day before the reset")
        << QDate(1999, 7, 1) << QDate(1999, 7, 31) << 2 << 14 << 500 << 7 << 500 << 7 << qint64(7);
    QTest::newRow("reset overdue")
        << QDate(1999, 7, 1) << QDate(1999, 8, 5) << 2 << 14 << 500 << 7 << 500 << 7 << qint64(7);
    QTest::newRow("clock behind the period")
        << QDate(1999, 7, 10) << QDate(1999, 7, 1) << 2 << 14 << 500 << 7 << 500 << 7 << qint64(7);
    // Never: to the end of the current month, however long the counter has run.
    QTest::newRow("never") << QDate(1999, 6, 15) << QDate(1999, 7, 10) << 4 << 14 << 2600 << 260
                           << 4700 << 470 << qint64(470);
    QTest::newRow("never in December") << QDate(1999, 12, 1) << QDate(1999, 12, 16) << 4 << 14
                                       << 1600 << 16 << 3100 << 31 << qint64(31);
    QTest::newRow("unknown policy as never") << QDate(1999, 7, 1) << QDate(1999, 7, 10) << 9 << 14
                                             << 36000 << 1000 << 111600 << 3100 << qint64(3100);
    // Two weeks: to the 14th of the month, or to the 1st of the next.
    QTest::newRow("two weeks, marker 14") << QDate(2000, 2, 3) << QDate(2000, 2, 7) << 1 << 14
                                          << 500 << 50 << 1100 << 110 << qint64(110);
    QTest::newRow("two weeks, marker 1") << QDate(2000, 2, 14) << QDate(2000, 2, 16) << 1 << 1
                                         << 300 << 30 << 1600 << 160 << qint64(160);
    QTest::newRow("two months across the year") << QDate(1999, 11, 20) << QDate(1999, 12, 19) << 3
                                                << 14 << 3000 << 300 << 4200 << 420 << qint64(420);
    QTest::newRow("beyond 32 bits") << QDate(1999, 1, 1) << QDate(1999, 1, 1) << 4 << 14 << max
                                    << max << max << max << qint64(max) * 31;
}

void TestForecast::forecast() {
    QFETCH(QDate, since);
    QFETCH(QDate, today);
    QFETCH(int, policy);
    QFETCH(int, marker);
    QFETCH(int, allTime);
    QFETCH(int, allMoney);
    QFETCH(int, time);
    QFETCH(int, money);
    QFETCH(qint64, volume);
    test::TempStore store;
    WriteCounter(store, since, policy, marker, allTime, allMoney);

    auto counter = CounterTotals(store).Complete();
    QVERIFY(counter);
    // The volume goes at the pace of the money, without its 32-bit bound.
    if (volume >= 0)
        counter->AllVolume = std::uint64_t(std::uint32_t(allMoney));
    const PeriodForecast f =
        ForecastAtReset(*counter, std::chrono::year{today.year()} / today.month() / today.day());
    QCOMPARE(f.Time, time);
    QCOMPARE(f.Money, money);
    QCOMPARE(f.Volume ? qint64(*f.Volume) : qint64(-1), volume);
}

void TestForecast::text_data() {
    QTest::addColumn<int>("time");
    QTest::addColumn<int>("money");
    QTest::addColumn<qint64>("volume"); // -1: unknown
    QTest::addColumn<QString>("text");
    QTest::newRow("hours and money")
        << 45059 << 1420 << qint64(-1) << "By the next reset: about 12 h. 30 min., 14 dol. 20 c.";
    QTest::newRow("under a minute")
        << 59 << 5 << qint64(-1) << "By the next reset: about 0 h. 0 min., 0 dol. 5 c.";
    QTest::newRow("hours past a day")
        << 100 * 3600 << 0 << qint64(-1) << "By the next reset: about 100 h. 0 min., 0 dol. 0 c.";
    QTest::newRow("with the volume")
        << 45059 << 1420 << (qint64(3) << 29)
        << "By the next reset: about 12 h. 30 min., 14 dol. 20 c., 1.5 GiB";
}

void TestForecast::text() {
    QFETCH(int, time);
    QFETCH(int, money);
    QFETCH(qint64, volume);
    QFETCH(QString, text);
    const PeriodForecast forecast{time, money,
                                  volume < 0 ? std::nullopt : std::optional<std::uint64_t>(volume)};
    QCOMPARE(QString::fromStdString(ForecastText(forecast)), text);
}

void TestForecast::missingCounterHasNoForecast() {
    test::TempStore store;
    QVERIFY(!CounterTotals(store).Complete());
    WriteCounter(store, QDate(1999, 7, 1), 2, 14, 90, 5);
    Registry reg(store, Root::LocalMachine);
    QVERIFY(reg.OpenKey(kCounterAllKey, false));
    QVERIFY(reg.DeleteValue("Reset14"));
    reg.CloseKey();
    QVERIFY(!CounterTotals(store).Complete());
}

QTEST_GUILESS_MAIN(TestForecast)
#include "test_forecast.moc"
