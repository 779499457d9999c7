// The beep reminder: when it sounds, which sound, and the Beep dialog's checks and "OK".
#include "../monitor/MonitorRig.h"

#include "options/Beep.h"
#include "options/BeepDialog.h"
#include "settings/Defaults.h"
#include "support/DesktopDoubles.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>

#include <climits>
#include <functional>

using namespace netrova;
using namespace netrova::test;

using Seconds = QList<qint64>;

namespace {

// The reminder over a stretch of a connection, one check per second; the seconds it sounded.
Seconds Sounded(Monitor& mon, RecordingSounds& sounds, qint64 from, qint64 to) {
    Seconds at;
    MonitorTestSeam::Of(mon).Connected = 1;
    for (qint64 s = from; s <= to; ++s) {
        MonitorTestSeam::Of(mon).Elapsed = static_cast<int>(s);
        const std::size_t before = sounds.played.size();
        CheckBeep(mon, sounds);
        if (sounds.played.size() != before)
            at << s;
    }
    return at;
}

void StoreBeep(TempStore& ts, int enabled, int interval, int sound) {
    ts.SetInt(Root::CurrentUser, kBeepKey, "Enabled", enabled);
    ts.SetInt(Root::CurrentUser, kBeepKey, "Interval", interval);
    ts.SetInt(Root::CurrentUser, kBeepKey, "Sound", sound);
}

// A started monitor, connected, and the Beep dialog over it.
struct BeepRig {
    BeepRig() : dialog(rig.store, rig.boxes, rig.help, rig.mon()) {
        rig.Start();
        rig.help.requests.clear();
        rig.set().Connected = 1;
        rig.set().BeepCount = 1;
    }
    template <class W = QLineEdit> W* get(const char* name = "Interval") {
        W* w = dialog.findChild<W*>(QLatin1String(name));
        if (!w)
            qFatal("no control %s", name);
        return w;
    }
    // Inside exec(): lets the queued activation load the dialog first.
    void whenShown(const std::function<void()>& act) {
        QTimer::singleShot(0, &dialog, [act] {
            QCoreApplication::sendPostedEvents();
            act();
        });
    }
    void type(const QString& text) {
        get()->clear();
        QTest::keyClicks(get("Interval"), text);
    }
    MonitorRig rig;
    RecordingSounds sounds;
    TForm4 dialog;
};

} // namespace

class BeepTest : public QObject {
    Q_OBJECT

private slots:
    void reminder_data() {
        QTest::addColumn<int>("enabled");
        QTest::addColumn<int>("interval");
        QTest::addColumn<qint64>("from");
        QTest::addColumn<qint64>("to");
        QTest::addColumn<Seconds>("sounded");
        QTest::newRow("15 min over 50 min")
            << 1 << 15 << qint64(10) << qint64(50 * 60) << Seconds{900, 1800, 2700};
        QTest::newRow("60 min over 2 h 10 min")
            << 1 << 60 << qint64(10) << qint64(130 * 60) << Seconds{3600, 7200};
        QTest::newRow("disabled") << 0 << 15 << qint64(10) << qint64(50 * 60) << Seconds{};
        // In 32 bits the due time would wrap below zero and sound at every tick.
        QTest::newRow("largest interval")
            << 1 << INT_MAX << qint64(INT_MAX) - 3 << qint64(INT_MAX) << Seconds{};
        QTest::newRow("largest field interval")
            << 1 << 9999 << qint64(9999) * 60 - 2 << qint64(9999) * 60 + 1
            << Seconds{qint64(9999) * 60};
    }
    void reminder() {
        QFETCH(int, enabled);
        QFETCH(int, interval);
        QFETCH(qint64, from);
        QFETCH(qint64, to);
        QFETCH(Seconds, sounded);
        MonitorRig rig;
        rig.Start();
        rig.set().BeepEnabled = enabled;
        rig.set().BeepInterval = interval;
        rig.set().BeepCount = 1;
        RecordingSounds sounds;
        QCOMPARE(Sounded(rig.mon(), sounds, from, to), sounded);
        if (!enabled)
            QCOMPARE(rig.state().BeepCount, 1);
    }

    void soundKinds_data() {
        QTest::addColumn<int>("sound");
        QTest::addColumn<int>("kind"); // -1: nothing
        QTest::newRow("1 default") << 1 << int(SoundKind::Default);
        QTest::newRow("2 asterisk") << 2 << int(SoundKind::Asterisk);
        QTest::newRow("3 exclamation") << 3 << int(SoundKind::Exclamation);
        QTest::newRow("4 hand") << 4 << int(SoundKind::Hand);
        QTest::newRow("5 nothing") << 5 << -1;
    }
    void soundKinds() {
        QFETCH(int, sound);
        QFETCH(int, kind);
        // Read by the start-up of a user who has settings already.
        MonitorRig rig;
        rig.Start();
        StoreBeep(rig.store, 1, 1, sound);
        rig.Crash();
        rig.Start();
        rig.set().BeepCount = 1;
        RecordingSounds sounds;
        Sounded(rig.mon(), sounds, 60, 60);
        QCOMPARE(rig.state().BeepCount, 2);
        if (kind < 0)
            QVERIFY(sounds.played.empty());
        else
            QCOMPARE(sounds.played, std::vector<SoundKind>{SoundKind(kind)});
    }

    // 15 -> 20 at minute 50: the passed multiples 20 and 40 stay silent; the next is 60.
    void intervalChangedDuringAConnection() {
        BeepRig b;
        Monitor& mon = b.rig.mon();
        QCOMPARE(Sounded(mon, b.sounds, 10, 3000), (Seconds{900, 1800, 2700}));
        b.whenShown([&] {
            b.type("20");
            QTest::mouseClick(b.get<QPushButton>("OKButton"), Qt::LeftButton);
        });
        QCOMPARE(b.dialog.Execute(), int(QDialog::Accepted));
        QCOMPARE(b.rig.store.Int(Root::CurrentUser, kBeepKey, "Interval"), 20);
        QCOMPARE(mon.State().BeepInterval, 20);
        QCOMPARE(mon.State().BeepCount, 3);
        QCOMPARE(Sounded(mon, b.sounds, 3001, 4200), (Seconds{3600}));
    }

    // Closed without "OK", the settings are read again all the same.
    void cancelRereadsTheStore() {
        BeepRig b;
        Monitor& mon = b.rig.mon();
        MonitorTestSeam::Of(mon).Elapsed = 3000;
        b.rig.store.SetInt(Root::CurrentUser, kBeepKey, "Interval", 20);
        b.rig.store.SetInt(Root::CurrentUser, kBeepKey, "Enabled", 0);
        b.whenShown([&] {
            b.type("45");
            QTest::mouseClick(b.get<QPushButton>("CancelButton"), Qt::LeftButton);
        });
        QCOMPARE(b.dialog.Execute(), int(QDialog::Rejected));
        QCOMPARE(b.rig.store.Int(Root::CurrentUser, kBeepKey, "Interval"), 20);
        QCOMPARE(mon.State().BeepInterval, 20);
        QCOMPARE(mon.State().BeepEnabled, 0);
        QCOMPARE(mon.State().BeepCount, 3);
    }

    void typedInterval_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("boxes");
        QTest::addColumn<QString>("shown");
        QTest::newRow("zero") << "0" << 1 << "15";
        QTest::newRow("letter") << "x" << 1 << "15";
        QTest::newRow("letter after digits") << "12x" << 1 << "15";
        QTest::newRow("fifth digit") << "12345" << 0 << "1234";
    }
    void typedInterval() {
        QFETCH(QString, typed);
        QFETCH(int, boxes);
        QFETCH(QString, shown);
        BeepRig b;
        b.dialog.FormActivate();
        b.type(typed);
        QCOMPARE(b.get()->text(), shown);
        QCOMPARE(int(b.rig.boxes.shown().size()), boxes);
        for (const auto& box : b.rig.boxes.shown()) {
            QCOMPARE(box.text, std::string("Incorrect number !"));
            QCOMPARE(box.icon, MsgIcon::Warning);
        }
    }

    void activationLoadsTheStore() {
        BeepRig b;
        StoreBeep(b.rig.store, 0, 42, 2);
        b.dialog.FormActivate();
        QCOMPARE(b.get()->text(), QString("42"));
        QVERIFY(!b.get()->isEnabled());
        QVERIFY(!b.get<QCheckBox>("EnabledBox")->isChecked());
        QVERIFY(b.get<QRadioButton>("SoundButton2")->isChecked());
        QTest::mouseClick(b.get<QCheckBox>("EnabledBox"), Qt::LeftButton);
        QVERIFY(b.get()->isEnabled());
        // Another stored sound leaves the buttons as they were.
        b.rig.store.SetInt(Root::CurrentUser, kBeepKey, "Sound", 9);
        b.dialog.FormActivate();
        QVERIFY(b.get<QRadioButton>("SoundButton2")->isChecked());
    }

    // Enter in the field is "OK"; the choice of sound is stored and taken at once.
    void enterIsOk() {
        BeepRig b;
        b.dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&b.dialog));
        b.dialog.FormActivate();
        QTest::mouseClick(b.get<QRadioButton>("SoundButton4"), Qt::LeftButton);
        b.type("30");
        QTest::keyClick(b.get("Interval"), Qt::Key_Return);
        QCOMPARE(b.dialog.result(), int(QDialog::Accepted));
        QVERIFY(!b.dialog.isVisible());
        QCOMPARE(b.rig.store.Int(Root::CurrentUser, kBeepKey, "Interval"), 30);
        QCOMPARE(b.rig.store.Int(Root::CurrentUser, kBeepKey, "Sound"), 4);
        QCOMPARE(b.rig.state().BeepSound, 4);
    }

    void emptyFieldKeepsTheInterval() {
        BeepRig b;
        b.dialog.FormActivate();
        b.get()->clear();
        b.dialog.BitBtn1Click();
        QCOMPARE(b.rig.store.Int(Root::CurrentUser, kBeepKey, "Interval"), 15);
        QCOMPARE(b.get()->text(), QString("15"));
        QVERIFY(b.rig.boxes.shown().empty());
    }

    void helpContext() {
        BeepRig b;
        QTest::mouseClick(b.get<QPushButton>("HelpButton"), Qt::LeftButton);
        QCOMPARE(b.rig.help.requests, std::vector<int>{10});
    }
};

QTEST_MAIN(BeepTest)
#include "test_beep.moc"
