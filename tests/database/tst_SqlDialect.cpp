// The dialect's statements on a real file; date and time literals; safe quoting of values.

#include "common/Error.h"
#include "database/DataModule.h"
#include "database/SqlDialect.h"
#include "support/DatabaseProbe.h"
#include "support/TestFolder.h"
#include "toolkit/SqlUtil.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>
#include <limits>
#include <memory>

using namespace pelmora;
using pelmora::test::DatabaseProbe;
using pelmora::test::TestFolder;

class SqlDialectTest : public QObject
{
    Q_OBJECT

  private slots:
    void init()
    {
        folder_ = std::make_unique<TestFolder>(false);
        probe_ = std::make_unique<DatabaseProbe>(folder_->file(QStringLiteral("db/dialect.tdbd")));
    }

    void cleanup()
    {
        probe_.reset();
        folder_.reset();
    }

    void statements_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QString>("check");
        QTest::addColumn<QString>("expected");

        // The upgrade's own statements are run on files of the older layouts (tst_SchemaUpgrade); these are
        // the paths of the dialect that no upgrade statement takes, with values a merchant may type.
        const QString orders = QStringLiteral("CREATE TABLE Orders(ShopperID integer, Date date, Status char(20));\n"
                                              "INSERT INTO Orders VALUES(10,'2006-12-31','Paid');\n"
                                              "INSERT INTO Orders VALUES(11,'2007-01-02','Shipped')");

        QTest::newRow("autoinc keeps the table's indexes")
            << orders + QStringLiteral(";\nCREATE INDEX Orders_ShopperID ON Orders(ShopperID)")
            << QStringLiteral("Alter Table  Orders add id autoinc ")
            << QStringLiteral("SELECT group_concat(name) FROM sqlite_master WHERE type='index' AND tbl_name='Orders'")
            << QStringLiteral("Orders_ShopperID");
        QTest::newRow("blanks inside a value stay")
            << orders << QStringLiteral("Insert into  Orders  (Status) values ('Two  blanks ')")
            << QStringLiteral("SELECT '[' || Status || ']' FROM Orders WHERE ShopperID IS NULL")
            << QStringLiteral("[Two  blanks ]");
        QTest::newRow("blanks inside a default stay")
            << orders << QStringLiteral("Alter Table  Orders add Notes char(20) Default 'a  b' ")
            << QStringLiteral("SELECT group_concat(Notes, '|') FROM Orders") << QStringLiteral("a  b|a  b");
    }

    void statements()
    {
        QFETCH(QString, setup);
        QFETCH(QString, statement);
        QFETCH(QString, check);
        QFETCH(QString, expected);
        if (!setup.isEmpty())
            run(setup);
        QSqlDatabase d = db();
        try {
            SqlDialect::execute(d, statement);
        } catch (const Error& e) {
            QFAIL(qPrintable(e.message()));
        }
        QCOMPARE(text(check), expected);
    }

    void failingStatements_data()
    {
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QString>("reason");
        QTest::newRow("Level clause on a missing table")
            << QStringLiteral("Alter Table  Triggers Level 5") << QStringLiteral("no such table");
        QTest::newRow("autoinc on a missing table")
            << QStringLiteral("Alter Table  Users add id autoinc ") << QStringLiteral("no such table");
    }

    void failingStatements()
    {
        QFETCH(QString, statement);
        QFETCH(QString, reason);
        run(QStringLiteral("CREATE TABLE Orders(ShopperID integer);\nINSERT INTO Orders VALUES(3)"));
        QSqlDatabase d = db();
        try {
            SqlDialect::execute(d, statement);
            QFAIL("the statement should have failed");
        } catch (const Error& e) {
            QVERIFY2(e.message().contains(reason), qPrintable(e.message()));
        }
        QCOMPARE(
            text(QStringLiteral("SELECT group_concat(name || ' ' || lower(type)) FROM pragma_table_info('Orders')")),
            QStringLiteral("ShopperID integer"));
        QCOMPARE(text(QStringLiteral("SELECT ShopperID FROM Orders")), QStringLiteral("3"));
    }

    void literals_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("output");
        QTest::newRow("short date") << QStringLiteral("Invoice_date>=Date'1/2/2006' and Invoice_date<=DATE '3/4/2007'")
                                    << QStringLiteral("Invoice_date>='2006-01-02' and Invoice_date<='2007-03-04'");
        QTest::newRow("midnight") << QStringLiteral("TIME'12:00:00 AM'") << QStringLiteral("'00:00:00'");
        QTest::newRow("noon") << QStringLiteral("TIME'12:15 PM'") << QStringLiteral("'12:15:00'");
        QTest::newRow("24 hours") << QStringLiteral("time'9:05:07'") << QStringLiteral("'09:05:07'");
        QTest::newRow("milliseconds") << QStringLiteral("TIME'1:02:03.25 PM'") << QStringLiteral("'13:02:03.250'");
        QTest::newRow("literal inside a value") << QStringLiteral("Notes='Date''12/31/2006'' and TIME''2:30:00 PM'''")
                                                << QStringLiteral("Notes='Date''12/31/2006'' and TIME''2:30:00 PM'''");
        QTest::newRow("no such date") << QStringLiteral("Date'2/30/2006'") << QStringLiteral("Date'2/30/2006'");
        QTest::newRow("column names") << QStringLiteral("Invoice_date'1/2/2006' DATETIME'1:00'")
                                      << QStringLiteral("Invoice_date'1/2/2006' DATETIME'1:00'");
    }

    void literals()
    {
        QFETCH(QString, input);
        QFETCH(QString, output);
        QCOMPARE(SqlDialect::translateLiterals(input), output);
    }

    void literalsOnFile()
    {
        TestFolder::makeDatabase(folder_->databasePath());
        DataModule data;
        data.setLocation(folder_->databasePath());
        data.ResetDB();
        data.execute(QStringLiteral("Insert into Orders (ShopperID, Invoice_date, Invoice_time, Notes) values "
                                    "(1, Date'12/31/2006', TIME'2:30:00 PM', 'It''s Date''1/2/2006''')"));
        QCOMPARE(data.scalar(QStringLiteral("SELECT Invoice_date || ' ' || Invoice_time || ' ' || Notes FROM Orders "
                                            "WHERE Invoice_date=Date'12/31/2006' and Invoice_time<TIME'3:00:00 PM'"))
                     .toString(),
                 QStringLiteral("2006-12-31 14:30:00 It's Date'1/2/2006'"));
    }

    void quoteValue_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("stored"); // the stored value's type and value
        QTest::newRow("integer") << QVariant(25) << QStringLiteral("integer:25");
        QTest::newRow("money") << QVariant(19.99) << QStringLiteral("real:19.99");
        QTest::newRow("infinity") << QVariant(std::numeric_limits<double>::infinity()) << QStringLiteral("null:");
        QTest::newRow("true") << QVariant(true) << QStringLiteral("integer:1");
        QTest::newRow("false") << QVariant(false) << QStringLiteral("integer:0");
        QTest::newRow("date") << QVariant(QDate(2006, 12, 31)) << QStringLiteral("text:2006-12-31");
        QTest::newRow("time") << QVariant(QTime(14, 30, 5)) << QStringLiteral("text:14:30:05");
        QTest::newRow("time with ms") << QVariant(QTime(14, 30, 5, 20)) << QStringLiteral("text:14:30:05.020");
        QTest::newRow("empty text") << QVariant(QStringLiteral("")) << QStringLiteral("text:");
        QTest::newRow("a statement") << QVariant(QStringLiteral("x'); DROP TABLE Orders; --"))
                                     << QStringLiteral("text:x'); DROP TABLE Orders; --");
        QTest::newRow("bytes") << QVariant(QByteArray("\x01\xff", 2)) << QStringLiteral("blob:01FF");
        QTest::newRow("null") << QVariant() << QStringLiteral("null:");
        QTest::newRow("null text") << QVariant(QString()) << QStringLiteral("null:");
    }

    void quoteValue()
    {
        QFETCH(QVariant, value);
        QFETCH(QString, stored);
        run(QStringLiteral("CREATE TABLE Orders(Notes)"));
        QSqlDatabase d = db();
        SqlDialect::execute(d, QStringLiteral("INSERT INTO Orders(Notes) VALUES(%1)").arg(SqlDialect::quote(value)));
        QCOMPARE(text(QStringLiteral("SELECT typeof(Notes) || ':' || CASE typeof(Notes) WHEN 'blob' THEN hex(Notes) "
                                     "ELSE ifnull(Notes, '') END FROM Orders")),
                 stored);
    }

    void quotedIdentifier_data()
    {
        QTest::addColumn<QString>("column");
        QTest::newRow("keyword") << QStringLiteral("From");
        QTest::newRow("grave accent") << QStringLiteral("a`b");
    }

    // Any name reaches its column, and a name that is no column fails rather than being read as
    // a text.
    void quotedIdentifier()
    {
        QFETCH(QString, column);
        const QString name = toolkit::sql::quoted(column);
        run(QStringLiteral("CREATE TABLE Email(%1 char(50))").arg(name));
        QSqlDatabase d = db();
        SqlDialect::execute(d, QStringLiteral("INSERT INTO Email(%1) VALUES('me')").arg(name));
        QCOMPARE(text(QStringLiteral("SELECT %1 FROM Email").arg(name)), QStringLiteral("me"));
        QSqlQuery missing(d);
        QVERIFY(!missing.exec(QStringLiteral("SELECT %1 FROM Email").arg(toolkit::sql::quoted(column + 'x'))));
        run(QStringLiteral("DROP TABLE Email"));
    }

  private:
    QSqlDatabase db() const { return probe_->database(); }
    void run(const QString& statements) const
    {
        for (const QString& s : statements.split(QStringLiteral(";\n"), Qt::SkipEmptyParts))
            probe_->exec(s);
    }
    QString text(const QString& sql) const { return probe_->value(sql).toString(); }

    std::unique_ptr<TestFolder> folder_;
    std::unique_ptr<DatabaseProbe> probe_;
};

QTEST_GUILESS_MAIN(SqlDialectTest)
#include "tst_SqlDialect.moc"
