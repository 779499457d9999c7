// Counter totals, resets and the reset schedule, driven through a real monitor.
#include "CounterTestSupport.h"

#include "common/Text.h"
#include "counter/CounterText.h"
#include "counter/Forecast.h"
#include "history/KeptRecords.h"
#include "reports/Report.h"

#include <QDir>
#include <QFileInfo>
#include <QtTest>

#include <sqlite3.h>

using namespace netrova;
using namespace netrova::test;

namespace {

void AddRecords(MonitorRig& rig, int count) {
    THistoryRecord r{};
    r.Started = r.Ended = rig.clock.Now();
    SetFieldText(r.Provider, "P");
    for (int i = 0; i < count; ++i)
        QVERIFY(AppendHistoryRecord(rig.ProgramPath(), r));
}

// Connected on Monday 7 December 2026 at 7 cents a minute, counted for 80 s (connect delay 10).
void Connect(MonitorRig& rig) {
    Tariff t;
    t.ocpd = 1;
    t.dayCost = 7;
    rig.SetTariff("P", "1", t);
    rig.Dial("P");
    rig.Ticks(71);
    QCOMPARE(rig.state().Elapsed, 80);
    QCOMPARE(rig.state().ConnMoney, 14);
}

QString ReportFile(MonitorRig& rig, const char* name) {
    return QString::fromStdString(ReportsPath(rig.ProgramPath())) + "/" + name;
}

} // namespace

class CounterTest : public QObject {
    Q_OBJECT

private slots:
    void resetOnText_data() {
        QTest::addColumn<int>("policy");
        QTest::addColumn<int>("marker");
        QTest::addColumn<int>("month");
        QTest::addColumn<QString>("text");
        QTest::newRow("two weeks, marker 14") << 1 << 14 << 12 << "1999 - 12 - 14";
        QTest::newRow("two weeks, marker 1") << 1 << 1 << 7 << "1999 - 8 - 1";
        QTest::newRow("two weeks, marker 1, December") << 1 << 1 << 12 << "2000 - 1 - 1";
        QTest::newRow("month") << 2 << 14 << 11 << "1999 - 12 - 1";
        QTest::newRow("month, December") << 2 << 14 << 12 << "2000 - 1 - 1";
        QTest::newRow("two months") << 3 << 14 << 10 << "1999 - 12 - 1";
        QTest::newRow("two months, November") << 3 << 14 << 11 << "2000 - 1 - 1";
        QTest::newRow("two months, December") << 3 << 14 << 12 << "2000 - 2 - 1";
        QTest::newRow("never") << 4 << 14 << 12 << "Never";
        QTest::newRow("other policy: counting since") << 0 << 14 << 11 << "1999 - 11 - 5";
    }
    void resetOnText() {
        QFETCH(int, policy);
        QFETCH(int, marker);
        QFETCH(int, month);
        QTEST(QString::fromStdString(ResetOnText(1999, month, 5, policy, marker)), "text");
    }

    // Counting since `since`, the program starts on `today`.
    void scheduledCheck_data() {
        QTest::addColumn<int>("policy");
        QTest::addColumn<int>("marker");
        QTest::addColumn<QDate>("since");
        QTest::addColumn<QDate>("today");
        QTest::addColumn<bool>("resets");
        const auto row = [](const char* name, int policy, int marker, QDate since, QDate today,
                            bool resets) {
            QTest::newRow(name) << policy << marker << since << today << resets;
        };
        row("month: same month", 2, 14, {1999, 12, 5}, {1999, 12, 31}, false);
        row("month: across the year end", 2, 14, {1999, 12, 5}, {2000, 1, 3}, true);
        row("month: January missed", 2, 14, {1999, 12, 5}, {2000, 2, 1}, true);
        row("month: a year later", 2, 14, {1999, 6, 5}, {2000, 6, 1}, true);
        row("two months: one month on", 3, 14, {1999, 11, 20}, {1999, 12, 31}, false);
        row("two months: November to January", 3, 14, {1999, 11, 20}, {2000, 1, 1}, true);
        row("two months: December to February", 3, 14, {1999, 12, 5}, {2000, 2, 1}, true);
        row("two months: December to January", 3, 14, {1999, 12, 5}, {2000, 1, 31}, false);
        row("marker 14: the 13th", 1, 14, {2000, 3, 3}, {2000, 3, 13}, false);
        row("marker 14: the 14th", 1, 14, {2000, 3, 3}, {2000, 3, 14}, true);
        row("marker 14: next month", 1, 14, {2000, 3, 3}, {2000, 4, 2}, true);
        row("marker 1: same month", 1, 1, {2000, 3, 20}, {2000, 3, 31}, false);
        row("marker 1: next month", 1, 1, {2000, 3, 20}, {2000, 4, 1}, true);
        row("marker 1: a year later", 1, 1, {2000, 3, 20}, {2001, 3, 1}, true);
        row("never", 4, 14, {1999, 1, 1}, {2003, 1, 1}, false);
        row("policy out of range", 7, 14, {1999, 1, 1}, {2003, 1, 1}, false);
        row("policy 0", 0, 1, {1999, 1, 1}, {2003, 1, 1}, false);
    }
    void scheduledCheck() {
        QFETCH(int, policy);
        QFETCH(int, marker);
        QFETCH(QDate, since);
        QFETCH(QDate, today);
        QFETCH(bool, resets);
        MonitorRig rig;
        rig.clock.Set(today.year(), today.month(), today.day(), 9, 0, 0);
        StartCounting(rig, policy, marker, since.year(), since.month(), since.day());
        AddRecords(rig, 1);

        QCOMPARE(CounterOf(rig).CheckScheduledReset(), resets);
        QCOMPARE(rig.state().ResetPolicy, policy);
        const QDate countingSince = resets ? today : since;
        QCOMPARE(QDate(Stored(rig, "Year"), Stored(rig, "Month"), Stored(rig, "Day")),
                 countingSince);
        QCOMPARE(rig.Records().size(), std::size_t(resets ? 0 : 1));
    }

    // Two-weeks periods follow each other: each reset moves the marker on, so later starts in
    // the new period keep its history.
    void twoWeeksPeriodsFollowEachOther() {
        MonitorRig rig;
        rig.clock.Set(2000, 3, 14, 9, 0, 0);
        StartCounting(rig, 1, 14, 2000, 3, 3);
        QVERIFY(CounterOf(rig).CheckScheduledReset());
        QCOMPARE(rig.state().ResetDay, 1);
        QCOMPARE(Stored(rig, "Reset14"), 1);
        AddRecords(rig, 1);

        struct Start {
            QDate day;
            bool resets;
            int marker;
        };
        for (const Start& s : {Start{{2000, 3, 20}, false, 1}, Start{{2000, 3, 31}, false, 1},
                               Start{{2000, 4, 1}, true, 14}, Start{{2000, 4, 13}, false, 14},
                               Start{{2000, 4, 15}, true, 1}}) {
            rig.Crash();
            rig.clock.Set(s.day.year(), s.day.month(), s.day.day(), 9, 0, 0);
            rig.Start();
            QCOMPARE(CounterOf(rig).CheckScheduledReset(), s.resets);
            QCOMPARE(Stored(rig, "Reset14"), s.marker);
            QCOMPARE(rig.Records().size(), std::size_t(s.resets ? 0 : 1));
            AddRecords(rig, s.resets ? 1 : 0);
        }
        // Other policies leave the marker alone.
        rig.store.SetInt(Root::LocalMachine, kCounterAllKey, "Reset", 2);
        rig.Crash();
        rig.clock.Set(2000, 5, 3, 9, 0, 0);
        rig.Start();
        QVERIFY(CounterOf(rig).CheckScheduledReset());
        QCOMPARE(Stored(rig, "Reset14"), 1);
    }

    void resetDuringConnectionKeepsCountingIt() {
        MonitorRig rig;
        rig.store.SetInt(Root::LocalMachine, kCounterAllKey, "AllMoney", 5000);
        rig.store.SetStr(Root::LocalMachine, kCounterAllKey, "AllTime", "90000");
        rig.Start();
        Connect(rig);
        // A store held by another program refuses the reset: the old period stays whole, in
        // the store and in the monitor alike.
        {
            sqlite3* other = nullptr;
            sqlite3_open(rig.store.machinePath().c_str(), &other);
            QCOMPARE(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
            rig.store.store().SetBusyTimeout(50);
            QVERIFY_THROWS_EXCEPTION(StoreBusyError, CounterOf(rig).ResetCounter(2026, 12, 7, 0));
            sqlite3_close(other);
        }
        QCOMPARE(rig.state().AllMoney, 5014);
        QCOMPARE(rig.state().AllTime, 90080);
        QCOMPARE(Stored(rig, "AllMoney"), 5000);
        CounterOf(rig).ResetCounter(2026, 12, 7, 0);
        QCOMPARE(rig.state().AllMoney, 14);
        QCOMPARE(rig.state().AllTime, 80);

        rig.Ticks(60);
        QCOMPARE(rig.state().AllMoney, 21);
        QCOMPARE(rig.state().AllTime, 140);
        rig.Hangup();
        rig.Tick();
        QCOMPARE(Stored(rig, "AllMoney"), 21);
        QCOMPARE(rig.store.Str(Root::LocalMachine, kCounterAllKey, "AllTime"), std::string("140"));
        const auto records = rig.Records();
        QCOMPARE(records.size(), std::size_t(1));
        QCOMPARE(FieldText(records[0].TotalFeeText), std::string("0 dol. 21 c."));
    }

    // The connection was recorded in the old period: the new one starts from nothing.
    void resetAfterFinishedConnectionStartsFromZero() {
        MonitorRig rig;
        rig.Start();
        Connect(rig);
        rig.Hangup();
        rig.Tick();
        CounterOf(rig).ResetCounter(2026, 12, 7, 1);
        QCOMPARE(rig.state().AllMoney, 0);
        QCOMPARE(rig.state().AllTime, 0);
        QCOMPARE(Stored(rig, "AllMoney"), 0);
        QCOMPARE(rig.store.Str(Root::LocalMachine, kCounterAllKey, "AllTime"), std::string("0"));
        // The old period's report has that connection; the next connection counts alone.
        QCOMPARE(QFileInfo(ReportFile(rig, "2026-12-7.rpt")).size(), 142 * (4 + 2));
        rig.Dial("P");
        rig.Tick();
        QCOMPARE(rig.state().AllMoney, 7);
        QCOMPARE(rig.state().AllTime, 10);
    }

    // A crash after a reset during a connection recovers the connection into the new period
    // once, not on top of what it had cost before the reset.
    void crashAfterResetDuringConnectionCountsItOnce() {
        MonitorRig rig;
        rig.Start();
        Connect(rig);
        CounterOf(rig).ResetCounter(2026, 12, 7, 0);
        rig.Ticks(60);
        rig.Crash();
        rig.Hangup();
        rig.mon().StartMonitor();
        QCOMPARE(rig.state().AllMoney, 21);
        QCOMPARE(rig.state().AllTime, 140);
        QCOMPARE(Stored(rig, "AllMoney"), 21);
    }

    void resetSteps_data() {
        QTest::addColumn<int>("withReport");
        QTest::newRow("with report") << 1;
        QTest::newRow("report 0 still empties the history") << 0;
    }
    void resetSteps() {
        QFETCH(int, withReport);
        MonitorRig rig;
        rig.Start();
        AddRecords(rig, 3);
        // A connection of the old period still waits in the store for the history file.
        {
            THistoryRecord kept = rig.Records().back();
            SetFieldText(kept.Provider, "Kept");
            Registry reg(rig.store, Root::LocalMachine);
            reg.OpenKey(kUnsavedHistoryKey, true);
            reg.WriteBinary(kUnsavedHistoryValue, &kept, sizeof kept);
            reg.CloseKey();
        }
        rig.store.SetInt(Root::LocalMachine, kUsersKey, "Crash", 4);
        CounterOf(rig).ResetCounter(2026, 12, 9, withReport);

        QCOMPARE(QFileInfo::exists(ReportFile(rig, "2026-12-9.rpt")), withReport == 1);
        if (withReport)
            QCOMPARE(QFileInfo(ReportFile(rig, "2026-12-9.rpt")).size(), 142 * (4 + 2 * 4));
        // Nor does it come into the new period at the next start.
        rig.Crash();
        rig.Start();
        QCOMPARE(rig.Records().size(), std::size_t(0));
        QCOMPARE(QFileInfo(QString::fromStdString(HistoryPath(rig.ProgramPath()))).size(), 0);
        QCOMPARE(rig.store.Int(Root::LocalMachine, kUsersKey, "Crash"), 0);
        QCOMPARE(Stored(rig, "Double"), DayNumber(2026, 12, 9));
        QCOMPARE(Stored(rig, "Year"), 2026);
        QCOMPARE(Stored(rig, "Month"), 12);
        QCOMPARE(Stored(rig, "Day"), 9);
        QVERIFY(rig.boxes.shown().empty());
    }

    void historyThatCannotBeEmptiedIsNamed() {
        MonitorRig rig;
        rig.Start();
        rig.store.SetInt(Root::LocalMachine, kUsersKey, "Crash", 2);
        const std::string history = HistoryPath(rig.ProgramPath());
        QVERIFY(QDir().mkdir(QString::fromStdString(history)));
        CounterOf(rig).ResetCounter(2026, 12, 7, 0);

        QCOMPARE(rig.store.Int(Root::LocalMachine, kUsersKey, "Crash"), 0);
        QCOMPARE(Stored(rig, "Day"), 7);
        QCOMPARE(rig.boxes.shown().size(), std::size_t(1));
        QCOMPARE(rig.boxes.shown()[0].icon, MsgIcon::Stop);
        QCOMPARE(rig.boxes.shown()[0].text,
                 "The history file " + history + " could not be emptied: it is a folder.");
    }

    // With "Report" 1 a period ends only with its report on disk: nothing is reset, one stop box
    // says why, and a scheduled reset comes again at the next start.
    void failedReportResetsNothing_data() {
        QTest::addColumn<bool>("scheduled");
        QTest::newRow("by hand") << false;
        QTest::newRow("scheduled") << true;
    }
    void failedReportResetsNothing() {
        QFETCH(bool, scheduled);
        MonitorRig rig;
        rig.clock.Set(2026, 12, 20, 9, 0, 0);
        rig.store.SetInt(Root::LocalMachine, kCounterAllKey, "AllMoney", 40);
        rig.store.SetInt(Root::LocalMachine, kUsersKey, "Crash", 2);
        StartCounting(rig, 2, 14, 2026, 11, 3, 1);
        AddRecords(rig, 2);
        const QString reports = QString::fromStdString(ReportsPath(rig.ProgramPath()));
        QDir(reports).removeRecursively();
        QFile file(reports);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();

        QVERIFY(!(scheduled ? CounterOf(rig).CheckScheduledReset()
                            : CounterOf(rig).ResetCounter(2026, 12, 20, 1)));
        QCOMPARE(rig.Records().size(), std::size_t(2));
        QCOMPARE(Stored(rig, "AllMoney"), 40);
        QCOMPARE(Stored(rig, "Month"), 11);
        QCOMPARE(rig.store.Int(Root::LocalMachine, kUsersKey, "Crash"), 2);
        QCOMPARE(rig.boxes.shown().size(), std::size_t(1));
        QCOMPARE(rig.boxes.shown()[0].icon, MsgIcon::Stop);
        QCOMPARE(rig.boxes.shown()[0].text,
                 "The report " + reports.toStdString() +
                     "/2026-12-20.rpt could not be written: Not a directory. " +
                     (scheduled ? "The counter is reset at the next start instead."
                                : "Nothing was reset."));

        QVERIFY(QFile::remove(reports));
        rig.Crash();
        rig.Start();
        QVERIFY(CounterOf(rig).CheckScheduledReset());
        QCOMPARE(rig.Records().size(), std::size_t(0));
        QCOMPARE(QFileInfo(ReportFile(rig, "2026-12-20.rpt")).size(), 142 * (4 + 2 * 2));
    }

    // Counting-since values the program cannot have written are named at start and never reset
    // nor forecast, however they would overflow the reset date.
    void damagedSinceNeverResets_data() {
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("day");
        QTest::addColumn<bool>("damaged");
        QTest::addColumn<bool>("resets");
        QTest::newRow("largest year") << 2147483647 << 12 << 5 << true << false;
        QTest::newRow("smallest year") << (-2147483647 - 1) << 1 << 1 << true << false;
        QTest::newRow("year 1979") << 1979 << 12 << 31 << true << false;
        QTest::newRow("month 13") << 2000 << 13 << 1 << true << false;
        QTest::newRow("day 0") << 2000 << 5 << 0 << true << false;
        QTest::newRow("1980-1-1 is sane") << 1980 << 1 << 1 << false << true;
    }
    void damagedSinceNeverResets() {
        QFETCH(int, year);
        QFETCH(int, month);
        QFETCH(int, day);
        QFETCH(bool, damaged);
        MonitorRig rig;
        rig.clock.Set(2026, 12, 20, 9, 0, 0);
        StartCounting(rig, 3, 14, year, month, day);
        AddRecords(rig, 1);

        QTEST(CounterOf(rig).CheckScheduledReset(), "resets");
        QCOMPARE(rig.boxes.shown().size(), std::size_t(damaged ? 1 : 0));
        if (damaged) {
            QCOMPARE(rig.boxes.shown()[0].text, DamagedSinceText(year, month, day));
            QCOMPARE(rig.Records().size(), std::size_t(1));
            QCOMPARE(ResetOnText(year, month, day, 3, 14), CountingSinceText(year, month, day));
        }
        QCOMPARE(CounterPeriod(rig.store, rig.clock.Now(), 3600, 100).has_value(), !damaged);
    }

    // A start finds what a crash left: a report's temporaries go, everything else stays.
    void startRemovesReportTemporaries() {
        MonitorRig rig;
        rig.Start();
        AddRecords(rig, 1);
        const QString reports = QString::fromStdString(ReportsPath(rig.ProgramPath()));
        QVERIFY(QDir().mkpath(reports));
        for (const char* name :
             {".2026-12-7.rpt.Ab12Zx", ".2026-12-7.rpt", "2026-12-6.rpt", ".x"}) {
            QFile f(reports + "/" + name);
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        QVERIFY(!Counter::FinishInterruptedReset(rig.store, rig.boxes));
        QCOMPARE(QDir(reports).entryList(QDir::Files | QDir::Hidden, QDir::Name),
                 (QStringList{".2026-12-7.rpt", ".x", "2026-12-6.rpt"}));
        QCOMPARE(rig.Records().size(), std::size_t(1));
    }

    void resetCommand_data() {
        QTest::addColumn<bool>("yes");
        QTest::addColumn<int>("report");
        QTest::newRow("no") << false << 1;
        QTest::newRow("yes, report on") << true << 1;
        QTest::newRow("yes, report off") << true << 0;
    }
    void resetCommand() {
        QFETCH(bool, yes);
        QFETCH(int, report);
        MonitorRig rig;
        rig.clock.Set(2026, 12, 20, 9, 0, 0);
        StartCounting(rig, 4, 14, 2026, 12, 1, report);
        AddRecords(rig, 1);
        rig.boxes.Answer(yes ? MsgResult::Yes : MsgResult::No);

        QCOMPARE(CounterOf(rig).ResetCounterClick(), yes);
        QCOMPARE(rig.boxes.shown().at(0).text, std::string("Are you sure to reset counter ?"));
        QCOMPARE(rig.boxes.shown()[0].icon, MsgIcon::Question);
        QCOMPARE(rig.boxes.shown()[0].buttons, MsgButtons::YesNoDefaultNo);
        QCOMPARE(Stored(rig, "Day"), yes ? 20 : 1);
        QCOMPARE(rig.Records().size(), std::size_t(yes ? 0 : 1));
        QCOMPARE(QFileInfo::exists(ReportFile(rig, "2026-12-20.rpt")), yes && report == 1);
    }
};

QTEST_GUILESS_MAIN(CounterTest)
#include "test_counter.moc"
