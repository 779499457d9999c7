#include "history/HistoryFile.h"
#include "platform/MessageBoxes.h"
#include "reports/ReportFiles.h"
#include "support/ScriptedMessageBoxes.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

using namespace netrova;

namespace {

void Touch(const QString& path) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
}

QStringList Entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

QStringList Reports(const std::string& programPath) {
    QStringList names;
    for (const std::string& n : ListReports(programPath))
        names << QString::fromStdString(n);
    return names;
}

} // namespace

class TestReportFiles : public QObject {
    Q_OBJECT

private slots:
    void listAndDelete_data();
    void listAndDelete();
    void folderMadeAgain();
    void unknownProgramPathTouchesNothing();
};

void TestReportFiles::listAndDelete_data() {
    QTest::addColumn<int>("answer");
    QTest::addColumn<QStringList>("left");
    QTest::addColumn<QString>("told"); // after the question

    const QStringList all{"1999-10-1.rpt", "1999-2-1.rpt", "A.rpt",
                          "b.rpt",         "folder.rpt",   "link.rpt",
                          "notes.txt",     "pipe.rpt",     "report.rpt.bak"};
    QTest::newRow("No keeps everything") << int(MsgResult::No) << all << "";
    QTest::newRow("Yes deletes only the reports and links, and says how many")
        << int(MsgResult::Yes)
        << QStringList{"folder.rpt", "notes.txt", "pipe.rpt", "report.rpt.bak"}
        << "5 reports were deleted.";
}

void TestReportFiles::listAndDelete() {
    QFETCH(int, answer);
    QFETCH(QStringList, left);
    QFETCH(QString, told);

    QTemporaryDir dir;
    const std::string path = dir.path().toStdString();
    PrepareReportsFolder(path);
    const QString reports = QString::fromStdString(ReportsPath(path));
    QVERIFY(QDir(reports).exists());
    QCOMPARE(Reports(path), QStringList{});
    for (const char* name :
         {"b.rpt", "1999-2-1.rpt", "notes.txt", "A.rpt", "1999-10-1.rpt", "report.rpt.bak"})
        Touch(reports + "/" + name);
    QVERIFY(QDir(reports).mkdir("folder.rpt"));
    Touch(dir.path() + "/outside.rpt");
    QVERIFY(QFile::link(dir.path() + "/outside.rpt", reports + "/link.rpt"));
    QCOMPARE(mkfifo(QFile::encodeName(reports + "/pipe.rpt").constData(), 0600), 0);

    // In date order, the rest without regard to case: 1999-2-1 before 1999-10-1, "A" before "b".
    QCOMPARE(Reports(path),
             (QStringList{"1999-2-1.rpt", "1999-10-1.rpt", "A.rpt", "b.rpt", "link.rpt"}));

    ScriptedMessageBoxes boxes;
    boxes.Answer(static_cast<MsgResult>(answer));
    QStringList notices;
    boxes.SetNoticeLine([&](const std::string& text) { notices << QString::fromStdString(text); });
    QObject window;
    DeleteAllReports(boxes, path, &window);
    QCOMPARE(boxes.shown().size(), std::size_t{1});
    QCOMPARE(boxes.shown().front().text, std::string("Are you sure to delete all reports ?"));
    QCOMPARE(boxes.shown().front().icon, MsgIcon::Question);
    QCOMPARE(boxes.shown().front().buttons, MsgButtons::YesNoDefaultNo);
    // The files go on another thread; the count comes back to the window's status line.
    if (!told.isEmpty())
        QTRY_COMPARE(notices, QStringList{told});
    QCOMPARE(notices.size(), told.isEmpty() ? 0 : 1);
    QCOMPARE(Entries(reports), left);
    QVERIFY(QFile::exists(dir.path() + "/outside.rpt"));
}

void TestReportFiles::folderMadeAgain() {
    QTemporaryDir dir;
    const std::string path = dir.path().toStdString();
    const QString reports = QString::fromStdString(ReportsPath(path));
    PrepareReportsFolder(path);
    Touch(reports + "/x.rpt");
    QVERIFY(QDir(reports).removeRecursively());
    QCOMPARE(DeleteReports(path).Deleted, 0);
    PrepareReportsFolder(path);
    QVERIFY(QDir(reports).exists());
    QCOMPARE(Reports(path), QStringList{});
}

void TestReportFiles::unknownProgramPathTouchesNothing() {
    // Before the program directory is known, "/Reports" must not be made or emptied.
    PrepareReportsFolder("");
    QVERIFY(!QDir("/Reports").exists());
    QCOMPARE(Reports(""), QStringList{});
    QCOMPARE(DeleteReports("").Deleted, 0);
}

QTEST_GUILESS_MAIN(TestReportFiles)
#include "test_report_files.moc"
