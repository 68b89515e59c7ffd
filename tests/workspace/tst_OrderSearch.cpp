#include "SearchShop.h"
#include "database/SqlDialect.h"
#include "support/DataFixture.h"
#include "workspace/OrderSearch.h"

#include <QtTest>
#include <memory>

using namespace pelmora;

class OrderSearchTest : public QObject
{
    Q_OBJECT
  private slots:
    void init()
    {
        f_ = std::make_unique<test::DataFixture>();
        data_ = &f_->data;
    }

    void cleanup() { f_.reset(); }

    void severalWords_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("words in the orders") << "smith ring";
        QTest::newRow("in the orders and in few items") << "smith gadget";
        QTest::newRow("a word twice") << "smith SMITH";
        QTest::newRow("a long and a short word") << "o'brien 50";
        QTest::newRow("in many items, beside one in the orders") << "walnut smith";
        QTest::newRow("in many items, beside one in few items") << "gadget walnut";
        QTest::newRow("both in many items") << "walnut stand";
        QTest::newRow("in many items, beside a short word") << "walnut wu";
        QTest::newRow("all kinds") << "smith walnut 50 stand";
    }

    // Several words, some of them found in many items, some in few, some in the orders, some too
    // short for the index: however they are looked up, the search finds what reading every row
    // finds, before and after rows are written.
    void severalWords()
    {
        QFETCH(QString, text);
        generate(300);
        QSqlDatabase db = data_->database();
        QVERIFY(db.transaction());
        QRandomGenerator random(11);
        // On half of the orders only, so that the word decides.
        for (int i = 0; i <= 5000; ++i)
            exec(QStringLiteral("INSERT INTO Items(ShopperID,ProductCode,Product) VALUES(?,?,?)"),
                 {5000 + random.bounded(150), QStringLiteral("WS-%1").arg(i % 7),
                  i % 3 ? QStringLiteral("Walnut Widget Stand") : QStringLiteral("Walnut tray")});
        QVERIFY(db.commit());
        QVERIFY(OrderSearch(OrdersSource::Live).build(db));
        const QSet<int> expected = scan(text);
        QVERIFY2(!expected.isEmpty(), "the generated orders should hold this text");
        // However the grid reads the orders found: gathered, or looked up or read row by row in order.
        const auto readings = {OrderSearch::Reading::Gathered, OrderSearch::Reading::LookedUp,
                               OrderSearch::Reading::RowByRow};
        for (OrderSearch::Reading reading : readings)
            QCOMPARE(search(text, OrdersSource::Live, reading), expected);
        exec(QStringLiteral("INSERT INTO Orders(ShopperID,Invoice_name) VALUES(9001,'Walnut Smith Stand 50')"));
        exec(QStringLiteral("INSERT INTO Items(ShopperID,Product) VALUES(9001,'wu gadget')"));
        exec(QStringLiteral("UPDATE Items SET Product='Oak tray' WHERE ShopperID=5001"));
        for (OrderSearch::Reading reading : readings)
            QCOMPARE(search(text, OrdersSource::Live, reading), scan(text));
    }

    void rebuiltTablesAreNoticed()
    {
        QSqlDatabase db = data_->database();
        const OrderSearch search(OrdersSource::Live);
        QVERIFY(!search.isReady(db));
        QVERIFY(search.build(db));
        QVERIFY(search.isReady(db));
        // Rebuilding a table the way a layout upgrade does drops its triggers: the index can no
        // longer follow it and must be made anew.
        exec(QStringLiteral("INSERT INTO Orders(ShopperID,Invoice_name) VALUES(1,'Ida Ibsen')"));
        exec(QStringLiteral("INSERT INTO Items(ShopperID,Product) VALUES(1,'Inkwell')"));
        for (const char* table : {"Items", "Orders"}) {
            QVERIFY(search.build(db));
            SqlDialect::rebuildTable(db, QString::fromLatin1(table),
                                     SqlDialect::tableColumns(db, QString::fromLatin1(table)));
            QVERIFY(!search.isReady(db));
            QVERIFY(search.build(db));
            QVERIFY(search.isReady(db));
            QCOMPARE(this->search(QStringLiteral("inkwell ibsen")).size(), 1);
        }
    }

    void cancelledBuildChangesNothing()
    {
        generate(50);
        QSqlDatabase db = data_->database();
        const OrderSearch search(OrdersSource::Live);
        QList<qint64> seen;
        const bool built = search.build(db, [&](qint64 done, qint64 total) {
            seen << done;
            return done < total; // cancel at the end
        });
        QVERIFY(!built);
        QVERIFY(!seen.isEmpty());
        QVERIFY(!search.isReady(db));
        QSqlQuery query(db);
        QVERIFY(query.exec(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name LIKE '%Search%'")));
        QVERIFY(query.next());
        QCOMPARE(query.value(0).toInt(), 0);
    }

    void writesNeverWaitForTheIndex_data()
    {
        QTest::addColumn<QStringList>("writes");
        const QString archive = QStringLiteral("ShopperID,Invoice_name,Invoice_email,Ship_address1,Notes,Status");
        QTest::newRow("inserts only") << QStringList();
        QTest::newRow("edits") << QStringList{
            QStringLiteral("UPDATE Orders SET Invoice_name=Invoice_name||' Smith' WHERE id%3=0"),
            QStringLiteral("UPDATE Items SET Product='Rudder' WHERE rowid%4=0")};
        QTest::newRow("edits twice, then deletes") << QStringList{
            QStringLiteral("UPDATE Orders SET Notes='rudder' WHERE id%2=0"),
            QStringLiteral("UPDATE Orders SET Notes='smith' WHERE id%3=0"),
            QStringLiteral("DELETE FROM Orders WHERE id%5=0"), QStringLiteral("DELETE FROM Items WHERE rowid%3=0")};
        QTest::newRow("changed keys") << QStringList{
            QStringLiteral("UPDATE Orders SET id=id+100000 WHERE id%7=0"),
            QStringLiteral("UPDATE Orders SET id=id-100000 WHERE id>100000 AND id%2=0"),
            QStringLiteral("UPDATE Items SET ShopperID=5001 WHERE rowid%6=0")};
        QTest::newRow("an item twice in an order, then one of them gone") << QStringList{
            QStringLiteral(
                "INSERT INTO Items(ShopperID,ProductCode,Product) SELECT ShopperID,ProductCode,Product FROM Items "
                "WHERE rowid%2=0"),
            QStringLiteral(
                "DELETE FROM Items WHERE rowid IN (SELECT min(rowid) FROM Items GROUP BY ShopperID,ProductCode,"
                "Product HAVING count(*)>1)"),
            QStringLiteral("UPDATE Items SET ShopperID=NULL WHERE rowid%9=0"),
            QStringLiteral("UPDATE Items SET ShopperID=5002 WHERE ShopperID IS NULL AND rowid%2=0")};
        QTest::newRow("an item twice in an order, then the new one gone") << QStringList{
            QStringLiteral(
                "INSERT INTO Items(ShopperID,ProductCode,Product) SELECT ShopperID,ProductCode,Product FROM Items "
                "WHERE rowid%2=0"),
            QStringLiteral(
                "DELETE FROM Items WHERE rowid IN (SELECT max(rowid) FROM Items GROUP BY ShopperID,ProductCode,"
                "Product HAVING count(*)>1)")};
        QTest::newRow("columns outside the index")
            << QStringList{QStringLiteral("UPDATE Orders SET Status='Completed'")};
        QTest::newRow("archive moves") << QStringList{
            QStringLiteral("INSERT INTO OrdersArchve(%1) SELECT %1 FROM Orders WHERE id%2=0").arg(archive),
            QStringLiteral(
                "INSERT INTO ItemsArchive(ShopperID,ProductCode,Product) SELECT ShopperID,ProductCode,Product "
                "FROM Items WHERE ShopperID IN (SELECT ShopperID FROM Orders WHERE id%2=0)"),
            QStringLiteral("DELETE FROM Items WHERE ShopperID IN (SELECT ShopperID FROM Orders WHERE id%2=0)"),
            QStringLiteral("DELETE FROM Orders WHERE id%2=0"),
            QStringLiteral("UPDATE OrdersArchve SET Invoice_name='Rudder Smith' WHERE rowid%3=0"),
            QStringLiteral("DELETE FROM ItemsArchive WHERE rowid%4=0")};
    }

    // Rows written after the index was built, by another connection too (as another program's
    // import), are found while pending, after part of them was indexed, after more writes, and
    // once every one was indexed.
    void writesNeverWaitForTheIndex()
    {
        QFETCH(QStringList, writes);
        generate(120);
        QSqlDatabase db = data_->database();
        for (OrdersSource source : {OrdersSource::Live, OrdersSource::Archive})
            QVERIFY(OrderSearch(source).build(db));
        {
            QSqlDatabase other = QSqlDatabase::cloneDatabase(db, QStringLiteral("other"));
            QVERIFY(other.open());
            QSqlQuery query(other);
            QVERIFY(query.exec(QStringLiteral("INSERT INTO Orders(ShopperID,Invoice_name) VALUES(9001,'Zoë Smith')")));
        }
        QSqlDatabase::removeDatabase(QStringLiteral("other"));
        generate(80, 120);
        const OrderSearch live(OrdersSource::Live);
        const qint64 newItems =
            data_->scalar(QStringLiteral("SELECT count(*) FROM Items WHERE ShopperID>=5120")).toLongLong();
        QCOMPARE(live.pendingCount(db, 1000000), 81 + newItems);
        verifyAgreesWithScan(QStringLiteral("pending"));
        for (const QString& sql : writes)
            exec(sql);
        verifyAgreesWithScan(QStringLiteral("written"));
        for (OrdersSource source : {OrdersSource::Live, OrdersSource::Archive})
            OrderSearch(source).catchUp(db, 37);
        verifyAgreesWithScan(QStringLiteral("partly indexed"));
        for (const QString& sql : writes)
            exec(sql);
        verifyAgreesWithScan(QStringLiteral("written again"));
        for (OrdersSource source : {OrdersSource::Live, OrdersSource::Archive}) {
            while (OrderSearch(source).catchUp(db, 50) == 50) {
            }
            QCOMPARE(OrderSearch(source).pendingCount(db, 1000000), 0);
        }
        verifyAgreesWithScan(QStringLiteral("indexed"));
    }

    // The item index of earlier versions, which indexed every item row, is not taken for today's:
    // the index is built anew, the earlier objects go, and the search then follows writes.
    void earlierItemIndexIsBuiltAnew()
    {
        generate(60);
        QSqlDatabase db = data_->database();
        const OrderSearch live(OrdersSource::Live);
        QVERIFY(live.build(db));
        QVERIFY(OrderSearch(OrdersSource::Archive).build(db));
        for (const char* name : {"ItemsSearch_insert", "ItemsSearch_change", "ItemsSearch_delete", "ItemsSearch_text"})
            exec(QStringLiteral("DROP TRIGGER %1").arg(QString::fromLatin1(name)));
        for (const char* name : {"ItemsSearch", "ItemsSearchText", "ItemsSearchOrders", "ItemsSearchPending"})
            exec(QStringLiteral("DROP TABLE %1").arg(QString::fromLatin1(name)));
        QFile script(QStringLiteral(PELMORA_TEST_DATA "/search_items_per_row.sql"));
        QVERIFY(script.open(QIODevice::ReadOnly));
        for (const QByteArray& line : script.readAll().split('\n'))
            if (!line.startsWith("--") && !line.trimmed().isEmpty())
                exec(QString::fromUtf8(line));
        generate(20, 60);
        QVERIFY(!live.isReady(db));

        QVERIFY(live.build(db));
        QVERIFY(live.isReady(db));
        QCOMPARE(data_->scalar(QStringLiteral("SELECT type FROM sqlite_master WHERE name='ItemsSearchText'")), "table");
        verifyAgreesWithScan(QStringLiteral("built anew"));
        exec(QStringLiteral("UPDATE Items SET Product='Rudder' WHERE rowid%3=0"));
        exec(QStringLiteral("DELETE FROM Items WHERE rowid%5=0"));
        verifyAgreesWithScan(QStringLiteral("written after"));
    }

  private:
    void exec(const QString& sql, const QVariantList& values = {}) { f_->exec(sql, values); }
    void generate(int orders, int first = 0)
    {
        test::SearchShop::fill(data_->database(), QStringLiteral("Orders"), QStringLiteral("Items"), orders,
                               5000 + first);
    }
    // The numbers of the orders the search finds, and those it should find.
    QSet<int> search(const QString& text, OrdersSource source = OrdersSource::Live,
                     OrderSearch::Reading reading = OrderSearch::Reading::Gathered)
    {
        const OrderSearch::Condition c = OrderSearch(source).condition(data_->database(), text, true, reading);
        const QList<int> found = test::SearchShop::numbers(
            data_->database(),
            QStringLiteral("SELECT ShopperID FROM %1%2")
                .arg(OrdersDataSet::of(source).ordersTable, c.isEmpty() ? QString() : " WHERE " + c.sql),
            c.values);
        return QSet<int>(found.begin(), found.end());
    }
    QSet<int> scan(const QString& text, OrdersSource source = OrdersSource::Live)
    {
        const OrdersDataSet& set = OrdersDataSet::of(source);
        return test::SearchShop::like(data_->database(), text, QString(), set.ordersTable, set.itemsTable);
    }
    // Both data sets searched for a few words give what reading every row gives, and each index
    // passes its own check.
    void verifyAgreesWithScan(const QString& when)
    {
        for (OrdersSource source : {OrdersSource::Live, OrdersSource::Archive}) {
            for (const char* text : {"smith", "widget", "sku-3", "rudder", "c1@example", "zoë", "smith widget",
                                     "rudder c1", "zoë sku", "ku"})
                for (OrderSearch::Reading reading : {OrderSearch::Reading::Gathered, OrderSearch::Reading::LookedUp})
                    QVERIFY2(search(QString::fromUtf8(text), source, reading) == scan(QString::fromUtf8(text), source),
                             qPrintable(when + QStringLiteral(": ") + QString::fromUtf8(text)));
            const OrderSearch search(source);
            for (const QString& index : {search.ordersIndex(), search.itemsIndex()}) {
                QSqlQuery check(data_->database());
                QVERIFY2(check.exec(QStringLiteral("INSERT INTO %1(%1) VALUES('integrity-check')").arg(index)),
                         qPrintable(when + QStringLiteral(": ") + check.lastError().text()));
            }
        }
    }

    std::unique_ptr<test::DataFixture> f_;
    DataModule* data_ = nullptr;
};

QTEST_GUILESS_MAIN(OrderSearchTest)
#include "tst_OrderSearch.moc"
