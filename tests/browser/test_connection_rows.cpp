#include "support/HistoryTestSupport.h"

#include "browser/ConnectionRows.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace netrova;
using namespace netrova::test;

namespace {

using Records = std::vector<THistoryRecord>;

QStringList Column(const ConnectionRows& rows, int column) {
    QStringList texts;
    for (std::size_t i = 0; i < rows.Count(); ++i)
        texts << QString::fromStdString(rows.Text(i, column));
    return texts;
}

// Rows of "All days" over a history of the records in dir.
void Load(const QTemporaryDir& dir, const Records& records, ConnectionRows& rows,
          Figures* shown = nullptr) {
    WriteHistory(dir.path().toStdString(), records);
    Figures own;
    Figures& figures = shown ? *shown : own;
    QCOMPARE(FillTable(dir.path().toStdString(), BrowserView::AllDays, TStamp{2026, 7, 0, 5}, rows,
                       figures),
             FillResult::Filled);
}

QStringList FigureTexts(const Figures& f) {
    return {QString::fromStdString(f.TotalFee), QString::fromStdString(f.AverageTime),
            QString::fromStdString(f.AverageCost)};
}

} // namespace

Q_DECLARE_METATYPE(Records)
Q_DECLARE_METATYPE(BrowserView)

class TestConnectionRows : public QObject {
    Q_OBJECT

private slots:
    void fillByView_data();
    void fillByView();
    void noHistoryKeepsRowsAndFigures_data();
    void noHistoryKeepsRowsAndFigures();
    void rowTexts();
    void columnClicks_data();
    void columnClicks();
    void pauseStopsTheFill();
};

void TestConnectionRows::fillByView_data() {
    QTest::addColumn<Records>("records");
    QTest::addColumn<BrowserView>("view");
    QTest::addColumn<QStringList>("users");   // rows shown, in file order
    QTest::addColumn<QStringList>("figures"); // total fee, average time, average cost

    // Today is 5 July 2026 throughout.
    QTest::newRow("month: June, July, July")
        << Records{Connection("jun", 100, 60, 2026, 6, 30), Connection("jul1", 200, 10, 2026, 7, 1),
                   Connection("jul2", 301, 21, 2026, 7, 2)}
        << BrowserView::ThisMonth << QStringList{"jul1", "jul2"}
        << QStringList{"5 dol. 1 c.", "0:0:15", "2 dol. 50 c."};
    QTest::newRow("month: June, July, June empties")
        << Records{Connection("jun", 100, 60, 2026, 6, 30), Connection("jul", 200, 10, 2026, 7, 1),
                   Connection("jun2", 301, 21, 2026, 6, 2)}
        << BrowserView::ThisMonth << QStringList{}
        << QStringList{"0 dol. 0 c.", "0 h. 0 m.", "0 dol. 0 c."};
    QTest::newRow("month: the year is not compared")
        << Records{Connection("old", 100, 60, 1999, 7, 9)} << BrowserView::ThisMonth
        << QStringList{"old"} << QStringList{"1 dol. 0 c.", "0:1:0", "1 dol. 0 c."};
    QTest::newRow("day: same day of an earlier year")
        << Records{Connection("y1999", 123, 3725, 1999, 7, 5)} << BrowserView::ThisDay
        << QStringList{"y1999"} << QStringList{"1 dol. 23 c.", "1:2:5", "1 dol. 23 c."};
    QTest::newRow("day: 4 July after it empties")
        << Records{Connection("y1999", 123, 3725, 1999, 7, 5), Connection("jul4", 5, 5, 2026, 7, 4)}
        << BrowserView::ThisDay << QStringList{}
        << QStringList{"0 dol. 0 c.", "0 h. 0 m.", "0 dol. 0 c."};
    QTest::newRow("day: 5 June is another month")
        << Records{Connection("jun5", 1, 1, 2026, 6, 5)} << BrowserView::ThisDay << QStringList{}
        << QStringList{"0 dol. 0 c.", "0 h. 0 m.", "0 dol. 0 c."};
    QTest::newRow("day: the last record alone")
        << Records{Connection("a", 900, 900, 2026, 7, 5), Connection("b", 800, 800, 2026, 7, 3),
                   Connection("c", 7, 61, 2026, 7, 5)}
        << BrowserView::ThisDay << QStringList{"c"}
        << QStringList{"0 dol. 7 c.", "0:1:1", "0 dol. 7 c."};
    QTest::newRow("all days: 601 / 3 cents")
        << Records{Connection("a", 100, 1, 2025, 1, 1), Connection("b", 200, 2, 2026, 12, 31),
                   Connection("c", 301, 3, 2026, 7, 5)}
        << BrowserView::AllDays << QStringList{"a", "b", "c"}
        << QStringList{"6 dol. 1 c.", "0:0:2", "2 dol. 0 c."};
    QTest::newRow("all days: sums past 32 bits")
        << Records{Connection("a", 2000000000, 2000000000, 2026, 7, 1),
                   Connection("b", 2000000000, 2000000000, 2026, 7, 2)}
        << BrowserView::AllDays << QStringList{"a", "b"}
        << QStringList{"40000000 dol. 0 c.", "555555:33:20", "20000000 dol. 0 c."};
}

void TestConnectionRows::fillByView() {
    QFETCH(Records, records);
    QFETCH(BrowserView, view);
    QFETCH(QStringList, users);
    QFETCH(QStringList, figures);

    QTemporaryDir dir;
    WriteHistory(dir.path().toStdString(), records);
    ConnectionRows rows;
    Figures shown;
    shown.TotalFee = "stale";
    const TStamp today{2026, 7, 0, 5, 9, 0, 0, 0};
    QCOMPARE(FillTable(dir.path().toStdString(), view, today, rows, shown), FillResult::Filled);
    QCOMPARE(Column(rows, tcUserName), users);
    QCOMPARE(FigureTexts(shown), figures);
}

void TestConnectionRows::noHistoryKeepsRowsAndFigures_data() {
    QTest::addColumn<bool>("emptyFile");
    QTest::newRow("missing") << false;
    QTest::newRow("empty") << true;
}

void TestConnectionRows::noHistoryKeepsRowsAndFigures() {
    QFETCH(bool, emptyFile);
    QTemporaryDir dir;
    const std::string path = dir.path().toStdString();
    if (emptyFile)
        QVERIFY(EmptyHistory(path));

    // Rows and figures of an earlier fill stay as they are.
    QTemporaryDir earlier;
    ConnectionRows rows;
    Load(earlier, {Connection("earlier", 1, 1)}, rows);
    Figures figures;
    figures.TotalFee = "9 dol. 9 c.";
    QCOMPARE(FillTable(path, BrowserView::AllDays, TStamp{2026, 7, 0, 5}, rows, figures),
             FillResult::NoHistory);
    QCOMPARE(rows.Count(), std::size_t{1});
    QCOMPARE(FigureTexts(figures), (QStringList{"9 dol. 9 c.", "0 h. 0 m.", "0 dol. 0 c."}));
}

void TestConnectionRows::rowTexts() {
    THistoryRecord r = Connection("Default", 1205, 5400, 1999, 7, 4, "My ISP");
    r.Ended = TStamp{1999, 7, 1, 5, 0, 5, 9, 0};
    SetFieldText(r.TotalFeeText, "as stored, not recomputed");
    QTemporaryDir dir;
    QVERIFY(WriteVolumeRecord(dir.path().toStdString(), 0, VolumeRecordOf(r, Volume{1536, 5})));
    ConnectionRows rows;
    Figures figures;
    Load(dir, {r}, rows, &figures);
    QStringList texts;
    for (int c = 0; c < kTableColumnCount; ++c)
        texts << QString::fromStdString(rows.Text(0, c));
    QCOMPARE(texts, (QStringList{"Default", "My ISP", "12 dol. 5 c.", "1:30:0", "1.5 KiB", "5 B",
                                 "as stored, not recomputed", "1999/7/4", "10:20:30", "1999/7/5",
                                 "0:5:9"}));
    QCOMPARE(figures.Volume, std::string("1.5 KiB"));
}

void TestConnectionRows::columnClicks_data() {
    QTest::addColumn<QList<int>>("clicks");
    QTest::addColumn<int>("shownColumn");
    QTest::addColumn<QStringList>("order"); // shownColumn's texts after the clicks
    QTest::addColumn<bool>("ascending");

    // Rows in file order: fee 950, 1005, 5, 1000000 cents; times 10, 9, 3600, 59 s.
    QTest::newRow("fee ascending by cents")
        << QList<int>{tcFee} << int(tcFee)
        << QStringList{"0 dol. 5 c.", "9 dol. 50 c.", "10 dol. 5 c.", "10000 dol. 0 c."} << true;
    QTest::newRow("fee again: descending")
        << QList<int>{tcFee, tcFee} << int(tcFee)
        << QStringList{"10000 dol. 0 c.", "10 dol. 5 c.", "9 dol. 50 c.", "0 dol. 5 c."} << false;
    QTest::newRow("time ascending by seconds")
        << QList<int>{tcTime} << int(tcTime) << QStringList{"0:0:9", "0:0:10", "0:0:59", "1:0:0"}
        << true;
    QTest::newRow("time then started date then time: ascending again")
        << QList<int>{tcTime, tcStartedDate, tcTime} << int(tcTime)
        << QStringList{"0:0:9", "0:0:10", "0:0:59", "1:0:0"} << true;
    QTest::newRow("names byte by byte, case-sensitive, prefix first")
        << QList<int>{tcUserName} << int(tcUserName) << QStringList{"An", "Anna", "Zed", "anna"}
        << true;
    // Received 1536, unknown, 0, 5 GiB; sent 7, unknown, 1023, 1.
    QTest::newRow("received ascending: unknown below 0, past 32 bits")
        << QList<int>{tcReceived} << int(tcReceived)
        << QStringList{"\u2013", "0 B", "1.5 KiB", "5.0 GiB"} << true;
    QTest::newRow("sent again: descending, unknown last")
        << QList<int>{tcSent, tcSent} << int(tcSent)
        << QStringList{"1023 B", "7 B", "1 B", "\u2013"} << false;
    QTest::newRow("first click on the provider of the start state: ascending")
        << QList<int>{tcProvider} << int(tcProvider) << QStringList{"a", "b", "b", "c"} << true;
}

void TestConnectionRows::columnClicks() {
    QFETCH(QList<int>, clicks);
    QFETCH(int, shownColumn);
    QFETCH(QStringList, order);
    QFETCH(bool, ascending);

    QTemporaryDir dir;
    const Records records = {Connection("Anna", 950, 10, 2026, 7, 5, "b"),
                             Connection("anna", 1005, 9, 2026, 7, 5, "c"),
                             Connection("Zed", 5, 3600, 2026, 7, 5, "a"),
                             Connection("An", 1000000, 59, 2026, 7, 5, "b")};
    const std::optional<Volume> volumes[] = {Volume{1536, 7}, std::nullopt, Volume{0, 1023},
                                             Volume{5ULL << 30, 1}};
    for (std::size_t i = 0; i < records.size(); ++i)
        QVERIFY(
            WriteVolumeRecord(dir.path().toStdString(), i, VolumeRecordOf(records[i], volumes[i])));
    ConnectionRows rows;
    Load(dir, records, rows);

    SortState sort = BrowserSort();
    QCOMPARE(sort.SortColumn, int(tcProvider));
    for (const int column : clicks) {
        const bool sorts = TableColumnClick(sort, column);
        QCOMPARE(sorts, column != tcStartedDate);
        if (sorts)
            rows.Sort(sort);
    }
    QCOMPARE(sort.SortAscending, ascending);
    QCOMPARE(Column(rows, shownColumn), order);
}

void TestConnectionRows::pauseStopsTheFill() {
    QTemporaryDir dir;
    const std::string path = dir.path().toStdString();
    WriteLongHistory(path, Connection("u", 1, 1), 3 * int(kFillStep));
    ConnectionRows rows;
    Figures figures;
    int pauses = 0;
    const FillResult result = FillTable(path, BrowserView::AllDays, TStamp{2026, 7, 0, 5}, rows,
                                        figures, [&] { return ++pauses < 2; });
    QCOMPARE(result, FillResult::Stopped);
    QCOMPARE(rows.Count(), 2 * kFillStep);
    QCOMPARE(FigureTexts(figures), FigureTexts(Figures{}));
}

QTEST_GUILESS_MAIN(TestConnectionRows)
#include "test_connection_rows.moc"
