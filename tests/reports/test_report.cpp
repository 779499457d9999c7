// Report files: the row layout, the whole file, and what survives a report that fails.
#include "reports/Report.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

using namespace netrova;

namespace {

// The worked example: 725 s through "My Provider" by "Default", 125 cents, total 1205 cents,
// 4 July 1999 from 21:05:00 to 21:17:05.
THistoryRecord Example() {
    THistoryRecord r{};
    r.Started = TStamp{1999, 7, 0, 4, 21, 5, 0, 0};
    r.Ended = TStamp{1999, 7, 0, 4, 21, 17, 5, 0};
    r.Fee = 125;
    r.Duration = 725;
    SetFieldText(r.Provider, "My Provider");
    SetFieldText(r.TotalFeeText, "12 dol. 5 c.");
    SetFieldText(r.User, "Default");
    return r;
}

QByteArray FileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Characters of a row, one element per character.
QList<uint> Chars(const std::string& row) {
    return QString::fromStdString(row).toUcs4();
}

// The characters of the row from column `from` to the next "|" (exclusive).
QString CellFrom(const std::string& row, int from) {
    const QList<uint> chars = Chars(row);
    QString text;
    for (int i = from; i < chars.size() && chars[i] != '|'; ++i)
        text += QString::fromUcs4(reinterpret_cast<const char32_t*>(&chars[i]), 1);
    return text;
}

struct Folder {
    QTemporaryDir dir;
    std::string path() const { return dir.path().toStdString(); }
    QString report(const char* name) const { return dir.path() + "/Reports/" + name; }
    void append(const THistoryRecord& r, int times = 1) {
        for (int i = 0; i < times; ++i)
            QVERIFY(AppendHistoryRecord(path(), r));
    }
};

} // namespace

class ReportTest : public QObject {
    Q_OBJECT

private slots:
    void workedExampleByteForByte() {
        Folder f;
        f.append(Example());
        QVERIFY(CreateReport(f.path(), 1999, 7, 4));
        const QByteArray expected = FileBytes(QFINDTESTDATA("data/worked_example.rpt"));
        QVERIFY(!expected.isEmpty());
        QCOMPARE(FileBytes(f.report("1999-7-4.rpt")), expected);
    }

    void cells_data() {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("provider");
        QTest::addColumn<int>("fee");
        QTest::addColumn<int>("duration");
        QTest::addColumn<QString>("userCell");
        QTest::addColumn<QString>("providerCell");
        QTest::addColumn<QString>("feeCell");
        QTest::addColumn<QString>("timeCell");

        QTest::newRow("10-char user, 17-char provider whole")
            << "abcdefghij"
            << "abcdefghijklmnopq" << 0 << 360000 << "abcdefghij"
            << "abcdefghijklmnopq"
            << "0 dol. 0 c."
            << "100:0:0";
        QTest::newRow("11-char user, 18-char provider cut")
            << "abcdefghijk"
            << "abcdefghijklmnopqr" << 99999999 << 7 << "abcdefgh.."
            << "abcdefghijklmno.."
            << "999999 dol..."
            << "0:0:7";
        QTest::newRow("non-ASCII names count characters")
            << QString::fromUtf8("Žofia Černá") << QString::fromUtf8("Мой провайдер связи") << 305
            << 3725 << QString::fromUtf8("Žofia Če..") << QString::fromUtf8("Мой провайдер с..")
            << "3 dol. 5 c."
            << "1:2:5";
        QTest::newRow("non-ASCII names whole")
            << QString::fromUtf8("Ωμέγα") << QString::fromUtf8("Fournisseur été") << 100 << 60
            << QString::fromUtf8("Ωμέγα") << QString::fromUtf8("Fournisseur été") << "1 dol. 0 c."
            << "0:1:0";
        QTest::newRow("control characters shown as ?") << "a\nb"
                                                       << "\x1b[31mISP\r" << 100 << 60 << "a?b"
                                                       << "?[31mISP?"
                                                       << "1 dol. 0 c."
                                                       << "0:1:0";
        QTest::newRow("control characters among non-ASCII")
            << QString::fromUtf8("Žo\tfia") << QString::fromUtf8("Мой\x7f") << 100 << 60
            << QString::fromUtf8("Žo?fia") << QString::fromUtf8("Мой?") << "1 dol. 0 c."
            << "0:1:0";
    }

    void cells() {
        QFETCH(QString, user);
        QFETCH(QString, provider);
        QFETCH(int, fee);
        QFETCH(int, duration);
        THistoryRecord r = Example();
        SetFieldText(r.User, user.toStdString());
        SetFieldText(r.Provider, provider.toStdString());
        r.Fee = fee;
        r.Duration = duration;
        const std::string row = ReportRow(r);

        QTEST(CellFrom(row, 2).trimmed(), "userCell");
        QTEST(CellFrom(row, 15).trimmed(), "providerCell");
        QTEST(CellFrom(row, 35).trimmed(), "feeCell");
        QTEST(CellFrom(row, 51).trimmed(), "timeCell");
        QCOMPARE(CellFrom(row, 112), QString("1999/7/4    "));
        QCOMPARE(CellFrom(row, 127), QString("21:17:5     "));
    }

    // Whatever the values, a row is 140 characters with the "|" where the head has them.
    void barsStayInPlace_data() {
        QTest::addColumn<int>("variant");
        QTest::newRow("worked example") << 0;
        QTest::newRow("long non-ASCII names") << 1;
        QTest::newRow("stamps out of range") << 2;
        QTest::newRow("negative numbers") << 3;
    }

    void barsStayInPlace() {
        QFETCH(int, variant);
        THistoryRecord r = Example();
        if (variant == 1) {
            SetFieldText(r.User, "ユーザー名前ユーザー名前ユーザー名前");
            SetFieldText(r.Provider, "€€€€€€€€€€€€€€€€€€€€€€€€€€€€€€€€");
        } else if (variant == 2) {
            r.Started = TStamp{65535, 65535, 9, 65535, 65535, 65535, 65535, 0};
            r.Ended = r.Started;
        } else if (variant == 3) {
            r.Fee = -2147483647 - 1;
            r.Duration = -2147483647 - 1;
        }
        const QList<uint> chars = Chars(ReportRow(r));
        QCOMPARE(chars.size(), kReportWidth);
        QList<int> bars;
        for (int i = 0; i < chars.size(); ++i)
            if (chars[i] == '|')
                bars << i;
        QCOMPARE(bars, (QList<int>{0, 13, 33, 49, 63, 79, 94, 109, 124, 139}));
    }

    void emptyOrMissingHistoryGivesHead_data() {
        QTest::addColumn<bool>("fileExists");
        QTest::newRow("missing") << false;
        QTest::newRow("empty") << true;
    }

    void emptyOrMissingHistoryGivesHead() {
        QFETCH(bool, fileExists);
        Folder f;
        if (fileExists)
            QVERIFY(EmptyHistory(f.path()));
        QVERIFY(CreateReport(f.path(), 2026, 12, 7));
        const QByteArray bytes = FileBytes(f.report("2026-12-7.rpt"));
        QCOMPARE(bytes, QByteArray::fromStdString(ReportHead()));
        QCOMPARE(bytes.size(), 142 * 4);
    }

    // A second report of the day replaces the first, and nothing else is left in the folder, not
    // even what an interrupted report left.
    void laterReportOfTheDayReplacesEarlier() {
        Folder f;
        f.append(Example(), 2);
        QVERIFY(CreateReport(f.path(), 2026, 1, 31));
        QCOMPARE(FileBytes(f.report("2026-1-31.rpt")).size(), 142 * (4 + 2 * 2));
        f.append(Example(), 3);
        // What a report cut off by a kill left goes with the next report.
        QFile stale(f.report(".2026-1-30.rpt.k9Xq2w"));
        QVERIFY(stale.open(QIODevice::WriteOnly));
        QVERIFY(CreateReport(f.path(), 2026, 1, 31));
        QCOMPARE(FileBytes(f.report("2026-1-31.rpt")).size(), 142 * (4 + 2 * 5));
        QCOMPARE(
            QDir(f.dir.path() + "/Reports").entryList(QDir::Files | QDir::Hidden | QDir::System),
            QStringList{"2026-1-31.rpt"});
    }

    // A report cut off half-way (here by a file size limit, as by a full disk) leaves the
    // earlier report of that day whole and no partial file behind.
    void failedReportKeepsEarlierOne() {
        Folder f;
        f.append(Example());
        QVERIFY(CreateReport(f.path(), 2026, 3, 1));
        const QByteArray earlier = FileBytes(f.report("2026-3-1.rpt"));
        f.append(Example(), 500);

        rlimit old{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = old;
        small.rlim_cur = 100000; // the new report needs 142 * 1006 bytes
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        const bool written = CreateReport(f.path(), 2026, 3, 1);
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);

        QVERIFY(!written);
        QCOMPARE(FileBytes(f.report("2026-3-1.rpt")), earlier);
        QCOMPARE(
            QDir(f.dir.path() + "/Reports").entryList(QDir::Files | QDir::Hidden | QDir::System),
            QStringList{"2026-3-1.rpt"});
    }

    void unusableProgramDirectoryWritesNothing() {
        Folder f;
        const std::string missing = f.path() + "/gone";
        QVERIFY(!CreateReport(missing, 2026, 3, 1));
        QVERIFY(!QFile::exists(QString::fromStdString(missing)));
    }
};

QTEST_GUILESS_MAIN(ReportTest)
#include "test_report.moc"
