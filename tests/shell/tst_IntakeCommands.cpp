#include "ProgramFixture.h"
#include "intake/CartServer.h"

#include "common/GlobalConfig.h"
#include "database/Maintenance.h"
#include "database/SqlDialect.h"
#include "intake/Download.h"
#include "intake/DownloadTimer.h"
#include "shell/widgets/IntakeInstaller.h"
#include "shell/widgets/MainWindow.h"
#include "shell/widgets/PathField.h"
#include "shell/widgets/PrefsDialog.h"
#include "shell/widgets/PrefsDownloadPage.h"
#include "shell/widgets/PrefsLocationsPage.h"
#include "support/ModalWatcher.h"
#include "toolkit/SqlTableModel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

using namespace pelmora;
using test::CartResponse;
using test::ModalWatcher;

namespace
{

// Receives what the window hands to the browser.
class Browser : public QObject
{
    Q_OBJECT
  public:
    Browser() { QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "open"); }
    ~Browser() override { QDesktopServices::unsetUrlHandler(QStringLiteral("https")); }
    QList<QUrl> opened;
  public slots:
    void open(const QUrl& url) { opened << url; }
};

void closeLater(QDialog* dialog)
{
    QTimer::singleShot(0, dialog, &QDialog::accept);
}

// A program folder whose cart hosts are the local server, a window over it and the waits
// made instant.
struct Fixture : test::ProgramFixture {
    explicit Fixture(const std::function<void(GlobalSettings&)>& configure = {}) : ProgramFixture(configure)
    {
        folder.writeFile(QStringLiteral("cnfg/service.ini"), cart.serviceIni());
        start(false);
        installer = &window->intake();
    }

    void exec(const QString& sql) { window->session().data().execute(sql); }
    int count(const QString& table)
    {
        return window->session().data().scalar(QStringLiteral("SELECT COUNT(*) FROM ") + table).toInt();
    }
    void setAccounts(const QStringList& names)
    {
        exec(QStringLiteral("DELETE FROM Users"));
        int n = 0;
        for (const QString& name : names) {
            ++n;
            exec(QStringLiteral("INSERT INTO Users(Username,Website,Pass,Secure) VALUES(%1,'site%2','login%2','pw%2')")
                     .arg(SqlDialect::quote(name))
                     .arg(n));
        }
        // What ResetDB does after an import: the accounts are read again.
        window->session().data().ResetDB();
    }
    QComboBox* selector() const { return window->commands().accountSelector(); }

    test::CartServer cart;
    IntakeInstaller* installer = nullptr;
};

void clickToolbarButton(MainWindow& window, const char* bar, QAction* action)
{
    QToolBar* toolbar = window.commands().toolbar(QString::fromLatin1(bar));
    auto* button = qobject_cast<QToolButton*>(toolbar->widgetForAction(action));
    QVERIFY(button);
    button->click();
}

} // namespace

class IntakeCommandsTest : public QObject
{
    Q_OBJECT
  private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void menuItemAndToolbarButtonRunTheSameDownload_data()
    {
        QTest::addColumn<bool>("toolbar");
        QTest::newRow("menu item") << false;
        QTest::newRow("toolbar button") << true;
    }

    void menuItemAndToolbarButtonRunTheSameDownload()
    {
        QFETCH(bool, toolbar);
        Fixture f;
        test::ConnectProxy proxy;
        f.setAccounts({QStringLiteral("shop1"), QStringLiteral("shop2")});
        f.exec(QStringLiteral("UPDATE Proxy SET User='', Pass='', Server='127.0.0.1', Port=%1").arg(proxy.port()));
        // The selector lists each account's name and site description, the first one selected.
        QComboBox* box = f.selector();
        QVERIFY(box->isEnabled());
        QCOMPARE(box->count(), 2);
        QCOMPARE(box->currentText(), QStringLiteral("shop1"));
        auto* list = qobject_cast<QTableView*>(box->view());
        QVERIFY(list);
        QStringList shown;
        for (int c = 0; c < box->model()->columnCount(); ++c)
            if (!list->isColumnHidden(c))
                shown << qobject_cast<toolkit::SqlTableModel*>(box->model())->columnName(c);
        QCOMPARE(shown, (QStringList{"Username", "Website"}));
        box->setCurrentIndex(1);
        f.cart.responses << CartResponse::withStatus("2", test::downloadBody(500, 2));

        if (toolbar)
            clickToolbarButton(*f.window, CommandSurface::AccountBar, f.action(CommandSurface::DownloadButton));
        else
            f.action(CommandSurface::Download)->trigger();

        QCOMPARE(f.cart.requests.size(), 1);
        QCOMPARE(f.cart.requests[0].field("id"), QByteArray("shop2"));
        QCOMPARE(f.cart.requests[0].field("pw"), QByteArray("pw2"));
        // The proxy settings were applied first: the request went through the proxy.
        QCOMPARE(proxy.connects.size(), 1);
        // The announced orders were imported.
        QCOMPARE(f.count(QStringLiteral("Orders")), 2);
        QCOMPARE(f.window->status(), QStringLiteral("Download complete."));
        // The import read the accounts again; the selection stayed.
        QCOMPARE(f.selector()->currentText(), QStringLiteral("shop2"));
    }

    // While the request runs the window is disabled under the wait cursor; a failure's box is
    // answerable over it.
    void windowIsDisabledWhileTheRequestRuns()
    {
        Fixture f;
        f.setAccounts({QStringLiteral("shop1")});
        f.cart.defaultResponse = CartResponse::withStatus("12007");
        bool menuEnabled = true;
        bool areasEnabled = true;
        bool waitCursor = false;
        f.cart.onRequest = [&](const test::CartRequest&) {
            menuEnabled = f.window->menuBar()->isEnabled();
            areasEnabled = f.window->centralWidget()->isEnabled();
            waitCursor = QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
        };
        QStringList texts;
        bool boxEnabled = false;
        ModalWatcher watcher([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            if (!box)
                return false;
            texts << box->text();
            boxEnabled = box->isEnabled();
            box->button(QMessageBox::Ok)->click();
            return true;
        });
        f.action(CommandSurface::Download)->trigger();
        QCOMPARE(f.cart.requests.size(), 1);
        QVERIFY(!menuEnabled);
        QVERIFY(!areasEnabled);
        QVERIFY(waitCursor);
        QCOMPARE(texts, QStringList{Download::kSelectCartServer});
        QVERIFY(boxEnabled);
        QCOMPARE(f.window->status(), QStringLiteral("Failed"));
        QVERIFY(f.window->menuBar()->isEnabled());
        QVERIFY(f.window->centralWidget()->isEnabled());
        QVERIFY(f.window->commands().toolbar(QString::fromLatin1(CommandSurface::AccountBar))->isEnabled());
        QVERIFY(!QApplication::overrideCursor());
    }

    void allAccountsTickDownloadsEveryAccountAndRestoresTheSelection()
    {
        Fixture f([](GlobalSettings& s) {
            s.AutoDownload = true;
            s.DownloadAllAccounts = true;
        });
        f.setAccounts({QStringLiteral("shop1"), QStringLiteral("shop2  "), QStringLiteral("shop3")});
        f.selector()->setCurrentIndex(1);
        // The first account brings orders: its import reads the accounts again.
        f.cart.responses << CartResponse::withStatus("2", test::downloadBody(100, 2))
                         << CartResponse::withStatus("10007")
                         << CartResponse::withStatus("1", test::downloadBody(300, 1));
        f.installer->timer().fire();

        // Every account was asked once (which of them sends what is the intake's to test).
        QCOMPARE(f.cart.requests.size(), 3);
        QCOMPARE(f.cart.requests[2].field("id"), QByteArray("shop3"));
        QCOMPARE(f.count(QStringLiteral("Orders")), 3);
        QCOMPARE(f.selector()->currentIndex(), 1);
        QVERIFY(!f.window->session().flags().NewOrdersDownloaded);
    }

    void tickDuringAManualDownloadIsSkipped()
    {
        Fixture f([](GlobalSettings& s) { s.AutoDownload = true; });
        f.setAccounts({QStringLiteral("shop1")});
        f.cart.onRequest = [&](const test::CartRequest&) {
            if (f.cart.requests.size() == 1)
                f.installer->timer().fire();
        };
        f.action(CommandSurface::Download)->trigger();
        QCOMPARE(f.cart.requests.size(), 1);
        // Once the download has ended, ticks download again.
        f.installer->timer().fire();
        QCOMPARE(f.cart.requests.size(), 2);
    }

    // The Preferences command, and the account commands while the placeholder account is selected.
    void commandsOpenThePreferencesOnUserAccounts_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("Preferences") << CommandSurface::Preferences;
        QTest::newRow("Download menu item") << CommandSurface::Download;
        QTest::newRow("Download button") << CommandSurface::DownloadButton;
        QTest::newRow("Login to Admin") << CommandSurface::LoginToAdmin;
    }

    void commandsOpenThePreferencesOnUserAccounts()
    {
        QFETCH(QString, command);
        Fixture f;
        Browser browser;
        // A fresh database holds the placeholder account "Username".
        QCOMPARE(f.selector()->currentText(), QStringLiteral("Username"));
        PrefsDialog* prefs = f.installer->preferences();
        prefs->tabs()->setCurrentIndex(0);
        QString tab;
        ModalWatcher watcher([&](QWidget* modal) {
            if (modal != prefs)
                return false;
            tab = prefs->tabs()->tabText(prefs->tabs()->currentIndex());
            closeLater(prefs);
            return true;
        });
        f.window->commands().action(command)->trigger();
        QCOMPARE(watcher.handled, 1);
        QCOMPARE(prefs->parentWidget(), f.window.get());
        QCOMPARE(tab, QStringLiteral("User accounts"));
        QVERIFY(f.cart.requests.isEmpty());
        QVERIFY(browser.opened.isEmpty());
    }

    void loginToAdminOpensTheLink()
    {
        Fixture f;
        Browser browser;
        f.setAccounts({QStringLiteral("shop1")});
        f.action(CommandSurface::LoginToAdmin)->trigger();
        QCOMPARE(browser.opened.size(), 1);
        const QUrl link = browser.opened.first();
        QCOMPARE(link.scheme(), QStringLiteral("https"));
        QCOMPARE(link.path(), QStringLiteral("/admin/users/pelmora.php"));
        // The token itself is the intake's to test.
        QVERIFY2(link.query().startsWith(QStringLiteral("us=shop1&tp=")) && link.query().size() == 12 + 32,
                 qPrintable(link.toString()));
    }

    // The preferences opened over the window: the auto-backup box sets the command at once; the
    // close sets the timer, and a refused location is said in a modal box.
    void preferencesActOnTheWindow()
    {
        Fixture f;
        QCOMPARE(f.installer->timer().interval(), 1200000);
        PrefsDialog* prefs = f.installer->preferences();
        QAction* command = f.action(CommandSurface::AutoBackup);
        QVERIFY(!command->isChecked());
        QString status;
        QStringList warnings;
        ModalWatcher watcher([&](QWidget* modal) {
            if (modal == prefs) {
                prefs->locationsPage()->autoBackupBox()->click();
                status = f.window->status();
                QComboBox* minutes = prefs->downloadPage()->minutesBox();
                minutes->setCurrentIndex(minutes->findText(QStringLiteral("60")));
                prefs->locationsPage()->databaseBox()->setPath(f.folder.file(QStringLiteral("db/none.tdbd")));
                closeLater(prefs);
                return true;
            }
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                warnings << box->text();
                box->button(QMessageBox::Ok)->click();
                return true;
            }
            return false;
        });
        f.action(CommandSurface::Preferences)->trigger();
        QCOMPARE(status, kAutoBackupEnabled);
        QVERIFY(command->isChecked());
        QVERIFY(f.window->session().settings().AutoBackup);
        QCOMPARE(f.installer->timer().interval(), 3600000);
        QVERIFY(f.installer->timer().isActive());
        QCOMPARE(warnings, QStringList{kNoDatabaseThere});
        QCOMPARE(prefs->locationsPage()->databaseBox()->path(), f.folder.databasePath());
        QVERIFY(f.window->session().data().isConnected());
    }
};

QTEST_MAIN(IntakeCommandsTest)
#include "tst_IntakeCommands.moc"
