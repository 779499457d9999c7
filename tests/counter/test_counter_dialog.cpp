// The Counter dialog, driven through its controls.
#include "CounterTestSupport.h"

#include "counter/CounterDialog.h"
#include "reports/Report.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include <memory>

using namespace netrova;
using namespace netrova::test;

namespace {

struct Opened {
    MonitorRig rig;
    std::unique_ptr<TForm6> form;

    // Counting since 1 December 2026 with policy 2 and marker 14, report off.
    explicit Opened(int day = 7) {
        rig.clock.Set(2026, 12, day, 9, 0, 0);
        StartCounting(rig, 2, 14, 2026, 12, 1);
        form = std::make_unique<TForm6>(rig.mon(), rig.store, rig.clock, rig.boxes, rig.help);
    }
    QRadioButton* radio(int policy) {
        return form->findChild<QRadioButton*>(QStringLiteral("PolicyButton%1").arg(policy));
    }
    QCheckBox* report() { return form->findChild<QCheckBox*>(QStringLiteral("ReportEnabled")); }
    void click(const char* button) {
        QPushButton* b = form->findChild<QPushButton*>(QLatin1String(button));
        QVERIFY(b);
        b->click();
    }
    int checkedPolicy() {
        for (int p = 1; p <= 4; ++p)
            if (radio(p)->isChecked())
                return p;
        return 0;
    }
};

} // namespace

class CounterDialogTest : public QObject {
    Q_OBJECT

private slots:
    // Activation shows the stored policy and report switch; a policy outside 1..4 leaves the
    // buttons as they were.
    void activation_data() {
        QTest::addColumn<int>("reset");
        QTest::addColumn<int>("report");
        QTest::addColumn<int>("checked");
        QTest::addColumn<bool>("reportChecked");
        QTest::newRow("two weeks") << 1 << 1 << 1 << true;
        QTest::newRow("month") << 2 << 0 << 2 << false;
        QTest::newRow("two months") << 3 << 2 << 3 << false;
        QTest::newRow("never") << 4 << 1 << 4 << true;
        QTest::newRow("other") << 9 << 1 << 3 << true;
    }
    void activation() {
        QFETCH(int, reset);
        QFETCH(int, report);
        Opened o;
        o.radio(3)->setChecked(true);
        o.report()->setChecked(true);
        o.rig.store.SetInt(Root::LocalMachine, kCounterAllKey, "Reset", reset);
        o.rig.store.SetInt(Root::LocalMachine, kCounterAllKey, "Report", report);
        o.form->FormActivate();
        QTEST(o.checkedPolicy(), "checked");
        QTEST(o.report()->isChecked(), "reportChecked");
    }

    void ok_data() {
        QTest::addColumn<int>("choice"); // 0: no button checked
        QTest::addColumn<int>("day");
        QTest::addColumn<bool>("report");
        QTest::addColumn<int>("policy");
        QTest::addColumn<int>("marker");
        QTest::newRow("two weeks before the 14th") << 1 << 13 << true << 1 << 14;
        QTest::newRow("two weeks on the 14th") << 1 << 14 << false << 1 << 1;
        QTest::newRow("month") << 2 << 20 << true << 2 << 7;
        QTest::newRow("two months") << 3 << 2 << false << 3 << 7;
        QTest::newRow("never") << 4 << 2 << true << 4 << 7;
        QTest::newRow("none checked keeps the policy") << 0 << 2 << true << 2 << 7;
    }
    void ok() {
        QFETCH(int, choice);
        QFETCH(int, day);
        QFETCH(bool, report);
        Opened o(day);
        o.rig.set().ResetDay = 7; // as loaded from "Reset14"
        o.rig.store.SetInt(Root::LocalMachine, kCounterAllKey, "Reset14", 7);
        if (choice)
            o.radio(choice)->setChecked(true);
        o.report()->setChecked(report);
        o.click("OKButton");

        QCOMPARE(o.form->result(), int(QDialog::Accepted));
        QTEST(o.rig.state().ResetPolicy, "policy");
        QTEST(o.rig.state().ResetDay, "marker");
        QTEST(Stored(o.rig, "Reset"), "policy");
        QTEST(Stored(o.rig, "Reset14"), "marker");
        QCOMPARE(Stored(o.rig, "Report"), report ? 1 : 0);
    }

    void helpAndCancelWriteNothing() {
        Opened o;
        o.radio(4)->setChecked(true);
        o.report()->setChecked(true);
        o.rig.help.requests.clear();
        o.click("HelpButton");
        QCOMPARE(o.rig.help.requests, std::vector<int>{11});
        o.click("CancelButton");
        QCOMPARE(o.form->result(), int(QDialog::Rejected));
        QCOMPARE(Stored(o.rig, "Reset"), 2);
        QCOMPARE(Stored(o.rig, "Report"), 0);
    }

    // "Reset now" resets at once with the switch as shown, and the dialog stays open; "Create
    // Report now" only writes the report.
    void resetAndReportNow() {
        Opened o(9);
        THistoryRecord r{};
        QVERIFY(AppendHistoryRecord(o.rig.ProgramPath(), r));
        const QString report =
            QString::fromStdString(ReportsPath(o.rig.ProgramPath())) + "/2026-12-9.rpt";
        o.form->show();
        std::vector<std::string> notices;
        o.rig.boxes.SetNoticeLine([&](const std::string& text) { notices.push_back(text); });

        o.click("CreateReportButton");
        QCOMPARE(QFileInfo(report).size(), 142 * 6);
        QVERIFY(o.rig.boxes.shown().empty()); // no box waits for an answer
        QCOMPARE(notices, std::vector<std::string>{"The report 2026-12-9.rpt"
                                                   " was written with 1 connection."});
        QCOMPARE(o.rig.Records().size(), std::size_t(1));
        QCOMPARE(Stored(o.rig, "Day"), 1);

        QVERIFY(QFile::remove(report));
        o.report()->setChecked(true);
        o.click("ResetNowButton");
        QVERIFY(o.rig.boxes.shown().empty());
        QCOMPARE(QFileInfo(report).size(), 142 * 6);
        QCOMPARE(o.rig.Records().size(), std::size_t(0));
        QCOMPARE(Stored(o.rig, "Day"), 9);
        QVERIFY(o.form->isVisible());
    }
};

QTEST_MAIN(CounterDialogTest)
#include "test_counter_dialog.moc"
