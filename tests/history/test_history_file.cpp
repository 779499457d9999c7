#include "history/HistoryFile.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>

#include <vector>

using namespace netrova;

namespace {

THistoryRecord Record(const char* provider, std::int32_t fee = 0) {
    THistoryRecord r{};
    r.Started = TStamp{1999, 7, 0, 4, 21, 5, 0, 0};
    r.Ended = TStamp{1999, 7, 1, 5, 0, 10, 30, 0};
    r.Fee = fee;
    r.Duration = 3925;
    SetFieldText(r.Provider, provider);
    SetFieldText(r.TotalFeeText, "12 dol. 5 c.");
    SetFieldText(r.User, "anna");
    return r;
}

QByteArray FileBytes(const std::string& path) {
    QFile f(QString::fromStdString(path));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void AppendBytes(const std::string& path, const QByteArray& bytes) {
    QFile f(QString::fromStdString(path));
    QVERIFY(f.open(QIODevice::Append));
    f.write(bytes);
}

std::vector<std::string> Providers(const std::string& programPath) {
    std::vector<std::string> names;
    ScanHistory(programPath, [&](const THistoryRecord& r) {
        names.push_back(FieldText(r.Provider));
        return true;
    });
    return names;
}

qint32 Int32At(const QByteArray& bytes, int offset) {
    return qFromLittleEndian<qint32>(bytes.constData() + offset);
}

} // namespace

class TestHistoryFile : public QObject {
    Q_OBJECT

private slots:
    void firstAppendMakesOneRecord();
    void fieldCuts_data();
    void fieldCuts();
    void reservedWordsAreZero();
    void tornTailRepairedBeforeAppend();
    void scannerIgnoresTrailingFragment();
    void missingOrEmptyFileHasNoRecords();
    void foreignBytesReadAsLatin1_data();
    void foreignBytesReadAsLatin1();
    void emptyKeepsFileAndMode();
    void appendToMissingFolderFails();
    void notARegularFile_data();
    void notARegularFile();
    void fileAttributes_data();
    void fileAttributes();
    void fullDiskLeavesNoFragment();
    void cleanup() { QFile::remove(QString::fromStdString(historyPath())); }

private:
    QTemporaryDir dir_;
    std::string programPath() const { return dir_.path().toStdString(); }
    std::string historyPath() const { return HistoryPath(programPath()); }
};

void TestHistoryFile::firstAppendMakesOneRecord() {
    QVERIFY(AppendHistoryRecord(programPath(), Record("isp", 1205)));

    const QByteArray bytes = FileBytes(historyPath());
    QCOMPARE(bytes.size(), 192);
    QCOMPARE(qFromLittleEndian<quint16>(bytes.constData() + 0), quint16(1999));     // Started year
    QCOMPARE(qFromLittleEndian<quint16>(bytes.constData() + 16 + 12), quint16(30)); // Ended sec
    QCOMPARE(Int32At(bytes, 32), 1205);
    QCOMPARE(Int32At(bytes, 36), 3925);
    QCOMPARE(bytes.mid(40, 4), QByteArray("isp\0", 4));
    QCOMPARE(bytes.mid(90, 13), QByteArray("12 dol. 5 c.\0", 13));
    QCOMPARE(bytes.mid(140, 5), QByteArray("anna\0", 5));
}

void TestHistoryFile::fieldCuts_data() {
    QTest::addColumn<int>("field"); // 0 Provider, 1 TotalFeeText, 2 User
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("stored");

    const QString e = QString::fromUtf8("\u00e9");   // two bytes
    const QString eur = QString::fromUtf8("\u20ac"); // three bytes
    QTest::newRow("provider of 60") << 0 << QString(60, 'p') << QString(49, 'p');
    QTest::newRow("provider of 49") << 0 << QString(49, 'p') << QString(49, 'p');
    QTest::newRow("provider, e across 49") << 0 << QString(48, 'a') + e << QString(48, 'a');
    QTest::newRow("provider, e ends at 49")
        << 0 << QString(47, 'a') + e + "x" << QString(47, 'a') + e;
    QTest::newRow("fee text of 50") << 1 << QString(50, '9') << QString(49, '9');
    QTest::newRow("user of 51") << 2 << QString(51, 'u') << QString(51, 'u');
    QTest::newRow("user of 52") << 2 << QString(52, 'u') << QString(51, 'u');
    QTest::newRow("user, euro across 51") << 2 << QString(49, 'u') + eur << QString(49, 'u');
    QTest::newRow("user, euro ends at 51")
        << 2 << QString(48, 'u') + eur + "x" << QString(48, 'u') + eur;
}

void TestHistoryFile::fieldCuts() {
    QFETCH(int, field);
    QFETCH(QString, text);
    QFETCH(QString, stored);

    THistoryRecord r = Record("isp");
    char* fields[] = {r.Provider, r.TotalFeeText, r.User};
    const std::size_t sizes[] = {sizeof r.Provider, sizeof r.TotalFeeText, sizeof r.User};
    SetFieldText(fields[field], sizes[field], text.toStdString());
    QVERIFY(AppendHistoryRecord(programPath(), r));

    THistoryRecord back{};
    QCOMPARE(ScanHistory(programPath(),
                         [&](const THistoryRecord& rec) {
                             back = rec;
                             return true;
                         }),
             std::size_t(1));
    const char* backFields[] = {back.Provider, back.TotalFeeText, back.User};
    const QByteArray expected = stored.toUtf8();
    // The text, then its zero byte inside the field.
    QCOMPARE(QByteArray(backFields[field], static_cast<qsizetype>(expected.size() + 1)),
             expected + '\0');
    QCOMPARE(QString::fromStdString(FieldText(backFields[field], sizes[field])), stored);
}

void TestHistoryFile::reservedWordsAreZero() {
    THistoryRecord r = Record("isp");
    r.Started.Reserved = 7;
    r.Ended.Reserved = 0xFFFF;
    QVERIFY(AppendHistoryRecord(programPath(), r));

    const QByteArray bytes = FileBytes(historyPath());
    QCOMPARE(bytes.mid(14, 2), QByteArray(2, '\0'));
    QCOMPARE(bytes.mid(30, 2), QByteArray(2, '\0'));
}

void TestHistoryFile::tornTailRepairedBeforeAppend() {
    QVERIFY(AppendHistoryRecord(programPath(), Record("first")));
    QVERIFY(AppendHistoryRecord(programPath(), Record("second")));
    // A crash in the middle of the next write.
    AppendBytes(historyPath(), QByteArray(100, 'x'));

    QVERIFY(AppendHistoryRecord(programPath(), Record("third")));
    QCOMPARE(FileBytes(historyPath()).size(), 3 * 192);
    QCOMPARE(Providers(programPath()), (std::vector<std::string>{"first", "second", "third"}));
}

void TestHistoryFile::scannerIgnoresTrailingFragment() {
    QVERIFY(AppendHistoryRecord(programPath(), Record("first")));
    QVERIFY(AppendHistoryRecord(programPath(), Record("second")));
    AppendBytes(historyPath(), QByteArray(191, 'x'));

    QCOMPARE(Providers(programPath()), (std::vector<std::string>{"first", "second"}));
    THistoryRecord last{};
    QVERIFY(ReadLastHistoryRecord(programPath(), last));
    QCOMPARE(FieldText(last.Provider), std::string("second"));
    // A visitor may stop early.
    QCOMPARE(ScanHistory(programPath(), [](const THistoryRecord&) { return false; }),
             std::size_t(1));
}

void TestHistoryFile::missingOrEmptyFileHasNoRecords() {
    THistoryRecord last{};
    QVERIFY(Providers(programPath()).empty());
    QVERIFY(!ReadLastHistoryRecord(programPath(), last));
    QVERIFY(!QFile::exists(QString::fromStdString(historyPath())));
    AppendBytes(historyPath(), QByteArray());
    QVERIFY(QFile::exists(QString::fromStdString(historyPath())));
    QVERIFY(Providers(programPath()).empty());
    AppendBytes(historyPath(), QByteArray(100, 'x')); // a fragment is no record
    QVERIFY(!ReadLastHistoryRecord(programPath(), last));
}

void TestHistoryFile::foreignBytesReadAsLatin1_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("utf-8") << QByteArray("Caf\xC3\xA9") << QString::fromUtf8("Caf\u00e9");
    QTest::newRow("latin-1") << QByteArray("M\xFCller") << QString::fromUtf8("M\u00fcller");
    QTest::newRow("latin-1 at the end") << QByteArray("Caf\xE9") << QString::fromUtf8("Caf\u00e9");
    QTest::newRow("latin-1 like a lead byte")
        << QByteArray("\xC3 la") << QString::fromUtf8("\u00c3 la");
    QTest::newRow("overlong form")
        << QByteArray("\xE0\x80\x80") << QString::fromUtf8("\u00e0\u0080\u0080");
    QTest::newRow("surrogate") << QByteArray("\xED\xA0\x80")
                               << QString::fromUtf8("\u00ed\u00a0\u0080");
}

void TestHistoryFile::foreignBytesReadAsLatin1() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    char field[50] = {};
    std::memcpy(field, bytes.constData(), static_cast<std::size_t>(bytes.size()));
    QCOMPARE(QString::fromStdString(FieldText(field)), text);
}

void TestHistoryFile::emptyKeepsFileAndMode() {
    QVERIFY(AppendHistoryRecord(programPath(), Record("first")));
    QVERIFY(AppendHistoryRecord(programPath(), Record("second")));
    QCOMPARE(::chmod(historyPath().c_str(), 0640), 0);

    QVERIFY(EmptyHistory(programPath()));
    struct stat st {};
    QCOMPARE(::stat(historyPath().c_str(), &st), 0);
    QCOMPARE(st.st_size, off_t(0));
    QCOMPARE(st.st_mode & 07777, mode_t(0640));
    QVERIFY(Providers(programPath()).empty());

    QVERIFY(AppendHistoryRecord(programPath(), Record("after")));
    QCOMPARE(Providers(programPath()), std::vector<std::string>{"after"});

    // Emptying a history that does not exist yet leaves an empty file.
    cleanup();
    QVERIFY(EmptyHistory(programPath()));
    QCOMPARE(FileBytes(historyPath()).size(), 0);
    QVERIFY(QFile::exists(QString::fromStdString(historyPath())));
}

void TestHistoryFile::appendToMissingFolderFails() {
    QVERIFY(!AppendHistoryRecord(programPath() + "/no such folder", Record("isp")));
    QVERIFY(ScanHistory(programPath() + "/no such folder",
                        [](const THistoryRecord&) { return true; }) == 0);
}

// A FIFO would block open() for ever and a folder cannot take records: every operation gives up
// at once with the reason, and the scanner finds no records.
void TestHistoryFile::notARegularFile_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");
    QTest::newRow("fifo") << "fifo"
                          << "it is not a regular file";
    QTest::newRow("folder") << "folder"
                            << "it is a folder";
    QTest::newRow("link to a device") << "device"
                                      << "it is not a regular file";
}

void TestHistoryFile::notARegularFile() {
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    const std::string path = historyPath();
    if (kind == "fifo")
        QCOMPARE(::mkfifo(path.c_str(), 0644), 0);
    else if (kind == "folder")
        QCOMPARE(::mkdir(path.c_str(), 0755), 0);
    else
        QCOMPARE(::symlink("/dev/null", path.c_str()), 0);

    FileError why;
    QVERIFY(!AppendHistoryRecord(programPath(), Record("isp"), &why));
    QCOMPARE(QString::fromStdString(why.text), reason);
    why = {};
    QCOMPARE(ScanHistory(
                 programPath(), [](const THistoryRecord&) { return true; }, &why),
             std::size_t(0));
    QCOMPARE(QString::fromStdString(why.text), reason);
    why = {};
    QVERIFY(!EmptyHistory(programPath(), &why));
    QCOMPARE(QString::fromStdString(why.text), reason);
    QVERIFY(::remove(path.c_str()) == 0);
}

// An append-only file takes records (the file is opened with O_APPEND); an immutable one
// refuses them with the reason. Needs chattr and a file system that supports it, as root.
void TestHistoryFile::fileAttributes_data() {
    QTest::addColumn<QString>("attribute");
    QTest::addColumn<bool>("appended");
    QTest::newRow("append only") << "+a" << true;
    QTest::newRow("immutable") << "+i" << false;
}

void TestHistoryFile::fileAttributes() {
    QFETCH(QString, attribute);
    QFETCH(bool, appended);
    QVERIFY(AppendHistoryRecord(programPath(), Record("first")));
    const QString path = QString::fromStdString(historyPath());
    if (QProcess::execute("chattr", {attribute, path}) != 0)
        QSKIP("chattr is not available here");
    FileError why;
    const bool ok = AppendHistoryRecord(programPath(), Record("second"), &why);
    QProcess::execute("chattr", {"-a", "-i", path});
    QCOMPARE(ok, appended);
    QCOMPARE(Providers(programPath()).size(), std::size_t(appended ? 2 : 1));
    QCOMPARE(QString::fromStdString(why.text),
             appended ? QString() : QString("Operation not permitted"));
}

// A write that stops half-way (here at the file size limit, as on a full disk) is taken back:
// no fragment would shift the records appended later.
void TestHistoryFile::fullDiskLeavesNoFragment() {
    QVERIFY(AppendHistoryRecord(programPath(), Record("first")));
    struct rlimit old {};
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = sizeof(THistoryRecord) + 100;
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
    FileError why;
    const bool ok = AppendHistoryRecord(programPath(), Record("second"), &why);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldSignal);
    QVERIFY(!ok);
    QCOMPARE(QString::fromStdString(why.text), QString("File too large"));
    QCOMPARE(why.code, std::make_error_code(std::errc::file_too_large));
    QCOMPARE(FileBytes(historyPath()).size(), qsizetype(sizeof(THistoryRecord)));
    QVERIFY(AppendHistoryRecord(programPath(), Record("third")));
    QCOMPARE(Providers(programPath()), (std::vector<std::string>{"first", "third"}));
}

QTEST_GUILESS_MAIN(TestHistoryFile)
#include "test_history_file.moc"
