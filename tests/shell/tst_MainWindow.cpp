#include "ProgramFixture.h"
#include "common/ApplicationError.h"
#include "common/Error.h"
#include "common/GlobalConfig.h"
#include "database/Maintenance.h"
#include "shell/widgets/MainWindow.h"
#include "support/DatabaseProbe.h"
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
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <array>

using namespace pelmora;

class MainWindowTest : public QObject
{
    Q_OBJECT
  private slots:
    void menusOfferWhatTheShopHas()
    {
        test::ProgramFixture p;
        MainWindow& w = p.start(false);
        // The statuses are read once the database is open: the submenu offers them.
        auto* statuses = w.findChild<QMenu*>(QStringLiteral("menuSetStatus"));
        QVERIFY(statuses && statuses->isEnabled());
        QVERIFY(!statuses->actions().isEmpty());
        // "Repair table" is in the command set but never shown and never enabled.
        QAction* repair = w.commands().action(CommandSurface::RepairTable);
        QVERIFY(repair && !repair->isVisible() && !repair->isEnabled());
        for (const char* name : {CommandSurface::AutoUpdatePasteData, CommandSurface::ShowActions,
                                 CommandSurface::ShowLayout, CommandSurface::ShowUsername, CommandSurface::ShowEmail})
            QVERIFY2(w.commands().action(name)->isChecked(), name);
        // The Help menu names the cart service's address of this deployment.
        QMenu* help = w.menuBar()->actions().last()->menu();
        QStringList captions;
        for (QAction* a : help->actions())
            captions << a->text();
        QVERIFY2(captions.contains(w.session().service().homeAddress() + " online..."), qPrintable(captions.join('|')));
    }

    void startupGreetsAndMakesFolders()
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

        // Before the merchant has a layout of their own, the inspector opens on the order's main
        // categories instead of six closed headings.
        QStringList open;
        for (const char* category : {"Orders", "Invoice", "Shipping", "Amounts", "Payment", "Misc."})
            if (w.workspaceView().inspector()->inspector()->isCategoryExpanded(QString::fromLatin1(category)))
                open << QString::fromLatin1(category);
        QCOMPARE(open, (QStringList{"Orders", "Invoice", "Shipping", "Amounts"}));

        // The new shop's empty database still shows the grid's columns, so the merchant sees where
        // the orders will go.
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QTableView* table = w.workspaceView().ordersGrid()->grid()->tableView();
        QCOMPARE(table->model()->rowCount(), 0);
        QHeaderView* header = table->horizontalHeader();
        QVERIFY(header->isVisible() && header->height() > 0);
        QStringList shown;
        for (int visual = 0; visual < header->count() && shown.size() < 3; ++visual) {
            const int logical = header->logicalIndex(visual);
            if (!header->isSectionHidden(logical) && header->sectionSize(logical) > 0)
                shown << table->model()->headerData(logical, Qt::Horizontal).toString();
        }
        QCOMPARE(shown, (QStringList{"ShopperID", "Username", "Date"}));
    }

    void viewTogglesShowAndHideToolbars()
    {
        test::ProgramFixture p;
        MainWindow& w = p.start();
        const QList<std::array<const char*, 3>> toggles{
            {CommandSurface::ShowActions, CommandSurface::ActionsBar, "Actions"},
            {CommandSurface::ShowLayout, CommandSurface::LayoutBar, "Layout"},
            {CommandSurface::ShowUsername, CommandSurface::AccountBar, "Username"},
            {CommandSurface::ShowEmail, CommandSurface::EmailBar, "Email"}};
        for (const auto& [action, toolbar, name] : toggles) {
            QAction* a = w.commands().action(action);
            a->trigger();
            QCOMPARE(w.status(), QString("%1 toolbar hidden").arg(name));
            QVERIFY(!w.commands().toolbar(toolbar)->isVisible());
            a->trigger();
            QCOMPARE(w.status(), QString("%1 toolbar shown").arg(name));
            QVERIFY(w.commands().toolbar(toolbar)->isVisible());
        }
    }

    void closingSavesSettingsAndLayoutExitDoesNot()
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
        QCOMPARE(QSettings(folder.file("cnfg/grid_config1.ini"), QSettings::IniFormat)
                     .value("MainWindow/ClientWidth")
                     .toInt(),
                 1000);
        QCOMPARE(folder.logLines(), QStringList());
        // The next start opens the window as it was left.
        QCOMPARE(p.start(false).size(), QSize(1000, 640));
    }

    void backupCommandsFollowConfig()
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
        // "Backup now" copies the database as it is now.
        w.commands().action(CommandSurface::BackupNow)->trigger();
        QCOMPARE(w.status(), kBackedUp);
        QCOMPARE(folder.readFile("db/backup/Pelmora.tdbd"), folder.readFile("db/Pelmora.tdbd"));
        QVERIFY(w.session().data().isConnected());
    }

    void restoreDefaultsShowsItsMessage()
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

    void deletionMessageLinksToItsUndo_data()
    {
        QTest::addColumn<bool>("changedSince");
        QTest::newRow("clicked at once") << false;
        QTest::newRow("another change came after") << true;
    }

    // The "Undo" after a deleted order's message undoes that deletion, without taking the focus, and
    // only while it is the last change: another change takes the link away.
    void deletionMessageLinksToItsUndo()
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
        // Every row of the orders and items, as another program reads them.
        const auto rows = [&p] {
            const test::DatabaseProbe probe(p.folder.databasePath());
            return QList{probe.rows("Orders"), probe.rows("Items")};
        };
        const auto before = rows();

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
            const auto changed = rows();
            QVERIFY(!link->isVisible());
            QCOMPARE(w.status(), QString("Order 2002 and its 2 items deleted."));
            // Not even a click that was on its way undoes the status change.
            link->click();
            QCOMPARE(rows(), changed);
            QCOMPARE(data.scalar("SELECT Status FROM Orders WHERE ShopperID = 2001").toString(), QString("Shipped"));
            return;
        }
        QTest::mouseClick(link, Qt::LeftButton);
        QCOMPARE(rows(), before);
        QCOMPARE(w.status(), QString("Undone: Order 2002 and its 2 items deleted"));
        QVERIFY(!link->isVisible());
        QCOMPARE(QApplication::focusWidget(), focused);
        QCOMPARE(workspace.DataSourceOrders()->rowCount(), 2);
    }
};

QTEST_MAIN(MainWindowTest)
#include "tst_MainWindow.moc"
