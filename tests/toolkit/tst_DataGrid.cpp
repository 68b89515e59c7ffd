#include "SampleTable.h"

#include "toolkit/SqlTableModel.h"
#include "toolkit/widgets/ConditionBuilderDialog.h"
#include "toolkit/widgets/DataGrid.h"
#include "toolkit/widgets/FilterBar.h"
#include "toolkit/widgets/GridHeaderView.h"
#include "toolkit/widgets/GroupByBox.h"
#include "toolkit/widgets/HeaderFilterPopup.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>
#include <memory>

using namespace pelmora::toolkit;

namespace
{

QList<GridColumn> saleColumns()
{
    QList<GridColumn> columns;
    auto add = [&](const char* field, const char* caption, EditorKind kind, int width = 80) -> GridColumn& {
        GridColumn c;
        c.field = QString::fromLatin1(field);
        c.caption = QString::fromLatin1(caption);
        c.editor = kind;
        c.width = width;
        columns << c;
        return columns.last();
    };
    add("id", "", EditorKind::Text).readOnly = true;
    add("Name", "Customer", EditorKind::Text, 120);
    add("Status", "", EditorKind::Lookup).lookup.values = {QStringLiteral("Paid"), QStringLiteral("Unpaid"),
                                                           QStringLiteral("Shipped")};
    add("Day", "Date", EditorKind::Date);
    add("Total", "", EditorKind::Currency).displayFormat = QStringLiteral(",0.00;(,0.00)");
    add("Method", "Payment method", EditorKind::Lookup).lookup =
        LookupSource{{}, {}, {}, QStringLiteral("Method"), QStringLiteral("PaymentMethod")};
    add("Fresh", "", EditorKind::CheckBox, 40);
    return columns;
}

} // namespace

class DataGridTest : public QObject
{
    Q_OBJECT

  private slots:
    void init()
    {
        m_db = std::make_unique<sample::Table>(
            QStringLiteral("Sales"), QStringLiteral("id"),
            QStringList{"CREATE TABLE Sales (id INTEGER PRIMARY KEY, Name TEXT, Status TEXT, Day TEXT, Total REAL, "
                        "Method TEXT, Fresh INTEGER)",
                        "CREATE TABLE Method (PaymentMethod TEXT)",
                        "INSERT INTO Method VALUES ('Card'), ('Cash'), ('Cheque')",
                        "INSERT INTO Sales VALUES (1, 'Ann', 'Paid', '2007-01-15', 10.5, 'Card', 1), "
                        "(2, 'Bob', 'Unpaid', '2007-01-14', -1234.5, 'Cash', 1), (3, 'Cy', 'Paid', '2007-01-02', 99, "
                        "'Card', 0), (4, 'Di', NULL, '2006-12-31', 5, 'Cheque', 0), (5, 'Ed', 'Unpaid', '2007-01-15', "
                        "1234567.891, 'Card', 0), (6, 'Flo', 'Paid', NULL, 0, NULL, NULL)"});
        m_model = &m_db->model;
        m_grid = std::make_unique<DataGrid>();
        m_grid->setModel(m_model);
        m_grid->columns().setColumns(saleColumns());
        m_grid->filtering().setEnabled(true);
        m_grid->grouping().setEnabled(true);
        sample::showWindow(*m_grid, 800, 400);
    }

    void cleanup()
    {
        m_grid.reset();
        m_db.reset();
    }

    void dropDownPostsAsSoonAsAValueIsPicked()
    {
        QSignalSpy changed(m_grid.get(), &DataGrid::editorValueChanged);
        clickCell(0, QStringLiteral("Method"));
        clickCell(0, QStringLiteral("Method"));
        auto* combo = qobject_cast<QComboBox*>(QApplication::focusWidget());
        QVERIFY(combo);
        QCOMPARE(combo->count(), 3); // the lookup table's rows
        QCOMPARE(combo->currentText(), QStringLiteral("Card"));
        QTest::keyClick(combo, Qt::Key_Down);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.first().at(0).toString(), QStringLiteral("Method"));
        QCOMPARE(changed.first().at(2).toString(), QStringLiteral("Cash"));
        // Posted while the editor is still open.
        QCOMPARE(QApplication::focusWidget(), combo);
        QCOMPARE(scalar(QStringLiteral("SELECT Method FROM Sales WHERE id = 1")).toString(), QStringLiteral("Cash"));
    }

    void checkBoxToggles_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<bool>("byKey");
        QTest::newRow("click") << 2 << false;
        QTest::newRow("space") << 2 << true;
        // An empty box is neither on nor off: one click checks it.
        QTest::newRow("click on an empty box") << 5 << false;
    }

    void checkBoxToggles()
    {
        QFETCH(int, row);
        QFETCH(bool, byKey);
        if (byKey) {
            m_grid->tableView()->setCurrentIndex(
                m_model->index(row, m_grid->columns().modelColumn(QStringLiteral("Fresh"))));
            QTest::keyClick(m_grid->tableView(), Qt::Key_Space);
        } else {
            clickCell(row, QStringLiteral("Fresh"));
        }
        QCOMPARE(scalar(QStringLiteral("SELECT Fresh FROM Sales WHERE id = %1").arg(row + 1)).toInt(), 1);
    }

    void headerFilterValueFiltersAndShowsText_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("rows");
        QTest::newRow("value") << "Status" << QStringLiteral("Unpaid") << "Status = 'Unpaid'" << 2;
        QTest::newRow("blanks") << "Status" << QStringLiteral("(Blanks)") << "Status IS NULL" << 1;
        QTest::newRow("non-blanks") << "Method" << QStringLiteral("(NonBlanks)") << "Method IS NOT NULL" << 5;
        QTest::newRow("date value") << "Day" << QStringLiteral("1/15/2007") << "Day = '01/15/2007'" << 2;
        QTest::newRow("yesterday") << "Day" << QStringLiteral("Yesterday") << "Day = '01/14/2007'" << 1;
        QTest::newRow("this month") << "Day" << QStringLiteral("This month")
                                    << "Day >= '01/01/2007' AND Day <= '01/31/2007'" << 4;
        QTest::newRow("last year") << "Day" << QStringLiteral("Last year")
                                   << "Day >= '01/01/2006' AND Day <= '12/31/2006'" << 1;
        QTest::newRow("currency value") << "Total" << QStringLiteral("(1,234.50)") << "Total = '-1234.5'" << 1;
    }

    void headerFilterValueFiltersAndShowsText()
    {
        QFETCH(QString, field);
        QFETCH(QString, entry);
        const QString wanted = entry;
        QFETCH(QString, text);
        QFETCH(int, rows);
        QSignalSpy changed(&m_grid->filtering(), &GridFiltering::expressionChanged);
        HeaderFilterPopup* popup = m_grid->filtering().showHeaderFilter(field);
        QVERIFY(popup);
        popup->setToday(QDate(2007, 1, 15));
        QVERIFY(findEntry(popup, QStringLiteral("(All)")));
        QVERIFY(findEntry(popup, QStringLiteral("(Custom...)")));
        QListWidgetItem* item = findEntry(popup, wanted);
        QVERIFY2(item, qPrintable(wanted));
        QTest::mouseClick(popup->list()->viewport(), Qt::LeftButton, {}, popup->list()->visualItemRect(item).center());

        auto* bar = m_grid->findChild<FilterBar*>(QStringLiteral("filterBar"));
        QVERIFY(bar->isVisible());
        QCOMPARE(bar->findChild<QLabel*>(QStringLiteral("filterBarText"))->text(), text);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.first().at(0).toString(), text);
        QCOMPARE(m_model->rowCount(), rows);
    }

    void checkedValuesFilterTogether()
    {
        HeaderFilterPopup* popup = m_grid->filtering().showHeaderFilter(QStringLiteral("Status"));
        QVERIFY(!popup->okButton()->isEnabled());
        for (const char* value : {"Paid", "Unpaid"}) {
            popup->list()->setCurrentItem(findEntry(popup, QString::fromLatin1(value)));
            QTest::keyClick(popup->list(), Qt::Key_Space);
        }
        QVERIFY(popup->isVisible());
        QTest::mouseClick(popup->okButton(), Qt::LeftButton);
        QCOMPARE(m_grid->filtering().text(), QStringLiteral("Status = 'Paid' OR Status = 'Unpaid'"));
        QCOMPARE(m_model->rowCount(), 5);
        // A second column's condition joins with AND.
        popup = m_grid->filtering().showHeaderFilter(QStringLiteral("Method"));
        QListWidgetItem* card = findEntry(popup, QStringLiteral("Card"));
        QTest::mouseClick(popup->list()->viewport(), Qt::LeftButton, {}, popup->list()->visualItemRect(card).center());
        QCOMPARE(m_grid->filtering().text(),
                 QStringLiteral("(Status = 'Paid' OR Status = 'Unpaid') AND Method = 'Card'"));
        QCOMPARE(m_model->rowCount(), 3);

        // A column that filters on one value at a time offers no check boxes.
        QList<GridColumn> columns = saleColumns();
        for (GridColumn& c : columns)
            c.singleValueFilter = true;
        m_grid->columns().setColumns(columns);
        popup = m_grid->filtering().showHeaderFilter(QStringLiteral("Status"));
        QVERIFY(!popup->okButton()->isVisible());
        QVERIFY(!(findEntry(popup, QStringLiteral("Paid"))->flags() & Qt::ItemIsUserCheckable));
        popup->close();
    }

    void filterBarSwitchesOffAndClears()
    {
        m_grid->filtering().setColumnFilter(QStringLiteral("Status"),
                                            FilterCondition::compare(QStringLiteral("Status"),
                                                                     FilterCondition::Operator::Equal,
                                                                     QStringLiteral("paid")));
        QCOMPARE(m_model->rowCount(), 3); // letter case does not matter
        auto* active = m_grid->findChild<QCheckBox*>(QStringLiteral("filterBarActive"));
        QVERIFY(active->isChecked());
        QTest::mouseClick(active, Qt::LeftButton);
        QCOMPARE(m_model->rowCount(), 6);
        QCOMPARE(m_grid->filtering().text(), QString());
        QCOMPARE(m_grid->findChild<QLabel*>(QStringLiteral("filterBarText"))->text(),
                 QStringLiteral("Status = 'paid'"));
        QTest::mouseClick(active, Qt::LeftButton);
        QCOMPARE(m_model->rowCount(), 3);
        QTest::mouseClick(m_grid->findChild<QToolButton*>(QStringLiteral("filterBarClear")), Qt::LeftButton);
        QCOMPARE(m_model->rowCount(), 6);
        QVERIFY(!m_grid->filterBar()->isVisible());
        QCOMPARE(m_grid->filtering().text(), QString());
    }

    void conditionBuilderFilter()
    {
        m_grid->filtering().setColumnFilter(QStringLiteral("Status"),
                                            FilterCondition::compare(QStringLiteral("Status"),
                                                                     FilterCondition::Operator::Equal,
                                                                     QStringLiteral("Paid")));
        bool answered = false;
        QTimer::singleShot(0, this, [&] {
            auto* dialog = qobject_cast<ConditionBuilderDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            // The merchant turns the root into OR and adds "Total < 0".
            QWidget* root = dialog->tree()->itemWidget(dialog->rootItem(), 0);
            auto* join = root->findChild<QComboBox*>(QStringLiteral("builderGroupJoin"));
            join->setCurrentIndex(1);
            QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("builderAddCondition")), Qt::LeftButton);
            QTreeWidgetItem* added = dialog->rootItem()->child(dialog->rootItem()->childCount() - 1);
            QWidget* row = dialog->tree()->itemWidget(added, 0);
            auto* field = row->findChild<QComboBox*>(QStringLiteral("builderField"));
            field->setCurrentIndex(field->findData(QStringLiteral("Total")));
            row->findChild<QComboBox*>(QStringLiteral("builderOperator"))->setCurrentIndex(2);
            QTest::keyClicks(row->findChild<QLineEdit*>(QStringLiteral("builderValue")), QStringLiteral("0"));
            answered = true;
            dialog->accept();
        });
        QTest::mouseClick(m_grid->findChild<QPushButton*>(QStringLiteral("filterBarCustomize")), Qt::LeftButton);
        QVERIFY(answered);
        QCOMPARE(m_grid->filtering().text(), QStringLiteral("Status = 'Paid' OR Total < '0'"));
        QCOMPARE(m_model->rowCount(), 4);
    }

    // Headers dropped on the group-by box group the rows, level under level, with their counts;
    // a chip's button ungroups its column.
    void droppingAHeaderOnTheBoxGroupsAndChipUngroups()
    {
        QSignalSpy grouping(&m_grid->grouping(), &GridGrouping::groupingChanged);
        m_grid->grouping().setBoxVisible(true);
        auto* box = m_grid->findChild<GroupByBox*>(QStringLiteral("groupByBox"));
        QVERIFY(box->isVisible());
        for (const char* field : {"Status", "Method"}) {
            QMimeData mime;
            mime.setData(QString::fromLatin1(GridHeaderView::kColumnMimeType), field);
            const QPoint at(box->width() - 5, box->height() / 2);
            QDragEnterEvent enter(at, Qt::MoveAction, &mime, Qt::LeftButton, {});
            QCoreApplication::sendEvent(box, &enter);
            QVERIFY(enter.isAccepted());
            QDropEvent drop(at, Qt::MoveAction, &mime, Qt::LeftButton, {});
            QCoreApplication::sendEvent(box, &drop);
        }
        QCOMPARE(grouping.count(), 2);
        QCOMPARE(m_grid->grouping().groupedColumns(),
                 (QStringList{QStringLiteral("Status"), QStringLiteral("Method")}));
        QTreeView* tree = m_grid->groupView();
        QVERIFY(tree->isVisible());
        QVERIFY(!m_grid->tableView()->isVisible());
        // Statuses, then methods inside them; opening a group fetches its rows.
        QAbstractItemModel* groups = tree->model();
        QStringList labels;
        for (int row = 0; row < groups->rowCount(); ++row)
            labels << groups->index(row, 0).data().toString();
        QCOMPARE(labels,
                 (QStringList{QStringLiteral(" (1)"), QStringLiteral("Paid (3)"), QStringLiteral("Unpaid (2)")}));
        const QModelIndex paid = groups->index(1, 0);
        tree->expand(paid);
        QCOMPARE(groups->index(0, 0, paid).data().toString(), QStringLiteral(" (1)"));
        const QModelIndex card = groups->index(1, 0, paid);
        QCOMPARE(card.data().toString(), QStringLiteral("Card (2)"));
        tree->expand(card);
        QCOMPARE(groups->rowCount(card), 2);
        QCOMPARE(groups->index(0, m_grid->columns().modelColumn(QStringLiteral("Name")), card).data().toString(),
                 QStringLiteral("Ann"));
        // An order's first value has as much room as in the table, however deep its groups.
        const int first = tree->treePosition();
        QCOMPARE(tree->visualRect(groups->index(0, first, card)).width(), m_grid->tableView()->columnWidth(first));

        auto* chip = box->findChild<QWidget*>(QStringLiteral("groupChip_Status"));
        QVERIFY(chip);
        QTest::mouseClick(chip->findChild<QToolButton*>(QStringLiteral("groupChipRemove")), Qt::LeftButton);
        QCOMPARE(m_grid->grouping().groupedColumns(), QStringList{QStringLiteral("Method")});
        m_grid->grouping().ungroupAll();
        QVERIFY(m_grid->tableView()->isVisible());
        QCOMPARE(m_model->rowCount(), 6);
    }

    // A header click sorts the records inside their groups: the groups the merchant opened stay
    // open, and the grouped view shows the same current record as the data set.
    void sortingGroupedRowsKeepsGroupsOpen()
    {
        m_grid->grouping().setGroupedColumns({QStringLiteral("Status")});
        QTreeView* tree = m_grid->groupView();
        QAbstractItemModel* groups = tree->model();
        const QModelIndex paid = groups->index(1, 0);
        QCOMPARE(paid.data().toString(), QStringLiteral("Paid (3)"));
        tree->expand(paid);
        const int name = m_grid->columns().modelColumn(QStringLiteral("Name"));
        const int total = m_grid->columns().modelColumn(QStringLiteral("Total"));
        QTest::mouseClick(tree->header()->viewport(), Qt::LeftButton, {},
                          QPoint(tree->header()->sectionViewportPosition(total) + 5, 5));
        QCOMPARE(m_grid->sortField(), QStringLiteral("Total"));
        const QModelIndex reread = groups->index(1, 0);
        QVERIFY(tree->isExpanded(reread));
        QStringList names;
        for (int row = 0; row < groups->rowCount(reread); ++row)
            names << groups->index(row, name, reread).data().toString();
        QCOMPARE(names, (QStringList{QStringLiteral("Flo"), QStringLiteral("Ann"), QStringLiteral("Cy")}));
        // The first record in the new order (Unpaid's Bob) is current in both views, its group open.
        const QModelIndex current = tree->currentIndex();
        QCOMPARE(current.siblingAtColumn(name).data().toString(), QStringLiteral("Bob"));
        QCOMPARE(m_model->index(m_grid->tableView()->currentIndex().row(), name).data().toString(),
                 QStringLiteral("Bob"));
        QVERIFY(tree->isExpanded(current.parent()));
    }

    void slantedDragOutOfTheHeaderCarriesTheColumn()
    {
        // A merchant drags a header up and sideways to the group-by box, at an ordinary speed:
        // the column is carried away, and the header does not move it meanwhile.
        m_grid->grouping().setBoxVisible(true);
        QHeaderView* header = m_grid->tableView()->horizontalHeader();
        const QStringList order = m_grid->columns().visibleFields();
        const int total = m_grid->columns().modelColumn(QStringLiteral("Total"));
        QSignalSpy carried(static_cast<GridHeaderView*>(header), &GridHeaderView::columnDraggedOut);
        const QPoint start(header->sectionViewportPosition(total) + header->sectionSize(total) / 3,
                           header->height() / 2);
        QTest::mousePress(header->viewport(), Qt::LeftButton, {}, start);
        for (const QPoint& step : {QPoint(-30, -2), QPoint(-120, -8), QPoint(-260, -header->height() - 25)})
            QTest::mouseMove(header->viewport(), start + step);
        QTest::mouseRelease(header->viewport(), Qt::LeftButton, {}, start + QPoint(-260, -header->height() - 25));
        QCOMPARE(carried.count(), 1);
        QCOMPARE(carried.first().at(0).toInt(), total);
        QCOMPARE(m_grid->columns().visibleFields(), order);
    }

    void columnMenuHidesAndShowsColumns()
    {
        QVERIFY(m_grid->columns().isVisible(QStringLiteral("Total")));
        std::unique_ptr<QMenu> menu(
            m_grid->columnMenu().create(m_grid->columns().modelColumn(QStringLiteral("Total")), m_grid.get()));
        auto* toggle = menu->findChild<QAction*>(QStringLiteral("gridColumn_Total"));
        QVERIFY(toggle);
        QVERIFY(toggle->isChecked());
        toggle->trigger();
        QVERIFY(!m_grid->columns().isVisible(QStringLiteral("Total")));
        QVERIFY(!m_grid->columns().visibleFields().contains(QStringLiteral("Total")));
        toggle->trigger();
        QVERIFY(m_grid->columns().isVisible(QStringLiteral("Total")));
    }

    void autoWidthFillsTheGrid()
    {
        m_grid->columns().setAutoWidth(true);
        auto total = [&] {
            int sum = 0;
            for (const QString& field : m_grid->columns().visibleFields())
                sum += m_grid->columns().width(field);
            return sum;
        };
        const int viewport = m_grid->tableView()->viewport()->width();
        QCOMPARE(total(), viewport);
        // Proportions follow the described widths: Name (120) is half again as wide as Total (80).
        QVERIFY(qAbs(m_grid->columns().width(QStringLiteral("Name")) * 2 -
                     m_grid->columns().width(QStringLiteral("Total")) * 3) <= 6);
        m_grid->resize(1000, 400);
        QCOMPARE(total(), m_grid->tableView()->viewport()->width());
        m_grid->columns().setVisible(QStringLiteral("Name"), false);
        QCOMPARE(total(), m_grid->tableView()->viewport()->width());
    }

    // The current row, in sight at the foot of the grid, stays in sight when the grid gets
    // shorter; one scrolled out of sight by the merchant is left where it is.
    void currentRowStaysInSightWhenTheGridShrinks()
    {
        QTableView* table = m_grid->tableView();
        const int rowHeight = table->rowHeight(0);
        const auto inSight = [&](int row) {
            const QRect cell = table->visualRect(m_model->index(row, 1));
            return cell.top() >= 0 && cell.bottom() < table->viewport()->height();
        };
        table->setCurrentIndex(m_model->index(5, 1));
        QVERIFY(inSight(5));
        m_grid->resize(800, m_grid->height() - table->viewport()->height() + 3 * rowHeight);
        QTRY_COMPARE(table->viewport()->height(), 3 * rowHeight);
        QVERIFY(inSight(5));

        table->setCurrentIndex(m_model->index(0, 1));
        table->scrollToBottom();
        QVERIFY(!inSight(0));
        m_grid->resize(800, m_grid->height() - rowHeight / 2);
        QTRY_VERIFY(table->viewport()->height() < 3 * rowHeight);
        QVERIFY(!inSight(0));
    }

    void autoSizeFitsCaptionAndVisibleRows()
    {
        m_grid->columns().setWidth(QStringLiteral("Total"), 10);
        m_grid->columns().autoSize(QStringLiteral("Total"));
        const QFontMetrics metrics(m_grid->tableView()->font());
        QVERIFY(m_grid->columns().width(QStringLiteral("Total")) >
                metrics.horizontalAdvance(QStringLiteral("1,234,567.89")));
    }

    void storedLayoutPutsTheColumnsBack()
    {
        // The properties a grid keeps: a column hidden, one widened, one moved to the front.
        DataGrid other;
        other.setModel(m_model);
        other.columns().setColumns(saleColumns());
        QVERIFY(other.columns().isVisible(QStringLiteral("Method")));
        other.columns().setLayoutProperties({{QStringLiteral("Column.Method.Visible"), false},
                                             {QStringLiteral("Column.Name.Width"), 177},
                                             {QStringLiteral("Column.Total.Index"), 0}});
        QVERIFY(!other.columns().isVisible(QStringLiteral("Method")));
        QCOMPARE(other.columns().width(QStringLiteral("Name")), 177);
        QCOMPARE(other.columns().visibleFields(), QStringList({"Total", "id", "Name", "Status", "Day", "Fresh"}));
    }

  private:
    std::unique_ptr<sample::Table> m_db;
    std::unique_ptr<DataGrid> m_grid;
    SqlTableModel* m_model = nullptr;
    QVariant scalar(const QString& statement) const { return m_db->scalar(statement); }

    QRect cellRect(int row, const QString& field) const
    {
        return m_grid->tableView()->visualRect(m_model->index(row, m_grid->columns().modelColumn(field)));
    }
    void clickCell(int row, const QString& field)
    {
        QTest::mouseClick(m_grid->tableView()->viewport(), Qt::LeftButton, {}, cellRect(row, field).center());
    }
    QListWidgetItem* findEntry(HeaderFilterPopup* popup, const QString& text) const
    {
        const auto found = popup->list()->findItems(text, Qt::MatchExactly);
        return found.isEmpty() ? nullptr : found.first();
    }
};

QTEST_MAIN(DataGridTest)
#include "tst_DataGrid.moc"
