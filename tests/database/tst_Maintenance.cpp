// Backup, restore, the auto-backup switch and the change of locations: the files they leave
// on disk, what the status bar and the boxes say, and what the database module has open.

#include "common/GlobalConfig.h"
#include "common/RecordingUserPort.h"
#include "database/DataModule.h"
#include "database/Maintenance.h"
#include "support/DatabaseProbe.h"
#include "support/TestFolder.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTest>
#include <memory>
#include <unistd.h>

using namespace pelmora;
using pelmora::test::DatabaseProbe;
using pelmora::test::TestFolder;

namespace
{
QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

} // namespace

class MaintenanceTest : public QObject
{
    Q_OBJECT

  private slots:
    void init()
    {
        folder_ = std::make_unique<TestFolder>();
        settings_ = GlobalConfig::parse({}, folder_->root());
        QCOMPARE(settings_.DatabaseLocation, folder_->databasePath());
        data_ = std::make_unique<DataModule>();
        port_ = std::make_unique<RecordingUserPort>();
        maintenance_ = std::make_unique<Maintenance>(*data_, settings_, *port_);
        data_->setLocation(settings_.DatabaseLocation);
        data_->ResetDB();
        QVERIFY(data_->isConnected());
    }

    void cleanup()
    {
        maintenance_.reset();
        data_.reset();
        port_.reset();
        folder_.reset();
    }

    void backupNowTwice()
    {
        // The backup folder is made when it is not there.
        QVERIFY(QDir(folder_->file(QStringLiteral("db/backup"))).removeRecursively());
        settings_.BackupFolder = folder_->file(QStringLiteral("db/backup/daily"));
        addOrder(1);
        QVERIFY(maintenance_->backupNow());
        addOrder(2);
        QVERIFY(maintenance_->backupNow());

        QCOMPARE(port_->statuses, QStringList({kBackedUp, kBackedUp}));
        QCOMPARE(QDir(settings_.BackupFolder).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot),
                 QStringList{"Pelmora.tdbd"});
        QVERIFY(data_->isConnected());
        data_->disconnectDatabase();
        QVERIFY(fileBytes(backup()) == fileBytes(database()));
        QCOMPARE(DatabaseProbe(backup()).count(QStringLiteral("Orders")), 2);
        QCOMPARE(folder_->logLines(), QStringList());
    }

    void backupNowFailing_data()
    {
        QTest::addColumn<QString>("databaseLocation");
        QTest::addColumn<QString>("backupFolder");
        QTest::addColumn<QString>("reason");
        QTest::newRow("no database file")
            << QStringLiteral("db/Missing.tdbd") << QStringLiteral("db/backup") << QStringLiteral("does not exist");
        // A file stands where the backup folder would be.
        QTest::newRow("backup folder cannot be made")
            << QStringLiteral("db/Pelmora.tdbd") << QStringLiteral("db/Pelmora.tdbd/backup")
            << QStringLiteral("Cannot create");
        // A folder stands where the backup file would be.
        QTest::newRow("backup file cannot be replaced")
            << QStringLiteral("db/Pelmora.tdbd") << QStringLiteral("db/blocked") << QStringLiteral("Cannot replace");
    }

    void backupNowFailing()
    {
        QFETCH(QString, databaseLocation);
        QFETCH(QString, backupFolder);
        QFETCH(QString, reason);
        QVERIFY(QDir().mkpath(folder_->file(QStringLiteral("db/blocked/Pelmora.tdbd"))));
        folder_->writeFile(QStringLiteral("db/backup/Pelmora.tdbd"), "the previous backup");
        settings_.DatabaseLocation = folder_->file(databaseLocation);
        settings_.BackupFolder = folder_->file(backupFolder);
        data_->disconnectDatabase();
        data_->setLocation(settings_.DatabaseLocation);

        QVERIFY(!maintenance_->backupNow());
        QCOMPARE(port_->status(), kBackupFailed);
        QVERIFY(!port_->statuses.contains(kBackedUp));
        const QStringList log = folder_->logLines();
        QCOMPARE(log.filter(QStringLiteral(" method: Backup")).size(), 1);
        for (const QString& line : log)
            if (line.endsWith(QLatin1String(" method: Backup")))
                QVERIFY2(line.contains(reason), qPrintable(line));
        // A failed copy leaves the previous backup as it was, and no partial copy behind.
        QCOMPARE(folder_->readFile(QStringLiteral("db/backup/Pelmora.tdbd")), QByteArray("the previous backup"));
        QVERIFY(!QFile::exists(Maintenance::partialCopyName(backup())));
    }

    void restoreSucceeds_data()
    {
        QTest::addColumn<bool>("journal");
        QTest::newRow("closed file") << false;
        QTest::newRow("a crash's journal beside the file") << true;
    }

    void restoreSucceeds()
    {
        QFETCH(bool, journal);
        addOrder(1);
        QVERIFY(maintenance_->backupNow());
        addOrder(2);
        data_->disconnectDatabase();
        // The journal a crash in the middle of a change would leave beside the current file.
        const QString journalFile = database() + QStringLiteral("-journal");
        if (journal) {
            {
                DatabaseProbe probe(database());
                // A small cache spills the change into the file, so the journal is synced and complete.
                probe.exec(QStringLiteral("PRAGMA cache_size=2"));
                probe.exec(QStringLiteral("BEGIN"));
                probe.exec(QStringLiteral("DELETE FROM Orders"));
                probe.exec(
                    QStringLiteral("WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM n WHERE x<500) "
                                   "INSERT INTO Orders(ShopperID,Message) SELECT x, hex(randomblob(300)) FROM n"));
                QVERIFY(QFile::copy(journalFile, journalFile + QStringLiteral(".crash")));
                probe.exec(QStringLiteral("ROLLBACK"));
            }
            QVERIFY(QFile::rename(journalFile + QStringLiteral(".crash"), journalFile));
        }

        QVERIFY(maintenance_->restoreLastBackup());
        QCOMPARE(port_->status(), kRestored);
        QCOMPARE(port_->boxes, QStringList{QStringLiteral("confirm: ") + kRestoreConfirm});
        QVERIFY(data_->isConnected());
        QCOMPARE(data_->scalar(QStringLiteral("SELECT group_concat(ShopperID) FROM Orders")).toString(),
                 QStringLiteral("1"));
        data_->disconnectDatabase();
        QVERIFY(fileBytes(database()) == fileBytes(backup()));
        QVERIFY(!QFile::exists(journalFile));
        QVERIFY(!QFile::exists(Maintenance::partialCopyName(database())));
        QCOMPARE(folder_->logLines(), QStringList());
    }

    void restoreRefusedKeepsTheDatabase_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<QString>("reason"); // in the log; none: nothing logged and no status
        const QString confirm = QStringLiteral("confirm: ") + kRestoreConfirm;
        QTest::newRow("no backup yet") << "none" << QStringList{confirm, QStringLiteral("confirm: ") + kNoBackupYet}
                                       << QString();
        QTest::newRow("cancelled") << "cancel" << QStringList{confirm} << QString();
        QTest::newRow("the copy cannot be written") << "squatted" << QStringList{confirm} << QStringLiteral("");
        QTest::newRow("backup cut in half") << "cut" << QStringList{confirm} << QStringLiteral("is cut short");
        QTest::newRow("backup not a database")
            << "junk" << QStringList{confirm} << QStringLiteral("is not a database file");
    }

    void restoreRefusedKeepsTheDatabase()
    {
        QFETCH(QString, failure);
        QFETCH(QStringList, boxes);
        QFETCH(QString, reason);
        addOrder(1);
        if (failure != QLatin1String("none"))
            QVERIFY(maintenance_->backupNow());
        addOrder(2);
        port_->statuses.clear();
        port_->confirmAnswer = failure != QLatin1String("cancel");
        const QByteArray backupBytes = fileBytes(backup());
        if (failure == QLatin1String("cut"))
            writeBytes(backup(), backupBytes.left(backupBytes.size() / 2));
        else if (failure == QLatin1String("junk"))
            writeBytes(backup(), "not a database");
        else if (failure == QLatin1String("squatted")) // not a file, where the copy is written first
            QVERIFY(QDir().mkpath(Maintenance::partialCopyName(database()) + QStringLiteral("/inside")));
        data_->disconnectDatabase();
        const QByteArray current = fileBytes(database());
        data_->ResetDB();

        QVERIFY(!maintenance_->restoreLastBackup());
        QCOMPARE(port_->boxes, boxes);
        QCOMPARE(port_->statuses, reason.isNull() ? QStringList() : QStringList{kRestoreFailed});
        const QStringList log = folder_->logLines();
        QCOMPARE(log.filter(QStringLiteral(" method: Restore")).size(), reason.isNull() ? 0 : 1);
        QVERIFY2(log.join('\n').contains(reason), qPrintable(log.join('\n')));
        QVERIFY(data_->isConnected());
        QVERIFY(data_->ordersQueryOpen());
        QCOMPARE(orderCount(), 2);
        data_->disconnectDatabase();
        QVERIFY(fileBytes(database()) == current);
    }

    void damagedDatabaseKeepsTheBackup_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<bool>("atStartup");
        for (const char* damage : {"random bytes", "zero bytes", "cut in half", "another program's database"}) {
            QTest::newRow(qPrintable(QStringLiteral("%1, Backup now").arg(QLatin1String(damage))))
                << QString::fromLatin1(damage) << false;
            QTest::newRow(qPrintable(QStringLiteral("%1, start-up").arg(QLatin1String(damage))))
                << QString::fromLatin1(damage) << true;
        }
    }

    void damagedDatabaseKeepsTheBackup()
    {
        QFETCH(QString, damage);
        QFETCH(bool, atStartup);
        addOrder(1);
        QVERIFY(maintenance_->backupNow());
        const QByteArray goodBackup = fileBytes(backup());
        QVERIFY(!maintenance_->startupReport());
        data_->disconnectDatabase();
        const QByteArray sound = fileBytes(database());
        if (damage == QLatin1String("random bytes")) {
            QByteArray noise(static_cast<qsizetype>(sound.size()), Qt::Uninitialized);
            QRandomGenerator generator(42);
            for (char& c : noise)
                c = static_cast<char>(generator.bounded(256));
            writeBytes(database(), noise);
        } else if (damage == QLatin1String("zero bytes")) {
            writeBytes(database(), QByteArray());
        } else if (damage == QLatin1String("cut in half")) {
            writeBytes(database(), sound.left(sound.size() / 2));
        } else {
            QFile::remove(database());
            DatabaseProbe(database()).exec(QStringLiteral("CREATE TABLE Notes(Text)"));
        }
        const QByteArray damaged = fileBytes(database());
        port_->statuses.clear();
        port_->boxes.clear();

        if (atStartup) {
            settings_.AutoBackup = true;
            QVERIFY(!maintenance_->startupBackup());
            data_->ResetDB();
            QVERIFY(maintenance_->startupReport());
        } else {
            QVERIFY(!maintenance_->backupNow());
            QCOMPARE(port_->status(), kBackupFailed);
        }

        QCOMPARE(port_->boxes.size(), 1);
        const QString box = port_->boxes.first();
        QVERIFY2(box.startsWith(QStringLiteral("warning: ") + kBackupKept), qPrintable(box));
        QVERIFY2(box.contains(database()) && box.contains(QStringLiteral("\"Restore last backup\"")), qPrintable(box));
        QVERIFY(fileBytes(backup()) == goodBackup);
        QVERIFY(!QFile::exists(Maintenance::partialCopyName(backup())));
        data_->disconnectDatabase();
        QVERIFY(fileBytes(database()) == damaged);
        QCOMPARE(folder_->logLines().filter(QStringLiteral(" method: Backup")).size(), 1);
    }

    void backupWhileAnotherConnectionWrites_data()
    {
        QTest::addColumn<bool>("spilled");
        QTest::newRow("change still in the writer's cache") << false;
        QTest::newRow("change half written into the file") << true;
    }

    void backupWhileAnotherConnectionWrites()
    {
        QFETCH(bool, spilled);
        addOrder(1);
        QVERIFY(maintenance_->backupNow());
        const QByteArray previous = fileBytes(backup());
        addOrder(2);
        maintenance_->setBusyTimeoutMs(0);
        // Another program in the middle of a large import.
        DatabaseProbe writer(database());
        if (spilled)
            writer.exec(QStringLiteral("PRAGMA cache_size=2"));
        writer.exec(QStringLiteral("BEGIN IMMEDIATE"));
        writer.exec(QStringLiteral("WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM n WHERE x<%1) "
                                   "INSERT INTO Orders(ShopperID,Message) SELECT 100+x, hex(randomblob(300)) FROM n")
                        .arg(spilled ? 2000 : 5));

        const MaintenanceResult result = maintenance_->backupNow();
        writer.exec(QStringLiteral("ROLLBACK"));

        QCOMPARE(result.ok, !spilled);
        QCOMPARE(DatabaseProbe(backup()).value(QStringLiteral("PRAGMA integrity_check")).toString(),
                 QStringLiteral("ok"));
        if (spilled) {
            // The file could not be read consistently: the previous backup stays.
            QCOMPARE(port_->status(), kBackupFailed);
            QVERIFY2(result.error.contains(QStringLiteral("busy")), qPrintable(result.error));
            QVERIFY(fileBytes(backup()) == previous);
            return;
        }
        QCOMPARE(port_->status(), kBackedUp);
        QCOMPARE(DatabaseProbe(backup()).value(QStringLiteral("SELECT group_concat(ShopperID) FROM Orders")).toString(),
                 QStringLiteral("1,2"));
    }

    void readOnlyDatabaseSaidAtStartup()
    {
        if (::geteuid() == 0)
            QSKIP("Running as the superuser, whom file permissions do not stop: no read-only database can be made");
        data_->disconnectDatabase();
        QVERIFY(QFile::setPermissions(database(), QFile::ReadOwner | QFile::ReadUser));
        const QByteArray before = fileBytes(database());
        data_->ResetDB();
        QVERIFY(maintenance_->startupReport());
        QCOMPARE(port_->boxes.size(), 1);
        QVERIFY2(port_->boxes.first().contains(database() + QStringLiteral("\" is read-only")),
                 qPrintable(port_->boxes.first()));
        data_->disconnectDatabase();
        QVERIFY(fileBytes(database()) == before);
    }

    void startupBackupBeforeUpgrade()
    {
        // Without the setting nothing is copied.
        QVERIFY(maintenance_->startupBackup());
        QVERIFY(!QFile::exists(backup()));
        data_->disconnectDatabase();
        TestFolder::makeDatabaseFromScript(database(), QStringLiteral(PELMORA_TEST_DATA "/layout_older.sql"));
        const QByteArray asLeft = fileBytes(database());
        QVERIFY(QDir(settings_.BackupFolder).removeRecursively());
        settings_.AutoBackup = true;

        QVERIFY(maintenance_->startupBackup());
        QVERIFY(!data_->isConnected());
        QCOMPARE(port_->statuses, QStringList());
        data_->ResetDB();
        QCOMPARE(data_->scalar(QStringLiteral("SELECT Version FROM Global")).toString(), QStringLiteral("4.7"));
        data_->disconnectDatabase();
        QVERIFY(fileBytes(backup()) == asLeft);
        QVERIFY(fileBytes(database()) != asLeft);
    }

    void locationsApplied()
    {
        // The chosen file has the older layout: taking it over upgrades it.
        QString path = folder_->file(QStringLiteral("shop/Shop.tdbd"));
        QVERIFY(QDir().mkpath(folder_->file(QStringLiteral("shop"))));
        TestFolder::makeDatabaseFromScript(path, QStringLiteral(PELMORA_TEST_DATA "/layout_older.sql"));
        const QString backupFolder = folder_->file(QStringLiteral("shop/backup"));

        QCOMPARE(maintenance_->applyLocations(path, backupFolder), Maintenance::LocationResult::Applied);
        QCOMPARE(port_->statuses,
                 QStringList({"Your preferences have been saved.", "Your preferences have been saved "}));
        QCOMPARE(port_->boxes, QStringList());
        QCOMPARE(settings_.DatabaseLocation, path);
        QCOMPARE(settings_.BackupFolder, backupFolder);
        QCOMPARE(data_->location(), path);
        QVERIFY(data_->isConnected());
        QVERIFY(data_->ordersQueryOpen());
        QCOMPARE(data_->scalar(QStringLiteral("SELECT max(ShopperID) FROM Orders")).toInt(), 2001);
        QCOMPARE(data_->scalar(QStringLiteral("SELECT Version FROM Global")).toString(), QStringLiteral("4.7"));
    }

  private:
    QString database() const { return settings_.DatabaseLocation; }
    QString backup() const { return Maintenance::backupFile(settings_); }
    // Adds an order through the open connection.
    void addOrder(int shopperId) const
    {
        data_->execute(QStringLiteral("INSERT INTO Orders(ShopperID,Status) VALUES(%1,'Paid')").arg(shopperId));
    }

    int orderCount() const { return data_->scalar(QStringLiteral("SELECT count(*) FROM Orders")).toInt(); }

    std::unique_ptr<TestFolder> folder_;
    std::unique_ptr<DataModule> data_;
    std::unique_ptr<RecordingUserPort> port_;
    GlobalSettings settings_;
    std::unique_ptr<Maintenance> maintenance_;
};

QTEST_GUILESS_MAIN(MaintenanceTest)
#include "tst_Maintenance.moc"
