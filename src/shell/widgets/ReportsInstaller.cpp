#include "shell/widgets/ReportsInstaller.h"

#include "common/ErrorLog.h"
#include "reports/widgets/ReportDesigner.h"
#include "reports/widgets/ReportExplorer.h"
#include "shell/widgets/MainWindow.h"
#include "workspace/ReportPipelines.h"
#include "workspace/ShippedReports.h"
#include "workspace/widgets/GridPrintPreview.h"
#include "workspace/widgets/ItemsGrid.h"
#include "workspace/widgets/OrderInspector.h"
#include "workspace/widgets/OrdersGrid.h"
#include "workspace/widgets/WorkspaceView.h"

namespace pelmora
{

namespace
{
WorkspaceView* workspaceOf(MainWindow& window)
{
    return window.findChild<WorkspaceView*>(QStringLiteral("workspaceView"));
}

// Opens the explorer; from the toolbar a refusal to start is written to the error log.
void openExplorer(MainWindow& window, bool fromToolbar)
{
    WorkspaceView* view = workspaceOf(window);
    QSqlDatabase db = window.session().data().database();
    const QString reason = reports::ReportExplorer::cannotStart(db);
    if (!reason.isEmpty() || !view) {
        if (fromToolbar)
            LogError(reason.isEmpty() ? QStringLiteral("Report Explorer: the orders workspace is missing") : reason);
        window.setStatus(reason);
        return;
    }
    reports::ReportExplorer::Services services;
    services.db = db;
    services.pipelines = [view, db]() -> std::unique_ptr<reports::DataPipelines> {
        return std::make_unique<ReportPipelines>(db, ReportPipelines::selectionOf(view->workspace()));
    };
    services.shippedLayouts = [] { return ShippedReports::layouts(); };
    services.shippedFolder = ShippedReports::kFolder;
    services.design = [db, pipelines = services.pipelines](QWidget* parent, int reportId) {
        reports::ReportRepository repository(db);
        reports::ReportDesigner designer(repository, reportId, pipelines, parent);
        if (designer.isLoaded())
            designer.exec();
    };
    reports::ReportExplorer explorer(services, &window);
    explorer.exec();
}
} // namespace

void InstallReports(MainWindow& window)
{
    CommandSurface& commands = window.commands();
    QAction* open = commands.action(QString::fromLatin1(CommandSurface::OpenReports));
    QAction* button = commands.action(QString::fromLatin1(CommandSurface::Reports));
    QAction* print = commands.action(QString::fromLatin1(CommandSurface::Print));
    QObject::connect(open, &QAction::triggered, &window,
                     [&window] { window.run([&window] { openExplorer(window, false); }); });
    QObject::connect(button, &QAction::triggered, &window,
                     [&window] { window.run([&window] { openExplorer(window, true); }); });
    QObject::connect(print, &QAction::triggered, &window, [&window] {
        window.run([&window] {
            if (WorkspaceView* view = workspaceOf(window))
                GridPrintPreview::show(*view, &window);
        });
    });
    for (QAction* a : {open, button, print})
        a->setEnabled(true);
}

} // namespace pelmora
