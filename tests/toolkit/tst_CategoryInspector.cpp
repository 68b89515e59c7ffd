#include "SampleTable.h"

#include "toolkit/SqlTableModel.h"
#include "toolkit/widgets/CategoryInspector.h"

#include <QAbstractItemModelTester>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTreeView>
#include <memory>

using namespace pelmora::toolkit;

namespace
{

InspectorRow row(const char* field, const char* caption = "", EditorKind kind = EditorKind::Text,
                 const QList<InspectorRow>& children = {})
{
    InspectorRow r;
    r.column.field = QString::fromLatin1(field);
    r.column.caption = QString::fromLatin1(caption);
    r.column.editor = kind;
    r.children = children;
    return r;
}

QList<InspectorCategory> categories()
{
    InspectorRow hidden = row("id", "Shopper ID");
    hidden.column.visible = false;
    InspectorRow total = row("Total", "", EditorKind::Currency);
    total.column.displayFormat = QStringLiteral(",0.00;(,0.00)");
    InspectorRow notes = row("Notes", "", EditorKind::Memo);
    notes.column.rowHeight = 42;
    return {
        {QStringLiteral("Orders"),
         {hidden, row("Name", "Name"), row("Day", "Date", EditorKind::Date, {row("Clock", "Time", EditorKind::Time)})},
         false},
        {QStringLiteral("Amounts"), {total}, false},
        {QStringLiteral("Misc."),
         {row("Email", "E-mail", EditorKind::Link), row("Fresh", "", EditorKind::CheckBox), notes},
         false},
    };
}

} // namespace

class CategoryInspectorTest : public QObject
{
    Q_OBJECT

  private slots:
    void init()
    {
        m_db = std::make_unique<sample::Table>(
            QStringLiteral("Sales"), QStringLiteral("id"),
            QStringList{"CREATE TABLE Sales (id INTEGER PRIMARY KEY, Name TEXT, Day TEXT, Clock TEXT, Total REAL, "
                        "Email TEXT, Fresh INTEGER, Notes TEXT)",
                        "INSERT INTO Sales VALUES (1, 'Ann', '2007-01-15', '10:30:00', -1234.5, 'ann@example.com', 1, "
                        "'first'), (2, 'Bob', '2007-02-01', '08:00:00', 12, 'bob@example.com', 0, NULL)"});
        m_model = &m_db->model;
        m_inspector = std::make_unique<CategoryInspector>();
        m_inspector->setCategories(categories());
        m_inspector->setModel(m_model);
        m_inspector->setCurrentRow(0);
        sample::showWindow(*m_inspector, 300, 500);
    }

    void cleanup()
    {
        m_inspector.reset();
        m_db.reset();
    }

    void showsTheCurrentRecordInCategories()
    {
        QAbstractItemModelTester tester(m_inspector->view()->model(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QAbstractItemModel* tree = m_inspector->view()->model();
        QCOMPARE(tree->rowCount(), 3);
        QCOMPARE(tree->index(0, 0).data().toString(), QStringLiteral("Orders"));
        // The hidden row is not shown; the others show their captions and values.
        QCOMPARE(tree->rowCount(tree->index(0, 0)), 2);
        QVERIFY(!m_inspector->valueIndex(QStringLiteral("id")).isValid());
        QCOMPARE(m_inspector->valueIndex(QStringLiteral("Name")).siblingAtColumn(0).data().toString(),
                 QStringLiteral("Name"));
        QCOMPARE(m_inspector->valueIndex(QStringLiteral("Name")).data().toString(), QStringLiteral("Ann"));
        // A child row under "Date".
        QCOMPARE(m_inspector->valueIndex(QStringLiteral("Clock")).parent().siblingAtColumn(0).data().toString(),
                 QStringLiteral("Date"));
        m_inspector->setCurrentRow(1);
        QCOMPARE(m_inspector->valueIndex(QStringLiteral("Name")).data().toString(), QStringLiteral("Bob"));
        m_inspector->setCurrentRow(-1);
        QVERIFY(!m_inspector->valueIndex(QStringLiteral("Name")).data().isValid());
        QVERIFY(!(m_inspector->valueIndex(QStringLiteral("Name")).flags() & Qt::ItemIsEditable));

        // It follows the model: an edit made elsewhere (the grid) shows, a deleted record goes.
        m_inspector->setCurrentRow(0);
        m_model->setData(m_model->index(0, m_model->columnIndex(QStringLiteral("Name"))), QStringLiteral("Annie"));
        QCOMPARE(m_inspector->valueIndex(QStringLiteral("Name")).data().toString(), QStringLiteral("Annie"));
        m_model->removeRows(0, 1);
        QCOMPARE(m_inspector->currentRow(), -1);
        QVERIFY(!m_inspector->valueIndex(QStringLiteral("Name")).data().isValid());
    }

    void tabMovesToTheNextValue()
    {
        expandAll();
        QTest::mouseClick(m_inspector->view()->viewport(), Qt::LeftButton, {}, rectOf(QStringLiteral("Name")).center());
        auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        QVERIFY(editor);
        editor->selectAll();
        QTest::keyClicks(editor, QStringLiteral("Anna"));
        QTest::keyClick(editor, Qt::Key_Tab);
        QCoreApplication::processEvents();
        QCOMPARE(scalar(QStringLiteral("SELECT Name FROM Sales WHERE id = 1")).toString(), QStringLiteral("Anna"));
        QCOMPARE(m_inspector->view()->currentIndex(), m_inspector->valueIndex(QStringLiteral("Day")));
    }

    void linkAndCheckBoxRowsAct()
    {
        expandAll();
        QSignalSpy link(m_inspector.get(), &CategoryInspector::linkActivated);
        QTest::mouseClick(m_inspector->view()->viewport(), Qt::LeftButton, {},
                          rectOf(QStringLiteral("Email")).center());
        QCOMPARE(link.count(), 1);
        QCOMPARE(link.first().at(0).toString(), QStringLiteral("Email"));
        QCOMPARE(link.first().at(1).toString(), QStringLiteral("ann@example.com"));
        QVERIFY(!qobject_cast<QLineEdit*>(QApplication::focusWidget()));
        // A check box row toggles by click and by Space.
        QTest::mouseClick(m_inspector->view()->viewport(), Qt::LeftButton, {},
                          rectOf(QStringLiteral("Fresh")).center());
        QCOMPARE(scalar(QStringLiteral("SELECT Fresh FROM Sales WHERE id = 1")).toInt(), 0);
        QTest::keyClick(m_inspector->view(), Qt::Key_Space);
        QCOMPARE(scalar(QStringLiteral("SELECT Fresh FROM Sales WHERE id = 1")).toInt(), 1);
    }

  private:
    std::unique_ptr<sample::Table> m_db;
    std::unique_ptr<CategoryInspector> m_inspector;
    SqlTableModel* m_model = nullptr;
    QVariant scalar(const QString& statement) const { return m_db->scalar(statement); }

    void expandAll()
    {
        for (const InspectorCategory& c : categories())
            m_inspector->setCategoryExpanded(c.caption, true);
        m_inspector->view()->expandAll();
    }
    QRect rectOf(const QString& field, int column = 1) const
    {
        return m_inspector->view()->visualRect(m_inspector->valueIndex(field).siblingAtColumn(column));
    }
};

QTEST_MAIN(CategoryInspectorTest)
#include "tst_CategoryInspector.moc"
