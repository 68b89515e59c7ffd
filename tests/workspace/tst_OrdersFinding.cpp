#include "SearchShop.h"
#include "WorkspaceHost.h"
#include "toolkit/SqlGroupModel.h"
#include "toolkit/SqlTableModel.h"
#include "toolkit/widgets/DataGrid.h"
#include "toolkit/widgets/GridHeaderView.h"
#include "toolkit/widgets/RecordNavigator.h"
#include "workspace/OrderSearch.h"
#include "workspace/OrdersWorkspace.h"
#include "workspace/widgets/ItemsGrid.h"
#include "workspace/widgets/OrderSearchBar.h"
#include "workspace/widgets/OrdersGrid.h"
#include "workspace/widgets/SavedViewsMenu.h"
#include "workspace/widgets/WorkspaceView.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSqlError>
#include <QSqlQuery>
#include <QTableView>
#include <QToolButton>
#include <QTreeView>
#include <QtTest>
#include <memory>

using namespace pelmora;

Q_DECLARE_METATYPE(pelmora::toolkit::FilterCondition)

class OrdersFindingTest : public QObject
{
    Q_OBJECT
  private slots:
    void init()
    {
        w_ = std::make_unique<test::WorkspaceHost>();
        test::SearchShop::fill(w_->data.database(), QStringLiteral("Orders"), QStringLiteral("Items"), 80, 1000);
        makeView();
    }

    void cleanup() { w_.reset(); }

    void searchFindsWhatLikeFinds_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("indexed");
        QTest::addColumn<QString>("status"); // the grid's filter on Status, or none

        for (bool indexed : {true, false}) {
            const char* how = indexed ? "index" : "scan";
            for (const char* text :
                 {"smith", "SMITH",  "o'br",  "100%",        "a_b",   "Müller",    "crème",
                  "ñe",    "straße", "sku-1", "example.com", "pay-4", "ring noon", "smith widget",
                  "wi",    "z",      "%",     "_",           "'",     "10",        "nothing-like-it"})
                QTest::addRow("%s %s", how, text) << QString::fromUtf8(text) << indexed << QString();
            QTest::addRow("%s with a filter", how) << QStringLiteral("smith") << indexed << QStringLiteral("Paid");
            QTest::addRow("%s short with a filter", how) << QStringLiteral("li") << indexed << QStringLiteral("Unpaid");
        }
    }

    void searchFindsWhatLikeFinds()
    {
        QFETCH(QString, text);
        QFETCH(bool, indexed);
        QFETCH(QString, status);
        if (!indexed) {
            // Without its index the same search is answered by a scan.
            QSqlDatabase db = w_->data.database();
            OrderSearch(OrdersSource::Live).drop(db);
            workspace().searchIndexBuilt(OrdersSource::Live);
            QVERIFY(!workspace().searchIndexReady(OrdersSource::Live));
        }
        if (!status.isEmpty())
            filterStatus(status);
        search(text);
        const QList<int> numbers = shown();
        QCOMPARE(found(), like(text, status.isEmpty() ? QString() : QStringLiteral("Status = '%1'").arg(status)));
        // Highest order number first, as without a search.
        QList<int> sorted = numbers;
        std::sort(sorted.begin(), sorted.end(), std::greater<int>());
        QCOMPARE(numbers, sorted);
        QCOMPARE(grid()->highlightedWords(), text.split(QLatin1Char(' '), Qt::SkipEmptyParts));
    }

    void searchGoesWithTheArchive()
    {
        test::SearchShop::fill(w_->data.database(), QStringLiteral("OrdersArchve"), QStringLiteral("ItemsArchive"), 30,
                               500);
        w_->data.ResetDB();
        search("smith");
        QCOMPARE(found(), like("smith", QString()));
        workspace().setSource(OrdersSource::Archive);
        QTRY_VERIFY(workspace().searchIndexReady(OrdersSource::Archive));
        QVERIFY(!shown().isEmpty());
        QCOMPARE(found(), like("smith", QString(), "OrdersArchve", "ItemsArchive"));
    }

    void damagedIndexIsRebuilt()
    {
        // The index's structure record overwritten, as a crash in the middle of a write might leave it.
        exec(QStringLiteral("UPDATE OrdersSearch_data SET block = x'0badc0de0badc0de' WHERE id = 10"));
        search("smith");
        // The search still answers (by a scan) while the index is built anew.
        QCOMPARE(found(), like("smith", QString()));
        QTRY_VERIFY(workspace().searchIndexReady(OrdersSource::Live));
        QCOMPARE(query(QStringLiteral("SELECT count(*) FROM OrdersSearch WHERE OrdersSearch MATCH '\"smi\"'")).value(0),
                 query(QStringLiteral(
                           "SELECT count(*) FROM Orders WHERE ShopperID||Invoice_name||coalesce(Invoice_company,'') "
                           "LIKE '%smi%'"))
                     .value(0));
        search("smithers");
        QCOMPARE(found(), like("smithers", QString()));
        QVERIFY(w_->folder.logLines().isEmpty());
        QVERIFY(w_->port.status().isEmpty());
    }

    // Orders another program imported are pending in the index: the search finds them at once, and
    // the program indexes them while it waits for the merchant.
    void importedOrdersFoundThenIndexedWhileIdle()
    {
        {
            QSqlDatabase other = QSqlDatabase::cloneDatabase(w_->data.database(), QStringLiteral("import"));
            QVERIFY(other.open());
            QSqlQuery insert(other);
            QVERIFY(
                insert.exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i<3000) "
                                           "INSERT INTO Orders(ShopperID,Invoice_name) SELECT 5000+i,'Ivy Smith '||i "
                                           "FROM n")));
        }
        QSqlDatabase::removeDatabase(QStringLiteral("import"));
        const OrderSearch live(OrdersSource::Live);
        QCOMPARE(live.pendingCount(w_->data.database(), 10000), 3000);
        w_->data.ResetDB();
        for (const char* text : {"smith", "ivy smith 12"}) {
            search(text);
            QCOMPARE(found(), like(text, QString()));
        }
        QTRY_COMPARE(live.pendingCount(w_->data.database(), 10000), 0);
        // An order changed since it was indexed is indexed before the next search.
        exec(QStringLiteral("UPDATE Orders SET Invoice_name='Ivy Quimby' WHERE ShopperID=5012"));
        search(QStringLiteral("quimby"));
        QCOMPARE(shown(), QList<int>{5012});
        QCOMPARE(live.pendingCount(w_->data.database(), 10000), 0);
    }

    void keyboardFindAndEscape()
    {
        const int all = int(shown().size());
        grid()->tableView()->setFocus();
        QTest::keyClick(grid()->tableView(), Qt::Key_F, Qt::ControlModifier);
        QVERIFY(searchBar()->box()->hasFocus());
        QTest::keyClicks(searchBar()->box(), QStringLiteral("smith"));
        // Typing searches once the merchant pauses.
        QTRY_COMPARE(workspace().searchText(), QStringLiteral("smith"));
        QVERIFY(shown().size() < all);
        QTest::keyClick(searchBar()->box(), Qt::Key_Escape);
        QCOMPARE(searchBar()->box()->text(), QString());
        QCOMPARE(int(shown().size()), all);
        QVERIFY(grid()->highlightedWords().isEmpty());
        // Escape in an empty box goes back to the orders.
        QTest::keyClick(searchBar()->box(), Qt::Key_Escape);
        QVERIFY(grid()->tableView()->hasFocus());

        // Tab goes from the box to the saved views' drop-down and on to the orders.
        QTest::keyClick(grid()->tableView(), Qt::Key_F, Qt::ControlModifier);
        QTest::keyClick(searchBar()->box(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("savedViewsButton"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QVERIFY(grid()->tableView()->hasFocus());
    }

    void headerClicksSortLikeOrderBy_data()
    {
        QTest::addColumn<QString>("field");
        QTest::newRow("text with blanks and NULLs") << QStringLiteral("Invoice_name");
        QTest::newRow("money") << QStringLiteral("Total");
        QTest::newRow("date") << QStringLiteral("Invoice_date");
        QTest::newRow("check box") << QStringLiteral("Selected");
        QTest::newRow("drop-down") << QStringLiteral("Status");
        QTest::newRow("order number") << QStringLiteral("ShopperID");
    }

    void headerClicksSortLikeOrderBy()
    {
        QFETCH(QString, field);
        grid()->columns().setVisible(field, true);
        const auto* header = static_cast<toolkit::GridHeaderView*>(grid()->tableView()->horizontalHeader());
        const QString sql = QStringLiteral("SELECT ShopperID FROM Orders ORDER BY %1 %2, id %2");
        grid()->cursor().setCurrentRow(10);
        clickHeader(field);
        // The sorted rows are shown from the top.
        QCOMPARE(grid()->cursor().currentRow(), 0);
        QCOMPARE(workspace().currentRow(), 0);
        QCOMPARE(shown(), query(sql.arg(field, QStringLiteral("ASC"))));
        QCOMPARE(header->sortArrowSection(), grid()->columns().modelColumn(field));
        QCOMPARE(header->sortArrowOrder(), Qt::AscendingOrder);
        clickHeader(field);
        QCOMPARE(shown(), query(sql.arg(field, QStringLiteral("DESC"))));
        QCOMPARE(header->sortArrowOrder(), Qt::DescendingOrder);
        clickHeader(field);
        QCOMPARE(shown(), query(sql.arg(QStringLiteral("ShopperID"), QStringLiteral("DESC"))));
        QCOMPARE(header->sortArrowSection(), grid()->columns().modelColumn(QStringLiteral("ShopperID")));
        QCOMPARE(grid()->sortField(), QString());
        // The search keeps the sort.
        clickHeader(field);
        search(QStringLiteral("smith"));
        QCOMPARE(header->sortArrowSection(), grid()->columns().modelColumn(field));
        QCOMPARE(header->sortArrowOrder(), Qt::AscendingOrder);
        search(QStringLiteral("no such order"));
        QCOMPARE(header->sortArrowSection(), grid()->columns().modelColumn(field));
        search(QStringLiteral("smith"));
        const QSet<int> found = like(QStringLiteral("smith"), QString());
        QList<int> expected;
        for (int number : query(sql.arg(field, QStringLiteral("ASC"))))
            if (found.contains(number))
                expected << number;
        QCOMPARE(shown(), expected);
    }

    void groupsSortInside()
    {
        grid()->grouping().setEnabled(true);
        grid()->grouping().groupBy(QStringLiteral("Status"));
        clickHeader(QStringLiteral("Invoice_name"));
        clickHeader(QStringLiteral("Invoice_name"));
        QCOMPARE(grid()->sortField(), QStringLiteral("Invoice_name"));
        QCOMPARE(grid()->sortOrder(), Qt::DescendingOrder);
        QCOMPARE(grid()->grouping().model()->sortColumn(), QStringLiteral("Invoice_name"));
        QTreeView* tree = grid()->groupView();
        QAbstractItemModel* model = tree->model();
        const int numberColumn = grid()->columns().modelColumn(QStringLiteral("ShopperID"));
        QCOMPARE(model->rowCount(), 3);
        for (int g = 0; g < model->rowCount(); ++g) {
            const QModelIndex group = model->index(g, 0);
            tree->expand(group);
            while (model->canFetchMore(group))
                model->fetchMore(group);
            QCOMPARE(model->rowCount(group), model->data(group, toolkit::SqlGroupModel::GroupCountRole).toInt());
            QList<int> inGroup;
            for (int row = 0; row < model->rowCount(group); ++row)
                inGroup << model->index(row, numberColumn, group).data(Qt::EditRole).toInt();
            const QString status = model->data(group, toolkit::SqlGroupModel::GroupValueRole).toString();
            QCOMPARE(inGroup,
                     query(QStringLiteral(
                               "SELECT ShopperID FROM Orders WHERE Status = ? ORDER BY Invoice_name DESC, id DESC"),
                           {status}));
        }
    }

    void oftenSortedColumnGetsAnIndex()
    {
        // Indexes of Orders that lead with the column.
        const QString indexed = QStringLiteral("SELECT count(*) FROM pragma_index_list('Orders') AS l, "
                                               "pragma_index_info(l.name) AS i WHERE i.seqno = 0 AND i.name = "
                                               "'Invoice_company'");
        grid()->columns().setVisible(QStringLiteral("Invoice_company"), true);
        // Ascending, descending, back to the default, ascending again: the third sort by it.
        int sorts = 0;
        while (sorts < OrdersWorkspace::kUsesBeforeIndex - 1) {
            clickHeader(QStringLiteral("Invoice_company"));
            sorts += grid()->sortField().isEmpty() ? 0 : 1;
        }
        QCOMPARE(query(indexed).value(0), 0);
        do
            clickHeader(QStringLiteral("Invoice_company"));
        while (grid()->sortField().isEmpty());
        QCOMPARE(query(indexed).value(0), 1);
        // A column that leads an index already gets no second one.
        const QString statusIndexes =
            QString(indexed).replace(QStringLiteral("Invoice_company"), QStringLiteral("Status"));
        const int before = query(statusIndexes).value(0);
        QVERIFY(before > 0);
        for (int use = 0; use < OrdersWorkspace::kUsesBeforeIndex; ++use)
            workspace().columnUsed(QStringLiteral("Status"), true);
        QCOMPARE(query(statusIndexes).value(0), before);
        // The rows come in the same order with the index as without it.
        QCOMPARE(shown(), query(QStringLiteral("SELECT ShopperID FROM Orders ORDER BY Invoice_company, id")));
    }

    void navigatorCountsAndEmptyNote()
    {
        toolkit::RecordNavigator* navigator = grid()->navigator();
        QCOMPARE(navigator->countText(), QStringLiteral("80 orders"));
        QLabel* note = w_->view->ordersGrid()->noMatchNote();
        QVERIFY(!note->isVisible());

        filterStatus("Paid");
        const int paid = query(QStringLiteral("SELECT count(*) FROM Orders WHERE Status = 'Paid'")).value(0);
        QCOMPARE(navigator->countText(), QStringLiteral("%1 of 80 orders").arg(paid));
        // An order deleted and its undo change both figures.
        QVERIFY(workspace().deleteOrder(0));
        QCOMPARE(navigator->countText(), QStringLiteral("%1 of 79 orders").arg(paid - 1));
        QVERIFY(!workspace().undo().isEmpty());
        QCOMPARE(navigator->countText(), QStringLiteral("%1 of 80 orders").arg(paid));
        search(QStringLiteral("smith"));
        QCOMPARE(navigator->countText(),
                 QStringLiteral("%1 of 80 orders")
                     .arg(like(QStringLiteral("smith"), QStringLiteral("Status = 'Paid'")).size()));
        search(QStringLiteral("no such order"));
        QCOMPARE(navigator->countText(), QStringLiteral("0 of 80 orders"));
        QVERIFY(note->isVisible());
        QVERIFY(note->text().contains(QStringLiteral("No orders match the filter")));
        // No order is current, so no item can be added to one.
        auto* addItem = w_->view->itemsGrid()->findChild<QToolButton*>(QStringLiteral("navInsert"));
        QVERIFY(!addItem->isEnabled());
        emit note->linkActivated(QStringLiteral("clear"));
        QCOMPARE(searchBar()->box()->text(), QString());
        QVERIFY(grid()->filtering().filter().isEmpty());
        QCOMPARE(navigator->countText(), QStringLiteral("80 orders"));
        QVERIFY(!note->isVisible());
        QVERIFY(addItem->isEnabled());

        // A shop without orders: the closed orders still say how many there are.
        exec(QStringLiteral("DELETE FROM Items"));
        exec(QStringLiteral("DELETE FROM Orders"));
        workspace().ResetDB();
        QVERIFY(!workspace().DataSourceOrders()->isOpen());
        QCOMPARE(navigator->countText(), QStringLiteral("0 orders"));

        // A thousands separator on a big count, one order alone in the singular.
        QCOMPARE(OrdersGrid::countText(1000000, 1000000, false), QStringLiteral("1,000,000 orders"));
        QCOMPARE(OrdersGrid::countText(1, 1, false), QStringLiteral("1 order"));
    }

    void savedViewComesBackAfterRestart_data()
    {
        using toolkit::FilterCondition;
        using Op = FilterCondition::Operator;
        QTest::addColumn<FilterCondition>("filter");
        QTest::newRow("status") << FilterCondition::compare(QStringLiteral("Status"), Op::Equal,
                                                            QStringLiteral("Unpaid"));
        QTest::newRow("money") << FilterCondition::compare(QStringLiteral("Total"), Op::Greater, 50.5);
        QTest::newRow("date") << FilterCondition::compare(QStringLiteral("Invoice_date"), Op::GreaterOrEqual,
                                                          QDate(2024, 6, 1));
        QTest::newRow("quote, negated") << FilterCondition::compare(QStringLiteral("Invoice_name"), Op::Equal,
                                                                    QStringLiteral("Bob O'Brien"))
                                               .negated();
        QTest::newRow("either, blank") << FilterCondition::any(
            {FilterCondition::compare(QStringLiteral("Status"), Op::Equal, QStringLiteral("Paid")),
             FilterCondition::blank(QStringLiteral("Invoice_company"))});
    }

    void savedViewComesBackAfterRestart()
    {
        QFETCH(toolkit::FilterCondition, filter);
        w_->view->setProgramFolder(w_->folder.path());
        toolkit::GridFilter gridFilter;
        gridFilter.setRoot(filter);
        grid()->filtering().setFilter(gridFilter);
        search(QStringLiteral("com"));
        grid()->columns().setVisible(QStringLiteral("Invoice_company"), true);
        grid()->columns().setVisible(QStringLiteral("Payment_method"), false);
        clickHeader(QStringLiteral("Total"));
        clickHeader(QStringLiteral("Total"));
        const QStringList columns = grid()->columns().visibleFields();
        const QList<int> before = shown();
        const toolkit::FilterCondition root = grid()->filtering().filter().root();
        QVERIFY(!before.isEmpty());
        w_->view->savedViews()->saveAs(QStringLiteral("To ship"));
        QCOMPARE(w_->port.status(), QStringLiteral("View \"To ship\" saved"));
        QVERIFY(QFile::exists(w_->folder.file(QStringLiteral("cnfg/saved_views.ini"))));

        // A new run: the grid starts plain, then the view used last comes back.
        restart();
        QCOMPARE(grid()->sortField(), QString());
        QVERIFY(grid()->filtering().filter().isEmpty());
        w_->view->setProgramFolder(w_->folder.path());
        QTRY_COMPARE(searchBar()->text(), QStringLiteral("com"));
        QCOMPARE(w_->view->savedViews()->currentName(), QStringLiteral("To ship"));
        QCOMPARE(grid()->filtering().filter().root(), root);
        QCOMPARE(grid()->columns().visibleFields(), columns);
        QCOMPARE(grid()->sortField(), QStringLiteral("Total"));
        QCOMPARE(static_cast<toolkit::GridHeaderView*>(grid()->tableView()->horizontalHeader())->sortArrowOrder(),
                 Qt::DescendingOrder);
        QCOMPARE(shown(), before);
        // The rows are the search's among those the filter lets through, by Total, highest first.
        QVERIFY(found().subtract(like("com", QString())).isEmpty());
    }

    void savedViewsRenamedAndDeleted()
    {
        w_->view->setProgramFolder(w_->folder.path());
        SavedViewsMenu* views = w_->view->savedViews();
        grid()->grouping().setEnabled(true);
        grid()->grouping().groupBy(QStringLiteral("Status"));
        views->saveAs(QStringLiteral("By status"));
        grid()->grouping().ungroupAll();
        search(QStringLiteral("smith"));
        views->saveAs(QStringLiteral("Smiths"));
        QVERIFY(views->apply(QStringLiteral("By status")));
        QCOMPARE(grid()->grouping().groupedColumns(), QStringList{QStringLiteral("Status")});
        QCOMPARE(searchBar()->text(), QString());
        QVERIFY(views->renameCurrent(QStringLiteral("Grouped")));
        // The View menu lists the views under their names.
        QStringList listed;
        for (QAction* action : views->menu()->actions())
            if (action->isCheckable())
                listed << action->text();
        QCOMPARE(listed, (QStringList{QStringLiteral("Grouped"), QStringLiteral("Smiths")}));
        QCOMPARE(SavedViews(w_->folder.path()).names(), listed);
        QCOMPARE(SavedViews(w_->folder.path()).last(), QStringLiteral("Grouped"));
        // A name in use is refused.
        QVERIFY(!views->renameCurrent(QStringLiteral("smiths")));
        views->deleteCurrent();
        QCOMPARE(SavedViews(w_->folder.path()).names(), QStringList{QStringLiteral("Smiths")});
        QCOMPARE(SavedViews(w_->folder.path()).last(), QString());
        // Nothing comes back at the next start.
        restart();
        w_->view->setProgramFolder(w_->folder.path());
        QCoreApplication::processEvents();
        QCOMPARE(searchBar()->text(), QString());
        QVERIFY(grid()->grouping().groupedColumns().isEmpty());
    }

  private:
    void exec(const QString& sql) { w_->exec(sql); }
    void makeView()
    {
        w_->makeView(1100);
        QVERIFY(QTest::qWaitForWindowExposed(w_->host.get()));
        // The search index is built once the opening has finished.
        QTRY_VERIFY(workspace().searchIndexReady(OrdersSource::Live));
    }
    void filterStatus(const QString& status)
    {
        grid()->filtering().setColumnFilter(
            "Status", toolkit::FilterCondition::compare("Status", toolkit::FilterCondition::Operator::Equal, status));
    }
    // A new run of the program over the same folder.
    void restart()
    {
        w_->host.reset();
        w_->view = nullptr;
        makeView();
    }
    void search(const QString& text)
    {
        QLineEdit* box = searchBar()->box();
        box->setFocus();
        box->selectAll();
        // As typed or pasted (key clicks carry Latin-1 letters only).
        box->insert(text);
        QTest::keyClick(box, Qt::Key_Return);
    }
    QList<int> shown() { return w_->shown(); }
    // The orders shown, in any order.
    QSet<int> found()
    {
        const QList<int> numbers = shown();
        return QSet<int>(numbers.begin(), numbers.end());
    }
    QList<int> query(const QString& sql, const QVariantList& values = {})
    {
        return test::SearchShop::numbers(w_->data.database(), sql, values);
    }
    QSet<int> like(const QString& text, const QString& where, const QString& orders = QStringLiteral("Orders"),
                   const QString& items = QStringLiteral("Items"))
    {
        return test::SearchShop::like(w_->data.database(), text, where, orders, items);
    }
    void clickHeader(const QString& field)
    {
        QHeaderView* header = grid()->currentView() == grid()->tableView()
                                  ? grid()->tableView()->horizontalHeader()
                                  : static_cast<QTreeView*>(grid()->groupView())->header();
        const int logical = grid()->columns().modelColumn(field);
        QVERIFY(!header->isSectionHidden(logical));
        // On the caption, away from the filter button at the section's right end.
        const QPoint at(header->sectionViewportPosition(logical) + 6, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    }

    toolkit::DataGrid* grid() { return w_->view->ordersGrid()->grid(); }
    OrdersWorkspace& workspace() { return w_->view->workspace(); }
    OrderSearchBar* searchBar() { return w_->view->ordersGrid()->searchBar(); }

    std::unique_ptr<test::WorkspaceHost> w_;
};

QTEST_MAIN(OrdersFindingTest)
#include "tst_OrdersFinding.moc"
