// pelmora-cli report: stored layouts rendered to PDF without windows, read back with pdftotext.

#include "reports/ReportFixture.h"

#include "reports/LayoutFormat.h"
#include "reports/ReportRepository.h"
#include "workspace/ShippedReports.h"

#include "support/CliRun.h"

#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

using namespace pelmora;
using namespace pelmora::test;

namespace
{
// Three orders of two customers on two days, with their items.
struct ShopFolder : OrdersFolder {
    ShopFolder()
    {
        folder.saveSettings();
        insert(QStringLiteral("Orders"),
               QStringLiteral("ShopperID,Invoice_date,Invoice_name,Invoice_company,Invoice_address1,Invoice_address2,"
                              "Invoice_state,Invoice_zip,Invoice_country,Ship_name,Ship_address1,Ship_address2,"
                              "Ship_country,Payment_method,Tax,Shipping,Total,Status"),
               {5001, "2008-01-01", "Margaret Lindqvist", "Lindqvist Pottery", "14 Harbour Road", "Port Elwood", "ME",
                "04011", "United States", "Olaf Lindqvist", "9 Birch Lane", "Kettle Falls", "Canada", "PayPal", 82.17,
                12.5, 1234.56, "Paid"});
        exec(QStringLiteral("INSERT INTO Orders(ShopperID,Invoice_date,Invoice_name,Ship_name,Total,Status) VALUES"
                            "(5002,'2008-01-01','Tobias Wren','Tobias Wren',19.99,'Unpaid'),"
                            "(5003,'2008-01-02','Ada Quill',NULL,250,'Paid')"));
        addItem(5001, "GLZ-220", "Celadon glaze, 5 lb", 3, 45.25);
        addItem(5001, "KLN-9", "Kiln shelf kit", 1, 1004.14);
        addItem(5002, "BRS-1", "Fan brush", 1, 19.99);
        reports::ReportRepository repository(db());
        ShippedReports::install(repository);
    }
    CliRun report(const QStringList& arguments)
    {
        return runCli(QStringList{QStringLiteral("--root"), folder.path(), QStringLiteral("report")} + arguments);
    }
    // The PDF's text page by page, as pdftotext reads it.
    QStringList pdfPages(const QString& pdf)
    {
        const CliRun text =
            runProgram(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
        if (text.exitCode != 0)
            return {};
        QStringList pages = text.out.split(QLatin1Char('\f'));
        if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
            pages.removeLast();
        return pages;
    }
};
} // namespace

class ReportCliTest : public QObject
{
    Q_OBJECT

  private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QFAIL("pdftotext (poppler-utils) is needed to read the PDFs back");
    }

    void rendersStoredLayouts_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("pages");
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<QStringList>("absent");
        const QString invoice = QStringLiteral("Invoice");
        QTest::newRow("invoice for one order")
            << QStringList{invoice, "--order", "5001"} << 1
            << QStringLiteral(
                   "INVOICE|5001|Margaret Lindqvist|Lindqvist Pottery|14 Harbour Road|Port Elwood|ME 04011|"
                   "Olaf Lindqvist|9 Birch Lane|Kettle Falls|Canada|GLZ-220|Celadon glaze, 5 lb|135.75|KLN-9|"
                   "Kiln shelf kit|1,004.14|1,139.89|82.17|12.50|PayPal|1,234.56")
                   .split(QLatin1Char('|'))
            << QStringList{"Tobias Wren", "Fan brush"};
        QTest::newRow("the morning's invoices")
            << QStringList{invoice, "--filter", "Invoice_date = '2008-01-01'"} << 2
            << QStringList{"Margaret Lindqvist", "Tobias Wren", "Fan brush"} << QStringList{"Ada Quill"};
        QTest::newRow("packing slip without prices")
            << QStringList{"Packing slip", "--order", "5001"} << 1
            << QStringList{"PACKING SLIP", "Olaf Lindqvist", "Kiln shelf kit"} << QStringList{"1,004.14", "1,234.56"};
        QTest::newRow("order list of the paid orders")
            << QStringList{"order list", "--filter", "Status = 'paid'"} << 1
            << QStringList{"Margaret Lindqvist", "Ada Quill", "1,484.56"} << QStringList{"Tobias Wren"};
    }
    void rendersStoredLayouts()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, pages);
        QFETCH(QStringList, present);
        QFETCH(QStringList, absent);
        ShopFolder shop;
        const QString pdf = shop.folder.file(QStringLiteral("out.pdf"));
        const CliRun r = shop.report(arguments + QStringList{QStringLiteral("--out"), pdf});
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        const QStringList text = shop.pdfPages(pdf);
        QCOMPARE(text.size(), pages);
        const QString all = text.join(QLatin1Char('\n'));
        for (const QString& s : present)
            QVERIFY2(all.contains(s), qPrintable(s + QStringLiteral(" is missing from:\n") + all));
        for (const QString& s : absent)
            QVERIFY2(!all.contains(s), qPrintable(s + QStringLiteral(" should not be in:\n") + all));
    }

    void failuresWriteNothing_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QByteArray>("broken"); // the layout stored as "Broken"
        QTest::newRow("no such report") << QStringList{"Statement"} << 1
                                        << QStringLiteral("No report named \"Statement\"") << QByteArray();
        // Layouts that cannot be read, each for a reason of its own. Keys are written in order:
        // the first height is the first band's.
        const QByteArray layout = reports::LayoutFormat::write(ShippedReports::layouts().first());
        const QStringList broken{QStringLiteral("Broken")};
        QTest::newRow("cut short") << broken << 1 << QStringLiteral("damaged") << layout.left(layout.size() / 2);
        QTest::newRow("newer format") << broken << 1 << QStringLiteral("newer version")
                                      << QByteArray(layout).replace("\"version\": 1", "\"version\": 99");
        QTest::newRow("not a layout") << broken << 1 << QStringLiteral("not a report layout")
                                      << QByteArray("{\"hello\": 1}");
        QTest::newRow("band taller than the page")
            << broken << 1 << QStringLiteral("does not fit")
            << QString::fromUtf8(layout)
                   .replace(QRegularExpression(QStringLiteral("\"height\": [0-9.]+")),
                            QStringLiteral("\"height\": 7000"))
                   .toUtf8();
        QTest::newRow("unknown element") << broken << 1 << QStringLiteral("unknown kind")
                                         << QByteArray(layout).replace("\"field\"", "\"gauge\"");
        QTest::newRow("filter the engine refuses")
            << QStringList{"Invoice", "--filter", "Nonsense = 'x'"} << 1 << QStringLiteral("Nonsense") << QByteArray();
        QTest::newRow("order and filter") << QStringList{"Invoice", "--order", "1", "--filter", "Total > '1'"} << 2
                                          << QStringLiteral("not both") << QByteArray();
    }
    void failuresWriteNothing()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, reason);
        QFETCH(QByteArray, broken);
        ShopFolder shop;
        if (!broken.isEmpty())
            shop.exec(QStringLiteral("INSERT INTO RepReports(FolderId,Name,Template,ItemType) VALUES(0,'Broken',?,1)"),
                      {broken});
        const QString pdf = shop.folder.file(QStringLiteral("out.pdf"));
        const CliRun r = shop.report(arguments + QStringList{QStringLiteral("--out"), pdf});
        QCOMPARE(r.exitCode, exitCode);
        QVERIFY2(r.err.contains(reason), qPrintable(r.err));
        QVERIFY(!QFile::exists(pdf));
        QVERIFY(!QFile::exists(pdf + QStringLiteral(".part")));
        if (!broken.isEmpty())
            QCOMPARE(shop.scalar(QStringLiteral("SELECT Template FROM RepReports WHERE Name='Broken'")).toByteArray(),
                     broken);
    }
};

QTEST_MAIN(ReportCliTest)
#include "tst_ReportCli.moc"
