// pelmora-cli email and paste, as a merchant's script calls them.

#include "support/RelayServer.h"

#include "support/CliRun.h"
#include "support/DatabaseProbe.h"
#include "support/TestFolder.h"

#include <QtTest>

using namespace pelmora;
using namespace pelmora::test;

class EmailCliTest : public QObject
{
    Q_OBJECT
  private slots:
    void init()
    {
        folder_ = std::make_unique<TestFolder>();
        relay_ = std::make_unique<RelayServer>();
        folder_->saveSettings();
        folder_->writeFile(QStringLiteral("cnfg/service.ini"), "[relay]\nhost=" + relay_->host().toUtf8() + "\n");
        exec(
            QStringLiteral("INSERT INTO Orders(ShopperID,Invoice_name,Invoice_email,Ship_name,Ship_address1,Ship_state,"
                           "Ship_zip,Ship_tel,Total) VALUES(2001,'Dee Dale','dee@example.com','Dee Dale','4 Elm Rd',"
                           "'CA','90210','555-0100',12.5)"));
        exec(QStringLiteral("INSERT INTO Items(ShopperID,Qty,ProductCode,Product,Price,Amount) VALUES"
                            "(2001,1,'K-9','Kettle',12.5,12.5)"));
    }

    void cleanup()
    {
        relay_.reset();
        folder_.reset();
    }

    void printsTheExpandedEmailAndPasteData()
    {
        CliRun run = runCli(root() << QStringLiteral("email") << QStringLiteral("2001"));
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.outBytes.contains(">Thank you for your order</h1>"));
        QVERIFY(run.outBytes.contains("Hello Dee Dale,"));
        QVERIFY(run.outBytes.contains(">12.50<"));
        QVERIFY(!run.outBytes.contains("<#"));
        QVERIFY(relay_->requests.isEmpty());

        run = runCli(root() << QStringLiteral("email") << QStringLiteral("2001") << QStringLiteral("--template")
                            << QStringLiteral("Order shipped") << QStringLiteral("--message")
                            << QStringLiteral("Tracking <b>1Z999</b>"));
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.outBytes.contains("order 2001 has left our warehouse"));
        QVERIFY(run.outBytes.contains("Tracking <b>1Z999</b>"));

        run = runCli(root() << QStringLiteral("paste") << QStringLiteral("2001"));
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.outBytes, QByteArray("Dee Dale\r\n\r\n4 Elm Rd\r\n\r\nCA 90210\r\n\r\nTel: 555-0100\r\n"));
    }

    void sendsThroughTheRelay()
    {
        exec(QStringLiteral("UPDATE Email SET \"From\" = 'shop@example.com'"));
        const CliRun run =
            runCli(root() << QStringLiteral("email") << QStringLiteral("2001") << QStringLiteral("--template")
                          << QStringLiteral("Payment received") << QStringLiteral("--send"));
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.outBytes, QByteArray("E-mail sent to dee@example.com\n"));
        QCOMPARE(relay_->requests.size(), 1);
        QCOMPARE(RelayServer::field(relay_->requests.first(), "to"), QByteArray("dee@example.com"));
        QCOMPARE(RelayServer::field(relay_->requests.first(), "subject"), QByteArray("Payment received - thank you"));
        QVERIFY(RelayServer::field(relay_->requests.first(), "text_mess").contains("We have received your payment"));
        QVERIFY(folder_->logLines().last().endsWith(
            QStringLiteral(": E-mail sent to dee@example.com: Payment received - thank you")));
    }

    void failuresExitWithTheReason_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("from");
        QTest::addColumn<int>("relayStatus");
        QTest::addColumn<QString>("reason");
        QTest::newRow("no such order") << QStringList{"email", "9999"} << "shop@example.com" << 200 << "no order 9999";
        QTest::newRow("no such template") << QStringList{"email", "2001", "--template", "Nope"} << "shop@example.com"
                                          << 200 << "no template named \"Nope\"";
        QTest::newRow("placeholder sender") << QStringList{"email", "2001", "--send"} << "your.name@example.com" << 200
                                            << "You have not setup your outgoing email  preferences.";
        QTest::newRow("relay fails") << QStringList{"email", "2001", "--send"} << "shop@example.com" << 500 << "500";
        QTest::newRow("paste of no order")
            << QStringList{"paste", "9999"} << "shop@example.com" << 200 << "no order 9999";
    }

    void failuresExitWithTheReason()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, from);
        QFETCH(int, relayStatus);
        QFETCH(QString, reason);
        exec(QStringLiteral("UPDATE Email SET \"From\" = '%1'").arg(from));
        relay_->status = relayStatus;
        const CliRun run = runCli(root() << arguments);
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains(reason), qPrintable(run.err));
        QVERIFY(run.outBytes.isEmpty());
        QVERIFY(folder_->logLines().last().endsWith(QStringLiteral(" application error")));
    }

  private:
    void exec(const QString& sql) { DatabaseProbe(folder_->databasePath()).exec(sql); }

    QStringList root() const { return {QStringLiteral("--root"), folder_->path()}; }

    std::unique_ptr<TestFolder> folder_;
    std::unique_ptr<RelayServer> relay_;
};

QTEST_GUILESS_MAIN(EmailCliTest)
#include "tst_EmailCli.moc"
