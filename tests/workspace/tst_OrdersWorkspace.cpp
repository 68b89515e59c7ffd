#include "WorkspaceHost.h"
#include "database/Maintenance.h"
#include "toolkit/LayoutStore.h"
#include "toolkit/widgets/CategoryInspector.h"
#include "toolkit/widgets/FilterBar.h"
#include "toolkit/widgets/GridHeaderView.h"
#include "toolkit/widgets/HeaderFilterPopup.h"
#include "workspace/OrderColumns.h"
#include "workspace/widgets/OrderGridStyle.h"
#include "workspace/widgets/SalesChart.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QGraphicsScene>
#include <QGraphicsSimpleTextItem>
#include <QGraphicsTextItem>
#include <QLineEdit>
#include <QListWidget>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>
#include <QTreeView>
#include <QtTest>
#include <memory>

using namespace pelmora;
using toolkit::FilterCondition;
using toolkit::RecordNavigator;
using Op = FilterCondition::Operator;

namespace
{

// The default column set in the order of the data model.
QStringList defaultColumns()
{
    QStringList fields;
    for (const OrderColumn& column : OrderColumns::grid())
        if (OrderColumns::inDefaultSet(column.field))
            fields << column.field;
    return fields;
}

struct Order {
    QVariant shopperId;
    QString name;
    QString date;
    QVariant status;
    QVariant isNew;
    QString method = QStringLiteral("PayPal");
    double total = 10;
};

// What the views print about editors that are not theirs (one delegate serving two views).
QStringList foreignEditorWarnings;

void catchForeignEditors(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtWarningMsg && message.contains(QLatin1String("does not belong to this view")))
        foreignEditorWarnings << message;
}

} // namespace

class OrdersWorkspaceTest : public QObject
{
    Q_OBJECT
  private slots:
    void init()
    {
        w_ = std::make_unique<test::WorkspaceHost>();
        flags_.StatusChanged = false;
        addOrder({1001, "Ann Able", "2024-02-28", "Paid", 0});
        addOrder({1002, "Bob O'Brien", "2024-03-01", "Unpaid", 1});
        addOrder({1003, "Cy Cole", "2024-03-15", "Shipped", 1, "Cheque", 25});
        addOrder({1004, "Di Dunn", "2024-03-31", "Unpaid", 0});
        addOrder({1005, "Ed Eve", "2024-04-01", "Completed", 1});
        addItem(1003, "Widget");
        addItem(1003, "Gadget");
        addItem(1004, "Sprocket");
        makeView();
    }
    void cleanup() { w_.reset(); }

    void colouringRuleIsDrawn()
    {
        // Unpaid orders carry red text, new orders bold text, in Verdana: new and unpaid, unpaid,
        // new, neither.
        auto redPixels = [this](int shopperId) {
            QTableView* table = grid()->tableView();
            const QModelIndex cell = orders()->index(rowOf(shopperId), orders()->columnIndex("Invoice_name"));
            table->scrollTo(cell);
            const QImage image = table->viewport()->grab(table->visualRect(cell)).toImage();
            int count = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x) {
                    const QColor c = image.pixelColor(x, y);
                    count += c.red() > 150 && c.green() < 90 && c.blue() < 90;
                }
            return count;
        };
        const QList<QPair<int, bool>> cases{{1002, true}, {1004, false}, {1003, true}, {1001, false}};
        for (const auto& [shopperId, bold] : cases) {
            QCOMPARE(fontOf(shopperId).family(), QStringLiteral("Verdana"));
            QCOMPARE(fontOf(shopperId).bold(), bold);
            QCOMPARE(redPixels(shopperId) > 0, shopperId == 1002 || shopperId == 1004);
        }
    }

    void statusEditorPostsAtOnce_data()
    {
        QTest::addColumn<bool>("inGrid");
        QTest::newRow("grid") << true;
        QTest::newRow("inspector") << false;
    }

    void statusEditorPostsAtOnce()
    {
        QFETCH(bool, inGrid);
        const int row = rowOf(1001);
        grid()->cursor().setCurrentRow(row);
        inspector()->setCategoryExpanded("Misc.", true);
        QAbstractItemView* view = inGrid ? static_cast<QAbstractItemView*>(grid()->tableView()) : inspector()->view();
        view->edit(inGrid ? orders()->index(row, orders()->columnIndex("Status")) : inspector()->valueIndex("Status"));
        auto* combo = view->findChild<QComboBox*>(QStringLiteral("cellEditorLookup"));
        QVERIFY(combo);
        const int shipped = combo->findText(QStringLiteral("Shipped"));
        QVERIFY(shipped >= 0);
        combo->setCurrentIndex(shipped);
        // Only the grid's editor marks the change for the trigger check.
        QCOMPARE(flags_.StatusChanged, inGrid);
        emit combo->activated(shipped);
        QTRY_COMPARE(w_->scalar("SELECT Status FROM Orders WHERE ShopperID=1001").toString(),
                     QStringLiteral("Shipped"));
        QCOMPARE(flags_.StatusChanged, inGrid);
        QCOMPARE(posts_, QList<int>{row});
    }

    // The amounts in the narrowest pane the window gives the inspector.
    void inspectorShowsAmountsWhole()
    {
        auto* pane = new QWidget(w_->host.get(), Qt::Window);
        auto* layout = new QHBoxLayout(pane);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(w_->view->inspector());
        pane->resize(218, 500);
        pane->show();
        QVERIFY(QTest::qWaitForWindowExposed(pane));
        grid()->cursor().setCurrentRow(rowOf(1003));
        inspector()->setCategoryExpanded("Amounts", true);
        QTreeView* tree = inspector()->view();
        auto wholeInView = [&](const QString& field) {
            const QRect cell = tree->visualRect(inspector()->valueIndex(field));
            return cell.left() >= 0 && cell.right() < tree->viewport()->width();
        };
        for (const char* field : {"Total", "Shipping", "Tax"})
            QVERIFY2(wholeInView(field), field);

        // An edit does not leave the pane scrolled sideways.
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                          tree->visualRect(inspector()->valueIndex("Total")).center());
        auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        QVERIFY(editor);
        editor->selectAll();
        QTest::keyClicks(editor, QStringLiteral("1234567.5"));
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_COMPARE(w_->scalar("SELECT Total FROM Orders WHERE ShopperID=1003").toDouble(), 1234567.5);
        QCOMPARE(tree->horizontalScrollBar()->value(), 0);
        QVERIFY(wholeInView("Total"));
    }

    void resetRestoresDefaults_data()
    {
        QTest::addColumn<bool>("empty");
        QTest::newRow("orders held") << false;
        QTest::newRow("no orders: nothing changes") << true;
    }

    void resetRestoresDefaults()
    {
        QFETCH(bool, empty);
        w_->view->toggleGrouping();
        grid()->columns().setVisible("Notes", true);
        filterStatus("Unpaid");
        QCOMPARE(orders()->rowCount(), 2);
        const QString expression = workspace().filterExpression(OrdersSource::Live);
        if (empty)
            w_->exec("DELETE FROM Orders");
        QSignalSpy released(w_->view, &WorkspaceView::groupingButtonReleased);
        QSignalSpy reset(&w_->data, &DataModule::reset);

        w_->view->reset();
        QCOMPARE(released.size(), empty ? 0 : 1);
        QCOMPARE(reset.size(), empty ? 0 : 1);
        QCOMPARE(workspace().filterExpression(OrdersSource::Live), empty ? expression : QString());
        QCOMPARE(grid()->filtering().text().isEmpty(), !empty);
        QCOMPARE(grid()->grouping().isEnabled(), empty);
        QCOMPARE(grid()->columns().isVisible("Notes"), empty);
        if (!empty) {
            QCOMPARE(orders()->rowCount(), 5);
            QCOMPARE(grid()->columns().visibleFields(), defaultColumns());
            QVERIFY(!grid()->filterBar()->isCustomizeButtonVisible());
        }
    }

    void deleteCascadesToItemsAndResets()
    {
        // A second order of the same number: the items of both go with either.
        addOrder({1003, "Twin", "2024-01-01", "Paid", 0});
        addItem(1003, "Second");
        addItem(1003, "Archived twin", QStringLiteral("ItemsArchive"));
        workspace().ResetDB();
        grid()->cursor().setCurrentRow(rowOf(1003));
        QSignalSpy reset(&w_->data, &DataModule::reset);
        grid()->navigator()->trigger(RecordNavigator::Delete);
        QCOMPARE(reset.size(), 1);
        QCOMPARE(count("Orders WHERE ShopperID=1003"), 1);
        QCOMPARE(count("Items WHERE ShopperID=1003"), 0);
        QCOMPARE(count("Items"), 1);
        QCOMPARE(count("ItemsArchive"), 1);
        QCOMPARE(orders()->rowCount(), 5);
        QVERIFY(w_->folder.logLines().isEmpty());
    }

    void failingItemsKeepTheOrder()
    {
        w_->exec("CREATE TRIGGER keep_items BEFORE DELETE ON Items BEGIN SELECT RAISE(ABORT, 'items are locked'); END");
        grid()->cursor().setCurrentRow(rowOf(1003));
        QSignalSpy reset(&w_->data, &DataModule::reset);
        grid()->navigator()->trigger(RecordNavigator::Delete);
        QCOMPARE(count("Orders WHERE ShopperID=1003"), 1);
        QCOMPARE(count("Items WHERE ShopperID=1003"), 2);
        QCOMPARE(reset.size(), 0);
        workspace().ResetDB();
        QCOMPARE(w_->currentNumber(), 1003);
        const QStringList log = w_->folder.logLines();
        QCOMPARE(log.size(), 1);
        QVERIFY2(log.first().contains(QStringLiteral(": items are locked")), qPrintable(log.first()));
        QVERIFY(!log.first().contains(QStringLiteral("method")));
    }

    void deletingGoesOnWithTheNextOrder_data()
    {
        QTest::addColumn<int>("deleted");
        QTest::addColumn<int>("current"); // 0: none, the grid is empty
        QTest::addColumn<bool>("alone");
        // The grid shows the newest order first.
        QTest::newRow("first") << 1005 << 1004 << false;
        QTest::newRow("middle") << 1003 << 1002 << false;
        QTest::newRow("last row: the one before it") << 1001 << 1002 << false;
        QTest::newRow("the only order") << 1005 << 0 << true;
    }

    void deletingGoesOnWithTheNextOrder()
    {
        QFETCH(int, deleted);
        QFETCH(int, current);
        QFETCH(bool, alone);
        if (alone) {
            w_->exec("DELETE FROM Orders WHERE ShopperID<>1005");
            workspace().ResetDB();
        }
        grid()->cursor().setCurrentRow(rowOf(deleted));
        grid()->navigator()->trigger(RecordNavigator::Delete);
        QCOMPARE(w_->count(QStringLiteral("Orders WHERE ShopperID=%1").arg(deleted)), 0);
        QCOMPARE(w_->currentNumber(), current);
        QCOMPARE(grid()->cursor().currentRow(), rowOf(current));
        QCOMPARE(items()->model()->rowCount(), w_->count(QStringLiteral("Items WHERE ShopperID=%1").arg(current)));
    }

    void archiveIsADataSetOfItsOwn()
    {
        addOrder({900, "Old", "2020-01-01", "Completed", 0}, QStringLiteral("OrdersArchve"));
        addOrder({901, "Older", "2019-01-01", "Refunded", 0}, QStringLiteral("OrdersArchve"));
        addItem(900, "Old item", QStringLiteral("ItemsArchive"));
        addItem(900, "Live namesake");
        filterStatus("Unpaid");
        const QString live = workspace().filterExpression(OrdersSource::Live);
        QSignalSpy switched(&workspace(), &OrdersWorkspace::sourceChanged);
        workspace().setSource(OrdersSource::Archive);
        QCOMPARE(switched.size(), 1);
        QCOMPARE(grid()->model(), workspace().orders(OrdersSource::Archive));
        QCOMPARE(items()->model(), workspace().items(OrdersSource::Archive));
        QCOMPARE(w_->shown(), (QList<int>{901, 900}));
        grid()->cursor().setCurrentRow(1);
        QCOMPARE(items()->model()->rowCount(), 1);

        // Its filter is its own.
        filterStatus("completed");
        QCOMPARE(workspace().filterExpression(OrdersSource::Live), live);
        QCOMPARE(orders()->rowCount(), 1);

        // Archive posts never run the after-post hook.
        orders()->setData(orders()->index(0, orders()->columnIndex("Notes")), "note");
        QCOMPARE(w_->scalar("SELECT Notes FROM OrdersArchve WHERE ShopperID=900").toString(), QStringLiteral("note"));
        QVERIFY(posts_.isEmpty());

        workspace().setSource(OrdersSource::Live);
        QCOMPARE(grid()->model(), workspace().orders(OrdersSource::Live));
        QCOMPARE(orders()->rowCount(), 2);
    }

    void itemPostsCopyNumberAndDate()
    {
        w_->exec("UPDATE Items SET Invoice_date='1999-12-31' WHERE Product='Widget'");
        grid()->cursor().setCurrentRow(rowOf(1003));
        QAbstractItemModel* model = items()->model();
        QCOMPARE(model->rowCount(), 2);

        // An inserted item carries the current order's number and date.
        items()->navigator()->trigger(RecordNavigator::Insert);
        QCOMPARE(model->rowCount(), 3);
        QCOMPARE(count("Items WHERE ShopperID=1003 AND Invoice_date='2024-03-15'"), 1);

        // A changed item is stamped again, whatever it held; not when the database refuses the post
        // (as a full disk or a lock would).
        w_->exec("CREATE TRIGGER refuse BEFORE UPDATE OF Qty ON Items WHEN NEW.Qty = 99 "
                 "BEGIN SELECT RAISE(ABORT, 'refused'); END");
        const QModelIndex widget = model->match(model->index(0, 2), Qt::DisplayRole, "Widget", 1, Qt::MatchExactly)
                                       .value(0)
                                       .siblingAtColumn(0);
        QVERIFY(widget.isValid());
        const QString stamp =
            QStringLiteral("SELECT printf('%s %g %d', Invoice_date, Qty, ShopperID) FROM Items WHERE Product='Widget'");
        QVERIFY(!model->setData(widget, 99));
        QCOMPARE(w_->scalar(stamp).toString(), QStringLiteral("1999-12-31 1 1003"));
        QVERIFY(model->setData(widget, 7));
        QCOMPARE(w_->scalar(stamp).toString(), QStringLiteral("2024-03-15 7 1003"));
    }

    void gridFiltersFindTheOrders()
    {
        // A text ignores case and keeps its quote.
        w_->port.setStatus(QStringLiteral("Welcome to Pelmora!"));
        filterOn("Invoice_name", Op::Equal, QStringLiteral("bob o'brien"));
        QCOMPARE(w_->shown(), QList<int>{1002});
        QCOMPARE(workspace().currentRow(), 0);
        // The rows were tested against the filter: the message is gone, and nothing failed.
        QCOMPARE(w_->port.status(), QString());
        QVERIFY(w_->folder.logLines().isEmpty());

        // A month of dates.
        toolkit::GridFilter filter;
        filter.setRoot(
            FilterCondition::all({FilterCondition::compare("Invoice_date", Op::GreaterOrEqual, QDate(2024, 3, 1)),
                                  FilterCondition::compare("Invoice_date", Op::LessOrEqual, QDate(2024, 3, 31))}));
        grid()->filtering().setFilter(filter);
        QCOMPARE(w_->shown(), (QList<int>{1004, 1003, 1002}));

        grid()->filtering().clear();
        QVERIFY(workspace().filterExpression(OrdersSource::Live).isEmpty());
        QCOMPARE(orders()->rowCount(), 5);
    }

    void layoutPersistedAndRestored()
    {
        grid()->columns().setVisible("Invoice_time", true);
        grid()->columns().setWidth("Invoice_time", 123);
        grid()->columns().setVisible("Username", false);
        inspector()->setCategoryExpanded("Payment", true);
        w_->view->setEditMode(false);
        layoutFile("grid_config1.ini", true);

        QSettings ini(w_->folder.file(QStringLiteral("cnfg/grid_config1.ini")), QSettings::IniFormat);
        QVERIFY(ini.contains(QStringLiteral("OrdersGrid/Height")));
        QVERIFY(ini.contains(QStringLiteral("InspectorOrders4/Width")));
        // The edit mode command's state is a layout property ("Down").
        for (const auto& [key, value] :
             QList<QPair<const char*, const char*>>{{"OrdersGrid/Column.Invoice_time.Visible", "true"},
                                                    {"OrdersGrid/Column.Invoice_time.Width", "123"},
                                                    {"OrdersGrid/Column.Username.Visible", "false"},
                                                    {"InspectorOrders4/Category.Payment.Expanded", "true"},
                                                    {"InspectorOrders4/Category.Misc..Expanded", "false"},
                                                    {"EditMode/Down", "false"}})
            QCOMPARE(ini.value(QLatin1String(key)).toString(), QString::fromLatin1(value));

        // A new window restores what the last one stored.
        makeView();
        layoutFile("grid_config1.ini", false);
        QVERIFY(grid()->columns().isVisible("Invoice_time"));
        QCOMPARE(grid()->columns().width("Invoice_time"), 123);
        QVERIFY(!grid()->columns().isVisible("Username"));
        QVERIFY(inspector()->isCategoryExpanded("Payment"));
        QVERIFY(!inspector()->isCategoryExpanded("Orders"));
        QVERIFY(!w_->view->editModeAction()->isChecked());
    }

    void modelsPassTheTester()
    {
        std::vector<std::unique_ptr<QAbstractItemModelTester>> testers;
        for (OrdersSource source : {OrdersSource::Live, OrdersSource::Archive})
            for (QAbstractItemModel* model : {static_cast<QAbstractItemModel*>(workspace().orders(source)),
                                              static_cast<QAbstractItemModel*>(workspace().items(source))})
                testers.push_back(std::make_unique<QAbstractItemModelTester>(
                    model, QAbstractItemModelTester::FailureReportingMode::QtTest));
        addOrder({900, "Archived", "2020-01-01", "Completed", 0}, QStringLiteral("OrdersArchve"));
        addItem(900, "Old", QStringLiteral("ItemsArchive"));

        grid()->cursor().setCurrentRow(rowOf(1003));
        items()->navigator()->trigger(RecordNavigator::Insert);
        items()->model()->removeRow(0);
        filterStatus("Unpaid");
        orders()->setData(orders()->index(0, orders()->columnIndex("Notes")), "n");
        grid()->filtering().clear();
        workspace().setSource(OrdersSource::Archive);
        grid()->cursor().setCurrentRow(0);
        workspace().setSource(OrdersSource::Live);
        grid()->cursor().setCurrentRow(rowOf(1004));
        grid()->navigator()->trigger(RecordNavigator::Delete);
        QCOMPARE(orders()->rowCount(), 4);
    }

    void indexesOnlyForLargeFiles()
    {
        const QString workspaceIndexes = QStringLiteral(
            "sqlite_master WHERE type = 'index' AND name IN ('Orders_Status_NoCase_ShopperID',"
            " 'Orders_Status_ShopperID', 'Orders_Invoice_date_ShopperID', 'Orders_Payment_method_ShopperID')");
        // A small file is left as it was.
        QCOMPARE(w_->count(workspaceIndexes), 0);
        w_->exec("BEGIN");
        w_->exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 10000) "
                 "INSERT INTO Orders(ShopperID, Status) SELECT 5000 + i, 'Paid' FROM n");
        w_->exec("COMMIT");
        workspace().ResetDB();
        QCOMPARE(w_->count(workspaceIndexes), 4);
        QCOMPARE(count("pragma_index_list('Orders') WHERE \"unique\" = 1 AND origin = 'c'"), 0);
        QCOMPARE(orders()->rowCount(), 10005);
    }

    void salesChartFigures()
    {
        using Figures = QList<QPair<QString, double>>;
        SalesChart* chart = ordersGrid()->chart();
        ordersGrid()->tabs()->setCurrentWidget(chart);
        QVERIFY(chart->isActive());
        QCOMPARE(chart->figures(), (Figures{{"Cheque", 25.0}, {"PayPal", 40.0}}));
        QCOMPARE(chart->dataGroups().size(), 5);
        chart->setDataGroup(QStringLiteral("2024-03-15"));
        QCOMPARE(chart->figures(), (Figures{{"Cheque", 25.0}}));
        chart->setDataGroup(QString());

        // The chart shows the orders the grid's filter leaves.
        filterStatus("unpaid");
        QCOMPARE(chart->figures(), (Figures{{"PayPal", 20.0}}));
        grid()->filtering().clear();

        // Fifteen categories a page.
        for (int i = 0; i < 16; ++i)
            addOrder(
                {4000 + i, "Many", "2024-07-01", "Paid", 0, QStringLiteral("Method %1").arg(i, 2, 10, QChar('0'))});
        workspace().ResetDB();
        QCOMPARE(chart->figures().size(), 18);
        QCOMPARE(chart->pageCount(), 2);
        chart->setPage(1);
        for (auto diagram : {SalesChart::Diagram::Bar, SalesChart::Diagram::Line, SalesChart::Diagram::Area,
                             SalesChart::Diagram::Pie, SalesChart::Diagram::Column}) {
            chart->setDiagram(diagram);
            QVERIFY(!chart->view()->chart()->series().isEmpty());
        }
    }

    void currentOrderSurvivesViewChanges_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<int>("expected");
        QTest::newRow("grouping on") << "grouping on" << 1003;
        QTest::newRow("grouping off") << "grouping off" << 1003;
        QTest::newRow("filter that keeps the order") << "filter keeps" << 1003;
        QTest::newRow("filter that hides the order") << "filter hides" << 1004;
        QTest::newRow("grouped filter that hides the order") << "grouped filter hides" << 1004;
        QTest::newRow("Reset") << "reset" << 1003;
        QTest::newRow("navigator's refresh") << "reload" << 1003;
        QTest::newRow("reload after the order went") << "order gone" << 1005;
        QTest::newRow("restore last backup") << "restore" << 1003;
    }

    void currentOrderSurvivesViewChanges()
    {
        QFETCH(QString, change);
        QFETCH(int, expected);
        GlobalSettings settings;
        settings.DatabaseLocation = w_->folder.databasePath();
        settings.BackupFolder = w_->folder.file(QStringLiteral("db/backup"));
        Maintenance maintenance(w_->data, settings, w_->port);
        if (change == "restore")
            QVERIFY(maintenance.backupNow());
        if (change == "grouping off" || change == "grouped filter hides")
            groupByStatus();
        clickOrder(1003);
        expectCurrent(1003);
        if (QTest::currentTestFailed())
            return;

        if (change == "grouping on") {
            groupByStatus();
        } else if (change == "grouping off") {
            w_->view->toggleGrouping();
        } else if (change == "filter keeps") {
            filterOn("Invoice_date", Op::GreaterOrEqual, QDate(2024, 3, 1));
        } else if (change == "filter hides" || change == "grouped filter hides") {
            filterStatus("Unpaid");
        } else if (change == "reset") {
            w_->view->reset();
        } else if (change == "reload") {
            grid()->navigator()->trigger(RecordNavigator::Refresh);
        } else if (change == "order gone") {
            w_->exec("DELETE FROM Orders WHERE ShopperID = 1003");
            grid()->navigator()->trigger(RecordNavigator::Refresh);
        } else if (change == "restore") {
            QVERIFY(maintenance.restoreLastBackup());
        }
        expectCurrent(expected);
    }

    void clickFocusesSecondGestureEdits_data()
    {
        QTest::addColumn<bool>("grouped");
        QTest::addColumn<QString>("gesture");
        QTest::addColumn<bool>("edits");
        for (const bool grouped : {false, true}) {
            const char* view = grouped ? "grouped, " : "flat, ";
            QTest::addRow("%sone click", view) << grouped << "click" << false;
            QTest::addRow("%sa second click", view) << grouped << "second click" << true;
            QTest::addRow("%sdouble click", view) << grouped << "double click" << true;
            QTest::addRow("%stype", view) << grouped << "Z" << true;
            QTest::addRow("%sEnter", view) << grouped << "Return" << true;
            QTest::addRow("%sF2", view) << grouped << "F2" << true;
            QTest::addRow("%sarrow key", view) << grouped << "Down" << false;
        }
    }

    void clickFocusesSecondGestureEdits()
    {
        QFETCH(bool, grouped);
        QFETCH(QString, gesture);
        QFETCH(bool, edits);
        foreignEditorWarnings.clear();
        const QtMessageHandler previous = qInstallMessageHandler(catchForeignEditors);
        if (grouped)
            groupByStatus();
        QAbstractItemView* view = grid()->currentView();
        clickOrder(1003);
        QCOMPARE(w_->scalar("SELECT New FROM Orders WHERE ShopperID=1003").toInt(), 1);
        const QPoint at = view->visualRect(cellOf(1003, "Invoice_name")).center();
        if (gesture == "second click")
            QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
        else if (gesture == "double click")
            QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
        else if (gesture != "click")
            QTest::keySequence(view, QKeySequence(gesture));
        auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        QCOMPARE(editor != nullptr, edits);
        QCOMPARE(w_->scalar("SELECT New FROM Orders WHERE ShopperID=1003").toInt(), edits ? 0 : 1);
        // The workspace hears of the focus; an edit posts New cleared, and the order is drawn in the
        // default style from then on.
        QVERIFY(focused_.contains(rowOf(1003)));
        QCOMPARE(posts_, edits ? QList<int>{rowOf(1003)} : QList<int>());
        if (!grouped)
            QCOMPARE(fontOf(1003).bold(), !edits);
        QVERIFY(!flags_.StatusChanged);
        if (editor) {
            QTest::keyClick(editor, Qt::Key_Escape);
            QCoreApplication::processEvents();
        }
        w_->view->toggleGrouping();
        qInstallMessageHandler(previous);
        QCOMPARE(foreignEditorWarnings, QStringList());
        QCOMPARE(w_->scalar("SELECT Invoice_name FROM Orders WHERE ShopperID=1003").toString(),
                 QStringLiteral("Cy Cole"));
    }

    void editModeUpOnlyShows()
    {
        QAction* editMode = w_->view->editModeAction();
        QVERIFY(editMode->isChecked());
        // A check button beside the grid's tabs.
        auto* button = ordersGrid()->tabs()->findChild<QToolButton*>(QStringLiteral("editModeButton"));
        QVERIFY(button && button->isVisible());
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(!button->isChecked());
        QCOMPARE(w_->port.status(), QStringLiteral("Edit mode off"));
        auto tryToEdit = [this] {
            QTableView* table = grid()->tableView();
            const QPoint at = table->visualRect(cellOf(1003, "Invoice_name")).center();
            QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, at);
            QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, at);
            QTest::keyClicks(table, QStringLiteral("Z"));
            return qobject_cast<QLineEdit*>(QApplication::focusWidget()) != nullptr;
        };
        QVERIFY(!tryToEdit());
        QCOMPARE(w_->currentNumber(), 1003);
        QCOMPARE(w_->scalar("SELECT New FROM Orders WHERE ShopperID=1003").toInt(), 1);

        editMode->trigger();
        QCOMPARE(w_->port.status(), QStringLiteral("Edit mode on"));
        QVERIFY(tryToEdit());
        QCOMPARE(w_->scalar("SELECT New FROM Orders WHERE ShopperID=1003").toInt(), 0);
    }

    // Grouping on and off while the columns are fitted: the grouped header has what the flat one
    // has, and the columns keep their own widths.
    void groupingWithAutoSize()
    {
        const int shopperWidth = grid()->columns().width("ShopperID");
        const int emailWidth = grid()->columns().width("Invoice_email");
        QVERIFY(!grid()->columns().autoWidth());
        w_->view->toggleAutoSize();
        QCOMPARE(w_->port.status(), QStringLiteral("Column auto-sizing enabled"));
        QVERIFY(items()->columns().autoWidth());
        QVERIFY(!grid()->grouping().isBoxVisible());
        grid()->columns().setVisible("Invoice_time", true);
        groupByStatus();
        QCOMPARE(w_->port.status(), QStringLiteral("Column Grouping enabled"));
        QVERIFY(grid()->grouping().isBoxVisible());
        // The grouped rows' header has the captions and the filter buttons.
        QTreeView* tree = grid()->groupView();
        auto* header = qobject_cast<toolkit::GridHeaderView*>(tree->header());
        QVERIFY(header);
        QCOMPARE(tree->model()->headerData(grid()->columns().modelColumn("Invoice_date"), Qt::Horizontal).toString(),
                 QStringLiteral("Date"));
        const QRect button = header->filterButtonRect(grid()->columns().modelColumn("Status"));
        QVERIFY(!button.isEmpty());
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, button.center());
        auto* popup = grid()->findChild<toolkit::HeaderFilterPopup*>();
        QVERIFY(popup && popup->isVisible());
        popup->close();
        // Grouping off ungroups and shows the default columns again.
        w_->view->toggleGrouping();
        QCOMPARE(w_->port.status(), QStringLiteral("Column Grouping disabled "));
        QVERIFY(!grid()->grouping().isEnabled());
        QVERIFY(!grid()->grouping().isBoxVisible());
        QVERIFY(grid()->grouping().groupedColumns().isEmpty());
        QCOMPARE(grid()->columns().visibleFields(), defaultColumns());
        // Fitted to the grid in the proportion of the columns' own widths, none squeezed.
        const double fitted = double(grid()->columns().width("Invoice_email")) / grid()->columns().width("ShopperID");
        QVERIFY2(qAbs(fitted - double(emailWidth) / shopperWidth) < 0.1, qPrintable(QString::number(fitted)));
        // Auto-size off gives the columns their own widths back.
        w_->view->toggleAutoSize();
        QCOMPARE(w_->port.status(), QStringLiteral("Column auto-sizing disabled"));
        QVERIFY(!items()->columns().autoWidth());
        QCOMPARE(grid()->columns().width("ShopperID"), shopperWidth);
        QCOMPARE(grid()->columns().width("Invoice_email"), emailWidth);
        // Reset brings back the built-in widths, whatever the merchant left.
        grid()->columns().setWidth("ShopperID", 12);
        w_->view->reset();
        QCOMPARE(grid()->columns().width("ShopperID"), shopperWidth);
    }

    // The default layout: the Edit mode command down and the default column set, whatever the
    // merchant left, with caption and filter button side by side, as in the built-in widths.
    void defaultColumnsShowWholeCaptions()
    {
        w_->view->setEditMode(false);
        grid()->columns().hideAll();
        grid()->columns().setVisible("Notes", true);
        layoutFile("grid_config_default.ini", false);
        QVERIFY(w_->view->editModeAction()->isChecked());
        QCOMPARE(grid()->columns().visibleFields(), defaultColumns());
        QCOMPARE(grid()->columns().width("Invoice_email"), 170);
        QHeaderView* header = grid()->tableView()->horizontalHeader();
        QStringList narrow;
        auto check = [&](const QString& field, int width, const char* what) {
            const int needed = header->sectionSizeHint(grid()->columns().modelColumn(field));
            if (width < needed)
                narrow << QStringLiteral("%1 %2 %3 of %4").arg(field, QLatin1String(what)).arg(width).arg(needed);
        };
        for (const QString& field : grid()->columns().visibleFields())
            check(field, header->sectionSize(grid()->columns().modelColumn(field)), "shown");
        for (const OrderColumn& column : OrderColumns::grid()) {
            grid()->columns().setVisible(column.field, true);
            check(column.field, column.width, "built");
        }
        QVERIFY2(narrow.isEmpty(), qPrintable(narrow.join(QStringLiteral("; "))));
    }

    // Each stored time once, in order: the later of two is the one with milliseconds, and picking
    // it finds its order.
    void headerEntryFindsTimeWithMilliseconds()
    {
        w_->exec("UPDATE Orders SET Invoice_time = '01:02:03' WHERE ShopperID = 1001");
        w_->exec("UPDATE Orders SET Invoice_time = '01:02:03.005' WHERE ShopperID = 1004");
        w_->data.ResetDB();
        toolkit::HeaderFilterPopup* popup = grid()->filtering().showHeaderFilter("Invoice_time");
        QVERIFY(popup);
        QListWidget* list = popup->list();
        QListWidgetItem* last = list->item(list->count() - 1);
        QVERIFY(last);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(last).center());
        QCOMPARE(w_->shown(), QList<int>{1004});
        QVERIFY(w_->folder.logLines().isEmpty());
    }

    void refusedFilterKeepsThePreviousOne()
    {
        filterStatus("Unpaid");
        QCOMPARE(shownOrders(), (QList<int>{1002, 1004}));
        try {
            workspace().filterChanged(QStringLiteral("Status = "));
            QFAIL("a filter SQLite cannot read was taken");
        } catch (const std::exception& e) {
            QVERIFY2(QString::fromUtf8(e.what()).contains(QStringLiteral("syntax error")), e.what());
        }
        QCOMPARE(shownOrders(), (QList<int>{1002, 1004}));
        // The next reset shows the same orders and has nothing to complain of.
        w_->data.ResetDB();
        QCOMPARE(shownOrders(), (QList<int>{1002, 1004}));
        QVERIFY2(w_->folder.logLines().isEmpty(), qPrintable(w_->folder.logLines().join(QLatin1Char('\n'))));
    }

    void salesChartShowsMoney_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<int>("diagram");
        QTest::addColumn<QString>("sum"); // the value label of the PayPal orders
        const QLocale us(QLocale::English, QLocale::UnitedStates);
        const QLocale de(QLocale::German, QLocale::Germany);
        QTest::newRow("columns, Germany") << de << int(SalesChart::Diagram::Column) << "506.773,20";
        QTest::newRow("bars, United States") << us << int(SalesChart::Diagram::Bar) << "506,773.20";
        QTest::newRow("line, Germany") << de << int(SalesChart::Diagram::Line) << "506.773,20";
    }

    void salesChartShowsMoney()
    {
        QFETCH(QLocale, locale);
        QFETCH(int, diagram);
        QFETCH(QString, sum);
        QLocale::setDefault(locale);
        w_->exec("UPDATE Orders SET Total = 506743.2 WHERE ShopperID = 1001");
        workspace().ResetDB();
        SalesChart* chart = ordersGrid()->chart();
        ordersGrid()->tabs()->setCurrentWidget(chart);
        chart->setDiagram(SalesChart::Diagram(diagram));
        chart->findChild<QAction*>(QStringLiteral("chartValueLabels"))->setChecked(true);
        chart->view()->resize(900, 500);
        QCoreApplication::processEvents();

        QStringList texts;
        for (QGraphicsItem* item : chart->view()->scene()->items()) {
            if (!item->isVisible())
                continue;
            if (auto* text = dynamic_cast<QGraphicsTextItem*>(item))
                texts << text->toPlainText();
            else if (auto* simple = dynamic_cast<QGraphicsSimpleTextItem*>(item))
                texts << simple->text();
        }
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));

        QVERIFY2(texts.contains(sum), qPrintable(texts.join(QStringLiteral(" | "))));
        // Every figure on the chart is money: grouped thousands, and cents where there are any.
        const QString group = QRegularExpression::escape(locale.groupSeparator());
        const QString point = QRegularExpression::escape(locale.decimalPoint());
        const QRegularExpression moneyText(QStringLiteral("^\\d{1,3}(%1\\d{3})*(%2\\d{2})?$").arg(group, point));
        const QRegularExpression figure(QStringLiteral("^[\\d.,]*\\d[\\d.,]*$"));
        int figures = 0;
        for (const QString& text : std::as_const(texts)) {
            if (!figure.match(text).hasMatch())
                continue;
            ++figures;
            QVERIFY2(moneyText.match(text).hasMatch(), qPrintable(text));
        }
        // The value axis's labels and the two value labels.
        QVERIFY2(figures >= 5, qPrintable(texts.join(QStringLiteral(" | "))));
    }

  private:
    void addOrder(const Order& o, const QString& table = QStringLiteral("Orders"))
    {
        w_->exec(QStringLiteral("INSERT INTO %1(ShopperID,Username,Invoice_date,Invoice_name,Status,New,"
                                "Payment_method,Total) VALUES(?,'shop',?,?,?,?,?,?)")
                     .arg(table),
                 {o.shopperId, o.date, o.name, o.status, o.isNew, o.method, o.total});
    }
    void addItem(const QVariant& shopperId, const QString& product, const QString& table = QStringLiteral("Items"))
    {
        w_->exec(QStringLiteral("INSERT INTO %1(ShopperID,Qty,Product,Price,Amount) VALUES(?,1,?,2,2)").arg(table),
                 {shopperId, product});
    }
    int rowOf(int shopperId) { return w_->rowOf(shopperId); }
    // The font an order's cells are drawn in.
    QFont fontOf(int shopperId)
    {
        toolkit::CellStyle style;
        OrderGridStyle::styleOrderCell(orders()->index(rowOf(shopperId), 0), orders()->columnIndex("New"),
                                       orders()->columnIndex("Status"), style);
        return style.font.value_or(QFont());
    }
    void makeView()
    {
        w_->makeView(1000, [this](WorkspaceView& view) {
            view.workspace().bindFlags(flags_);
            view.workspace().setAfterOrdersPostHook([this](int row) { posts_ << row; });
            view.workspace().setFocusedRowHook([this](int row) { focused_ << row; });
        });
        QVERIFY(QTest::qWaitForWindowExposed(w_->host.get()));
        posts_.clear();
        focused_.clear();
    }
    // The cell of an order in the view the grid shows now (the groups it is in opened).
    QModelIndex cellOf(int shopperId, const QString& field)
    {
        if (grid()->currentView() != grid()->groupView())
            return orders()->index(rowOf(shopperId), orders()->columnIndex(field));
        QTreeView* tree = grid()->groupView();
        QAbstractItemModel* model = tree->model();
        const int shopper = grid()->columns().modelColumn("ShopperID");
        for (int g = 0; model && g < model->rowCount(); ++g) {
            const QModelIndex group = model->index(g, 0);
            tree->expand(group);
            for (int r = 0; r < model->rowCount(group); ++r)
                if (model->index(r, shopper, group).data(Qt::EditRole).toInt() == shopperId)
                    return model->index(r, grid()->columns().modelColumn(field), group);
        }
        return {};
    }
    void clickOrder(int shopperId)
    {
        QAbstractItemView* view = grid()->currentView();
        const QModelIndex cell = cellOf(shopperId, "Invoice_name");
        QVERIFY(cell.isValid());
        view->scrollTo(cell);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(cell).center());
    }
    void groupByStatus()
    {
        w_->view->toggleGrouping();
        grid()->grouping().groupBy("Status");
        QCOMPARE(grid()->currentView(), grid()->groupView());
    }
    // The grid, the inspector, the items grid and the commands all stand on one order.
    void expectCurrent(int shopperId)
    {
        const QModelIndex current = grid()->currentView()->currentIndex();
        QCOMPARE(current.siblingAtColumn(grid()->columns().modelColumn("ShopperID")).data(Qt::EditRole).toInt(),
                 shopperId);
        inspector()->setCategoryExpanded("Invoice", true);
        QCOMPARE(inspector()->valueIndex("Invoice_name").data(Qt::EditRole),
                 w_->scalar(QStringLiteral("SELECT Invoice_name FROM Orders WHERE ShopperID=%1").arg(shopperId)));
        QStringList shown;
        for (int row = 0; row < items()->model()->rowCount(); ++row)
            shown << items()->model()->index(row, items()->columns().modelColumn("Product")).data().toString();
        shown.sort();
        QCOMPARE(shown.join(','), QString::fromLatin1(shopperId == 1003   ? "Gadget,Widget"
                                                      : shopperId == 1004 ? "Sprocket"
                                                                          : ""));
        QCOMPARE(w_->currentNumber(), shopperId);
    }
    QList<int> shownOrders()
    {
        QList<int> shown = w_->shown();
        std::sort(shown.begin(), shown.end());
        return shown;
    }
    // The column's filter, as its header drop-down sets it.
    void filterOn(const char* field, Op op, const QVariant& value)
    {
        grid()->filtering().setColumnFilter(field, FilterCondition::compare(field, op, value));
    }
    void filterStatus(const char* status) { filterOn("Status", Op::Equal, QString::fromLatin1(status)); }
    // Stores the layout to, or restores it from, a file of cnfg/.
    void layoutFile(const char* name, bool store)
    {
        toolkit::LayoutStore layout;
        w_->view->registerLayout(layout);
        layout.setFile(w_->folder.file(QStringLiteral("cnfg/") + QLatin1String(name)));
        store ? layout.store() : layout.restore();
    }
    int count(const char* where) { return w_->count(QString::fromLatin1(where)); }

    OrdersGrid* ordersGrid() { return w_->view->ordersGrid(); }
    toolkit::DataGrid* grid() { return w_->grid(); }
    toolkit::DataGrid* items() { return w_->view->itemsGrid()->grid(); }
    toolkit::CategoryInspector* inspector() { return w_->view->inspector()->inspector(); }
    OrdersWorkspace& workspace() { return w_->workspace(); }
    toolkit::SqlTableModel* orders() { return w_->orders(); }

    std::unique_ptr<test::WorkspaceHost> w_;
    RunFlags flags_;
    QList<int> posts_;
    QList<int> focused_;
};

QTEST_MAIN(OrdersWorkspaceTest)
#include "tst_OrdersWorkspace.moc"
