// The "History" group's texts and the tray tip, worked out without a window over a real store.
#include "../support/TempStore.h"
#include "common/TStamp.h"
#include "counter/HistoryGroup.h"
#include "settings/Defaults.h"

#include <QtTest>

using namespace netrova;
using namespace netrova::test;

class HistoryGroupTest : public QObject {
    Q_OBJECT

private slots:
    // The reset day and today both count as days.
    void averageTimePerDay_data() {
        QTest::addColumn<int>("allTime");
        QTest::addColumn<int>("daysSinceReset"); // today - "Double"
        QTest::addColumn<int>("average");
        QTest::newRow("3661 s on the reset day") << 3661 << 0 << 3661;
        QTest::newRow("3661 s the next day, truncated") << 3661 << 1 << 1830;
        QTest::newRow("7200 s the next day") << 7200 << 1 << 3600;
        // The clock set back: no day to divide by, or a negative count.
        QTest::newRow("reset day tomorrow") << 3661 << -1 << 3661;
        QTest::newRow("reset day next week") << 3661 << -7 << 3661;
    }
    void averageTimePerDay() {
        QFETCH(int, allTime);
        QFETCH(int, daysSinceReset);
        QFETCH(int, average);
        const int resetDay = DayNumber(2026, 3, 10);
        QCOMPARE(AverageTimePerDay(allTime, resetDay + daysSinceReset, resetDay), average);
    }

    // Everything read from the counter's key, for each reset policy.
    void groupTextsFromTheStore_data() {
        QTest::addColumn<int>("policy");
        QTest::addColumn<int>("marker");
        QTest::addColumn<int>("month");
        QTest::addColumn<QString>("resetOn");
        QTest::newRow("two weeks, the 14th") << 1 << 14 << 3 << "2026 - 3 - 14";
        QTest::newRow("two weeks, next month") << 1 << 1 << 3 << "2026 - 4 - 1";
        QTest::newRow("the month, December") << 2 << 14 << 12 << "2027 - 1 - 1";
        QTest::newRow("two months") << 3 << 14 << 3 << "2026 - 5 - 1";
        QTest::newRow("two months, November") << 3 << 14 << 11 << "2027 - 1 - 1";
        QTest::newRow("two months, December") << 3 << 14 << 12 << "2027 - 2 - 1";
        QTest::newRow("never") << 4 << 14 << 3 << "Never";
        QTest::newRow("unknown policy") << 9 << 14 << 3 << "2026 - 3 - 5";
    }
    void groupTextsFromTheStore() {
        QFETCH(int, policy);
        QFETCH(int, marker);
        QFETCH(int, month);
        QFETCH(QString, resetOn);
        TempStore store;
        store.SetInt(Root::LocalMachine, kCounterAllKey, "Year", 2026);
        store.SetInt(Root::LocalMachine, kCounterAllKey, "Month", month);
        store.SetInt(Root::LocalMachine, kCounterAllKey, "Day", 5);
        store.SetInt(Root::LocalMachine, kCounterAllKey, "Double", DayNumber(2026, 3, 9));
        TStamp today{};
        today.Year = 2026;
        today.Month = 3;
        today.Day = 10;
        const HistoryGroupTexts texts =
            HistoryGroupFor(CounterTotals(store).Since(true), today, 7200, policy, marker);
        QCOMPARE(QString::fromStdString(texts.countingSince),
                 QStringLiteral("2026 - %1 - 5").arg(month));
        QCOMPARE(QString::fromStdString(texts.resetOn), resetOn);
        QCOMPARE(texts.average, std::string("1 h. 0 min. 0 sec."));
    }

    void trayTipIsCutWithoutSplittingACharacter_data() {
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("tip");
        const QString sixtyThree = QString(63, QLatin1Char('x'));
        QTest::newRow("64 bytes") << sixtyThree + "y" << sixtyThree;
        // "é" is two bytes, taking bytes 63 and 64.
        QTest::newRow("a character across the limit")
            << QString(62, QLatin1Char('x')) + QStringLiteral("\u00e9 ]") << QString(62, 'x');
    }
    void trayTipIsCutWithoutSplittingACharacter() {
        QFETCH(QString, status);
        QFETCH(QString, tip);
        QCOMPARE(QString::fromStdString(TrayTipText(status.toStdString())), tip);
    }
};

QTEST_GUILESS_MAIN(HistoryGroupTest)
#include "test_history_group.moc"
