#include "common/TStamp.h"
#include "statistics/LimitReach.h"
#include "statistics/UsagePerDay.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace netrova;

namespace {

THistoryRecord Record(int y, int m, int d, int hour, std::int32_t seconds, std::int32_t fee) {
    THistoryRecord r{};
    r.Started = TStamp{
        std::uint16_t(y), std::uint16_t(m), 0, std::uint16_t(d), std::uint16_t(hour), 0, 0, 0};
    r.Ended = r.Started;
    r.Duration = seconds;
    r.Fee = fee;
    return r;
}

} // namespace

class TestUsagePerDay : public QObject {
    Q_OBJECT

private slots:
    void periodDays_data();
    void periodDays();
    void limitReachDay_data();
    void limitReachDay();
};

void TestUsagePerDay::periodDays_data() {
    QTest::addColumn<int>("today"); // days after 30 December 1999, the first day
    // connections/seconds/cents/received/sent per day from 30 December
    QTest::addColumn<QString>("days");
    // The period began on 30 December; the history is in the order connections ended.
    QTest::newRow("today 3 January")
        << 4 << "2/5400/150/2000/1000 0/0/0/0/0 0/0/0/0/0 1/60/1/10/20 2/7260/1201/100/200";
    // Later stamps (a clock that was set wrong) go to the last day.
    QTest::newRow("today 1 January") << 2 << "2/5400/150/2000/1000 0/0/0/0/0 3/7320/1202/110/220";
    QTest::newRow("clock before the period") << -8 << "5/12720/1352/2110/1220";
}

void TestUsagePerDay::periodDays() {
    QFETCH(int, today);
    QFETCH(QString, days);
    QTemporaryDir dir;
    const std::string path = dir.path().toStdString();
    // Ended before the period: not shown. Running at the reset on 30 December: its hour after
    // midnight and half its fee count on the period's first day.
    QVERIFY(AppendHistoryRecord(path, Record(1999, 12, 1, 10, 600, 40)));
    QVERIFY(AppendHistoryRecord(path, Record(1999, 12, 29, 23, 7200, 200)));
    QVERIFY(AppendHistoryRecord(path, Record(1999, 12, 30, 8, 1800, 50)));
    // Started before midnight: the day it started.
    QVERIFY(AppendHistoryRecord(path, Record(2000, 1, 2, 23, 60, 1)));
    QVERIFY(AppendHistoryRecord(path, Record(2000, 1, 3, 0, 7200, 1200)));
    QVERIFY(AppendHistoryRecord(path, Record(2000, 1, 3, 22, 60, 1)));
    // Volumes: the one running at the reset counts by the same share as its fee; the third
    // record's volume belongs to another connection and the last one has none.
    const std::pair<THistoryRecord, Volume> volumes[] = {
        {Record(1999, 12, 1, 10, 600, 40), {1000, 1000}},
        {Record(1999, 12, 29, 23, 7200, 200), {4000, 2000}},
        {Record(1999, 12, 30, 9, 1800, 50), {7, 7}},
        {Record(2000, 1, 2, 23, 60, 1), {10, 20}},
        {Record(2000, 1, 3, 0, 7200, 1200), {100, 200}}};
    for (std::size_t i = 0; i < std::size(volumes); ++i)
        QVERIFY(WriteVolumeRecord(path, i, VolumeRecordOf(volumes[i].first, volumes[i].second)));

    const int first = DayNumber(1999, 12, 30);
    const auto usage = UsagePerDay(path, first, first + today);
    QStringList got;
    for (std::size_t i = 0; i < usage.size(); ++i) {
        QCOMPARE(usage[i].Day, first + int(i));
        got << QString("%1/%2/%3/%4/%5")
                   .arg(usage[i].Connections)
                   .arg(usage[i].Time)
                   .arg(usage[i].Money)
                   .arg(usage[i].Received)
                   .arg(usage[i].Sent);
    }
    QCOMPARE(got.join(' '), days);
}

void TestUsagePerDay::limitReachDay_data() {
    QTest::addColumn<int>("today"); // days after the period's first day
    QTest::addColumn<qulonglong>("used");
    QTest::addColumn<qulonglong>("limit");
    QTest::addColumn<int>("reached"); // days after the first day; -1: never at this pace
    // The first day counts: 100 a day over two days reaches 500 on the fifth day.
    QTest::newRow("pace") << 1 << 200ULL << 500ULL << 4;
    QTest::newRow("exactly at the end of a day") << 0 << 250ULL << 500ULL << 1;
    QTest::newRow("just past a day") << 0 << 249ULL << 500ULL << 2;
    QTest::newRow("reached already") << 5 << 600ULL << 500ULL << 5;
    QTest::newRow("nothing used") << 3 << 0ULL << 500ULL << -1;
    QTest::newRow("clock before the period") << -2 << 10ULL << 500ULL << -1;
    // Bytes past 32 bits, and a pace too slow for any calendar.
    QTest::newRow("gigabytes") << 9 << 3ULL * 1073741824 << 10ULL * 1073741824 << 33;
    QTest::newRow("at the limit") << 0 << 1ULL << 1ULL << 0;
    QTest::newRow("too slow") << 0 << 1ULL << 100000000ULL << -1;
}

void TestUsagePerDay::limitReachDay() {
    QFETCH(int, today);
    QFETCH(qulonglong, used);
    QFETCH(qulonglong, limit);
    QFETCH(int, reached);
    const int first = DayNumber(2026, 1, 1);
    const std::optional<int> day = LimitReachDay(first, first + today, used, limit);
    QCOMPARE(day ? *day - first : -1, reached);
}

QTEST_GUILESS_MAIN(TestUsagePerDay)
#include "test_usage_per_day.moc"
