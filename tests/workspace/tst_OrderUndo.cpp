#include "WorkspaceHost.h"
#include "workspace/OrdersWorkspace.h"

#include <QSignalSpy>
#include <QSqlRecord>
#include <QtTest>
#include <functional>
#include <memory>

using namespace pelmora;

namespace
{

// Every row of a table with its row identity, each value with its type: what a byte-for-byte
// comparison of the table needs.
QStringList dump(DataModule& data, const QString& table)
{
    QStringList rows;
    QSqlQuery query(data.database());
    if (!query.exec(QStringLiteral("SELECT rowid, * FROM %1 ORDER BY rowid").arg(table)))
        return {query.lastError().text()};
    while (query.next()) {
        QStringList values;
        for (int i = 0; i < query.record().count(); ++i)
            values << (query.isNull(i) ? QStringLiteral("NULL")
                                       : QString::fromLatin1(query.value(i).typeName()) + QLatin1Char(':') +
                                             query.value(i).toString());
        rows << values.join(QLatin1Char('|'));
    }
    return rows;
}

} // namespace

using Change = std::function<void(OrdersWorkspace&)>;
Q_DECLARE_METATYPE(Change)

class OrderUndoTest : public QObject
{
    Q_OBJECT
  private slots:
    void init()
    {
        w_ = std::make_unique<test::WorkspaceHost>();
        const QString insert = QStringLiteral("INSERT INTO Orders(ShopperID,Invoice_name,Status,New,Total,Invoice_date)"
                                              " VALUES(?,?,?,?,12.5,'2024-03-01')");
        w_->exec(insert, {1001, "Ann Able", "Paid", 0});
        w_->exec(insert, {1002, "Bob O'Brien", "Unpaid", 1});
        w_->exec(insert, {1003, "Cy Cole", QVariant(), 1});
        w_->exec(insert, {1004, QStringLiteral("Dörte Dunn"), "Unpaid", 0});
        exec("INSERT INTO Items(ShopperID,Qty,Product,Price,Amount) VALUES"
             "(1003,2,'Widget',1.5,3),(1003,2,'Gadget',1.5,3),(1004,2,'Sprocket',1.5,3)");
        workspace_ = std::make_unique<OrdersWorkspace>(w_->data);
        w_->data.ResetDB();
        QCOMPARE(orders()->rowCount(), 4);
    }

    void cleanup()
    {
        workspace_.reset();
        w_.reset();
    }

    void undoRestoresTheRowsOfEachChange_data()
    {
        QTest::addColumn<Change>("change");
        QTest::addColumn<int>("undos");

        // Each change goes through the same path as the merchant's gesture.
        auto current = [](OrdersWorkspace& w, int shopperId) {
            for (int row = 0; row < w.DataSourceOrders()->rowCount(); ++row)
                if (w.DataSourceOrders()->value(row, QStringLiteral("ShopperID")).toInt() == shopperId)
                    w.setCurrentRow(row);
        };
        QTest::newRow("order cell edited") << Change([this](OrdersWorkspace&) {
            editCell(1004, QStringLiteral("Invoice_name"), QStringLiteral("Dora"));
        }) << 1;
        QTest::newRow("money cell edited")
            << Change([this](OrdersWorkspace&) { editCell(1001, QStringLiteral("Total"), 99.125); }) << 1;
        QTest::newRow("edit of a new order, with New cleared") << Change([this](OrdersWorkspace& w) {
            w.editingStarts(rowOf(1002));
            editCell(1002, QStringLiteral("Notes"), QStringLiteral("call back"));
        }) << 1;
        QTest::newRow("status of several orders") << Change([this](OrdersWorkspace& w) {
            QCOMPARE(w.setOrdersValue({keyOf(1001), keyOf(1003), keyOf(1004)}, QStringLiteral("Status"),
                                      QStringLiteral("Shipped")),
                     3);
        }) << 1;
        QTest::newRow("Selected ticked for several orders") << Change([this](OrdersWorkspace& w) {
            w.setOrdersValue({keyOf(1002), keyOf(1003)}, QStringLiteral("Selected"), true);
        }) << 1;
        QTest::newRow("order deleted with its items")
            << Change([this](OrdersWorkspace& w) { QVERIFY(w.deleteOrder(rowOf(1003))); }) << 1;
        QTest::newRow("order deleted through its model")
            << Change([this](OrdersWorkspace&) { QVERIFY(orders()->removeRows(rowOf(1004), 1)); }) << 1;
        QTest::newRow("item added") << Change([current](OrdersWorkspace& w) {
            current(w, 1004);
            QVERIFY(w.DataSourceItems()->insertRows(0, 1));
        }) << 1;
        QTest::newRow("item deleted") << Change([current](OrdersWorkspace& w) {
            current(w, 1003);
            QCOMPARE(w.DataSourceItems()->rowCount(), 2);
            QVERIFY(w.DataSourceItems()->removeRows(1, 1));
        }) << 1;
        QTest::newRow("item edited") << Change([current](OrdersWorkspace& w) {
            current(w, 1003);
            OrderItemsModel* items = w.DataSourceItems();
            QVERIFY(items->setData(items->index(0, items->columnIndex(QStringLiteral("Product"))), "Widget XL"));
        }) << 1;
        QTest::newRow("two edits of one cell") << Change([this](OrdersWorkspace&) {
            editCell(1001, QStringLiteral("Invoice_name"), QStringLiteral("A"));
            editCell(1001, QStringLiteral("Invoice_name"), QStringLiteral("B"));
        }) << 2;
    }

    void undoRestoresTheRowsOfEachChange()
    {
        QFETCH(Change, change);
        QFETCH(int, undos);
        const QList<QStringList> before = tables();
        change(*workspace_);
        const QList<QStringList> after = tables();
        QVERIFY(after != before);
        QCOMPARE(workspace_->history().undoCount(), undos);

        for (int i = 0; i < undos; ++i)
            QVERIFY(!workspace_->undo().isEmpty());
        QCOMPARE(tables(), before);
        QVERIFY(!workspace_->history().canUndo());
        QVERIFY(workspace_->undo().isEmpty());

        for (int i = 0; i < undos; ++i)
            QVERIFY(!workspace_->redo().isEmpty());
        QCOMPARE(tables(), after);
        // The grid reads the rows again: what it shows is what is stored.
        QCOMPARE(orders()->rowCount(), w_->data.scalar("SELECT count(*) FROM Orders").toInt());

        for (int i = 0; i < undos; ++i)
            workspace_->undo();
        QCOMPARE(tables(), before);
    }

    void changesAreUndoneInReverseOrder()
    {
        const QList<QStringList> start = tables();
        editCell(1001, QStringLiteral("Invoice_name"), QStringLiteral("First"));
        const QList<QStringList> one = tables();
        workspace_->setOrdersValue({keyOf(1001), keyOf(1002)}, QStringLiteral("Status"), QStringLiteral("Completed"));
        const QList<QStringList> two = tables();
        QVERIFY(workspace_->deleteOrder(rowOf(1003)));

        QCOMPARE(workspace_->undo(), QStringLiteral("Order 1003 and its 2 items deleted"));
        QCOMPARE(tables(), two);
        QCOMPARE(workspace_->undo(), QStringLiteral("Status set to \"Completed\" for 2 orders"));
        QCOMPARE(tables(), one);
        QCOMPARE(workspace_->undo(), QStringLiteral("Edit of order 1001"));
        QCOMPARE(tables(), start);
        // A new change forgets what was undone.
        QVERIFY(workspace_->history().canRedo());
        editCell(1002, QStringLiteral("Invoice_name"), QStringLiteral("B"));
        QVERIFY(!workspace_->history().canRedo());
        QVERIFY(workspace_->redo().isEmpty());
    }

    void deletedOrderSaysSoAndComesBack()
    {
        QSignalSpy said(workspace_.get(), &OrdersWorkspace::orderDeleted);
        const QList<QStringList> before = tables();
        // Deleting every order closes the live orders; undo opens them again.
        for (int shopperId : {1003, 1001, 1002, 1004})
            QVERIFY(workspace_->deleteOrder(rowOf(shopperId)));
        QCOMPARE(said.size(), 4);
        QCOMPARE(said.first().first().toString(), QStringLiteral("Order 1003 and its 2 items deleted"));
        QCOMPARE(said.last().first().toString(), QStringLiteral("Order 1004 and its 1 item deleted"));
        QCOMPARE(orders()->rowCount(), 0);
        for (int i = 0; i < 4; ++i)
            workspace_->undo();
        QCOMPARE(tables(), before);
        QCOMPARE(orders()->rowCount(), 4);
    }

    // A trigger refuses the change of one order: none of them changes, nothing is kept for undo;
    // when it refuses the undo of a change, that change stays, still to undo.
    void changeAndUndoAreEachOneTransaction()
    {
        const QString refuse = QStringLiteral("CREATE TRIGGER refuse BEFORE UPDATE OF Status ON Orders WHEN "
                                              "NEW.ShopperID = 1004 BEGIN SELECT RAISE(ABORT, 'refused'); END");
        const QList<qint64> keys{keyOf(1001), keyOf(1002), keyOf(1004)};
        exec(refuse);
        const QList<QStringList> before = tables();
        QSignalSpy set(workspace_.get(), &OrdersWorkspace::statusSet);
        QVERIFY_THROWS_EXCEPTION(std::exception, workspace_->setOrdersValue(keys, "Status", QStringLiteral("Shipped")));
        QCOMPARE(tables(), before);
        QVERIFY(!workspace_->history().canUndo());
        QCOMPARE(set.size(), 0);

        exec(QStringLiteral("DROP TRIGGER refuse"));
        workspace_->setOrdersValue(keys, "Status", QStringLiteral("Shipped"));
        const QList<QStringList> after = tables();
        exec(refuse);
        QVERIFY_THROWS_EXCEPTION(std::exception, workspace_->undo());
        QCOMPARE(tables(), after);
        QVERIFY(workspace_->history().canUndo());
        exec(QStringLiteral("DROP TRIGGER refuse"));
        workspace_->undo();
        QCOMPARE(tables(), before);
    }

    void keepsTheLastHundredChanges()
    {
        const QList<QStringList> start = tables();
        for (int i = 1; i <= 101; ++i) {
            editCell(1001, QStringLiteral("Invoice_name"), QStringLiteral("Name %1").arg(i));
            if (i == 1)
                QCOMPARE(workspace_->history().undoCount(), 1);
        }
        QCOMPARE(workspace_->history().undoCount(), 100);
        while (workspace_->history().canUndo())
            workspace_->undo();
        // The first change is beyond reach: the name is the one it made.
        QCOMPARE(w_->data.scalar("SELECT Invoice_name FROM Orders WHERE ShopperID = 1001").toString(),
                 QStringLiteral("Name 1"));
        QVERIFY(tables() != start);
    }

    void anotherDatabaseForgetsTheChanges()
    {
        editCell(1001, QStringLiteral("Invoice_name"), QStringLiteral("A"));
        QVERIFY(workspace_->history().canUndo());
        w_->data.ResetDB();
        QVERIFY(workspace_->history().canUndo());
        test::TestFolder other;
        w_->data.setLocation(other.databasePath());
        w_->data.ResetDB();
        QVERIFY(!workspace_->history().canUndo());
    }

  private:
    void exec(const QString& sql) { w_->exec(sql); }
    QList<QStringList> tables() { return {dump(w_->data, "Orders"), dump(w_->data, "Items")}; }
    int rowOf(int shopperId) { return test::WorkspaceHost::rowOf(orders(), shopperId); }
    qint64 keyOf(int shopperId) { return workspace_->DataSourceOrders()->keyAt(rowOf(shopperId)).toLongLong(); }
    toolkit::SqlTableModel* orders() { return workspace_->DataSourceOrders(); }
    void editCell(int shopperId, const QString& column, const QVariant& value)
    {
        const int row = rowOf(shopperId);
        QVERIFY(orders()->setData(orders()->index(row, orders()->columnIndex(column)), value));
    }

    std::unique_ptr<test::WorkspaceHost> w_;
    std::unique_ptr<OrdersWorkspace> workspace_;
};

QTEST_GUILESS_MAIN(OrderUndoTest)
#include "tst_OrderUndo.moc"
