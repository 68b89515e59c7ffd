#include "ProgramFixture.h"
#include "workspace/ArchiveFixture.h"

#include "shell/widgets/MainWindow.h"
#include "support/DatabaseProbe.h"
#include "support/TestFolder.h"
#include "toolkit/FilterCondition.h"
#include "toolkit/widgets/DataGrid.h"
#include "toolkit/widgets/RecordNavigator.h"
#include "workspace/widgets/ArchiveDialog.h"
#include "workspace/widgets/ItemsGrid.h"
#include "workspace/widgets/OrderInspector.h"
#include "workspace/widgets/OrdersGrid.h"
#include "workspace/widgets/WorkspaceView.h"

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTimer>
#include <QtTest>
#include <functional>

using namespace pelmora;
using test::ArchiveFixture;

namespace
{

// The values of one column as the grid shows them, sorted.
QStringList shown(toolkit::DataGrid* grid, const QString& field)
{
    QAbstractItemModel* model = grid->tableView()->model();
    const int column = grid->columns().modelColumn(field);
    QStringList values;
    for (int row = 0; model && row < model->rowCount(); ++row)
        values << model->index(row, column).data(Qt::EditRole).toString();
    std::sort(values.begin(), values.end());
    return values;
}

// Answers the next modal window from the event loop: handler gets it, or null.
void whenModal(const std::function<void(QWidget*)>& handler)
{
    QTimer::singleShot(0, qApp, [handler] { handler(QApplication::activeModalWidget()); });
}

// Answers the next message box with OK and returns its text through text.
void answerBox(QString* text)
{
    whenModal([text](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        *text = box ? box->text() : QStringLiteral("(no message box)");
        if (box)
            box->button(QMessageBox::Ok)->click();
    });
}

} // namespace

class ArchiveViewTest : public QObject
{
    Q_OBJECT
  private slots:
    void init()
    {
        program_ = std::make_unique<test::ProgramFixture>();
        ArchiveFixture::fill(test::DatabaseProbe(program_->folder.databasePath()).database());
        window_ = &program_->start();
    }

    void cleanup() { program_.reset(); }

    void archiveAndViewThroughTheWindow()
    {
        QCOMPARE(shown(orders(), "ShopperID"), (QStringList{"1001", "1002", "1003", "1003", "1004", "1005", "1006"}));

        // By date, typed into the date box.
        const QString asked = archiveThroughDialog([](ArchiveDialog* dialog) {
            auto* box = dialog->findChild<QLineEdit*>(QStringLiteral("dateBox"));
            QVERIFY(box->isEnabled() && box->text().isEmpty());
            QTest::keyClicks(box, "3/5/2007");
        });
        QCOMPARE(asked, QString("Move orders to Archive? This opertaton cannot be undone. "));
        QCOMPARE(window_->status(), QString("Archiving completed."));
        QCOMPARE(shown(orders(), "ShopperID"), (QStringList{"1003", "1003", "1004", "1006"}));
        auto* dialog = window_->findChild<ArchiveDialog*>();
        QVERIFY(dialog && !dialog->isVisible());

        // The date box keeps its text for the next opening; "Completed" switches it off.
        archiveThroughDialog([](ArchiveDialog* d) {
            auto* box = d->findChild<QLineEdit*>(QStringLiteral("dateBox"));
            QCOMPARE(box->text(), QString("3/5/2007"));
            d->findChild<QRadioButton*>(QStringLiteral("archiveCompleted"))->click();
            QVERIFY(!box->isEnabled());
        });
        QCOMPARE(shown(orders(), "ShopperID"), (QStringList{"1004", "1006"}));

        // The archive view: the grid, the items and the commands follow.
        action(CommandSurface::ViewArchivedOrders)->trigger();
        QCOMPARE(window_->status(), QString("Viewing archive..."));
        QVERIFY(!action(CommandSurface::Download)->isEnabled());
        QVERIFY(!action(CommandSurface::DownloadButton)->isEnabled());
        QCOMPARE(view()->workspace().dataSet().ordersTable, QString("OrdersArchve"));
        QCOMPARE(shown(orders(), "ShopperID"), (QStringList{"1001", "1002", "1003", "1003", "1005", "900"}));

        // Filtering works on the archive as on the live orders.
        orders()->filtering().setColumnFilter(
            "ShopperID",
            toolkit::FilterCondition::compare("ShopperID", toolkit::FilterCondition::Operator::Equal, 1001));
        QCOMPARE(shown(orders(), "ShopperID"), QStringList{"1001"});
        orders()->cursor().setCurrentRow(0);
        QCOMPARE(shown(items(), "Product"), (QStringList{"A1", "A2"}));

        // Deleting an archived order takes its archived items, and nothing of the live tables.
        const QStringList liveItems = ArchiveFixture::rows(db(), "Items");
        orders()->navigator()->trigger(toolkit::RecordNavigator::Delete);
        QTRY_COMPARE(ArchiveFixture::column(db(), "OrdersArchve", "ShopperID"),
                     (QStringList{"1002", "1003", "1003", "1005", "900"}));
        QCOMPARE(ArchiveFixture::column(db(), "ItemsArchive", "Product"),
                 (QStringList{"B1", "C1", "C2", "E1", "X1", "Z1"}));
        QCOMPARE(ArchiveFixture::rows(db(), "Items"), liveItems);
        orders()->filtering().clear();
        QTRY_COMPARE(shown(orders(), "ShopperID"), (QStringList{"1002", "1003", "1003", "1005", "900"}));

        // Back to the live orders.
        action(CommandSurface::ReloadCurrentOrders)->trigger();
        QCOMPARE(window_->status(), QString("The default database has been reloaded"));
        QVERIFY(action(CommandSurface::Download)->isEnabled());
        QVERIFY(action(CommandSurface::DownloadButton)->isEnabled());
        QCOMPARE(view()->workspace().dataSet().ordersTable, QString("Orders"));
        QCOMPARE(shown(orders(), "ShopperID"), (QStringList{"1004", "1006"}));
    }

    void archiveRefusedOutsideTheDefaultDatabase()
    {
        const QStringList before = ArchiveFixture::rows(db(), "Orders");
        window_->session().settings().DatabaseLocation.replace("Pelmora.tdbd", "PELMORA.tdbd");
        QString text;
        answerBox(&text);
        action(CommandSurface::ArchiveOrders)->trigger();
        QCOMPARE(text, QString("Reload the default database before archiving  records."));
        QVERIFY(!window_->findChild<ArchiveDialog*>()->isVisible());
        QCOMPARE(ArchiveFixture::rows(db(), "Orders"), before);
    }

  private:
    QAction* action(const char* name) { return window_->commands().action(QString::fromLatin1(name)); }
    WorkspaceView* view() { return window_->findChild<WorkspaceView*>(QStringLiteral("workspaceView")); }
    toolkit::DataGrid* orders() { return view()->ordersGrid()->grid(); }
    toolkit::DataGrid* items() { return view()->itemsGrid()->grid(); }
    QSqlDatabase db() { return window_->session().data().database(); }
    // Opens "Archive orders", sets the dialog up with prepare and presses OK, answering the
    // confirmation with OK. Returns the confirmation's text.
    QString archiveThroughDialog(const std::function<void(ArchiveDialog*)>& prepare)
    {
        QString confirmation;
        bool dialogShown = false;
        whenModal([&](QWidget* modal) {
            auto* dialog = qobject_cast<ArchiveDialog*>(modal);
            dialogShown = dialog != nullptr;
            if (!dialog)
                return;
            prepare(dialog);
            answerBox(&confirmation);
            dialog->findChild<QPushButton*>(QStringLiteral("archiveOk"))->click();
        });
        action(CommandSurface::ArchiveOrders)->trigger();
        if (!dialogShown)
            return QStringLiteral("(no archiving dialog)");
        return confirmation;
    }

    std::unique_ptr<test::ProgramFixture> program_;
    MainWindow* window_ = nullptr;
};

QTEST_MAIN(ArchiveViewTest)
#include "tst_ArchiveView.moc"
