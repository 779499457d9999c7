// Day numbers, weekdays and the fake clock's calendar arithmetic.

#include "common/TStamp.h"
#include "platform/Clock.h"
#include "support/FakeClock.h"

#include <QDate>
#include <QTest>

using namespace netrova;

namespace {

QDate ToQDate(const std::chrono::year_month_day& date) {
    return QDate(int(date.year()), int(unsigned(date.month())), int(unsigned(date.day())));
}

} // namespace

class StampTest : public QObject {
    Q_OBJECT

private slots:
    void dayNumber_data();
    void dayNumber();
    void dayNumbersAgreeWithCalendar();
    void damagedStampKeepsItsDay_data();
    void damagedStampKeepsItsDay();
    void fakeClockAdvance_data();
    void fakeClockAdvance();
};

void StampTest::dayNumber_data() {
    QTest::addColumn<QDate>("date");
    QTest::addColumn<int>("number");
    QTest::addColumn<int>("weekday");
    QTest::newRow("day 0") << QDate(1899, 12, 30) << 0 << 6;
    QTest::newRow("1900-01-01") << QDate(1900, 1, 1) << 2 << 1;
    QTest::newRow("1900 is not leap") << QDate(1900, 3, 1) << 61 << 4;
    QTest::newRow("2000 is leap") << QDate(2000, 2, 29) << 36585 << 2;
    QTest::newRow("after the leap day") << QDate(2000, 3, 1) << 36586 << 3;
    QTest::newRow("Sunday in 1999") << QDate(1999, 7, 4) << 36345 << 0;
    QTest::newRow("2026-01-01") << QDate(2026, 1, 1) << 46023 << 4;
    QTest::newRow("before day 0") << QDate(1800, 1, 1) << -36522 << 3;
}

void StampTest::dayNumber() {
    QFETCH(QDate, date);
    QFETCH(int, number);
    QFETCH(int, weekday);
    QCOMPARE(DayNumber(date.year(), date.month(), date.day()), number);
    QCOMPARE(WeekdayOfDayNumber(number), weekday);
    QCOMPARE(ToQDate(DateFromDayNumber(number)), date);
}

// Every day from 1600 to 2400 against Qt's proleptic Gregorian calendar, both ways.
void StampTest::dayNumbersAgreeWithCalendar() {
    const QDate epoch(1899, 12, 30);
    const int first = static_cast<int>(epoch.daysTo(QDate(1600, 1, 1)));
    const int last = static_cast<int>(epoch.daysTo(QDate(2400, 12, 31)));
    for (int n = first; n <= last; ++n) {
        const QDate date = epoch.addDays(n);
        const QDate got = ToQDate(DateFromDayNumber(n));
        if (got != date || DayNumber(got.year(), got.month(), got.day()) != n ||
            WeekdayOfDayNumber(n) != date.dayOfWeek() % 7)
            QFAIL(qPrintable(QString("day %1 (%2) gives %3, weekday %4")
                                 .arg(n)
                                 .arg(date.toString(Qt::ISODate))
                                 .arg(got.toString(Qt::ISODate))
                                 .arg(WeekdayOfDayNumber(n))));
    }
}

// A damaged record's stamp is counted where its fields fall, as history files have always had
// it counted.
void StampTest::damagedStampKeepsItsDay_data() {
    QTest::addColumn<int>("year");
    QTest::addColumn<int>("month");
    QTest::addColumn<int>("day");
    QTest::addColumn<int>("number");
    QTest::newRow("month 0, the December before") << 2000 << 0 << 1 << 36495;
    QTest::newRow("month 15, in blocks of 153 days") << 1999 << 15 << 1 << 36587;
    QTest::newRow("29 February 2001") << 2001 << 2 << 29 << 36951;
    QTest::newRow("largest fields") << 65535 << 65535 << 65535 << 25313080;
}

void StampTest::damagedStampKeepsItsDay() {
    QFETCH(int, year);
    QFETCH(int, month);
    QFETCH(int, day);
    const TStamp s{std::uint16_t(year), std::uint16_t(month), 0, std::uint16_t(day)};
    QTEST(DayNumber(s), "number");
}

void StampTest::fakeClockAdvance_data() {
    QTest::addColumn<QDateTime>("from");
    QTest::addColumn<int>("seconds");
    QTest::addColumn<QDateTime>("to");
    auto at = [](int y, int mo, int d, int h, int mi, int s) {
        return QDateTime(QDate(y, mo, d), QTime(h, mi, s), Qt::UTC);
    };
    QTest::newRow("midnight") << at(2026, 1, 1, 23, 59, 59) << 1 << at(2026, 1, 2, 0, 0, 0);
    QTest::newRow("month end") << at(2026, 4, 30, 23, 0, 0) << 3600 << at(2026, 5, 1, 0, 0, 0);
    QTest::newRow("year end") << at(2025, 12, 31, 23, 59, 30) << 45 << at(2026, 1, 1, 0, 0, 15);
    QTest::newRow("into leap day")
        << at(2024, 2, 28, 12, 0, 0) << 86400 << at(2024, 2, 29, 12, 0, 0);
    QTest::newRow("out of leap day") << at(2024, 2, 29, 23, 59, 59) << 1 << at(2024, 3, 1, 0, 0, 0);
    QTest::newRow("2100 has no leap day")
        << at(2100, 2, 28, 6, 0, 0) << 86400 << at(2100, 3, 1, 6, 0, 0);
    QTest::newRow("2000 has one") << at(2000, 2, 28, 6, 0, 0) << 86400 << at(2000, 2, 29, 6, 0, 0);
    QTest::newRow("backwards over midnight")
        << at(2026, 1, 1, 0, 0, 0) << -1 << at(2025, 12, 31, 23, 59, 59);
    QTest::newRow("a whole leap year")
        << at(2024, 1, 1, 8, 30, 0) << 366 * 86400 << at(2025, 1, 1, 8, 30, 0);
}

void StampTest::fakeClockAdvance() {
    QFETCH(QDateTime, from);
    QFETCH(int, seconds);
    QFETCH(QDateTime, to);
    FakeClock clock;
    clock.Set(from.date().year(), from.date().month(), from.date().day(), from.time().hour(),
              from.time().minute(), from.time().second());
    clock.Advance(seconds);
    const TStamp now = clock.Now();
    QCOMPARE(QDateTime(QDate(now.Year, now.Month, now.Day), QTime(now.Hour, now.Minute, now.Second),
                       Qt::UTC),
             to);
    QCOMPARE(int(now.DayOfWeek), to.date().dayOfWeek() % 7);
    QCOMPARE(int(now.Reserved), 0);
}

QTEST_GUILESS_MAIN(StampTest)
#include "test_stamp.moc"
