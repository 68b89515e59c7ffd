#include "intake/IntakeFixture.h"

#include "intake/BatchImport.h"

#include <QSignalSpy>
#include <QSqlRecord>
#include <QTest>

using namespace pelmora;
using namespace pelmora::test;

namespace
{
const QByteArray kMarker = "<-- Orders -- >\r\n";

// An order line of all 50 fields.
QByteArray fullOrder(int id, const QByteArray& date = "31.12.2006")
{
    QList<QByteArray> f{QByteArray::number(id), "shop1", date, "14:30:00", "\"Smith; John\""};
    for (int i = 6; i <= 23; ++i)
        f << "t" + QByteArray::number(i);
    f += {"1.5", "2", "3.25", "4", "100.75", "\"Please ring\r\ntwice\""}; // 24-28, 29 Message
    for (int i = 30; i <= 44; ++i)
        f << "t" + QByteArray::number(i);
    f += {"Unpaid", "False", "7.5", "GV1", "a note", "True"}; // 45-50
    return f.join(';');
}

// The indexes of Orders and Items, by name and definition.
QStringList indexes(IntakeFixture& f)
{
    QStringList out;
    QSqlQuery q = f.data.select(QStringLiteral("SELECT name || ': ' || sql FROM sqlite_master WHERE type='index' AND "
                                               "tbl_name IN ('Orders','Items') ORDER BY name"));
    while (q.next())
        out << q.value(0).toString();
    return out;
}

QVariantList row(IntakeFixture& f, const QString& sql)
{
    QSqlQuery q = f.data.select(sql);
    QVariantList out;
    if (q.next())
        for (int i = 0; i < q.record().count(); ++i)
            out << (q.isNull(i) ? QVariant() : q.value(i));
    return out;
}
} // namespace

class DoBatchTest : public QObject
{
    Q_OBJECT

  private slots:
    void importsOrdersAndItems()
    {
        IntakeFixture f;
        f.folder.writeFile(
            QStringLiteral("db/Download.txt"),
            "2\r\n" + fullOrder(1001) + "\r\n" + fullOrder(1002, "2006-12-31_18:00:00") + "\r\n" + kMarker +
                "1001;2;P1;\"Blue\r\nshirt\";pcs;12.50;25;31.12.06\r\n1002;1;P2;Cap;;3;3;12/31/2006\r\n");
        f.folder.writeFile(QStringLiteral("db/Orders.txt"), "stale");
        f.folder.writeFile(QStringLiteral("db/Items.txt"), "stale");
        QStringList statusAtPause;
        f.onPause = [&](int, bool) { statusAtPause << f.port.status(); };
        QSignalSpy reset(&f.data, &DataModule::reset);
        const QStringList indexesBefore = indexes(f);
        QVERIFY(!indexesBefore.isEmpty());

        const ImportResult result = BatchImport(f.data, f.port, f.root, f.pause).DoBatch();

        QVERIFY2(result.ok, qPrintable(result.error));
        // Indexes set aside during the import are back.
        QCOMPARE(indexes(f), indexesBefore);
        QCOMPARE(result.orders, 2);
        QCOMPARE(result.items, 2);
        QCOMPARE(reset.count(), 1);
        QVERIFY(f.data.isConnected());
        const QVariantList o = row(
            f, QStringLiteral(
                   "SELECT "
                   "ShopperID,Username,Invoice_date,Invoice_time,Invoice_name,Invoice_company,Ship_country,Discount,"
                   "Total,Message,Status,Selected,Gift_voucher_value,Gift_voucher_code,Notes,New,typeof(ShopperID),"
                   "typeof(Total) FROM Orders WHERE ShopperID=1001"));
        const QVariantList expected{1001,     "shop1",   "2006-12-31", "14:30:00", "Smith; John",
                                    "t6",     "t23",     1.5,          100.75,     "Please ring\r\ntwice",
                                    "Unpaid", 0,         7.5,          "GV1",      "a note",
                                    1,        "integer", "real"};
        QCOMPARE(o, expected);
        QCOMPARE(f.scalar(QStringLiteral("SELECT Invoice_date FROM Orders WHERE ShopperID=1002")).toString(),
                 QStringLiteral("2007-01-01"));
        const QVariantList item = row(f, QStringLiteral("SELECT * FROM Items WHERE ShopperID=1001"));
        const QVariantList expectedItem{1001, 2.0, "P1", "Blue\r\nshirt", "pcs", 12.5, 25.0, "2006-12-31"};
        QCOMPARE(item, expectedItem);
        QCOMPARE(f.scalar(QStringLiteral("SELECT Units FROM Items WHERE ShopperID=1002")).toString(), QString());
        QVERIFY(f.folder.logLines().isEmpty());
        // The status bar through the two waits (the second one serving the window's events); the work files gone.
        const QStringList statuses{QStringLiteral("Moving new orders into the current database.."),
                                   QStringLiteral("Download complete.")};
        QCOMPARE(f.port.statuses, statuses);
        QCOMPARE(f.pauses, (QList<QPair<int, bool>>{{2000, false}, {2000, true}}));
        QCOMPARE(statusAtPause, (QStringList{statuses.first(), statuses.first()}));
        for (const char* name : {"db/Download.txt", "db/Orders.txt", "db/Items.txt"})
            QVERIFY2(!QFile::exists(f.folder.file(QString::fromLatin1(name))), name);
    }

    void fieldsAsStored_data()
    {
        QTest::addColumn<QByteArray>("download");
        QTest::addColumn<QString>("select");
        QTest::addColumn<QList<QVariantList>>("rows");
        // The first line's 12 fields are imported for every line; later extra fields are ignored.
        QTest::newRow("columns from the first line")
            << "h\r\n1;u;1.1.2006;10:00;n;c;a1;a2;st;zip;de;tel\r\n" + fullOrder(2) + "\r\n"
            << "SELECT ShopperID,Invoice_tel,Invoice_fax,Total,Status,New FROM Orders ORDER BY ShopperID"
            << QList<QVariantList>{{1, "tel", QVariant(), QVariant(), QVariant(), 1},
                                   {2, "t12", QVariant(), QVariant(), QVariant(), 1}};
        // The empty last line is an item whose fields are all empty: numbers null, texts empty.
        QTest::newRow("empty fields and an extra line")
            << "h\n" + kMarker + "7;1;P;Prod;u;1;1;1.1.2006\r\n\r\n"
            << "SELECT ShopperID,Qty,ProductCode,Invoice_date FROM Items ORDER BY rowid"
            << QList<QVariantList>{{7, 1.0, "P", "2006-01-01"}, {QVariant(), QVariant(), "", QVariant()}};
        QTest::newRow("long texts and ANSI bytes")
            << QByteArray("h\r\n1;shop1;;;J\xfcrgen M\xfcller \x80;;;;;;;;;a.very.long.address@example-shop.com\r\n")
            << "SELECT Invoice_name,Invoice_email FROM Orders"
            << QList<QVariantList>{{QString::fromUtf8("Jürgen Müller €"), "a.very.long.address@example-shop.com"}};
    }

    void fieldsAsStored()
    {
        QFETCH(QByteArray, download);
        QFETCH(QString, select);
        QFETCH(QList<QVariantList>, rows);
        IntakeFixture f;
        f.folder.writeFile(QStringLiteral("db/Download.txt"), download);
        QVERIFY(BatchImport(f.data, f.port, f.root, f.pause).DoBatch().ok);
        QSqlQuery q = f.data.select(select);
        QList<QVariantList> stored;
        while (q.next()) {
            stored << QVariantList();
            for (int i = 0; i < q.record().count(); ++i)
                stored.last() << (q.isNull(i) ? QVariant() : q.value(i));
        }
        QCOMPARE(stored, rows);
        QCOMPARE(f.count(QStringLiteral("Orders")) + f.count(QStringLiteral("Items")), int(rows.size()));
    }

    void failingRecordKeepsNothing_data()
    {
        QTest::addColumn<QByteArray>("download");
        QTest::addColumn<QString>("logged");
        QTest::newRow("bad order date") << "h\r\n" + fullOrder(1) + "\r\n" + fullOrder(2) + "\r\n" +
                                               fullOrder(3, "30.02.2006") + "\r\n" + kMarker + "1;1\r\n"
                                        << "into table Orders, record 3 (line 6 of the file), column Invoice_date: "
                                           "30.02.2006 is not a valid date time";
        QTest::newRow("bad item number") << "h\r\n" + fullOrder(1) + "\r\n" + kMarker + "1;1;P\r\n1;12,50;P\r\n"
                                         << "into table Items, record 2 (line 6 of the file), column Qty: 12,50 is not "
                                            "a valid floating point number";
        // A damaged download: neither memory nor the log takes it whole.
        QTest::newRow("line past the limit")
            << "h\r\n" + fullOrder(1) + "\r\n" + QByteArray(1100 * 1024, 'x') + "\r\n" + kMarker + "1;1;P\r\n"
            << QStringLiteral("The line at line 4 of the download is longer than 1048576 bytes; no order or item comes "
                              "near that size, so the file is damaged");
        QTest::newRow("quoted value past the limit")
            << "h\r\n" + fullOrder(1) + "\r\n" + kMarker + "1;\"" +
                   QByteArray(QByteArray(600 * 1024, 'q') + "\r\n").repeated(2) + "\";P\r\n"
            << QStringLiteral(
                   "The quoted value starting at line 5 of the download is longer than 1048576 bytes; no order "
                   "or item comes near that size, so the file is damaged");
        QTest::newRow("megabyte value cut in the log")
            << "h\r\n" + fullOrder(1) + "\r\n" + kMarker + "1;" + QByteArray(500000, '7') + "x;P\r\n"
            << "into table Items, record 1 (line 5 of the file), column Qty: " + QString(200, QLatin1Char('7')) +
                   "... (500001 characters) is not a valid floating point number";
    }

    void failingRecordKeepsNothing()
    {
        QFETCH(QByteArray, download);
        QFETCH(QString, logged);
        IntakeFixture f;
        f.exec(QStringLiteral("INSERT INTO Orders(ShopperID,Username) VALUES(500,'shop1')"));
        f.folder.writeFile(QStringLiteral("db/Download.txt"), download);
        const QStringList indexesBefore = indexes(f);

        const ImportResult result = BatchImport(f.data, f.port, f.root, f.pause).DoBatch();

        QVERIFY(!result.ok);
        QCOMPARE(indexes(f), indexesBefore);
        QCOMPARE(f.count(QStringLiteral("Orders")), 1);
        QCOMPARE(f.count(QStringLiteral("Items")), 0);
        QCOMPARE(f.port.status(), QStringLiteral("The download failed and was not imported."));
        const QStringList log = f.folder.logLines();
        QCOMPARE(log.size(), 1);
        QVERIFY2(log.first().contains(QStringLiteral(": Importing from file ") +
                                      f.folder.file(QStringLiteral("db/Download.txt"))),
                 qPrintable(log.first()));
        QVERIFY2(log.first().endsWith(logged + QStringLiteral(" method: DoBatch")), qPrintable(log.first()));
        QVERIFY(!QFile::exists(f.folder.file(QStringLiteral("db/Download.txt"))));
        // The connection is usable after the rollback.
        f.exec(QStringLiteral("INSERT INTO Orders(ShopperID) VALUES(501)"));
        QCOMPARE(f.count(QStringLiteral("Orders")), 2);
    }

    void missingDownloadFile()
    {
        IntakeFixture f;
        QSignalSpy reset(&f.data, &DataModule::reset);
        const ImportResult result = BatchImport(f.data, f.port, f.root, f.pause).DoBatch();
        QVERIFY(!result.ok);
        QCOMPARE(reset.count(), 1);
        QCOMPARE(f.port.status(), QStringLiteral("The download failed and was not imported."));
        QCOMPARE(f.folder.logLines().size(), 1);
        QVERIFY(f.folder.logLines().first().endsWith(QStringLiteral(" method: DoBatch")));
    }

    void importFileKeepsTheFile()
    {
        IntakeFixture f;
        f.folder.writeFile(QStringLiteral("tmp/mine.txt"), "h\r\n1;a\r\n");
        const ImportResult result =
            BatchImport(f.data, f.port, f.root, f.pause).importFile(f.folder.file(QStringLiteral("tmp/mine.txt")));
        QVERIFY(result.ok);
        QVERIFY(f.pauses.isEmpty());
        QVERIFY(QFile::exists(f.folder.file(QStringLiteral("tmp/mine.txt"))));
        QCOMPARE(f.count(QStringLiteral("Orders")), 1);
    }
};

QTEST_GUILESS_MAIN(DoBatchTest)
#include "tst_DoBatch.moc"
