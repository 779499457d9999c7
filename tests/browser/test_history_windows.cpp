#include "support/HistoryTestSupport.h"

#include "../support/TempStore.h"
#include "browser/ConnectionsWindow.h"
#include "counter/Forecast.h"
#include "platform/Clock.h"
#include "platform/Contrast.h"
#include "platform/HelpViewer.h"
#include "platform/ListViews.h"
#include "platform/TextViewer.h"
#include "reports/OpenReportDialog.h"
#include "reports/ReportFiles.h"
#include "settings/Defaults.h"
#include "statistics/StatisticsWindow.h"
#include "statistics/UsageChartView.h"
#include "support/ClippedTexts.h"
#include "support/DesktopDoubles.h"
#include "support/FakeClock.h"
#include "support/ScriptedMessageBoxes.h"

#include <QApplication>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <memory>
#include <vector>

using namespace netrova;
using namespace netrova::test;

namespace {

template <class W> W* Get(QWidget& window, const char* name) {
    W* w = window.findChild<W*>(QLatin1String(name));
    if (!w)
        qFatal("no control %s", name);
    return w;
}

QString Label(QWidget& window, const char* name) {
    return Get<QLabel>(window, name)->text();
}

QStringList ModelColumn(const QAbstractItemModel& model, int column) {
    QStringList texts;
    for (int r = 0; r < model.rowCount(); ++r)
        texts << model.index(r, column).data().toString();
    return texts;
}

// The view, the sort labels and the arrows as one line, for compact checks.
QString SortShown(QWidget& w) {
    return Label(w, "SortedBy") + "/" + Label(w, "Direction") + "/" +
           (Get<QLabel>(w, "Image1")->isVisibleTo(&w) ? "down" : "") +
           (Get<QLabel>(w, "Image2")->isVisibleTo(&w) ? "up" : "");
}

// Whether a view button carries the marker (the others keep an empty picture of its size).
bool Marked(QToolButton* button) {
    const QImage picture = button->icon().pixmap(16).toImage();
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            if (qAlpha(picture.pixel(x, y)) != 0)
                return true;
    return false;
}

// What a browser needs, on 5 July 2026, with a sort state of its own.
struct BrowserRig {
    BrowserRig() { clock.Set(2026, 7, 5, 12, 0, 0); }
    TForm7* Open() {
        windows.push_back(std::make_unique<TForm7>(path, clock, help, sort));
        return windows.back().get();
    }

    TempStore ts;
    const std::string path = ts.dir();
    FakeClock clock;
    RecordingHelpViewer help;
    SortState sort = BrowserSort();
    std::vector<std::unique_ptr<TForm7>> windows;
};

} // namespace

class TestHistoryWindows : public QObject {
    Q_OBJECT

private slots:
    void browser();
    void browserStaysResponsiveWhileLoading();
    void browserColumnsFitTheirTexts_data();
    void browserColumnsFitTheirTexts();
    void statistics();
    void statisticsForecastAndChart_data();
    void statisticsForecastAndChart();
    void openReport();
    void desktopViewerIsNotWaitedFor();
};

void TestHistoryWindows::browser() {
    BrowserRig rig;
    const std::string& path = rig.path;

    {
        TForm7& empty = *rig.Open();
        // An empty history leaves the initial figures, and the list says it is empty.
        empty.show();
        empty.FormActivate();
        QCOMPARE(empty.Model().rowCount(), 0);
        const QImage list = Get<QAbstractItemView>(empty, "Table")->viewport()->grab().toImage();
        const QRgb base = list.pixel(1, 1);
        int written = 0;
        for (int y = 0; y < list.height(); ++y)
            for (int x = 0; x < list.width(); ++x)
                written += list.pixel(x, y) != base;
        QVERIFY(written > 0);
        QCOMPARE(Label(empty, "TotalFee"), QString("0 dol. 0 c."));
        QCOMPARE(Label(empty, "AverageTime"), QString("0 h. 0 m."));
    }

    WriteHistory(path, {Connection("anna", 1005, 10, 2026, 6, 30),
                        Connection("anna", 2000, 30, 2026, 7, 4), Connection("bob", 950, 21)});
    TForm7& window = *rig.Open();
    window.show();
    QTRY_COMPARE(window.Model().rowCount(), 3); // activation loads "All days"
    QVERIFY(Marked(Get<QToolButton>(window, "AllDays")));
    QVERIFY(!Marked(Get<QToolButton>(window, "ThisDay")));
    QVERIFY(Get<QToolButton>(window, "AllDays")->isChecked());
    QCOMPARE(Label(window, "TotalFee"), QString("39 dol. 55 c."));
    QCOMPARE(Label(window, "AverageTime"), QString("0:0:20"));
    QCOMPARE(Label(window, "AverageCost"), QString("13 dol. 18 c."));
    window.TableColumnClick(tcStartedDate); // recorded, nothing sorted, labels kept
    QCOMPARE(SortShown(window), QString("None/None/"));

    // From the keyboard: Tab leaves the list, Shift+Tab comes back; Space on a view button.
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    auto* list = Get<QAbstractItemView>(window, "Table");
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Tab);
    QVERIFY(QApplication::focusWidget() != list);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget(), list);
    Get<QToolButton>(window, "ThisMonth")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    QCOMPARE(window.View(), BrowserView::ThisMonth);
    QVERIFY(Get<QToolButton>(window, "ThisMonth")->isChecked());
    QVERIFY(!Get<QToolButton>(window, "AllDays")->isChecked());
    QVERIFY(!Marked(Get<QToolButton>(window, "AllDays")));
    QVERIFY(Marked(Get<QToolButton>(window, "ThisMonth")));
    QCOMPARE(ModelColumn(window.Model(), tcFee), (QStringList{"20 dol. 0 c.", "9 dol. 50 c."}));
    QCOMPARE(Label(window, "AverageCost"), QString("14 dol. 75 c."));

    // The sort choice of the "Sort" button does what a header click does.
    const QList<QAction*> sorts = Get<QToolButton>(window, "SortButton")->menu()->actions();
    const auto byFee = std::find_if(sorts.begin(), sorts.end(),
                                    [](QAction* a) { return a->text() == "Con. fee"; });
    QVERIFY(byFee != sorts.end());
    (*byFee)->trigger();
    QCOMPARE(ModelColumn(window.Model(), tcFee), (QStringList{"9 dol. 50 c.", "20 dol. 0 c."}));
    QCOMPARE(SortShown(window), QString("Con. fee/Down/down"));

    // A change of view refills in file order and keeps the labels.
    QTest::mouseClick(Get<QToolButton>(window, "ThisDay"), Qt::LeftButton);
    QCOMPARE(ModelColumn(window.Model(), tcUserName), QStringList{"bob"});
    QCOMPARE(SortShown(window), QString("Con. fee/Down/down"));
    // and the rows of the new view are in the order the labels show.
    QTest::mouseClick(Get<QToolButton>(window, "AllDays"), Qt::LeftButton);
    QCOMPARE(ModelColumn(window.Model(), tcFee),
             (QStringList{"9 dol. 50 c.", "10 dol. 5 c.", "20 dol. 0 c."}));
    QCOMPARE(SortShown(window), QString("Con. fee/Down/down"));

    QTest::mouseClick(Get<QPushButton>(window, "HelpButton"), Qt::LeftButton);
    QCOMPARE(rig.help.requests, std::vector<int>{13});
    QTest::mouseClick(Get<QPushButton>(window, "OKButton"), Qt::LeftButton);
    QVERIFY(!window.isVisible());
    QCOMPARE(window.Model().rowCount(), 0); // closing empties the list

    // The sort state outlives the window: a new one starts with "None" and the next click
    // on "Con. fee" reverses it.
    TForm7& again = *rig.Open();
    again.FormActivate();
    QCOMPARE(SortShown(again), QString("None/None/"));
    again.TableColumnClick(tcFee);
    QCOMPARE(SortShown(again), QString("Con. fee/Up/up"));
    QCOMPARE(ModelColumn(again.Model(), tcFee),
             (QStringList{"20 dol. 0 c.", "10 dol. 5 c.", "9 dol. 50 c."}));
    // The current row and the selection stay on their connection through a sort.
    auto* table = Get<QAbstractItemView>(again, "Table");
    table->setCurrentIndex(again.Model().index(0, tcUserName)); // anna's 20 dol. 0 c.
    again.TableColumnClick(tcTime);
    QCOMPARE(ModelColumn(again.Model(), tcTime), (QStringList{"0:0:10", "0:0:21", "0:0:30"}));
    QCOMPARE(table->currentIndex().row(), 2);
    QCOMPARE(table->currentIndex().siblingAtColumn(tcFee).data().toString(),
             QString("20 dol. 0 c."));
    QCOMPARE(table->selectionModel()->selectedRows().value(0).row(), 2);
}

void TestHistoryWindows::browserColumnsFitTheirTexts_data() {
    QTest::addColumn<int>("pointSize");
    QTest::newRow("9 pt") << 9;
    QTest::newRow("14 pt") << 14;
}

void TestHistoryWindows::browserColumnsFitTheirTexts() {
    QFETCH(int, pointSize);
    BrowserRig rig;
    THistoryRecord wide = Connection("Administrator of this machine", 12345678, 3599999, 2026, 12,
                                     28, std::string(49, 'W'));
    wide.Ended = TStamp{2026, 12, 0, 28, 23, 59, 58, 0};
    SetFieldText(wide.TotalFeeText, "21474836 dol. 47 c.");
    WriteHistory(rig.path, {Connection("a", 1, 1), wide});
    TForm7& window = *rig.Open();
    QFont font = window.font();
    font.setPointSize(pointSize);
    window.setFont(font);
    window.show();
    window.FormActivate();
    QVERIFY(window.maximumWidth() > window.minimumWidth()); // it can be resized

    // The window lies within the screen's free area, and so does its smallest size.
    const QRect free = window.screen()->availableGeometry();
    QVERIFY2(free.contains(window.geometry()), qPrintable(QString("%1x%2 at %3,%4")
                                                              .arg(window.width())
                                                              .arg(window.height())
                                                              .arg(window.x())
                                                              .arg(window.y())));
    QVERIFY(window.minimumSizeHint().width() <= free.width());
    QVERIFY(window.minimumSizeHint().height() <= free.height());
    // Every header and cell gets at least the width the style asks for its text (the list
    // scrolls sideways when the window is narrower), and no label is clipped.
    auto* table = Get<UniformRowsView>(window, "Table");
    for (int c = 0; c < kTableColumnCount; ++c)
        QVERIFY2(table->columnWidth(c) >= kTableWidths[c], kTableCaptions[c]);
    for (const int width : {window.width(), window.minimumSizeHint().width()}) {
        window.resize(width, window.height());
        QCoreApplication::processEvents(); // the figures' layout
        const QStringList clipped = ClippedTexts(window);
        QVERIFY2(clipped.isEmpty(), qPrintable(QString::number(width) + ": " + clipped.join("; ")));
    }
}

void TestHistoryWindows::browserStaysResponsiveWhileLoading() {
    BrowserRig rig;
    const std::string& path = rig.path;
    constexpr int kRecords = 100000;
    WriteLongHistory(path, Connection("old", 1, 1, 2026, 6, 1), kRecords);
    WriteHistory(path, {Connection("today", 7, 70, 2026, 7, 5)});

    TForm7& window = *rig.Open();
    int rowsSeen = -1;
    bool loadingSeen = false;
    // Runs in the load's first pause: the first rows are there, a header click waits for the
    // rows, and a change of view abandons the load.
    QTimer::singleShot(0, &window, [&] {
        loadingSeen = window.Loading();
        rowsSeen = window.Model().rowCount();
        window.TableColumnClick(tcTime);
        window.ViewClick(BrowserView::ThisDay);
    });
    window.FormActivate();
    QVERIFY(loadingSeen);
    QVERIFY(rowsSeen > 0 && rowsSeen < kRecords);
    QVERIFY(!window.Loading());
    QCOMPARE(ModelColumn(window.Model(), tcUserName), QStringList{"today"});
    QCOMPARE(Label(window, "TotalFee"), QString("0 dol. 7 c."));
    QCOMPARE(Label(window, "SortedBy"), QString("None")); // dropped with the abandoned load

    // Without interruption the whole history arrives, and a click during the load sorts the
    // whole list afterwards.
    QTimer::singleShot(0, &window, [&] { window.TableColumnClick(tcTime); });
    window.ViewClick(BrowserView::AllDays);
    QCOMPARE(window.Model().rowCount(), kRecords + 1);
    QCOMPARE(window.Model().index(kRecords, tcUserName).data().toString(), QString("today"));
    QCOMPARE(Label(window, "SortedBy"), QString("Con. time"));
    QCOMPARE(Label(window, "AverageCost"), QString("0 dol. 1 c."));
}

void TestHistoryWindows::statistics() {
    TempStore ts;
    const std::string path = ts.dir();
    RecordingHelpViewer help;
    SortState sort = UsersSort();
    int allTime = 10800;
    const int allMoney = 0;
    FakeClock clock;
    ts.SetInt(Root::LocalMachine, kUsersKey, "Crash", 1);
    WriteHistory(path,
                 {Connection("A", 1000, 5000), Connection("B", 2, 1), Connection("A", 205, 400)});

    TForm9 window(
        ts, help, clock,
        [&] {
            return CounterFigures{path, allTime, allMoney, std::nullopt};
        },
        {}, sort);
    for (int opening = 0; opening < 2; ++opening) {
        QTimer::singleShot(0, &window, [&] {
            const auto close = qScopeGuard([&] { window.accept(); });
            QTRY_COMPARE(window.Model().rowCount(), 2);
            QCOMPARE(ModelColumn(window.Model(), ucConnections), (QStringList{"2", "1"}));
            QCOMPARE(ModelColumn(window.Model(), ucTotalTime), (QStringList{"1:30:0", "0:0:1"}));
            QCOMPARE(ModelColumn(window.Model(), ucTotalFee),
                     (QStringList{"12 d. 5 c.", "0 d. 2 c."}));
            QCOMPARE(Label(window, "TotalCrashes"), QString("1"));
            QCOMPARE(Label(window, "CrashRate"),
                     QString("0") + QLocale::system().decimalPoint() + "333");
            // The tabs turn with Ctrl+PgDown and Ctrl+Tab; the window keeps its size and place.
            const QRect place = window.geometry();
            auto* tabs = Get<QTabWidget>(window, "Tabs");
            QTest::keyClick(&window, Qt::Key_PageDown, Qt::ControlModifier);
            QCOMPARE(tabs->currentIndex(), 1);
            QTest::keyClick(&window, Qt::Key_Tab, Qt::ControlModifier);
            QCOMPARE(tabs->currentIndex(), 0);
            QCOMPARE(window.geometry(), place);
            QTest::mouseClick(Get<QPushButton>(window, "HelpButton"), Qt::LeftButton);
            // The first click of the run sorts ascending, the one of the next opening reverses.
            window.UsersColumnClick(ucConnections);
            QCOMPARE(ModelColumn(window.Model(), ucUserName),
                     (opening == 0 ? QStringList{"B", "A"} : QStringList{"A", "B"}));
            QTest::mouseClick(Get<QPushButton>(window, "OKButton"), Qt::LeftButton);
        });
        window.ShowModal();
        QCOMPARE(window.Model().rowCount(), 0); // emptied on close, not doubled next time
    }
    QCOMPARE(help.requests, (std::vector<int>{17, 17}));

    // The counter time is read at each showing; a store error closes the window and reaches
    // the opener.
    allTime = 3599;
    ts.SetStr(Root::LocalMachine, kUsersKey, "Crash", "not a number");
    QVERIFY_THROWS_EXCEPTION(StoreError, window.ShowModal());
    QVERIFY(!window.isVisible());
    ts.SetInt(Root::LocalMachine, kUsersKey, "Crash", 4);
    QTimer::singleShot(0, &window, [&] {
        const auto close = qScopeGuard([&] { window.accept(); });
        QTRY_COMPARE(window.Model().rowCount(), 2);
        QCOMPARE(Label(window, "CrashRate"), QString("0"));
    });
    window.ShowModal();
}

void TestHistoryWindows::statisticsForecastAndChart_data() {
    QTest::addColumn<QDate>("since"); // invalid: no counter in the store
    QTest::addColumn<int>("policy");
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QString>("forecast");
    QTest::addColumn<int>("bars");
    QTest::addColumn<QString>("timeAxis");
    QTest::addColumn<QString>("range");
    QTest::addColumn<QString>("used");   // bar:time/fee of the days with connections
    QTest::addColumn<QString>("volume"); // bar:received/sent in MiB of the days with a volume

    // 10 days of 31; the connections that ended before the period are not on its first day.
    QTest::newRow("monthly, mid-period")
        << QDate(2026, 7, 1) << 2 << QDate(2026, 7, 10)
        << "By the next reset: about 31 h. 0 min., 31 dol. 0 c." << 10 << "Time, min."
        << "2026/7/1 - 2026/7/10"
        << "0:20/1 3:40/1.75 9:50/3"
        << "9:3/0.5";
    // 191 days so far of 212 to the end of July; the chart keeps the last 62 days, without the
    // connection of 1 March.
    QTest::newRow("never, long period")
        << QDate(2026, 1, 1) << 4 << QDate(2026, 7, 10)
        << "By the next reset: about 11 h. 5 min., 11 dol. 9 c." << 62 << "Time, min."
        << "2026/5/10 - 2026/7/10"
        << "51:10/0.5 52:20/1 55:40/1.75 61:50/3"
        << "61:3/0.5";
    // A clock set back: the later connections go to today, which reaches hours.
    QTest::newRow("later stamps on today")
        << QDate(2026, 6, 29) << 2 << QDate(2026, 6, 29)
        << "By the next reset: about 0 h. 0 min., 0 dol. 0 c." << 1 << "Time, h."
        << "2026/6/29 - 2026/6/29"
        << "0:2/6.25"
        << "0:3/0.5";
    QTest::newRow("no counter") << QDate() << 2 << QDate(2026, 7, 10)
                                << "No forecast: the counter has no totals yet." << 0 << ""
                                << "No counter period to chart."
                                << ""
                                << "";
}

void TestHistoryWindows::statisticsForecastAndChart() {
    QFETCH(QDate, since);
    QFETCH(int, policy);
    QFETCH(QDate, today);
    QFETCH(QString, forecast);
    QFETCH(int, bars);
    QFETCH(QString, timeAxis);
    QFETCH(QString, range);
    QFETCH(QString, used);
    QFETCH(QString, volume);
    TempStore ts;
    const std::string path = ts.dir();
    RecordingHelpViewer help;
    FakeClock clock;
    clock.Set(today.year(), today.month(), today.day(), 12, 0, 0);
    if (since.isValid()) {
        const std::pair<const char*, int> values[] = {
            {"Year", since.year()}, {"Month", since.month()}, {"Day", since.day()},
            {"Reset", policy},      {"Reset14", 14},          {"AllMoney", 1}};
        for (const auto& [name, value] : values)
            ts.SetInt(Root::LocalMachine, kCounterAllKey, name, value);
        ts.SetStr(Root::LocalMachine, kCounterAllKey, "AllTime", "1"); // the monitor's are newer
    }
    WriteHistory(path,
                 {Connection("B", 1, 60, 2026, 3, 1), Connection("A", 50, 600, 2026, 6, 30),
                  Connection("A", 100, 1200, 2026, 7, 1), Connection("B", 150, 1800, 2026, 7, 4),
                  Connection("A", 25, 600, 2026, 7, 4), Connection("A", 300, 3000, 2026, 7, 10)});
    // Only the last connection's volume is known.
    QVERIFY(WriteVolumeRecord(
        path, 5,
        VolumeRecordOf(Connection("A", 300, 3000, 2026, 7, 10), Volume{3 << 20, 1 << 19})));
    // Live totals: 36000 s and 1000 c., none yet on the period's first day.
    const int allTime = since == today ? 0 : 36000;
    const int allMoney = since == today ? 0 : 1000;
    SortState sort = UsersSort();
    TForm9 window(
        ts, help, clock,
        [&] {
            // A money limit of 1000 dol.; no data limit.
            return CounterFigures{path, allTime, allMoney, std::nullopt, 100000, 0};
        },
        [&](const TStamp& now, int time, int money, std::optional<std::uint64_t> bytes) {
            return CounterPeriod(ts, now, time, money, bytes);
        },
        sort);
    QChart& chart = *Get<UsageChartView>(window, "UsageChart")->chart();

    QTimer::singleShot(0, &window, [&] {
        const auto close = qScopeGuard([&] { window.accept(); });
        QTRY_COMPARE(window.Model().rowCount(), 2);
        QCOMPARE(Label(window, "Forecast"), forecast);
        // The limit is shown with the period's pace, and not without a period.
        const QString limit = Label(window, "LimitForecast");
        if (!since.isValid())
            QVERIFY(limit.isEmpty());
        else if (allMoney > 0)
            QVERIFY2(limit.startsWith("Money limit 1000 dol. 0 c.: used 10 dol. 0 c. (1 %), "
                                      "reached about ") &&
                         !limit.contains("Data limit"),
                     qPrintable(limit));
        QStringList got;
        QBarSet* time = nullptr;
        QBarSet* fee = nullptr;
        for (QAbstractSeries* s : chart.series())
            for (QBarSet* set : static_cast<QBarSeries*>(s)->barSets()) {
                if (set->label() == "Connection time" && s->objectName() == "TimeSeries")
                    time = set;
                if (set->label() == "Fee" && s->objectName() == "FeeSeries")
                    fee = set;
            }
        QCOMPARE(chart.title(), range);
        QCOMPARE(time != nullptr, bars > 0);
        if (!time)
            return;
        QVERIFY(fee);
        QCOMPARE(time->count(), bars);
        QCOMPARE(fee->count(), bars);
        for (int i = 0; i < bars; ++i)
            if (time->at(i) != 0 || fee->at(i) != 0)
                got << QString::number(i) + ":" + QString::number(time->at(i)) + "/" +
                           QString::number(fee->at(i));

        QCOMPARE(got.join(' '), used);
        QCOMPARE(chart.axes(Qt::Vertical, static_cast<QBarSeries*>(chart.series().front()))
                     .front()
                     ->titleText(),
                 timeAxis);

        // The other choice draws the same days' volume, received and sent side by side.
        Get<QComboBox>(window, "ChartShows")->setCurrentIndex(1);
        QCOMPARE(chart.series().size(), 1);
        auto* series = static_cast<QBarSeries*>(chart.series().front());
        QCOMPARE(series->objectName(), QString("VolumeSeries"));
        const QList<QBarSet*> sets = series->barSets();
        QCOMPARE(sets.size(), 2);
        QCOMPARE(sets[0]->label() + "/" + sets[1]->label(), QString("Received/Sent"));
        QCOMPARE(sets[0]->count(), bars);
        got.clear();
        for (int i = 0; i < bars; ++i)
            if (sets[0]->at(i) != 0 || sets[1]->at(i) != 0)
                got << QString::number(i) + ":" + QString::number(sets[0]->at(i)) + "/" +
                           QString::number(sets[1]->at(i));
        QCOMPARE(got.join(' '), volume);
        QCOMPARE(chart.axes(Qt::Vertical, series).front()->titleText(), QString("Volume, MiB"));

        // Every bar stands out from the chart's background by 3:1, on a light and a dark
        // palette.
        QPalette dark(QColor(53, 53, 53));
        dark.setColor(QPalette::Base, QColor(35, 35, 35));
        for (const QPalette& palette : {window.palette(), dark}) {
            window.setPalette(palette);
            for (int shows : {0, 1}) {
                Get<QComboBox>(window, "ChartShows")->setCurrentIndex(shows);
                for (QAbstractSeries* s : chart.series())
                    for (QBarSet* set : static_cast<QBarSeries*>(s)->barSets())
                        QVERIFY2(Contrast(set->color(), chart.backgroundBrush().color()) >= 3.0,
                                 qPrintable(set->label()));
            }
        }
    });
    window.ShowModal();
    QVERIFY(chart.series().isEmpty()); // emptied on close
    QVERIFY(Label(window, "Forecast").isEmpty());
}

void TestHistoryWindows::openReport() {
    TempStore ts;
    const std::string path = ts.dir();
    RecordingTextViewer viewer;
    const QString reports = QString::fromStdString(ReportsPath(path));

    TForm10 dialog(viewer, [&] { return path; });
    QVERIFY(QDir(reports).exists()); // made on creation
    auto* list = Get<QListWidget>(dialog, "FileListBox1");
    auto* open = Get<QPushButton>(dialog, "OpenButton");
    // No reports: the list says so, and there is nothing to open.
    QCOMPARE(list->count(), 1);
    QCOMPARE(list->item(0)->text(), QString("No reports"));
    QCOMPARE(list->item(0)->flags(), Qt::NoItemFlags);
    QVERIFY(!open->isEnabled());

    // Deleted while the program runs, made again at the next showing, with the new reports in
    // date order.
    QVERIFY(QDir(reports).removeRecursively());
    QVERIFY(QDir().mkpath(reports));
    for (const char* name : {"2026-10-1.rpt", "b.rpt", "2026-8-1.rpt", "A.rpt", "c.txt"}) {
        QFile f(reports + "/" + name);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QStringList shown;
    for (int i = 0; i < list->count(); ++i)
        shown << list->item(i)->text();
    QCOMPARE(shown, (QStringList{"2026-8-1.rpt", "2026-10-1.rpt", "A.rpt", "b.rpt"}));
    // Nothing is chosen, not even where the list takes the focus, until a key chooses.
    list->setFocus(Qt::TabFocusReason);
    QVERIFY(!list->currentIndex().isValid());
    QVERIFY(!open->isEnabled());
    QTest::keyClick(list, Qt::Key_Down);
    QVERIFY(open->isEnabled());
    QTest::keyClick(list, Qt::Key_Return);
    QCOMPARE(viewer.opened, std::vector<std::string>{reports.toStdString() + "/2026-8-1.rpt"});
    QVERIFY(dialog.isVisible()); // stays open

    // A double click opens too; a viewer that cannot start is named.
    viewer.fail = true;
    const QPoint second = list->visualItemRect(list->item(1)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, second); // a double click's press
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, second);
    const std::string failed = reports.toStdString() + "/2026-10-1.rpt";
    QCOMPARE(viewer.opened.back(), failed);
    auto* problem = Get<QLabel>(dialog, "Problem");
    QVERIFY(problem->isVisible());
    QCOMPARE(problem->text().toStdString(),
             "No viewer could be started for the report " + failed + ".");
    QTest::mouseClick(Get<QPushButton>(dialog, "CancelButton"), Qt::LeftButton);
    QVERIFY(!dialog.isVisible());
}

void TestHistoryWindows::desktopViewerIsNotWaitedFor() {
    QTemporaryDir dir;
    // A viewer that records its arguments, then keeps running.
    const QString script = dir.filePath("viewer.sh");
    {
        QFile f(script);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\nprintf '%s\\n' \"$#\" \"$1\" > \"$0.args\"\nsleep 5\n");
    }
    QVERIFY(QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    QElapsedTimer timer;
    timer.start();
    DesktopTextViewer viewer(script.toStdString());
    QVERIFY(viewer.Open("/some dir/2026-7-5.rpt"));
    QVERIFY(timer.elapsed() < 4000);
    const auto args = [&] {
        QFile f(script + ".args");
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    QTRY_COMPARE(args(), QByteArray("1\n/some dir/2026-7-5.rpt\n"));
    QVERIFY(!DesktopTextViewer(dir.filePath("missing").toStdString()).Open("x.rpt"));
}

QTEST_MAIN(TestHistoryWindows)
#include "test_history_windows.moc"
