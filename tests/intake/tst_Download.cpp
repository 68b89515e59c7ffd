#include "intake/IntakeFixture.h"

#include "intake/Download.h"

#include <QTest>

using namespace pelmora;
using namespace pelmora::test;

class DownloadTest : public QObject
{
    Q_OBJECT

  private slots:
    void postsTheFormAndStoresTheBody()
    {
        IntakeFixture f;
        f.exec(QStringLiteral("INSERT INTO Users(Username,Secure,Pass) VALUES('shop1','secret','login')"));
        f.cart.responses << CartResponse::withStatus("3", "line 1\r\n1;shop1\r\n");
        int busyDuringRequest = 0;
        f.cart.onRequest = [&](const CartRequest&) { busyDuringRequest = f.port.busyDepth; };

        const DownloadResult result = Download(f.context).run(QStringLiteral("shop1"));

        QCOMPARE(f.cart.requests.size(), 1);
        const CartRequest& r = f.cart.requests.first();
        QCOMPARE(r.method, QByteArray("POST"));
        QCOMPARE(r.path, QByteArray("/pelmora/pelmora.php"));
        QCOMPARE(r.version, QByteArray("HTTP/1.1"));
        QCOMPARE(r.header("Content-Type"), QByteArray("application/x-www-form-urlencoded"));
        QCOMPARE(r.header("Host"), f.cart.host().toLatin1());
        QCOMPARE(r.body, QByteArray("mx=0&v=4.7&id=shop1&pw=secret"));
        QVERIFY(r.header("Cookie").isEmpty());
        QVERIFY(r.header("Authorization").isEmpty());
        QCOMPARE(f.folder.readFile(QStringLiteral("db/Download.txt")), QByteArray("line 1\r\n1;shop1\r\n"));
        QCOMPARE(f.port.status(), QStringLiteral("3 New orders have been downloaded"));
        QVERIFY(f.NewOrdersDownloaded);
        QVERIFY(result.announcedOrders());
        QCOMPARE(busyDuringRequest, 1);
        QCOMPARE(f.port.busyDepth, 0);
        QVERIFY(f.http.targetFile().isEmpty());

        // The account's first character picks the cart host: code 6 goes to localhost, a name that
        // only holds a 6 to the default host.
        Download(f.context).run(QStringLiteral("6shop"));
        Download(f.context).run(QStringLiteral("a6shop"));
        QCOMPARE(f.cart.requests.at(1).header("Host"), "localhost:" + QByteArray::number(f.cart.port()));
        QCOMPARE(f.cart.requests.at(2).header("Host"), f.cart.host().toLatin1());
    }

    void statusHeader_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<QString>("status");
        QTest::addColumn<bool>("flag");
        QTest::addColumn<QStringList>("boxes");
        const QStringList none;
        QTest::newRow("zero orders") << QByteArray("Mstatus") << QByteArray("0") << "0 New orders have been downloaded"
                                     << true << none;
        QTest::newRow("wrong server")
            << QByteArray("Mstatus") << QByteArray("12007") << "Failed" << false
            << QStringList{"information: Select the cart server for this account in the Corvane accounts section."};
        // Only the exact name counts; the flag was cleared before the download.
        QTest::newRow("lower case") << QByteArray("mstatus") << QByteArray("5") << Download::kNoStatus << false << none;
        QTest::newRow("not a number") << QByteArray("Mstatus") << QByteArray("many") << Download::kFailed << false
                                      << none;
    }

    void statusHeader()
    {
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, value);
        QFETCH(QString, status);
        QFETCH(bool, flag);
        QFETCH(QStringList, boxes);
        IntakeFixture f;
        CartResponse response;
        response.headers << qMakePair(name, value);
        f.cart.responses << response;
        f.port.setStatus(QStringLiteral("before"));
        f.NewOrdersDownloaded = true;

        Download(f.context).run(QStringLiteral("shop1"));

        QCOMPARE(f.port.status(), status);
        QCOMPARE(f.NewOrdersDownloaded, flag);
        QCOMPARE(f.port.boxes, boxes);
        if (value == "many")
            QVERIFY(f.folder.logLines().last().endsWith(
                QStringLiteral(": The cart server's Mstatus header \"many\" is not a whole number")));
    }

    void highestHeldOrder_data()
    {
        QTest::addColumn<int>("live");
        QTest::addColumn<int>("archived");
        QTest::addColumn<QByteArray>("mx");
        QTest::newRow("archive higher") << 120 << 340 << QByteArray("340");
        QTest::newRow("live higher") << 340 << 120 << QByteArray("340");
        QTest::newRow("only archive") << 0 << 77 << QByteArray("77");
        QTest::newRow("none") << 0 << 0 << QByteArray("0");
    }

    void highestHeldOrder()
    {
        QFETCH(int, live);
        QFETCH(int, archived);
        QFETCH(QByteArray, mx);
        IntakeFixture f;
        // Another account's higher numbers do not count.
        f.exec(QStringLiteral("INSERT INTO Orders(ShopperID,Username) VALUES(9999,'other')"));
        f.exec(QStringLiteral("INSERT INTO OrdersArchve(ShopperID,Username) VALUES(9998,'other')"));
        if (live) {
            f.exec(QStringLiteral("INSERT INTO Orders(ShopperID,Username) VALUES(%1,'shop1')").arg(live - 1));
            f.exec(QStringLiteral("INSERT INTO Orders(ShopperID,Username) VALUES(%1,'shop1')").arg(live));
        }
        if (archived)
            f.exec(QStringLiteral("INSERT INTO OrdersArchve(ShopperID,Username) VALUES(%1,'shop1')").arg(archived));

        Download(f.context).run(QStringLiteral("shop1"));

        QCOMPARE(f.cart.requests.size(), 1);
        QVERIFY2(f.cart.requests.first().body.startsWith(QByteArray("mx=" + mx + "&v=4.7&")),
                 f.cart.requests.first().body);
    }

    void untrustedServerIsLogged()
    {
        IntakeFixture f(false);
        f.cart.defaultResponse = CartResponse::withStatus("2", "body");
        f.port.setStatus(QStringLiteral("before"));

        const DownloadResult result = Download(f.context).run(QStringLiteral("shop1"));

        QCOMPARE(result.outcome, DownloadResult::Outcome::Failed);
        QVERIFY(f.cart.requests.isEmpty());
        QCOMPARE(f.port.status(), Download::kFailed);
        QVERIFY(!f.NewOrdersDownloaded);
        const QStringList log = f.folder.logLines();
        QCOMPARE(log.size(), 1);
        QVERIFY2(log.first().contains(QStringLiteral("certificate"), Qt::CaseInsensitive), qPrintable(log.first()));
        QCOMPARE(f.port.busyDepth, 0);
    }
};

QTEST_GUILESS_MAIN(DownloadTest)
#include "tst_Download.moc"
