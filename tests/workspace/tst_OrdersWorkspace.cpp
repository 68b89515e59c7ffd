#include "WorkspaceHost.h"
#include "database/Maintenance.h"
#include "toolkit/LayoutStore.h"
#include "toolkit/SqlTableModel.h"
#include "toolkit/widgets/CategoryInspector.h"
#include "toolkit/widgets/DataGrid.h"
#include "toolkit/widgets/FilterBar.h"
#include "toolkit/widgets/GridHeaderView.h"
#include "toolkit/widgets/HeaderFilterPopup.h"
#include "workspace/OrderColumns.h"
#include "workspace/OrdersWorkspace.h"
#include "workspace/widgets/ItemsGrid.h"
#include "workspace/widgets/OrderGridStyle.h"
#include "workspace/widgets/OrderInspector.h"
#include "workspace/widgets/OrdersGrid.h"
#include "workspace/widgets/SalesChart.h"
#include "workspace/widgets/WorkspaceView.h"

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
#include <QMenu>
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
    void init();
    void cleanup();

    void colouringRuleIsDrawn();
    void statusEditorPostsAtOnce_data();
    void statusEditorPostsAtOnce();
    void inspectorShowsAmountsWhole_data();
    void inspectorShowsAmountsWhole();
    void resetRestoresDefaults_data();
    void resetRestoresDefaults();
    void deleteCascadesToItemsAndResets();
    void failingItemsKeepTheOrder();
    void deletingGoesOnWithTheNextOrder_data();
    void deletingGoesOnWithTheNextOrder();
    void archiveIsADataSetOfItsOwn();
    void itemPostsCopyNumberAndDate();
    void gridFiltersFindTheOrders();
    void layoutPersistedAndRestored();
    void modelsPassTheTester();
    void indexesOnlyForLargeFiles();
    void salesChartFigures();
    void currentOrderSurvivesViewChanges_data();
    void currentOrderSurvivesViewChanges();
    void clickFocusesSecondGestureEdits_data();
    void clickFocusesSecondGestureEdits();
    void editModeUpOnlyShows();
    void groupingOffWithAutoSizeKeepsWidths();
    void groupedHeaderHasCaptionsAndFilters();
    void defaultColumnsShowWholeCaptions();
    void headerEntryFindsTimeWithMilliseconds();
    void refusedFilterKeepsThePreviousOne();
    void salesChartShowsMoney_data();
    void salesChartShowsMoney();

  private:
    void addOrder(const Order& order, const QString& table = QStringLiteral("Orders"));
    void addItem(const QVariant& shopperId, const QString& product, const QString& table = QStringLiteral("Items"));
    int rowOf(int shopperId) { return test::WorkspaceHost::rowOf(orders(), shopperId); }
    // The font an order's cells are drawn in.
    QFont fontOf(int shopperId)
    {
        toolkit::CellStyle style;
        OrderGridStyle::styleOrderCell(orders()->index(rowOf(shopperId), 0),
                                       orders()->columnIndex(QStringLiteral("New")),
                                       orders()->columnIndex(QStringLiteral("Status")), style);
        return style.font.value_or(QFont());
    }
    void makeView();
    QModelIndex treeIndexOf(int shopperId, const QString& field);
    QModelIndex cellOf(int shopperId, const QString& field);
    void clickOrder(int shopperId, const QString& field = QStringLiteral("Invoice_name"));
    void groupByStatus();
    void expectCurrent(int shopperId);
    QList<int> shownOrders();
    void filterStatus(const char* status)
    {
        grid()->filtering().setColumnFilter(QStringLiteral("Status"),
                                            FilterCondition::compare(QStringLiteral("Status"),
                                                                     FilterCondition::Operator::Equal,
                                                                     QString::fromLatin1(status)));
    }
    // Stores the layout to, or restores it from, a file of cnfg/.
    void layoutFile(const char* name, bool store)
    {
        toolkit::LayoutStore layout;
        w_->view->registerLayout(layout);
        layout.setFile(w_->folder.file(QStringLiteral("cnfg/") + QLatin1String(name)));
        store ? layout.store() : layout.restore();
    }

    OrdersGrid* ordersGrid() { return w_->view->ordersGrid(); }
    toolkit::DataGrid* grid() { return w_->view->ordersGrid()->grid(); }
    toolkit::DataGrid* items() { return w_->view->itemsGrid()->grid(); }
    OrdersWorkspace& workspace() { return w_->view->workspace(); }
    toolkit::SqlTableModel* orders() { return workspace().DataSourceOrders(); }

    std::unique_ptr<test::WorkspaceHost> w_;
    RunFlags flags_;
    QList<int> posts_;
    QList<int> focused_;
};

void OrdersWorkspaceTest::init()
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

void OrdersWorkspaceTest::cleanup()
{
    w_.reset();
}

void OrdersWorkspaceTest::makeView()
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

void OrdersWorkspaceTest::addOrder(const Order& o, const QString& table)
{
    w_->exec(QStringLiteral("INSERT INTO %1(ShopperID,Username,Invoice_date,Invoice_name,Status,New,Payment_method,"
                            "Total) VALUES(?,'shop',?,?,?,?,?,?)")
                 .arg(table),
             {o.shopperId, o.date, o.name, o.status, o.isNew, o.method, o.total});
}

void OrdersWorkspaceTest::addItem(const QVariant& shopperId, const QString& product, const QString& table)
{
    w_->exec(QStringLiteral("INSERT INTO %1(ShopperID,Qty,Product,Price,Amount) VALUES(?,1,?,2,2)").arg(table),
             {shopperId, product});
}

void OrdersWorkspaceTest::colouringRuleIsDrawn()
{
    // Unpaid orders carry red text, new orders bold text, in Verdana: new and unpaid, unpaid,
    // new, neither.
    auto redPixels = [this](int shopperId) {
        const int row = rowOf(shopperId);
        QTableView* table = grid()->tableView();
        table->scrollTo(orders()->index(row, 0));
        const QRect rect =
            table->visualRect(orders()->index(row, orders()->columnIndex(QStringLiteral("Invoice_name"))));
        const QImage image = table->viewport()->grab(rect).toImage();
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

void OrdersWorkspaceTest::statusEditorPostsAtOnce_data()
{
    QTest::addColumn<bool>("inGrid");
    QTest::newRow("grid") << true;
    QTest::newRow("inspector") << false;
}

void OrdersWorkspaceTest::statusEditorPostsAtOnce()
{
    QFETCH(bool, inGrid);
    const int row = rowOf(1001);
    grid()->cursor().setCurrentRow(row);
    toolkit::CategoryInspector* inspector = w_->view->inspector()->inspector();
    inspector->setCategoryExpanded(QStringLiteral("Misc."), true);
    QAbstractItemView* view = inGrid ? static_cast<QAbstractItemView*>(grid()->tableView()) : inspector->view();
    view->edit(inGrid ? orders()->index(row, orders()->columnIndex(QStringLiteral("Status")))
                      : inspector->valueIndex(QStringLiteral("Status")));
    auto* combo = view->findChild<QComboBox*>(QStringLiteral("cellEditorLookup"));
    QVERIFY(combo);
    const int shipped = combo->findText(QStringLiteral("Shipped"));
    QVERIFY(shipped >= 0);
    combo->setCurrentIndex(shipped);
    // Only the grid's editor marks the change for the trigger check.
    QCOMPARE(flags_.StatusChanged, inGrid);
    emit combo->activated(shipped);
    QTRY_COMPARE(w_->scalar("SELECT Status FROM Orders WHERE ShopperID=1001").toString(), QStringLiteral("Shipped"));
    QCOMPARE(flags_.StatusChanged, inGrid);
    QCOMPARE(posts_, QList<int>{row});
}

void OrdersWorkspaceTest::inspectorShowsAmountsWhole_data()
{
    QTest::addColumn<int>("width");
    QTest::newRow("the default pane") << 257;
    QTest::newRow("the narrowest pane") << 218;
}

void OrdersWorkspaceTest::inspectorShowsAmountsWhole()
{
    QFETCH(int, width);
    // The inspector alone in a pane of the window's width.
    auto* pane = new QWidget(w_->host.get(), Qt::Window);
    auto* layout = new QHBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(w_->view->inspector());
    pane->resize(width, 500);
    pane->show();
    QVERIFY(QTest::qWaitForWindowExposed(pane));
    grid()->cursor().setCurrentRow(rowOf(1003));
    toolkit::CategoryInspector* inspector = w_->view->inspector()->inspector();
    inspector->setCategoryExpanded(QStringLiteral("Amounts"), true);
    QTreeView* tree = inspector->view();

    auto wholeInView = [&](const QString& field) {
        const QRect cell = tree->visualRect(inspector->valueIndex(field));
        return cell.left() >= 0 && cell.right() < tree->viewport()->width();
    };
    for (const QString& field : {QStringLiteral("Total"), QStringLiteral("Shipping"), QStringLiteral("Tax")})
        QVERIFY2(wholeInView(field), qPrintable(field));

    // An edit does not leave the pane scrolled sideways.
    const QModelIndex total = inspector->valueIndex(QStringLiteral("Total"));
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualRect(total).center());
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    QVERIFY(editor);
    editor->selectAll();
    QTest::keyClicks(editor, QStringLiteral("1234567.5"));
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(w_->scalar("SELECT Total FROM Orders WHERE ShopperID=1003").toDouble(), 1234567.5);
    QCOMPARE(tree->horizontalScrollBar()->value(), 0);
    QVERIFY(wholeInView(QStringLiteral("Total")));
}

void OrdersWorkspaceTest::resetRestoresDefaults_data()
{
    QTest::addColumn<bool>("empty");
    QTest::newRow("orders held") << false;
    QTest::newRow("no orders: nothing changes") << true;
}

void OrdersWorkspaceTest::resetRestoresDefaults()
{
    QFETCH(bool, empty);
    w_->view->toggleGrouping();
    grid()->columns().setVisible(QStringLiteral("Notes"), true);
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
    QCOMPARE(grid()->columns().isVisible(QStringLiteral("Notes")), empty);
    if (!empty) {
        QCOMPARE(orders()->rowCount(), 5);
        QCOMPARE(grid()->columns().visibleFields(), defaultColumns());
        QVERIFY(!grid()->filterBar()->isCustomizeButtonVisible());
    }
}

void OrdersWorkspaceTest::deleteCascadesToItemsAndResets()
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
    QCOMPARE(w_->scalar("SELECT COUNT(*) FROM Orders WHERE ShopperID=1003").toInt(), 1);
    QCOMPARE(w_->scalar("SELECT COUNT(*) FROM Items WHERE ShopperID=1003").toInt(), 0);
    QCOMPARE(w_->scalar("SELECT COUNT(*) FROM Items").toInt(), 1);
    QCOMPARE(w_->scalar("SELECT COUNT(*) FROM ItemsArchive").toInt(), 1);
    QCOMPARE(orders()->rowCount(), 5);
    QVERIFY(w_->folder.logLines().isEmpty());
}

void OrdersWorkspaceTest::deletingGoesOnWithTheNextOrder_data()
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

void OrdersWorkspaceTest::deletingGoesOnWithTheNextOrder()
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
    QCOMPARE(w_->scalar(QStringLiteral("SELECT COUNT(*) FROM Orders WHERE ShopperID=%1").arg(deleted)).toInt(), 0);
    QCOMPARE(workspace().currentOrder().value(QStringLiteral("ShopperID")).toInt(), current);
    QCOMPARE(grid()->cursor().currentRow(), rowOf(current));
    QCOMPARE(items()->model()->rowCount(),
             w_->scalar(QStringLiteral("SELECT COUNT(*) FROM Items WHERE ShopperID=%1").arg(current)).toInt());
}

void OrdersWorkspaceTest::failingItemsKeepTheOrder()
{
    w_->exec("CREATE TRIGGER keep_items BEFORE DELETE ON Items BEGIN SELECT RAISE(ABORT, 'items are locked'); END");
    grid()->cursor().setCurrentRow(rowOf(1003));
    QSignalSpy reset(&w_->data, &DataModule::reset);
    grid()->navigator()->trigger(RecordNavigator::Delete);
    QCOMPARE(w_->scalar("SELECT COUNT(*) FROM Orders WHERE ShopperID=1003").toInt(), 1);
    QCOMPARE(w_->scalar("SELECT COUNT(*) FROM Items WHERE ShopperID=1003").toInt(), 2);
    QCOMPARE(reset.size(), 0);
    workspace().ResetDB();
    QCOMPARE(workspace().currentOrder().value(QStringLiteral("ShopperID")).toInt(), 1003);
    const QStringList log = w_->folder.logLines();
    QCOMPARE(log.size(), 1);
    QVERIFY2(log.first().contains(QStringLiteral(": items are locked")), qPrintable(log.first()));
    QVERIFY(!log.first().contains(QStringLiteral("method")));
}

void OrdersWorkspaceTest::archiveIsADataSetOfItsOwn()
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
    QCOMPARE(orders()->rowCount(), 2);
    QCOMPARE(orders()->value(0, QStringLiteral("ShopperID")).toInt(), 901);
    grid()->cursor().setCurrentRow(1);
    QCOMPARE(items()->model()->rowCount(), 1);

    // Its filter is its own.
    filterStatus("completed");
    QCOMPARE(workspace().filterExpression(OrdersSource::Live), live);
    QCOMPARE(orders()->rowCount(), 1);

    // Archive posts never run the after-post hook.
    orders()->setData(orders()->index(0, orders()->columnIndex(QStringLiteral("Notes"))), "note");
    QCOMPARE(w_->scalar("SELECT Notes FROM OrdersArchve WHERE ShopperID=900").toString(), QStringLiteral("note"));
    QVERIFY(posts_.isEmpty());

    workspace().setSource(OrdersSource::Live);
    QCOMPARE(grid()->model(), workspace().orders(OrdersSource::Live));
    QCOMPARE(orders()->rowCount(), 2);
}

void OrdersWorkspaceTest::itemPostsCopyNumberAndDate()
{
    w_->exec("UPDATE Items SET Invoice_date='1999-12-31' WHERE Product='Widget'");
    grid()->cursor().setCurrentRow(rowOf(1003));
    QAbstractItemModel* model = items()->model();
    QCOMPARE(model->rowCount(), 2);

    // An inserted item carries the current order's number and date.
    items()->navigator()->trigger(RecordNavigator::Insert);
    QCOMPARE(model->rowCount(), 3);
    QCOMPARE(w_->scalar("SELECT COUNT(*) FROM Items WHERE ShopperID=1003 AND Invoice_date='2024-03-15'").toInt(), 1);

    // A changed item is stamped again, whatever it held; not when the database refuses the post
    // (as a full disk or a lock would).
    w_->exec("CREATE TRIGGER refuse BEFORE UPDATE OF Qty ON Items WHEN NEW.Qty = 99 "
             "BEGIN SELECT RAISE(ABORT, 'refused'); END");
    int widget = -1;
    for (int row = 0; row < model->rowCount(); ++row)
        if (model->index(row, 2).data().toString() == QLatin1String("Widget"))
            widget = row;
    QVERIFY(widget >= 0);
    QVERIFY(!model->setData(model->index(widget, 0), 99));
    QCOMPARE(w_->scalar("SELECT Invoice_date FROM Items WHERE Product='Widget'").toString(),
             QStringLiteral("1999-12-31"));
    QVERIFY(model->setData(model->index(widget, 0), 7));
    QCOMPARE(w_->scalar("SELECT Invoice_date FROM Items WHERE Product='Widget'").toString(),
             QStringLiteral("2024-03-15"));
    QCOMPARE(w_->scalar("SELECT Qty FROM Items WHERE Product='Widget'").toInt(), 7);
    QCOMPARE(w_->scalar("SELECT ShopperID FROM Items WHERE Product='Widget'").toInt(), 1003);
}

void OrdersWorkspaceTest::gridFiltersFindTheOrders()
{
    // A text ignores case and keeps its quote.
    w_->port.setStatus(QStringLiteral("Welcome to Pelmora!"));
    grid()->filtering().setColumnFilter(QStringLiteral("Invoice_name"),
                                        FilterCondition::compare(QStringLiteral("Invoice_name"),
                                                                 FilterCondition::Operator::Equal,
                                                                 QStringLiteral("bob o'brien")));
    QCOMPARE(orders()->rowCount(), 1);
    QCOMPARE(orders()->value(0, QStringLiteral("ShopperID")).toInt(), 1002);
    QCOMPARE(workspace().currentRow(), 0);
    // The rows were tested against the filter: the message is gone, and nothing failed.
    QCOMPARE(w_->port.status(), QString());
    QVERIFY(w_->folder.logLines().isEmpty());

    // A month of dates.
    toolkit::GridFilter filter;
    filter.setRoot(
        FilterCondition::all({FilterCondition::compare(QStringLiteral("Invoice_date"),
                                                       FilterCondition::Operator::GreaterOrEqual, QDate(2024, 3, 1)),
                              FilterCondition::compare(QStringLiteral("Invoice_date"),
                                                       FilterCondition::Operator::LessOrEqual, QDate(2024, 3, 31))}));
    grid()->filtering().setFilter(filter);
    QCOMPARE(orders()->rowCount(), 3);
    QCOMPARE(orders()->value(0, QStringLiteral("ShopperID")).toInt(), 1004);
    QCOMPARE(orders()->value(2, QStringLiteral("ShopperID")).toInt(), 1002);

    grid()->filtering().clear();
    QVERIFY(workspace().filterExpression(OrdersSource::Live).isEmpty());
    QCOMPARE(orders()->rowCount(), 5);
}

void OrdersWorkspaceTest::layoutPersistedAndRestored()
{
    grid()->columns().setVisible(QStringLiteral("Invoice_time"), true);
    grid()->columns().setWidth(QStringLiteral("Invoice_time"), 123);
    grid()->columns().setVisible(QStringLiteral("Username"), false);
    w_->view->inspector()->inspector()->setCategoryExpanded(QStringLiteral("Payment"), true);
    w_->view->setEditMode(false);
    layoutFile("grid_config1.ini", true);

    QSettings ini(w_->folder.file(QStringLiteral("cnfg/grid_config1.ini")), QSettings::IniFormat);
    QCOMPARE(ini.value(QStringLiteral("OrdersGrid/Column.Invoice_time.Visible")).toBool(), true);
    QCOMPARE(ini.value(QStringLiteral("OrdersGrid/Column.Invoice_time.Width")).toInt(), 123);
    QCOMPARE(ini.value(QStringLiteral("OrdersGrid/Column.Username.Visible")).toBool(), false);
    QVERIFY(ini.contains(QStringLiteral("OrdersGrid/Height")));
    QVERIFY(ini.contains(QStringLiteral("InspectorOrders4/Width")));
    QCOMPARE(ini.value(QStringLiteral("InspectorOrders4/Category.Payment.Expanded")).toBool(), true);
    QCOMPARE(ini.value(QStringLiteral("InspectorOrders4/Category.Misc..Expanded")).toBool(), false);
    // The edit mode command's state is a layout property ("Down").
    QCOMPARE(ini.value(QStringLiteral("EditMode/Down")).toBool(), false);

    // A new window restores what the last one stored.
    makeView();
    layoutFile("grid_config1.ini", false);
    QVERIFY(grid()->columns().isVisible(QStringLiteral("Invoice_time")));
    QCOMPARE(grid()->columns().width(QStringLiteral("Invoice_time")), 123);
    QVERIFY(!grid()->columns().isVisible(QStringLiteral("Username")));
    QVERIFY(w_->view->inspector()->inspector()->isCategoryExpanded(QStringLiteral("Payment")));
    QVERIFY(!w_->view->inspector()->inspector()->isCategoryExpanded(QStringLiteral("Orders")));
    QVERIFY(!w_->view->editModeAction()->isChecked());
}

void OrdersWorkspaceTest::modelsPassTheTester()
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
    orders()->setData(orders()->index(0, orders()->columnIndex(QStringLiteral("Notes"))), "n");
    grid()->filtering().clear();
    workspace().setSource(OrdersSource::Archive);
    grid()->cursor().setCurrentRow(0);
    workspace().setSource(OrdersSource::Live);
    grid()->cursor().setCurrentRow(rowOf(1004));
    grid()->navigator()->trigger(RecordNavigator::Delete);
    QCOMPARE(orders()->rowCount(), 4);
}

void OrdersWorkspaceTest::indexesOnlyForLargeFiles()
{
    const QString workspaceIndexes = QStringLiteral(
        "SELECT count(*) FROM sqlite_master WHERE type = 'index' AND name IN ('Orders_Status_NoCase_ShopperID',"
        " 'Orders_Status_ShopperID', 'Orders_Invoice_date_ShopperID', 'Orders_Payment_method_ShopperID')");
    // A small file is left as it was.
    QCOMPARE(w_->scalar(workspaceIndexes).toInt(), 0);
    w_->exec("BEGIN");
    w_->exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 10000) "
             "INSERT INTO Orders(ShopperID, Status) SELECT 5000 + i, 'Paid' FROM n");
    w_->exec("COMMIT");
    workspace().ResetDB();
    QCOMPARE(w_->scalar(workspaceIndexes).toInt(), 4);
    QCOMPARE(
        w_->scalar("SELECT count(*) FROM pragma_index_list('Orders') WHERE \"unique\" = 1 AND origin = 'c'").toInt(),
        0);
    QCOMPARE(orders()->rowCount(), 10005);
}

void OrdersWorkspaceTest::salesChartFigures()
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
        addOrder({4000 + i, "Many", "2024-07-01", "Paid", 0, QStringLiteral("Method %1").arg(i, 2, 10, QChar('0'))});
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

QModelIndex OrdersWorkspaceTest::treeIndexOf(int shopperId, const QString& field)
{
    QTreeView* tree = grid()->groupView();
    QAbstractItemModel* model = tree->model();
    const int shopper = grid()->columns().modelColumn(QStringLiteral("ShopperID"));
    for (int g = 0; model && g < model->rowCount(); ++g) {
        const QModelIndex group = model->index(g, 0);
        tree->expand(group);
        for (int r = 0; r < model->rowCount(group); ++r)
            if (model->index(r, shopper, group).data(Qt::EditRole).toInt() == shopperId)
                return model->index(r, grid()->columns().modelColumn(field), group);
    }
    return {};
}

// The cell of an order in the view the grid shows now.
QModelIndex OrdersWorkspaceTest::cellOf(int shopperId, const QString& field)
{
    if (grid()->currentView() == grid()->groupView())
        return treeIndexOf(shopperId, field);
    return orders()->index(rowOf(shopperId), orders()->columnIndex(field));
}

void OrdersWorkspaceTest::clickOrder(int shopperId, const QString& field)
{
    QAbstractItemView* view = grid()->currentView();
    const QModelIndex cell = cellOf(shopperId, field);
    QVERIFY(cell.isValid());
    view->scrollTo(cell);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(cell).center());
}

void OrdersWorkspaceTest::groupByStatus()
{
    w_->view->toggleGrouping();
    grid()->grouping().groupBy(QStringLiteral("Status"));
    QCOMPARE(grid()->currentView(), grid()->groupView());
}

// The grid, the inspector, the items grid and the commands all stand on one order.
void OrdersWorkspaceTest::expectCurrent(int shopperId)
{
    static const QHash<int, QString> names{
        {1001, "Ann Able"}, {1002, "Bob O'Brien"}, {1003, "Cy Cole"}, {1004, "Di Dunn"}, {1005, "Ed Eve"}};
    static const QHash<int, QStringList> products{{1003, {"Gadget", "Widget"}}, {1004, {"Sprocket"}}};
    const QModelIndex current = grid()->currentView()->currentIndex();
    QCOMPARE(
        current.siblingAtColumn(grid()->columns().modelColumn(QStringLiteral("ShopperID"))).data(Qt::EditRole).toInt(),
        shopperId);
    toolkit::CategoryInspector* inspector = w_->view->inspector()->inspector();
    inspector->setCategoryExpanded(QStringLiteral("Invoice"), true);
    QCOMPARE(inspector->valueIndex(QStringLiteral("Invoice_name")).data(Qt::EditRole).toString(), names[shopperId]);
    QStringList shown;
    QAbstractItemModel* itemRows = items()->model();
    for (int row = 0; row < itemRows->rowCount(); ++row)
        shown << itemRows->index(row, items()->columns().modelColumn(QStringLiteral("Product"))).data().toString();
    shown.sort();
    QCOMPARE(shown, products.value(shopperId));
    QCOMPARE(workspace().currentOrder().value(QStringLiteral("ShopperID")).toInt(), shopperId);
}

void OrdersWorkspaceTest::currentOrderSurvivesViewChanges_data()
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

void OrdersWorkspaceTest::currentOrderSurvivesViewChanges()
{
    QFETCH(QString, change);
    QFETCH(int, expected);
    GlobalSettings settings;
    settings.DatabaseLocation = w_->folder.databasePath();
    settings.BackupFolder = w_->folder.file(QStringLiteral("db/backup"));
    Maintenance maintenance(w_->data, settings, w_->port);
    if (change == QLatin1String("restore"))
        QVERIFY(maintenance.backupNow());
    if (change == QLatin1String("grouping off") || change == QLatin1String("grouped filter hides"))
        groupByStatus();
    clickOrder(1003);
    expectCurrent(1003);
    if (QTest::currentTestFailed())
        return;

    if (change == QLatin1String("grouping on")) {
        groupByStatus();
    } else if (change == QLatin1String("grouping off")) {
        w_->view->toggleGrouping();
    } else if (change == QLatin1String("filter keeps")) {
        grid()->filtering().setColumnFilter(QStringLiteral("Invoice_date"),
                                            FilterCondition::compare(QStringLiteral("Invoice_date"),
                                                                     FilterCondition::Operator::GreaterOrEqual,
                                                                     QDate(2024, 3, 1)));
    } else if (change == QLatin1String("filter hides") || change == QLatin1String("grouped filter hides")) {
        filterStatus("Unpaid");
    } else if (change == QLatin1String("reset")) {
        w_->view->reset();
    } else if (change == QLatin1String("reload")) {
        grid()->navigator()->trigger(RecordNavigator::Refresh);
    } else if (change == QLatin1String("order gone")) {
        w_->exec("DELETE FROM Orders WHERE ShopperID = 1003");
        grid()->navigator()->trigger(RecordNavigator::Refresh);
    } else if (change == QLatin1String("restore")) {
        QVERIFY(maintenance.restoreLastBackup());
    }
    expectCurrent(expected);
}

void OrdersWorkspaceTest::clickFocusesSecondGestureEdits_data()
{
    QTest::addColumn<bool>("grouped");
    QTest::addColumn<QString>("gesture");
    QTest::addColumn<bool>("edits");
    for (const bool grouped : {false, true}) {
        const char* view = grouped ? "grouped, " : "flat, ";
        QTest::addRow("%sone click", view) << grouped << "click" << false;
        QTest::addRow("%sa second click", view) << grouped << "second click" << true;
        QTest::addRow("%sdouble click", view) << grouped << "double click" << true;
        QTest::addRow("%stype", view) << grouped << "type" << true;
        QTest::addRow("%sEnter", view) << grouped << "enter" << true;
        QTest::addRow("%sF2", view) << grouped << "f2" << true;
        QTest::addRow("%sarrow key", view) << grouped << "down" << false;
    }
}

void OrdersWorkspaceTest::clickFocusesSecondGestureEdits()
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
    const QModelIndex cell = cellOf(1003, QStringLiteral("Invoice_name"));
    const QPoint at = view->visualRect(cell).center();
    if (gesture == QLatin1String("second click"))
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    else if (gesture == QLatin1String("double click"))
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
    else if (gesture == QLatin1String("type"))
        QTest::keyClicks(view, QStringLiteral("Z"));
    else if (gesture == QLatin1String("enter"))
        QTest::keyClick(view, Qt::Key_Return);
    else if (gesture == QLatin1String("f2"))
        QTest::keyClick(view, Qt::Key_F2);
    else if (gesture == QLatin1String("down"))
        QTest::keyClick(view, Qt::Key_Down);
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
    QCOMPARE(w_->scalar("SELECT Invoice_name FROM Orders WHERE ShopperID=1003").toString(), QStringLiteral("Cy Cole"));
}

void OrdersWorkspaceTest::editModeUpOnlyShows()
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
        const QModelIndex cell = orders()->index(rowOf(1003), orders()->columnIndex(QStringLiteral("Invoice_name")));
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->visualRect(cell).center());
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->visualRect(cell).center());
        QTest::keyClicks(table, QStringLiteral("Z"));
        return qobject_cast<QLineEdit*>(QApplication::focusWidget()) != nullptr;
    };
    QVERIFY(!tryToEdit());
    QCOMPARE(workspace().currentOrder().value(QStringLiteral("ShopperID")).toInt(), 1003);
    QCOMPARE(w_->scalar("SELECT New FROM Orders WHERE ShopperID=1003").toInt(), 1);

    w_->view->editModeAction()->trigger();
    QCOMPARE(w_->port.status(), QStringLiteral("Edit mode on"));
    QVERIFY(tryToEdit());
    QCOMPARE(w_->scalar("SELECT New FROM Orders WHERE ShopperID=1003").toInt(), 0);

    // The default layout starts with the command down.
    w_->view->setEditMode(false);
    layoutFile("grid_config_default.ini", false);
    QVERIFY(w_->view->editModeAction()->isChecked());
}

void OrdersWorkspaceTest::groupingOffWithAutoSizeKeepsWidths()
{
    const int shopperWidth = grid()->columns().width(QStringLiteral("ShopperID"));
    const int emailWidth = grid()->columns().width(QStringLiteral("Invoice_email"));
    QVERIFY(!grid()->columns().autoWidth());
    w_->view->toggleAutoSize();
    QCOMPARE(w_->port.status(), QStringLiteral("Column auto-sizing enabled"));
    QVERIFY(items()->columns().autoWidth());
    QVERIFY(!grid()->grouping().isBoxVisible());
    grid()->columns().setVisible(QStringLiteral("Invoice_time"), true);
    groupByStatus();
    QCOMPARE(w_->port.status(), QStringLiteral("Column Grouping enabled"));
    QVERIFY(grid()->grouping().isBoxVisible());
    // Grouping off ungroups and shows the default columns again.
    w_->view->toggleGrouping();
    QCOMPARE(w_->port.status(), QStringLiteral("Column Grouping disabled "));
    QVERIFY(!grid()->grouping().isEnabled());
    QVERIFY(!grid()->grouping().isBoxVisible());
    QVERIFY(grid()->grouping().groupedColumns().isEmpty());
    QCOMPARE(grid()->columns().visibleFields(), defaultColumns());
    // Fitted to the grid in the proportion of the columns' own widths, none squeezed.
    const double fitted = double(grid()->columns().width(QStringLiteral("Invoice_email"))) /
                          grid()->columns().width(QStringLiteral("ShopperID"));
    QVERIFY2(qAbs(fitted - double(emailWidth) / shopperWidth) < 0.1, qPrintable(QString::number(fitted)));
    // Auto-size off gives the columns their own widths back.
    w_->view->toggleAutoSize();
    QCOMPARE(w_->port.status(), QStringLiteral("Column auto-sizing disabled"));
    QVERIFY(!items()->columns().autoWidth());
    QCOMPARE(grid()->columns().width(QStringLiteral("ShopperID")), shopperWidth);
    QCOMPARE(grid()->columns().width(QStringLiteral("Invoice_email")), emailWidth);
    // Reset brings back the built-in widths, whatever the merchant left.
    grid()->columns().setWidth(QStringLiteral("ShopperID"), 12);
    w_->view->reset();
    QCOMPARE(grid()->columns().width(QStringLiteral("ShopperID")), shopperWidth);
}

void OrdersWorkspaceTest::groupedHeaderHasCaptionsAndFilters()
{
    groupByStatus();
    QTreeView* tree = grid()->groupView();
    auto* header = qobject_cast<toolkit::GridHeaderView*>(tree->header());
    QVERIFY(header);
    const int date = grid()->columns().modelColumn(QStringLiteral("Invoice_date"));
    QCOMPARE(tree->model()->headerData(date, Qt::Horizontal).toString(), QStringLiteral("Date"));
    const int status = grid()->columns().modelColumn(QStringLiteral("Status"));
    const QRect button = header->filterButtonRect(status);
    QVERIFY(!button.isEmpty());
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, button.center());
    auto* popup = grid()->findChild<toolkit::HeaderFilterPopup*>();
    QVERIFY(popup);
    QVERIFY(popup->isVisible());
    popup->close();
}

void OrdersWorkspaceTest::defaultColumnsShowWholeCaptions()
{
    // The default layout shows the default set, whatever the merchant left...
    grid()->columns().hideAll();
    grid()->columns().setVisible(QStringLiteral("Notes"), true);
    layoutFile("grid_config_default.ini", false);
    QCOMPARE(grid()->columns().visibleFields(), defaultColumns());
    QCOMPARE(grid()->columns().width(QStringLiteral("Invoice_email")), 170);
    // ... with caption and filter button side by side, as in the built-in widths.
    QHeaderView* header = grid()->tableView()->horizontalHeader();
    QStringList narrow;
    for (const QString& field : grid()->columns().visibleFields()) {
        const int logical = grid()->columns().modelColumn(field);
        if (header->sectionSize(logical) < header->sectionSizeHint(logical))
            narrow << QStringLiteral("%1 shown %2 of %3")
                          .arg(field)
                          .arg(header->sectionSize(logical))
                          .arg(header->sectionSizeHint(logical));
    }
    for (const OrderColumn& column : OrderColumns::grid()) {
        grid()->columns().setVisible(column.field, true);
        const int logical = grid()->columns().modelColumn(column.field);
        if (column.width < header->sectionSizeHint(logical))
            narrow << QStringLiteral("%1 built %2 of %3")
                          .arg(column.field)
                          .arg(column.width)
                          .arg(header->sectionSizeHint(logical));
    }
    QVERIFY2(narrow.isEmpty(), qPrintable(narrow.join(QStringLiteral("; "))));
}

QList<int> OrdersWorkspaceTest::shownOrders()
{
    QList<int> shown;
    for (int row = 0; row < orders()->rowCount(); ++row)
        shown << orders()->value(row, QStringLiteral("ShopperID")).toInt();
    std::sort(shown.begin(), shown.end());
    return shown;
}

// Each stored time once, in order: the later of two is the one with milliseconds, and picking
// it finds its order.
void OrdersWorkspaceTest::headerEntryFindsTimeWithMilliseconds()
{
    w_->exec("UPDATE Orders SET Invoice_time = '01:02:03' WHERE ShopperID = 1001");
    w_->exec("UPDATE Orders SET Invoice_time = '01:02:03.005' WHERE ShopperID = 1004");
    w_->data.ResetDB();
    toolkit::HeaderFilterPopup* popup = grid()->filtering().showHeaderFilter(QStringLiteral("Invoice_time"));
    QVERIFY(popup);
    QListWidget* list = popup->list();
    QListWidgetItem* last = list->item(list->count() - 1);
    QVERIFY(last);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(last).center());
    QCOMPARE(shownOrders(), QList<int>{1004});
    QVERIFY(w_->folder.logLines().isEmpty());
}

void OrdersWorkspaceTest::refusedFilterKeepsThePreviousOne()
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

void OrdersWorkspaceTest::salesChartShowsMoney_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<int>("diagram");
    QTest::addColumn<QString>("sum"); // the value label of the PayPal orders
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    const QLocale de(QLocale::German, QLocale::Germany);
    QTest::newRow("columns, United States") << us << int(SalesChart::Diagram::Column) << "506,773.20";
    QTest::newRow("columns, Germany") << de << int(SalesChart::Diagram::Column) << "506.773,20";
    QTest::newRow("bars, United States") << us << int(SalesChart::Diagram::Bar) << "506,773.20";
    QTest::newRow("line, Germany") << de << int(SalesChart::Diagram::Line) << "506.773,20";
}

void OrdersWorkspaceTest::salesChartShowsMoney()
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

QTEST_MAIN(OrdersWorkspaceTest)
#include "tst_OrdersWorkspace.moc"
