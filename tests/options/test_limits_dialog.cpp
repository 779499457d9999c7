#include "../monitor/MonitorRig.h"

#include "options/LimitsDialog.h"
#include "settings/Limits.h"
#include "support/DesktopDoubles.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

using namespace netrova;
using namespace netrova::test;

namespace {

struct LimitsRig {
    LimitsRig() : dialog(rig.store, rig.boxes, rig.help, true) { dialog.FormActivate(); }
    template <class W> W* get(const char* name) {
        W* w = dialog.findChild<W*>(QLatin1String(name));
        if (!w)
            qFatal("no control %s", name);
        return w;
    }
    void ok() { get<QPushButton>("OKButton")->click(); }
    MonitorRig rig;
    LimitsDialog dialog;
};

} // namespace

class LimitsDialogTest : public QObject {
    Q_OBJECT

private slots:
    void okWritesTheValues() {
        LimitsRig l;
        l.get<QCheckBox>("MoneyLimitOn")->setChecked(true);
        l.get<QDoubleSpinBox>("MoneyLimit")->setValue(12.34);
        l.get<QCheckBox>("VolumeLimitOn")->setChecked(true);
        l.get<QComboBox>("VolumeUnit")->setCurrentIndex(1);
        l.get<QSpinBox>("VolumeLimit")->setValue(3);
        l.get<QSpinBox>("Warn1")->setValue(70);
        l.get<QSpinBox>("Warn2")->setValue(95);
        l.get<QCheckBox>("HangUp")->setChecked(true);
        l.ok();
        QCOMPARE(l.dialog.result(), int(QDialog::Accepted));
        const LimitSettings stored = Limits(l.rig.store).Read();
        QCOMPARE(stored, (LimitSettings{1234, 3 * 1024, 70, 95, true}));

        // Shown again in the unit it was given in; switching units keeps the amount.
        l.dialog.FormActivate();
        QCOMPARE(l.get<QComboBox>("VolumeUnit")->currentIndex(), 1);
        QCOMPARE(l.get<QSpinBox>("VolumeLimit")->value(), 3);
        l.get<QComboBox>("VolumeUnit")->setCurrentIndex(0);
        QCOMPARE(l.get<QSpinBox>("VolumeLimit")->value(), 3 * 1024);

        // Unticked, a limit is stored as none.
        l.get<QCheckBox>("MoneyLimitOn")->setChecked(false);
        l.ok();
        QCOMPARE(Limits(l.rig.store).Read().Money, 0);
        QVERIFY(l.rig.boxes.shown().empty());
    }

    void badPercentagesAreRefused_data() {
        QTest::addColumn<int>("warn1");
        QTest::addColumn<int>("warn2");
        QTest::newRow("equal") << 85 << 85;
        QTest::newRow("reversed") << 90 << 80;
    }
    void badPercentagesAreRefused() {
        QFETCH(int, warn1);
        QFETCH(int, warn2);
        LimitsRig l;
        l.dialog.show();
        l.get<QSpinBox>("Warn1")->setValue(warn1);
        l.get<QSpinBox>("Warn2")->setValue(warn2);
        l.ok();
        QVERIFY(l.dialog.isVisible());
        QCOMPARE(int(l.rig.boxes.shown().size()), 1);
        QCOMPARE(l.rig.boxes.shown()[0].text,
                 Limits::Problem(LimitSettings{0, 0, warn1, warn2, false}));
        // Nothing written: the stored warnings are still the defaults.
        QCOMPARE(Limits(l.rig.store).Read(), LimitSettings{});
        l.dialog.reject();
    }

    void hangUpNeedsADialUpSource() {
        MonitorRig rig;
        LimitsDialog dialog(rig.store, rig.boxes, rig.help, false);
        dialog.FormActivate();
        auto* hangUp = dialog.findChild<QCheckBox*>(QStringLiteral("HangUp"));
        QVERIFY(!hangUp->isEnabled());
        QVERIFY(!hangUp->toolTip().isEmpty());
    }
};

QTEST_MAIN(LimitsDialogTest)
#include "test_limits_dialog.moc"
