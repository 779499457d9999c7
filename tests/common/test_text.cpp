// Money, time and date texts and the small parsers, on their edge values.

#include "common/Text.h"

#include <QTest>

#include <climits>

using namespace netrova;

namespace {

TStamp Stamp(int y, int mo, int d, int h, int mi, int s) {
    TStamp t;
    t.Year = static_cast<std::uint16_t>(y);
    t.Month = static_cast<std::uint16_t>(mo);
    t.Day = static_cast<std::uint16_t>(d);
    t.Hour = static_cast<std::uint16_t>(h);
    t.Minute = static_cast<std::uint16_t>(mi);
    t.Second = static_cast<std::uint16_t>(s);
    return t;
}

} // namespace

class TextTest : public QObject {
    Q_OBJECT

private slots:
    void formatMoney_data();
    void formatMoney();
    void formatConnTime_data();
    void formatConnTime();
    void formatDuration_data();
    void formatDuration();
    void formatVolume_data();
    void formatVolume();
    void stampTexts();
    void leadingInt_data();
    void leadingInt();
    void cutUtf8_data();
    void cutUtf8();
    void rangeCheckedParses_data();
    void rangeCheckedParses();
};

void TextTest::formatMoney_data() {
    QTest::addColumn<qint64>("cents");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << qint64(0) << "0 dol. 0 c.";
    QTest::newRow("cents only") << qint64(5) << "0 dol. 5 c.";
    QTest::newRow("one dollar") << qint64(100) << "1 dol. 0 c.";
    QTest::newRow("remainder not widened") << qint64(1205) << "12 dol. 5 c.";
    QTest::newRow("both parts") << qint64(1234) << "12 dol. 34 c.";
    QTest::newRow("negative cents") << qint64(-5) << "0 dol. -5 c.";
    QTest::newRow("negative dollars") << qint64(-105) << "-1 dol. -5 c.";
    QTest::newRow("largest") << qint64(INT_MAX) << "21474836 dol. 47 c.";
    QTest::newRow("smallest") << qint64(INT_MIN) << "-21474836 dol. -48 c.";
    QTest::newRow("sum past 32 bits") << (qint64(1) << 40) << "10995116277 dol. 76 c.";
}

void TextTest::formatMoney() {
    QFETCH(qint64, cents);
    QFETCH(QString, text);
    QCOMPARE(QString::fromStdString(FormatMoney(cents)), text);
}

void TextTest::formatConnTime_data() {
    QTest::addColumn<int>("seconds");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << 0 << "0 h. 0 min. 0 sec.";
    QTest::newRow("all parts") << 3725 << "1 h. 2 min. 5 sec.";
    QTest::newRow("minutes") << 303 << "0 h. 5 min. 3 sec.";
    QTest::newRow("more than a day") << 90000 << "25 h. 0 min. 0 sec.";
    QTest::newRow("negative") << -3725 << "-1 h. -2 min. -5 sec.";
    QTest::newRow("negative seconds") << -59 << "0 h. 0 min. -59 sec.";
}

void TextTest::formatConnTime() {
    QFETCH(int, seconds);
    QFETCH(QString, text);
    QCOMPARE(QString::fromStdString(FormatConnTime(seconds)), text);
}

void TextTest::formatDuration_data() {
    QTest::addColumn<qint64>("seconds");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << qint64(0) << "0:0:0";
    QTest::newRow("unpadded") << qint64(725) << "0:12:5";
    QTest::newRow("hours past 24") << qint64(90000) << "25:0:0";
    QTest::newRow("one second short of an hour") << qint64(3599) << "0:59:59";
    QTest::newRow("negative") << qint64(-3661) << "-1:-1:-1";
    QTest::newRow("sum past 32 bits") << (qint64(1) << 32) << "1193046:28:16";
}

void TextTest::formatDuration() {
    QFETCH(qint64, seconds);
    QFETCH(QString, text);
    QCOMPARE(QString::fromStdString(FormatDuration(seconds)), text);
}

void TextTest::formatVolume_data() {
    QTest::addColumn<qint64>("bytes"); // -1: not counted
    QTest::addColumn<QString>("text");
    QTest::newRow("unknown is not zero") << qint64(-1) << "–";
    QTest::newRow("zero") << qint64(0) << "0 B";
    QTest::newRow("bytes have no tenths") << qint64(1023) << "1023 B";
    QTest::newRow("one KiB") << qint64(1024) << "1.0 KiB";
    QTest::newRow("tenths cut, not rounded") << qint64(1024 * 1024 - 1) << "1023.9 KiB";
    QTest::newRow("MiB") << qint64(3 * 1024 * 1024 / 2) << "1.5 MiB";
    QTest::newRow("GiB") << (qint64(2) << 30) << "2.0 GiB";
    QTest::newRow("TiB") << (qint64(1) << 40) << "1.0 TiB";
    QTest::newRow("past TiB stays TiB") << (qint64(5) << 50) << "5120.0 TiB";
}

void TextTest::formatVolume() {
    QFETCH(qint64, bytes);
    QFETCH(QString, text);
    const auto value = bytes < 0 ? std::nullopt : std::optional<std::uint64_t>(bytes);
    QCOMPARE(QString::fromStdString(FormatVolume(value)), text);
    if (value)
        QCOMPARE(QString::fromStdString(FormatVolumeRate(*value)), text + "/s");
}

void TextTest::stampTexts() {
    const TStamp july = Stamp(1999, 7, 4, 21, 5, 0);
    QCOMPARE(FormatStampDate(july), std::string("1999/7/4"));
    QCOMPARE(FormatStampTime(july), std::string("21:5:0"));
    const TStamp midnight = Stamp(2026, 12, 31, 0, 0, 0);
    QCOMPARE(FormatStampDate(midnight), std::string("2026/12/31"));
    QCOMPARE(FormatStampTime(midnight), std::string("0:0:0"));
    QCOMPARE(FormatClock(Stamp(2026, 1, 1, 9, 5, 7)), std::string("9:5:7"));
}

void TextTest::leadingInt_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("blanks and trailing letters") << "  12abc" << 12;
    QTest::newRow("tab and newline") << "\t\n5" << 5;
    QTest::newRow("minus") << "-3" << -3;
    QTest::newRow("plus") << "+7" << 7;
    QTest::newRow("letters") << "abc" << 0;
    QTest::newRow("sign alone") << "-" << 0;
    QTest::newRow("blank after sign") << "- 3" << 0;
    QTest::newRow("stops at blank") << "12 34" << 12;
    QTest::newRow("leading zeros") << "007" << 7;
    QTest::newRow("largest") << "2147483647" << INT_MAX;
    QTest::newRow("smallest") << "-2147483648" << INT_MIN;
    QTest::newRow("one past largest wraps") << "2147483648" << INT_MIN;
    QTest::newRow("unsigned seconds wrap") << "4294967295" << -1;
    QTest::newRow("past 32 bits wraps") << "4294967297" << 1;
}

void TextTest::leadingInt() {
    QFETCH(QString, text);
    QFETCH(int, value);
    QCOMPARE(LeadingInt(text.toStdString()), value);
}

void TextTest::cutUtf8_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("maxBytes");
    QTest::addColumn<QString>("cut");
    QTest::newRow("fits") << "Dialup" << 6 << "Dialup";
    QTest::newRow("ascii cut") << "Dialup" << 4 << "Dial";
    QTest::newRow("nothing fits") << "Dialup" << 0 << "";
    // "Одесса": two bytes a letter.
    QTest::newRow("two-byte, on boundary") << "Одесса" << 4 << "Од";
    QTest::newRow("two-byte, inside a letter") << "Одесса" << 5 << "Од";
    QTest::newRow("two-byte, first letter split") << "Одесса" << 1 << "";
    // "€" is three bytes, "😀" four.
    QTest::newRow("three-byte, inside") << "a€b" << 3 << "a";
    QTest::newRow("three-byte, whole") << "a€b" << 4 << "a€";
    QTest::newRow("four-byte, inside") << "x😀" << 4 << "x";
    QTest::newRow("four-byte, whole") << "x😀y" << 5 << "x😀";
}

void TextTest::cutUtf8() {
    QFETCH(QString, text);
    QFETCH(int, maxBytes);
    QFETCH(QString, cut);
    const std::string result = CutUtf8(text.toStdString(), static_cast<std::size_t>(maxBytes));
    QVERIFY(result.size() <= static_cast<std::size_t>(maxBytes));
    QCOMPARE(QString::fromStdString(result), cut);
}

// Stored numbers and tool arguments: out of range or malformed gives nothing, never a wrapped
// number. -1 in a column means "nothing".
void TextTest::rangeCheckedParses_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("leading"); // LeadingInt32
    QTest::addColumn<qint64>("strict");  // ParseInt32
    const qint64 none = -1;
    QTest::newRow("plain") << "3600" << qint64(3600) << qint64(3600);
    QTest::newRow("trailing text") << "3600 seconds" << qint64(3600) << none;
    QTest::newRow("blank first") << " 5" << qint64(5) << none;
    QTest::newRow("plus") << "+7" << qint64(7) << qint64(7);
    QTest::newRow("two signs") << "+-1" << none << none;
    QTest::newRow("sign alone") << "-" << none << none;
    QTest::newRow("letters") << "abc" << none << none;
    QTest::newRow("largest") << "2147483647" << qint64(INT_MAX) << qint64(INT_MAX);
    QTest::newRow("smallest") << "-2147483648" << qint64(INT_MIN) << qint64(INT_MIN);
    QTest::newRow("one past largest") << "2147483648" << none << none;
    QTest::newRow("one past smallest") << "-2147483649" << none << none;
    QTest::newRow("eleven digits") << "99999999999" << none << none;
    QTest::newRow("many leading zeros") << "000000000000000000042" << qint64(42) << qint64(42);
}

void TextTest::rangeCheckedParses() {
    QFETCH(QString, text);
    QFETCH(qint64, leading);
    QFETCH(qint64, strict);
    const auto l = LeadingInt32(text.toStdString());
    const auto s = ParseInt32(text.toStdString());
    QCOMPARE(l ? qint64(*l) : qint64(-1), leading);
    QCOMPARE(s ? qint64(*s) : qint64(-1), strict);
}

QTEST_GUILESS_MAIN(TextTest)
#include "test_text.moc"
