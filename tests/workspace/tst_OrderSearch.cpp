#include "common/Error.h"
#include "database/DataModule.h"
#include "database/SqlDialect.h"
#include "support/TestFolder.h"
#include "workspace/OrderSearch.h"

#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QtTest>
#include <memory>

using namespace pelmora;

namespace
{

// Names, streets and products with accents, quotes, wildcards and mixed case, so that the
// index is asked the hard questions.
const QStringList kNames{QStringLiteral("Ann Smith"),       QStringLiteral("Bob O'Brien"),
                         QStringLiteral("José Núñez"),      QStringLiteral("Jürgen Müller"),
                         QStringLiteral("Zoë Smithers"),    QStringLiteral("li wu"),
                         QStringLiteral("100% Cotton Ltd"), QStringLiteral("A_B Trading")};
const QStringList kStreets{QStringLiteral("1 Main Street"), QStringLiteral("22 rue de la Paix"),
                           QStringLiteral("Hauptstraße 5"), QStringLiteral("PO Box 50%")};
const QStringList kProducts{QStringLiteral("Blue Widget"), QStringLiteral("Gadget XL"),
                            QStringLiteral("Crème brûlée kit"), QStringLiteral("50% off voucher"),
                            QStringLiteral("smith's hammer")};

} // namespace

class OrderSearchTest : public QObject
{
    Q_OBJECT
  private slots:
    void init();
    void cleanup();

    void findsWhatAScanFinds_data();
    void findsWhatAScanFinds();
    void followsInsertsEditsAndDeletes();
    void archiveHasItsOwnIndex();
    void rebuiltTablesAreNoticed();
    void cancelledBuildChangesNothing();
    void writesNeverWaitForTheIndex_data();
    void writesNeverWaitForTheIndex();
    void rowByRowIndexIsUpgradedInPlace();

  private:
    void exec(const QString& sql, const QVariantList& values = {});
    void generate(int orders, int first = 0);
    QSet<qint64> search(const QString& text, OrdersSource source = OrdersSource::Live);
    QSet<qint64> scan(const QString& text, OrdersSource source = OrdersSource::Live);
    void verifyAgreesWithScan(const QString& when);

    std::unique_ptr<test::TestFolder> folder_;
    std::unique_ptr<DataModule> data_;
};

void OrderSearchTest::init()
{
    folder_ = std::make_unique<test::TestFolder>();
    data_ = std::make_unique<DataModule>();
    data_->setLocation(folder_->databasePath());
    data_->ResetDB();
}

void OrderSearchTest::cleanup()
{
    data_.reset();
    folder_.reset();
}

void OrderSearchTest::exec(const QString& sql, const QVariantList& values)
{
    QSqlQuery query(data_->database());
    QVERIFY2(query.prepare(sql), qPrintable(query.lastError().text()));
    for (const QVariant& v : values)
        query.addBindValue(v);
    QVERIFY2(query.exec(), qPrintable(query.lastError().text()));
}

void OrderSearchTest::generate(int orders, int first)
{
    QRandomGenerator random(7 + first);
    QSqlDatabase db = data_->database();
    QVERIFY(db.transaction());
    for (int i = first; i < first + orders; ++i) {
        const int shopper = 5000 + i;
        const QString name = kNames[random.bounded(kNames.size())];
        exec(QStringLiteral("INSERT INTO Orders(ShopperID,Invoice_name,Invoice_email,Ship_address1,Notes,Status) "
                            "VALUES(?,?,?,?,?,'Paid')"),
             {shopper, name, QStringLiteral("c%1@Example.com").arg(i),
              random.bounded(3) ? QVariant(kStreets[random.bounded(kStreets.size())]) : QVariant(),
              random.bounded(4) ? QVariant(QString()) : QVariant(QStringLiteral("call before noon"))});
        for (int k = random.bounded(3); k > 0; --k)
            exec(QStringLiteral("INSERT INTO Items(ShopperID,ProductCode,Product) VALUES(?,?,?)"),
                 {shopper, QStringLiteral("SKU-%1").arg(random.bounded(40)),
                  kProducts[random.bounded(kProducts.size())]});
    }
    QVERIFY(db.commit());
}

QSet<qint64> OrderSearchTest::search(const QString& text, OrdersSource source)
{
    const OrderSearch search(source);
    const OrderSearch::Condition c = search.condition(text);
    const QString table = OrdersDataSet::of(source).ordersTable;
    const QString key = OrdersDataSet::of(source).ordersKey;
    QSqlQuery query(data_->database());
    query.prepare(QStringLiteral("SELECT %1 FROM %2%3").arg(key, table, c.isEmpty() ? QString() : " WHERE " + c.sql));
    for (const QVariant& v : c.values)
        query.addBindValue(v);
    if (!query.exec())
        qFatal("search failed: %s", qPrintable(query.lastError().text()));
    QSet<qint64> ids;
    while (query.next())
        ids.insert(query.value(0).toLongLong());
    return ids;
}

// The same question answered by reading every order and item: each word must occur, ignoring
// the case of ASCII letters, in a searched column of the order or in a product of its items.
QSet<qint64> OrderSearchTest::scan(const QString& text, OrdersSource source)
{
    const OrdersDataSet& set = OrdersDataSet::of(source);
    QHash<qint64, QStringList> texts;
    QHash<qint64, qint64> idOf;
    QSqlQuery orders(data_->database());
    orders.exec(QStringLiteral("SELECT %1,ShopperID,%2 FROM %3")
                    .arg(set.ordersKey, OrderSearch::orderColumns().join(','), set.ordersTable));
    while (orders.next()) {
        QStringList values;
        for (int c = 1; c < orders.record().count(); ++c)
            values << orders.value(c).toString();
        texts[orders.value(0).toLongLong()] += values;
        idOf[orders.value(1).toLongLong()] = orders.value(0).toLongLong();
    }
    QSqlQuery items(data_->database());
    items.exec(QStringLiteral("SELECT ShopperID,ProductCode,Product FROM ") + set.itemsTable);
    while (items.next())
        if (idOf.contains(items.value(0).toLongLong()))
            texts[idOf[items.value(0).toLongLong()]] << items.value(1).toString() << items.value(2).toString();
    auto asciiLower = [](QString s) {
        for (QChar& ch : s)
            if (ch.unicode() < 128)
                ch = ch.toLower();
        return s;
    };
    QSet<qint64> ids;
    for (auto it = texts.cbegin(); it != texts.cend(); ++it) {
        bool all = true;
        for (const QString& word : text.split(' ', Qt::SkipEmptyParts)) {
            bool found = false;
            for (const QString& value : it.value())
                found = found || asciiLower(value).contains(asciiLower(word));
            all = all && found;
        }
        if (all)
            ids.insert(it.key());
    }
    return ids;
}

void OrderSearchTest::findsWhatAScanFinds_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("surname") << "smith";
    QTest::newRow("other case") << "SMITH";
    QTest::newRow("accented") << QStringLiteral("müller");
    QTest::newRow("accented inside") << QStringLiteral("ñe");
    QTest::newRow("quote") << "o'brien";
    QTest::newRow("percent sign") << "50%";
    QTest::newRow("percent in a name") << "100% cot";
    QTest::newRow("underscore is not a wildcard") << "a_b";
    QTest::newRow("one letter") << "z";
    QTest::newRow("two letters") << "wu";
    QTest::newRow("order number") << "5012";
    QTest::newRow("e-mail") << "c17@example";
    QTest::newRow("item product") << "widget";
    QTest::newRow("item code") << "sku-3";
    QTest::newRow("order and item words") << "smith gadget";
    QTest::newRow("note") << "before noon";
    QTest::newRow("street with sharp s") << QStringLiteral("straße");
    QTest::newRow("nothing") << "zzzz";
}

void OrderSearchTest::findsWhatAScanFinds()
{
    QFETCH(QString, text);
    generate(300);
    QSqlDatabase db = data_->database();
    QVERIFY(OrderSearch(OrdersSource::Live).build(db));
    const QSet<qint64> expected = scan(text);
    QCOMPARE(search(text), expected);
    if (text != QLatin1String("zzzz"))
        QVERIFY2(!expected.isEmpty(), "the generated orders should hold this text");
}

void OrderSearchTest::followsInsertsEditsAndDeletes()
{
    QSqlDatabase db = data_->database();
    QVERIFY(OrderSearch(OrdersSource::Live).build(db));
    exec(QStringLiteral("INSERT INTO Orders(ShopperID,Invoice_name) VALUES(7001,'Harriet Quimby')"));
    exec(QStringLiteral("INSERT INTO Orders(ShopperID,Invoice_name) VALUES(7002,'Amelia Earhart')"));
    QCOMPARE(search("quimby").size(), 1);

    exec(QStringLiteral("UPDATE Orders SET Invoice_name='Harriet Q. Smith' WHERE ShopperID=7001"));
    QCOMPARE(search("quimby").size(), 0);
    QCOMPARE(search("q. smith").size(), 1);

    // A change of a column outside the index leaves it as it was.
    exec(QStringLiteral("UPDATE Orders SET New=0, Status='Paid'"));
    QCOMPARE(search("smith").size(), 1);

    exec(QStringLiteral("INSERT INTO Items(ShopperID,ProductCode,Product) VALUES(7002,'PX-9','Propeller')"));
    QCOMPARE(search("propeller amelia").size(), 1);
    exec(QStringLiteral("UPDATE Items SET Product='Rudder' WHERE ShopperID=7002"));
    QCOMPARE(search("propeller").size(), 0);
    QCOMPARE(search("rudder").size(), 1);
    exec(QStringLiteral("UPDATE Items SET ShopperID=7001"));
    QCOMPARE(search("rudder harriet").size(), 1);
    exec(QStringLiteral("DELETE FROM Items"));
    QCOMPARE(search("rudder").size(), 0);

    exec(QStringLiteral("DELETE FROM Orders WHERE ShopperID=7001"));
    QCOMPARE(search("smith").size(), 0);
    QCOMPARE(search("amelia").size(), 1);

    // After all those changes the index is still whole.
    QSqlQuery check(db);
    QVERIFY2(check.exec(QStringLiteral("INSERT INTO OrdersSearch(OrdersSearch) VALUES('integrity-check')")),
             qPrintable(check.lastError().text()));
    QVERIFY2(check.exec(QStringLiteral("INSERT INTO ItemsSearch(ItemsSearch) VALUES('integrity-check')")),
             qPrintable(check.lastError().text()));
}

void OrderSearchTest::archiveHasItsOwnIndex()
{
    QSqlDatabase db = data_->database();
    exec(QStringLiteral("INSERT INTO Orders(ShopperID,Invoice_name) VALUES(1,'Live Larson')"));
    exec(QStringLiteral("INSERT INTO OrdersArchve(ShopperID,Invoice_name,id) VALUES(2,'Old Olsen',9)"));
    exec(QStringLiteral("INSERT INTO ItemsArchive(ShopperID,Product) VALUES(2,'Anvil')"));
    QVERIFY(OrderSearch(OrdersSource::Live).build(db));
    QVERIFY(OrderSearch(OrdersSource::Archive).build(db));
    QCOMPARE(search("olsen").size(), 0);
    QCOMPARE(search("olsen", OrdersSource::Archive).size(), 1);
    QCOMPARE(search("anvil old", OrdersSource::Archive).size(), 1);
    exec(QStringLiteral("DELETE FROM OrdersArchve"));
    QCOMPARE(search("olsen", OrdersSource::Archive).size(), 0);
    QCOMPARE(search("larson").size(), 1);
}

void OrderSearchTest::rebuiltTablesAreNoticed()
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

void OrderSearchTest::cancelledBuildChangesNothing()
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

// Both data sets searched for a few words give what reading every row gives, and each index
// passes its own check.
void OrderSearchTest::verifyAgreesWithScan(const QString& when)
{
    for (OrdersSource source : {OrdersSource::Live, OrdersSource::Archive}) {
        for (const char* text : {"smith", "widget", "sku-3", "rudder", "c1@example", "zoë"})
            QVERIFY2(search(QString::fromUtf8(text), source) == scan(QString::fromUtf8(text), source),
                     qPrintable(when + QStringLiteral(": ") + QString::fromUtf8(text)));
        const OrderSearch search(source);
        for (const QString& index : {search.ordersIndex(), search.itemsIndex()}) {
            QSqlQuery check(data_->database());
            QVERIFY2(check.exec(QStringLiteral("INSERT INTO %1(%1) VALUES('integrity-check')").arg(index)),
                     qPrintable(when + QStringLiteral(": ") + check.lastError().text()));
        }
    }
}

void OrderSearchTest::writesNeverWaitForTheIndex_data()
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
    QTest::newRow("columns outside the index") << QStringList{QStringLiteral("UPDATE Orders SET Status='Completed'")};
    QTest::newRow("archive moves") << QStringList{
        QStringLiteral("INSERT INTO OrdersArchve(%1) SELECT %1 FROM Orders WHERE id%2=0").arg(archive),
        QStringLiteral("INSERT INTO ItemsArchive(ShopperID,ProductCode,Product) SELECT ShopperID,ProductCode,Product "
                       "FROM Items WHERE ShopperID IN (SELECT ShopperID FROM Orders WHERE id%2=0)"),
        QStringLiteral("DELETE FROM Items WHERE ShopperID IN (SELECT ShopperID FROM Orders WHERE id%2=0)"),
        QStringLiteral("DELETE FROM Orders WHERE id%2=0"),
        QStringLiteral("UPDATE OrdersArchve SET Invoice_name='Rudder Smith' WHERE rowid%3=0"),
        QStringLiteral("DELETE FROM ItemsArchive WHERE rowid%4=0")};
}

// Rows written after the index was built, by another connection too (as another program's
// import), are found while pending, after part of them was indexed, after more writes, and
// once every one was indexed.
void OrderSearchTest::writesNeverWaitForTheIndex()
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

// An index kept current by the triggers of earlier versions gets today's triggers without
// being filled again, and then follows writes as one built today.
void OrderSearchTest::rowByRowIndexIsUpgradedInPlace()
{
    generate(60);
    QSqlDatabase db = data_->database();
    const OrderSearch live(OrdersSource::Live);
    QVERIFY(live.build(db));
    QVERIFY(OrderSearch(OrdersSource::Archive).build(db));
    // The live indexes as earlier versions left them.
    for (const char* name : {"OrdersSearch_insert", "OrdersSearch_change", "OrdersSearch_rekey", "OrdersSearch_delete",
                             "ItemsSearch_insert", "ItemsSearch_change", "ItemsSearch_delete"})
        exec(QStringLiteral("DROP TRIGGER %1").arg(QString::fromLatin1(name)));
    exec(QStringLiteral("DROP TABLE OrdersSearchPending"));
    exec(QStringLiteral("DROP TABLE ItemsSearchPending"));
    QFile script(QStringLiteral(PELMORA_TEST_DATA "/search_row_by_row.sql"));
    QVERIFY(script.open(QIODevice::ReadOnly));
    for (const QByteArray& line : script.readAll().split('\n'))
        if (line.startsWith("CREATE"))
            exec(QString::fromUtf8(line));
    generate(20, 60); // indexed row by row
    exec(QStringLiteral("UPDATE Orders SET Invoice_name='Rudder' WHERE id%4=0"));
    QVERIFY(!live.isReady(db));

    const QVariant segments = data_->scalar(QStringLiteral("SELECT group_concat(hex(block)) FROM OrdersSearch_data"));
    QVERIFY(live.upgrade(db));
    QVERIFY(live.isReady(db));
    QVERIFY(!live.upgrade(db));
    QCOMPARE(data_->scalar(QStringLiteral("SELECT group_concat(hex(block)) FROM OrdersSearch_data")), segments);
    QCOMPARE(live.pendingCount(db, 1000), 0);
    verifyAgreesWithScan(QStringLiteral("upgraded"));

    exec(QStringLiteral("UPDATE Orders SET Invoice_name='Smith' WHERE id%3=0"));
    exec(QStringLiteral("DELETE FROM Orders WHERE id%5=0"));
    exec(QStringLiteral("DELETE FROM Items WHERE rowid%2=0"));
    verifyAgreesWithScan(QStringLiteral("written after the upgrade"));
    while (live.catchUp(db, 1000) == 1000) {
    }
    verifyAgreesWithScan(QStringLiteral("indexed after the upgrade"));
}

QTEST_GUILESS_MAIN(OrderSearchTest)
#include "tst_OrderSearch.moc"
