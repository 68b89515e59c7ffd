#include "SampleTable.h"

#include "toolkit/SqlTableModel.h"
#include "toolkit/widgets/CellEditorDelegate.h"
#include "toolkit/widgets/DataGrid.h"
#include "toolkit/widgets/DisplayFormat.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QTimeEdit>
#include <memory>

using namespace pelmora::toolkit;

namespace
{

// The text a cell shows, as the delegate hands it to the style for painting.
class ShownText : public CellEditorDelegate
{
  public:
    using CellEditorDelegate::CellEditorDelegate;
    QString of(const QModelIndex& index) const
    {
        QStyleOptionViewItem option;
        initStyleOption(&option, index);
        return option.text;
    }
};

GridColumn describe(const char* field, EditorKind kind, const QString& format = {})
{
    GridColumn c;
    c.field = QString::fromLatin1(field);
    c.editor = kind;
    c.displayFormat = format;
    return c;
}

} // namespace

class CellEditorsTest : public QObject
{
    Q_OBJECT

  private slots:
    void init()
    {
        m_db = std::make_unique<sample::Table>(
            QStringLiteral("Cells"), QStringLiteral("id"),
            QStringList{"CREATE TABLE Cells (id INTEGER PRIMARY KEY, Txt TEXT, Memo TEXT, Day TEXT, Clock TEXT, Amount "
                        "REAL, Qty INTEGER, Status TEXT, Secret TEXT, Flag INTEGER)",
                        "INSERT INTO Cells VALUES (1, 'abc', 'one', '2007-01-15', '10:30:00', -1234.5, 3, 'Paid', "
                        "'hush', NULL)",
                        "CREATE TABLE Choices (Name TEXT)",
                        "INSERT INTO Choices VALUES ('Unpaid'), ('Paid'), (''), ('Unpaid'), ('Shipped'), (NULL)"});
        m_model = &m_db->model;
        GridColumn status = describe("Status", EditorKind::Lookup);
        status.lookup.values = {QStringLiteral("Paid"), QStringLiteral("Unpaid")};
        status.lookupAcceptsText = true;
        GridColumn clock = describe("Clock", EditorKind::Time);
        clock.postOnChange = true;
        m_grid = std::make_unique<DataGrid>();
        m_grid->setModel(m_model);
        m_grid->columns().setColumns({describe("Txt", EditorKind::Text), describe("Memo", EditorKind::Memo),
                                      describe("Day", EditorKind::Date, QStringLiteral("MM/dd/yyyy")), clock,
                                      describe("Amount", EditorKind::Currency, QStringLiteral(",0.00;(,0.00)")),
                                      describe("Qty", EditorKind::Number), status,
                                      describe("Secret", EditorKind::Password),
                                      describe("Flag", EditorKind::CheckBox)});
        sample::showWindow(*m_grid, 1000, 300);
    }

    void cleanup()
    {
        m_grid.reset();
        m_db.reset();
    }

    void numberFormat_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("text");
        const QString money = QStringLiteral(",0.00;(,0.00)");
        // A negative amount in parentheses is the currency cell's row of cellsShowTheirFormattedValue.
        QTest::newRow("thousands and rounding") << 1234567.891 << money << "1,234,567.89";
        QTest::newRow("zero") << 0.0 << money << "0.00";
        QTest::newRow("rounds to zero, no parentheses") << -0.001 << money << "0.00";
        QTest::newRow("below one") << 0.5 << money << "0.50";
        QTest::newRow("no negative section") << -2.5 << QStringLiteral(",0.00") << "-2.50";
    }

    void numberFormat()
    {
        QFETCH(double, value);
        QFETCH(QString, format);
        QFETCH(QString, text);
        QCOMPARE(DisplayFormat::formatNumber(value, format, QLocale(QLocale::English, QLocale::UnitedStates)), text);
    }

    void cellsShowTheirFormattedValue_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::newRow("currency") << "Amount" << QStringLiteral("(1,234.50)");
        QTest::newRow("date") << "Day" << QStringLiteral("01/15/2007");
        QTest::newRow("time in the locale's format") << "Clock" << QStringLiteral("10:30:00 AM");
        QTest::newRow("password") << "Secret" << QString(4, QChar(0x25CF));
        QTest::newRow("text") << "Txt" << QStringLiteral("abc");
    }

    void cellsShowTheirFormattedValue()
    {
        QFETCH(QString, field);
        QFETCH(QString, text);
        ShownText probe;
        probe.setColumnResolver([this](const QModelIndex& index) {
            return m_grid->columns().column(m_grid->columns().fieldAt(index.column()));
        });
        QCOMPARE(probe.of(m_model->index(0, m_grid->columns().modelColumn(field))), text);
    }

    void editingThroughTheEditorPosts_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("editorName");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QVariant>("stored");
        QTest::newRow("text") << "Txt" << QStringLiteral("cellEditorText") << "xyz" << QVariant(QStringLiteral("xyz"));
        QTest::newRow("currency") << "Amount" << QStringLiteral("cellEditorCurrency") << "1,000.25"
                                  << QVariant(1000.25);
        QTest::newRow("currency typed as shown")
            << "Amount" << QStringLiteral("cellEditorCurrency") << "(12.50)" << QVariant(-12.5);
        QTest::newRow("currency cleared") << "Amount" << QStringLiteral("cellEditorCurrency") << "" << QVariant();
        QTest::newRow("number") << "Qty" << QStringLiteral("cellEditorNumber") << "42" << QVariant(42);
        QTest::newRow("password") << "Secret" << QStringLiteral("cellEditorPassword") << "open"
                                  << QVariant(QStringLiteral("open"));
    }

    void editingThroughTheEditorPosts()
    {
        QFETCH(QString, field);
        QFETCH(QString, editorName);
        QFETCH(QString, typed);
        QFETCH(QVariant, stored);
        auto* editor = qobject_cast<QLineEdit*>(openEditor(0, qPrintable(field)));
        QVERIFY(editor);
        QCOMPARE(editor->objectName(), editorName);
        if (editorName == QLatin1String("cellEditorPassword"))
            QCOMPARE(editor->echoMode(), QLineEdit::Password);
        editor->selectAll();
        QTest::keyClick(editor, Qt::Key_Delete);
        QTest::keyClicks(editor, typed);
        finish(editor);
        const QVariant value = scalar(QStringLiteral("SELECT %1 FROM Cells").arg(field));
        if (!stored.isValid())
            QVERIFY(value.isNull());
        else if (stored.typeId() == QMetaType::Double)
            QCOMPARE(value.toDouble(), stored.toDouble());
        else
            QCOMPARE(value.toString(), stored.toString());
    }

    void timeEditorPostsOnEveryChange()
    {
        auto* editor = qobject_cast<QTimeEdit*>(openEditor(0, "Clock"));
        QVERIFY(editor);
        QCOMPARE(editor->time(), QTime(10, 30));
        QTest::keyClick(editor, Qt::Key_Up); // the hour section
        QCOMPARE(scalar(QStringLiteral("SELECT Clock FROM Cells")).toString(), QStringLiteral("11:30:00"));
    }

    void memoTakesSeveralLines()
    {
        auto* editor = qobject_cast<QPlainTextEdit*>(openEditor(0, "Memo"));
        QVERIFY(editor);
        QTest::keyClick(editor, Qt::Key_End);
        QTest::keyClick(editor, Qt::Key_Return);
        QTest::keyClicks(editor, QStringLiteral("two"));
        QCOMPARE(scalar(QStringLiteral("SELECT Memo FROM Cells")).toString(), QStringLiteral("one"));
        QTest::keyClick(editor, Qt::Key_Return, Qt::ControlModifier);
        QCoreApplication::processEvents();
        QCOMPARE(scalar(QStringLiteral("SELECT Memo FROM Cells")).toString(), QStringLiteral("one\ntwo"));
    }

    void editableDropDownReportsEveryChange()
    {
        QSignalSpy changed(m_grid.get(), &DataGrid::editorValueChanged);
        auto* combo = qobject_cast<QComboBox*>(openEditor(0, "Status"));
        QVERIFY(combo);
        QVERIFY(combo->isEditable());
        // The value is highlighted, so typing replaces it.
        QTest::keyClicks(combo->lineEdit(), QStringLiteral("Refunded"));
        QCOMPARE(changed.count(), 8);
        QCOMPARE(changed.last().at(2).toString(), QStringLiteral("Refunded"));
        finish(combo);
        QCOMPARE(scalar(QStringLiteral("SELECT Status FROM Cells")).toString(), QStringLiteral("Refunded"));
    }

    void leavingAnUnchangedCellPostsNothing()
    {
        QSignalSpy posts(m_model, &SqlTableModel::aboutToPost);
        for (const char* field : {"Txt", "Day", "Amount", "Status"}) {
            QWidget* editor = openEditor(0, field);
            QVERIFY2(editor && editor != m_grid->tableView(), field);
            finish(editor);
        }
        QCOMPARE(posts.count(), 0);
        QCOMPARE(scalar(QStringLiteral("SELECT Day FROM Cells")).toString(), QStringLiteral("2007-01-15"));
    }

    void dropDownListsReadTheirTable_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QStringList>("offered");
        QTest::addColumn<bool>("failed");
        QTest::newRow("in the order entered, each once")
            << "Choices" << QStringList{"Unpaid", "Paid", "Shipped"} << false;
        QTest::newRow("a missing table") << "Gone" << QStringList{} << true;
    }

    void dropDownListsReadTheirTable()
    {
        QFETCH(QString, table);
        QFETCH(QStringList, offered);
        QFETCH(bool, failed);
        GridColumn status = describe("Status", EditorKind::Lookup);
        status.lookup = LookupSource{{}, {}, {}, table, QStringLiteral("Name")};
        m_grid->columns().setColumns({status});
        QSignalSpy errors(m_grid.get(), &DataGrid::error);
        auto* combo = qobject_cast<QComboBox*>(openEditor(0, "Status"));
        QVERIFY(combo);
        QStringList items;
        for (int i = 0; i < combo->count(); ++i)
            items << combo->itemText(i);
        QCOMPARE(items, offered);
        // A list that cannot be read says why, through the grid.
        QCOMPARE(errors.count(), failed ? 1 : 0);
        if (failed)
            QVERIFY2(errors.first().first().toString().contains(QLatin1String("no such table")),
                     qPrintable(errors.first().first().toString()));
    }

  private:
    std::unique_ptr<sample::Table> m_db;
    std::unique_ptr<DataGrid> m_grid;
    SqlTableModel* m_model = nullptr;
    QVariant scalar(const QString& statement) const { return m_db->scalar(statement); }

    QWidget* openEditor(int row, const char* field)
    {
        // A click makes the cell current, a second one opens its editor.
        const QModelIndex index = m_model->index(row, m_grid->columns().modelColumn(QString::fromLatin1(field)));
        for (int click = 0; click < 2; ++click)
            QTest::mouseClick(m_grid->tableView()->viewport(), Qt::LeftButton, {},
                              m_grid->tableView()->visualRect(index).center());
        return QApplication::focusWidget();
    }
    void finish(QWidget* editor)
    {
        QTest::keyClick(editor, Qt::Key_Tab);
        QCoreApplication::processEvents();
    }
};

QTEST_MAIN(CellEditorsTest)
#include "tst_CellEditors.moc"
