#include "TariffTestSupport.h"

#include "tariffs/TariffProfile.h"
#include "tariffs/Tariffs.h"

#include <QTest>

using namespace netrova;
using namespace netrova::test;

namespace {

TariffProfile Profile(const std::string& name, int start, int end, int day, int night, int ocpd) {
    TariffProfile p;
    p.Name = name;
    p.StartingInterval = start;
    p.EndingInterval = end;
    p.DayCost = day;
    p.NightCost = night;
    p.OCPD = ocpd;
    return p;
}

QStringList ValueNames(TempStore& ts, const std::string& key) {
    Registry reg(ts.store(), Root::CurrentUser);
    QStringList names;
    if (reg.OpenKey(key, false))
        for (const std::string& n : reg.GetValueNames())
            names << QString::fromStdString(n);
    return names;
}

QStringList KeyNames(TempStore& ts, const std::string& key) {
    Registry reg(ts.store(), Root::CurrentUser);
    QStringList names;
    if (reg.OpenKey(key, false))
        for (const std::string& n : reg.GetKeyNames())
            names << QString::fromStdString(n);
    return names;
}

const QStringList kCopyOrder{"OCPDay",           "DayCost",        "NightCost",
                             "StartingInterval", "EndingInterval", "Tariff Profile"};

} // namespace

class TestTariffStore : public QObject {
    Q_OBJECT
private slots:
    void profilesRoundTripInStoreOrder();
    void savingReplacesTheWholeProfileStore();
    void savingNoProfilesLeavesAnEmptyKey();
    void readingAProfileWithoutAllNumbersFails();
    void refreshUpdatesAssignedDaysAndClearsTheRest();
    void refreshGivesEveryProviderAllEightDays();
    void writeDayMapOfANewProvider();
    void writeDayMapUnassignsUnknownProfiles();
    void readingWritesNothing_data();
    void readingWritesNothing();
    void providersAreTheDialUpEntries();
    void sameTariffName_data();
    void sameTariffName();
    void uncommittedBatchLeavesTheStoreAsItWas();
};

void TestTariffStore::profilesRoundTripInStoreOrder() {
    TempStore ts;
    Tariffs(ts).SaveProfiles({Profile("night", 8, 20, 5, 2, 0), Profile("Cheap", 22, 6, 9, 1, 1),
                              Profile("basic", 0, 0, 3, 3, 0)});
    // Each profile key holds the five integers in this order.
    QCOMPARE(ValueNames(ts, "\\Software\\Netrova\\Tariff Profile\\Cheap"),
             QStringList({"StartingInterval", "EndingInterval", "DayCost", "NightCost", "OCPD"}));

    const TariffProfiles read = Tariffs(ts).Profiles();
    QCOMPARE(read.size(), std::size_t(3));
    // The store lists names without regard to letter case.
    QCOMPARE(read[0].Name, std::string("basic"));
    QCOMPARE(read[1].Name, std::string("Cheap"));
    QCOMPARE(read[2].Name, std::string("night"));
    QCOMPARE(read[1].StartingInterval, 22);
    QCOMPARE(read[1].EndingInterval, 6);
    QCOMPARE(read[1].DayCost, 9);
    QCOMPARE(read[1].NightCost, 1);
    QCOMPARE(read[1].OCPD, 1);
    QCOMPARE(read[2].DayCost, 5);
}

void TestTariffStore::savingReplacesTheWholeProfileStore() {
    TempStore ts;
    SeedProfile(ts, "Old", 1, 2, 3, 4, 0);
    ts.SetInt(Root::CurrentUser, "\\Software\\Netrova\\Tariff Profile\\Old\\Stray", "X", 1);
    Tariffs(ts).SaveProfiles({Profile("New", 8, 20, 5, 2, 0)});
    QCOMPARE(KeyNames(ts, kTariffProfileKey), QStringList{"New"});
    QCOMPARE(ts.Int(Root::CurrentUser, "\\Software\\Netrova\\Tariff Profile\\New", "DayCost"), 5);
}

void TestTariffStore::savingNoProfilesLeavesAnEmptyKey() {
    TempStore ts;
    SeedProfile(ts, "Old", 1, 2, 3, 4, 0);
    Tariffs(ts).SaveProfiles({});
    QVERIFY(ts.HasKey(Root::CurrentUser, kTariffProfileKey));
    QVERIFY(KeyNames(ts, kTariffProfileKey).isEmpty());
    QVERIFY(ValueNames(ts, kTariffProfileKey).isEmpty());
    QVERIFY(Tariffs(ts).Profiles().empty());
}

void TestTariffStore::readingAProfileWithoutAllNumbersFails() {
    TempStore ts;
    SeedProfile(ts, "Good", 1, 2, 3, 4, 0);
    ts.SetInt(Root::CurrentUser, "\\Software\\Netrova\\Tariff Profile\\Half", "DayCost", 5);
    QVERIFY_THROWS_EXCEPTION(StoreError, Tariffs(ts).Profiles());
}

void TestTariffStore::refreshUpdatesAssignedDaysAndClearsTheRest() {
    TempStore ts;
    const TariffProfiles before{Profile("Cheap", 8, 20, 5, 2, 0), Profile("Dear", 0, 0, 9, 9, 1)};
    DayTariffs days;
    days[1] = "Cheap";
    days[2] = "Dear";
    days[kHoliday] = "Cheap";
    Tariffs(ts).SaveDayMap("ISP", days, before);

    // "Cheap" changed its numbers, "Dear" was renamed to "Costly".
    const TariffProfiles after{Profile("Cheap", 7, 19, 6, 1, 1), Profile("Costly", 0, 0, 9, 9, 1)};
    Tariffs(ts).RefreshDayCopies(after);

    QCOMPARE(DayKeyText(ts, "ISP", 1), QStringLiteral("Cheap|1|6|1|7|19"));
    QCOMPARE(DayKeyText(ts, "ISP", kHoliday), QStringLiteral("Cheap|1|6|1|7|19"));
    QCOMPARE(DayKeyText(ts, "ISP", 2), Unassigned());
    QCOMPARE(DayKeyText(ts, "ISP", 0), Unassigned());
}

void TestTariffStore::refreshGivesEveryProviderAllEightDays() {
    TempStore ts;
    // A provider key with one day, written by hand; the name differs from the profile in case.
    ts.SetStr(Root::CurrentUser, DayKeyPath("Hand", 3), "Tariff Profile", "cheap");
    Tariffs(ts).RefreshDayCopies({Profile("Cheap", 8, 20, 5, 2, 0)});
    for (int d = 0; d < kDayCount; ++d)
        QCOMPARE(DayKeyText(ts, "Hand", d), Unassigned());
    // A day key made by the refresh gets the copies first, then the name.
    QCOMPARE(ValueNames(ts, DayKeyPath("Hand", 0)), kCopyOrder);
}

void TestTariffStore::writeDayMapOfANewProvider() {
    TempStore ts;
    DayTariffs days;
    days[1] = "Cheap";
    Tariffs(ts).SaveDayMap("Fresh", days, {Profile("Cheap", 8, 20, 5, 2, 0)});
    QCOMPARE(KeyNames(ts, "\\Software\\Netrova\\Tariffs\\Fresh"),
             QStringList({"0", "1", "2", "3", "4", "5", "6", "Holiday"}));
    QCOMPARE(DayKeyText(ts, "Fresh", 1), QStringLiteral("Cheap|0|5|2|8|20"));
    for (int d : {0, 2, 3, 4, 5, 6, kHoliday})
        QCOMPARE(DayKeyText(ts, "Fresh", d), Unassigned());
    QCOMPARE(ValueNames(ts, DayKeyPath("Fresh", 1)), kCopyOrder);
    QCOMPARE(ValueNames(ts, DayKeyPath("Fresh", 0)), kCopyOrder);
    QCOMPARE(Tariffs(ts).DayMap("Fresh"), days);
}

void TestTariffStore::writeDayMapUnassignsUnknownProfiles() {
    TempStore ts;
    DayTariffs days;
    days[0] = "Gone";
    days[6] = "cheap";
    Tariffs(ts).SaveDayMap("ISP", days, {Profile("Cheap", 8, 20, 5, 2, 0)});
    QCOMPARE(DayKeyText(ts, "ISP", 0), Unassigned());
    QCOMPARE(DayKeyText(ts, "ISP", 6), Unassigned());
}

// A read on a store that lacks what it reads: the defaults, and not one commit.
void TestTariffStore::readingWritesNothing_data() {
    QTest::addColumn<QString>("read");
    QTest::addColumn<QString>("dayKey"); // the one day key of "ISP" written by hand, if any
    QTest::newRow("day map of an unknown provider") << "DayMap"
                                                    << "";
    QTest::newRow("day map lacking day keys") << "DayMap"
                                              << "3";
    QTest::newRow("profiles of an empty store") << "Profiles"
                                                << "";
    QTest::newRow("providers of an empty store") << "Providers"
                                                 << "";
}

void TestTariffStore::readingWritesNothing() {
    QFETCH(QString, read);
    QFETCH(QString, dayKey);
    TempStore ts;
    DayTariffs expected;
    if (!dayKey.isEmpty()) {
        ts.SetStr(Root::CurrentUser, DayKeyPath("ISP", dayKey.toInt()), "Tariff Profile", "Cheap");
        expected[dayKey.toInt()] = "Cheap";
    }
    const auto commits = ts.store().DurableCommitCount();
    Tariffs tariffs(ts);
    if (read == "DayMap")
        QCOMPARE(tariffs.DayMap("ISP"), expected);
    else if (read == "Profiles")
        QVERIFY(tariffs.Profiles().empty());
    else
        QVERIFY(tariffs.Providers().empty());
    QCOMPARE(ts.store().DurableCommitCount(), commits);
    QCOMPARE(KeyNames(ts, "\\Software\\Netrova\\Tariffs\\ISP"),
             dayKey.isEmpty() ? QStringList{} : QStringList{dayKey});
}

void TestTariffStore::providersAreTheDialUpEntries() {
    TempStore ts;
    QVERIFY(Tariffs(ts).Providers().empty());
    QVERIFY(!ts.HasKey(Root::CurrentUser, kAddressesKey));
    SeedProviders(ts, {"Zeta", "alpha", "Mid"});
    QCOMPARE(Tariffs(ts).Providers(), (std::vector<std::string>{"Zeta", "alpha", "Mid"}));
}

void TestTariffStore::sameTariffName_data() {
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<bool>("same");
    QTest::newRow("identical") << "Cheap"
                               << "Cheap" << true;
    QTest::newRow("letter case") << "Cheap"
                                 << "cHEAP" << true;
    QTest::newRow("non-ASCII case")
        << QString::fromUtf8("Ärger") << QString::fromUtf8("äRGER") << true;
    QTest::newRow("trailing space") << "Cheap"
                                    << "Cheap " << false;
    QTest::newRow("different") << "Cheap"
                               << "Chip" << false;
}

void TestTariffStore::sameTariffName() {
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(bool, same);
    QCOMPARE(SameTariffName(a.toStdString(), b.toStdString()), same);
    // The answer must match what the store does with the two names.
    TempStore ts;
    Tariffs(ts).SaveProfiles({Profile(a.toStdString(), 0, 0, 1, 0, 0)});
    Registry reg(ts.store(), Root::CurrentUser);
    QCOMPARE(reg.KeyExists(std::string(kTariffProfileKey) + "\\" + b.toStdString()), same);
}

void TestTariffStore::uncommittedBatchLeavesTheStoreAsItWas() {
    TempStore ts;
    SeedProfile(ts, "Kept", 1, 2, 3, 4, 0);
    const QStringList before = DumpUserStore(ts);
    {
        StoreTransaction batch(ts, Root::CurrentUser);
        Tariffs(ts).SaveProfiles({Profile("Other", 0, 0, 0, 0, 0)});
        Tariffs(ts).RefreshDayCopies({});
        // No Commit(): as if the program died here.
    }
    QCOMPARE(DumpUserStore(ts), before);
    {
        StoreTransaction batch(ts, Root::CurrentUser);
        Tariffs(ts).SaveProfiles({Profile("Other", 0, 0, 0, 0, 0)});
        batch.Commit();
    }
    QCOMPARE(KeyNames(ts, kTariffProfileKey), QStringList{"Other"});
}

QTEST_GUILESS_MAIN(TestTariffStore)
#include "test_tariff_store.moc"
