// Working through orders from the keyboard: selecting rows, setting their status and ticks,
// undo and redo by shortcut, and the keys that edit cells and move between orders.
#include "WorkspaceHost.h"
#include "toolkit/widgets/CategoryInspector.h"
#include "toolkit/widgets/DataGrid.h"
#include "toolkit/widgets/InspectorModel.h"
#include "workspace/OrdersWorkspace.h"
#include "workspace/widgets/TriageCommands.h"

#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QTableView>
#include <QTreeView>
#include <QtTest>
#include <memory>

using namespace pelmora;

class TriageTest : public QObject
{
    Q_OBJECT
  private slots:
    void init()
    {
        w_ = std::make_unique<test::WorkspaceHost>();
        exec("DELETE FROM Status");
        exec("INSERT INTO Status(Status) VALUES('Paid'),('Unpaid'),('Shipped'),('Completed'),('On hold')");
        for (int n = 1001; n <= 1005; ++n)
            exec(QStringLiteral("INSERT INTO Orders(ShopperID,Invoice_name,Status,New,Selected,Total,Invoice_date) "
                                "VALUES(%1,'Name %1','Unpaid',0,0,10,'2024-03-01')")
                     .arg(n));
        exec("INSERT INTO Items(ShopperID,Qty,Product,Price,Amount) VALUES(1004,1,'Widget',2,2),(1004,1,'Gadget',3,3)");

        w_->makeView(1200);
        w_->host->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w_->host.get()));
        QCOMPARE(w_->orders()->rowCount(), 5);
    }

    void cleanup() { w_.reset(); }

    void statusShortcutSetsEverySelectedOrder_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("status");
        QTest::newRow("Ctrl+1") << int(Qt::Key_1) << "Paid";
        QTest::newRow("Ctrl+5") << int(Qt::Key_5) << "On hold";
    }

    // Shift+arrows and Ctrl+clicks select orders without editing; the shortcut sets them all.
    void statusShortcutSetsEverySelectedOrder()
    {
        QFETCH(int, key);
        QFETCH(QString, status);
        focusCell(1005, "Invoice_name");
        QCOMPARE(selectedNumbers(), QList<int>({1005}));
        QTest::keyClick(table(), Qt::Key_Down, Qt::ShiftModifier);
        QTest::keyClick(table(), Qt::Key_Down, Qt::ShiftModifier);
        QTest::mouseClick(table()->viewport(), Qt::LeftButton, Qt::ControlModifier,
                          table()->visualRect(cell(1001, "Invoice_name")).center());
        QCOMPARE(selectedNumbers(), QList<int>({1005, 1004, 1003, 1001}));
        QVERIFY(!editing(table()));
        QCOMPARE(workspace().history().undoCount(), 0);
        QTest::keyClick(table(), Qt::Key(key), Qt::ControlModifier);
        for (int changed : {1005, 1004, 1003, 1001})
            QCOMPARE(statusOf(changed), status);
        QCOMPARE(statusOf(1002), QStringLiteral("Unpaid"));
        QCOMPARE(w_->port.status(), QStringLiteral("Status set to \"%1\" for 4 orders").arg(status));
        // The grid shows what is stored.
        QCOMPARE(cell(1003, "Status").data(Qt::EditRole).toString(), status);
        // A shortcut past the statuses of the list changes nothing.
        QTest::keyClick(table(), Qt::Key_9, Qt::ControlModifier);
        QCOMPARE(statusOf(1003), status);
        QCOMPARE(workspace().history().undoCount(), 1);
    }

    void selectedTicksForTheSelection_data()
    {
        QTest::addColumn<bool>("tick");
        QTest::newRow("tick") << true;
        QTest::newRow("clear") << false;
    }

    void selectedTicksForTheSelection()
    {
        QFETCH(bool, tick);
        exec(QStringLiteral("UPDATE Orders SET Selected = %1").arg(tick ? 0 : 1));
        workspace().ResetDB();
        focusCell(1003, "Invoice_name");
        QTest::keyClick(table(), Qt::Key_Down, Qt::ShiftModifier);
        QAction* action = tick ? w_->view->triage()->tickAction() : w_->view->triage()->clearAction();
        action->trigger();
        QCOMPARE(w_->data
                     .scalar("SELECT group_concat(ShopperID) FROM (SELECT ShopperID FROM Orders WHERE Selected = 1 "
                             "ORDER BY ShopperID)")
                     .toString(),
                 tick ? QStringLiteral("1002,1003") : QStringLiteral("1001,1004,1005"));
    }

    void undoAndRedoByShortcut_data()
    {
        QTest::addColumn<QKeyCombination>("redo");
        QTest::newRow("Ctrl+Y") << QKeyCombination(Qt::ControlModifier, Qt::Key_Y);
        QTest::newRow("Ctrl+Shift+Z") << QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Z);
    }

    void undoAndRedoByShortcut()
    {
        QFETCH(QKeyCombination, redo);
        QVERIFY(!w_->view->triage()->undoAction()->isEnabled());
        focusCell(1005, "Invoice_name");
        QTest::keyClick(table(), Qt::Key_Down, Qt::ShiftModifier);
        QTest::keyClick(table(), Qt::Key_3, Qt::ControlModifier);
        QCOMPARE(statusOf(1005), QStringLiteral("Shipped"));
        QVERIFY(w_->view->triage()->undoAction()->isEnabled());

        QTest::keyClick(table(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(statusOf(1005), QStringLiteral("Unpaid"));
        QCOMPARE(statusOf(1004), QStringLiteral("Unpaid"));
        QCOMPARE(w_->port.status(), QStringLiteral("Undone: Status set to \"Shipped\" for 2 orders"));
        QCOMPARE(cell(1005, "Status").data(Qt::EditRole).toString(), QStringLiteral("Unpaid"));
        QVERIFY(!w_->view->triage()->undoAction()->isEnabled());
        // With nothing left to undo the shortcut changes nothing.
        QTest::keyClick(table(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(statusOf(1005), QStringLiteral("Unpaid"));
        QCOMPARE(w_->port.status(), QStringLiteral("Undone: Status set to \"Shipped\" for 2 orders"));

        QTest::keyClick(table(), redo.key(), redo.keyboardModifiers());
        QCOMPARE(statusOf(1005), QStringLiteral("Shipped"));
        QCOMPARE(statusOf(1004), QStringLiteral("Shipped"));
        QCOMPARE(w_->port.status(), QStringLiteral("Redone: Status set to \"Shipped\" for 2 orders"));
    }

    void contextMenuOffersTheShopsStatuses()
    {
        QMenu menu;
        w_->view->triage()->fillContextMenu(&menu);
        QVERIFY(menu.actions().contains(w_->view->triage()->statusMenu()->menuAction()));
        QStringList statuses;
        for (QAction* action : w_->view->triage()->statusMenu()->actions())
            statuses << action->text();
        QCOMPARE(statuses, QStringList({"Paid", "Unpaid", "Shipped", "Completed", "On hold"}));
    }

    void enterEditsPostsAndMovesDown()
    {
        focusCell(1005, "Invoice_name");
        QTest::keyClick(table(), Qt::Key_Return);
        QVERIFY(editing(table()));
        auto* line = qobject_cast<QLineEdit*>(editor());
        QVERIFY(line);
        line->selectAll();
        QTest::keyClicks(line, "Posted by Enter");
        QTest::keyClick(line, Qt::Key_Return);
        QTRY_VERIFY(!editing(table()));
        QCOMPARE(w_->data.scalar("SELECT Invoice_name FROM Orders WHERE ShopperID = 1005").toString(),
                 QStringLiteral("Posted by Enter"));
        QCOMPARE(table()->currentIndex(), cell(1004, "Invoice_name"));
        // And Enter again edits the cell below.
        QTest::keyClick(table(), Qt::Key_Return);
        QVERIFY(editing(table()));
        QCOMPARE(qobject_cast<QLineEdit*>(editor())->text(), QStringLiteral("Name 1004"));
    }

    void f2LeavesTheCaretAtTheEnd()
    {
        focusCell(1003, "Invoice_name");
        QTest::keyClick(table(), Qt::Key_F2);
        auto* line = qobject_cast<QLineEdit*>(editor());
        QVERIFY(line);
        QCOMPARE(line->text(), QStringLiteral("Name 1003"));
        QVERIFY(!line->hasSelectedText());
        QCOMPARE(line->cursorPosition(), line->text().size());
        QTest::keyClicks(line, " jr");
        QTest::keyClick(line, Qt::Key_Return);
        QTRY_COMPARE(w_->data.scalar("SELECT Invoice_name FROM Orders WHERE ShopperID = 1003").toString(),
                     QStringLiteral("Name 1003 jr"));
    }

    void listKeysOpenTheDropDown_data()
    {
        QTest::addColumn<QKeyCombination>("key");
        QTest::newRow("Alt+Down") << QKeyCombination(Qt::AltModifier, Qt::Key_Down);
        QTest::newRow("F4") << QKeyCombination(Qt::NoModifier, Qt::Key_F4);
    }

    void listKeysOpenTheDropDown()
    {
        QFETCH(QKeyCombination, key);
        // On a text cell the keys open nothing.
        focusCell(1002, "Invoice_name");
        keyClick(key);
        QVERIFY(!editing(table()));

        focusCell(1002, "Status");
        keyClick(key);
        QVERIFY(editing(table()));
        auto* combo = table()->findChild<QComboBox*>(QStringLiteral("cellEditorLookup"));
        QVERIFY(combo);
        QTRY_VERIFY(combo->view()->isVisible());
        QVERIFY(combo->findText(QStringLiteral("Shipped")) >= 0);
    }

    void orderKeysMoveFromDetails_data()
    {
        QTest::addColumn<bool>("inItems");
        QTest::addColumn<QKeyCombination>("next");
        QTest::addColumn<QKeyCombination>("previous");
        const QKeyCombination j(Qt::NoModifier, Qt::Key_J), k(Qt::NoModifier, Qt::Key_K);
        const QKeyCombination down(Qt::ControlModifier, Qt::Key_Down), up(Qt::ControlModifier, Qt::Key_Up);
        QTest::newRow("J/K in the inspector") << false << j << k;
        QTest::newRow("Ctrl+Down/Up in the inspector") << false << down << up;
        QTest::newRow("J/K in the items") << true << j << k;
        QTest::newRow("Ctrl+Down/Up in the items") << true << down << up;
    }

    void orderKeysMoveFromDetails()
    {
        QFETCH(bool, inItems);
        QFETCH(QKeyCombination, next);
        QFETCH(QKeyCombination, previous);
        // The grid shows only some orders: the keys move within them.
        exec("UPDATE Orders SET Status = 'Paid' WHERE ShopperID IN (1005, 1003)");
        workspace().filterChanged(QStringLiteral("Status = 'Unpaid'"));
        QCOMPARE(w_->orders()->rowCount(), 3);
        workspace().setCurrentRow(w_->rowOf(1004));
        QAbstractItemView* details = inItems
                                         ? static_cast<QAbstractItemView*>(w_->view->itemsGrid()->grid()->tableView())
                                         : w_->view->inspector()->inspector()->view();
        details->setFocus();
        QVERIFY(details->hasFocus());
        keyClick(next, details);
        QCOMPARE(w_->currentNumber(), 1002);
        QCOMPARE(table()->currentIndex().row(), w_->rowOf(1002));
        keyClick(next, details);
        QCOMPARE(w_->currentNumber(), 1001);
        // The last order stays current.
        keyClick(next, details);
        QCOMPARE(w_->currentNumber(), 1001);
        keyClick(previous, details);
        keyClick(previous, details);
        QCOMPARE(w_->currentNumber(), 1004);
        QVERIFY(!editing(details));
        QCOMPARE(workspace().history().undoCount(), 0);
    }

    // Letters typed into a value being edited in the details are the value's; Ctrl+Down posts
    // the value to its own order and moves on to the next.
    void editingDetailsTypesLettersAndCtrlDownMovesOn_data()
    {
        QTest::addColumn<bool>("inItems");
        QTest::newRow("in the inspector") << false;
        QTest::newRow("in the items") << true;
    }

    void editingDetailsTypesLettersAndCtrlDownMovesOn()
    {
        QFETCH(bool, inItems);
        workspace().setCurrentRow(w_->rowOf(1004));
        QAbstractItemView* details = inItems
                                         ? static_cast<QAbstractItemView*>(w_->view->itemsGrid()->grid()->tableView())
                                         : w_->view->inspector()->inspector()->view();
        details->setFocus();
        if (inItems)
            details->setCurrentIndex(details->model()->index(0, 1));
        else
            details->setCurrentIndex(
                static_cast<toolkit::InspectorModel*>(details->model())->fieldIndex(QStringLiteral("Invoice_name")));
        QTest::keyClick(details, Qt::Key_F2);
        auto* line = qobject_cast<QLineEdit*>(editor());
        QVERIFY(line);
        line->selectAll();
        QTest::keyClicks(line, "jk");
        QCOMPARE(line->text(), QStringLiteral("jk"));
        QCOMPARE(w_->currentNumber(), 1004);

        QTest::keyClick(line, Qt::Key_Down, Qt::ControlModifier);
        QCOMPARE(w_->currentNumber(), 1003);
        QVERIFY(!editing(details));
        const QString posted = inItems ? QStringLiteral("SELECT count(*) FROM Items WHERE ShopperID = 1004 AND "
                                                        "ProductCode = 'jk'")
                                       : QStringLiteral("SELECT count(*) FROM Orders WHERE ShopperID = 1004 AND "
                                                        "Invoice_name = 'jk'");
        QCOMPARE(w_->scalar(posted).toInt(), 1);
    }

    void focusedCellHasAFrame()
    {
        focusCell(1003, "Invoice_name");
        const QRect rect = table()->visualRect(cell(1003, "Invoice_name"));
        const QImage shot = table()->viewport()->grab().toImage();
        const QColor frame = shot.pixelColor(rect.left() + 1, rect.center().y());
        // Dark and blue: nothing else in a row is drawn so.
        QVERIFY2(frame.blue() > 120 && frame.red() < 80 && frame.green() < 90, qPrintable(frame.name()));
        const QRect other = table()->visualRect(cell(1002, "Invoice_name"));
        QVERIFY(shot.pixelColor(other.left() + 1, other.center().y()) != frame);
    }

  private:
    void exec(const QString& sql) { w_->exec(sql); }
    QString statusOf(int shopperId)
    {
        return w_->scalar(QStringLiteral("SELECT Status FROM Orders WHERE ShopperID = %1").arg(shopperId)).toString();
    }
    QModelIndex cell(int shopperId, const QString& field)
    {
        return w_->orders()->index(w_->rowOf(shopperId), w_->orders()->columnIndex(field));
    }
    void focusCell(int shopperId, const QString& field)
    {
        table()->setFocus();
        const QModelIndex index = cell(shopperId, field);
        QTest::mouseClick(table()->viewport(), Qt::LeftButton, {}, table()->visualRect(index).center());
        QCOMPARE(table()->currentIndex(), index);
        QVERIFY(!editing(table()));
    }
    QList<int> selectedNumbers()
    {
        QList<int> numbers;
        for (qint64 key : w_->view->ordersGrid()->selectedKeys())
            numbers << w_->data.scalar(QStringLiteral("SELECT ShopperID FROM Orders WHERE id = %1").arg(key)).toInt();
        return numbers;
    }
    QWidget* editor() { return qobject_cast<QWidget*>(QApplication::focusWidget()); }
    // Whether a cell of the view has its editor open.
    static bool editing(QAbstractItemView* view) { return view->indexWidget(view->currentIndex()) != nullptr; }
    void keyClick(const QKeyCombination& key, QWidget* to = nullptr)
    {
        QTest::keyClick(to ? to : table(), key.key(), key.keyboardModifiers());
    }

    QTableView* table() { return w_->grid()->tableView(); }
    OrdersWorkspace& workspace() { return w_->workspace(); }

    std::unique_ptr<test::WorkspaceHost> w_;
};

QTEST_MAIN(TriageTest)
#include "tst_Triage.moc"
