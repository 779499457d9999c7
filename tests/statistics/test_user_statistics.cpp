#include "support/HistoryTestSupport.h"

#include "../support/TempStore.h"
#include "settings/Defaults.h"
#include "settings/MachineSettings.h"
#include "statistics/UserStatistics.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace netrova;
using namespace netrova::test;

namespace {

QStringList Texts(const std::vector<UserTotals>& users) {
    QStringList rows;
    for (const UserTotals& u : users) {
        QStringList cells;
        for (int c = 0; c < kUsersColumnCount; ++c)
            cells << QString::fromStdString(UsersText(u, c));
        rows << cells.join('|');
    }
    return rows;
}

} // namespace

class TestUserStatistics : public QObject {
    Q_OBJECT

private slots:
    void sums_data();
    void sums();
    void sorts_data();
    void sorts();
    void crashRate_data();
    void crashRate();
    void formatRate_data();
    void formatRate();
    void crashCount();
};

void TestUserStatistics::sums_data() {
    QTest::addColumn<bool>("writeHistory");
    QTest::addColumn<QStringList>("rows");

    QTest::newRow("missing history") << false << QStringList{};
    // Of A's volume only the first connection's is known; Default's is not known at all.
    QTest::newRow("first occurrence order, case-sensitive, 5400 s and 1205 c.")
        << true
        << QStringList{"A|2|1:30:0|12 d. 5 c.|1.5 KiB", "Default|1|0:0:1|0 d. 2 c.|\u2013",
                       "default|1|0:0:3|0 d. 4 c.|0 B"};
}

void TestUserStatistics::sums() {
    QFETCH(bool, writeHistory);
    QFETCH(QStringList, rows);

    QTemporaryDir dir;
    const std::string path = dir.path().toStdString();
    if (writeHistory) {
        const THistoryRecord a = Connection("A", 1000, 5000), other = Connection("default", 4, 3);
        WriteHistory(path, {a, Connection("Default", 2, 1), Connection("A", 205, 400), other});
        QVERIFY(WriteVolumeRecord(path, 0, VolumeRecordOf(a, Volume{1024, 512})));
        QVERIFY(WriteVolumeRecord(path, 3, VolumeRecordOf(other, Volume{0, 0})));
    }
    std::vector<UserTotals> users{UserTotals{"left over"}};
    QVERIFY(SumUsers(path, users));
    QCOMPARE(Texts(users), rows);
    if (writeHistory)
        QCOMPARE(UsersToolTip(users[0], ucVolume), std::string("Received: 1.0 KiB, sent: 512 B"));
    // Summing again starts afresh: a second opening shows the same counts.
    QVERIFY(SumUsers(path, users));
    QCOMPARE(Texts(users), rows);
}

void TestUserStatistics::sorts_data() {
    QTest::addColumn<QList<int>>("clicks");
    QTest::addColumn<QStringList>("names");

    // Users: a 10 connections 10:0:0 5 d. 0 c. 5 B; b 9, 9:0:0, 10 d. 0 c., volume unknown;
    // B 1, 36:0:0, 0 d. 99 c., 1 B.
    QTest::newRow("connections ascending: 9 before 10")
        << QList<int>{ucTotalTime, ucConnections} << QStringList{"B", "b", "a"};
    QTest::newRow("first click on the start column: ascending")
        << QList<int>{ucConnections} << QStringList{"B", "b", "a"};
    QTest::newRow("total time ascending: 9:0:0 before 10:0:0")
        << QList<int>{ucTotalTime} << QStringList{"b", "a", "B"};
    QTest::newRow("total time twice: descending")
        << QList<int>{ucTotalTime, ucTotalTime} << QStringList{"B", "a", "b"};
    QTest::newRow("total fee by cents") << QList<int>{ucTotalFee} << QStringList{"B", "a", "b"};
    QTest::newRow("names byte by byte") << QList<int>{ucUserName} << QStringList{"B", "a", "b"};
    QTest::newRow("volume: unknown below 0") << QList<int>{ucVolume} << QStringList{"b", "B", "a"};
}

void TestUserStatistics::sorts() {
    QFETCH(QList<int>, clicks);
    QFETCH(QStringList, names);

    std::vector<UserTotals> users{{"a", 10, 36000, 500, Volume{5, 0}},
                                  {"b", 9, 32400, 1000},
                                  {"B", 1, 129600, 99, Volume{0, 1}}};
    SortState sort = UsersSort();
    QCOMPARE(sort.SortColumn, int(ucConnections));
    for (const int column : clicks)
        UsersColumnClick(sort, column, users);
    QStringList shown;
    for (const UserTotals& u : users)
        shown << QString::fromStdString(u.User);
    QCOMPARE(shown, names);
}

void TestUserStatistics::crashRate_data() {
    QTest::addColumn<int>("crashes");
    QTest::addColumn<int>("seconds");
    QTest::addColumn<QString>("shown");

    QTest::newRow("below an hour") << 7 << 3599 << "0";
    QTest::newRow("one hour, one crash") << 1 << 3600 << "1";
    QTest::newRow("one crash in three hours") << 1 << 10800 << "0.333";
    QTest::newRow("two crashes in two hours") << 2 << 7200 << "1";
    QTest::newRow("no crash") << 0 << 36000 << "0";
    QTest::newRow("very rare: exponent form") << 1 << 2147483647 << "1.68E-06";
    QTest::newRow("very many: exponent form") << 5000 << 3600 << "5E+03";
}

void TestUserStatistics::crashRate() {
    QFETCH(int, crashes);
    QFETCH(int, seconds);
    QFETCH(QString, shown);
    QCOMPARE(QString::fromStdString(FormatRate(CrashRate(crashes, seconds))), shown);
}

void TestUserStatistics::formatRate_data() {
    QTest::addColumn<float>("rate");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QString>("shown");

    QTest::newRow("decimal comma") << 1.0f / 3 << ","
                                   << "0,333";
    QTest::newRow("three digits before the point") << 123.4f << "."
                                                   << "123";
    QTest::newRow("rounds up to four digits") << 999.7f << "."
                                              << "1E+03";
    QTest::newRow("more digits") << 1234.5f << ","
                                 << "1,23E+03";
    QTest::newRow("small but fixed") << 0.0000123f << "."
                                     << "0.0000123";
    QTest::newRow("below 0.00001") << 0.00000999f << "."
                                   << "9.99E-06";
    QTest::newRow("trailing zeros dropped") << 2.5f << "."
                                            << "2.5";
    QTest::newRow("negative") << -0.5f << "."
                              << "-0.5";
}

void TestUserStatistics::formatRate() {
    QFETCH(float, rate);
    QFETCH(QString, separator);
    QFETCH(QString, shown);
    QCOMPARE(QString::fromStdString(FormatRate(rate, separator.toStdString())), shown);
}

void TestUserStatistics::crashCount() {
    TempStore ts;
    QCOMPARE(MachineSettings(ts).CrashCount(), 0); // no key
    ts.SetStr(Root::LocalMachine, kUsersKey, "Other", "x");
    QCOMPARE(MachineSettings(ts).CrashCount(), 0); // no value
    ts.SetInt(Root::LocalMachine, kUsersKey, "Crash", 3);
    QCOMPARE(MachineSettings(ts).CrashCount(), 3);
}

QTEST_GUILESS_MAIN(TestUserStatistics)
#include "test_user_statistics.moc"
