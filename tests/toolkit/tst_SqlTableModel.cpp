#include "SampleTable.h"

#include "toolkit/SqlTableModel.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>
#include <QTime>

#include <stdexcept>

using pelmora::toolkit::SqlTableModel;

class SqlTableModelTest : public QObject
{
    Q_OBJECT

  private:
    std::unique_ptr<sample::Database> m_db;

    std::unique_ptr<SqlTableModel> makeModel(int pageSize = 64, int maxPages = 4)
    {
        auto model = std::make_unique<SqlTableModel>();
        model->setConnectionName(m_db->connection());
        model->setTable(QStringLiteral("Things"));
        model->setKeyColumn(QStringLiteral("id"));
        model->setColumns({QStringLiteral("name"), QStringLiteral("status"), QStringLiteral("day"),
                           QStringLiteral("amount"), QStringLiteral("flag"), QStringLiteral("code")},
                          {QStringLiteral("Name"), QString(), QStringLiteral("Date")});
        model->setPageSize(pageSize);
        model->setMaxCachedPages(maxPages);
        return model;
    }

    static QVariantList keysInOrder(SqlTableModel& model, const QList<int>& rows)
    {
        QVariantList keys;
        for (int row : rows)
            keys << model.keyAt(row);
        return keys;
    }

    static QList<int> range(int first, int last, int step = 1)
    {
        QList<int> rows;
        for (int row = first; step > 0 ? row <= last : row >= last; row += step)
            rows << row;
        return rows;
    }

  private slots:
    void init() { m_db = std::make_unique<sample::Database>(); }
    void cleanup() { m_db.reset(); }

    // Rows read in any order of pages (sequential both ways, jumps, random) are
    // the rows the same ORDER BY returns, with NULL and duplicate sort values.
    void readsRowsInSqlOrder_data()
    {
        QTest::addColumn<QString>("sort");
        QTest::addColumn<int>("order");
        QTest::addColumn<QString>("filter");

        QTest::newRow("by key") << QString() << int(Qt::AscendingOrder) << QString();
        QTest::newRow("by key, descending") << QString() << int(Qt::DescendingOrder) << QString();
        QTest::newRow("status with NULLs") << QStringLiteral("status") << int(Qt::AscendingOrder) << QString();
        QTest::newRow("status with NULLs, descending")
            << QStringLiteral("status") << int(Qt::DescendingOrder) << QString();
        QTest::newRow("filtered on a month") << QStringLiteral("day") << int(Qt::DescendingOrder)
                                             << QStringLiteral("day >= '2020-03-01' AND day < '2020-04-01'");
        QTest::newRow("filter with a colon in a literal")
            << QStringLiteral("status") << int(Qt::AscendingOrder)
            << QStringLiteral("name <> 'a:b' AND day <> '10:00:00' AND flag = 0");
        QTest::newRow("nothing matches") << QStringLiteral("name") << int(Qt::AscendingOrder)
                                         << QStringLiteral("flag = 7");
    }

    void readsRowsInSqlOrder()
    {
        QFETCH(QString, sort);
        QFETCH(int, order);
        QFETCH(QString, filter);
        const QString direction = order == Qt::DescendingOrder ? QStringLiteral(" DESC") : QStringLiteral(" ASC");
        QString statement = QStringLiteral("SELECT id FROM Things");
        if (!filter.isEmpty())
            statement += QStringLiteral(" WHERE ") + filter;
        statement +=
            QStringLiteral(" ORDER BY ") + (sort.isEmpty() ? QString() : sort + direction + ", ") + "id" + direction;
        const QVariantList expected = m_db->column(statement);

        auto model = makeModel();
        QVERIFY(model->setFilter(filter));
        QVERIFY(model->setSort(sort, Qt::SortOrder(order)));
        QVERIFY(model->open());
        const int count = int(expected.size());
        QCOMPARE(model->rowCount(), count);
        if (count == 0)
            return;

        QCOMPARE(keysInOrder(*model, range(0, count - 1)), expected);
        model->refresh();
        QCOMPARE(keysInOrder(*model, range(count - 1, 0, -1)), QVariantList(expected.crbegin(), expected.crend()));

        // Jumps: to the end, to the middle, then onwards from there both ways.
        model->refresh();
        const int middle = count / 2;
        QCOMPARE(model->keyAt(count - 1), expected.last());
        QCOMPARE(model->keyAt(middle), expected[middle]);
        QCOMPARE(keysInOrder(*model, range(middle, std::min(count - 1, middle + 300))),
                 expected.mid(middle, std::min(count - 1, middle + 300) - middle + 1));
        QCOMPARE(model->keyAt(std::max(0, middle - 200)), expected[std::max(0, middle - 200)]);

        QRandomGenerator random(42);
        for (int i = 0; i < 200; ++i) {
            const int row = int(random.bounded(count));
            QCOMPARE(model->keyAt(row), expected[row]);
        }
        QVERIFY(model->cachedPageCount() <= 4);
    }

    // A filter's in-order form serves the pages near either end and those read next to a cached
    // page, once enough rows meet the filter and an index serves the sort; counts and jumps deep
    // inside keep to the filter. The in-order form here leaves out every tenth row on purpose,
    // so that the rows show which form was read.
    void readsInOrderWhereItServes_data()
    {
        QTest::addColumn<QString>("sort");
        QTest::addColumn<int>("from");
        QTest::addColumn<bool>("inOrder");
        QTest::newRow("by key") << QString() << 0 << true;
        QTest::newRow("by an indexed column") << QStringLiteral("day") << 2500 << true;
        QTest::newRow("fewer rows than it serves from") << QString() << 2501 << false;
        QTest::newRow("by a column without an index") << QStringLiteral("amount") << 0 << false;
    }

    void readsInOrderWhereItServes()
    {
        QFETCH(QString, sort);
        QFETCH(int, from);
        QFETCH(bool, inOrder);
        const QString filter = QStringLiteral("flag = 0");
        const QString marked = QStringLiteral(" AND id % 10 <> 3");
        const QString order = QStringLiteral(" ORDER BY ") + (sort.isEmpty() ? QString() : sort + ", ") + "id";
        const QVariantList all = m_db->column(QStringLiteral("SELECT id FROM Things WHERE ") + filter + order);
        QCOMPARE(all.size(), 2500);
        const QVariantList read =
            m_db->column(QStringLiteral("SELECT id FROM Things WHERE ") + filter + (inOrder ? marked : "") + order);

        auto model = makeModel();
        QVERIFY(model->setFilter(filter, {{from, filter + marked}}));
        QVERIFY(model->setSort(sort));
        QVERIFY(model->open());
        QCOMPARE(model->rowCount(), 2500);
        QCOMPARE(keysInOrder(*model, range(0, 127)), read.mid(0, 128));
        // The last page, from the end.
        QCOMPARE(model->keyAt(2499), read.last());
        // Deep inside: the filter's own rows; the page after it continues from there.
        QCOMPARE(keysInOrder(*model, range(1280, 1343)), all.mid(1280, 64));
        const qsizetype next = read.indexOf(all[1343]) + 1;
        QCOMPARE(keysInOrder(*model, range(1344, 1350)), read.mid(next, 7));
    }

    void showsStoredValuesAndNull()
    {
        auto model = makeModel();
        QVERIFY(model->open());
        QCOMPARE(model->columnCount(), 6);
        QCOMPARE(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Name"));
        QCOMPARE(model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("status"));
        QCOMPARE(model->headerData(2, Qt::Horizontal).toString(), QStringLiteral("Date"));
        // Row 6 is id 7, whose status is NULL.
        QCOMPARE(model->data(model->index(6, 0)).toString(), QStringLiteral("Name 0049"));
        QVERIFY(!model->data(model->index(6, 1)).isValid());
        QCOMPARE(model->data(model->index(6, 2), Qt::EditRole).toString(), QStringLiteral("2020-01-08"));
        QCOMPARE(model->data(model->index(6, 3)).toDouble(), 10.5);
        const QVariantMap record = model->record(6);
        QCOMPARE(record.value(QStringLiteral("id")).toInt(), 7);
        QCOMPARE(record.value(QStringLiteral("name")).toString(), QStringLiteral("Name 0049"));
        QVERIFY(record.contains(QStringLiteral("status")));
        QCOMPARE(model->value(6, QStringLiteral("FLAG")).toInt(), 1);

        // Without a column list the model shows the whole table.
        SqlTableModel whole;
        whole.setConnectionName(m_db->connection());
        whole.setTable(QStringLiteral("Things"));
        QVERIFY(whole.open());
        QCOMPARE(whole.columnNames(), (QStringList{"id", "name", "status", "day", "amount", "flag", "code"}));
        QCOMPARE(whole.keyAt(0).toInt(), 1);
        QVERIFY(whole.flags(whole.index(0, 1)) & Qt::ItemIsEditable);
    }

    void postsAnEditAtOnce_data()
    {
        QTest::addColumn<QString>("column");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("stored"); // as SQLite quotes it

        QTest::newRow("text with a quote")
            << QStringLiteral("name") << QVariant("O'Brien") << QStringLiteral("'O''Brien'");
        QTest::newRow("date") << QStringLiteral("day") << QVariant(QDate(2024, 3, 5)) << QStringLiteral("'2024-03-05'");
        QTest::newRow("time") << QStringLiteral("day") << QVariant(QTime(13, 4, 5)) << QStringLiteral("'13:04:05'");
        QTest::newRow("time with ms") << QStringLiteral("day") << QVariant(QTime(13, 4, 5, 20))
                                      << QStringLiteral("'13:04:05.020'");
        QTest::newRow("true") << QStringLiteral("flag") << QVariant(true) << QStringLiteral("1");
        QTest::newRow("false") << QStringLiteral("flag") << QVariant(false) << QStringLiteral("0");
        QTest::newRow("null") << QStringLiteral("status") << QVariant() << QStringLiteral("NULL");
        QTest::newRow("number") << QStringLiteral("amount") << QVariant(12.25) << QStringLiteral("12.25");
    }

    void postsAnEditAtOnce()
    {
        QFETCH(QString, column);
        QFETCH(QVariant, value);
        QFETCH(QString, stored);
        auto model = makeModel();
        QVERIFY(model->setSort(QStringLiteral("name")));
        QVERIFY(model->open());
        const int row = 2500;
        const int key = model->keyAt(row).toInt();
        const int col = model->columnIndex(column);
        QSignalSpy changed(model.get(), &QAbstractItemModel::dataChanged);
        QSignalSpy reset(model.get(), &QAbstractItemModel::modelReset);
        const QString select = QStringLiteral("SELECT quote(%1) FROM Things WHERE id = %2").arg(column).arg(key);
        const QString before = m_db->scalar(select).toString();
        QStringList events;
        connect(model.get(), &SqlTableModel::aboutToPost, this, [&](int r, int c, const QVariant& v) {
            const bool unchanged = m_db->scalar(select).toString() == before;
            events << QStringLiteral("about %1 %2 %3 %4").arg(r).arg(c).arg(v.toString()).arg(unchanged);
        });
        connect(model.get(), &SqlTableModel::posted, this,
                [&](int r, int c) { events << QStringLiteral("posted %1 %2").arg(r).arg(c); });

        QVERIFY(model->setData(model->index(row, col), value));

        QCOMPARE(m_db->scalar(select).toString(), stored);
        QCOMPARE(events, (QStringList{QStringLiteral("about %1 %2 %3 1").arg(row).arg(col).arg(value.toString()),
                                      QStringLiteral("posted %1 %2").arg(row).arg(col)}));
        QCOMPARE(changed.size(), 1);
        const auto topLeft = changed[0][0].value<QModelIndex>();
        const auto bottomRight = changed[0][1].value<QModelIndex>();
        QCOMPARE(topLeft.row(), row);
        QCOMPARE(bottomRight.row(), row);
        QCOMPARE(reset.size(), 0);
        QCOMPARE(model->rowCount(), 5000);
        QCOMPARE(model->keyAt(row).toInt(), key); // the row stays where it was
        const QVariant shown = model->data(model->index(row, col));
        QCOMPARE(shown.isValid(), stored != QStringLiteral("NULL"));
    }

    // A refused edit says why and changes neither the row nor what the grid shows.
    void aRefusedEditChangesNothing_data()
    {
        QTest::addColumn<QString>("column");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<bool>("editable");
        QTest::addColumn<bool>("deleted"); // the row is deleted meanwhile
        QTest::addColumn<QString>("reason");
        QTest::newRow("NOT NULL") << QStringLiteral("code") << QVariant() << true << false
                                  << QStringLiteral("NOT NULL");
        QTest::newRow("row deleted meanwhile")
            << QStringLiteral("name") << QVariant("gone") << true << true << QString();
        QTest::newRow("read-only column")
            << QStringLiteral("status") << QVariant("Paid") << false << false << QString();
        QTest::newRow("the key") << QStringLiteral("id") << QVariant(77) << false << false << QString();
    }

    void aRefusedEditChangesNothing()
    {
        QFETCH(QString, column);
        QFETCH(QVariant, value);
        QFETCH(bool, editable);
        QFETCH(bool, deleted);
        QFETCH(QString, reason);
        auto model = makeModel();
        model->setColumns(
            {QStringLiteral("id"), QStringLiteral("name"), QStringLiteral("status"), QStringLiteral("code")});
        model->setColumnReadOnly(QStringLiteral("Status"), true);
        QVERIFY(model->open());
        const QModelIndex cell = model->index(0, model->columnIndex(column));
        const QVariant shown = cell.data();
        if (deleted)
            m_db->exec("DELETE FROM Things WHERE id = 1");
        const QString select = QStringLiteral("SELECT quote(%1) FROM Things WHERE id = 1").arg(column);
        const QVariant stored = m_db->scalar(select);
        QCOMPARE(bool(model->flags(cell) & Qt::ItemIsEditable), editable);
        QSignalSpy errors(model.get(), &SqlTableModel::error);
        QSignalSpy posted(model.get(), &SqlTableModel::posted);

        QVERIFY(!model->setData(cell, value));

        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors[0][0].toString().contains(reason, Qt::CaseInsensitive), qPrintable(errors[0][0].toString()));
        QCOMPARE(model->lastError(), errors[0][0].toString());
        QCOMPARE(posted.size(), 0);
        QCOMPARE(m_db->scalar(select), stored);
        QCOMPARE(cell.data(), shown);
    }

    // SQLite would read an unknown double-quoted name as a text literal; the
    // model names the column instead.
    void aMisspeltNameIsAnError_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QStringList>("columns");
        QTest::addColumn<QString>("sort");
        QTest::addColumn<QString>("message");
        QTest::newRow("shown column") << QStringLiteral("Things")
                                      << QStringList{QStringLiteral("name"), QStringLiteral("nmae")} << QString()
                                      << QStringLiteral("no such column: nmae");
        QTest::newRow("sort column") << QStringLiteral("Things") << QStringList{QStringLiteral("name")}
                                     << QStringLiteral("stauts") << QStringLiteral("no such column: stauts");
        QTest::newRow("table") << QStringLiteral("Thngs") << QStringList() << QString()
                               << QStringLiteral("no such table: Thngs");
        QTest::newRow("filter") << QStringLiteral("Things") << QStringList() << QStringLiteral("filter")
                                << QStringLiteral("no such column: no_such_column");
    }

    void aMisspeltNameIsAnError()
    {
        QFETCH(QString, table);
        QFETCH(QStringList, columns);
        QFETCH(QString, sort);
        QFETCH(QString, message);
        SqlTableModel model;
        model.setConnectionName(m_db->connection());
        model.setTable(table);
        model.setColumns(columns);
        QSignalSpy errors(&model, &SqlTableModel::error);
        if (sort == QLatin1String("filter")) {
            // A filter that fails leaves the grid empty; the next good one shows its rows.
            QVERIFY(model.open());
            QVERIFY(!model.setFilter(QStringLiteral("no_such_column = 1")));
        } else {
            model.setSort(sort);
            QVERIFY(!model.open());
            QCOMPARE(model.columnCount(), 0);
        }
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors[0][0].toString().startsWith(message), qPrintable(errors[0][0].toString()));
        QCOMPARE(model.rowCount(), 0);
        if (sort == QLatin1String("filter")) {
            QVERIFY(model.setFilter(QStringLiteral("status = 'Paid'")));
            QCOMPARE(model.rowCount(),
                     m_db->scalar(QStringLiteral("SELECT COUNT(*) FROM Things WHERE status = 'Paid'")).toInt());
        }
    }

    void appendsARowWhereTheSortPutsIt()
    {
        auto model = makeModel();
        QVERIFY(model->setSort(QStringLiteral("name")));
        QVERIFY(model->open());
        QCOMPARE(model->keyAt(4999).isValid(), true); // the last page is cached
        QSignalSpy inserted(model.get(), &QAbstractItemModel::rowsInserted);
        const int row = model->appendRow(
            {{QStringLiteral("name"), QStringLiteral("Name 0500")}, {QStringLiteral("day"), QDate(2021, 2, 3)}});
        // Five existing rows per name; the new row has the highest id of its name.
        QCOMPARE(row, 500 * 5 + 5);
        QCOMPARE(model->rowCount(), 5001);
        QCOMPARE(inserted.size(), 1);
        QCOMPARE(inserted[0][1].toInt(), row);
        const int key = model->lastInsertedKey().toInt();
        QCOMPARE(model->keyAt(row).toInt(), key);
        QCOMPARE(m_db->scalar(QStringLiteral("SELECT day || code FROM Things WHERE id = %1").arg(key)).toString(),
                 QStringLiteral("2021-02-03x"));
        QCOMPARE(model->data(model->index(5000, 0)).toString(), QStringLiteral("Name 0999"));
        QCOMPARE(model->rowOfKey(key), row);

        QVERIFY(model->setFilter(QStringLiteral("flag = 1")));
        const int before = model->rowCount();
        QCOMPARE(model->appendRow({{QStringLiteral("flag"), 0}}), -1);
        QVERIFY(model->lastInsertedKey().isValid());
        QCOMPARE(model->rowCount(), before);
        QVERIFY(model->insertRows(0, 2));
        QCOMPARE(model->rowCount(), before);
        QCOMPARE(m_db->scalar(QStringLiteral("SELECT COUNT(*) FROM Things")).toInt(), 5004);
    }

    void removesRowsByKey()
    {
        auto model = makeModel();
        QVERIFY(model->setSort(QStringLiteral("name"), Qt::DescendingOrder));
        QVERIFY(model->open());
        const QVariantList doomed = keysInOrder(*model, range(100, 104));
        const QVariant following = model->keyAt(105);
        const QVariant last = model->keyAt(4999);
        QSignalSpy removed(model.get(), &QAbstractItemModel::rowsRemoved);
        QVERIFY(model->removeRows(100, 5));
        QCOMPARE(removed.size(), 1);
        QCOMPARE(model->rowCount(), 4995);
        QCOMPARE(model->keyAt(100), following);
        QCOMPARE(model->keyAt(4994), last);
        QCOMPARE(m_db->scalar(QStringLiteral("SELECT COUNT(*) FROM Things")).toInt(), 4995);
        for (const QVariant& key : doomed)
            QCOMPARE(model->rowOfKey(key), -1);

        // More rows than one DELETE statement takes.
        QVERIFY(model->removeRows(0, 1200));
        QCOMPARE(model->rowCount(), 3795);
        QCOMPARE(m_db->scalar(QStringLiteral("SELECT COUNT(*) FROM Things")).toInt(), 3795);
    }

    void aDeleteHandlerReplacesTheDelete()
    {
        auto model = makeModel();
        QVERIFY(model->open());
        const QString connection = m_db->connection();
        model->setDeleteHandler([connection](const QVariantList& keys) {
            QSqlDatabase db = QSqlDatabase::database(connection, false);
            if (!db.transaction())
                throw std::runtime_error("no transaction");
            for (const QVariant& key : keys) {
                QSqlQuery query(db);
                query.prepare(QStringLiteral("DELETE FROM Parts WHERE thing = ?"));
                query.addBindValue(key);
                query.exec();
                query.prepare(QStringLiteral("DELETE FROM Things WHERE id = ?"));
                query.addBindValue(key);
                query.exec();
            }
            return db.commit();
        });
        QVERIFY(model->removeRows(0, 2));
        QCOMPARE(m_db->scalar(QStringLiteral("SELECT COUNT(*) FROM Parts WHERE thing IN (1, 2)")).toInt(), 0);
        QCOMPARE(m_db->scalar(QStringLiteral("SELECT COUNT(*) FROM Parts")).toInt(), 48);
        QCOMPARE(model->rowCount(), 4998);
        QCOMPARE(model->keyAt(0).toInt(), 3);

        // A handler that also removes rows not asked for: the model shows the table afresh.
        model->setDeleteHandler([this](const QVariantList&) {
            m_db->exec("DELETE FROM Things WHERE id <= 10");
            return true;
        });
        QSignalSpy reset(model.get(), &QAbstractItemModel::modelReset);
        QVERIFY(model->removeRows(0, 1));
        QCOMPARE(reset.size(), 1);
        QCOMPARE(model->rowCount(), 4990);
        QCOMPARE(model->keyAt(0).toInt(), 11);

        // A handler that fails, by throwing or by saying so, keeps the rows and says why.
        model->setDeleteHandler([](const QVariantList&) -> bool { throw std::runtime_error("child rows are locked"); });
        QSignalSpy errors(model.get(), &SqlTableModel::error);
        QSignalSpy removed(model.get(), &QAbstractItemModel::rowsRemoved);
        QVERIFY(!model->removeRows(0, 1));
        QCOMPARE(errors.size(), 1);
        QCOMPARE(errors[0][0].toString(), QStringLiteral("child rows are locked"));
        model->setDeleteHandler([](const QVariantList&) { return false; });
        QVERIFY(!model->removeRows(0, 1));
        QCOMPARE(errors.size(), 2);
        QCOMPARE(removed.size(), 0);
        QCOMPARE(model->rowCount(), 4990);
        QCOMPARE(m_db->scalar(QStringLiteral("SELECT COUNT(*) FROM Things")).toInt(), 4990);
    }

    void closeThenRefreshAcrossAReconnect()
    {
        auto model = makeModel();
        QVERIFY(model->open());
        model->keyAt(4000);
        QSignalSpy reset(model.get(), &QAbstractItemModel::modelReset);
        model->close();
        QCOMPARE(reset.size(), 1);
        QCOMPARE(model->rowCount(), 0);
        QCOMPARE(model->cachedPageCount(), 0);
        QVERIFY(!model->isOpen());

        QSqlDatabase db = m_db->db();
        db.close();
        QVERIFY(db.open());
        m_db->exec("DELETE FROM Things WHERE id > 3000");
        QVERIFY(model->refresh());
        QCOMPARE(model->rowCount(), 3000);
        QCOMPARE(model->keyAt(2999).toInt(), 3000);

        // Opening while the connection is closed is an error, not a silent empty grid.
        model->close();
        m_db->db().close();
        QSignalSpy errors(model.get(), &SqlTableModel::error);
        QVERIFY(!model->open());
        QCOMPARE(errors.size(), 1);
        QCOMPARE(model->rowCount(), 0);
    }

    void aReadFailureIsReportedOnceAfterwards()
    {
        auto model = makeModel();
        QVERIFY(model->open());
        m_db->exec("ALTER TABLE Things RENAME TO Gone");
        QSignalSpy errors(model.get(), &SqlTableModel::error);
        QVERIFY(!model->data(model->index(4000, 0)).isValid());
        QVERIFY(!model->data(model->index(100, 1)).isValid());
        QCOMPARE(errors.size(), 0); // not while the view paints
        QCoreApplication::processEvents();
        QCOMPARE(errors.size(), 2);
        QVERIFY(!model->lastError().isEmpty());
        // A stale report is dropped once the model moved on.
        QVERIFY(!model->data(model->index(10, 0)).isValid());
        model->close();
        QCoreApplication::processEvents();
        QCOMPARE(errors.size(), 2);
    }
};

QTEST_GUILESS_MAIN(SqlTableModelTest)
#include "tst_SqlTableModel.moc"
