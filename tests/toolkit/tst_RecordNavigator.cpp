#include "SampleTable.h"

#include "toolkit/SqlTableModel.h"
#include "toolkit/widgets/DataGrid.h"
#include "toolkit/widgets/RecordNavigator.h"

#include <QLineEdit>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <memory>

using namespace pelmora::toolkit;

namespace
{
// Presses the button of the message box that shows up next.
void answerNextMessageBox(QMessageBox::StandardButton button)
{
    QTimer::singleShot(0, [button] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box)
            box->button(button)->click();
    });
}
// How a delete is asked for, and whether the row goes.
struct DeleteCase {
    bool byKeyboard = false; // Ctrl+Delete instead of the button
    bool deleteShown = true;
    bool confirm = false;
    int answer = QMessageBox::NoButton;
    bool refused = false;
    bool handler = false;
    bool deleted = false;
};
} // namespace

Q_DECLARE_METATYPE(DeleteCase)

class RecordNavigatorTest : public QObject
{
    Q_OBJECT

  private slots:
    void init()
    {
        m_db = std::make_unique<sample::Table>(
            QStringLiteral("Method"), QStringLiteral("RecordId"),
            QStringList{"CREATE TABLE Method (RecordId INTEGER PRIMARY KEY, PaymentMethod TEXT)",
                        "INSERT INTO Method (PaymentMethod) VALUES ('Card'), ('Cheque'), ('Cash'), ('Transfer'), "
                        "('Voucher')"});
        m_grid = std::make_unique<DataGrid>();
        m_grid->setModel(&m_db->model);
        GridColumn method;
        method.field = QStringLiteral("PaymentMethod");
        method.caption = QStringLiteral("Payment method");
        m_grid->columns().setColumns({method});
        sample::showWindow(*m_grid, 400, 300);
    }

    void cleanup()
    {
        m_grid.reset();
        m_db.reset();
    }

    void movesTheCurrentRow_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("expected");
        QTest::newRow("next") << 1 << "navNext" << 2;
        QTest::newRow("prior") << 3 << "navPrior" << 2;
        QTest::newRow("first") << 3 << "navFirst" << 0;
        QTest::newRow("last") << 1 << "navLast" << 4;
        QTest::newRow("prior at the top stays") << 0 << "navPrior" << 0;
    }

    void movesTheCurrentRow()
    {
        QFETCH(int, start);
        QFETCH(QString, button);
        QFETCH(int, expected);
        m_grid->navigator()->setButtons(
            {RecordNavigator::First, RecordNavigator::Prior, RecordNavigator::Next, RecordNavigator::Last});
        m_grid->cursor().setCurrentRow(start);
        auto* b = m_grid->findChild<QToolButton*>(button);
        QVERIFY(b);
        if (b->isEnabled())
            QTest::mouseClick(b, Qt::LeftButton);
        QCOMPARE(m_grid->cursor().currentRow(), expected);
    }

    void insertAppendsARowThatTheMerchantFillsIn()
    {
        m_grid->navigator()->setButtons({RecordNavigator::Insert, RecordNavigator::Delete});
        QStringList shown;
        for (QToolButton* b : m_grid->navigator()->findChildren<QToolButton*>())
            if (b->isVisibleTo(m_grid.get()))
                shown << b->objectName();
        shown.sort();
        QCOMPARE(shown, (QStringList{QStringLiteral("navDelete"), QStringLiteral("navInsert")}));
        QSignalSpy focused(&m_grid->cursor(), &GridCursor::focusedRowChanged);
        QTest::mouseClick(m_grid->findChild<QToolButton*>(QStringLiteral("navInsert")), Qt::LeftButton);
        QCOMPARE(m_grid->cursor().currentRow(), 5);
        QVERIFY(!focused.isEmpty());
        // The merchant types the new method into the new row and leaves the cell.
        QTableView* view = m_grid->tableView();
        // The first keystroke opens the editor, which takes the focus and the rest.
        QTest::keyClicks(view, QStringLiteral("P"));
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("ayPal"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCoreApplication::processEvents(); // the delegate commits an Enter through a queued call
        QCOMPARE(countRows(), 6);
        QCOMPARE(countRows(QStringLiteral("PaymentMethod = 'PayPal'")), 1);
    }

    // Post is offered while a value is being edited, and posts it.
    void postIsOnWhileAValueIsEdited()
    {
        m_grid->navigator()->setButtons({RecordNavigator::Post});
        auto* post = m_grid->findChild<QToolButton*>(QStringLiteral("navPost"));
        QTableView* view = m_grid->tableView();
        m_grid->cursor().setCurrentRow(1);
        view->setFocus();
        QTRY_VERIFY(!post->isEnabled());
        QTest::keyClick(view, Qt::Key_F2);
        auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        QVERIFY(editor);
        QTRY_VERIFY(post->isEnabled());
        editor->setText(QStringLiteral("Cheque book"));
        QTest::mouseClick(post, Qt::LeftButton);
        QCOMPARE(countRows(QStringLiteral("PaymentMethod = 'Cheque book'")), 1);
        QTRY_VERIFY(!post->isEnabled());
    }

    void insertGoesToTheNewRowOfASortedSqlModel()
    {
        SqlTableModel model;
        model.setConnectionName(m_db->connection());
        model.setTable(QStringLiteral("Method"));
        model.setKeyColumn(QStringLiteral("RecordId"));
        model.setSort(QStringLiteral("RecordId"), Qt::DescendingOrder);
        QVERIFY(model.open());
        m_grid->setModel(&model);
        m_grid->navigator()->setButtons({RecordNavigator::Insert});
        m_grid->cursor().setCurrentRow(3);
        QTest::mouseClick(m_grid->findChild<QToolButton*>(QStringLiteral("navInsert")), Qt::LeftButton);
        QCOMPARE(countRows(), 6);
        QCOMPARE(m_grid->cursor().currentRow(), 0); // the highest number sorts first
        QCOMPARE(m_grid->cursor()
                     .currentIndex()
                     .siblingAtColumn(model.columnIndex(QStringLiteral("RecordId")))
                     .data()
                     .toInt(),
                 6);
        m_grid->setModel(&m_db->model);
    }

    void deleteFollowsTheNavigator_data()
    {
        QTest::addColumn<DeleteCase>("c");
        QTest::newRow("button") << DeleteCase{.deleted = true};
        QTest::newRow("button, confirmed") << DeleteCase{.confirm = true, .answer = QMessageBox::Ok, .deleted = true};
        QTest::newRow("button, cancelled") << DeleteCase{.confirm = true, .answer = QMessageBox::Cancel};
        QTest::newRow("refused") << DeleteCase{.refused = true};
        QTest::newRow("a handler instead") << DeleteCase{.handler = true};
        QTest::newRow("Ctrl+Delete") << DeleteCase{.byKeyboard = true, .deleted = true};
        QTest::newRow("Ctrl+Delete, refused") << DeleteCase{.byKeyboard = true, .refused = true};
        QTest::newRow("Ctrl+Delete without the button") << DeleteCase{.byKeyboard = true, .deleteShown = false};
    }

    void deleteFollowsTheNavigator()
    {
        QFETCH(DeleteCase, c);
        const auto [byKeyboard, deleteShown, confirm, answer, refused, handler, deleted] = c;
        RecordNavigator* navigator = m_grid->navigator();
        navigator->setButtons(deleteShown
                                  ? QList<RecordNavigator::Button>{RecordNavigator::Insert, RecordNavigator::Delete}
                                  : QList<RecordNavigator::Button>{RecordNavigator::Insert});
        navigator->setConfirmDelete(confirm);
        navigator->setDeleteRefused(refused);
        QList<int> asked;
        if (handler)
            navigator->setActionHandler(RecordNavigator::Delete, [&] { asked << m_grid->cursor().currentRow(); });
        m_grid->cursor().setCurrentRow(2);
        QCOMPARE(m_grid->cursor().currentIndex().data().toString(), QStringLiteral("Cash"));
        auto* button = m_grid->findChild<QToolButton*>(QStringLiteral("navDelete"));
        QCOMPARE(button->isVisibleTo(m_grid.get()), deleteShown);
        QCOMPARE(button->isEnabled(), !refused);
        if (answer != QMessageBox::NoButton)
            answerNextMessageBox(QMessageBox::StandardButton(answer));
        if (byKeyboard)
            QTest::keyClick(m_grid->tableView(), Qt::Key_Delete, Qt::ControlModifier);
        else if (refused)
            navigator->trigger(RecordNavigator::Delete); // what a disabled button would do
        else
            QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(countRows(), deleted ? 4 : 5);
        QCOMPARE(countRows(QStringLiteral("PaymentMethod = 'Cash'")), deleted ? 0 : 1);
        QCOMPARE(asked, handler ? QList<int>{2} : QList<int>());
    }

  private:
    int countRows(const QString& where = QStringLiteral("1")) const
    {
        return m_db->scalar(QStringLiteral("SELECT COUNT(*) FROM Method WHERE ") + where).toInt();
    }

    std::unique_ptr<sample::Table> m_db;
    std::unique_ptr<DataGrid> m_grid;
};

QTEST_MAIN(RecordNavigatorTest)
#include "tst_RecordNavigator.moc"
