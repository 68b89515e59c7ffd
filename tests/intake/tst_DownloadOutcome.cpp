// A download is complete or not imported: what a broken or hostile cart server leaves behind
// (the database, db/Download.txt, the status bar, the error log, the next request's mx), and
// what the account name and password look like on the wire.

#include "intake/IntakeFixture.h"

#include "common/GlobalConfig.h"
#include "intake/AccountDownloads.h"
#include "intake/UsersTableSelection.h"

#include <QFile>
#include <QTest>

using namespace pelmora;
using namespace pelmora::test;

Q_DECLARE_METATYPE(pelmora::test::CartResponse)

namespace
{
struct Run {
    IntakeFixture f;
    UsersTableSelection* selection = nullptr;
    GlobalSettings settings;

    explicit Run(const QString& name = QStringLiteral("shop1"), const QString& password = QStringLiteral("secret"))
    {
        f.exec(QStringLiteral("DELETE FROM Users"));
        // Bound, so that any character reaches the table as the merchant typed it.
        QSqlQuery insert(f.data.database());
        QVERIFY(insert.prepare(QStringLiteral("INSERT INTO Users(Username,Secure) VALUES(?,?)")));
        insert.addBindValue(name);
        insert.addBindValue(password);
        QVERIFY(insert.exec());
        // An order already held: mx is 7 until a download is imported.
        QVERIFY(insert.prepare(QStringLiteral("INSERT INTO Orders(ShopperID,Username) VALUES(7,?)")));
        insert.addBindValue(name);
        QVERIFY(insert.exec());
    }
    ~Run() { delete selection; }

    DownloadRun manual()
    {
        delete selection;
        selection = new UsersTableSelection(f.data);
        AccountDownloads downloads(f.context, *selection, settings);
        return downloads.manualDownload();
    }
    bool downloadFileExists() const { return QFile::exists(f.folder.file(QStringLiteral("db/Download.txt"))); }
    QString logText() const { return f.folder.logLines().join('\n'); }
};
} // namespace

class DownloadOutcomeTest : public QObject
{
    Q_OBJECT

  private slots:
    void failedAnswerImportsNothing_data()
    {
        QTest::addColumn<CartResponse>("response");
        QTest::addColumn<QString>("setup"); // [network] lines of cnfg/service.ini, or "full disk"
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("logged");

        const QByteArray body = downloadBody(8, 3);
        CartResponse error = CartResponse::withStatus("3", body);
        error.status = 500;
        QTest::newRow("error status after Mstatus") << error << QString() << Download::kFailed << "answered 500";

        CartResponse redirect = CartResponse::withStatus("3", body);
        redirect.status = 302;
        redirect.headers << qMakePair(QByteArrayLiteral("Location"), QByteArrayLiteral("https://elsewhere.test/cart"));
        QTest::newRow("redirect with a body")
            << redirect << QString() << Download::kRedirected.arg(QStringLiteral("https://elsewhere.test/cart"))
            << "redirected the request for https://127.0.0.1";

        CartResponse cut = CartResponse::withStatus("3", body);
        cut.raw = "HTTP/1.1 200 OK\r\nMstatus: 3\r\nContent-Length: " + QByteArray::number(body.size()) +
                  "\r\nConnection: close\r\n\r\n" + body.left(body.size() / 2);
        cut.cutOff = true;
        QTest::newRow("connection dropped within the length")
            << cut << QString() << Download::kFailed << "closed before the whole answer had arrived";

        CartResponse drip = CartResponse::withStatus("3", body);
        drip.dripMs = 20;
        QTest::newRow("a byte at a time past the deadline")
            << drip << QStringLiteral("deadline=0.3\nidle=30") << Download::kTimedOut << "within 0.3 s";

        CartResponse silent = CartResponse::withStatus("3", body.left(20));
        silent.noLength = true;
        silent.stall = true;
        QTest::newRow("silent after the first bytes")
            << silent << QStringLiteral("deadline=30\nidle=0.2") << Download::kTimedOut << "sent nothing for 0.2 s";

        CartResponse packed = CartResponse::withStatus("3", "not a compressed body");
        packed.headers << qMakePair(QByteArrayLiteral("Content-Encoding"), QByteArrayLiteral("gzip"));
        QTest::newRow("damaged compressed body")
            << packed << QString() << Download::kFailed << "Decompression failed: the data is damaged";

        CartResponse none;
        none.body = body;
        QTest::newRow("no Mstatus") << none << QString() << Download::kNoStatus << "held no Mstatus header";

        // A huge status value is cut in the log line.
        QTest::newRow("huge Mstatus") << CartResponse::withStatus(QByteArray(5000, '9') + "x") << QString()
                                      << Download::kFailed << "... (5001 characters)";

        CartResponse hidden = CartResponse::withStatus("3", body);
        for (int i = 0; i < 400; ++i)
            hidden.headers.prepend(qMakePair("X-Padding-" + QByteArray::number(i), QByteArray(40, 'p')));
        QTest::newRow("Mstatus hidden by too many headers")
            << hidden << QString() << Download::kNoStatus << "headers were too large";
        // The download file a link to /dev/full: every write to it meets a full disk.
        QTest::newRow("a full disk") << CartResponse::withStatus("3", body) << QStringLiteral("full disk")
                                     << Download::kDiskFull << "The disk is full: ";
    }

    void failedAnswerImportsNothing()
    {
        QFETCH(CartResponse, response);
        QFETCH(QString, setup);
        QFETCH(QString, status);
        QFETCH(QString, logged);
        Run run;
        const QString downloadFile = run.f.folder.file(QStringLiteral("db/Download.txt"));
        const bool fullDisk = setup == QLatin1String("full disk");
        if (!setup.isEmpty() && !fullDisk) {
            QByteArray ini = run.f.folder.readFile(QStringLiteral("cnfg/service.ini"));
            run.f.folder.writeFile(QStringLiteral("cnfg/service.ini"), ini + "[network]\n" + setup.toLatin1() + "\n");
            run.f.service = ServiceSettings::load(run.f.root);
        }
        if (fullDisk && !QFile::exists(QStringLiteral("/dev/full")))
            QSKIP("No /dev/full here: a write that meets a full disk cannot be made");
        if (fullDisk)
            QVERIFY(QFile::link(QStringLiteral("/dev/full"), downloadFile));
        else // a download file of an earlier request must not pass for this one's
            run.f.folder.writeFile(QStringLiteral("db/Download.txt"), downloadBody(100, 1));
        run.f.cart.responses << response << CartResponse::withStatus("10007");

        const DownloadRun result = run.manual();

        QVERIFY(!result.succeeded());
        QCOMPARE(run.f.port.status(), status);
        QVERIFY(!run.f.port.statuses.contains(QStringLiteral("3 New orders have been downloaded")));
        QVERIFY(!run.f.port.statuses.contains(BatchImport::kComplete));
        QCOMPARE(run.f.count(QStringLiteral("Orders")), 1);
        QCOMPARE(run.f.count(QStringLiteral("Items")), 0);
        QVERIFY(!run.downloadFileExists());
        QVERIFY(!QFileInfo(downloadFile).isSymLink());
        QVERIFY2(run.logText().contains(logged), qPrintable(run.logText()));
        for (const QString& line : run.f.folder.logLines())
            QVERIFY2(line.size() < 400, qPrintable(line));
        QVERIFY(!run.f.NewOrdersDownloaded);

        // The next download still asks from the order held before.
        run.manual();
        QCOMPARE(run.f.cart.requests.size(), 2);
        QCOMPARE(run.f.cart.requests.last().field("mx"), QByteArray("7"));
    }

    void announcedCountDecides_data()
    {
        QTest::addColumn<QByteArray>("mstatus");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("cutOff");
        QTest::addColumn<int>("orders");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QByteArray>("nextMx");

        const QByteArray full = downloadBody(8, 50);
        // Cut within the orders, without a length or a TLS close: only the count tells.
        const QByteArray cut = full.left(full.indexOf("\r\n37;") + 2);
        QTest::newRow("cut after 29 of 50 orders")
            << QByteArray("50") << cut << true << 1 << BatchImport::kIncomplete << QByteArray("7");
        QTest::newRow("more orders than announced")
            << QByteArray("49") << full << false << 1 << BatchImport::kIncomplete << QByteArray("7");
        QTest::newRow("all 50 of 50") << QByteArray("50") << full << true << 51 << BatchImport::kComplete
                                      << QByteArray("57");
        QTest::newRow("none announced, none sent") << QByteArray("0") << QByteArray("header\r\n<-- Orders -- >\r\n")
                                                   << false << 1 << BatchImport::kComplete << QByteArray("7");
    }

    void announcedCountDecides()
    {
        QFETCH(QByteArray, mstatus);
        QFETCH(QByteArray, body);
        QFETCH(bool, cutOff);
        QFETCH(int, orders);
        QFETCH(QString, status);
        QFETCH(QByteArray, nextMx);
        Run run;
        CartResponse response = CartResponse::withStatus(mstatus, body);
        response.noLength = cutOff;
        response.cutOff = cutOff;
        run.f.cart.responses << response;

        run.manual();

        QCOMPARE(run.f.port.status(), status);
        QCOMPARE(run.f.count(QStringLiteral("Orders")), orders);
        QVERIFY(!run.downloadFileExists());
        if (status == BatchImport::kIncomplete)
            QVERIFY2(run.logText().contains(QStringLiteral("announced %1 orders").arg(QString::fromLatin1(mstatus))),
                     qPrintable(run.logText()));
        run.manual();
        QCOMPARE(run.f.cart.requests.last().field("mx"), nextMx);
    }

    void windows1252OnTheWire_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QByteArray>("id");
        QTest::addColumn<QByteArray>("pw");
        QTest::addColumn<QString>("refused");
        QTest::newRow("characters of the form's syntax")
            << QStringLiteral("O'Neil") << QStringLiteral("p&w+d%=x y") << QByteArray("O%27Neil")
            << QByteArray("p%26w%2Bd%25%3Dx+y") << QString();
        QTest::newRow("Latin letters") << QStringLiteral("Müller & Söhne") << QStringLiteral("naïve")
                                       << QByteArray("M%FCller+%26+S%F6hne") << QByteArray("na%EFve") << QString();
        QTest::newRow("the euro sign and quotes") << QStringLiteral("shop€") << QStringLiteral("„x“")
                                                  << QByteArray("shop%80") << QByteArray("%84x%93") << QString();
        QTest::newRow("a Polish name") << QStringLiteral("Łódź") << QStringLiteral("pw") << QByteArray() << QByteArray()
                                       << QStringLiteral("\"Ł\" (U+0141)");
        // A NUL shows in the message instead of ending it there.
        QTest::newRow("a NUL in the name")
            << QStringLiteral("ab") + QChar(0) + QStringLiteral("cŁ") << QStringLiteral("pw") << QByteArray()
            << QByteArray() << QStringLiteral("The account name \"ab\\0cŁ\" holds the character \"Ł\"");
        QTest::newRow("a password beyond the plane") << QStringLiteral("shop1") << QStringLiteral("key😀")
                                                     << QByteArray() << QByteArray() << QStringLiteral("(U+1F600)");
    }

    void windows1252OnTheWire()
    {
        QFETCH(QString, name);
        QFETCH(QString, password);
        QFETCH(QByteArray, id);
        QFETCH(QByteArray, pw);
        QFETCH(QString, refused);
        Run run(name, password);
        run.f.cart.responses << CartResponse::withStatus("10007");

        run.manual();

        if (refused.isEmpty()) {
            QCOMPARE(run.f.cart.requests.size(), 1);
            QCOMPARE(run.f.cart.requests.first().field("id"), id);
            QCOMPARE(run.f.cart.requests.first().field("pw"), pw);
            QCOMPARE(run.logText(), QString());
            return;
        }
        QCOMPARE(run.f.cart.requests.size(), 0);
        QCOMPARE(run.f.port.status(), Download::kFailed);
        QVERIFY2(run.logText().contains(refused), qPrintable(run.logText()));
        // The password itself is never written to the log.
        QVERIFY(!run.logText().contains(password));
    }
};

QTEST_GUILESS_MAIN(DownloadOutcomeTest)
#include "tst_DownloadOutcome.moc"
