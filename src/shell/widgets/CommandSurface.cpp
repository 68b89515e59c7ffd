#include "shell/widgets/CommandSurface.h"

#include <QLabel>
#include <QMenu>
#include <QMenuBar>

namespace pelmora
{

namespace
{
QString withoutAmpersand(const QString& caption)
{
    QString hint = caption;
    hint.remove('&');
    return hint;
}
} // namespace

QAction* CommandSurface::add(QWidget* container, const char* name, const QString& caption, const QString& hint)
{
    auto* action = new QAction(caption, &window_);
    action->setObjectName(QString::fromLatin1(name));
    const QString h = hint.isEmpty() ? withoutAmpersand(caption) : hint;
    action->setToolTip(h);
    action->setStatusTip(h);
    if (container)
        container->addAction(action);
    actions_.insert(action->objectName(), action);
    return action;
}

CommandSurface::CommandSurface(QMainWindow& window, const QString& homeAddress) : window_(window)
{
    QMenuBar* bar = window.menuBar();
    bar->setObjectName(QStringLiteral("mainMenu"));
    bar->setWindowTitle(QStringLiteral("Main menu"));

    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("menuFile"));
    file->setToolTipsVisible(true);
    add(file, BackupNow, QStringLiteral("&Backup now"));
    add(file, RestoreLastBackup, QStringLiteral("&Restore last backup"));
    QAction* autoBackup = add(file, AutoBackup, QStringLiteral("Auto backup DB"));
    autoBackup->setCheckable(true);
    file->addSeparator();
    add(file, ArchiveOrders, QStringLiteral("&Archive orders"));
    add(file, ViewArchivedOrders, QStringLiteral("&View archived orders"));
    add(file, ReloadCurrentOrders, QStringLiteral("Reload current orders"));
    add(file, Print, QStringLiteral("Print..."), QStringLiteral("Print"));
    file->addSeparator();
    add(file, Preferences, QStringLiteral("Preferences"));
    file->addSeparator();
    add(file, Exit, QStringLiteral("E&xit"), QStringLiteral("Exit Quits the application"));

    QMenu* actions = bar->addMenu(QStringLiteral("&Actions"));
    actions->setObjectName(QStringLiteral("menuActions"));
    actions->setToolTipsVisible(true);
    add(actions, OpenReports, QStringLiteral("&Open reports"));
    add(actions, SendEmail, QStringLiteral("Send &e-mail"), QStringLiteral("Send e-mail"));
    add(actions, ExportOrders, QStringLiteral("E&xport orders"), QStringLiteral("Export orders"));
    add(actions, ExportItems, QStringLiteral("Export &items"), QStringLiteral("Export items"));
    add(actions, Download, QStringLiteral("&Download "), QStringLiteral("Download "));
    // Kept in the command set for its place, but never shown and never run.
    QAction* repair = add(actions, RepairTable, QStringLiteral("Repair table"));
    repair->setVisible(false);
    repair->setEnabled(false);
    actions->addSeparator();
    add(actions, RestoreDefaults, QStringLiteral("&Restore defaults"));

    QMenu* options = bar->addMenu(QStringLiteral("&Options"));
    options->setObjectName(QStringLiteral("menuOptions"));
    QAction* paste = add(options, AutoUpdatePasteData, QStringLiteral("Auto-update Paste data"));
    paste->setCheckable(true);
    paste->setChecked(true);

    QMenu* view = bar->addMenu(QStringLiteral("&View"));
    view->setObjectName(QStringLiteral("menuView"));
    for (const auto& [name, caption] :
         {std::pair{ShowActions, "Show actions"}, std::pair{ShowLayout, "Show layout"},
          std::pair{ShowUsername, "Show username"}, std::pair{ShowEmail, "Show e-mail"}}) {
        QAction* a = add(view, name, QString::fromLatin1(caption));
        a->setCheckable(true);
        a->setChecked(true);
    }

    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("menuHelp"));
    help->setToolTipsVisible(true);
    add(help, Help, QStringLiteral("&Help"), QStringLiteral("Help Contents"));
    help->addSeparator();
    // The address is shown as it stands; a "&" in it must not become an accelerator.
    QString address = homeAddress;
    address.replace('&', QStringLiteral("&&"));
    add(help, WebSite, address + QStringLiteral(" online..."),
        QStringLiteral("Go to ") + homeAddress + QStringLiteral(" online"));
    add(help, About, QStringLiteral("About.."));

    auto makeBar = [&](const char* name, const QString& caption) {
        QToolBar* tb = window.addToolBar(caption);
        tb->setObjectName(QString::fromLatin1(name));
        tb->setFloatable(true);
        tb->setMovable(true);
        tb->setToolButtonStyle(Qt::ToolButtonTextOnly);
        tb->toggleViewAction()->setVisible(false);
        toolbars_.insert(tb->objectName(), tb);
        return tb;
    };

    QToolBar* account = makeBar(AccountBar, QStringLiteral("Selected user account"));
    auto* label = new QLabel(QStringLiteral("Username"), account);
    label->setObjectName(QStringLiteral("labelUsername"));
    label->setContentsMargins(4, 0, 4, 0);
    account->addWidget(label);
    accountSelector_ = new QComboBox(account);
    accountSelector_->setObjectName(QStringLiteral("accountSelector"));
    accountSelector_->setMinimumWidth(140);
    account->addWidget(accountSelector_);
    add(account, DownloadButton, QStringLiteral("Download"));
    add(account, LoginToAdmin, QStringLiteral("Login to Admin"));

    QToolBar* layout = makeBar(LayoutBar, QStringLiteral("Layout"));
    add(layout, Reset, QStringLiteral("Reset"));
    add(layout, Grouping, QStringLiteral("Grouping"))->setCheckable(true);
    add(layout, AutoSize, QStringLiteral("Auto-size"))->setCheckable(true);

    QToolBar* act = makeBar(ActionsBar, QStringLiteral("Actions"));
    add(act, Reports, QStringLiteral("Reports"));
    act->addSeparator();
    add(act, ExportOrdersButton, QStringLiteral("Export orders"));
    add(act, ExportItemsButton, QStringLiteral("Export items"));
    act->addSeparator();
    add(act, PasteData, QStringLiteral("Paste data"));

    QToolBar* email = makeBar(EmailBar, QStringLiteral("Email"));
    add(email, SendEmailButton, QStringLiteral("Send e-mail"));

    // The command set is fixed: no customisation through the context menu of the bars.
    window.setContextMenuPolicy(Qt::NoContextMenu);
}

QAction* CommandSurface::action(const QString& objectName) const
{
    return actions_.value(objectName);
}

QToolBar* CommandSurface::toolbar(const QString& objectName) const
{
    return toolbars_.value(objectName);
}

} // namespace pelmora
