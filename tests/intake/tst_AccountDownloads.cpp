#include "intake/IntakeFixture.h"

#include "common/Error.h"
#include "common/GlobalConfig.h"
#include "database/SqlDialect.h"
#include "intake/AccountDownloads.h"
#include "intake/AdminLink.h"
#include "intake/DownloadTimer.h"
#include "intake/UsersTableSelection.h"

#include <QCryptographicHash>
#include <QTest>

using namespace pelmora;
using namespace pelmora::test;

namespace
{
// The Users table as the selector holds it, with a failure to inject.
class TestSelection : public UsersTableSelection
{
  public:
    using UsersTableSelection::UsersTableSelection;
    void selectAccount(int index) override
    {
        if (index == failAt)
            throw Error(QStringLiteral("cannot select row %1").arg(index));
        UsersTableSelection::selectAccount(index);
    }
    int failAt = -2;
};

// The fixture with the accounts named (instead of the shipped placeholder row; passwords pw1,
// pw2, ...), the selector over them and the downloads under settings of their own.
struct Shop {
    explicit Shop(const QStringList& names = {}, bool autoDownload = false, bool allAccounts = false)
    {
        if (!names.isEmpty())
            f.exec(QStringLiteral("DELETE FROM Users"));
        int n = 0;
        for (const QString& name : names)
            f.exec(QStringLiteral("INSERT INTO Users(Username,Secure) VALUES(%1,'pw%2')")
                       .arg(SqlDialect::quote(name))
                       .arg(++n));
        settings.AutoDownload = autoDownload;
        settings.DownloadAllAccounts = allAccounts;
        selection = std::make_unique<TestSelection>(f.data);
        downloads = std::make_unique<AccountDownloads>(f.context, *selection, settings);
    }
    IntakeFixture f;
    GlobalSettings settings;
    std::unique_ptr<TestSelection> selection;
    std::unique_ptr<AccountDownloads> downloads;
};
} // namespace

class AccountDownloadsTest : public QObject
{
    Q_OBJECT

  private slots:
    void allAccountsTick()
    {
        Shop shop({QStringLiteral("acc1"), QStringLiteral(" acc2  "), QStringLiteral("acc3")}, true, true);
        IntakeFixture& f = shop.f;
        f.cart.responses << CartResponse::withStatus("1", downloadBody(10, 1)) << CartResponse::withStatus("10007")
                         << CartResponse::withStatus("2", downloadBody(20, 2));
        shop.selection->selectAccount(1);

        const DownloadRun run = shop.downloads->tick();

        QCOMPARE(f.cart.requests.size(), 3);
        QCOMPARE(f.cart.requests[0].field("id"), QByteArray("acc1"));
        QCOMPARE(f.cart.requests[1].field("id"), QByteArray("acc2")); // sent trimmed
        QCOMPARE(f.cart.requests[2].field("id"), QByteArray("acc3"));
        // The row with blanks was found by the selector's text: its password went along.
        QVERIFY(f.cart.requests[1].body.endsWith("&pw=pw2"));
        QCOMPARE(f.count(QStringLiteral("Orders")), 3);
        QCOMPARE(run.accounts.size(), 3);
        QVERIFY(run.accounts[0].imported && !run.accounts[1].imported && run.accounts[2].imported);
        QCOMPARE(shop.selection->currentAccount(), 1);
        QVERIFY(!f.NewOrdersDownloaded);
        QVERIFY(run.succeeded());
    }

    void placeholderInTheLoop()
    {
        Shop shop({QStringLiteral("acc1"), QStringLiteral("Username"), QStringLiteral("acc3")}, true, true);
        IntakeFixture& f = shop.f;
        int requestsWhenOpened = -1;
        f.port.onPreferences = [&](const QString&) { requestsWhenOpened = static_cast<int>(f.cart.requests.size()); };

        shop.downloads->tick();

        QCOMPARE(f.port.preferencesOpened, QStringList{"User accounts"});
        QCOMPARE(requestsWhenOpened, 1);
        QCOMPARE(f.cart.requests.size(), 2);
        QCOMPARE(f.cart.requests[1].field("id"), QByteArray("acc3"));
    }

    void tickFollowsTheSettings_data()
    {
        QTest::addColumn<bool>("autoDownload");
        QTest::addColumn<bool>("allAccounts");
        QTest::addColumn<QByteArrayList>("requested");
        QTest::newRow("auto-download off") << false << false << QByteArrayList();
        QTest::newRow("auto-download off, all accounts") << false << true << QByteArrayList();
        QTest::newRow("the selected account") << true << false << QByteArrayList{"acc2"};
    }

    void tickFollowsTheSettings()
    {
        QFETCH(bool, autoDownload);
        QFETCH(bool, allAccounts);
        QFETCH(QByteArrayList, requested);
        Shop shop({QStringLiteral("acc1"), QStringLiteral("acc2")}, autoDownload, allAccounts);
        IntakeFixture& f = shop.f;
        f.cart.responses << CartResponse::withStatus("1", downloadBody(5, 1));
        shop.selection->selectAccount(1);

        shop.downloads->tick();

        QByteArrayList ids;
        for (const CartRequest& request : f.cart.requests)
            ids << request.field("id");
        QCOMPARE(ids, requested);
        QCOMPARE(f.count(QStringLiteral("Orders")), int(requested.size()));
        QVERIFY(!f.NewOrdersDownloaded);
        QCOMPARE(f.pauses.size(), 2 * requested.size()); // only the import's waits
    }

    void failureEndsTheTick()
    {
        Shop shop({QStringLiteral("acc1"), QStringLiteral("acc2"), QStringLiteral("acc3")}, true, true);
        IntakeFixture& f = shop.f;
        shop.selection->failAt = 1;

        const DownloadRun run = shop.downloads->tick();

        QVERIFY(run.ended);
        QCOMPARE(f.cart.requests.size(), 1);
        QCOMPARE(shop.selection->currentAccount(), 0); // stays where the failure happened
        const QStringList log = f.folder.logLines();
        QCOMPARE(log.size(), 1);
        QVERIFY(log.first().endsWith(
            QStringLiteral(": cannot select row 1 method:autodownload problem with username assignment")));
        // The next tick starts again from the first account.
        shop.selection->failAt = -2;
        shop.downloads->tick();
        QCOMPARE(f.cart.requests.size(), 4);
    }

    void overlappingDownloadSkipped()
    {
        Shop shop({QStringLiteral("acc1")}, true);
        IntakeFixture& f = shop.f;
        f.cart.responses << CartResponse::withStatus("1", downloadBody(1, 1));
        QList<bool> skipped;
        // A tick and a command arriving while the request runs, and while the import waits.
        f.cart.onRequest = [&](const CartRequest&) {
            skipped << shop.downloads->tick().skipped << shop.downloads->manualDownload().skipped;
        };
        f.onPause = [&](int, bool events) {
            if (events)
                skipped << shop.downloads->tick().skipped;
        };

        const DownloadRun run = shop.downloads->manualDownload();

        QVERIFY(!run.skipped);
        QCOMPARE(skipped, (QList<bool>{true, true, true}));
        QCOMPARE(f.port.statuses.count(AccountDownloads::kAlreadyRunning), 3);
        QCOMPARE(f.cart.requests.size(), 1);
        QCOMPARE(f.count(QStringLiteral("Orders")), 1);
        QVERIFY(!shop.downloads->isRunning());
        // The manual download waits a second, without serving events, before its import's waits.
        QCOMPARE(f.pauses, (QList<QPair<int, bool>>{{1000, false}, {2000, false}, {2000, true}}));
    }

    void manualDownloadUnhandledFailure()
    {
        Shop shop; // the shipped placeholder row "Username"
        IntakeFixture& f = shop.f;
        f.port.onPreferences = [](const QString&) { throw Error(QStringLiteral("no dialog")); };
        f.NewOrdersDownloaded = true;

        const DownloadRun run = shop.downloads->manualDownload();

        QVERIFY(run.ended);
        QVERIFY(f.cart.requests.isEmpty());
        QVERIFY(!f.NewOrdersDownloaded);
        QCOMPARE(f.port.boxes, QStringList{"information: No account selected"});
        QVERIFY(f.pauses.isEmpty());
    }

    void manualDownloadThroughProxy()
    {
        Shop shop({QStringLiteral("acc1")});
        IntakeFixture& f = shop.f;
        ConnectProxy proxy;
        proxy.requiredAuthorization = "Basic " + QByteArray("me:s3cret").toBase64();
        f.exec(QStringLiteral("UPDATE Proxy SET User='me',Pass='s3cret',Server='127.0.0.1',Port=%1").arg(proxy.port()));

        shop.downloads->manualDownload();

        QCOMPARE(proxy.connects, QList<QByteArray>{"CONNECT " + f.cart.host().toLatin1() + " HTTP/1.1"});
        QCOMPARE(proxy.authorizations.first(), proxy.requiredAuthorization);
        QCOMPARE(f.cart.requests.size(), 1);
        QCOMPARE(f.port.status(), QStringLiteral("No new orders"));
        QVERIFY(f.folder.logLines().isEmpty());

        // An empty server means a direct connection again.
        f.exec(QStringLiteral("UPDATE Proxy SET Server=''"));
        shop.downloads->manualDownload();
        QCOMPARE(proxy.connects.size(), 1);
        QCOMPARE(f.cart.requests.size(), 2);

        // An empty port keeps the port the client has.
        f.exec(QStringLiteral("UPDATE Proxy SET User='u',Pass='p',Server='proxy.example',Port=NULL"));
        f.http.setProxyPort(8080);
        shop.downloads->applyProxy();
        const toolkit::HttpProxy p = f.http.proxy();
        QCOMPARE(QStringList({p.user, p.password, p.server}), QStringList({"u", "p", "proxy.example"}));
        QCOMPARE(p.port, 8080);
    }

    void timerInterval()
    {
        Shop shop; // the shipped placeholder row "Username"
        IntakeFixture& f = shop.f;
        DownloadTimer timer(*shop.downloads);
        QVERIFY(timer.isActive());
        QCOMPARE(timer.interval(), 12000000);
        shop.settings.DownloadMinutes = QStringLiteral("30");
        timer.applySettings(shop.settings);
        QCOMPARE(timer.interval(), 1800000);
        shop.settings.DownloadMinutes = QStringLiteral("abc");
        QVERIFY_THROWS_EXCEPTION(Error, timer.applySettings(shop.settings));
        QCOMPARE(timer.interval(), 1800000);
        // A timeout is a tick.
        shop.settings.AutoDownload = true;
        timer.fire();
        QCOMPARE(f.port.preferencesOpened, QStringList{"User accounts"});
    }

    void adminLink_data()
    {
        QTest::addColumn<QString>("selector");
        QTest::addColumn<QString>("pass");
        QTest::addColumn<QString>("host"); // empty: no page opens
        QTest::addColumn<QByteArray>("us");
        QTest::addColumn<QString>("box"); // what shows instead
        QTest::newRow("code B") << "Bshop" << QStringLiteral("login") << "b.example" << QByteArray("Bshop") << "";
        QTest::newRow("lower b is default")
            << "bshop" << QStringLiteral("login") << "default.example" << QByteArray("bshop") << "";
        QTest::newRow("trailing blanks") << "Bshop  " << QStringLiteral(" login\t") << "b.example"
                                         << QByteArray("Bshop") << "";
        QTest::newRow("encoded name") << "a&b+c d" << QStringLiteral("p&w") << "default.example"
                                      << QByteArray("a%26b%2Bc%20d") << "";
        QTest::newRow("Latin letters") << "Bäcker" << QStringLiteral("Grüße") << "b.example" << QByteArray("B%E4cker")
                                       << "";
        QTest::newRow("a character the cart cannot read") << "Bäcker" << QStringLiteral("Ωmega") << "" << QByteArray()
                                                          << "warning: The login password holds the character";
        QTest::newRow("the placeholder account")
            << "Username " << QStringLiteral("login") << "" << QByteArray() << "preferences: User accounts";
    }

    void adminLink()
    {
        QFETCH(QString, selector);
        QFETCH(QString, pass);
        QFETCH(QString, host);
        QFETCH(QByteArray, us);
        QFETCH(QString, box);
        DataFixture f;
        f.folder.writeFile(QStringLiteral("cnfg/service.ini"), "[cart]\ndefault=default.example\nB=b.example\n");
        const ServiceSettings service = ServiceSettings::load(f.folder.root());
        f.exec(QStringLiteral("INSERT INTO Users(Username,Pass) VALUES(?,?)"), {selector, pass});
        RecordingUserPort port;

        AdminLink(f.data, port, service).open(selector);

        if (host.isEmpty()) {
            QVERIFY(port.urlsOpened.isEmpty());
            QCOMPARE(port.boxes.size() + port.preferencesOpened.size(), 1);
            const QString shown =
                port.boxes.value(0, QStringLiteral("preferences: ") + port.preferencesOpened.value(0));
            QVERIFY2(shown.startsWith(box), qPrintable(shown));
            return;
        }
        const QByteArray token =
            QCryptographicHash::hash(QByteArray("52kvd3RTB 47wxn].gorQ" + pass.trimmed().toLatin1() + "qprtvz48206"),
                                     QCryptographicHash::Md5)
                .toHex();
        QCOMPARE(port.urlsOpened.size(), 1);
        QCOMPARE(port.urlsOpened.first().toEncoded(),
                 "https://" + host.toLatin1() + "/admin/users/pelmora.php?us=" + us + "&tp=" + token);
    }
};

QTEST_GUILESS_MAIN(AccountDownloadsTest)
#include "tst_AccountDownloads.moc"
