// Start-up and shutdown: personalisation, first run, crash marker, exit.
#include "MonitorRig.h"

#include "monitor/Installation.h"
#include "settings/Defaults.h"

#include <QtTest>

using namespace netrova;
using namespace netrova::test;

class StartupTest : public QObject {
    Q_OBJECT

private slots:
    void firstStartOfNewUser() {
        MonitorRig rig;
        rig.mon().StartMonitor();

        const auto& shown = rig.boxes.shown();
        QCOMPARE(shown.size(), std::size_t(2));
        QCOMPARE(shown[0].text, std::string("Settings succesfully personalized to the new user."));
        QCOMPARE(shown[0].caption, std::string("Netrova 1.2"));
        QCOMPARE(shown[1].text,
                 std::string("You don't have tariffs associated to providers. Please go to menu "
                             "Options|Tariffs, Options|Providers and do it."));
        QCOMPARE(shown[1].icon, MsgIcon::Warning);

        auto& s = rig.store;
        QCOMPARE(s.Int(Root::CurrentUser, kProductKey, "Connect Delay"), 10);
        QCOMPARE(s.Int(Root::CurrentUser, kProductKey, "Minimize"), 1);
        QCOMPARE(s.Int(Root::CurrentUser, kProductKey, "System tray"), 1);
        QCOMPARE(s.Int(Root::CurrentUser, kProductKey, "Logo"), 1);
        QCOMPARE(s.Str(Root::CurrentUser, kProductKey, "User Name"), std::string("alice"));
        QCOMPARE(s.Int(Root::CurrentUser, kBeepKey, "Enabled"), 1);
        QCOMPARE(s.Int(Root::CurrentUser, kBeepKey, "Interval"), 15);
        QCOMPARE(s.Int(Root::CurrentUser, kBeepKey, "Sound"), 3);
        QCOMPARE(s.Int(Root::CurrentUser, kExecKey, "Lines"), 0);
        QCOMPARE(s.Int(Root::CurrentUser, kTariffsKey, "Tariff"), 1);
        QCOMPARE(s.Int(Root::LocalMachine, kCounterAllKey, "Double"), DayNumber(2026, 12, 7));
        {
            // The names as written and in that order, as the command-line tool lists them.
            Registry reg(s, Root::CurrentUser);
            reg.OpenKey(kProductKey, false);
            QCOMPARE(reg.GetValueNames(),
                     (std::vector<std::string>{"Connect delay", "Minimize", "System tray", "Logo",
                                               "User Name"}));
        }

        // The help contents open at the end of the personalisation, from the program directory.
        QCOMPARE(rig.help.requests, std::vector<int>{0});
        QCOMPARE(rig.help.helpFile, rig.ProgramPath() + "/Netrova Help.hlp");

        // The monitor state after start-up.
        QCOMPARE(rig.state().CurrentUser, std::string("alice"));
        QCOMPARE(rig.state().TrayMode, 1);
        QCOMPARE(rig.state().BeepInterval, 15);
        QCOMPARE(rig.state().Provider, std::string(" "));
        QCOMPARE(rig.state().ProgramPath, rig.ProgramPath());
        QVERIFY(rig.view.timerEnabled);
    }

    void firstRunRecordsCountingStartOnce() {
        MonitorRig rig;
        rig.clock.Set(2027, 2, 28, 9, 30, 0);
        rig.Start();
        QCOMPARE(rig.store.Int(Root::LocalMachine, kProductKey, "FirstTime"), 0);
        QCOMPARE(rig.store.Int(Root::LocalMachine, kCounterAllKey, "Year"), 2027);
        QCOMPARE(rig.store.Int(Root::LocalMachine, kCounterAllKey, "Month"), 2);
        QCOMPARE(rig.store.Int(Root::LocalMachine, kCounterAllKey, "Day"), 28);

        // A later start leaves the counting-start date alone.
        rig.mon().CloseForExit();
        rig.clock.Set(2027, 3, 5, 9, 30, 0);
        rig.Crash();
        rig.Start();
        QCOMPARE(rig.store.Int(Root::LocalMachine, kCounterAllKey, "Month"), 2);
        QCOMPARE(rig.store.Int(Root::LocalMachine, kCounterAllKey, "Day"), 28);

        // The machine store moved away, the user's settings kept: the new store counts from
        // today, average day included, and nothing asks about it.
        rig.mon().CloseForExit();
        for (const char* suffix : {"", "-wal", "-shm"})
            QFile::remove(QString::fromStdString(rig.store.machinePath()) + suffix);
        rig.Crash();
        EnsureInstallationDefaults(rig.store);
        PublishCurrentUser(rig.store, MonitorRig::kUser);
        rig.boxes.clear();
        rig.mon().StartMonitor();
        QVERIFY(rig.boxes.shown().empty());
        QCOMPARE(rig.store.Int(Root::LocalMachine, kCounterAllKey, "Month"), 3);
        QCOMPARE(rig.store.Int(Root::LocalMachine, kCounterAllKey, "Double"),
                 DayNumber(rig.clock.Now()));
    }

    void sameUserKeepsSettings() {
        MonitorRig rig;
        rig.Start();
        rig.SetConnectDelay(25);
        rig.mon().CloseForExit();

        rig.Crash();
        rig.mon().StartMonitor();
        QVERIFY(rig.boxes.shown().empty());
        QCOMPARE(rig.store.Int(Root::CurrentUser, kProductKey, "Connect delay"), 25);
        QVERIFY(rig.help.requests.size() == 1); // only the first start opened the help
    }

    void userNameDifferingInCaseWipesSettings() {
        MonitorRig rig;
        rig.store.SetStr(Root::CurrentUser, kProductKey, "User Name", "Alice");
        rig.store.SetInt(Root::CurrentUser, kProductKey, "Connect delay", 33);
        rig.store.SetInt(Root::CurrentUser, std::string(kTariffProfileKey) + "\\Cheap", "DayCost",
                         4);
        rig.store.SetInt(Root::LocalMachine, kCounterAllKey, "AllMoney", 777);

        rig.mon().StartMonitor();

        QCOMPARE(rig.boxes.shown().size(), std::size_t(2));
        QVERIFY(!rig.store.HasKey(Root::CurrentUser, kTariffProfileKey));
        QCOMPARE(rig.store.Int(Root::CurrentUser, kProductKey, "Connect delay"), 10);
        QCOMPARE(rig.store.Str(Root::CurrentUser, kProductKey, "User Name"), std::string("alice"));
        // Machine-wide totals belong to nobody in particular and stay.
        QCOMPARE(rig.store.Int(Root::LocalMachine, kCounterAllKey, "AllMoney"), 777);
        QCOMPARE(rig.state().AllMoney, 777);
    }

    void controlKeyWithoutValuesMeansDefaultUser() {
        MonitorRig rig;
        {
            Registry reg(rig.store, Root::LocalMachine);
            reg.OpenKey(kControlKey, true);
            reg.DeleteValue("Current User");
            reg.CloseKey();
        }
        rig.Start();
        QCOMPARE(rig.state().CurrentUser, std::string("Default"));
        QCOMPARE(rig.store.Str(Root::CurrentUser, kProductKey, "User Name"),
                 std::string("Default"));
    }

    void crashMarkerMovesToOneAtStartAndZeroAtExit_data() {
        QTest::addColumn<int>("found");
        QTest::newRow("orderly exit") << 0;
        QTest::newRow("running") << 1;
        QTest::newRow("connection open") << 2;
    }
    void crashMarkerMovesToOneAtStartAndZeroAtExit() {
        QFETCH(int, found);
        MonitorRig rig;
        rig.store.SetInt(Root::LocalMachine, kProductKey, "Bug", found);
        rig.store.SetInt(Root::LocalMachine, kProductKey, "AntiCrash", 0);
        rig.Start();
        QCOMPARE(rig.state().LastBug, found);
        QCOMPARE(rig.store.Int(Root::LocalMachine, kProductKey, "Bug"), 1);
        rig.mon().CloseForExit();
        QCOMPARE(rig.store.Int(Root::LocalMachine, kProductKey, "Bug"), 0);
    }

    void totalsAreLoadedAtStart() {
        MonitorRig rig;
        rig.store.SetInt(Root::LocalMachine, kCounterAllKey, "AllMoney", 1205);
        rig.store.SetStr(Root::LocalMachine, kCounterAllKey, "AllTime", "3600 seconds");
        rig.store.SetInt(Root::LocalMachine, kCounterAllKey, "Reset", 2);
        rig.store.SetInt(Root::LocalMachine, kCounterAllKey, "Reset14", 1);
        rig.Start();
        QCOMPARE(rig.state().AllMoney, 1205);
        QCOMPARE(rig.state().StartAllMoney, 1205);
        QCOMPARE(rig.state().AllTime, 3600);
        QCOMPARE(rig.state().StartAllTime, 3600);
        QCOMPARE(rig.state().ResetPolicy, 2);
        QCOMPARE(rig.state().ResetDay, 1);
    }

    void missingIntegerAbortsWithoutHalfWrites() {
        MonitorRig rig;
        rig.store.SetInt(Root::LocalMachine, kProductKey, "Bug", 2);
        {
            Registry reg(rig.store, Root::LocalMachine);
            reg.OpenKey(kProductKey, true);
            reg.DeleteValue("AntiCrash");
            reg.CloseKey();
        }
        try {
            rig.mon().StartMonitor();
            QFAIL("a missing integer must abort the start-up");
        } catch (const StoreError& e) {
            const std::string what = e.what();
            QVERIFY2(what.find("AntiCrash") != std::string::npos, e.what());
            QVERIFY2(what.find("HKLM\\Software\\Netrova") != std::string::npos, e.what());
        }
        // "Bug" := 1 shared its transaction with the failed read and was not written.
        QCOMPARE(rig.store.Int(Root::LocalMachine, kProductKey, "Bug"), 2);
        QVERIFY(!rig.view.timerEnabled);
    }

    void exitAnsweredNoChangesNothing() {
        MonitorRig rig;
        rig.Start();
        rig.Dial("Provider One");
        rig.Ticks(5);
        rig.boxes.Answer(MsgResult::No);
        QVERIFY(!rig.mon().ConfirmExit());
        QCOMPARE(rig.boxes.shown().back().text,
                 std::string("Closing Netrova you won't be able to monitor DUN connections. Do "
                             "you want to continue ?"));
        QCOMPARE(rig.boxes.shown().back().icon, MsgIcon::Question);
        QCOMPARE(rig.boxes.shown().back().buttons, MsgButtons::YesNo);
        QCOMPARE(rig.state().ConnState, int(csOnline));
        QCOMPARE(rig.store.Int(Root::LocalMachine, kProductKey, "Bug"), 2);
        QVERIFY(rig.Records().empty());
    }

    void exitWhileConnectedRecordsTheConnection() {
        MonitorRig rig;
        rig.Start();
        rig.Dial("Provider One");
        rig.Ticks(30);
        rig.boxes.Answer(MsgResult::Yes);
        QVERIFY(rig.mon().ConfirmExit());
        QVERIFY(!rig.view.timerEnabled);
        const auto records = rig.Records();
        QCOMPARE(records.size(), std::size_t(1));
        QCOMPARE(records[0].Duration, 29 + 10);
        QCOMPARE(rig.store.Int(Root::LocalMachine, kProductKey, "Bug"), 0);
        QCOMPARE(rig.store.Str(Root::LocalMachine, kCounterAllKey, "AllTime"), std::string("39"));
    }
};

QTEST_GUILESS_MAIN(StartupTest)
#include "test_startup.moc"
