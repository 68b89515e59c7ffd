#include "database/Schema.h"
#include "workspace/FilterTranslation.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QtTest>

using pelmora::Column;
using pelmora::FilterTranslation;
using pelmora::Schema;

// The grid's filter texts, as the grid writes them, applied to a table of orders stored as the
// import stores them: the orders each text finds.
class FilterTranslationTest : public QObject
{
    Q_OBJECT
  private slots:
    void initTestCase()
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
        db.setDatabaseName(QStringLiteral(":memory:"));
        QVERIFY(db.open());
        QStringList columns;
        for (const Column& c : Schema::orderColumns())
            columns << c.name + u' ' + c.declaration;
        QSqlQuery query(db);
        QVERIFY2(query.exec(QStringLiteral("CREATE TABLE Orders(") + columns.join(u',') + u')'),
                 qPrintable(query.lastError().text()));
        QVERIFY(query.exec(QStringLiteral(
            "INSERT INTO Orders(ShopperID, Invoice_date, Invoice_time, Invoice_name, Invoice_company, Notes, Selected, "
            "Total) VALUES"
            "(1, '2024-01-15', '10:30:00', 'O''Brien', '', NULL, 1, 100.5),"
            "(2, '2024-01-31', '10:30:00.250', 'Ann', 'Acme', 'invoice_date = x', 0, 20),"
            "(3, '2024-02-01', '23:59:59', 'Bob', NULL, '', 0, 300),"
            "(4, '2023-12-31', '00:00:00', 'Cy Johnson', 'Cole', 'Date''01/15/2007''', 1, 0.5)")));
    }

    void cleanupTestCase() { QSqlDatabase::database().close(); }

    void findsTheOrders_data()
    {
        QTest::addColumn<QString>("grid");
        QTest::addColumn<QList<int>>("expected");

        QTest::newRow("date equal") << "Invoice_date = '01/15/2024'" << QList<int>{1};
        QTest::newRow("date range") << "Invoice_date >= '01/15/2024' AND Invoice_date <= '01/31/2024'"
                                    << QList<int>{1, 2};
        QTest::newRow("date other than") << "Invoice_date <> '01/15/2024'" << QList<int>{2, 3, 4};
        QTest::newRow("dates outside") << "Invoice_date > '01/31/2024' OR Invoice_date < '01/01/2024'"
                                       << QList<int>{3, 4};
        QTest::newRow("field in capitals") << "INVOICE_DATE = '01/31/2024'" << QList<int>{2};
        QTest::newRow("negated date") << "NOT (Invoice_date = '01/15/2024')" << QList<int>{2, 3, 4};
        QTest::newRow("time with milliseconds") << "Invoice_time = '10:30:00.250'" << QList<int>{2};
        QTest::newRow("time from") << "Invoice_time >= '10:30:00'" << QList<int>{1, 2, 3};
        QTest::newRow("time before") << "Invoice_time < '10:30:00'" << QList<int>{4};
        QTest::newRow("date and time") << "Invoice_date <= '01/31/2024' AND Invoice_time <> '10:30:00'"
                                       << QList<int>{2, 4};
        QTest::newRow("text ignores case, quote doubled") << "Invoice_name = 'o''brien'" << QList<int>{1};
        QTest::newRow("like") << "Invoice_name LIKE '%john%'" << QList<int>{4};
        QTest::newRow("blanks: NULL and empty text") << "Invoice_company IS NULL" << QList<int>{1, 3};
        QTest::newRow("non-blanks") << "Invoice_company IS NOT NULL" << QList<int>{2, 4};
        QTest::newRow("negated blanks") << "NOT (Notes IS NULL)" << QList<int>{2, 4};
        QTest::newRow("value that reads like a date condition") << "Notes = 'Invoice_date = x'" << QList<int>{2};
        QTest::newRow("value that reads like a date literal") << "Notes = 'Date''01/15/2007'''" << QList<int>{4};
        QTest::newRow("boolean") << "Selected = 'True'" << QList<int>{1, 4};
        QTest::newRow("number") << "Total > '100'" << QList<int>{1, 3};
        QTest::newRow("grouped") << "(Invoice_name = 'Ann' OR Invoice_name = 'Bob') AND Invoice_date >= '02/01/2024'"
                                 << QList<int>{3};
    }

    void findsTheOrders()
    {
        QFETCH(QString, grid);
        QFETCH(QList<int>, expected);
        QCOMPARE(found(grid), expected);
        // The same orders when every column is named with its table, as the item export's join does.
        QCOMPARE(found(grid, QStringLiteral("Orders")), expected);
    }

  private:
    // qualifier: the table name put before each column, as over a join.
    QList<int> found(const QString& gridText, const QString& qualifier = QString())
    {
        QSqlQuery query;
        const QString where =
            FilterTranslation::toSqlWhere(FilterTranslation::translate(gridText), Schema::orderColumns(), qualifier);
        if (!query.exec(QStringLiteral("SELECT ShopperID FROM Orders WHERE ") + where + QStringLiteral(" ORDER BY 1")))
            qWarning("%s: %s", qPrintable(where), qPrintable(query.lastError().text()));
        QList<int> ids;
        while (query.next())
            ids << query.value(0).toInt();
        return ids;
    }
};

QTEST_GUILESS_MAIN(FilterTranslationTest)
#include "tst_FilterTranslation.moc"
