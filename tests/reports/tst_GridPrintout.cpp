// The print preview of the orders grid: what is shown is what is printed, from the database.

#include "reports/ReportOutput.h"
#include "toolkit/widgets/DataGrid.h"
#include "workspace/WorkspaceHost.h"
#include "workspace/widgets/GridPrintPreview.h"

#include <QTest>

using namespace pelmora;

class GridPrintoutTest : public QObject
{
    Q_OBJECT

  private slots:
    void init()
    {
        w_ = std::make_unique<test::WorkspaceHost>();
        // 300 orders: every third is Paid.
        w_->exec("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 299) "
                 "INSERT INTO Orders(ShopperID,Invoice_name,Invoice_date,Status,Total) SELECT 9000 + i, "
                 "'Buyer ' || (9000 + i), printf('2024-05-%02d', 1 + i % 28), "
                 "CASE i % 3 WHEN 0 THEN 'Paid' WHEN 1 THEN 'Unpaid' ELSE 'Shipped' END, 1.5 * i FROM n");
        w_->makeView(1000);
        view_ = w_->view;
        QVERIFY(QTest::qWaitForWindowExposed(w_->host.get()));
    }
    void cleanup() { w_.reset(); }

    void pagesOfAKnownFilter_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<bool>("grouped");
        QTest::addColumn<bool>("names"); // whether the name column is shown
        QTest::addColumn<int>("rows");   // names printed
        QTest::addColumn<int>("pages");
        // Letter with half-inch margins holds 55 rows of 8 pt under the column captions.
        QTest::newRow("every order") << QString() << false << true << 300 << 6;
        QTest::newRow("the paid orders") << QStringLiteral("Status = 'Paid'") << false << true << 100 << 2;
        QTest::newRow("names hidden") << QStringLiteral("Status = 'Paid'") << false << false << 0 << 2;
        QTest::newRow("grouped by status") << QString() << true << true << 300 << 6;
        QTest::newRow("nothing matches") << QStringLiteral("Status = 'Refunded'") << false << true << 0 << 1;
    }
    void pagesOfAKnownFilter()
    {
        QFETCH(QString, filter);
        QFETCH(bool, grouped);
        QFETCH(bool, names);
        QFETCH(int, rows);
        QFETCH(int, pages);
        toolkit::DataGrid* grid = view_->ordersGrid()->grid();
        if (!filter.isEmpty())
            view_->workspace().filterChanged(filter);
        if (grouped)
            grid->grouping().groupBy(QStringLiteral("Status"));
        grid->columns().setVisible(QStringLiteral("Invoice_name"), names);
        grid->columns().setVisible(QStringLiteral("ShopperID"), true);

        auto printout = GridPrintPreview::printout(*view_, GridPrintPreview::defaultPage());
        QCOMPARE(printout->pageCount(), pages);
        // The columns shown, but for the grouping column, which heads its groups.
        QCOMPARE(printout->columnWidths().size(), grid->columns().visibleFields().size() - (grouped ? 1 : 0));
        // Every row of the filter once, in the grid's columns; each page under the captions.
        QStringList printed, groups;
        for (int p = 0; p < printout->pagesBuilt(); ++p) {
            const QList<reports::PageText> texts = printout->pageTexts(p);
            QVERIFY(!texts.isEmpty());
            QCOMPARE(texts.first().text, GridPrintPreview::kTitle);
            QCOMPARE(texts.last().text, QStringLiteral("Page %1").arg(p + 1));
            for (const reports::PageText& t : texts) {
                if (t.text.startsWith(QLatin1String("Buyer ")))
                    printed << t.text;
                if (t.text.startsWith(QLatin1String("Status: ")))
                    groups << t.text;
            }
        }
        QCOMPARE(printed.size(), rows);
        QCOMPARE(QSet<QString>(printed.begin(), printed.end()).size(), rows);
        const QStringList statuses{QStringLiteral("Status: Paid"), QStringLiteral("Status: Shipped"),
                                   QStringLiteral("Status: Unpaid")};
        QCOMPARE(groups, grouped ? statuses : QStringList());
        if (!filter.isEmpty() && rows > 0)
            for (const QString& n : printed)
                QVERIFY(n.mid(6).toInt() % 3 == 0);
        // The whole printout goes to a PDF of as many pages.
        const QString pdf = w_->folder.file(QStringLiteral("grid.pdf"));
        auto again = GridPrintPreview::printout(*view_, GridPrintPreview::defaultPage());
        QCOMPARE(reports::ReportOutput::writePdf(*again, pdf), pages);
    }

  private:
    std::unique_ptr<test::WorkspaceHost> w_;
    WorkspaceView* view_ = nullptr;
};

QTEST_MAIN(GridPrintoutTest)
#include "tst_GridPrintout.moc"
