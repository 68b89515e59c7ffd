#include "SampleTable.h"

#include "toolkit/SqlTableModel.h"
#include "toolkit/widgets/DataGrid.h"
#include "toolkit/widgets/RecordNavigator.h"

#include <QMessageBox>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <memory>

using namespace pelmora::toolkit;

namespace
{

const char kConnection[] = "navigatorTest";

int countRows(const QString& where = QString())
{
    QSqlQuery query(QSqlDatabase::database(QString::fromLatin1(kConnection)));
    query.exec(QStringLiteral("SELECT COUNT(*) FROM Method") +
               (where.isEmpty() ? QString() : QStringLiteral(" WHERE ") + where));
    query.next();
    return query.value(0).toInt();
}

// Presses the button of the message box that shows up next.
void answerNextMessageBox(QMessageBox::StandardButton button)
{
    QTimer::singleShot(0, [button] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box)
            box->button(button)->click();
    });
}

} // namespace

class RecordNavigatorTest : public QObject
{
    Q_OBJECT

  private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void showsOnlyTheChosenButtons();
    void movesTheCurrentRow_data();
    void movesTheCurrentRow();
    void insertAppendsARowThatTheMerchantFillsIn();
    void deleteRemovesTheCurrentRow();
    void deleteAsksWhenConfirmationIsOn_data();
    void deleteAsksWhenConfirmationIsOn();
    void refusedDeleteLeavesTheTable();
    void handlerReplacesTheDefaultAction();
    void insertGoesToTheNewRowOfASortedSqlModel();
    void keyboardDeleteFollowsTheNavigator_data();
    void keyboardDeleteFollowsTheNavigator();

  private:
    std::unique_ptr<sample::File> m_db;
    SqlTableModel* m_model = nullptr;
    DataGrid* m_grid = nullptr;
};

void RecordNavigatorTest::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    m_db = std::make_unique<sample::File>(QString::fromLatin1(kConnection));
}

void RecordNavigatorTest::init()
{
    QSqlQuery query(QSqlDatabase::database(QString::fromLatin1(kConnection)));
    QVERIFY(query.exec(QStringLiteral("DROP TABLE IF EXISTS Method")));
    QVERIFY(query.exec(QStringLiteral("CREATE TABLE Method (RecordId INTEGER PRIMARY KEY, PaymentMethod TEXT)")));
    for (const char* name : {"Card", "Cheque", "Cash", "Transfer", "Voucher"})
        QVERIFY(
            query.exec(QStringLiteral("INSERT INTO Method (PaymentMethod) VALUES ('%1')").arg(QLatin1String(name))));

    m_model = new SqlTableModel;
    m_model->setConnectionName(QString::fromLatin1(kConnection));
    m_model->setTable(QStringLiteral("Method"));
    m_model->setKeyColumn(QStringLiteral("RecordId"));
    QVERIFY(m_model->open());
    m_grid = new DataGrid;
    m_grid->setModel(m_model);
    GridColumn method;
    method.field = QStringLiteral("PaymentMethod");
    method.caption = QStringLiteral("Payment method");
    m_grid->columns().setColumns({method});
    m_grid->resize(400, 300);
    m_grid->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_grid));
}

void RecordNavigatorTest::cleanup()
{
    delete m_grid;
    delete m_model;
}

void RecordNavigatorTest::cleanupTestCase()
{
    m_db.reset();
}

void RecordNavigatorTest::showsOnlyTheChosenButtons()
{
    m_grid->navigator()->setButtons({RecordNavigator::Insert, RecordNavigator::Delete});
    const auto buttons = m_grid->navigator()->findChildren<QToolButton*>();
    QStringList shown;
    for (QToolButton* b : buttons)
        if (b->isVisibleTo(m_grid))
            shown << b->objectName();
    shown.sort();
    QCOMPARE(shown, (QStringList{QStringLiteral("navDelete"), QStringLiteral("navInsert")}));
}

void RecordNavigatorTest::movesTheCurrentRow_data()
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

void RecordNavigatorTest::movesTheCurrentRow()
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

void RecordNavigatorTest::insertAppendsARowThatTheMerchantFillsIn()
{
    m_grid->navigator()->setButtons({RecordNavigator::Insert, RecordNavigator::Delete});
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

void RecordNavigatorTest::deleteRemovesTheCurrentRow()
{
    m_grid->navigator()->setButtons({RecordNavigator::Insert, RecordNavigator::Delete});
    m_grid->cursor().setCurrentRow(2);
    QCOMPARE(m_grid->cursor().currentIndex().data().toString(), QStringLiteral("Cash"));
    QTest::mouseClick(m_grid->findChild<QToolButton*>(QStringLiteral("navDelete")), Qt::LeftButton);
    QCOMPARE(countRows(), 4);
    QCOMPARE(countRows(QStringLiteral("PaymentMethod = 'Cash'")), 0);
}

void RecordNavigatorTest::deleteAsksWhenConfirmationIsOn_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("rowsLeft");
    QTest::newRow("confirmed") << int(QMessageBox::Ok) << 4;
    QTest::newRow("cancelled") << int(QMessageBox::Cancel) << 5;
}

void RecordNavigatorTest::deleteAsksWhenConfirmationIsOn()
{
    QFETCH(int, answer);
    QFETCH(int, rowsLeft);
    m_grid->navigator()->setButtons({RecordNavigator::Delete});
    m_grid->navigator()->setConfirmDelete(true);
    m_grid->cursor().setCurrentRow(0);
    answerNextMessageBox(QMessageBox::StandardButton(answer));
    QTest::mouseClick(m_grid->findChild<QToolButton*>(QStringLiteral("navDelete")), Qt::LeftButton);
    QCOMPARE(countRows(), rowsLeft);
}

void RecordNavigatorTest::refusedDeleteLeavesTheTable()
{
    m_grid->navigator()->setButtons({RecordNavigator::Insert, RecordNavigator::Delete});
    m_grid->navigator()->setDeleteRefused(true);
    m_grid->cursor().setCurrentRow(1);
    auto* remove = m_grid->findChild<QToolButton*>(QStringLiteral("navDelete"));
    QVERIFY(remove->isVisibleTo(m_grid));
    QVERIFY(!remove->isEnabled());
    m_grid->navigator()->trigger(RecordNavigator::Delete);
    QCOMPARE(countRows(), 5);
}

void RecordNavigatorTest::handlerReplacesTheDefaultAction()
{
    m_grid->navigator()->setButtons({RecordNavigator::Delete, RecordNavigator::Refresh});
    QList<int> asked;
    m_grid->navigator()->setActionHandler(RecordNavigator::Delete, [&] { asked << m_grid->cursor().currentRow(); });
    m_grid->cursor().setCurrentRow(3);
    QTest::mouseClick(m_grid->findChild<QToolButton*>(QStringLiteral("navDelete")), Qt::LeftButton);
    QCOMPARE(asked, QList<int>{3});
    QCOMPARE(countRows(), 5);
}

void RecordNavigatorTest::insertGoesToTheNewRowOfASortedSqlModel()
{
    SqlTableModel model;
    model.setConnectionName(QString::fromLatin1(kConnection));
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
    QCOMPARE(
        m_grid->cursor().currentIndex().siblingAtColumn(model.columnIndex(QStringLiteral("RecordId"))).data().toInt(),
        6);
    m_grid->setModel(m_model);
}

void RecordNavigatorTest::keyboardDeleteFollowsTheNavigator_data()
{
    QTest::addColumn<bool>("refused");
    QTest::addColumn<bool>("deleteShown");
    QTest::addColumn<int>("rowsLeft");
    QTest::newRow("allowed") << false << true << 4;
    QTest::newRow("refused") << true << true << 5;
    QTest::newRow("no delete button") << false << false << 5;
}

void RecordNavigatorTest::keyboardDeleteFollowsTheNavigator()
{
    QFETCH(bool, refused);
    QFETCH(bool, deleteShown);
    QFETCH(int, rowsLeft);
    m_grid->navigator()->setButtons(
        deleteShown ? QList<RecordNavigator::Button>{RecordNavigator::Insert, RecordNavigator::Delete}
                    : QList<RecordNavigator::Button>{RecordNavigator::Insert});
    m_grid->navigator()->setDeleteRefused(refused);
    m_grid->cursor().setCurrentRow(1);
    QTest::keyClick(m_grid->tableView(), Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(countRows(), rowsLeft);
}

QTEST_MAIN(RecordNavigatorTest)
#include "tst_RecordNavigator.moc"
