#include "shell/widgets/WorkspaceInstaller.h"

#include "shell/widgets/MainWindow.h"
#include "workspace/widgets/ItemsGrid.h"
#include "workspace/widgets/OrderInspector.h"
#include "workspace/widgets/OrdersGrid.h"
#include "workspace/widgets/SavedViewsMenu.h"
#include "workspace/widgets/TriageCommands.h"
#include "workspace/widgets/WorkspaceView.h"

#include <QMenu>

namespace pelmora
{

WorkspaceView* InstallWorkspace(MainWindow& window)
{
    auto* view = new WorkspaceView(window.session().data(), window, &window);
    view->workspace().bindFlags(window.session().flags());
    window.setInspectorWidget(view->inspector());
    window.setGridWidget(view->ordersGrid());
    window.setItemsWidget(view->itemsGrid());
    view->registerLayout(window.layoutStore());
    view->setProgramFolder(window.session().root().path());
    if (auto* menu = window.findChild<QMenu*>(QStringLiteral("menuView"))) {
        menu->addSeparator();
        menu->addMenu(view->savedViews()->menu());
    }

    CommandSurface& commands = window.commands();
    QAction* reset = commands.action(QString::fromLatin1(CommandSurface::Reset));
    QAction* grouping = commands.action(QString::fromLatin1(CommandSurface::Grouping));
    QAction* autoSize = commands.action(QString::fromLatin1(CommandSurface::AutoSize));
    QObject::connect(reset, &QAction::triggered, view, [&window, view] { window.run([view] { view->reset(); }); });
    // The buttons show the grid's settings, whatever a click did to their check.
    QObject::connect(grouping, &QAction::triggered, view, [&window, view, grouping] {
        window.run([view] { view->toggleGrouping(); });
        grouping->setChecked(view->isGroupingEnabled());
    });
    QObject::connect(autoSize, &QAction::triggered, view, [&window, view, autoSize] {
        window.run([view] { view->toggleAutoSize(); });
        autoSize->setChecked(view->isAutoSizeOn());
    });
    QObject::connect(view, &WorkspaceView::groupingButtonReleased, grouping,
                     [grouping] { grouping->setChecked(false); });
    grouping->setChecked(view->isGroupingEnabled());
    autoSize->setChecked(view->isAutoSizeOn());
    for (QAction* action : {reset, grouping, autoSize})
        action->setEnabled(true);

    // Working several orders at once, and undo, at the end of the Actions menu.
    if (auto* actions = window.findChild<QMenu*>(QStringLiteral("menuActions"))) {
        TriageCommands* triage = view->triage();
        actions->addSeparator();
        actions->addMenu(triage->statusMenu());
        actions->addAction(triage->tickAction());
        actions->addAction(triage->clearAction());
        actions->addSeparator();
        actions->addAction(triage->redoAction());
        actions->addAction(triage->undoAction());
    }
    return view;
}

} // namespace pelmora
