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
} // namespace

class DownloadFileTest : public QObject
{
    Q_OBJECT

  private slots:
    void recordSyntax_data()
    {
        QTest::addColumn<QByteArray>("download");
        QTest::addColumn<QStringList>("expected");
        const QByteArray h = "header;ignored\r\n";
        QTest::newRow("fields and sections") << h + "1;a;b\r\n<-- Orders -- >\r\n1;x\r\n"
                                             << QStringList{"O:1|a|b", "I:1|x"};
        QTest::newRow("LF line ends") << h + "1;a\n<-- Orders -- >\n2;b\n" << QStringList{"O:1|a", "I:2|b"};
        QTest::newRow("last line without line end")
            << h + "1;a\r\n<-- Orders -- >\r\n2;b" << QStringList{"O:1|a", "I:2|b"};
        QTest::newRow("quoted separator") << h + "\"Smith; John\";x\r\n" << QStringList{"O:Smith; John|x"};
        QTest::newRow("doubled quote") << h + "\"say \"\"hi\"\"\";x\r\n" << QStringList{"O:say \"hi\"|x"};
        QTest::newRow("unquoted trimmed, quoted kept") << h + "  a b \t;\"  c  \";\x01 d\x02\r\n"
                                                       << QStringList{"O:a b|  c  |d"};
        QTest::newRow("after the closing quote ignored") << h + "\"abc\"def;x\r\n" << QStringList{"O:abc|x"};
        QTest::newRow("quote inside unquoted field") << h + "a\"b;x\r\n" << QStringList{"O:a\"b|x"};
        QTest::newRow("quote after a blank is not a quoted field") << h + " \"a;b\"\r\n" << QStringList{"O:\"a|b\""};
        QTest::newRow("quoted line break") << h + "\"line 1\nline 2\";x\n" << QStringList{"O:line 1\r\nline 2|x"};
        QTest::newRow("quoted CRLF line break") << h + "\"line 1\r\nline 2\";x\r\n"
                                                << QStringList{"O:line 1\r\nline 2|x"};
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
        QTest::newRow("NUL reads as a blank") << h + QByteArray("a\0b;\"c\0\";\0", 11) + "\r\n"
                                              << QStringList{"O:a b|c |"};
        QTest::newRow("trailing separator") << h + "a;\r\n" << QStringList{"O:a|"};
        QTest::newRow("unterminated quote ends with its section") << h + "1;\"open\r\n<-- Orders -- >\r\n2\r\n"
                                                                  << QStringList{"O:1|open\r\n", "I:2"};
        QTest::newRow("only a header") << QByteArray("header only") << QStringList{};
        QTest::newRow("empty file") << QByteArray() << QStringList{};
    }

    void recordSyntax()
    {
        QFETCH(QByteArray, download);
        QFETCH(QStringList, expected);
        QCOMPARE(records(download), expected);
    }

    void longRecordsAcrossReads()
    {
        // Lines longer than the reader's buffer, with line ends at its edges.
        const QByteArray big(300 * 1024 + 7, 'x');
        const QByteArray download = "h\r\n" + big + ";\"" + big + "\r\n" + big + "\"\r\n<-- Orders -- >\r\n1\r\n";
        const QStringList r = records(download);
        QCOMPARE(r.size(), 2);
        QCOMPARE(r.at(0), "O:" + QString::fromLatin1(big + "|" + big + "\r\n" + big));
        QCOMPARE(r.at(1), QStringLiteral("I:1"));
    }

    void conversions_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("stored"); // empty: the field is refused
        using T = ColumnType;
        const auto add = [](T type, const char* name, const char* text, const char* stored) {
            QTest::newRow(name) << int(type) << QByteArray(text) << QString::fromLatin1(stored);
        };
        add(T::Float, "decimal point", "12.50", "12.5");
        add(T::Float, "sign and exponent", "-1.5E2", "-150");
        add(T::Float, "plus and small e", "+2e-1", "0.2");
        add(T::Float, "no integer part", ".5", "0.5");
        add(T::Float, "decimal comma", "12,50", "");
        add(T::Float, "blank", " 12", "");
        add(T::Float, "exponent without digits", "1E", "");
        add(T::Float, "overflow", "1E999", "");
        add(T::Float, "underflow is zero", "1E-400", "0");
        add(T::Float, "infinity", "inf", "");
        add(T::Integer, "whole", "1001", "1001");
        add(T::Integer, "half down to even", "2.5", "2");
        add(T::Integer, "half up to even", "3.5", "4");
        add(T::Integer, "clamped high", "1E10", "2147483647");
        add(T::Integer, "clamped low", "-3000000000", "-2147483647");
        add(T::Integer, "not a number", "12,50", "");
        add(T::Boolean, "True", "True", "1");
        add(T::Boolean, "Ja", "Ja", "1");
        add(T::Boolean, "true", "true", "0");
        add(T::Boolean, "1", "1", "0");
        add(T::Date, "day.month.year", "31.12.2006", "2006-12-31");
        add(T::Date, "month/day/year", "12/31/2006", "2006-12-31");
        add(T::Date, "year-month-day", "2006-12-31", "2006-12-31");
        add(T::Date, "year 29 and 30", "1.1.29", "2029-01-01");
        add(T::Date, "year 30", "1.1.30", "1930-01-01");
        add(T::Date, "afternoon moves to the next day", "2006-12-31_18:00:00", "2007-01-01");
        add(T::Date, "noon stays", "31.12.2006 12:00:00", "2006-12-31");
        add(T::Date, "just after noon", "31.12.2006 12:00:00.001", "2007-01-01");
        add(T::Date, "leap day", "29.02.2004", "2004-02-29");
        add(T::Date, "no such day", "30.02.2006", "");
        add(T::Date, "not a leap year", "29.02.2006", "");
        add(T::Date, "month 13", "1.13.2006", "");
        add(T::Date, "two parts", "31.12", "");
        add(T::Date, "left over text", "31.12.2006x", "");
        add(T::Date, "time alone", "14:30", "");
        add(T::Date, "two blanks", "31.12.2006  14:30", "");
        add(T::Date, "year 10000", "1.1.10000", "");
        add(T::Time, "hours and minutes", "14:30", "14:30:00");
        add(T::Time, "seconds", "9:05:07", "09:05:07");
        add(T::Time, "milliseconds as an integer", "9:05:07.5", "09:05:07.005");
        add(T::Time, "24:00:00", "24:00:00", "00:00:00");
        add(T::Time, "after a date", "31.12.2006 2:30:00 PM", "14:30:00");
        add(T::Time, "12 AM", "1/1/2006 12:15 am", "00:15:00");
        add(T::Time, "12 PM", "1/1/2006 12:15 PM", "12:15:00");
        add(T::Time, "hours alone after a date", "1/1/2006 7", "07:00:00");
        add(T::Time, "AM/PM alone", "2:30:00 PM", "");
        add(T::Time, "24:00:01", "24:00:01", "");
        add(T::Time, "minute 60", "10:60", "");
        add(T::Time, "13 PM", "1/1/2006 13:00 PM", "");
        add(T::Time, "0 AM", "1/1/2006 0:00 AM", "");
        add(T::Time, "1000 ms", "10:00:00.1000", "");
        add(T::Time, "no colon", "1430", "");
        add(T::Time, "bad date part", "30.02.2006 10:00", "");
    }

    void conversions()
    {
        QFETCH(int, type);
        QFETCH(QByteArray, text);
        QFETCH(QString, stored);
        ImportValue value;
        QString shown;
        try {
            ValueConversion::convert(ColumnType(type), std::string_view(text.constData(), size_t(text.size())), value);
            switch (value.kind) {
            case ImportValue::Kind::Integer:
                shown = QString::number(value.integer);
                break;
            case ImportValue::Kind::Float:
                shown = QString::number(value.real + 0.0); // no "-0"
                break;
            case ImportValue::Kind::Text:
                shown = QString::fromLatin1(value.text.data(), qsizetype(value.text.size()));
                break;
            case ImportValue::Kind::Null:
                shown = QStringLiteral("NULL");
            }
        } catch (const Error& e) {
            shown = e.message();
        }
        const bool date = ColumnType(type) == ColumnType::Date || ColumnType(type) == ColumnType::Time;
        if (stored.isEmpty())
            stored = QString::fromLatin1(text) + (date ? QStringLiteral(" is not a valid date time")
                                                       : QStringLiteral(" is not a valid floating point number"));
        QCOMPARE(shown, stored);
    }
};

QTEST_GUILESS_MAIN(DownloadFileTest)
#include "tst_DownloadFile.moc"
