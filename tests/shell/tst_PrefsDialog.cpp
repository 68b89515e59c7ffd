#include "common/ApplicationError.h"
#include "common/ErrorLog.h"
#include "common/GlobalConfig.h"
#include "common/RecordingUserPort.h"
#include "database/Maintenance.h"
#include "intake/DownloadTimer.h"
#include "shell/PrefsClose.h"
#include "shell/Session.h"
#include "shell/widgets/PathField.h"
#include "shell/widgets/PrefsAccountsPage.h"
#include "shell/widgets/PrefsDialog.h"
#include "shell/widgets/PrefsDownloadPage.h"
#include "shell/widgets/PrefsEmailPage.h"
#include "shell/widgets/PrefsListsPage.h"
#include "shell/widgets/PrefsLocationsPage.h"
#include "shell/widgets/PrefsPage.h"
#include "shell/widgets/PrefsProxyPage.h"
#include "shell/widgets/PrefsTriggersPage.h"
#include "support/TestFolder.h"
#include "toolkit/widgets/DataGrid.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using namespace pelmora;

namespace
{

// The twelve lines of a config_global.ini naming the folder's database.
QStringList configLines(const test::TestFolder& folder)
{
    const QString backup = folder.file(QStringLiteral("db/backup"));
    return {"0", folder.databasePath(), backup, backup, "0", "-1", "0", "-1", "35", "40", "12/24/2023", "reserved"};
}

QByteArray configBytes(const QStringList& lines)
{
    QByteArray bytes;
    for (const QString& line : lines)
        bytes += line.toLocal8Bit() + "\r\n";
    return bytes;
}

// A program folder with its configuration read and its database open, as at start-up.
struct Fixture {
    explicit Fixture(const QStringList& config = {})
    {
        folder.writeFile(QStringLiteral("cnfg/config_global.ini"),
                         configBytes(config.isEmpty() ? configLines(folder) : config));
        session.attachPort(&port);
        session.LoadGlobalConfig();
        session.data().ResetDB();
        port.statuses.clear();
    }

    int count(const QString& table)
    {
        return session.data().scalar(QStringLiteral("SELECT COUNT(*) FROM %1").arg(table)).toInt();
    }

    QByteArray config() const { return folder.readFile(QStringLiteral("cnfg/config_global.ini")); }

    test::TestFolder folder;
    RecordingUserPort port;
    Session session{folder.root(), Pause::none()};
};

// The dialog as the merchant opens it.
struct ShownDialog : PrefsDialog {
    explicit ShownDialog(Session& session) : PrefsDialog(session) { show(); }
};

QPushButton* closeButton(PrefsPage* page)
{
    return page->findChild<QPushButton*>(QStringLiteral("buttonClose"));
}

} // namespace

class PrefsDialogTest : public QObject
{
    Q_OBJECT
  private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void dialogShowsItsPages()
    {
        Fixture f;
        ShownDialog dialog(f.session);
        QVERIFY((dialog.windowFlags() & Qt::WindowType_Mask) == Qt::Tool);
        QCOMPARE(dialog.tabs()->count(), 7);
        // The accounts' passwords are never shown.
        auto* users = dialog.accountsPage()->grid();
        QCOMPARE(users->columns().visibleFields(), (QStringList{"Username", "Website", "Pass", "Secure"}));
        QCOMPARE(users->columns().column(QStringLiteral("Pass"))->editor, toolkit::EditorKind::Password);
        QCOMPARE(users->columns().column(QStringLiteral("Secure"))->editor, toolkit::EditorKind::Password);
        // "Help" opens the support page and leaves the dialog open.
        dialog.tabs()->setCurrentWidget(dialog.proxyPage());
        dialog.proxyPage()->findChild<QPushButton*>(QStringLiteral("buttonHelp"))->click();
        QCOMPARE(f.port.urlsOpened, (QList<QUrl>{QUrl(f.session.service().supportUrl())}));
        QVERIFY(dialog.isVisible());
        dialog.reject();
    }

    void everyTabIsInSight_data()
    {
        QTest::addColumn<int>("points"); // 0: the application's font
        QTest::newRow("the application's font") << 0;
        QTest::newRow("13 points") << 13;
    }

    void everyTabIsInSight()
    {
        QFETCH(int, points);
        const QFont previous = QApplication::font();
        QFont font = previous;
        if (points > 0)
            font.setPointSize(points);
        QApplication::setFont(font);
        Fixture f;
        ShownDialog dialog(f.session);
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QApplication::setFont(previous);

        QVERIFY(dialog.width() >= 634 && dialog.height() >= 361);
        QTabBar* bar = dialog.tabs()->tabBar();
        const QRect inSight = bar->rect().intersected(dialog.rect().translated(-bar->mapTo(&dialog, QPoint())));
        for (int i = 0; i < bar->count(); ++i)
            QVERIFY2(inSight.contains(bar->tabRect(i)), qPrintable(bar->tabText(i)));
        for (QToolButton* arrow : bar->findChildren<QToolButton*>())
            QVERIFY(!arrow->isVisible());
    }

    void controlsAreFilledOnceAtStart()
    {
        Fixture f;
        PrefsDialog dialog(f.session);
        QCOMPARE(dialog.locationsPage()->databaseBox()->path(), f.folder.databasePath());
        QCOMPARE(dialog.locationsPage()->backupBox()->path(), f.folder.file("db/backup"));
        QVERIFY(!dialog.locationsPage()->autoBackupBox()->isChecked());
        QVERIFY(dialog.downloadPage()->autoDownloadBox()->isChecked());
        QVERIFY(dialog.downloadPage()->allAccountsButton()->isChecked());
        QCOMPARE(dialog.downloadPage()->minutesBox()->currentText(), QStringLiteral("40"));

        // Later changes of the settings do not reach the controls; what the merchant chose stays,
        // and is taken over at the close, not before.
        dialog.downloadPage()->minutesBox()->setCurrentText(QStringLiteral("50"));
        dialog.downloadPage()->selectedAccountButton()->click();
        QVERIFY(f.session.settings().DownloadAllAccounts);
        f.session.settings().DownloadMinutes = QStringLiteral("30");
        f.session.settings().AutoDownload = false;
        QTimer::singleShot(0, &dialog, [&] { dialog.reject(); });
        dialog.openOn(kUserAccountsTab);
        QCOMPARE(dialog.downloadPage()->minutesBox()->currentText(), QStringLiteral("50"));
        QVERIFY(dialog.downloadPage()->autoDownloadBox()->isChecked());
        QVERIFY(!f.session.settings().DownloadAllAccounts);
        QCOMPARE(f.session.settings().DownloadMinutes, QStringLiteral("50"));
        const QStringList lines = QString::fromLocal8Bit(f.config()).split(QStringLiteral("\r\n"));
        QCOMPARE(lines.value(7), QStringLiteral("0"));
        QCOMPARE(lines.value(9), QStringLiteral("50"));
    }

    void closingUntouchedRewritesConfigWithLineNineReset_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("Close button") << "button";
        QTest::newRow("close box") << "close";
        QTest::newRow("Escape") << "escape";
    }

    void closingUntouchedRewritesConfigWithLineNineReset()
    {
        QFETCH(QString, how);
        Fixture f;
        ShownDialog dialog(f.session);
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        if (how == QLatin1String("button"))
            closeButton(dialog.emailPage())->click();
        else if (how == QLatin1String("close"))
            dialog.close();
        else
            QTest::keyClick(&dialog, Qt::Key_Escape);
        QVERIFY(!dialog.isVisible());

        QStringList expected = configLines(f.folder);
        expected[8] = QStringLiteral("20");
        QCOMPARE(f.config(), configBytes(expected));
        QCOMPARE(f.port.statuses, (QStringList{QStringLiteral("Your preferences have been saved."),
                                               QStringLiteral("Your preferences have been saved ")}));
        QVERIFY(f.session.data().isConnected());
    }

    void closingAddsOneEmptyRowToAnEmptyTable()
    {
        Fixture f;
        // The first table of the close and another are empty; every other table holds a row.
        const QStringList emptied{QStringLiteral("Email"), QStringLiteral("Users")};
        f.session.data().execute(
            QStringLiteral("INSERT INTO Triggers(Status,Template,Active) VALUES('Paid','Payment received',1)"));
        for (const QString& table : emptied)
            f.session.data().execute(QStringLiteral("DELETE FROM %1").arg(table));
        PrefsDialog dialog(f.session);
        QMap<QString, int> before;
        for (const QString& t : PrefsClose::tables())
            before[t] = f.count(t);

        // A second close adds nothing more.
        for (int close = 0; close < 2; ++close) {
            dialog.show();
            closeButton(dialog.accountsPage())->click();
            for (const QString& t : PrefsClose::tables())
                QCOMPARE(f.count(t), emptied.contains(t) ? 1 : before[t]);
        }
    }

    void badMinutesReachApplicationErrorAndKeepTheFile()
    {
        Fixture f;
        const QByteArray before = f.config();
        PrefsDialog dialog(f.session);
        bool intervalSet = false;
        dialog.setIntervalSetter([&](const GlobalSettings& settings) {
            DownloadTimer::intervalMs(settings.DownloadMinutes);
            intervalSet = true;
        });
        dialog.show();
        dialog.downloadPage()->minutesBox()->setCurrentText(QStringLiteral("2O"));
        closeButton(dialog.downloadPage())->click();

        QVERIFY(!dialog.isVisible());
        QVERIFY(!intervalSet);
        QCOMPARE(f.config(), before);
        QCOMPARE(f.port.status(), kApplicationErrorStatus);
        const QStringList log = f.folder.logLines();
        QVERIFY(!log.isEmpty());
        QVERIFY2(log.last().endsWith(QStringLiteral("'2O' is not a valid integer value application error")),
                 qPrintable(log.last()));
        // The bad text is held until a valid one comes.
        QCOMPARE(f.session.settings().DownloadMinutes, QStringLiteral("2O"));
    }

    void locationChecks_data()
    {
        QTest::addColumn<QString>("database"); // relative to the folder; "*" for the backup box's text
        QTest::addColumn<QString>("warning");
        QTest::addColumn<QString>("boxAfter"); // relative; what the database box holds afterwards
        QTest::addColumn<bool>("applied");

        QTest::newRow("same as backup") << "*" << kSameLocations << "*" << false;
        QTest::newRow("no file there") << "db/missing.tdbd" << kNoDatabaseThere << "db/Pelmora.tdbd" << false;
        QTest::newRow("another database") << "db/Other.tdbd" << QString() << "db/Other.tdbd" << true;
        QTest::newRow("another program's database")
            << "db/Other program.db" << kNotOurDatabase << "db/Pelmora.tdbd" << false;
        QTest::newRow("an empty file") << "db/empty.tdbd" << kNotOurDatabase << "db/Pelmora.tdbd" << false;
    }

    void locationChecks()
    {
        QFETCH(QString, database);
        QFETCH(QString, warning);
        QFETCH(QString, boxAfter);
        QFETCH(bool, applied);

        Fixture f;
        test::TestFolder::makeDatabase(f.folder.file(QStringLiteral("db/Other.tdbd")));
        f.folder.writeFile(QStringLiteral("db/empty.tdbd"), QByteArray());
        {
            QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
            other.setDatabaseName(f.folder.file(QStringLiteral("db/Other program.db")));
            QVERIFY(other.open());
            QSqlQuery(other).exec(QStringLiteral("CREATE TABLE Orders(id INTEGER)"));
            other.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("other"));
        PrefsDialog dialog(f.session);
        const QString backup = f.folder.file(QStringLiteral("db/backup2"));
        dialog.locationsPage()->backupBox()->setPath(backup);
        const QString typed = database == QLatin1String("*") ? backup : f.folder.file(database);
        dialog.locationsPage()->databaseBox()->setPath(typed);
        dialog.show();
        closeButton(dialog.locationsPage())->click();

        QCOMPARE(f.port.boxes, warning.isEmpty() ? QStringList() : QStringList{QStringLiteral("warning: ") + warning});
        const QString expectedBox = boxAfter == QLatin1String("*") ? backup : f.folder.file(boxAfter);
        QCOMPARE(dialog.locationsPage()->databaseBox()->path(), expectedBox);
        QCOMPARE(f.session.settings().DatabaseLocation, applied ? typed : f.folder.databasePath());
        QCOMPARE(f.session.settings().BackupFolder, applied ? backup : f.folder.file("db/backup"));
        QCOMPARE(f.session.data().location(), applied ? typed : f.folder.databasePath());
        QVERIFY(f.session.data().isConnected());
        if (!applied)
            QVERIFY(f.session.data().scalar(QStringLiteral("SELECT COUNT(*) FROM Orders")).isValid());
        QVERIFY(!QFile::exists(f.folder.file(QStringLiteral("db/missing.tdbd"))));
        // The other close steps still ran: the file was saved.
        const QStringList lines = QString::fromLocal8Bit(f.config()).split(QStringLiteral("\r\n"));
        QCOMPARE(lines.value(8), QStringLiteral("20"));
        QCOMPARE(lines.value(1), f.session.settings().DatabaseLocation);
    }

    void failedPostIsLoggedWithTheCloseTag_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("tag");
        QTest::newRow("first table") << QStringLiteral("Email") << ": prefs close";
        QTest::newRow("a later table") << QStringLiteral("Method") << ": prefs close ";
    }

    void failedPostIsLoggedWithTheCloseTag()
    {
        QFETCH(QString, table);
        QFETCH(QString, tag);
        Fixture f;
        // The table is empty and refuses the row the close starts in it.
        f.session.data().execute(QStringLiteral("DELETE FROM %1").arg(table));
        f.session.data().execute(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON %1 BEGIN "
                                                "SELECT RAISE(ABORT, 'no rows for %1'); END")
                                     .arg(table));
        f.session.data().execute(QStringLiteral("DELETE FROM Users"));
        ShownDialog dialog(f.session);
        closeButton(dialog.emailPage())->click();

        const QStringList log = f.folder.logLines();
        QCOMPARE(log.size(), 1);
        // date-time, the tag, the message: no ": " of its own.
        const QRegularExpression line(QStringLiteral("^\\d{1,2}/\\d{1,2}/\\d{2,4}( \\d{1,2}:\\d{2}:\\d{2} [AP]M)?") +
                                      QRegularExpression::escape(tag) + QStringLiteral("no rows for ") + table);
        QVERIFY2(line.match(log.first()).hasMatch(), qPrintable(log.first()));
        // The tables after the failing one were still posted.
        QCOMPARE(f.count(QStringLiteral("Users")), 1);
    }

    void gridsDeleteAsTheirListsAllow_data()
    {
        QTest::addColumn<QString>("grid");
        QTest::addColumn<QString>("table");
        QTest::addColumn<bool>("deletes");
        QTest::newRow("triggers refuse deletion") << QStringLiteral("gridTriggers") << "Triggers" << false;
        QTest::newRow("a list deletes without confirmation") << QStringLiteral("gridMethod") << "Method" << true;
    }

    void gridsDeleteAsTheirListsAllow()
    {
        QFETCH(QString, grid);
        QFETCH(QString, table);
        QFETCH(bool, deletes);
        Fixture f;
        f.session.data().execute(
            QStringLiteral("INSERT INTO Triggers(Status,Template,Active) VALUES('Paid','Payment received',1)"));
        const int before = f.count(table);
        ShownDialog dialog(f.session);
        auto* rows = dialog.findChild<toolkit::DataGrid*>(grid);
        rows->model()->rowCount(); // the rows are read
        rows->cursor().setCurrentRow(0);
        // No box is answered: a confirmation would block here.
        rows->navigator()->button(toolkit::RecordNavigator::Delete)->click();
        QCOMPARE(f.count(table), deletes ? before - 1 : before);
        QVERIFY(f.port.boxes.isEmpty());
        // Appending works.
        rows->navigator()->button(toolkit::RecordNavigator::Insert)->click();
        QCOMPARE(f.count(table), deletes ? before : before + 1);
        dialog.reject();
    }

    // Check boxes act at once, bound edits land in their tables; nothing is saved to the file
    // before the dialog closes.
    void boundEditsLandInTheirTables()
    {
        Fixture f;
        const QByteArray before = f.config();
        ShownDialog dialog(f.session);
        dialog.locationsPage()->autoBackupBox()->click();
        dialog.locationsPage()->autoBackupBox()->click();
        QVERIFY(!f.session.settings().AutoBackup);
        QCOMPARE(f.port.status(), kAutoBackupDisabled);
        dialog.downloadPage()->autoDownloadBox()->click();
        QVERIFY(!f.session.settings().AutoDownload);
        dialog.findChild<QCheckBox*>(QStringLiteral("checkPlaintext"))->click();
        QCOMPARE(f.session.data().scalar(QStringLiteral("SELECT Plaintext FROM Email")).toInt(), 1);
        QCOMPARE(f.config(), before);

        // Typed but not finished: the close posts it. An empty port is no port.
        auto* server = dialog.findChild<QLineEdit*>(QStringLiteral("editProxyServer"));
        auto* port = dialog.findChild<QLineEdit*>(QStringLiteral("editProxyPort"));
        server->setText(QStringLiteral("proxy.local"));
        port->setText(QString());
        dialog.accept();
        QCOMPARE(f.session.data().scalar(QStringLiteral("SELECT Server FROM Proxy")).toString(),
                 QStringLiteral("proxy.local"));
        QVERIFY(f.session.data().scalar(QStringLiteral("SELECT Port FROM Proxy")).isNull());
    }

    void textTypedIntoAnEmptyTableIsKept_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("edit");
        QTest::addColumn<QString>("column");
        QTest::addColumn<bool>("finished"); // Return pressed before the close

        QTest::newRow("sender, still in the box") << "Email" << QStringLiteral("editFrom") << "From" << false;
        QTest::newRow("sender, Return pressed") << "Email" << QStringLiteral("editFrom") << "From" << true;
        QTest::newRow("proxy server, still in the box")
            << "Proxy" << QStringLiteral("editProxyServer") << "Server" << false;
        QTest::newRow("proxy user, Return pressed") << "Proxy" << QStringLiteral("editProxyUser") << "User" << true;
    }

    void textTypedIntoAnEmptyTableIsKept()
    {
        QFETCH(QString, table);
        QFETCH(QString, edit);
        QFETCH(QString, column);
        QFETCH(bool, finished);
        Fixture f;
        f.session.data().execute(QStringLiteral("DELETE FROM %1").arg(table));
        ShownDialog dialog(f.session);
        auto* box = dialog.findChild<QLineEdit*>(edit);
        QVERIFY(box);
        PrefsPage* page = nullptr;
        for (PrefsPage* p : dialog.pages())
            if (p->isAncestorOf(box))
                page = p;
        dialog.tabs()->setCurrentWidget(page);
        box->setFocus();
        QTest::keyClicks(box, QStringLiteral("typed.example"));
        if (finished)
            QTest::keyClick(box, Qt::Key_Return);

        closeButton(page)->click();

        QCOMPARE(f.count(table), 1);
        QCOMPARE(f.session.data().scalar(QStringLiteral("SELECT \"%1\" FROM %2").arg(column, table)).toString(),
                 QStringLiteral("typed.example"));
        // The box still shows it when the dialog opens again.
        QCOMPARE(box->text(), QStringLiteral("typed.example"));
    }
};

QTEST_MAIN(PrefsDialogTest)
#include "tst_PrefsDialog.moc"
