#include "shell/widgets/ExportInstaller.h"

#include "common/Counted.h"
#include "common/Error.h"
#include "common/Root.h"
#include "export/widgets/ExportDialog.h"
#include "shell/widgets/MainWindow.h"
#include "workspace/ExportDataSets.h"
#include "workspace/widgets/ItemsGrid.h"
#include "workspace/widgets/OrderInspector.h"
#include "workspace/widgets/OrdersGrid.h"
#include "workspace/widgets/WorkspaceView.h"

#include <QDir>
#include <QLocale>

namespace pelmora
{

ExportInstaller* ExportInstaller::install(MainWindow& window, WorkspaceView& view)
{
    return new ExportInstaller(window, view);
}

ExportInstaller::ExportInstaller(MainWindow& window, WorkspaceView& view)
    : QObject(&window), window_(window), view_(view)
{
    setObjectName(QStringLiteral("exportInstaller"));
    CommandSurface& c = window.commands();
    for (const char* name : {CommandSurface::ExportOrders, CommandSurface::ExportOrdersButton}) {
        QAction* action = c.action(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, [this] { window_.run([this] { exportOrders(); }); });
        action->setEnabled(true);
    }
    for (const char* name : {CommandSurface::ExportItems, CommandSurface::ExportItemsButton}) {
        QAction* action = c.action(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, [this] { window_.run([this] { exportItems(); }); });
        action->setEnabled(true);
    }
    // Either switch of the view hands the item export the items table of the view.
    for (const char* name : {CommandSurface::ViewArchivedOrders, CommandSurface::ReloadCurrentOrders})
        connect(c.action(QString::fromLatin1(name)), &QAction::triggered, this, [this] { itemsFollowView_ = true; });
}

void ExportInstaller::exportOrders()
{
    OrdersWorkspace& workspace = view_.workspace();
    DataModule& data = window_.session().data();
    if (!data.handle())
        throw Error(QStringLiteral("Export orders: the database is not open"));
    const OrdersSource source = workspace.source();
    runDialog(ExportDataSets::orders(data.handle(), source, workspace.filterExpression(source)),
              QStringLiteral("Export orders"), QStringLiteral("orders"));
}

void ExportInstaller::exportItems()
{
    OrdersWorkspace& workspace = view_.workspace();
    DataModule& data = window_.session().data();
    if (!data.handle())
        throw Error(QStringLiteral("Export items: the database is not open"));
    // The item query is built from the live orders' filter whatever the grid shows; a
    // statement the engine refuses ends the command here.
    ExportDataSet items = ExportDataSets::itemQuery(data.handle(), workspace.filterExpression(OrdersSource::Live));
    if (itemsFollowView_)
        items = ExportDataSets::itemsOfOrder(workspace.source(),
                                             workspace.currentOrder().value(QStringLiteral("ShopperID")));
    runDialog(items, QStringLiteral("Export items"), QStringLiteral("items"));
}

void ExportInstaller::runDialog(const ExportDataSet& data, const QString& caption, const QString& rowsName)
{
    DataModule& module = window_.session().data();
    ExportDialog dialog(
        caption, data.columns, window_.session().root().file(data.optionsFile),
        [&module, &data] { return data.open(module.handle()); }, &window_);
    dialog.setDocumentTitle(data.title);
    if (dialog.exec() != QDialog::Accepted)
        return;
    window_.setStatus(QStringLiteral("%1 exported to %2")
                          .arg(Counted(dialog.exportResult().rows, rowsName.chopped(1), rowsName),
                               QDir::toNativeSeparators(dialog.fileName())));
}

} // namespace pelmora
