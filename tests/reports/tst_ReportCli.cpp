// pelmora-cli report: stored layouts rendered to PDF without windows, read back with pdftotext.

#include "reports/ReportFixture.h"

#include "common/GlobalConfig.h"
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
        GlobalSettings settings;
        settings.DatabaseLocation = folder.databasePath();
        settings.BackupFolder = folder.file(QStringLiteral("db/backup"));
        GlobalConfig::save(settings, folder.root());
        addOrder({{QStringLiteral("ShopperID"), 5001},
                  {QStringLiteral("Invoice_date"), QStringLiteral("2008-01-01")},
                  {QStringLiteral("Invoice_name"), QStringLiteral("Margaret Lindqvist")},
                  {QStringLiteral("Invoice_company"), QStringLiteral("Lindqvist Pottery")},
                  {QStringLiteral("Invoice_address1"), QStringLiteral("14 Harbour Road")},
                  {QStringLiteral("Invoice_address2"), QStringLiteral("Port Elwood")},
                  {QStringLiteral("Invoice_state"), QStringLiteral("ME")},
                  {QStringLiteral("Invoice_zip"), QStringLiteral("04011")},
                  {QStringLiteral("Invoice_country"), QStringLiteral("United States")},
                  {QStringLiteral("Ship_name"), QStringLiteral("Olaf Lindqvist")},
                  {QStringLiteral("Ship_address1"), QStringLiteral("9 Birch Lane")},
                  {QStringLiteral("Ship_address2"), QStringLiteral("Kettle Falls")},
                  {QStringLiteral("Ship_country"), QStringLiteral("Canada")},
                  {QStringLiteral("Payment_method"), QStringLiteral("PayPal")},
                  {QStringLiteral("Tax"), 82.17},
                  {QStringLiteral("Shipping"), 12.5},
                  {QStringLiteral("Total"), 1234.56},
                  {QStringLiteral("Status"), QStringLiteral("Paid")}});
        addItem(5001, QStringLiteral("GLZ-220"), QStringLiteral("Celadon glaze, 5 lb"), 3, 45.25);
        addItem(5001, QStringLiteral("KLN-9"), QStringLiteral("Kiln shelf kit"), 1, 1004.14);
        addOrder({{QStringLiteral("ShopperID"), 5002},
                  {QStringLiteral("Invoice_date"), QStringLiteral("2008-01-01")},
                  {QStringLiteral("Invoice_name"), QStringLiteral("Tobias Wren")},
                  {QStringLiteral("Ship_name"), QStringLiteral("Tobias Wren")},
                  {QStringLiteral("Total"), 19.99},
                  {QStringLiteral("Status"), QStringLiteral("Unpaid")}});
        addItem(5002, QStringLiteral("BRS-1"), QStringLiteral("Fan brush"), 1, 19.99);
        addOrder({{QStringLiteral("ShopperID"), 5003},
                  {QStringLiteral("Invoice_date"), QStringLiteral("2008-01-02")},
                  {QStringLiteral("Invoice_name"), QStringLiteral("Ada Quill")},
                  {QStringLiteral("Total"), 250},
                  {QStringLiteral("Status"), QStringLiteral("Paid")}});
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
            << QStringList{invoice, QStringLiteral("--order"), QStringLiteral("5001")} << 1
            << QStringLiteral(
                   "INVOICE|5001|Margaret Lindqvist|Lindqvist Pottery|14 Harbour Road|Port Elwood|ME 04011|"
                   "Olaf Lindqvist|9 Birch Lane|Kettle Falls|Canada|GLZ-220|Celadon glaze, 5 lb|135.75|KLN-9|"
                   "Kiln shelf kit|1,004.14|1,139.89|82.17|12.50|PayPal|1,234.56")
                   .split(QLatin1Char('|'))
            << QStringList{QStringLiteral("Tobias Wren"), QStringLiteral("Fan brush")};
        QTest::newRow("the morning's invoices")
            << QStringList{invoice, QStringLiteral("--filter"), QStringLiteral("Invoice_date = '2008-01-01'")} << 2
            << QStringList{QStringLiteral("Margaret Lindqvist"), QStringLiteral("Tobias Wren"),
                           QStringLiteral("Fan brush")}
            << QStringList{QStringLiteral("Ada Quill")};
        QTest::newRow("packing slip without prices")
            << QStringList{QStringLiteral("Packing slip"), QStringLiteral("--order"), QStringLiteral("5001")} << 1
            << QStringList{QStringLiteral("PACKING SLIP"), QStringLiteral("Olaf Lindqvist"),
                           QStringLiteral("Kiln shelf kit")}
            << QStringList{QStringLiteral("1,004.14"), QStringLiteral("1,234.56")};
        QTest::newRow("order list of the paid orders")
            << QStringList{QStringLiteral("order list"), QStringLiteral("--filter"), QStringLiteral("Status = 'paid'")}
            << 1
            << QStringList{QStringLiteral("Margaret Lindqvist"), QStringLiteral("Ada Quill"),
                           QStringLiteral("1,484.56")}
            << QStringList{QStringLiteral("Tobias Wren")};
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
        QTest::newRow("no such report") << QStringList{QStringLiteral("Statement")} << 1
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
            << QStringList{QStringLiteral("Invoice"), QStringLiteral("--filter"), QStringLiteral("Nonsense = 'x'")} << 1
            << QStringLiteral("Nonsense") << QByteArray();
        QTest::newRow("order and filter")
            << QStringList{QStringLiteral("Invoice"), QStringLiteral("--order"), QStringLiteral("1"),
                           QStringLiteral("--filter"), QStringLiteral("Total > '1'")}
            << 2 << QStringLiteral("not both") << QByteArray();
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
