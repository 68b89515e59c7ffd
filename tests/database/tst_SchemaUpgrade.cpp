// ResetDB on files of every layout: what each upgrade path leaves in the file, what a failing
// step leaves, what the error log says and which objects end up open.

#include "database/DataModule.h"
#include "database/Schema.h"
#include "support/DatabaseProbe.h"
#include "support/TestFolder.h"

#include <QFile>
#include <QTest>
#include <memory>

using namespace pelmora;
using pelmora::test::DatabaseProbe;
using pelmora::test::TestFolder;

namespace
{

const QString kFailedUpdating = QStringLiteral(" method:ResetDB failed updating DB");
const QString kOpenFailed = QStringLiteral(" method: ResetDB");
const QString kSender = QStringLiteral("Sales O'Neill <sales@shop.example>");

QString fixture(const char* name)
{
    return QStringLiteral(PELMORA_TEST_DATA "/") + QString::fromLatin1(name);
}

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The rows after an upgrade hold every value the rows before held, Date and Time under their
// new names.
void compareKept(const QList<QVariantMap>& before, const QList<QVariantMap>& after)
{
    QCOMPARE(after.size(), before.size());
    for (int i = 0; i < before.size(); ++i)
        for (auto it = before[i].begin(); it != before[i].end(); ++it) {
            const QString name = it.key() == QLatin1String("Date")   ? QStringLiteral("Invoice_date")
                                 : it.key() == QLatin1String("Time") ? QStringLiteral("Invoice_time")
                                                                     : it.key();
            QCOMPARE(after[i].value(name), it.value());
        }
}

} // namespace

class SchemaUpgradeTest : public QObject
{
    Q_OBJECT

  private slots:
    void init()
    {
        folder_ = std::make_unique<TestFolder>(false);
        TestFolder::makeDatabase(folder_->file(QStringLiteral("fresh.tdbd")));
        data_ = std::make_unique<DataModule>();
        path_ = folder_->databasePath();
    }

    void cleanup()
    {
        data_.reset();
        folder_.reset();
    }

    void upToDateFileIsLeftAlone_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<bool>("withOrders");
        QTest::newRow("4.9, no orders") << QStringLiteral("4.9") << false;
        QTest::newRow("4.9 with orders") << QStringLiteral("4.9") << true;
        QTest::newRow("4.8 with orders") << QStringLiteral("4.8") << true;
    }

    void upToDateFileIsLeftAlone()
    {
        QFETCH(QString, version);
        QFETCH(bool, withOrders);
        useFile(nullptr);
        {
            DatabaseProbe probe(path_);
            probe.exec(QStringLiteral("UPDATE Global SET Version='%1'").arg(version));
            if (withOrders)
                probe.exec(QStringLiteral("INSERT INTO Orders(ShopperID,Status) VALUES(7,'Paid')"));
        }
        const QByteArray before = fileBytes(path_);

        data_->ResetDB();
        for (const QString& object : DataModule::tableObjects())
            QVERIFY2(data_->isOpen(object), qPrintable(object));
        QCOMPARE(data_->ordersQueryOpen(), withOrders);
        QCOMPARE(folder_->logLines(), QStringList());
        data_->disconnectDatabase();
        QVERIFY(fileBytes(path_) == before);
    }

    void step47_data()
    {
        QTest::addColumn<QStringList>("change");
        QTest::addColumn<QVariant>("expectedSender");
        QTest::newRow("sender kept") << QStringList() << QVariant(kSender);
        QTest::newRow("empty sender") << QStringList{"UPDATE Email SET \"From\"=NULL"} << QVariant();
        QTest::newRow("no Email row") << QStringList{"DELETE FROM Email"} << QVariant();
        // The archive as an upgrade that added columns to Orders alone left it.
        QStringList archived = Schema::names(Schema::orderColumns());
        for (const char* added : {"Gift_voucher_value", "Gift_voucher_code", "New", "id"})
            archived.removeOne(QLatin1String(added));
        QTest::newRow("archive without the new columns")
            << QStringList{QStringLiteral("CREATE TABLE Archived AS SELECT %1 FROM OrdersArchve")
                               .arg(archived.join(',')),
                           QStringLiteral("DROP TABLE OrdersArchve"),
                           QStringLiteral("ALTER TABLE Archived RENAME TO OrdersArchve")}
            << QVariant(kSender);
    }

    void step47()
    {
        QFETCH(QStringList, change);
        QFETCH(QVariant, expectedSender);
        useFile("layout_47.sql");
        QList<QVariantMap> oldItems, oldArchiveItems, oldOrders, oldArchive;
        {
            DatabaseProbe probe(path_);
            for (const QString& sql : change)
                probe.exec(sql);
            oldItems = probe.rows(QStringLiteral("Items"));
            oldArchiveItems = probe.rows(QStringLiteral("ItemsArchive"));
            oldOrders = probe.rows(QStringLiteral("Orders"));
            oldArchive = probe.rows(QStringLiteral("OrdersArchve"));
        }

        data_->ResetDB();
        QCOMPARE(folder_->logLines(), QStringList());
        QVERIFY(data_->isOpen(QStringLiteral("TdbTableGlobal")));
        QVERIFY(data_->ordersQueryOpen());
        data_->disconnectDatabase();

        DatabaseProbe probe(path_);
        QCOMPARE(probe.value(QStringLiteral("SELECT Version FROM Global")).toString(), QStringLiteral("4.8"));
        QCOMPARE(probe.count(QStringLiteral("Global")), 1);

        QCOMPARE(probe.columns(QStringLiteral("Email")), QStringList({"From", "Plaintext", "ID"}));
        const auto email = probe.rows(QStringLiteral("Email"));
        QCOMPARE(email.size(), 1);
        if (expectedSender.isNull())
            QVERIFY(email[0][QStringLiteral("From")].toString().isEmpty());
        else
            QCOMPARE(email[0][QStringLiteral("From")], expectedSender);
        QCOMPARE(email[0][QStringLiteral("Plaintext")].toInt(), 0);
        QCOMPARE(email[0][QStringLiteral("ID")].toInt(), 1);

        // The proxy row is edited, not duplicated: its other settings stay.
        const auto proxy = probe.rows(QStringLiteral("Proxy"));
        QCOMPARE(proxy.size(), 1);
        QCOMPARE(proxy[0][QStringLiteral("Port")].toInt(), 25);
        QCOMPARE(proxy[0][QStringLiteral("Server")].toString(), QStringLiteral("proxy.shop.example"));

        // Every table now has the columns of a fresh file, in order.
        QCOMPARE(probe.tables(), DatabaseProbe(folder_->file(QStringLiteral("fresh.tdbd"))).tables());
        for (const QString& table : probe.tables())
            QCOMPARE(probe.columns(table), freshColumns(table));

        compareKept(oldItems, probe.rows(QStringLiteral("Items")));
        compareKept(oldArchiveItems, probe.rows(QStringLiteral("ItemsArchive")));
        compareKept(oldArchive, probe.rows(QStringLiteral("OrdersArchve")));
        QCOMPARE(probe.rows(QStringLiteral("Orders")), oldOrders);
    }

    void fullUpgrade_data()
    {
        QTest::addColumn<QString>("version");
        QTest::newRow("4.5") << QStringLiteral("'4.5'");
        QTest::newRow("empty") << QStringLiteral("''");
        QTest::newRow("null") << QStringLiteral("NULL");
        QTest::newRow("4.10") << QStringLiteral("'4.10'");
    }

    void fullUpgrade()
    {
        QFETCH(QString, version);
        useFile("layout_older.sql");
        QList<QVariantMap> oldOrders, oldArchive, oldItems;
        {
            DatabaseProbe probe(path_);
            probe.exec(QStringLiteral("UPDATE Global SET Version=%1").arg(version));
            oldOrders = probe.rows(QStringLiteral("Orders"));
            oldArchive = probe.rows(QStringLiteral("OrdersArchve"));
            oldItems = probe.rows(QStringLiteral("Items"));
        }
        QCOMPARE(oldOrders.size(), 3);

        data_->ResetDB();
        QCOMPARE(folder_->logLines(), QStringList());
        QVERIFY(data_->ordersQueryOpen());
        for (const QString& object : DataModule::tableObjects())
            QVERIFY2(data_->isOpen(object), qPrintable(object));
        data_->disconnectDatabase();
        {
            DatabaseProbe probe(path_);
            QCOMPARE(probe.value(QStringLiteral("SELECT Version FROM Global")).toString(), QStringLiteral("4.7"));
            const auto proxy = probe.rows(QStringLiteral("Proxy"));
            QCOMPARE(proxy.size(), 1);
            QCOMPARE(proxy[0][QStringLiteral("Port")].toInt(), 25);

            // Same columns as a fresh file, in the same order: the download import maps by position.
            QCOMPARE(probe.columns(QStringLiteral("Orders")), freshColumns(QStringLiteral("Orders")));
            QCOMPARE(probe.columns(QStringLiteral("OrdersArchve")), freshColumns(QStringLiteral("OrdersArchve")));

            const auto orders = probe.rows(QStringLiteral("Orders"), QStringLiteral("id"));
            QCOMPARE(orders.size(), oldOrders.size() + 1);
            compareKept(oldOrders, orders.mid(0, oldOrders.size()));
            for (int i = 0; i < oldOrders.size(); ++i) {
                QCOMPARE(orders[i][QStringLiteral("id")].toInt(), i + 1);
                QCOMPARE(orders[i][QStringLiteral("New")].toInt(), 1); // the added column's default fills the rows
            }
            // The placeholder order: only its status set, New by default, the next id.
            const QVariantMap& unpaid = orders.last();
            QCOMPARE(unpaid[QStringLiteral("Status")].toString(), QStringLiteral("Unpaid"));
            QCOMPARE(unpaid[QStringLiteral("New")].toInt(), 1);
            QCOMPARE(unpaid[QStringLiteral("id")].toInt(), oldOrders.size() + 1);
            QVERIFY(unpaid[QStringLiteral("ShopperID")].isNull());
            QVERIFY(unpaid[QStringLiteral("Invoice_date")].isNull());

            compareKept(oldArchive, probe.rows(QStringLiteral("OrdersArchve")));

            // What the next step changes is still as it was.
            QCOMPARE(probe.columns(QStringLiteral("Email")), QStringList{"From"});
            QCOMPARE(probe.rows(QStringLiteral("Items")), oldItems);
        }

        // The next ResetDB applies the 4.7 step and reaches the layout of a fresh file.
        data_->ResetDB();
        QCOMPARE(folder_->logLines(), QStringList());
        data_->disconnectDatabase();
        {
            DatabaseProbe probe(path_);
            QCOMPARE(probe.value(QStringLiteral("SELECT Version FROM Global")).toString(), QStringLiteral("4.8"));
            QCOMPARE(probe.tables(), DatabaseProbe(folder_->file(QStringLiteral("fresh.tdbd"))).tables());
            for (const QString& table : probe.tables())
                QCOMPARE(probe.columns(table), freshColumns(table));
            QCOMPARE(probe.value(QStringLiteral("SELECT \"From\" FROM Email")).toString(), kSender);
            QCOMPARE(probe.count(QStringLiteral("Proxy")), 1);
            QCOMPARE(probe.count(QStringLiteral("Orders")), oldOrders.size() + 1);
        }

        // From then on the file is left alone.
        const QByteArray upgraded = fileBytes(path_);
        data_->ResetDB();
        data_->disconnectDatabase();
        QVERIFY(fileBytes(path_) == upgraded);
    }

    void failingStepLeavesFileAsItWas_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("breakIt");
        QTest::addColumn<QString>("repairIt");
        QTest::addColumn<QString>("versionAfterRepair");
        QTest::addColumn<QString>("reason");
        // Its first statement makes a table that is there already.
        QTest::newRow("full upgrade, statement 1")
            << QStringLiteral("layout_older.sql")
            << QStringLiteral("CREATE TABLE Proxy(User char(20),Pass char(20),Server char(20),Port integer)")
            << QStringLiteral("DROP TABLE Proxy") << QStringLiteral("4.7") << QStringLiteral("already exists");
        // The archive's Date was renamed already: the full upgrade fails near its end.
        QTest::newRow("full upgrade, statement 19")
            << QStringLiteral("layout_older.sql")
            << QStringLiteral("ALTER TABLE OrdersArchve RENAME COLUMN Date TO OrderDate")
            << QStringLiteral("ALTER TABLE OrdersArchve RENAME COLUMN OrderDate TO Date") << QStringLiteral("4.7")
            << QStringLiteral("no such column");
        // Items has no Date column: the 4.7 step fails after Email was rebuilt.
        QTest::newRow("4.7 step, Items rename")
            << QStringLiteral("layout_47.sql") << QStringLiteral("ALTER TABLE Items RENAME COLUMN Date TO ItemDate")
            << QStringLiteral("ALTER TABLE Items RENAME COLUMN ItemDate TO Date") << QStringLiteral("4.8")
            << QStringLiteral("no such column");
    }

    void failingStepLeavesFileAsItWas()
    {
        QFETCH(QString, script);
        QFETCH(QString, breakIt);
        QFETCH(QString, repairIt);
        QFETCH(QString, versionAfterRepair);
        QFETCH(QString, reason);
        useFile(script.toLatin1().constData());
        QString before;
        {
            DatabaseProbe probe(path_);
            probe.exec(breakIt);
            before = probe.dump();
        }
        // Each start tries the step again, and fails again while the cause is there.
        for (int call = 1; call <= 2; ++call) {
            data_->ResetDB();
            QCOMPARE(folder_->logLines().filter(kFailedUpdating).size(), call);
            const QString failure = folder_->logLines().filter(kFailedUpdating).last();
            QVERIFY2(failure.contains(reason), qPrintable(failure));
            data_->disconnectDatabase();
            // Nothing of the failed step stays behind, the sender address included.
            QCOMPARE(DatabaseProbe(path_).dump(), before);
        }
        // (Without the step's Proxy table, the full upgrade's file cannot open it either.)
        const qsizetype logged = folder_->logLines().size();

        // So the step is tried again from its start, and succeeds once the cause is gone.
        DatabaseProbe(path_).exec(repairIt);
        data_->ResetDB();
        QCOMPARE(folder_->logLines().size(), logged);
        data_->disconnectDatabase();
        DatabaseProbe probe(path_);
        QCOMPARE(probe.value(QStringLiteral("SELECT Version FROM Global")).toString(), versionAfterRepair);
        QCOMPARE(probe.columns(QStringLiteral("Orders")), freshColumns(QStringLiteral("Orders")));
    }

    void missingTableStopsOpening_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("firstClosed");
        QTest::newRow("Items") << QStringLiteral("Items") << QStringLiteral("TdbTableItems");
        QTest::newRow("Templates") << QStringLiteral("Templates") << QStringLiteral("TdbTableTemplates");
    }

    void missingTableStopsOpening()
    {
        QFETCH(QString, table);
        QFETCH(QString, firstClosed);
        useFile(nullptr);
        {
            DatabaseProbe probe(path_);
            probe.exec(QStringLiteral("INSERT INTO Orders(ShopperID) VALUES(1)"));
            probe.exec(QStringLiteral("DROP TABLE %1").arg(table));
        }
        data_->ResetDB();

        const QStringList log = folder_->logLines();
        QCOMPARE(log.size(), 1);
        QVERIFY2(log[0].endsWith(kOpenFailed), qPrintable(log[0]));
        QVERIFY2(log[0].contains(table), qPrintable(log[0]));
        const QStringList objects = DataModule::tableObjects();
        const qsizetype failed = objects.indexOf(firstClosed);
        for (qsizetype i = 0; i < objects.size(); ++i) {
            // Global stays open from the version test, which comes first.
            const bool open = i < failed || objects[i] == QLatin1String("TdbTableGlobal");
            QVERIFY2(data_->isOpen(objects[i]) == open, qPrintable(objects[i]));
        }
        QVERIFY(!data_->ordersQueryOpen());
        QVERIFY(data_->isConnected());
    }

  private:
    // Builds the database file from a fixture script (or a fresh file when script is empty)
    // and points the data module at it.
    void useFile(const char* script)
    {
        if (script && *script)
            TestFolder::makeDatabaseFromScript(path_, fixture(script));
        else
            TestFolder::makeDatabase(path_);
        data_->setLocation(path_);
    }

    QStringList freshColumns(const QString& table) const
    {
        return DatabaseProbe(folder_->file(QStringLiteral("fresh.tdbd"))).columns(table);
    }

    std::unique_ptr<TestFolder> folder_;
    std::unique_ptr<DataModule> data_;
    QString path_;
};

QTEST_GUILESS_MAIN(SchemaUpgradeTest)
#include "tst_SchemaUpgrade.moc"
