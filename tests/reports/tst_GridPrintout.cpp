// The print preview of the orders grid: what is shown is what is printed, from the database.

#include "common/RecordingUserPort.h"
#include "database/DataModule.h"
#include "reports/ReportOutput.h"
#include "support/TestFolder.h"
#include "toolkit/widgets/DataGrid.h"
#include "workspace/widgets/GridPrintPreview.h"
#include "workspace/widgets/ItemsGrid.h"
#include "workspace/widgets/OrderInspector.h"
#include "workspace/widgets/OrdersGrid.h"
#include "workspace/widgets/WorkspaceView.h"

#include <QHBoxLayout>
#include <QProcess>
#include <QSqlQuery>
#include <QTest>

using namespace pelmora;

class GridPrintoutTest : public QObject
{
    Q_OBJECT

  private slots:
    void init()
    {
        folder_ = std::make_unique<test::TestFolder>();
        data_ = std::make_unique<DataModule>();
        data_->setLocation(folder_->databasePath());
        data_->ResetDB();
        // 300 orders: every third is Paid.
        QSqlDatabase db = data_->database();
        db.transaction();
        QSqlQuery q(db);
        q.prepare(
            QStringLiteral("INSERT INTO Orders(ShopperID,Invoice_name,Invoice_date,Status,Total) VALUES(?,?,?,?,?)"));
        const QStringList statuses{QStringLiteral("Paid"), QStringLiteral("Unpaid"), QStringLiteral("Shipped")};
        for (int i = 0; i < 300; ++i) {
            q.addBindValue(9000 + i);
            q.addBindValue(QStringLiteral("Buyer %1").arg(9000 + i));
            q.addBindValue(QStringLiteral("2024-05-%1").arg(1 + i % 28, 2, 10, QLatin1Char('0')));
            q.addBindValue(statuses.at(i % 3));
            q.addBindValue(1.5 * i);
            QVERIFY(q.exec());
        }
        db.commit();
        port_ = std::make_unique<RecordingUserPort>();
        host_ = std::make_unique<QWidget>();
        host_->resize(1000, 600);
        view_ = new WorkspaceView(*data_, *port_, host_.get());
        auto* layout = new QHBoxLayout(host_.get());
        layout->addWidget(view_->inspector());
        layout->addWidget(view_->ordersGrid(), 1);
        layout->addWidget(view_->itemsGrid());
        data_->ResetDB();
        host_->show();
        QVERIFY(QTest::qWaitForWindowExposed(host_.get()));
    }
    void cleanup()
    {
        host_.reset();
        data_.reset();
        folder_.reset();
    }

    void pagesOfAKnownFilter_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<bool>("grouped");
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("pages");
        // Letter with half-inch margins holds 55 rows of 8 pt under the column captions.
        QTest::newRow("every order") << QString() << false << 300 << 6;
        QTest::newRow("the paid orders") << QStringLiteral("Status = 'Paid'") << false << 100 << 2;
        QTest::newRow("grouped by status") << QString() << true << 300 << 6;
        QTest::newRow("nothing matches") << QStringLiteral("Status = 'Refunded'") << false << 0 << 1;
    }
    void pagesOfAKnownFilter()
    {
        QFETCH(QString, filter);
        QFETCH(bool, grouped);
        QFETCH(int, rows);
        QFETCH(int, pages);
        toolkit::DataGrid* grid = view_->ordersGrid()->grid();
        if (!filter.isEmpty())
            view_->workspace().filterChanged(filter);
        if (grouped)
            grid->grouping().groupBy(QStringLiteral("Status"));
        grid->columns().setVisible(QStringLiteral("Invoice_name"), true);
        grid->columns().setVisible(QStringLiteral("ShopperID"), true);

        auto printout = GridPrintPreview::printout(*view_, GridPrintPreview::defaultPage());
        QCOMPARE(printout->pageCount(), pages);
        // Every row of the filter once, in the grid's columns; each page under the captions.
        QStringList names, groups;
        const QStringList visible = grid->columns().visibleFields();
        for (int p = 0; p < printout->pagesBuilt(); ++p) {
            const QList<reports::PageText> texts = printout->pageTexts(p);
            QVERIFY(!texts.isEmpty());
            QCOMPARE(texts.first().text, GridPrintPreview::kTitle);
            QCOMPARE(texts.last().text, QStringLiteral("Page %1").arg(p + 1));
            for (const reports::PageText& t : texts) {
                if (t.text.startsWith(QLatin1String("Buyer ")))
                    names << t.text;
                if (t.text.startsWith(QLatin1String("Status: ")))
                    groups << t.text;
            }
        }
        QCOMPARE(names.size(), rows);
        QCOMPARE(QSet<QString>(names.begin(), names.end()).size(), rows);
        if (grouped) {
            QCOMPARE(groups, (QStringList{QStringLiteral("Status: Paid"), QStringLiteral("Status: Shipped"),
                                          QStringLiteral("Status: Unpaid")}));
            QVERIFY(!visible.isEmpty());
        } else {
            QVERIFY(groups.isEmpty());
        }
        if (!filter.isEmpty() && rows > 0)
            for (const QString& n : names)
                QVERIFY(n.mid(6).toInt() % 3 == 0);
        // The whole printout goes to a PDF of as many pages.
        const QString pdf = folder_->file(QStringLiteral("grid.pdf"));
        auto again = GridPrintPreview::printout(*view_, GridPrintPreview::defaultPage());
        QCOMPARE(reports::ReportOutput::writePdf(*again, pdf), pages);
    }

    void hiddenColumnsAreNotPrinted()
    {
        toolkit::DataGrid* grid = view_->ordersGrid()->grid();
        grid->columns().setVisible(QStringLiteral("Invoice_name"), false);
        auto printout = GridPrintPreview::printout(*view_, GridPrintPreview::defaultPage());
        QVERIFY(printout->ensurePage(0));
        for (const reports::PageText& t : printout->pageTexts(0))
            QVERIFY2(!t.text.startsWith(QLatin1String("Buyer ")), qPrintable(t.text));
        QCOMPARE(printout->columnWidths().size(), grid->columns().visibleFields().size());
    }

  private:
    std::unique_ptr<test::TestFolder> folder_;
    std::unique_ptr<DataModule> data_;
    std::unique_ptr<RecordingUserPort> port_;
    std::unique_ptr<QWidget> host_;
    WorkspaceView* view_ = nullptr;
};

QTEST_MAIN(GridPrintoutTest)
#include "tst_GridPrintout.moc"
