// Each format is written from a table of awkward values and read back by a real reader of the
// format; every cell is compared with what the merchant should find there.

#include "export/ExportTestSupport.h"
#include "export/Exporter.h"
#include "export/SqliteRowSource.h"

#include <QLocale>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QXmlStreamReader>

using namespace pelmora;
using namespace pelmora::test;

namespace
{

const ExportColumns kColumns{{QStringLiteral("id"), QStringLiteral("ID"), ExportType::Integer},
                             {QStringLiteral("name"), QStringLiteral("Name"), ExportType::Text},
                             {QStringLiteral("note"), QStringLiteral("Note"), ExportType::Text},
                             {QStringLiteral("total"), QStringLiteral("Total"), ExportType::Money},
                             {QStringLiteral("qty"), QStringLiteral("Qty"), ExportType::Number},
                             {QStringLiteral("day"), QStringLiteral("Day"), ExportType::Date},
                             {QStringLiteral("at"), QStringLiteral("At"), ExportType::Time},
                             {QStringLiteral("paid"), QStringLiteral("Paid"), ExportType::Boolean}};

const QStringList kCaptions{QStringLiteral("ID"),    QStringLiteral("Name"), QStringLiteral("Note"),
                            QStringLiteral("Total"), QStringLiteral("Qty"),  QStringLiteral("Day"),
                            QStringLiteral("At"),    QStringLiteral("Paid")};

const char* kRows = "INSERT INTO t VALUES"
                    "(1,'Smith, John','He said \"hi\"'||char(10)||'next line',1234.5,2.5,'2007-01-15','14:05:09',1),"
                    "(2,'<b>Bold</b> & Co','{\\rtf1 brace} back\\slash',-12.0,1.0,'2024-12-31','00:00:00',0),"
                    "(3,'Zoë Ünicode € 日本',NULL,0.0,NULL,NULL,NULL,NULL),"
                    "(4,'tab'||char(9)||'here; semi','=SUM(A1)',0.5,1000000.0,'not a date','9:5','maybe')";

// What the merchant reads in a document (HTML, RTF, Word): the user's formats, money grouped.
const QList<QStringList> kDocument{
    {"1", "Smith, John", "He said \"hi\"\nnext line", "1,234.50", "2.5", "1/15/2007", "2:05:09 PM", "True"},
    {"2", "<b>Bold</b> & Co", "{\\rtf1 brace} back\\slash", "-12.00", "1", "12/31/2024", "12:00:00 AM", "False"},
    {"3", "Zoë Ünicode € 日本", "", "0.00", "", "", "", ""},
    {"4", "tab\there; semi", "=SUM(A1)", "0.50", "1000000", "not a date", "9:5", "maybe"}};

// In data files money is not grouped, so that it reads back as a number.
QList<QStringList> dataFile(bool tabs)
{
    QList<QStringList> rows = kDocument;
    rows[0][3] = "1234.50";
    if (tabs) {
        rows[0][2] = "He said \"hi\" next line";
        rows[3][1] = "tab here; semi";
    }
    return rows;
}

// Typed cells of the workbook.
const QList<QStringList> kWorkbook{
    {"N:1.0", "Smith, John", "He said \"hi\"\nnext line", "N:1234.5", "N:2.5", "D:2007-01-15", "T:14:05:09", "B:1"},
    {"N:2.0", "<b>Bold</b> & Co", "{\\rtf1 brace} back\\slash", "N:-12.0", "N:1.0", "D:2024-12-31", "T:00:00:00",
     "B:0"},
    {"N:3.0", "Zoë Ünicode € 日本", "", "N:0.0", "", "", "", ""},
    {"N:4.0", "tab\there; semi", "=SUM(A1)", "N:0.5", "N:1000000.0", "not a date", "9:5", "maybe"}};

// Typed values of the XML document.
const QList<QStringList> kXml{
    {"1", "Smith, John", "He said \"hi\"\nnext line", "1234.5", "2.5", "2007-01-15", "14:05:09", "true"},
    {"2", "<b>Bold</b> & Co", "{\\rtf1 brace} back\\slash", "-12", "1", "2024-12-31", "00:00:00", "false"},
    {"3", "Zoë Ünicode € 日本", "", "0", "", "", "", ""},
    {"4", "tab\there; semi", "=SUM(A1)", "0.5", "1000000", "not a date", "9:5", "maybe"}};

QList<QStringList> withCaptions(const QList<QStringList>& rows, const QStringList& captions = kCaptions)
{
    return QList<QStringList>{captions} + rows;
}

QList<QStringList> readXml(const QString& path, QString* root)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QXmlStreamReader xml(&file);
    QList<QStringList> rows;
    int depth = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            ++depth;
            if (depth == 1)
                *root = xml.name().toString();
            else if (depth == 2)
                rows << QStringList();
            else if (depth == 3) {
                rows.last() << xml.readElementText();
                --depth;
            }
        } else if (xml.isEndElement()) {
            --depth;
        }
    }
    if (xml.hasError())
        qWarning("XML reader: %s", qPrintable(xml.errorString()));
    return xml.hasError() ? QList<QStringList>{} : rows;
}

} // namespace

class ExportFormatsTest : public QObject
{
    Q_OBJECT

  private slots:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        QVERIFY(dir_.isValid());
        db_ = std::make_unique<SqliteFile>(dir_.filePath(QStringLiteral("data.db")));
        db_->exec(QStringLiteral("CREATE TABLE t(id integer, name text, note text, total real, qty real, day date, "
                                 "at time, paid boolean)"));
        db_->exec(QString::fromUtf8(kRows));
    }

    void cellsReadBack_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("separator");
        QTest::addColumn<bool>("byteOrderMark");
        QTest::addColumn<QStringList>("omitted");
        QTest::addColumn<QList<QStringList>>("expected");

        QTest::newRow("xlsx") << "xlsx" << QStringLiteral(",") << false << QStringList() << withCaptions(kWorkbook);
        QTest::newRow("docx") << "docx" << QStringLiteral(",") << false << QStringList() << withCaptions(kDocument);
        QTest::newRow("rtf") << "rtf" << QStringLiteral(",") << false << QStringList() << withCaptions(kDocument);
        QTest::newRow("html") << "html" << QStringLiteral(",") << false << QStringList() << withCaptions(kDocument);
        QTest::newRow("xml") << "xml" << QStringLiteral(",") << false << QStringList() << kXml;
        QTest::newRow("txt") << "txt" << QStringLiteral(",") << false << QStringList() << withCaptions(dataFile(true));
        QTest::newRow("csv") << "csv" << QStringLiteral(",") << false << QStringList() << withCaptions(dataFile(false));
        QTest::newRow("csv semicolon, byte-order mark")
            << "csv" << QStringLiteral(";") << true << QStringList() << withCaptions(dataFile(false));
        // Fields left out are not written; the others keep their order.
        QList<QStringList> narrow;
        for (QStringList row : withCaptions(dataFile(false))) {
            row.removeAt(6);
            row.removeAt(2);
            narrow << row;
        }
        QTest::newRow("csv without note and time")
            << "csv" << QStringLiteral(",") << false << QStringList{"note", "AT"} << narrow;
    }

    void cellsReadBack()
    {
        QFETCH(QString, format);
        QFETCH(QString, separator);
        QFETCH(bool, byteOrderMark);
        QFETCH(QStringList, omitted);
        QFETCH(QList<QStringList>, expected);

        ExportOptions options;
        options.format = *ExportFormats::find(format);
        options.csvSeparator = separator;
        options.byteOrderMark = byteOrderMark;
        options.omittedFields = omitted;
        options.title = QStringLiteral("Orders");
        const QString path = dir_.filePath(QStringLiteral("out.") + format);
        SqliteRowSource source(db_->db(), QStringLiteral("SELECT * FROM t ORDER BY id"), kColumns);
        const ExportResult result = Exporter::run(source, options, path);
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(result.rows, 4);

        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray head = file.read(3);
        QCOMPARE(head == "\xEF\xBB\xBF", byteOrderMark);

        QList<QStringList> rows;
        if (format == QLatin1String("xml")) {
            QString root;
            rows = readXml(path, &root);
            QCOMPARE(root, QStringLiteral("Orders"));
            file.seek(0);
            QVERIFY(file.readLine().startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"));
        } else {
            const QJsonObject table =
                readBack(format, path, format == QLatin1String("csv") ? QStringList{separator} : QStringList());
            QVERIFY(!table.isEmpty());
            rows = rowsOf(table);
            if (format == QLatin1String("xlsx")) {
                const QJsonObject sheet = table.value(QStringLiteral("sheets")).toArray().first().toObject();
                QCOMPARE(sheet.value(QStringLiteral("title")).toString(), QStringLiteral("Sheet 1"));
                QCOMPARE(sheet.value(QStringLiteral("footer")).toString(), QStringLiteral("Page &P of &N"));
            }
        }
        QCOMPARE(rows.size(), expected.size());
        for (qsizetype r = 0; r < rows.size(); ++r)
            QCOMPARE(rows[r], expected[r]);
    }

    // Many rows over many pages: the caption row on every page, "Page n of N" at every foot,
    // every row once, in order, and the left margin of the options.
    void pdfPages()
    {
        SqliteFile db(dir_.filePath(QStringLiteral("pages.db")));
        db.exec(QStringLiteral("CREATE TABLE p(name text, n integer, day date, total real)"));
        db.exec(QStringLiteral("WITH RECURSIVE c(n) AS (SELECT 1 UNION ALL SELECT n+1 FROM c WHERE n < 150) "
                               "INSERT INTO p SELECT 'Customer ' || n, n, '2023-02-' || printf('%02d', n % 28 + 1), "
                               "n * 1.25 FROM c"));
        const ExportColumns columns{{"name", "Buyer", ExportType::Text},
                                    {"n", "Number", ExportType::Integer},
                                    {"day", "Date", ExportType::Date},
                                    {"total", "Total", ExportType::Money}};
        ExportOptions options;
        options.format = ExportFormat::Pdf;
        options.pageSize = QStringLiteral("Letter");
        const QString path = dir_.filePath(QStringLiteral("pages.pdf"));
        SqliteRowSource source(db.db(), QStringLiteral("SELECT * FROM p ORDER BY n"), columns);
        const ExportResult result = Exporter::run(source, options, path);
        QVERIFY2(result.ok, qPrintable(result.error));

        const QJsonObject read = readBack(QStringLiteral("pdf"), path);
        const QJsonArray pages = read.value(QStringLiteral("pages")).toArray();
        QVERIFY(pages.size() >= 3);
        int next = 1;
        const QRegularExpression rowLine(QStringLiteral("^\\s*Customer (\\d+)\\s+(\\d+)\\s+(\\S+)\\s+(\\S+)\\s*$"));
        for (qsizetype p = 0; p < pages.size(); ++p) {
            const QStringList lines = pages[p].toString().split(u'\n');
            QVERIFY(lines.contains(QRegularExpression(QStringLiteral("^\\s*Buyer\\s+Number\\s+Date\\s+Total\\s*$"))));
            QVERIFY2(pages[p].toString().contains(QStringLiteral("Page %1 of %2").arg(p + 1).arg(pages.size())),
                     qPrintable(QStringLiteral("page %1").arg(p + 1)));
            for (const QString& line : lines) {
                const auto m = rowLine.match(line);
                if (!m.hasMatch())
                    continue;
                QCOMPARE(m.captured(1).toInt(), next);
                QCOMPARE(m.captured(2).toInt(), next);
                QCOMPARE(m.captured(3), QStringLiteral("2/%1/2023").arg(next % 28 + 1));
                QCOMPARE(m.captured(4), QLocale().toString(next * 1.25, 'f', 2));
                ++next;
            }
        }
        QCOMPARE(next, 151);
        // The first row's name starts at the left margin of 1.17 inches (84 points) plus the padding.
        const QRegularExpression firstWord(QStringLiteral("<word xMin=\"([0-9.]+)\"[^>]*>Customer</word>"));
        const auto m = firstWord.match(read.value(QStringLiteral("bbox")).toString());
        QVERIFY(m.hasMatch());
        QVERIFY2(m.captured(1).toDouble() > 84.0 && m.captured(1).toDouble() < 100.0, qPrintable(m.captured(1)));
    }

    // Text a customer typed that a spreadsheet program would run as a formula. The workbook
    // holds it as text whatever the options; the delimited files hold it as it is unless asked
    // to mark it, and then only such text, never a negative number, gets the apostrophe.
    void formulaLikeText_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<bool>("mark");
        QTest::addColumn<QStringList>("expected");
        const QStringList asIs{"=SUM(A1)", "+1 555 0100", "-12.5", "@cmd", "-2+3+cmd|' /C calc'!A0", "plain = ok",
                               "",         "-12.00"};
        const QStringList marked{"'=SUM(A1)", "'+1 555 0100", "-12.5", "'@cmd", "'-2+3+cmd|' /C calc'!A0", "plain = ok",
                                 "",          "-12.00"};
        QStringList workbook = asIs;
        workbook.last() = QStringLiteral("N:-12.0");
        QTest::newRow("csv as it is") << "csv" << false << asIs;
        QTest::newRow("csv marked") << "csv" << true << marked;
        QTest::newRow("txt as it is") << "txt" << false << asIs;
        QTest::newRow("txt marked") << "txt" << true << marked;
        QTest::newRow("xlsx") << "xlsx" << false << workbook;
        QTest::newRow("xlsx, marking asked") << "xlsx" << true << workbook;
    }

    void formulaLikeText()
    {
        QFETCH(QString, format);
        QFETCH(bool, mark);
        QFETCH(QStringList, expected);
        SqliteFile db(dir_.filePath(QStringLiteral("formulas.db")));
        db.exec(QStringLiteral("DROP TABLE IF EXISTS f"));
        db.exec(QStringLiteral("CREATE TABLE f(n integer, note text, total real)"));
        db.exec(QStringLiteral("INSERT INTO f VALUES(1,'=SUM(A1)',NULL),(2,'+1 555 0100',NULL),(3,'-12.5',NULL),"
                               "(4,'@cmd',NULL),(5,'-2+3+cmd|'' /C calc''!A0',NULL),(6,'plain = ok',NULL),"
                               "(7,'',NULL),(8,NULL,-12)"));
        const ExportColumns columns{{"note", "Note", ExportType::Text}, {"total", "Total", ExportType::Money}};
        ExportOptions options;
        options.format = *ExportFormats::find(format);
        options.markFormulas = mark;
        const QString path = dir_.filePath(QStringLiteral("formulas.") + format);
        SqliteRowSource source(db.db(), QStringLiteral("SELECT note, total FROM f ORDER BY n"), columns);
        const ExportResult result = Exporter::run(source, options, path);
        QVERIFY2(result.ok, qPrintable(result.error));
        const QList<QStringList> rows = rowsOf(readBack(format, path));
        QCOMPARE(rows.size(), 9);
        QStringList cells;
        for (qsizetype r = 1; r < rows.size(); ++r)
            cells << (r < 8 ? rows[r].value(0) : rows[r].value(1));
        QCOMPARE(cells, expected);
    }

    // A cancelled export, a source that fails halfway and a file that cannot be made: the file
    // under the chosen name stays as it was, and no work file is left beside it.
    void abandonedExportLeavesNoFile_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("how");
        for (ExportFormat f : ExportFormats::all()) {
            const QByteArray key = ExportFormats::key(f).toLatin1();
            QTest::newRow(QByteArray(key + " cancelled").constData()) << ExportFormats::key(f) << "cancel";
            QTest::newRow(QByteArray(key + " failing source").constData()) << ExportFormats::key(f) << "fail";
        }
        QTest::newRow("csv in a missing folder") << "csv" << QStringLiteral("folder");
    }

    void abandonedExportLeavesNoFile()
    {
        QFETCH(QString, format);
        QFETCH(QString, how);
        QTemporaryDir folder;
        SqliteFile db(folder.filePath(QStringLiteral("rows.db")));
        // The json() of a broken text raises an error at row 1500, as a damaged file would.
        const QString statement =
            QStringLiteral("WITH RECURSIVE c(n) AS (SELECT 1 UNION ALL SELECT n+1 FROM c WHERE n < 2500) SELECT n, "
                           "CASE WHEN n = 1500 AND %1 THEN json('{broken') ELSE 'row ' || n END FROM c")
                .arg(how == QLatin1String("fail") ? 1 : 0);
        const ExportColumns columns{{"n", "N", ExportType::Integer}, {"t", "Text", ExportType::Text}};

        const QString out = folder.filePath(QStringLiteral("out/export.") + format);
        if (how != QLatin1String("folder")) {
            QVERIFY(QDir().mkpath(folder.filePath(QStringLiteral("out"))));
            QFile old(out);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("what was there before");
        }
        ExportOptions options;
        options.format = *ExportFormats::find(format);
        SqliteRowSource source(db.db(), statement, columns);
        qint64 seen = 0;
        const ExportResult result = Exporter::run(source, options, out, [&](qint64 done, qint64) {
            seen = done;
            return !(how == QLatin1String("cancel") && done >= 1000);
        });
        QVERIFY(!result.ok);
        QCOMPARE(result.cancelled, how == QLatin1String("cancel"));
        QCOMPARE(result.error.isEmpty(), how == QLatin1String("cancel"));
        if (how == QLatin1String("folder")) {
            QVERIFY(!QFileInfo::exists(out));
            return;
        }
        QVERIFY(seen >= 1000);
        QCOMPARE(filesIn(folder.filePath(QStringLiteral("out"))), QStringList{QStringLiteral("export.") + format});
        QFile old(out);
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("what was there before"));
    }

  private:
    QTemporaryDir dir_;
    std::unique_ptr<SqliteFile> db_;
};

QTEST_MAIN(ExportFormatsTest)
#include "tst_ExportFormats.moc"
