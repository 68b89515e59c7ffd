#include "SampleTable.h"

#include "toolkit/SqlGroupModel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

using pelmora::toolkit::SqlGroupModel;

class SqlGroupModelTest : public QObject
{
    Q_OBJECT

  private:
    std::unique_ptr<sample::Database> m_db;

    std::unique_ptr<SqlGroupModel> makeModel(const QStringList& groups)
    {
        auto model = std::make_unique<SqlGroupModel>();
        model->setConnectionName(m_db->connection());
        model->setTable(QStringLiteral("Things"));
        model->setKeyColumn(QStringLiteral("id"));
        model->setColumns(
            {QStringLiteral("name"), QStringLiteral("status"), QStringLiteral("flag"), QStringLiteral("code")});
        model->setGroupColumns(groups);
        model->setPageSize(64);
        model->setMaxCachedPages(4);
        return model;
    }

    // "value (count)" for each blank-merged status, in ascending order.
    QStringList expectedStatusLabels(const QString& where = {}) const
    {
        QStringList labels;
        QSqlQuery query(m_db->db());
        query.exec(QStringLiteral("SELECT COALESCE(status, '') AS s, COUNT(*) FROM Things %1 GROUP BY s ORDER BY s")
                       .arg(where.isEmpty() ? QString() : QStringLiteral("WHERE ") + where));
        while (query.next())
            labels << QStringLiteral("%1 (%2)").arg(query.value(0).toString()).arg(query.value(1).toInt());
        return labels;
    }

    static QStringList labels(const SqlGroupModel& model, const QModelIndex& parent = {})
    {
        QStringList result;
        for (int row = 0; row < model.rowCount(parent); ++row)
            result << model.index(row, 0, parent).data().toString();
        return result;
    }

    static QModelIndex groupOf(const SqlGroupModel& model, const QString& prefix, const QModelIndex& parent = {})
    {
        for (int row = 0; row < model.rowCount(parent); ++row) {
            const QModelIndex index = model.index(row, 0, parent);
            if (index.data().toString().startsWith(prefix))
                return index;
        }
        return {};
    }

  private slots:
    void init() { m_db = std::make_unique<sample::Database>(); }
    void cleanup() { m_db.reset(); }

    void passesTheModelTester_data()
    {
        QTest::addColumn<QStringList>("groups");
        QTest::newRow("no grouping") << QStringList();
        QTest::newRow("one level") << QStringList{QStringLiteral("status")};
        QTest::newRow("two levels") << QStringList{QStringLiteral("flag"), QStringLiteral("status")};
    }

    void passesTheModelTester()
    {
        QFETCH(QStringList, groups);
        auto model = makeModel(groups);
        model->setPageSize(256);
        model->setMaxCachedPages(8);
        QAbstractItemModelTester tester(model.get(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        QVERIFY(model->open());
        QVERIFY(model->setFilter(QStringLiteral("id <= 600")));
        QCoreApplication::processEvents(); // groups the tester opened while checking
        QModelIndex leaf;
        while (model->canFetchMore(leaf) || model->isGroup(model->index(0, 0, leaf))) {
            model->fetchMore(leaf);
            if (!model->isGroup(model->index(0, 0, leaf)))
                break;
            leaf = model->index(0, 0, leaf);
        }
        QVERIFY(model->rowCount(leaf) > 0);
        QVERIFY(model->setData(model->index(0, 0, leaf), QStringLiteral("edited")));
        QCoreApplication::processEvents();
        model->close();
        QVERIFY(model->refresh());
        QCoreApplication::processEvents();
    }

    void topGroupsComeFromGroupBy()
    {
        auto model = makeModel({QStringLiteral("status")});
        QVERIFY(model->open());
        const QStringList expected = expectedStatusLabels();
        QCOMPARE(labels(*model), expected);
        QCOMPARE(expected.first(),
                 QStringLiteral(" (%1)").arg(
                     m_db->scalar("SELECT COUNT(*) FROM Things WHERE status IS NULL OR status = ''").toInt()));
        const QModelIndex blank = model->index(0, 0);
        QVERIFY(model->isGroup(blank));
        QVERIFY(!model->data(blank, SqlGroupModel::GroupValueRole).isValid());
        const QModelIndex paid = groupOf(*model, QStringLiteral("Paid"));
        QCOMPARE(model->data(paid, SqlGroupModel::GroupValueRole).toString(), QStringLiteral("Paid"));
        QCOMPARE(model->data(paid, SqlGroupModel::GroupColumnRole).toString(), QStringLiteral("status"));
        QCOMPARE(model->data(paid.siblingAtColumn(2), SqlGroupModel::GroupLabelRole).toString(),
                 paid.data().toString());
        QVERIFY(!paid.siblingAtColumn(1).data().isValid());
        QVERIFY(!(model->flags(paid) & Qt::ItemIsEditable));

        // The blank group holds the NULL and the empty rows, in the rows' sort.
        model->setSort(QStringLiteral("name"), Qt::DescendingOrder);
        QVERIFY(model->refresh());
        const QModelIndex blanksGroup = model->index(0, 0);
        model->fetchMore(blanksGroup);
        const QVariantList blanks = m_db->column(
            QStringLiteral("SELECT id FROM Things WHERE status IS NULL OR status = '' ORDER BY name DESC, id DESC"));
        QCOMPARE(model->rowCount(blanksGroup), int(blanks.size()));
        for (int row : {0, 1, int(blanks.size()) - 1, int(blanks.size()) / 2})
            QCOMPARE(model->keyAt(model->index(row, 0, blanksGroup)), blanks[row]);

        model->setGroupOrder(Qt::DescendingOrder);
        QVERIFY(model->refresh());
        QCOMPARE(labels(*model).first(), expected.last());

        // Closed, the model holds nothing; refreshed, it shows the table as it is now.
        model->fetchMore(model->index(1, 0));
        model->keyAt(model->index(0, 0, model->index(1, 0)));
        const quint64 generation = model->generation();
        model->close();
        QCOMPARE(model->rowCount(), 0);
        QCOMPARE(model->cachedPageCount(), 0);
        QVERIFY(model->generation() > generation);
        m_db->exec("UPDATE Things SET status = 'Paid' WHERE status = 'Unpaid'");
        model->setGroupOrder(Qt::AscendingOrder);
        QVERIFY(model->refresh());
        QCOMPARE(labels(*model), expectedStatusLabels());
        QVERIFY(!groupOf(*model, QStringLiteral("Unpaid")).isValid());
    }

    void childrenAreFetchedWhenAGroupOpens()
    {
        auto model = makeModel({QStringLiteral("flag"), QStringLiteral("status")});
        QVERIFY(model->open());
        QCOMPARE(labels(*model), (QStringList{QStringLiteral("0 (2500)"), QStringLiteral("1 (2500)")}));
        const QModelIndex odd = model->index(1, 0);
        QCOMPARE(model->rowCount(odd), 0);
        QVERIFY(model->hasChildren(odd));
        QVERIFY(model->canFetchMore(odd));
        QCOMPARE(model->cachedPageCount(), 0);

        QSignalSpy inserted(model.get(), &QAbstractItemModel::rowsInserted);
        model->fetchMore(odd);
        QCOMPARE(inserted.size(), 1);
        QVERIFY(!model->canFetchMore(odd));
        QCOMPARE(labels(*model, odd), expectedStatusLabels(QStringLiteral("flag = 1")));
        QCOMPARE(model->rowCount(model->index(0, 0)), 0); // the other group stays closed

        const QModelIndex unpaid = groupOf(*model, QStringLiteral("Unpaid"), odd);
        QCOMPARE(model->parent(unpaid), odd);
        QVERIFY(model->canFetchMore(unpaid));
        model->fetchMore(unpaid);
        const QVariantList expected =
            m_db->column(QStringLiteral("SELECT id FROM Things WHERE flag = 1 AND status = 'Unpaid' ORDER BY id"));
        QCOMPARE(model->rowCount(unpaid), int(expected.size()));
        QCOMPARE(model->cachedPageCount(), 0); // rows are read when shown, not when the group opens
        QVariantList keys;
        for (int row = 0; row < model->rowCount(unpaid); ++row)
            keys << model->keyAt(model->index(row, 0, unpaid));
        QCOMPARE(keys, expected);
        const QModelIndex first = model->index(0, 0, unpaid);
        QVERIFY(!model->isGroup(first));
        QCOMPARE(model->parent(first), unpaid);
        QVERIFY(!model->hasChildren(first));
        QCOMPARE(model->value(first, QStringLiteral("STATUS")).toString(), QStringLiteral("Unpaid"));
        QCOMPARE(model->record(first).value(QStringLiteral("id")), expected.first());
    }

    // Reading through three big groups keeps the cache within its bound.
    void pagesStayWithinOneBudget()
    {
        auto model = makeModel({QStringLiteral("flag")});
        QVERIFY(model->open());
        for (int group = 0; group < 2; ++group) {
            const QModelIndex parent = model->index(group, 0);
            model->fetchMore(parent);
            for (int row = 0; row < model->rowCount(parent); row += 7) {
                QVERIFY(model->keyAt(model->index(row, 0, parent)).isValid());
                QVERIFY(model->cachedPageCount() <= 4);
            }
        }
        QCOMPARE(model->cachedPageCount(), 4);
        // Pages dropped from the first group are read again when needed.
        QCOMPARE(model->keyAt(model->index(0, 0, model->index(0, 0))).toInt(), 2);
    }

    void editsPostAtOnce()
    {
        auto model = makeModel({QStringLiteral("status")});
        QVERIFY(model->open());
        const QModelIndex paid = groupOf(*model, QStringLiteral("Paid"));
        model->fetchMore(paid);
        const QModelIndex cell = model->index(10, model->columnIndex(QStringLiteral("name")), paid);
        const int key = model->keyAt(cell).toInt();
        QSignalSpy changed(model.get(), &QAbstractItemModel::dataChanged);
        QSignalSpy reset(model.get(), &QAbstractItemModel::modelReset);
        QSignalSpy about(model.get(), &SqlGroupModel::aboutToPost);
        QSignalSpy posted(model.get(), &SqlGroupModel::posted);
        QVERIFY(model->setData(cell, QStringLiteral("It's new")));
        QCOMPARE(m_db->scalar(QStringLiteral("SELECT name FROM Things WHERE id = %1").arg(key)).toString(),
                 QStringLiteral("It's new"));
        QCOMPARE(cell.data().toString(), QStringLiteral("It's new"));
        QCOMPARE(about.size(), 1);
        QCOMPARE(posted.size(), 1);
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed[0][0].value<QModelIndex>().row(), 10);
        QCOMPARE(changed[0][1].value<QModelIndex>().row(), 10);
        QCOMPARE(changed[0][0].value<QModelIndex>().parent(), paid);
        QCOMPARE(reset.size(), 0);

        // Moving the row to another group keeps it in place until the next refresh.
        const int count = model->rowCount(paid);
        QVERIFY(model->setData(cell.siblingAtColumn(model->columnIndex(QStringLiteral("status"))),
                               QStringLiteral("Shipped")));
        QCOMPARE(model->rowCount(paid), count);
        QVERIFY(model->refresh());
        QCOMPARE(labels(*model), expectedStatusLabels());

        QSignalSpy errors(model.get(), &SqlGroupModel::error);
        const QModelIndex shipped = groupOf(*model, QStringLiteral("Shipped"));
        model->fetchMore(shipped);
        QVERIFY(!model->setData(model->index(0, model->columnIndex(QStringLiteral("code")), shipped), QVariant()));
        QCOMPARE(errors.size(), 1);
        QVERIFY(!model->setData(shipped, QStringLiteral("a group is not a row")));
    }

    void filterAppliesToGroupsAndRows()
    {
        auto model = makeModel({QStringLiteral("status")});
        QVERIFY(model->setFilter(QStringLiteral("day >= '2020-03-01' AND day < '2020-04-01'")));
        QVERIFY(model->open());
        QCOMPARE(labels(*model), expectedStatusLabels(QStringLiteral("day >= '2020-03-01' AND day < '2020-04-01'")));
        const QModelIndex paid = groupOf(*model, QStringLiteral("Paid"));
        model->fetchMore(paid);
        QCOMPARE(model->rowCount(paid),
                 m_db->scalar("SELECT COUNT(*) FROM Things WHERE day >= '2020-03-01' AND day < '2020-04-01' AND "
                              "status = 'Paid'")
                     .toInt());

        QSignalSpy errors(model.get(), &SqlGroupModel::error);
        QVERIFY(!model->setFilter(QStringLiteral("no_such_column = 2")));
        QCOMPARE(errors.size(), 1);
        QCOMPARE(model->rowCount(), 0);

        QVERIFY(model->setFilter(QString()));
        QVERIFY(!model->setGroupColumns({QStringLiteral("stauts")}));
        QCOMPARE(errors.size(), 2);
        QCOMPARE(errors[1][0].toString(), QStringLiteral("no such column: stauts"));
        QCOMPARE(model->rowCount(), 0);
    }
};

QTEST_GUILESS_MAIN(SqlGroupModelTest)
#include "tst_SqlGroupModel.moc"
