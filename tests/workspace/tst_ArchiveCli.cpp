#include "workspace/ArchiveFixture.h"

#include "support/CliRun.h"
#include "support/DatabaseProbe.h"
#include "support/TestFolder.h"

#include <QtTest>

using namespace pelmora;
using test::ArchiveFixture;
using test::CliRun;
using test::runCli;

class ArchiveCliTest : public QObject
{
    Q_OBJECT
  private slots:
    void archiveFromTheCommandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("trigger");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("printed"); // a line of standard output, or of standard error on failure
        QTest::addColumn<int>("archivedOrders");

        QTest::newRow("completed") << QStringList{"--completed"} << "" << 0
                                   << "Moved 3 orders and 4 items to the archive." << 3;
        QTest::newRow("up to a day") << QStringList{"--up-to", "2007-03-05"} << "" << 0
                                     << "Moved 3 orders and 6 items to the archive." << 3;
        QTest::newRow("day not written YYYY-MM-DD")
            << QStringList{"--up-to", "3/5/2007"} << "" << 2 << "\"3/5/2007\" is not a day written YYYY-MM-DD." << 0;
        QTest::newRow("no mode") << QStringList{} << "" << 2 << "archive takes --completed or --up-to YYYY-MM-DD." << 0;
        QTest::newRow("both modes") << QStringList{"--completed", "--up-to", "2007-03-05"} << "" << 2
                                    << "archive takes --completed or --up-to YYYY-MM-DD." << 0;
        QTest::newRow("failing run moves nothing")
            << QStringList{"--completed"}
            << "CREATE TRIGGER fail BEFORE DELETE ON Orders BEGIN SELECT RAISE(ABORT, 'injected failure'); END" << 1
            << "injected failure" << 0;
    }

    void archiveFromTheCommandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, trigger);
        QFETCH(int, exitCode);
        QFETCH(QString, printed);
        QFETCH(int, archivedOrders);

        test::TestFolder folder;
        folder.saveSettings();
        int liveBefore = 0;
        {
            test::DatabaseProbe probe(folder.databasePath());
            ArchiveFixture::fill(probe.database());
            if (!trigger.isEmpty())
                probe.exec(trigger);
            liveBefore = probe.count("Orders");
        }

        const CliRun cli = runCli(QStringList{"--root", folder.path(), "archive"} + arguments);
        const QStringList out = cli.out.split('\n');
        const QString err = cli.err;
        QCOMPARE(cli.exitCode, exitCode);
        if (exitCode == 0) {
            QCOMPARE(out.mid(0, 3), (QStringList{"Your Database is archiving...", "Archiving completed.", printed}));
        } else {
            QVERIFY2(err.contains(printed), qPrintable(err));
        }

        const test::DatabaseProbe probe(folder.databasePath());
        QCOMPARE(probe.count("OrdersArchve"), 1 + archivedOrders);
        QCOMPARE(probe.count("Orders"), liveBefore - archivedOrders);
        if (exitCode == 1)
            QVERIFY(folder.logLines().join('\n').contains(printed));
    }
};

QTEST_GUILESS_MAIN(ArchiveCliTest)
#include "tst_ArchiveCli.moc"
