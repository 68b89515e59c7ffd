#include "SampleTable.h"

#include "toolkit/LookupList.h"
#include "toolkit/SqlSortIndexes.h"

#include <QTest>

using pelmora::toolkit::LookupList;
using pelmora::toolkit::SqlSortIndexes;

class LookupListTest : public QObject
{
    Q_OBJECT

  private:
    std::unique_ptr<sample::Database> m_db;

    QString plan(const QString& statement) const
    {
        QStringList steps;
        QSqlQuery query(m_db->db());
        query.exec(QStringLiteral("EXPLAIN QUERY PLAN ") + statement);
        while (query.next())
            steps << query.value(3).toString();
        return steps.join(QLatin1Char('|'));
    }

  private slots:
    void init() { m_db = std::make_unique<sample::Database>(); }
    void cleanup() { m_db.reset(); }

    void listsDistinctValuesInOrder_data()
    {
        QTest::addColumn<QString>("column");
        QTest::addColumn<int>("limit");
        QTest::addColumn<QString>("where");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<bool>("truncated");

        QTest::newRow("statuses, blanks left out") << QStringLiteral("status") << 1000 << QString()
                                                   << QStringList{"Completed", "Paid", "Shipped", "Unpaid"} << false;
        QTest::newRow("cut at the limit")
            << QStringLiteral("name") << 3 << QString() << QStringList{"Name 0000", "Name 0001", "Name 0002"} << true;
        QTest::newRow("exactly the limit") << QStringLiteral("status") << 4 << QString()
                                           << QStringList{"Completed", "Paid", "Shipped", "Unpaid"} << false;
        QTest::newRow("only rows that meet a condition")
            << QStringLiteral("status") << 1000 << QStringLiteral("id IN (1, 2, 7)") << QStringList{"Shipped", "Unpaid"}
            << false;
    }

    void listsDistinctValuesInOrder()
    {
        QFETCH(QString, column);
        QFETCH(int, limit);
        QFETCH(QString, where);
        QFETCH(QStringList, expected);
        QFETCH(bool, truncated);
        const LookupList list = LookupList::load(m_db->connection(), QStringLiteral("Things"), column, limit, where);
        QVERIFY2(list.ok(), qPrintable(list.error));
        QCOMPARE(list.texts(), expected);
        QCOMPARE(list.truncated, truncated);
    }

    void aFailureIsReported()
    {
        const LookupList list = LookupList::load(m_db->connection(), QStringLiteral("Things"), QStringLiteral("nope"));
        QVERIFY(!list.ok());
        QVERIFY(list.error.contains(QStringLiteral("nope")));
        QVERIFY(list.values.isEmpty());
    }

    void sortIndexesServeKeysetPaging()
    {
        m_db->exec("CREATE TABLE Plain (id INTEGER PRIMARY KEY, total REAL, who TEXT)");
        QString error;
        QVERIFY2(SqlSortIndexes::ensure(m_db->connection(), QStringLiteral("Plain"),
                                        {QStringLiteral("total"), QStringLiteral("who")}, QStringLiteral("id"), &error),
                 qPrintable(error));
        QVERIFY(SqlSortIndexes::ensure(m_db->connection(), QStringLiteral("Plain"), {QStringLiteral("total")},
                                       QStringLiteral("id"), &error)); // again: kept
        QVERIFY(SqlSortIndexes::ensureComposite(m_db->connection(), QStringLiteral("Plain"),
                                                {QStringLiteral("who"), QStringLiteral("total")}, QStringLiteral("id"),
                                                &error));
        QVERIFY(SqlSortIndexes::analyze(m_db->connection(), &error));
        QVERIFY(plan(QStringLiteral("SELECT id FROM Plain WHERE (total, id) > (1, 2) ORDER BY total, id LIMIT 5"))
                    .contains(QStringLiteral("Plain_by_total")));
        QVERIFY(plan(QStringLiteral("SELECT id FROM Plain WHERE who = 'a' ORDER BY total, id LIMIT 5 OFFSET 9"))
                    .contains(QStringLiteral("COVERING INDEX Plain_by_who_total")));
        QVERIFY(!SqlSortIndexes::ensure(m_db->connection(), QStringLiteral("Plain"), {QStringLiteral("missing")},
                                        QStringLiteral("id"), &error));
        QVERIFY(error.contains(QStringLiteral("missing")));
    }
};

QTEST_GUILESS_MAIN(LookupListTest)
#include "tst_LookupList.moc"
