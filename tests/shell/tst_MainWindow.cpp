#include "ProgramFixture.h"
#include "common/ApplicationError.h"
#include "common/Error.h"
#include "common/GlobalConfig.h"
#include "database/Maintenance.h"
#include "shell/widgets/MainWindow.h"
#include "support/TestFolder.h"
#include "toolkit/widgets/CategoryInspector.h"
#include "toolkit/widgets/DataGrid.h"
#include "toolkit/widgets/RecordNavigator.h"
#include "workspace/OrdersWorkspace.h"
#include "workspace/widgets/ItemsGrid.h"
#include "workspace/widgets/OrderInspector.h"
#include "workspace/widgets/OrdersGrid.h"
#include "workspace/widgets/WorkspaceView.h"

#include <QApplication>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSettings>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolBar>

using namespace pelmora;

namespace
{
struct Entry {
    QString caption;
    QString hint;
    bool separatorBefore = false;
};

// Every row of the orders and items, every column, in key order.
QStringList rows(DataModule& data)
{
    QStringList all;
    for (const char* table : {"Orders", "Items"}) {
        QSqlQuery query = data.select(QStringLiteral("SELECT * FROM %1 ORDER BY rowid").arg(QLatin1String(table)));
        while (query.next()) {
            QStringList values;
            for (int c = 0; c < query.record().count(); ++c)
                values << query.value(c).toString();
            all << values.join(QLatin1Char('|'));
        }
    }
    return all;
}

QList<Entry> entries(QMenu* menu)
{
    QList<Entry> list;
    bool separator = false;
    for (QAction* a : menu->actions()) {
        if (a->isSeparator()) {
            separator = true;
            continue;
        }
        if (!a->isVisible())
            continue;
        list << Entry{a->text(), a->toolTip(), separator};
        separator = false;
    }
    return list;
}
} // namespace

class MainWindowTest : public QObject
{
    Q_OBJECT
  private slots:
    void menusStandInTheirOrder();
    void toolbarsHoldTheirItems();
    void startupGreetsAndMakesFolders();
    void viewTogglesShowAndHideToolbars_data();
    void viewTogglesShowAndHideToolbars();
    void closingSavesSettingsAndLayoutExitDoesNot();
    void backupCommandReportsAndCopies();
    void autoBackupCommandFollowsConfig();
    void escapingErrorsReachApplicationError();
    void restoreDefaultsShowsItsMessage();
    void emptyDatabaseShowsTheColumns();
    void firstStartOpensTheMainCategories();
    void deletionMessageLinksToItsUndo_data();
    void deletionMessageLinksToItsUndo();
};

void MainWindowTest::menusStandInTheirOrder()
{
    test::ProgramFixture p;
    MainWindow& w = p.start(false);
    QList<QMenu*> menus;
    for (QAction* a : w.menuBar()->actions())
        menus << a->menu();
    QStringList titles;
    for (QMenu* m : menus)
        titles << m->title();
    QCOMPARE(titles, (QStringList{"&File", "&Actions", "&Options", "&View", "&Help"}));

    auto file = entries(menus[0]);
    QStringList captions;
    for (const Entry& e : file)
        captions << e.caption;
    QCOMPARE(captions,
             (QStringList{"&Backup now", "&Restore last backup", "Auto backup DB", "&Archive orders",
                          "&View archived orders", "Reload current orders", "Print...", "Preferences", "E&xit"}));
    QVERIFY(file[3].separatorBefore);
    QVERIFY(file[7].separatorBefore);
    QVERIFY(file[8].separatorBefore);
    QCOMPARE(file[6].hint, QString("Print"));
    QCOMPARE(file[8].hint, QString("Exit Quits the application"));

    auto actions = entries(menus[1]);
    captions.clear();
    for (const Entry& e : actions)
        captions << e.caption;
    QCOMPARE(captions, (QStringList{"&Open reports", "Send &e-mail", "E&xport orders", "Export &items", "&Download ",
                                    "&Restore defaults", "Set status", "Tick \"Selected\"", "Clear \"Selected\"",
                                    "Redo", "Undo"}));
    QVERIFY(actions[5].separatorBefore);
    QVERIFY(actions[6].separatorBefore);
    // The statuses are read once the database is open: the submenu offers them.
    auto* statuses = w.findChild<QMenu*>(QStringLiteral("menuSetStatus"));
    QVERIFY(statuses && statuses->isEnabled());
    QVERIFY(!statuses->actions().isEmpty());
    QVERIFY(actions[9].separatorBefore);
    QCOMPARE(actions[4].hint, QString("Download "));
    // "Repair table" is in the command set but never shown and never enabled.
    QAction* repair = w.commands().action(CommandSurface::RepairTable);
    QVERIFY(repair && !repair->isVisible() && !repair->isEnabled());

    QAction* paste = w.commands().action(CommandSurface::AutoUpdatePasteData);
    QVERIFY(paste->isCheckable() && paste->isChecked());
    for (const char* name : {CommandSurface::ShowActions, CommandSurface::ShowLayout, CommandSurface::ShowUsername,
                             CommandSurface::ShowEmail})
        QVERIFY(w.commands().action(name)->isCheckable() && w.commands().action(name)->isChecked());

    auto help = entries(menus[4]);
    QCOMPARE(help.size(), 3);
    QCOMPARE(help[0].hint, QString("Help Contents"));
    QCOMPARE(help[1].caption, w.session().service().homeAddress() + " online...");
    QCOMPARE(help[1].hint, "Go to " + w.session().service().homeAddress() + " online");
    QVERIFY(help[1].separatorBefore);
    QCOMPARE(help[2].caption, QString("About.."));
    QCOMPARE(w.windowTitle(), QString("Pelmora 4+"));
    QCOMPARE(w.minimumSize(), QSize(800, 480));
}

void MainWindowTest::toolbarsHoldTheirItems()
{
    test::ProgramFixture p;
    MainWindow& w = p.start(false);
    QStringList bars;
    for (QToolBar* tb : w.findChildren<QToolBar*>(QString(), Qt::FindDirectChildrenOnly))
        bars << tb->windowTitle();
    QCOMPARE(bars, (QStringList{"Selected user account", "Layout", "Actions", "Email"}));
    auto texts = [&](const char* name) {
        QStringList t;
        for (QAction* a : w.commands().toolbar(name)->actions())
            t << (a->isSeparator() ? QString("|") : a->text());
        return t;
    };
    QCOMPARE(texts(CommandSurface::LayoutBar), (QStringList{"Reset", "Grouping", "Auto-size"}));
    QCOMPARE(texts(CommandSurface::ActionsBar),
             (QStringList{"Reports", "|", "Export orders", "Export items", "|", "Paste data"}));
    QCOMPARE(texts(CommandSurface::EmailBar), (QStringList{"Send e-mail"}));
    const QStringList account = texts(CommandSurface::AccountBar);
    QCOMPARE(account.mid(2), (QStringList{"Download", "Login to Admin"}));
    QVERIFY(w.commands().accountSelector());
}

void MainWindowTest::startupGreetsAndMakesFolders()
{
    test::ProgramFixture p;
    test::TestFolder& folder = p.folder;
    QDir(folder.file("logs")).removeRecursively();
    QDir(folder.file("tmp")).removeRecursively();
    MainWindow& w = p.start();
    QCOMPARE(w.status(), QString("Welcome to Pelmora!"));
    QVERIFY(w.session().flags().StartedUp);
    QVERIFY(QDir(folder.file("logs")).exists());
    QVERIFY(QDir(folder.file("tmp")).exists());
    QVERIFY(w.session().data().isConnected());
    QCOMPARE(folder.logLines(), QStringList());
}

void MainWindowTest::viewTogglesShowAndHideToolbars_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("toolbar");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("hidden");
    QTest::newRow("actions") << QString(CommandSurface::ShowActions) << QString(CommandSurface::ActionsBar)
                             << QString("Actions toolbar shown") << QString("Actions toolbar hidden");
    QTest::newRow("layout") << QString(CommandSurface::ShowLayout) << QString(CommandSurface::LayoutBar)
                            << QString("Layout toolbar shown") << QString("Layout toolbar hidden");
    QTest::newRow("username") << QString(CommandSurface::ShowUsername) << QString(CommandSurface::AccountBar)
                              << QString("Username toolbar shown") << QString("Username toolbar hidden");
    QTest::newRow("email") << QString(CommandSurface::ShowEmail) << QString(CommandSurface::EmailBar)
                           << QString("Email toolbar shown") << QString("Email toolbar hidden");
}

void MainWindowTest::viewTogglesShowAndHideToolbars()
{
    QFETCH(QString, action);
    QFETCH(QString, toolbar);
    QFETCH(QString, shown);
    QFETCH(QString, hidden);
    test::ProgramFixture p;
    MainWindow& w = p.start();
    QAction* a = w.commands().action(action);
    a->trigger();
    QCOMPARE(w.status(), hidden);
    QVERIFY(!w.commands().toolbar(toolbar)->isVisible());
    a->trigger();
    QCOMPARE(w.status(), shown);
    QVERIFY(w.commands().toolbar(toolbar)->isVisible());
}

void MainWindowTest::closingSavesSettingsAndLayoutExitDoesNot()
{
    test::ProgramFixture p;
    test::TestFolder& folder = p.folder;
    const QByteArray before = folder.readFile("cnfg/config_global.ini");
    p.start().session().settings().DownloadMinutes = "30";
    p.window->commands().action(CommandSurface::Exit)->trigger();
    p.stop();
    QCOMPARE(folder.readFile("cnfg/config_global.ini"), before);
    QVERIFY(!QFile::exists(folder.file("cnfg/grid_config1.ini")));
    p.start().session().settings().DownloadMinutes = "30";
    p.window->resize(1000, 640);
    p.window->close();
    QVERIFY(!p.session->data().isConnected());
    p.stop();
    QCOMPARE(GlobalConfig::load(folder.root()).DownloadMinutes, QString("30"));
    QCOMPARE(
        QSettings(folder.file("cnfg/grid_config1.ini"), QSettings::IniFormat).value("MainWindow/ClientWidth").toInt(),
        1000);
    QCOMPARE(folder.logLines(), QStringList());
    // The next start opens the window as it was left.
    QCOMPARE(p.start(false).size(), QSize(1000, 640));
}

void MainWindowTest::backupCommandReportsAndCopies()
{
    test::ProgramFixture p;
    test::TestFolder& folder = p.folder;
    QDir(folder.file("db/backup")).removeRecursively();
    MainWindow& w = p.start();
    w.commands().action(CommandSurface::BackupNow)->trigger();
    QCOMPARE(w.status(), kBackedUp);
    QCOMPARE(folder.readFile("db/backup/Pelmora.tdbd"), folder.readFile("db/Pelmora.tdbd"));
    QVERIFY(w.session().data().isConnected());
}

void MainWindowTest::autoBackupCommandFollowsConfig()
{
    test::ProgramFixture p([](GlobalSettings& s) { s.AutoBackup = true; });
    test::TestFolder& folder = p.folder;
    const QByteArray asLeft = folder.readFile("db/Pelmora.tdbd");
    MainWindow& w = p.start(false);
    QAction* a = w.commands().action(CommandSurface::AutoBackup);
    QVERIFY(a->isChecked());
    // The start-up backup is the database as the previous run left it, before it was opened.
    QCOMPARE(folder.readFile("db/backup/Pelmora.tdbd"), asLeft);
    a->trigger();
    QCOMPARE(w.status(), kAutoBackupDisabled);
    QVERIFY(!w.session().settings().AutoBackup);
    a->trigger();
    QCOMPARE(w.status(), kAutoBackupEnabled);
    QVERIFY(w.session().settings().AutoBackup);
}

void MainWindowTest::escapingErrorsReachApplicationError()
{
    test::ProgramFixture p;
    test::TestFolder& folder = p.folder;
    MainWindow& w = p.start();
    w.run([] { throw Error("The command broke"); });
    QCOMPARE(w.status(), QString("No matches found. All orders shown"));
    const QStringList log = folder.logLines();
    QCOMPARE(log.size(), 1);
    QVERIFY(log[0].endsWith(": The command broke application error"));
    // The window stays usable.
    w.commands().action(CommandSurface::ShowLayout)->trigger();
    QCOMPARE(w.status(), QString("Layout toolbar hidden"));
}

void MainWindowTest::restoreDefaultsShowsItsMessage()
{
    test::ProgramFixture p;
    test::TestFolder& folder = p.folder;
    {
        QSettings ini(folder.file("cnfg/grid_config_default.ini"), QSettings::IniFormat);
        ini.setValue("MainWindow/ClientWidth", 900);
        ini.setValue("MainWindow/ClientHeight", 500);
    }
    MainWindow& w = p.start();
    w.resize(1100, 700);
    w.commands().action(CommandSurface::RestoreDefaults)->trigger();
    QCOMPARE(w.status(), QString("Pelmora has been restored to its default settings. "));
    QCOMPARE(w.size(), QSize(900, 500));
    w.close();
    QSettings saved(folder.file("cnfg/grid_config1.ini"), QSettings::IniFormat);
    QCOMPARE(saved.value("MainWindow/ClientWidth").toInt(), 900);
}

// A new shop's empty database still shows the grid's columns, so the merchant sees where the
// orders will go.
void MainWindowTest::emptyDatabaseShowsTheColumns()
{
    test::ProgramFixture p;
    MainWindow& w = p.start();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTableView* table = w.workspaceView().ordersGrid()->grid()->tableView();
    QCOMPARE(table->model()->rowCount(), 0);
    QHeaderView* header = table->horizontalHeader();
    QVERIFY(header->isVisible());
    QVERIFY(header->height() > 0);
    QStringList shown;
    for (int visual = 0; visual < header->count() && shown.size() < 3; ++visual) {
        const int logical = header->logicalIndex(visual);
        if (!header->isSectionHidden(logical) && header->sectionSize(logical) > 0)
            shown << table->model()->headerData(logical, Qt::Horizontal).toString();
    }
    QCOMPARE(shown, (QStringList{"ShopperID", "Username", "Date"}));
}

// Before the merchant has a layout of their own, the inspector opens on the order's main
// categories instead of six closed headings.
void MainWindowTest::firstStartOpensTheMainCategories()
{
    test::ProgramFixture p;
    MainWindow& w = p.start();
    QStringList open;
    for (const char* category : {"Orders", "Invoice", "Shipping", "Amounts", "Payment", "Misc."})
        if (w.workspaceView().inspector()->inspector()->isCategoryExpanded(QString::fromLatin1(category)))
            open << QString::fromLatin1(category);
    QCOMPARE(open, (QStringList{"Orders", "Invoice", "Shipping", "Amounts"}));
}

void MainWindowTest::deletionMessageLinksToItsUndo_data()
{
    QTest::addColumn<bool>("changedSince");
    QTest::newRow("clicked at once") << false;
    QTest::newRow("another change came after") << true;
}

// The "Undo" after a deleted order's message undoes that deletion, without taking the focus, and
// only while it is the last change: another change takes the link away.
void MainWindowTest::deletionMessageLinksToItsUndo()
{
    QFETCH(bool, changedSince);
    test::ProgramFixture p;
    MainWindow& w = p.start();
    DataModule& data = w.session().data();
    data.execute("INSERT INTO Orders(ShopperID,Invoice_name,Status,New) VALUES(2001,'Ann','Unpaid',0),"
                 "(2002,'Bob','Unpaid',0)");
    data.execute("INSERT INTO Items(ShopperID,Qty,Product,Price,Amount) VALUES(2002,1,'Widget',2,2),"
                 "(2002,2,'Gadget',3,6),(2001,1,'Bolt',1,1)");
    data.ResetDB();
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    const QStringList before = rows(data);

    OrdersWorkspace& workspace = w.workspaceView().workspace();
    toolkit::SqlTableModel* orders = workspace.DataSourceOrders();
    int row = 0;
    while (row < orders->rowCount() && orders->value(row, "ShopperID").toInt() != 2002)
        ++row;
    QVERIFY(row < orders->rowCount());
    toolkit::DataGrid* grid = w.workspaceView().ordersGrid()->grid();
    grid->tableView()->setFocus();
    workspace.setCurrentRow(row);
    grid->navigator()->trigger(toolkit::RecordNavigator::Delete);
    QCOMPARE(data.scalar("SELECT count(*) FROM Items WHERE ShopperID = 2002").toInt(), 0);
    QCOMPARE(w.status(), QString("Order 2002 and its 2 items deleted. Undo"));
    auto* link = w.findChild<QPushButton*>("statusLink");
    QVERIFY(link && link->isVisible());
    QCOMPARE(link->text(), QString("Undo"));
    QWidget* focused = QApplication::focusWidget();

    if (changedSince) {
        const qint64 ann = data.scalar("SELECT id FROM Orders WHERE ShopperID = 2001").toLongLong();
        workspace.setOrdersValue({ann}, "Status", "Shipped");
        const QStringList changed = rows(data);
        QVERIFY(!link->isVisible());
        QCOMPARE(w.status(), QString("Order 2002 and its 2 items deleted."));
        // Not even a click that was on its way undoes the status change.
        link->click();
        QCOMPARE(rows(data), changed);
        QCOMPARE(data.scalar("SELECT Status FROM Orders WHERE ShopperID = 2001").toString(), QString("Shipped"));
        return;
    }
    QTest::mouseClick(link, Qt::LeftButton);
    QCOMPARE(rows(data), before);
    QCOMPARE(w.status(), QString("Undone: Order 2002 and its 2 items deleted"));
    QVERIFY(!link->isVisible());
    QCOMPARE(QApplication::focusWidget(), focused);
    QCOMPARE(workspace.DataSourceOrders()->rowCount(), 2);
}

QTEST_MAIN(MainWindowTest)
#include "tst_MainWindow.moc"
