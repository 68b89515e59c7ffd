// pelmora-cli report: stored layouts rendered to PDF without windows, read back with pdftotext.

#include "reports/ReportFixture.h"

#include "common/GlobalConfig.h"
#include "reports/ReportRepository.h"
#include "workspace/ShippedReports.h"

#include "support/CliRun.h"

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
            << QStringList{QStringLiteral("INVOICE"),
                           QStringLiteral("5001"),
                           QStringLiteral("Margaret Lindqvist"),
                           QStringLiteral("Lindqvist Pottery"),
                           QStringLiteral("14 Harbour Road"),
                           QStringLiteral("Port Elwood"),
                           QStringLiteral("ME 04011"),
                           QStringLiteral("Olaf Lindqvist"),
                           QStringLiteral("9 Birch Lane"),
                           QStringLiteral("Kettle Falls"),
                           QStringLiteral("Canada"),
                           QStringLiteral("GLZ-220"),
                           QStringLiteral("Celadon glaze, 5 lb"),
                           QStringLiteral("135.75"),
                           QStringLiteral("KLN-9"),
                           QStringLiteral("Kiln shelf kit"),
                           QStringLiteral("1,004.14"),
                           QStringLiteral("1,139.89"),
                           QStringLiteral("82.17"),
                           QStringLiteral("12.50"),
                           QStringLiteral("PayPal"),
                           QStringLiteral("1,234.56")}
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
        QTest::newRow("no such report") << QStringList{QStringLiteral("Statement")} << 1
                                        << QStringLiteral("No report named \"Statement\"");
        QTest::newRow("damaged layout") << QStringList{QStringLiteral("Broken")} << 1 << QStringLiteral("damaged");
        QTest::newRow("filter the engine refuses")
            << QStringList{QStringLiteral("Invoice"), QStringLiteral("--filter"), QStringLiteral("Nonsense = 'x'")} << 1
            << QStringLiteral("Nonsense");
        QTest::newRow("order and filter")
            << QStringList{QStringLiteral("Invoice"), QStringLiteral("--order"), QStringLiteral("1"),
                           QStringLiteral("--filter"), QStringLiteral("Total > '1'")}
            << 2 << QStringLiteral("not both");
    }
    void failuresWriteNothing()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, reason);
        ShopFolder shop;
        shop.exec(QStringLiteral(
            "INSERT INTO RepReports(FolderId,Name,Template,ItemType) VALUES(0,'Broken','{\"format\":',1)"));
        const QString pdf = shop.folder.file(QStringLiteral("out.pdf"));
        const CliRun r = shop.report(arguments + QStringList{QStringLiteral("--out"), pdf});
        QCOMPARE(r.exitCode, exitCode);
        QVERIFY2(r.err.contains(reason), qPrintable(r.err));
        QVERIFY(!QFile::exists(pdf));
        QVERIFY(!QFile::exists(pdf + QStringLiteral(".part")));
    }
};

QTEST_MAIN(ReportCliTest)
#include "tst_ReportCli.moc"
