#include "intake/CartServer.h"

#include "support/CliRun.h"
#include "support/DatabaseProbe.h"
#include "support/TestFolder.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

using namespace pelmora;
using namespace pelmora::test;

namespace
{
// A program folder whose settings name its database, with the cart hosts at the test server.
struct CliFolder {
    CliFolder()
    {
        folder.saveSettings();
        folder.writeFile(QStringLiteral("cnfg/service.ini"), cart.serviceIni());
    }
    int count(const QString& sql) const { return DatabaseProbe(folder.databasePath()).value(sql).toInt(); }
    void exec(const QString& sql) const { DatabaseProbe(folder.databasePath()).exec(sql); }
    QStringList root() const { return {QStringLiteral("--root"), folder.path()}; }

    TestFolder folder;
    CartServer cart;
};

const QString kMoving = QStringLiteral("Moving new orders into the current database..\n");
} // namespace

class CliTest : public QObject
{
    Q_OBJECT

  private slots:
    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("said"); // on standard output when the exit code is 0, else on standard error
        QTest::newRow("help") << QStringList{"--help"} << 0 << "download [--account NAME | --all]";
        QTest::newRow("no command") << QStringList{} << 2 << "--help";
        QTest::newRow("unknown") << QStringList{"fetch"} << 2 << "--help";
        QTest::newRow("import without file") << QStringList{"import"} << 2 << "--help";
        QTest::newRow("both") << QStringList{"download", "--all", "--account", "x"} << 2 << "--help";
    }

    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, said);
        const CliRun run = runCli(arguments);
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY2((exitCode == 0 ? run.out : run.err).contains(said), qPrintable(run.out + run.err));
    }

    void importFile_data()
    {
        QTest::addColumn<QString>("input");
        QTest::newRow("a file of the merchant's") << QStringLiteral("tmp/in.txt");
        // The names of the program's own work files: the input is kept all the same.
        QTest::newRow("db/Orders.txt") << QStringLiteral("db/Orders.txt");
        QTest::newRow("db/Items.txt") << QStringLiteral("db/Items.txt");
        QTest::newRow("db/Download.txt") << QStringLiteral("db/Download.txt");
    }

    void importFile()
    {
        QFETCH(QString, input);
        CliFolder f;
        const QByteArray bytes = "h\r\n1;shop1\r\n2;shop1\r\n<-- Orders -- >\r\n1;3;P\r\n";
        f.folder.writeFile(input, bytes);
        const CliRun run = runCli(f.root() << QStringLiteral("import") << f.folder.file(input));
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, kMoving + QStringLiteral("Download complete.\n"));
        QCOMPARE(run.err, QString());
        QCOMPARE(f.count(QStringLiteral("SELECT count(*) FROM Orders WHERE Username='shop1'")), 2);
        QCOMPARE(f.count(QStringLiteral("SELECT count(*) FROM Items")), 1);
        QCOMPARE(f.folder.readFile(input), bytes);
    }

    void importFailure()
    {
        CliFolder f;
        f.folder.writeFile(QStringLiteral("tmp/in.txt"), "h\r\n1;shop1;1.1.2006\r\n2;shop1;99.1.2006\r\n");
        const CliRun run = runCli(f.root() << QStringLiteral("import") << f.folder.file(QStringLiteral("tmp/in.txt")));
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.out, kMoving + QStringLiteral("The download failed and was not imported.\n"));
        QVERIFY2(run.err.contains(QStringLiteral(
                     "record 2 (line 3 of the file), column Invoice_date: 99.1.2006 is not a valid date time")),
                 qPrintable(run.err));
        QCOMPARE(f.count(QStringLiteral("SELECT count(*) FROM Orders")), 0);
        QVERIFY(f.folder.logLines().last().endsWith(QStringLiteral(" method: DoBatch")));
    }

    void backupAndRestore()
    {
        CliFolder f;
        f.exec(QStringLiteral("INSERT INTO Orders(ShopperID) VALUES(1)"));
        const QStringList backup = f.root() << QStringLiteral("backup");
        const QStringList restore = f.root() << QStringLiteral("restore");

        CliRun run = runCli(restore);
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains(QStringLiteral("You have not made a backup of your Database yet!")),
                 qPrintable(run.err));

        run = runCli(backup);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, QStringLiteral("The database has been backed up...\n"));
        const QByteArray good = f.folder.readFile(QStringLiteral("db/backup/Pelmora.tdbd"));

        // Orders taken since, then the database is damaged: a backup now must keep the good one.
        f.exec(QStringLiteral("INSERT INTO Orders(ShopperID) VALUES(2)"));
        const QByteArray database = f.folder.readFile(QStringLiteral("db/Pelmora.tdbd"));
        f.folder.writeFile(QStringLiteral("db/Pelmora.tdbd"), database.left(database.size() / 2));
        run = runCli(backup);
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains(QStringLiteral("is cut short")), qPrintable(run.err));
        QCOMPARE(f.folder.readFile(QStringLiteral("db/backup/Pelmora.tdbd")), good);

        run = runCli(restore);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, QStringLiteral("Your database has been Restored...\n"));
        QCOMPARE(f.count(QStringLiteral("SELECT group_concat(ShopperID) FROM Orders")), 1);
    }

    void backupOnAFullDisk()
    {
        const QString unshare = QStandardPaths::findExecutable(QStringLiteral("unshare"));
        if (unshare.isEmpty())
            QSKIP("No unshare program: a small disk cannot be mounted for the backup folder");
        CliFolder f;
        QCOMPARE(runCli(f.root() << QStringLiteral("backup")).exitCode, 0);
        const QString previous = f.folder.file(QStringLiteral("tmp/previous.tdbd"));
        QVERIFY(QFile::copy(f.folder.file(QStringLiteral("db/backup/Pelmora.tdbd")), previous));
        const qint64 previousSize = QFileInfo(previous).size();
        // The database grows to four times the previous backup; the disk holds twice that.
        f.exec(QStringLiteral("CREATE TABLE Padding(x)"));
        f.exec(QStringLiteral("WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM n WHERE x<%1) "
                              "INSERT INTO Padding SELECT randomblob(1000) FROM n")
                   .arg(previousSize * 3 / 1000));
        const qint64 diskKb = previousSize * 2 / 1024 + 8;

        // In a mount namespace of its own: a small tmpfs over the backup folder, the previous
        // backup put on it, then the backup; the outcome is read there, before the mount goes.
        const QString script = QStringLiteral("mount -t tmpfs -o size=%1k tmpfs \"$1\" || { echo no-mount; exit 0; }\n"
                                              "cp \"$2\" \"$1/Pelmora.tdbd\"\n"
                                              "\"$3\" --root \"$4\" backup; echo \"exit=$?\"\n"
                                              "cmp -s \"$2\" \"$1/Pelmora.tdbd\" && echo kept\n"
                                              "ls -A \"$1\"\n")
                                   .arg(diskKb);
        QProcess process;
        process.start(unshare, {QStringLiteral("-rm"), QStringLiteral("sh"), QStringLiteral("-c"), script,
                                QStringLiteral("sh"), f.folder.file(QStringLiteral("db/backup")), previous,
                                QStringLiteral(PELMORA_PROGRAM_DIR "/pelmora-cli"), f.folder.path()});
        QVERIFY(process.waitForFinished(120000));
        const QString out = QString::fromLocal8Bit(process.readAllStandardOutput());
        const QString err = QString::fromLocal8Bit(process.readAllStandardError());
        if (process.exitCode() != 0 || out.contains(QStringLiteral("no-mount")))
            QSKIP(qPrintable(QStringLiteral("A small tmpfs cannot be mounted here (user and mount namespaces are "
                                            "needed): %1")
                                 .arg(err.trimmed())));
        QVERIFY2(out.contains(QStringLiteral("exit=1\n")), qPrintable(out + err));
        QVERIFY2(err.contains(QStringLiteral("The disk is full")), qPrintable(err));
        QVERIFY2(out.contains(QStringLiteral("kept\n")), qPrintable(out));
        // Nothing but the previous backup is left on the full disk.
        QVERIFY2(out.endsWith(QStringLiteral("kept\nPelmora.tdbd\n")), qPrintable(out));
        QVERIFY(f.folder.logLines().join('\n').contains(QStringLiteral("The disk is full")));
    }

    void downloadSelectedAccount()
    {
        CliFolder f;
        f.exec(QStringLiteral("DELETE FROM Users"));
        f.exec(QStringLiteral("INSERT INTO Users(Username,Secure) VALUES('acc1','pw1'),('acc2','pw2')"));
        f.exec(QStringLiteral("INSERT INTO Orders(ShopperID,Username) VALUES(41,'acc1')"));
        f.cart.responses << CartResponse::withStatus("1", "h\r\n42;acc1\r\n<-- Orders -- >\r\n42;1;P\r\n");

        const CliRun run = runCli(f.root() << QStringLiteral("download"));

        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, QStringLiteral("1 New orders have been downloaded\n") + kMoving +
                              QStringLiteral("Download complete.\n"));
        QCOMPARE(f.cart.requests.size(), 1);
        QCOMPARE(f.cart.requests.first().body, QByteArray("mx=41&v=4.7&id=acc1&pw=pw1"));
        QCOMPARE(f.count(QStringLiteral("SELECT count(*) FROM Orders")), 2);
        QCOMPARE(f.count(QStringLiteral("SELECT count(*) FROM Items WHERE ShopperID=42")), 1);
    }

    void downloadNamedAccountRefused()
    {
        CliFolder f;
        f.exec(QStringLiteral("INSERT INTO Users(Username,Secure) VALUES('acc1','wrong')"));
        f.cart.responses << CartResponse::withStatus("10002");

        const CliRun unknown =
            runCli(f.root() << QStringLiteral("download") << QStringLiteral("--account") << QStringLiteral("nobody"));
        QCOMPARE(unknown.exitCode, 1);
        QVERIFY(unknown.err.contains(QStringLiteral("No account named \"nobody\"")));
        QVERIFY(f.cart.requests.isEmpty());

        const CliRun run =
            runCli(f.root() << QStringLiteral("download") << QStringLiteral("--account") << QStringLiteral("acc1"));
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.out, QStringLiteral("Invalid payment password\n"));
        QVERIFY(run.err.contains(QStringLiteral("\"acc1\": Invalid payment password")));
    }

    void downloadAllAccounts()
    {
        CliFolder f; // the shipped placeholder row comes first and is passed over
        f.exec(QStringLiteral("INSERT INTO Users(Username,Secure) VALUES('acc1','pw1'),('acc2 ','pw2')"));
        f.exec(QStringLiteral("UPDATE Proxy SET Server='',Port=NULL"));
        f.cart.responses << CartResponse::withStatus("10007") << CartResponse::withStatus("1", "h\r\n7;acc2\r\n");

        const CliRun run = runCli(f.root() << QStringLiteral("download") << QStringLiteral("--all"));

        QCOMPARE(run.exitCode, 0);
        QCOMPARE(f.cart.requests.size(), 2);
        QVERIFY(f.cart.requests.at(1).body.endsWith("&id=acc2&pw=pw2"));
        QCOMPARE(f.count(QStringLiteral("SELECT count(*) FROM Orders WHERE Username='acc2'")), 1);
    }
};

QTEST_GUILESS_MAIN(CliTest)
#include "tst_Cli.moc"
