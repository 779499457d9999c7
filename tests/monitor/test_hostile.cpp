// Hostile files and absurd stored values: a clear error, never a hang, a wrapped number or a
// record lost without a word.
#include "MonitorRig.h"

#include "common/Text.h"
#include "history/KeptRecords.h"
#include "settings/Defaults.h"

#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstring>

using namespace netrova;
using namespace netrova::test;

namespace {

void SetAllDays(MonitorRig& rig, const std::string& provider, int cost) {
    Tariff t;
    t.dayCost = cost;
    t.ocpd = 1;
    for (const char* day : {"0", "1", "2", "3", "4", "5", "6", "Holiday"})
        rig.SetTariff(provider, day, t);
}

// One connection of the given length through provider "ISP".
void Connection(MonitorRig& rig, int seconds) {
    rig.Dial("ISP");
    rig.Ticks(seconds);
    rig.Hangup();
    rig.Tick();
}

std::size_t KeptRecords(MonitorRig& rig) {
    return rig.store.Bin(Root::LocalMachine, kUnsavedHistoryKey, kUnsavedHistoryValue).size() /
           sizeof(THistoryRecord);
}

QString BoxTexts(MonitorRig& rig) {
    QStringList texts;
    for (const auto& box : rig.boxes.shown())
        texts << QString::fromStdString(box.text);
    return texts.join(" | ");
}

} // namespace

class HostileTest : public QObject {
    Q_OBJECT

private slots:
    // The record is kept in the store with one error box; the next start appends the kept
    // records in order, once, and the double-record guard keeps a re-run single.
    void unwritableHistoryKeepsTheRecord_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("fifo") << "fifo"
                              << "it is not a regular file";
        QTest::newRow("folder") << "folder"
                                << "it is a folder";
    }
    void unwritableHistoryKeepsTheRecord() {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        MonitorRig rig;
        const std::string path = HistoryPath(rig.ProgramPath());
        QCOMPARE(kind == "fifo" ? ::mkfifo(path.c_str(), 0644) : ::mkdir(path.c_str(), 0755), 0);
        rig.Start(); // the scan of the start-up must not block on a FIFO
        SetAllDays(rig, "ISP", 10);

        Connection(rig, 30);
        QCOMPARE(rig.boxes.shown().size(), std::size_t(1));
        const auto& box = rig.boxes.shown()[0];
        QCOMPARE(box.icon, MsgIcon::Stop);
        QVERIFY2(QString::fromStdString(box.text).contains(QString::fromStdString(path)),
                 box.text.c_str());
        QVERIFY2(QString::fromStdString(box.text).contains(reason), box.text.c_str());
        QCOMPARE(KeptRecords(rig), std::size_t(1));
        QCOMPARE(rig.store.Int(Root::LocalMachine, kCounterAllKey, "AllMoney"), 10);
        QCOMPARE(rig.store.Int(Root::LocalMachine, kProductKey, "Bug"), 1);

        rig.clock.Advance(600);
        Connection(rig, 90);
        // The same cause, not yet mended: no second box.
        QCOMPARE(rig.boxes.shown().size(), std::size_t(1));
        QCOMPARE(KeptRecords(rig), std::size_t(2));

        // Still unwritable at the next start: one box, nothing lost.
        rig.mon().CloseForExit();
        rig.Crash();
        rig.boxes.clear();
        rig.mon().StartMonitor();
        QCOMPARE(rig.boxes.shown().size(), std::size_t(1));
        QVERIFY2(BoxTexts(rig).contains(reason), qPrintable(BoxTexts(rig)));
        QCOMPARE(KeptRecords(rig), std::size_t(2));

        QCOMPARE(::remove(path.c_str()), 0);
        rig.Crash();
        rig.Start();
        auto records = rig.Records();
        QCOMPARE(records.size(), std::size_t(2));
        QCOMPARE(records[0].Fee, 10);
        QCOMPARE(records[1].Fee, 20);
        QCOMPARE(FieldText(records[1].TotalFeeText), std::string("0 dol. 30 c."));
        QCOMPARE(KeptRecords(rig), std::size_t(0));

        // A crash after the append but before the store forgot the record: it stays single.
        {
            Registry reg(rig.store, Root::LocalMachine);
            reg.OpenKey(kUnsavedHistoryKey, true);
            reg.WriteBinary(kUnsavedHistoryValue, &records[1], sizeof records[1]);
            reg.CloseKey();
        }
        rig.Crash();
        rig.Start();
        QCOMPARE(rig.Records().size(), std::size_t(2));
        QCOMPARE(KeptRecords(rig), std::size_t(0));
    }

    // Time and money are computed in 64 bits; a value that leaves the stored 32-bit range is
    // named in one error box and not taken, instead of wrapping. A connect delay outside 0 to a
    // day counts as none.
    void absurdValuesAreNamedNotWrapped_data() {
        QTest::addColumn<int>("delay");
        QTest::addColumn<int>("allMoney");
        QTest::addColumn<QString>("allTime");
        QTest::addColumn<QString>("named");
        QTest::addColumn<int>("duration");
        QTest::newRow("largest connect delay") << INT_MAX << 0 << "0"
                                               << "" << 69;
        QTest::newRow("smallest connect delay") << INT_MIN << 0 << "-5"
                                                << "" << 69;
        QTest::newRow("negative connect delay") << -1 << 0 << "0"
                                                << "" << 69;
        QTest::newRow("a day of connect delay") << 86400 << 0 << "0"
                                                << "" << 86469;
        QTest::newRow("money total near the top")
            << 10 << INT_MAX - 15 << "0"
            << "money total \"AllMoney\" would be 2147483652" << 79;
        QTest::newRow("time total near the top")
            << 10 << 0 << "2147483600"
            << "total time \"AllTime\" would be 2147483648" << 47;
    }
    void absurdValuesAreNamedNotWrapped() {
        QFETCH(int, delay);
        QFETCH(int, allMoney);
        QFETCH(QString, allTime);
        QFETCH(QString, named);
        QFETCH(int, duration);
        MonitorRig rig;
        rig.store.SetInt(Root::LocalMachine, kCounterAllKey, "AllMoney", allMoney);
        rig.store.SetStr(Root::LocalMachine, kCounterAllKey, "AllTime", allTime.toStdString());
        rig.Start();
        rig.SetConnectDelay(delay);
        SetAllDays(rig, "ISP", 10);
        rig.clock.Set(2026, 12, 7, 0, 0, 0);
        Connection(rig, 70);

        QCOMPARE(rig.boxes.shown().size(), std::size_t(named.isEmpty() ? 0 : 1));
        if (!named.isEmpty()) {
            QCOMPARE(rig.boxes.shown()[0].icon, MsgIcon::Stop);
            QVERIFY2(BoxTexts(rig).contains(named), qPrintable(BoxTexts(rig)));
        }
        const auto records = rig.Records();
        QCOMPARE(records.size(), std::size_t(1));
        QCOMPARE(records[0].Duration, duration);
        QVERIFY(!FieldText(records[0].TotalFeeText).starts_with("-"));
        QVERIFY(records[0].Fee >= 0);
        const std::int32_t money = rig.store.Int(Root::LocalMachine, kCounterAllKey, "AllMoney");
        QVERIFY(money >= allMoney);
        const auto time =
            LeadingInt32(rig.store.Str(Root::LocalMachine, kCounterAllKey, "AllTime"));
        QVERIFY(time.has_value());
    }

    // "AllTime" that is not a number in range stops the start with the value named, before the
    // crash marker is touched: the interrupted connection is still recovered after the mend.
    void unreadableTimeTotalStopsTheStart_data() {
        QTest::addColumn<QString>("allTime");
        QTest::newRow("eleven digits") << "99999999999";
        QTest::newRow("one past the top") << "2147483648";
        QTest::newRow("no digits") << "many";
    }
    void unreadableTimeTotalStopsTheStart() {
        QFETCH(QString, allTime);
        MonitorRig rig;
        rig.Start();
        rig.Dial("ISP");
        rig.Ticks(5);
        rig.Crash();
        rig.store.SetStr(Root::LocalMachine, kCounterAllKey, "AllTime", allTime.toStdString());
        try {
            rig.mon().StartMonitor();
            QFAIL("the start went on");
        } catch (const StoreError& e) {
            QVERIFY2(QString(e.what()).contains("\"" + allTime + "\""), e.what());
        }
        QCOMPARE(rig.store.Int(Root::LocalMachine, kProductKey, "Bug"), 2);
    }

    // A key too deep for a cascading delete does not stop the start that wipes the settings of
    // another user, nor one that never reads it.
    void deepKeyDoesNotStopTheStart_data() {
        QTest::addColumn<QString>("owner");
        QTest::newRow("settings of another user") << "bob";
        QTest::newRow("own settings") << MonitorRig::kUser;
    }
    void deepKeyDoesNotStopTheStart() {
        QFETCH(QString, owner);
        MonitorRig rig;
        rig.Start();
        rig.store.SetStr(Root::CurrentUser, kProductKey, "User Name", owner.toStdString());
        std::string deep = std::string(kProductKey) + "\\Tariffs";
        for (int i = 0; i < 1100; ++i)
            deep += "\\d";
        rig.store.SetInt(Root::CurrentUser, deep, "x", 1);
        rig.Crash();
        rig.Start();
        QCOMPARE(rig.store.Int(Root::LocalMachine, kProductKey, "Bug"), 1);
        QCOMPARE(rig.store.HasKey(Root::CurrentUser, deep), owner == MonitorRig::kUser);
    }

    // An entry name the dial-up tools would refuse (a separator at either end, bytes that are
    // not UTF-8) names no provider: it must not be charged with the tariffs of the provider
    // without it, nor written raw into the record.
    void providerWithSeparatorHasNoTariffs_data() {
        QTest::addColumn<QByteArray>("provider");
        QTest::newRow("trailing") << QByteArray("ISP\\");
        QTest::newRow("leading") << QByteArray("\\ISP");
        QTest::newRow("not UTF-8") << QByteArray("ISP\xff");
    }
    void providerWithSeparatorHasNoTariffs() {
        QFETCH(QByteArray, provider);
        MonitorRig rig;
        rig.Start();
        SetAllDays(rig, "ISP", 10);
        rig.Dial(provider.toStdString());
        rig.Tick();
        QCOMPARE(rig.view.fee, std::string("No tariffs for provider"));
        QCOMPARE(rig.state().ConnMoney, 0);
        rig.Hangup();
        rig.Tick();
        QCOMPARE(FieldText(rig.Records().at(0).Provider), std::string());
    }
};

QTEST_GUILESS_MAIN(HostileTest)
#include "test_hostile.moc"
