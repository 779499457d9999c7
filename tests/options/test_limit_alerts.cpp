#include "../support/TempStore.h"
#include "options/LimitAlerts.h"

#include <QtTest>

#include <memory>

using namespace netrova;
using namespace std::chrono;

namespace {

const year_month_day kToday{year{2026}, December, day{10}};

} // namespace

class TestLimitAlerts : public QObject {
    Q_OBJECT

private slots:
    void decisions_data();
    void decisions();
    void texts();
};

// Each step: tokens m<cents> v<MiB> L<money limit> p<first day of the period> r (a restart:
// a new object) x (the alert is lost before it is shown); the alerts due in that step.
void TestLimitAlerts::decisions_data() {
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("due");

    QTest::newRow("each threshold once, in order")
        << QStringList{"m500", "m800", "m850", "m900", "m999", "m1000", "m2000"}
        << QStringList{"", "M80", "", "M90", "", "M100", ""};
    QTest::newRow("thresholds crossed together give the highest")
        << QStringList{"m950", "m1000"} << QStringList{"M90", "M100"};
    QTest::newRow("money and data apart")
        << QStringList{"v80", "m800 v80", "m800 v100"} << QStringList{"V80", "M80", "V100"};
    QTest::newRow("a new period gives them again")
        << QStringList{"m900", "m900", "p2 m900", "p2 m900"} << QStringList{"M90", "", "M90", ""};
    QTest::newRow("marks survive a restart")
        << QStringList{"m800", "r m800", "r m900"} << QStringList{"M80", "", "M90"};
    QTest::newRow("an alert lost before it was shown comes again")
        << QStringList{"x m800", "r m800", "m800"} << QStringList{"M80", "M80", ""};
    QTest::newRow("a raised limit gives them again")
        << QStringList{"m1000", "L2000 m1000", "L2000 m1600", "m1600"}
        << QStringList{"M100", "", "M80", "M100"};
    QTest::newRow("no limit, no alert") << QStringList{"L0 m5000"} << QStringList{""};
    QTest::newRow("uncounted volume, no alert") << QStringList{"m0"} << QStringList{""};
}

void TestLimitAlerts::decisions() {
    QFETCH(QStringList, steps);
    QFETCH(QStringList, due);
    test::TempStore store;
    auto alerts = std::make_unique<LimitAlerts>(store);
    for (qsizetype i = 0; i < steps.size(); ++i) {
        LimitSettings limits{.Money = 1000, .Volume = 100};
        PeriodUse use{.Since = year_month_day{year{2026}, December, day{1}}, .Today = kToday};
        bool lost = false;
        for (const QString& token : steps[i].split(' ')) {
            const qint64 n = token.mid(1).toLongLong();
            switch (token[0].toLatin1()) {
            case 'm':
                use.Money = n;
                break;
            case 'v':
                use.Volume = std::uint64_t(n) * 1024 * 1024;
                break;
            case 'L':
                limits.Money = int(n);
                break;
            case 'p':
                use.Since = year_month_day{year{2026}, December, day{unsigned(n)}};
                break;
            case 'r':
                alerts = std::make_unique<LimitAlerts>(store);
                break;
            case 'x':
                lost = true;
                break;
            }
        }
        QStringList given;
        for (const LimitAlert& a : alerts->Due(limits, use)) {
            given << (a.Kind == LimitKind::Money ? "M" : "V") + QString::number(a.Percent);
            if (!lost)
                alerts->MarkGiven(a, use);
        }
        QCOMPARE(given.join(' '), due[i]);
    }
}

void TestLimitAlerts::texts() {
    test::TempStore store;
    LimitAlerts alerts(store);
    const PeriodUse use{.Money = 950,
                        .Volume = std::uint64_t(100) * 1024 * 1024,
                        .Since = year_month_day{year{2026}, December, day{1}},
                        .Today = kToday};
    const auto due = alerts.Due({.Money = 1000, .Volume = 100, .HangUp = true}, use);
    QCOMPARE(due.size(), 2u);
    QCOMPARE(due[0].Summary, "Netrova: 90 % of the money limit");
    QCOMPARE(due[0].Body, "Used 9 dol. 50 c. of 10 dol. 0 c. in this counting period.\n"
                          "At the current pace 100 % is reached on 2026-12-11.");
    QVERIFY(!due[0].Critical && !due[0].HangUpNow);
    QCOMPARE(due[1].Summary, "Netrova: data limit reached");
    QCOMPARE(due[1].Body,
             "Used 100.0 MiB of 100.0 MiB in this counting period.\nThe connection is hung up.");
    QVERIFY(due[1].Critical && due[1].HangUpNow);
}

QTEST_GUILESS_MAIN(TestLimitAlerts)
#include "test_limit_alerts.moc"
