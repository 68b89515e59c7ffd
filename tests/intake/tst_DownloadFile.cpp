#include "intake/DownloadReader.h"
#include "intake/ValueConversion.h"

#include "common/Error.h"
#include "intake/AnsiText.h"

#include <QBuffer>
#include <QTest>

using namespace pelmora;

namespace
{
// Every record of a download as "O:" or "I:" and its fields joined by "|".
QStringList records(const QByteArray& download)
{
    QByteArray bytes = download;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    DownloadReader reader(buffer);
    QStringList out;
    while (reader.next()) {
        QStringList fields;
        for (int i = 0; i < reader.fieldCount(); ++i)
            fields << AnsiText::toUnicode(reader.field(i));
        out << (reader.section() == DownloadReader::Section::Orders ? "O:" : "I:") + fields.join('|');
    }
    return out;
}

QString conversionError(const std::function<void()>& convert)
{
    try {
        convert();
    } catch (const Error& e) {
        return e.message();
    }
    return {};
}
} // namespace

class DownloadFileTest : public QObject
{
    Q_OBJECT

  private slots:
    void recordSyntax_data();
    void recordSyntax();
    void recordPositions();
    void longRecordsAcrossReads();
    void numbers_data();
    void numbers();
    void integers_data();
    void integers();
    void booleans_data();
    void booleans();
    void dates_data();
    void dates();
    void times_data();
    void times();
    void windows1252();
};

void DownloadFileTest::recordSyntax_data()
{
    QTest::addColumn<QByteArray>("download");
    QTest::addColumn<QStringList>("expected");
    const QByteArray h = "header;ignored\r\n";
    QTest::newRow("fields and sections") << h + "1;a;b\r\n<-- Orders -- >\r\n1;x\r\n"
                                         << QStringList{"O:1|a|b", "I:1|x"};
    QTest::newRow("LF line ends") << h + "1;a\n<-- Orders -- >\n2;b\n" << QStringList{"O:1|a", "I:2|b"};
    QTest::newRow("last line without line end") << h + "1;a\r\n<-- Orders -- >\r\n2;b" << QStringList{"O:1|a", "I:2|b"};
    QTest::newRow("quoted separator") << h + "\"Smith; John\";x\r\n" << QStringList{"O:Smith; John|x"};
    QTest::newRow("doubled quote") << h + "\"say \"\"hi\"\"\";x\r\n" << QStringList{"O:say \"hi\"|x"};
    QTest::newRow("unquoted trimmed, quoted kept") << h + "  a b \t;\"  c  \";\x01 d\x02\r\n"
                                                   << QStringList{"O:a b|  c  |d"};
    QTest::newRow("after the closing quote ignored") << h + "\"abc\"def;x\r\n" << QStringList{"O:abc|x"};
    QTest::newRow("quote inside unquoted field") << h + "a\"b;x\r\n" << QStringList{"O:a\"b|x"};
    QTest::newRow("quote after a blank is not a quoted field") << h + " \"a;b\"\r\n" << QStringList{"O:\"a|b\""};
    QTest::newRow("quoted line break") << h + "\"line 1\nline 2\";x\n" << QStringList{"O:line 1\r\nline 2|x"};
    QTest::newRow("quoted CRLF line break") << h + "\"line 1\r\nline 2\";x\r\n" << QStringList{"O:line 1\r\nline 2|x"};
    QTest::newRow("empty line") << h + "1;a\r\n\r\n2;b\r\n" << QStringList{"O:1|a", "O:", "O:2|b"};
    QTest::newRow("extra line end after the items") << h + "<-- Orders -- >\r\n1;x\r\n\r\n"
                                                    << QStringList{"I:1|x", "I:"};
    QTest::newRow("ends right after the marker") << h + "1;a\r\n<-- Orders -- >\r\n" << QStringList{"O:1|a"};
    QTest::newRow("no marker") << h + "1;a\r\n2;b\r\n" << QStringList{"O:1|a", "O:2|b"};
    QTest::newRow("second marker dropped") << h + "1\r\n<-- Orders -- >\r\n2\r\n<-- Orders -- >\r\n3\r\n"
                                           << QStringList{"O:1", "I:2", "I:3"};
    QTest::newRow("marker is exact") << h + "1\r\n<-- orders -- >\r\n <-- Orders -- >\r\n"
                                     << QStringList{"O:1", "O:<-- orders -- >", "O:<-- Orders -- >"};
    QTest::newRow("lone CR dropped") << h + "a\rb;c\r\r\n" << QStringList{"O:ab|c"};
    QTest::newRow("Ctrl-Z ends the file") << h + "1;a\r\n2;b\x1a"
                                                 "3;c\r\n"
                                          << QStringList{"O:1|a", "O:2|b"};
    QTest::newRow("NUL reads as a blank") << h + QByteArray("a\0b;\"c\0\";\0", 11) + "\r\n" << QStringList{"O:a b|c |"};
    QTest::newRow("trailing separator") << h + "a;\r\n" << QStringList{"O:a|"};
    QTest::newRow("unterminated quote ends with its section") << h + "1;\"open\r\n<-- Orders -- >\r\n2\r\n"
                                                              << QStringList{"O:1|open\r\n", "I:2"};
    QTest::newRow("only a header") << QByteArray("header only") << QStringList{};
    QTest::newRow("empty file") << QByteArray() << QStringList{};
}

void DownloadFileTest::recordSyntax()
{
    QFETCH(QByteArray, download);
    QFETCH(QStringList, expected);
    QCOMPARE(records(download), expected);
}

void DownloadFileTest::recordPositions()
{
    QByteArray bytes = "h\r\n1\r\n\"a\r\nb\"\r\n<-- Orders -- >\r\n9\r\n8\r\n";
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    DownloadReader reader(buffer);
    QList<QPair<qint64, qint64>> positions; // (record number, line)
    while (reader.next())
        positions << qMakePair(reader.recordNumber(), reader.lineNumber());
    const QList<QPair<qint64, qint64>> expected{{1, 2}, {2, 3}, {1, 6}, {2, 7}};
    QCOMPARE(positions, expected);
}

void DownloadFileTest::longRecordsAcrossReads()
{
    // Lines longer than the reader's buffer, with line ends at its edges.
    const QByteArray big(300 * 1024 + 7, 'x');
    const QByteArray download = "h\r\n" + big + ";\"" + big + "\r\n" + big + "\"\r\n<-- Orders -- >\r\n1\r\n";
    const QStringList r = records(download);
    QCOMPARE(r.size(), 2);
    QCOMPARE(r.at(0), "O:" + QString::fromLatin1(big + "|" + big + "\r\n" + big));
    QCOMPARE(r.at(1), QStringLiteral("I:1"));
}

void DownloadFileTest::numbers_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("valid");
    QTest::newRow("decimal point") << QByteArray("12.50") << 12.5 << true;
    QTest::newRow("sign and exponent") << QByteArray("-1.5E2") << -150.0 << true;
    QTest::newRow("plus and small e") << QByteArray("+2e-1") << 0.2 << true;
    QTest::newRow("no integer part") << QByteArray(".5") << 0.5 << true;
    QTest::newRow("decimal comma") << QByteArray("12,50") << 0.0 << false;
    QTest::newRow("thousands separator") << QByteArray("1,000.00") << 0.0 << false;
    QTest::newRow("blank") << QByteArray(" 12") << 0.0 << false;
    QTest::newRow("exponent without digits") << QByteArray("1E") << 0.0 << false;
    QTest::newRow("sign alone") << QByteArray("-") << 0.0 << false;
    QTest::newRow("word") << QByteArray("abc") << 0.0 << false;
    QTest::newRow("overflow") << QByteArray("1E999") << 0.0 << false;
    QTest::newRow("underflow is zero") << QByteArray("1E-400") << 0.0 << true;
    QTest::newRow("negative underflow is zero") << QByteArray("-2.5E-999") << 0.0 << true;
    QTest::newRow("infinity") << QByteArray("inf") << 0.0 << false;
}

void DownloadFileTest::numbers()
{
    QFETCH(QByteArray, text);
    QFETCH(double, value);
    QFETCH(bool, valid);
    const std::string_view view(text.constData(), static_cast<size_t>(text.size()));
    if (valid) {
        QCOMPARE(ValueConversion::toFloat(view), value);
    } else {
        QCOMPARE(conversionError([&] { ValueConversion::toFloat(view); }),
                 QString::fromLatin1(text) + QStringLiteral(" is not a valid floating point number"));
        QVERIFY(!conversionError([&] { ValueConversion::toInteger(view); }).isEmpty());
    }
}

void DownloadFileTest::integers_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("value");
    QTest::newRow("whole") << QByteArray("1001") << 1001;
    QTest::newRow("half down to even") << QByteArray("2.5") << 2;
    QTest::newRow("half up to even") << QByteArray("3.5") << 4;
    QTest::newRow("negative half") << QByteArray("-2.5") << -2;
    QTest::newRow("nearest") << QByteArray("7.51") << 8;
    QTest::newRow("exponent") << QByteArray("1.2E3") << 1200;
    QTest::newRow("clamped high") << QByteArray("1E10") << 2147483647;
    QTest::newRow("clamped low") << QByteArray("-3000000000") << -2147483647;
}

void DownloadFileTest::integers()
{
    QFETCH(QByteArray, text);
    QFETCH(int, value);
    QCOMPARE(ValueConversion::toInteger(std::string_view(text.constData(), static_cast<size_t>(text.size()))), value);
}

void DownloadFileTest::booleans_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("value");
    QTest::newRow("True") << QByteArray("True") << true;
    QTest::newRow("Ja") << QByteArray("Ja") << true;
    QTest::newRow("true") << QByteArray("true") << false;
    QTest::newRow("False") << QByteArray("False") << false;
    QTest::newRow("1") << QByteArray("1") << false;
}

void DownloadFileTest::booleans()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, value);
    QCOMPARE(ValueConversion::toBoolean(std::string_view(text.constData(), static_cast<size_t>(text.size()))), value);
}

void DownloadFileTest::dates_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("stored"); // empty: a conversion failure
    QTest::newRow("day.month.year") << QByteArray("31.12.2006") << "2006-12-31";
    QTest::newRow("month/day/year") << QByteArray("12/31/2006") << "2006-12-31";
    QTest::newRow("year-month-day") << QByteArray("2006-12-31") << "2006-12-31";
    QTest::newRow("two-digit year, 2000s") << QByteArray("31.12.06") << "2006-12-31";
    QTest::newRow("two-digit year, 1900s") << QByteArray("31.12.45") << "1945-12-31";
    QTest::newRow("year 29 and 30") << QByteArray("1.1.29") << "2029-01-01";
    QTest::newRow("year 30") << QByteArray("1.1.30") << "1930-01-01";
    QTest::newRow("afternoon moves to the next day") << QByteArray("2006-12-31_18:00:00") << "2007-01-01";
    QTest::newRow("noon stays") << QByteArray("31.12.2006 12:00:00") << "2006-12-31";
    QTest::newRow("just after noon") << QByteArray("31.12.2006 12:00:00.001") << "2007-01-01";
    QTest::newRow("PM time") << QByteArray("12/31/2006 1:00 PM") << "2007-01-01";
    QTest::newRow("leap day") << QByteArray("29.02.2004") << "2004-02-29";
    QTest::newRow("no such day") << QByteArray("30.02.2006") << "";
    QTest::newRow("not a leap year") << QByteArray("29.02.2006") << "";
    QTest::newRow("April 31") << QByteArray("31.04.2006") << "";
    QTest::newRow("month 13") << QByteArray("1.13.2006") << "";
    QTest::newRow("two parts") << QByteArray("31.12") << "";
    QTest::newRow("left over text") << QByteArray("31.12.2006x") << "";
    QTest::newRow("mixed separators") << QByteArray("31.12/2006") << "";
    QTest::newRow("time alone") << QByteArray("14:30") << "";
    QTest::newRow("two blanks") << QByteArray("31.12.2006  14:30") << "";
    QTest::newRow("year 10000") << QByteArray("1.1.10000") << "";
}

void DownloadFileTest::dates()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, stored);
    const std::string_view view(text.constData(), static_cast<size_t>(text.size()));
    if (stored.isEmpty()) {
        QCOMPARE(conversionError([&] { ValueConversion::toDate(view); }),
                 QString::fromLatin1(text) + QStringLiteral(" is not a valid date time"));
        return;
    }
    ImportValue value;
    ValueConversion::convert(ColumnType::Date, view, value);
    QCOMPARE(value.kind, ImportValue::Kind::Text);
    QCOMPARE(QString::fromLatin1(value.text.data(), static_cast<qsizetype>(value.text.size())), stored);
}

void DownloadFileTest::times_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("stored");
    QTest::newRow("hours and minutes") << QByteArray("14:30") << "14:30:00";
    QTest::newRow("seconds") << QByteArray("9:05:07") << "09:05:07";
    QTest::newRow("milliseconds as an integer") << QByteArray("9:05:07.5") << "09:05:07.005";
    QTest::newRow("milliseconds") << QByteArray("9:05:07.500") << "09:05:07.500";
    QTest::newRow("24:00:00") << QByteArray("24:00:00") << "00:00:00";
    QTest::newRow("after a date") << QByteArray("31.12.2006 2:30:00 PM") << "14:30:00";
    QTest::newRow("after a date with _") << QByteArray("2006-12-31_18:00:00") << "18:00:00";
    QTest::newRow("12 AM") << QByteArray("1/1/2006 12:15 am") << "00:15:00";
    QTest::newRow("12 PM") << QByteArray("1/1/2006 12:15 PM") << "12:15:00";
    QTest::newRow("hours alone after a date") << QByteArray("1/1/2006 7") << "07:00:00";
    QTest::newRow("AM/PM alone") << QByteArray("2:30:00 PM") << "";
    QTest::newRow("24:00:01") << QByteArray("24:00:01") << "";
    QTest::newRow("minute 60") << QByteArray("10:60") << "";
    QTest::newRow("13 PM") << QByteArray("1/1/2006 13:00 PM") << "";
    QTest::newRow("0 AM") << QByteArray("1/1/2006 0:00 AM") << "";
    QTest::newRow("1000 ms") << QByteArray("10:00:00.1000") << "";
    QTest::newRow("no colon") << QByteArray("1430") << "";
    QTest::newRow("bad date part") << QByteArray("30.02.2006 10:00") << "";
}

void DownloadFileTest::times()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, stored);
    const std::string_view view(text.constData(), static_cast<size_t>(text.size()));
    if (stored.isEmpty()) {
        QCOMPARE(conversionError([&] { ValueConversion::toTime(view); }),
                 QString::fromLatin1(text) + QStringLiteral(" is not a valid date time"));
        return;
    }
    ImportValue value;
    ValueConversion::convert(ColumnType::Time, view, value);
    QCOMPARE(QString::fromLatin1(value.text.data(), static_cast<qsizetype>(value.text.size())), stored);
}

void DownloadFileTest::windows1252()
{
    QCOMPARE(AnsiText::toUnicode("M\xfcller \x80 \x93q\x94"), QString::fromUtf8("Müller € “q”"));
    std::string utf8;
    AnsiText::appendUtf8(utf8, "M\xfcller \x80");
    QCOMPARE(QString::fromStdString(utf8), QString::fromUtf8("Müller €"));
    QCOMPARE(AnsiText::fromUnicode(QString::fromUtf8("Müller € ✓")), QByteArray("M\xfcller \x80 ?"));
}

QTEST_GUILESS_MAIN(DownloadFileTest)
#include "tst_DownloadFile.moc"
