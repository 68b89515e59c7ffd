#include "SampleTable.h"

#include "toolkit/SqlTransaction.h"

#include <QTest>
#include <sqlite3.h>

using pelmora::toolkit::SqlError;
using pelmora::toolkit::SqlTransaction;

// What another program sees in the file: a second connection of its own.
class Peer
{
  public:
    explicit Peer(const QString& file)
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name());
        db.setDatabaseName(file);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=0"));
        db.open();
    }
    ~Peer()
    {
        QSqlDatabase::database(name(), false).close();
        QSqlDatabase::removeDatabase(name());
    }
    QStringList labels() const
    {
        QStringList found;
        QSqlQuery query(QSqlDatabase::database(name(), false));
        query.exec(QStringLiteral("SELECT label FROM Parts WHERE thing IS NULL ORDER BY id"));
        while (query.next())
            found << query.value(0).toString();
        return found;
    }
    bool canWrite() const
    {
        QSqlQuery query(QSqlDatabase::database(name(), false));
        return query.exec(QStringLiteral("INSERT INTO Parts(label) VALUES('peer')"));
    }

  private:
    static QString name() { return QStringLiteral("peer"); }
};

class SqlTransactionTest : public QObject
{
    Q_OBJECT

  private:
    std::unique_ptr<sample::Database> m_db;

    QString file() const { return m_db->db().databaseName(); }
    void write(const char* label) const
    {
        QSqlQuery query(m_db->db());
        QVERIFY2(query.exec(QStringLiteral("INSERT INTO Parts(label) VALUES('%1')").arg(QLatin1String(label))),
                 qPrintable(query.lastError().text()));
    }

  private slots:
    void init() { m_db = std::make_unique<sample::Database>(10); }
    void cleanup() { m_db.reset(); }

    void keepsWritesOnlyWhenCommitted_data()
    {
        QTest::addColumn<bool>("outerTransaction");
        QTest::addColumn<bool>("innerCommits");
        QTest::addColumn<bool>("outerCommits");
        QTest::addColumn<QStringList>("expected");

        const QStringList all{QStringLiteral("outer"), QStringLiteral("inner"), QStringLiteral("after")};
        const QStringList withoutInner{QStringLiteral("outer"), QStringLiteral("after")};
        QTest::newRow("both commit") << false << true << true << all;
        QTest::newRow("inner rolled back") << false << false << true << withoutInner;
        QTest::newRow("outer rolled back takes the committed inner along") << false << true << false << QStringList();
        QTest::newRow("inside a transaction begun through Qt, both commit") << true << true << true << all;
        QTest::newRow("inside a transaction begun through Qt, inner rolled back")
            << true << false << true << withoutInner;
    }

    void keepsWritesOnlyWhenCommitted()
    {
        QFETCH(bool, outerTransaction);
        QFETCH(bool, innerCommits);
        QFETCH(bool, outerCommits);
        QFETCH(QStringList, expected);

        QSqlDatabase db = m_db->db();
        try {
            std::unique_ptr<SqlTransaction> outer;
            if (outerTransaction)
                QVERIFY(db.transaction());
            else
                outer = std::make_unique<SqlTransaction>(db);
            write("outer");
            try {
                SqlTransaction inner(db);
                QVERIFY(inner.nested());
                write("inner");
                if (!innerCommits)
                    throw std::runtime_error("inner failed");
                inner.commit();
            } catch (const std::runtime_error&) {
            }
            write("after");
            if (!outerCommits)
                throw std::runtime_error("outer failed");
            if (outer)
                outer->commit();
            else
                QVERIFY(db.commit());
        } catch (const std::runtime_error&) {
            if (outerTransaction)
                db.rollback();
        }
        QCOMPARE(Peer(file()).labels(), expected);
    }

    void holdsTheWriteLockFromTheStart()
    {
        Peer peer(file());
        {
            SqlTransaction scope(m_db->db());
            QVERIFY(!scope.nested());
            QVERIFY(!peer.canWrite());
        }
        QVERIFY(peer.canWrite());
        QCOMPARE(peer.labels(), QStringList{QStringLiteral("peer")});
    }

    void coversWritesThroughTheSqliteHandle()
    {
        sqlite3* handle = SqlTransaction::handle(m_db->db());
        QVERIFY(handle);
        {
            SqlTransaction scope(handle);
            write("through Qt");
            QCOMPARE(sqlite3_exec(handle, "INSERT INTO Parts(label) VALUES('through the handle')", nullptr, nullptr,
                                  nullptr),
                     SQLITE_OK);
        }
        QCOMPARE(Peer(file()).labels(), QStringList());
        {
            SqlTransaction scope(handle);
            QCOMPARE(sqlite3_exec(handle, "INSERT INTO Parts(label) VALUES('through the handle')", nullptr, nullptr,
                                  nullptr),
                     SQLITE_OK);
            scope.commit();
        }
        QCOMPARE(Peer(file()).labels(), QStringList{QStringLiteral("through the handle")});
    }

    void reportsWhyItCannotBegin()
    {
        QSqlDatabase db = m_db->db();
        db.close();
        try {
            SqlTransaction scope(db);
            QFAIL("a closed connection began a transaction");
        } catch (const SqlError& e) {
            QCOMPARE(e.message(), QStringLiteral("Database is not connected"));
        }
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=0"));
        QVERIFY(db.open());
        Peer peer(file());
        QSqlQuery hold(QSqlDatabase::database(QStringLiteral("peer"), false));
        QVERIFY(hold.exec(QStringLiteral("BEGIN IMMEDIATE")));
        try {
            SqlTransaction scope(db);
            QFAIL("began while another connection held the write lock");
        } catch (const SqlError& e) {
            QVERIFY2(e.message().contains(QStringLiteral("locked")), qPrintable(e.message()));
        }
        QVERIFY(hold.exec(QStringLiteral("ROLLBACK")));
    }
};

QTEST_GUILESS_MAIN(SqlTransactionTest)
#include "tst_SqlTransaction.moc"
