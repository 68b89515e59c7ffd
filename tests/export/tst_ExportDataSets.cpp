// The rows and fields each export command hands over, read back from the file written: the
// order export as filtered in the grid, the item export by its order's filter (a condition on
// the order date selects orders, not items), the items after a switch of view, and the same
// through pelmora-cli.

#include "export/ExportTestSupport.h"
#include "export/Exporter.h"
#include "support/CliRun.h"
#include "support/TestFolder.h"
#include "workspace/ExportDataSets.h"
#include "workspace/FilterTranslation.h"

#include <QJsonArray>
#include <QRegularExpression>
#include <QSet>

using namespace pelmora;
using namespace pelmora::test;

namespace
{

const char* kFixture[] = {
    "INSERT INTO Orders(ShopperID,Username,Invoice_date,Invoice_time,Invoice_name,Status,Total,Selected,New) VALUES"
    "(101,'shop','2007-01-10','09:00:00','Alpha','Paid',10.5,0,0),"
    "(102,'shop','2007-01-15','10:30:00','O''Brien, Pat','Completed',20,1,0),"
    "(103,'shop','2007-02-01','23:59:59','Gamma','Unpaid',30.25,0,1)",
    // The item of 103 carries an older date than its order; 999 has no order.
    "INSERT INTO Items(ShopperID,Qty,ProductCode,Product,Units,Price,Amount,Invoice_date) VALUES"
    "(101,1,'P1','First product','pc',10.5,10.5,'2007-01-10'),"
    "(102,2,'P2a','Second, \"quoted\"','pc',5,10,'2007-01-15'),"
    "(102,1,'P2b','Third','box',10,10,'2007-01-15'),"
    "(103,3,'P3','Fourth','pc',10.0833,30.25,'2006-12-31'),"
    "(999,1,'P9','Orphan','pc',1,1,'2007-03-01')",
    "INSERT INTO OrdersArchve(ShopperID,Invoice_date,Invoice_name,Status,Total) VALUES"
    "(50,'2006-05-05','Archived','Completed',7)",
    "INSERT INTO ItemsArchive(ShopperID,Qty,ProductCode,Product,Units,Price,Amount,Invoice_date) VALUES"
    "(50,1,'A1','Archived item','pc',7,7,'2006-05-05'),(51,1,'A2','Archived alone','pc',1,1,'2006-05-06')",
};

// The orders above in a program folder whose settings name its database.
struct Fixture {
    Fixture()
    {
        SqliteFile db(folder.databasePath());
        for (const char* sql : kFixture)
            db.exec(QString::fromUtf8(sql));
        folder.saveSettings();
    }
    // Exports the data set to CSV and reads the file back.
    QList<QStringList> exportCsv(const ExportDataSet& data)
    {
        SqliteFile db(folder.databasePath());
        auto rows = data.open(db.db());
        ExportOptions options;
        options.format = ExportFormat::Csv;
        const QString path = folder.file(QStringLiteral("tmp/out.csv"));
        const ExportResult result = Exporter::run(*rows, options, path);
        if (!result.ok)
            qWarning("%s", qPrintable(result.error));
        return rowsOf(readBack(QStringLiteral("csv"), path));
    }
    TestFolder folder;
};

QStringList column(const QList<QStringList>& table, const QString& caption)
{
    if (table.isEmpty())
        return {QStringLiteral("<no file>")};
    const qsizetype index = table.first().indexOf(caption);
    if (index < 0)
        return {QStringLiteral("<no column %1>").arg(caption)};
    QStringList values;
    for (qsizetype r = 1; r < table.size(); ++r)
        values << table[r].value(index);
    return values;
}

} // namespace

class ExportDataSetsTest : public QObject
{
    Q_OBJECT

  private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void itemExportFollowsTheOrderFilter_data()
    {
        QTest::addColumn<QString>("gridFilter");
        QTest::addColumn<QStringList>("products");
        QTest::newRow("no filter: every item with an order") << "" << QStringList{"P1", "P2a", "P2b", "P3"};
        QTest::newRow("order date, not the item's")
            << "Invoice_date >= '01/15/2007'" << QStringList{"P2a", "P2b", "P3"};
        // (How each grid text reads over the join is the filter translation's test.)
    }

    void itemExportFollowsTheOrderFilter()
    {
        QFETCH(QString, gridFilter);
        QFETCH(QStringList, products);
        Fixture f;
        SqliteFile db(f.folder.databasePath());
        const QList<QStringList> table =
            f.exportCsv(ExportDataSets::itemQuery(db.db(), FilterTranslation::translate(gridFilter)));
        QCOMPARE(column(table, QStringLiteral("ProductCode")), products);
        // The item's columns come first, then its order's; a shared name is the order's.
        QCOMPARE(table.first().first(), QStringLiteral("ShopperID"));
        QCOMPARE(table.first().size(), 8 + 51);
        for (qsizetype r = 1; r < table.size(); ++r) {
            const QStringList& row = table[r];
            const QString product = row[table.first().indexOf(QStringLiteral("ProductCode"))];
            const QString ownDate = row[table.first().indexOf(QStringLiteral("Invoice_date"))];
            const QString orderDate = row[table.first().indexOf(QStringLiteral("Orders.Invoice_date"))];
            QCOMPARE(ownDate, product == QLatin1String("P3") ? QStringLiteral("12/31/2006") : orderDate);
        }
        if (products.contains(QStringLiteral("P2a"))) {
            const qsizetype r = column(table, QStringLiteral("ProductCode")).indexOf(QStringLiteral("P2a")) + 1;
            QCOMPARE(table[r][table.first().indexOf(QStringLiteral("Product"))], QStringLiteral("Second, \"quoted\""));
            QCOMPARE(table[r][table.first().indexOf(QStringLiteral("Invoice_name"))], QStringLiteral("O'Brien, Pat"));
        }
    }

    void orderExportIsTheGridAsFiltered_data()
    {
        QTest::addColumn<bool>("archive");
        QTest::addColumn<QString>("gridFilter");
        QTest::addColumn<QStringList>("orders");
        QTest::newRow("live, unfiltered, highest number first") << false << "" << QStringList{"103", "102", "101"};
        QTest::newRow("live, by status") << false << "Status = 'completed'" << QStringList{"102"};
        QTest::newRow("live, by date") << false << "Invoice_date < '01/15/2007'" << QStringList{"101"};
        QTest::newRow("archive") << true << "" << QStringList{"50"};
        QTest::newRow("archive, filtered away") << true << "Invoice_name = 'Alpha'" << QStringList{};
    }

    void orderExportIsTheGridAsFiltered()
    {
        QFETCH(bool, archive);
        QFETCH(QString, gridFilter);
        QFETCH(QStringList, orders);
        Fixture f;
        SqliteFile db(f.folder.databasePath());
        const QList<QStringList> table = f.exportCsv(ExportDataSets::orders(
            db.db(), archive ? OrdersSource::Archive : OrdersSource::Live, FilterTranslation::translate(gridFilter)));
        QCOMPARE(column(table, QStringLiteral("ShopperID")), orders);
        // Every field of the data set, the row identity included.
        QCOMPARE(table.first().size(), 51);
        QCOMPARE(table.first().last(), QStringLiteral("id"));
    }

    void itemsAfterASwitchAreTheFocusedOrdersVisibleFields()
    {
        Fixture f;
        const QList<QStringList> live = f.exportCsv(ExportDataSets::itemsOfOrder(OrdersSource::Live, 102));
        QCOMPARE(live, (QList<QStringList>{{"Qty", "ProductCode", "Product", "Units", "Price", "Amount"},
                                           {"2", "P2a", "Second, \"quoted\"", "pc", "5.00", "10.00"},
                                           {"1", "P2b", "Third", "box", "10.00", "10.00"}}));
        const QList<QStringList> archive = f.exportCsv(ExportDataSets::itemsOfOrder(OrdersSource::Archive, 50));
        QCOMPARE(column(archive, QStringLiteral("ProductCode")), QStringList{"A1"});
        const QList<QStringList> none = f.exportCsv(ExportDataSets::itemsOfOrder(OrdersSource::Live, QVariant()));
        QCOMPARE(none.size(), 1);
    }

    // Every field of the orders on paper: a table far wider than the page is cut into bands of
    // legible columns, each page's rows printed once per band with the caption row and the order
    // number at its left, and numbered through. Every caption and every value of a fully filled
    // order is found whole by a PDF reader.
    void widePdfKeepsEveryField()
    {
        Fixture f;
        SqliteFile db(f.folder.databasePath());
        // Enough orders for several pages of rows.
        db.exec(QStringLiteral("WITH RECURSIVE c(n) AS (SELECT 1 UNION ALL SELECT n+1 FROM c WHERE n < 150) "
                               "INSERT INTO Orders(ShopperID,Invoice_name,Total) SELECT 2000+n,'Buyer'||n,n FROM c"));
        ExportDataSet data = ExportDataSets::orders(db.db(), OrdersSource::Live, QString());
        QCOMPARE(data.columns.size(), 51);
        // One order with a value of its own in every field: the stored value, and as the PDF shows it.
        QStringList names, values, expected;
        for (qsizetype i = 0; i < data.columns.size(); ++i) {
            const ExportColumn& c = data.columns[i];
            const QString mm = QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0'));
            const QMap<ExportType, QPair<QString, QString>> byType{
                {ExportType::Integer, {QString::number(900 + i), QString::number(900 + i)}},
                {ExportType::Number, {QStringLiteral("%1.5").arg(i), QStringLiteral("%1.5").arg(i)}},
                {ExportType::Money, {QStringLiteral("%1.37").arg(i), QStringLiteral("%1.37").arg(i)}},
                {ExportType::Date,
                 {QStringLiteral("'%1-03-09'").arg(2030 + i), QStringLiteral("3/9/%1").arg(2030 + i)}},
                {ExportType::Time, {QStringLiteral("'07:%1:09'").arg(mm), QStringLiteral("7:%1:09").arg(mm)}},
                {ExportType::Boolean, {QStringLiteral("1"), QStringLiteral("True")}},
                {ExportType::Text, {QStringLiteral("'Val%1x'").arg(i), QStringLiteral("Val%1x").arg(i)}}};
            QPair<QString, QString> value = byType.value(c.type);
            if (c.name == QLatin1String("ShopperID") || c.name == QLatin1String("id"))
                value.first = value.second =
                    c.name == QLatin1String("id") ? QStringLiteral("4242") : QStringLiteral("777");
            names << c.name;
            values << value.first;
            expected << value.second;
        }
        db.exec(QStringLiteral("INSERT INTO Orders(%1) VALUES(%2)").arg(names.join(u','), values.join(u',')));

        ExportOptions options;
        options.format = ExportFormat::Pdf;
        options.pageSize = QStringLiteral("Letter");
        const QString path = f.folder.file(QStringLiteral("tmp/wide.pdf"));
        auto rows = data.open(db.db());
        const ExportResult result = Exporter::run(*rows, options, path);
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(result.rows, 154);

        const QJsonObject read = readBack(QStringLiteral("pdf"), path);
        const QJsonArray pages = read.value(QStringLiteral("pages")).toArray();
        QSet<QString> words;
        int pagesWithTheOrder = 0;
        for (qsizetype p = 0; p < pages.size(); ++p) {
            const QString page = pages[p].toString();
            QVERIFY2(page.contains(QStringLiteral("Page %1 of %2").arg(p + 1).arg(pages.size())),
                     qPrintable(QStringLiteral("page %1").arg(p + 1)));
            // The caption row opens every page, the order number first.
            const QStringList lines = page.split(u'\n', Qt::SkipEmptyParts);
            QVERIFY(!lines.isEmpty());
            QCOMPARE(lines.first().split(u' ', Qt::SkipEmptyParts).first(), QStringLiteral("ShopperID"));
            const QStringList pageWords = page.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
            if (pageWords.contains(QStringLiteral("777")))
                ++pagesWithTheOrder;
            for (const QString& w : pageWords)
                words.insert(w);
        }
        // Several bands of columns, the rows of each page on every band.
        QVERIFY2(pagesWithTheOrder >= 3, qPrintable(QString::number(pagesWithTheOrder)));
        QVERIFY(pages.size() >= 2 * pagesWithTheOrder);
        QCOMPARE(pages.size() % pagesWithTheOrder, 0);
        for (qsizetype i = 0; i < data.columns.size(); ++i) {
            QVERIFY2(words.contains(data.columns[i].caption), qPrintable(data.columns[i].caption));
            QVERIFY2(words.contains(expected[i]), qPrintable(data.columns[i].name + u' ' + expected[i]));
        }
        // Every caption is written at 8 points, never squeezed: each is at least as wide as its
        // letters need at that size.
        const QRegularExpression word(QStringLiteral(
            "<word xMin=\"([0-9.]+)\" yMin=\"[0-9.]+\" xMax=\"([0-9.]+)\" yMax=\"[0-9.]+\">([^<]*)</word>"));
        const QString bbox = read.value(QStringLiteral("bbox")).toString();
        int measured = 0;
        for (auto it = word.globalMatch(bbox); it.hasNext();) {
            const auto m = it.next();
            if (m.captured(3) != QLatin1String("Invoice_address1"))
                continue;
            QVERIFY2(m.captured(2).toDouble() - m.captured(1).toDouble() > 40.0, qPrintable(m.captured(0)));
            ++measured;
        }
        QCOMPARE(measured, pages.size() / pagesWithTheOrder);
    }

    void cliExports_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("printed");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QStringList>("values");
        QTest::newRow("orders csv") << QStringList{"orders", "--format", "csv"} << "csv"
                                    << QStringLiteral("3 orders exported to") << "ShopperID"
                                    << QStringList{"103", "102", "101"};
        QTest::newRow("items xlsx") << QStringList{"items", "--format", "xlsx"} << "xlsx"
                                    << QStringLiteral("4 items exported to") << "ProductCode"
                                    << QStringList{"P1", "P2a", "P2b", "P3"};
        // One order reads in the singular.
        QTest::newRow("archived orders html")
            << QStringList{"orders", "--format", "html", "--archive"} << "html" << QStringLiteral("1 order exported to")
            << "Invoice_name" << QStringList{"Archived"};
        QTest::newRow("archived items docx")
            << QStringList{"items", "--format", "docx", "--archive"} << "docx" << QStringLiteral("2 items exported to")
            << "ProductCode" << QStringList{"A1", "A2"};
        QTest::newRow("chosen fields txt")
            << QStringList{"orders", "--format", "TXT", "--fields", "Total,invoice_name"} << "txt"
            << QStringLiteral("3 orders exported to") << "Total" << QStringList{"30.25", "20.00", "10.50"};
    }

    void cliExports()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, format);
        QFETCH(QString, printed);
        QFETCH(QString, caption);
        QFETCH(QStringList, values);
        Fixture f;
        const QString out = f.folder.file(QStringLiteral("tmp/cli.") + format);
        const CliRun run = runCli(QStringList{"export"} + arguments +
                                  QStringList{QStringLiteral("--out"), out, QStringLiteral("--root"), f.folder.path()});
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        QVERIFY2(run.out.startsWith(printed), qPrintable(run.out));
        const QList<QStringList> table = rowsOf(readBack(format, out));
        QCOMPARE(column(table, caption), values);
        if (arguments.contains(QStringLiteral("--fields")))
            QCOMPARE(table.first(), (QStringList{"Invoice_name", "Total"}));
    }

    void cliRefusesWhatItCannotDo_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        QTest::newRow("unknown format") << QStringList{"orders", "--format", "ods", "--out", "x.ods"} << 2
                                        << "Unknown export format";
        QTest::newRow("no file") << QStringList{"orders", "--format", "csv"} << 2 << "--out";
        QTest::newRow("neither orders nor items")
            << QStringList{"users", "--format", "csv", "--out", "x"} << 2 << "orders or items";
        QTest::newRow("unknown field") << QStringList{"orders", "--format", "csv", "--out", "x", "--fields", "Nope"}
                                       << 2 << "Nope";
        QTest::newRow("missing folder") << QStringList{"orders", "--format", "csv", "--out",
                                                       "/nonexistent-folder/x.csv"}
                                        << 1 << "Cannot write";
    }

    void cliRefusesWhatItCannotDo()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        Fixture f;
        const CliRun run = runCli(QStringList{"export"} + arguments + QStringList{"--root", f.folder.path()});
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY2(run.err.contains(message), qPrintable(run.err));
        QVERIFY(!QFileInfo::exists(f.folder.file(QStringLiteral("x"))));
    }
};

QTEST_MAIN(ExportDataSetsTest)
#include "tst_ExportDataSets.moc"
