#include "../support/TempStore.h"
#include "common/TStamp.h"
#include "common/Text.h"
#include "historytool/HistoryExport.h"
#include "historytool/HistoryTool.h"
#include "settings/Defaults.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <sstream>

using namespace netrova;

namespace {

TStamp Stamp(int y, int mo, int d, int h = 12, int mi = 0, int s = 0) {
    return TStamp{std::uint16_t(y),  std::uint16_t(mo), 0, std::uint16_t(d), std::uint16_t(h),
                  std::uint16_t(mi), std::uint16_t(s),  0};
}

THistoryRecord Record(const TStamp& started, std::int32_t seconds, std::int32_t fee,
                      const std::string& provider = "isp", const std::string& user = "anna") {
    THistoryRecord r{};
    r.Started = started;
    r.Ended = started;
    r.Ended.Minute = std::uint16_t((started.Minute + 1) % 60);
    r.Duration = seconds;
    r.Fee = fee;
    SetFieldText(r.Provider, provider);
    SetFieldText(r.TotalFeeText, FormatMoney(fee));
    SetFieldText(r.User, user);
    return r;
}

struct Result {
    int code = -1;
    QString out;
    QString err;
};

QStringList Lines(const QString& text) {
    QStringList lines = text.split('\n');
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast();
    return lines;
}

// The real tool, by default its summary by user.
Result ToolSummary(const QProcessEnvironment& env,
                   const QStringList& args = {"summary", "--by", "user"}) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(NETROVA_HISTORY_TOOL, args);
    Result r;
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit)
        return r;
    r.code = p.exitCode();
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

} // namespace

class TestHistoryExport : public QObject {
    Q_OBJECT

private slots:
    void csvFields_data();
    void csvFields();
    void jsonLinesParseBack();
    void impossibleStampsAreEmpty();
    void filters_data();
    void filters();
    void summaryTotalsEqualRecordSums_data();
    void summaryTotalsEqualRecordSums();
    void listAlignsNonAsciiNames();
    void tornLastRecordIsSkipped();
    void unreadableHistory_data();
    void unreadableHistory();
    void badArguments_data();
    void badArguments();
    void toolFindsHistoryAndForecastThroughStore();
    void cleanup() {
        QFile::remove(QString::fromStdString(HistoryPath(programPath())));
        QFile::remove(QString::fromStdString(VolumePath(programPath())));
    }

private:
    QTemporaryDir dir_;
    std::string programPath() const { return dir_.path().toStdString(); }
    void Append(const THistoryRecord& r) { QVERIFY(AppendHistoryRecord(programPath(), r)); }
    void SetVolume(std::size_t place, const THistoryRecord& r, const Volume& v) {
        QVERIFY(WriteVolumeRecord(programPath(), place, VolumeRecordOf(r, v)));
    }
    Result Run(const QStringList& args, const std::string& forecast = {}) {
        std::vector<std::string> argv;
        for (const QString& a : args)
            argv.push_back(a.toStdString());
        HistoryToolHooks hooks;
        hooks.HistoryFile = [this] { return HistoryPath(programPath()); };
        hooks.Forecast = [forecast] { return forecast; };
        std::ostringstream out, err;
        Result r;
        r.code = RunHistoryTool(argv, out, err, hooks);
        r.out = QString::fromStdString(out.str());
        r.err = QString::fromStdString(err.str());
        return r;
    }
};

// The whole CSV line of a record whose provider and user are the given texts: the fields a
// spreadsheet would split wrongly are quoted, quotes doubled, UTF-8 kept.
void TestHistoryExport::csvFields_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("field");
    QTest::newRow("plain") << "My ISP"
                           << "My ISP";
    QTest::newRow("comma") << "Sky, Net"
                           << "\"Sky, Net\"";
    QTest::newRow("quote") << "The \"Best\""
                           << "\"The \"\"Best\"\"\"";
    QTest::newRow("line break") << "two\nlines"
                                << "\"two\nlines\"";
    QTest::newRow("non-ASCII") << QString::fromUtf8("J\u00fcrgen \u20ac")
                               << QString::fromUtf8("J\u00fcrgen \u20ac");
    QTest::newRow("leading quote only") << "\"x"
                                        << "\"\"\"x\"";
    // Cells a spreadsheet would run as formulas stay text.
    QTest::newRow("formula") << "=cmd|' /C calc'!A0"
                             << "'=cmd|' /C calc'!A0";
    QTest::newRow("plus") << "+1"
                          << "'+1";
    QTest::newRow("minus") << "-2+3"
                           << "'-2+3";
    QTest::newRow("at") << "@SUM(A1)"
                        << "'@SUM(A1)";
    QTest::newRow("tab first") << "\tx"
                               << "'\tx";
    QTest::newRow("carriage return first") << "\rx"
                                           << "\"'\rx\"";
    QTest::newRow("formula with a comma") << "=1,2"
                                          << "\"'=1,2\"";
    QTest::newRow("sign inside") << "a=b-c"
                                 << "a=b-c";
    QTest::newRow("formula after spaces") << "  =1+2"
                                          << "'  =1+2";
    QTest::newRow("formula after a semicolon") << ";@SUM(A1)"
                                               << "';@SUM(A1)";
    QTest::newRow("minus after a tab and spaces") << " \t -1"
                                                  << "' \t -1";
    QTest::newRow("spaces before text") << "  ISP"
                                        << "  ISP";
}

void TestHistoryExport::csvFields() {
    QFETCH(QString, name);
    QFETCH(QString, field);
    Append(Record(Stamp(1999, 7, 4, 21, 5, 0), 725, 125, name.toStdString(), name.toStdString()));

    const Result r = Run({"export", "--format", "csv"});
    QCOMPARE(r.code, 0);
    QCOMPARE(r.err, QString());
    // Without volume.dat the volume is unknown: empty, not 0.
    QCOMPARE(r.out, QString("started,ended,duration_seconds,fee_cents,fee_text,total_fee_text,"
                            "provider,user,received_bytes,sent_bytes\r\n"
                            "1999-07-04T21:05:00,1999-07-04T21:06:00,725,125,1 dol. 25 c.,"
                            "1 dol. 25 c.,%1,%1,,\r\n")
                        .arg(field));
}

void TestHistoryExport::jsonLinesParseBack() {
    const std::vector<std::string> names = {"plain", "back\\slash \"quoted\"", "tab\there\x01",
                                            "J\xC3\xBCrgen", "M\xFCller" /* Latin-1 on disk */};
    for (std::size_t i = 0; i < names.size(); ++i)
        Append(Record(Stamp(2026, 1, int(i) + 1, 9, 5, 7), 100000 + int(i), -5 - int(i), names[i],
                      names[names.size() - 1 - i]));
    // The first record's volume is known past 32 bits; the second's belongs to another
    // connection; the others have none in the file.
    SetVolume(0, Record(Stamp(2026, 1, 1, 9, 5, 7), 1, 1), {5000000000, 7});
    SetVolume(1, Record(Stamp(2026, 1, 1, 9, 5, 7), 1, 1), {1, 1});

    const Result r = Run({"export", "--format=json"});
    QCOMPARE(r.code, 0);
    const QStringList lines = Lines(r.out);
    QCOMPARE(lines.size(), int(names.size()));
    for (int i = 0; i < lines.size(); ++i) {
        QJsonParseError error{};
        const QJsonObject o = QJsonDocument::fromJson(lines[i].toUtf8(), &error).object();
        QCOMPARE(error.error, QJsonParseError::NoError);
        THistoryRecord rec{};
        SetFieldText(rec.Provider, names[std::size_t(i)]);
        QCOMPARE(o["provider"].toString().toStdString(), FieldText(rec.Provider));
        SetFieldText(rec.User, names[names.size() - 1 - std::size_t(i)]);
        QCOMPARE(o["user"].toString().toStdString(), FieldText(rec.User));
        QCOMPARE(o["started"].toString(), QString("2026-01-0%1T09:05:07").arg(i + 1));
        QCOMPARE(o["duration_seconds"].toInt(), 100000 + i);
        QCOMPARE(o["fee_cents"].toInt(), -5 - i);
        QCOMPARE(o["fee_text"].toString().toStdString(), FormatMoney(-5 - i));
        QCOMPARE(o.size(), 10);
        QCOMPARE(o["received_bytes"].toInteger(-1), i == 0 ? 5000000000LL : -1);
        QCOMPARE(o["sent_bytes"].isNull(), i != 0);
    }
    // Latin-1 bytes of an older file come out as UTF-8.
    QCOMPARE(QJsonDocument::fromJson(lines.back().toUtf8())["provider"].toString(),
             QString::fromUtf8("M\u00fcller"));
}

// A stamp that cannot be is exported empty (null), and its record named once.
void TestHistoryExport::impossibleStampsAreEmpty() {
    Append(Record(Stamp(1999, 7, 4, 21, 5, 0), 60, 1));
    THistoryRecord bad = Record(Stamp(65535, 13, 99, 99, 99, 99), 60, 1);
    bad.Ended = Stamp(2001, 2, 29); // not a leap year
    Append(bad);
    Append(Record(Stamp(2000, 2, 29, 23, 59, 59), 60, 1));

    const Result csv = Run({"export", "--format", "csv"});
    QCOMPARE(csv.code, 0);
    const QStringList lines = Lines(csv.out);
    QCOMPARE(lines.size(), 4);
    QVERIFY2(lines[2].startsWith(",,60,"), qPrintable(lines[2]));
    QVERIFY(lines[3].startsWith("2000-02-29T23:59:59,2000-02-29T23:00:59,60,"));
    QCOMPARE(Lines(csv.err), QStringList{"netrova-history: record 2 holds a date or time that "
                                         "cannot be; it is exported empty"});

    const Result json = Run({"export", "--format", "json"});
    const QJsonObject o = QJsonDocument::fromJson(Lines(json.out)[1].toUtf8()).object();
    QVERIFY(o["started"].isNull() && o["ended"].isNull());
    QCOMPARE(json.err, csv.err);
}

void TestHistoryExport::filters_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("fees"); // the records taken, by their fee
    QTest::newRow("none") << QStringList{} << "1 2 3 4 5 6";
    QTest::newRow("from, first second of the day")
        << QStringList{"--from", "1999-07-05"} << "2 3 4 5 6";
    QTest::newRow("to, last second of the day") << QStringList{"--to", "1999-07-04"} << "1";
    QTest::newRow("month") << QStringList{"--from", "1999-07-01", "--to", "1999-07-31"}
                           << "1 2 3 4";
    QTest::newRow("one day, across the year")
        << QStringList{"--from=1999-12-31", "--to=1999-12-31"} << "6";
    QTest::newRow("user exact") << QStringList{"--user", "Default"} << "1 3";
    QTest::newRow("user case") << QStringList{"--user", "default"} << "2";
    QTest::newRow("provider and date")
        << QStringList{"--provider", "Sky, Net", "--from", "1999-7-6"} << "4 6";
    QTest::newRow("nothing") << QStringList{"--user", "nobody"} << "";
}

void TestHistoryExport::filters() {
    QFETCH(QStringList, args);
    QFETCH(QString, fees);
    // A connection counts on the day it started, also when it ends the next day.
    THistoryRecord overMidnight = Record(Stamp(1999, 7, 4, 23, 59, 59), 60, 1, "isp", "Default");
    overMidnight.Ended = Stamp(1999, 7, 5, 0, 0, 59);
    Append(overMidnight);
    Append(Record(Stamp(1999, 7, 5, 0, 0, 0), 60, 2, "isp", "default"));
    Append(Record(Stamp(1999, 7, 5, 23, 59, 59), 60, 3, "isp", "Default"));
    Append(Record(Stamp(1999, 7, 31, 8), 60, 4, "Sky, Net"));
    Append(Record(Stamp(1999, 8, 1, 0), 60, 5, "isp"));
    Append(Record(Stamp(1999, 12, 31, 23), 60, 6, "Sky, Net"));

    const Result r = Run(QStringList{"export", "--format", "json"} + args);
    QCOMPARE(r.code, 0);
    QStringList taken;
    for (const QString& line : Lines(r.out))
        taken << QString::number(QJsonDocument::fromJson(line.toUtf8())["fee_cents"].toInt());
    QCOMPARE(taken.join(' '), fees);
    // The listing and the summary take the same records.
    const Result list = Run(QStringList{"list"} + args);
    QCOMPARE(Lines(list.out).size(), 1 + int(taken.size()));
    const Result sum = Run(QStringList{"summary", "--by", "user"} + args);
    QVERIFY2(Lines(sum.out).back().contains(
                 QRegularExpression(QString("^Total +%1 ").arg(taken.size()))),
             qPrintable(sum.out));
}

void TestHistoryExport::summaryTotalsEqualRecordSums_data() {
    QTest::addColumn<QString>("by");
    QTest::addColumn<QStringList>("groups");
    QTest::newRow("day") << "day" << QStringList{"1999-12-31", "2000-01-01", "2000-02-29"};
    QTest::newRow("month") << "month" << QStringList{"1999-12", "2000-01", "2000-02"};
    QTest::newRow("provider") << "provider" << QStringList{"b", "a", QString::fromUtf8("\u00e9")};
    QTest::newRow("user") << "user" << QStringList{"Zed", "anna", "Anna"};
}

void TestHistoryExport::summaryTotalsEqualRecordSums() {
    QFETCH(QString, by);
    QFETCH(QStringList, groups);
    // Out of date order in the file, and sums past what 32 bits hold.
    const TStamp days[] = {Stamp(2000, 1, 1), Stamp(1999, 12, 31), Stamp(2000, 2, 29)};
    const char* providers[] = {"b", "a", "\xC3\xA9"};
    const char* users[] = {"Zed", "anna", "Anna"};
    std::int64_t time = 0, fee = 0;
    for (int i = 0; i < 30; ++i) {
        const std::int32_t seconds = 2000000000 / 30 * 3 + i, cents = 1000000000 / 10 + i * 7;
        const THistoryRecord record =
            Record(days[i % 3], seconds, cents, providers[i % 3], users[i % 3]);
        Append(record);
        if (i < 29) // the last one's volume is unknown and adds nothing
            SetVolume(std::size_t(i), record, {1 << 30, 1 << 29});
        time += seconds;
        fee += cents;
    }

    const Result r =
        Run({"summary", "--by", by}, "By the next reset: about 1 h. 0 min., 0 dol. 1 c.");
    QCOMPARE(r.code, 0);
    const QStringList lines = Lines(r.out);
    QCOMPARE(lines.size(), 1 + int(groups.size()) + 1);
    // Groups in date order, names in order of appearance; each holds ten records.
    std::int64_t groupTime = 0, groupFee = 0;
    for (int i = 0; i < groups.size(); ++i) {
        const QStringList cells = lines[i + 1].split(QRegularExpression("  +"));
        QCOMPARE(cells.value(0).trimmed(), groups[i]);
        QCOMPARE(cells.value(1).trimmed(), QString("10"));
        const QStringList hms = cells.value(2).trimmed().split(':');
        groupTime += hms.value(0).toLongLong() * 3600 + hms.value(1).toLongLong() * 60 +
                     hms.value(2).toLongLong();
        const QStringList money = cells.value(3).trimmed().split(' ');
        groupFee += money.value(0).toLongLong() * 100 + money.value(2).toLongLong();
        const bool last = i == 2; // the group of the record without a volume
        QCOMPARE(cells.value(4).trimmed(), QString(last ? "9.0 GiB" : "10.0 GiB"));
        QCOMPARE(cells.value(5).trimmed(), QString(last ? "4.5 GiB" : "5.0 GiB"));
    }
    QCOMPARE(groupTime, time);
    QCOMPARE(groupFee, fee);
    // The total line, with the forecast after it.
    const QString total =
        QString("^Total +30 +%1:%2:%3 +%4 dol\\. %5 c\\. +29\\.0 GiB +14\\.5 GiB  "
                "By the next reset: "
                "about 1 h\\. 0 min\\., 0 dol\\. 1 c\\.$")
            .arg(time / 3600)
            .arg(time % 3600 / 60)
            .arg(time % 60)
            .arg(fee / 100)
            .arg(fee % 100);
    QVERIFY2(lines.back().contains(QRegularExpression(total)), qPrintable(lines.back()));
}

void TestHistoryExport::listAlignsNonAsciiNames() {
    Append(Record(Stamp(1999, 7, 4), 725, 125, "\xE2\x82\xAC-Net", "J\xC3\xBCrgen"));
    Append(Record(Stamp(1999, 7, 4), 100 * 3600, 0, "isp", "Default"));
    // Control characters of a hostile file are shown as "?", not sent to the terminal.
    Append(Record(Stamp(1999, 7, 4), 60, 0, "\x1b[31mred", "a\nb"));
    // Volumes: known, then one of another connection, then none in the file.
    SetVolume(0, Record(Stamp(1999, 7, 4), 725, 125), {1536, 1023});
    SetVolume(1, Record(Stamp(1999, 7, 5), 1, 1), {1, 1});
    const Result r = Run({"list"});
    QCOMPARE(r.code, 0);
    const QStringList lines = Lines(r.out);
    QCOMPARE(lines.size(), 4);
    // Columns line up on the screen: counted in characters, not in bytes.
    const int userColumn = lines[0].indexOf("User");
    QCOMPARE(lines[1].indexOf(QString::fromUtf8("J\u00fcrgen")), userColumn);
    QCOMPARE(lines[2].indexOf("Default"), userColumn);
    QCOMPARE(lines[3].indexOf("a?b"), userColumn);
    QVERIFY2(lines[3].contains("?[31mred"), qPrintable(lines[3]));
    // Times and fees stand right-aligned.
    QCOMPARE(lines[1].indexOf("0:12:5") + 6, lines[2].indexOf("100:0:0") + 7);
    QCOMPARE(lines[1].indexOf("1 dol. 25 c.") + 12, lines[2].indexOf("0 dol. 0 c.") + 11);
    // Volumes too, with the unknown ones as a dash; the header names them.
    const QString dash = QString::fromUtf8("\u2013");
    QCOMPARE(lines[1].indexOf("1.5 KiB") + 7, lines[2].indexOf(dash) + 1);
    QCOMPARE(lines[1].indexOf("1023 B") + 6, lines[3].lastIndexOf(dash) + 1);
    QCOMPARE(lines[0].indexOf("Sent") + 4, lines[1].indexOf("1023 B") + 6);
}

void TestHistoryExport::tornLastRecordIsSkipped() {
    Append(Record(Stamp(1999, 7, 4), 60, 1));
    Append(Record(Stamp(1999, 7, 5), 60, 2));
    QFile f(QString::fromStdString(HistoryPath(programPath())));
    QVERIFY(f.open(QIODevice::Append));
    f.write(QByteArray(100, '\x7f'));
    f.close();

    for (const QString command : {"list", "export", "summary"}) {
        QStringList args{command};
        if (command == "export")
            args << "--format"
                 << "csv";
        if (command == "summary")
            args << "--by"
                 << "day";
        const Result r = Run(args);
        QCOMPARE(r.code, 0);
        QVERIFY2(r.err.contains("last record is incomplete (100 of 192 bytes)"), qPrintable(r.err));
        QCOMPARE(Lines(r.out).size(), command == "summary" ? 4 : 3);
    }
}

void TestHistoryExport::unreadableHistory_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing --file") << QStringList{"--file", "no-such.dat"} << 1
                                    << "cannot read the history no-such.dat: No such file";
    QTest::newRow("folder") << QStringList{"--file", "."} << 1 << "it is a folder";
    QTest::newRow("device") << QStringList{"--file", "/dev/null"} << 1 << "not a regular file";
    // The program's own history appears with the first connection: none yet is no error.
    QTest::newRow("no history yet") << QStringList{} << 0 << "";
}

void TestHistoryExport::unreadableHistory() {
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QString, message);
    const Result r = Run(QStringList{"summary", "--by", "day"} + args);
    QCOMPARE(r.code, code);
    QVERIFY2(message.isEmpty() ? r.err.isEmpty() : r.err.contains(message), qPrintable(r.err));
    QCOMPARE(r.out.isEmpty(), code != 0);
}

void TestHistoryExport::badArguments_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message");
    QTest::newRow("nothing") << QStringList{} << "no command";
    QTest::newRow("unknown command") << QStringList{"show"} << "unknown command \"show\"";
    QTest::newRow("export without format") << QStringList{"export"} << "needs --format";
    QTest::newRow("bad grouping") << QStringList{"summary", "--by", "week"} << "unknown grouping";
    QTest::newRow("format on list")
        << QStringList{"list", "--format", "csv"} << "--format does not go";
    QTest::newRow("no such day") << QStringList{"list", "--from", "1999-02-29"}
                                 << "--from needs a date";
    QTest::newRow("signed day") << QStringList{"list", "--to", "1999-07--4"} << "--to needs a date";
    QTest::newRow("from after to")
        << QStringList{"list", "--from", "1999-07-05", "--to", "1999-07-04"}
        << "--from is after --to";
    QTest::newRow("missing value") << QStringList{"list", "--user"} << "--user needs a value";
    QTest::newRow("twice") << QStringList{"list", "--user", "a", "--user=b"} << "given twice";
    QTest::newRow("unknown option") << QStringList{"list", "--all"} << "unknown option \"--all\"";
    QTest::newRow("unknown short option") << QStringList{"list", "-x"} << "unknown option \"-x\"";
    QTest::newRow("second command") << QStringList{"list", "export"} << "unexpected argument";
}

void TestHistoryExport::badArguments() {
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    Append(Record(Stamp(1999, 7, 4), 60, 1));
    const Result r = Run(args);
    QCOMPARE(r.code, 2);
    QVERIFY2(r.err.startsWith("netrova-history: ") && r.err.contains(message), qPrintable(r.err));
    QVERIFY2(r.err.endsWith("\nTry 'netrova-history --help' for more information.\n") &&
                 r.err.count('\n') == 2,
             qPrintable(r.err));
    QCOMPARE(r.out, QString());

    const Result help = Run(args + QStringList{"--help"});
    QCOMPARE(help.code, 0);
    QVERIFY(help.out.startsWith("usage: netrova-history"));
}

// The real tool: the history of "Program path", the forecast from the counter, and without a
// store the default program directory and no forecast, leaving no store behind.
void TestHistoryExport::toolFindsHistoryAndForecastThroughStore() {
    test::TempStore store;
    QTemporaryDir programDir;
    store.SetStr(Root::LocalMachine, kProductKey, "Program path", programDir.path().toStdString());
    QVERIFY(AppendHistoryRecord(programDir.path().toStdString(),
                                Record(Stamp(1999, 7, 4), 3600, 100, "isp", "anna")));
    // Counting since today, never reset: the day so far stands for every day left this month.
    const QDate today = QDate::currentDate();
    const std::pair<const char*, int> counter[] = {{"Year", today.year()}, {"Month", today.month()},
                                                   {"Day", today.day()},   {"Reset", 4},
                                                   {"Reset14", 14},        {"AllMoney", 100}};
    for (const auto& [name, value] : counter)
        store.SetInt(Root::LocalMachine, kCounterAllKey, name, value);
    store.SetStr(Root::LocalMachine, kCounterAllKey, "AllTime", "3600");
    const int days = today.daysInMonth() - today.day() + 1;

    const Result withStore = ToolSummary(QProcessEnvironment::systemEnvironment());
    QCOMPARE(withStore.code, 0);
    const QStringList lines = Lines(withStore.out);
    QCOMPARE(lines.size(), 3);
    QVERIFY(lines[1].startsWith("anna "));
    if (QDate::currentDate() == today) // not across midnight
        QVERIFY2(lines[2].endsWith(
                     QString("  By the next reset: about %1 h. 0 min., %1 dol. 0 c.").arg(days)),
                 qPrintable(lines[2]));
    // A line per set limit after the total: spent at today's pace, 1.50 dol. is reached
    // tomorrow; a volume not counted yet has no pace.
    const char* const limitsKey = "\\Software\\Netrova\\Limits";
    store.SetInt(Root::LocalMachine, limitsKey, "Money", 150);
    store.SetInt(Root::LocalMachine, limitsKey, "Volume", 1);
    const Result withLimits = ToolSummary(QProcessEnvironment::systemEnvironment());
    QCOMPARE(withLimits.code, 0);
    const QStringList limitLines = Lines(withLimits.out);
    QCOMPARE(limitLines.size(), 5);
    const QDate tomorrow = today.addDays(1);
    if (QDate::currentDate() == today)
        QCOMPARE(limitLines[3], QString("Money limit 1 dol. 50 c.: used 1 dol. 0 c. (66 %), "
                                        "reached about %1/%2/%3")
                                    .arg(tomorrow.year())
                                    .arg(tomorrow.month())
                                    .arg(tomorrow.day()));
    QVERIFY2(limitLines[4].startsWith("Data limit 1") && limitLines[4].endsWith("(0 %)"),
             qPrintable(limitLines[4]));
    // A counting-since year far out of range: the summary stands, without a forecast.
    store.SetInt(Root::LocalMachine, kCounterAllKey, "Year", 2147483647);
    const Result damaged = ToolSummary(QProcessEnvironment::systemEnvironment());
    QCOMPARE(damaged.code, 0);
    QVERIFY2(!damaged.out.contains("By the next reset"), qPrintable(damaged.out));
    QVERIFY2(damaged.err.contains("2147483647 - ") && damaged.err.contains("is damaged"),
             qPrintable(damaged.err));

    QTemporaryDir empty;
    const QString machine = empty.path() + "/netrova/machine.db";
    QVERIFY(QDir().mkpath(empty.path() + "/netrova"));
    QVERIFY(AppendHistoryRecord((empty.path() + "/netrova").toStdString(),
                                Record(Stamp(1999, 7, 4), 60, 1, "isp", "bob")));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("NETROVA_MACHINE_STORE", machine);
    env.insert("NETROVA_USER_STORE", empty.path() + "/netrova/user.db");
    const Result withoutStore = ToolSummary(env);
    QCOMPARE(withoutStore.code, 0);
    const QStringList bare = Lines(withoutStore.out);
    QCOMPARE(bare.size(), 3);
    QVERIFY(bare[1].startsWith("bob "));
    QVERIFY2(!bare[2].contains("By the next reset"), qPrintable(bare[2]));
    QVERIFY(!QFile::exists(machine));

    // A store file that is no database: the history cannot be found, and the message says why.
    QFile junk(machine);
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(4096, 'x'));
    junk.close();
    const Result broken = ToolSummary(env);
    QCOMPARE(broken.code, 1);
    QVERIFY2(broken.err.contains(machine) && broken.err.contains("cannot be used"),
             qPrintable(broken.err));
    QCOMPARE(broken.out, QString());

    // A new user: no store, no folder, no history; every command answers without creating one.
    env.insert("NETROVA_MACHINE_STORE", empty.path() + "/new/machine.db");
    env.insert("NETROVA_USER_STORE", empty.path() + "/new/user.db");
    const Result list = ToolSummary(env, {"list"});
    QCOMPARE(list.code, 0);
    QCOMPARE(Lines(list.out).size(), 1); // the header alone
    QCOMPARE(list.err, QString());
    const Result version = ToolSummary(env, {"--version"});
    QCOMPARE(version.code, 0);
    QVERIFY2(version.out.startsWith("netrova-history 1."), qPrintable(version.out));
    QVERIFY(!QFile::exists(empty.path() + "/new"));
}

QTEST_GUILESS_MAIN(TestHistoryExport)
#include "test_history_export.moc"
