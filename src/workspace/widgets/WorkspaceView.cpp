#include "workspace/widgets/WorkspaceView.h"

#include "common/ApplicationError.h"
#include "common/Guard.h"
#include "common/UserPort.h"
#include "database/DataModule.h"
#include "toolkit/LayoutStore.h"
#include "toolkit/SqlTableModel.h"
#include "toolkit/widgets/CategoryInspector.h"
#include "toolkit/widgets/DataGrid.h"
#include "toolkit/widgets/FilterBar.h"
#include "toolkit/widgets/GridViews.h"
#include "workspace/OrderSearch.h"
#include "workspace/widgets/ItemsGrid.h"
#include "workspace/widgets/OrderInspector.h"
#include "workspace/widgets/OrderSearchBar.h"
#include "workspace/widgets/OrdersGrid.h"
#include "workspace/widgets/SavedViewsMenu.h"
#include "workspace/widgets/TriageCommands.h"

#include <QAction>
#include <QKeyEvent>
#include <QMenu>
#include <QProgressDialog>
#include <QSettings>
#include <QShortcut>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

namespace pelmora
{

ItemsGrid* WorkspaceView::itemsGrid() const
{
    return itemsGrid_;
}

WorkspaceView::WorkspaceView(DataModule& data, UserPort& port, QWidget* host) : QObject(host), port_(port)
{
    setObjectName(QStringLiteral("workspaceView"));
    workspace_ = new OrdersWorkspace(data, this);
    workspace_->setObjectName(QStringLiteral("ordersWorkspace"));
    inspector_ = new OrderInspector(*workspace_, host);
    ordersGrid_ = new OrdersGrid(*workspace_, host);
    itemsGrid_ = new ItemsGrid(*workspace_, host);
    savedViews_ = new SavedViewsMenu(*ordersGrid_, port_, this);
    // What nothing else handles goes where every command's errors go.
    auto toHandler = [this](const QString& message) { ApplicationError(port_, message); };
    connect(workspace_, &OrdersWorkspace::error, this, toHandler);
    ordersGrid_->setErrorHandler(toHandler);
    // Built once the command that found it missing has finished.
    connect(workspace_, &OrdersWorkspace::searchIndexNeeded, this, &WorkspaceView::buildSearchIndex,
            Qt::QueuedConnection);
    // Testing the rows against a filter clears the status bar's message.
    connect(&ordersGrid_->grid()->filtering(), &toolkit::GridFiltering::expressionChanged, this,
            [this](const QString& expression) {
                if (!expression.isEmpty())
                    port_.setStatus(QString());
            });
    editMode_ = new QAction(QStringLiteral("Edit mode"), this);
    editMode_->setObjectName(QStringLiteral("actionEditMode"));
    editMode_->setToolTip(QStringLiteral("Edit mode"));
    editMode_->setCheckable(true);
    editMode_->setChecked(true);
    connect(editMode_, &QAction::triggered, this, [this](bool down) {
        setEditMode(down);
        port_.setStatus(down ? kEditModeOn : kEditModeOff);
    });
    // A check button beside the grid's tabs, where the grid's own command belongs.
    auto* editModeButton = new QToolButton(ordersGrid_->tabs());
    editModeButton->setObjectName(QStringLiteral("editModeButton"));
    editModeButton->setDefaultAction(editMode_);
    editModeButton->setToolButtonStyle(Qt::ToolButtonTextOnly);
    editModeButton->setAutoRaise(true);
    ordersGrid_->tabs()->setCornerWidget(editModeButton, Qt::TopRightCorner);
    triage_ = new TriageCommands(*this, port_);
    ordersGrid_->setContextMenuFiller([this](QMenu* menu) { triage_->fillContextMenu(menu); });
    // The shortcuts work wherever the merchant is in the workspace's window.
    for (QWidget* widget :
         {static_cast<QWidget*>(ordersGrid_), static_cast<QWidget*>(inspector_), static_cast<QWidget*>(itemsGrid_)})
        widget->addActions(triage_->shortcutActions());
    // Triage from the order's details: J/K move between orders while no value is being edited,
    // Ctrl+Down/Up also from inside an editor (its value is posted to its order first).
    for (QAbstractItemView* view : detailViews())
        view->installEventFilter(this);
    for (QWidget* details : {static_cast<QWidget*>(inspector_), static_cast<QWidget*>(itemsGrid_)}) {
        for (const auto& [key, step] : {std::pair{Qt::Key_Down, 1}, std::pair{Qt::Key_Up, -1}}) {
            auto* shortcut = new QShortcut(QKeySequence(Qt::ControlModifier | key), details);
            shortcut->setContext(Qt::WidgetWithChildrenShortcut);
            connect(shortcut, &QShortcut::activated, this, [this, step = step] { stepOrder(step); });
        }
    }
    // Opened already (the workspace came after ResetDB): show the rows now.
    if (data.isConnected())
        workspace_->reopen();
}

WorkspaceView::~WorkspaceView() = default;

QList<QAbstractItemView*> WorkspaceView::detailViews() const
{
    return {inspector_->inspector()->view(), itemsGrid_->grid()->tableView()};
}

bool WorkspaceView::stepOrder(int step)
{
    toolkit::SqlTableModel* model = workspace_->DataSourceOrders();
    const int row = workspace_->currentRow() + step;
    if (!model->isOpen() || workspace_->currentRow() < 0 || row < 0 || row >= model->rowCount())
        return false;
    // A value being edited in the details belongs to the order it was typed on.
    for (QAbstractItemView* view : detailViews())
        toolkit::postEditedValue(view);
    workspace_->setCurrentRow(row);
    return true;
}

bool WorkspaceView::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    int step = 0;
    if (key->modifiers() == Qt::NoModifier && key->key() == Qt::Key_J)
        step = 1;
    else if (key->modifiers() == Qt::NoModifier && key->key() == Qt::Key_K)
        step = -1;
    // The view has the keys only while no cell is being edited: an editor keeps its letters.
    if (!step)
        return QObject::eventFilter(watched, event);
    stepOrder(step);
    return true;
}

void WorkspaceView::reset()
{
    if (!workspace_->ordersTableHasRows())
        return;
    workspace_->setStatement(OrdersWorkspace::kResetStatement);
    if (workspace_->source() == OrdersSource::Live && workspace_->DataSourceOrders()->isOpen())
        workspace_->DataSourceOrders()->refresh();
    emit groupingButtonReleased();
    ordersGrid_->ShowDefaultColumns();
    // The default column set in its built-in widths, whatever widths the merchant left.
    ordersGrid_->grid()->columns().restoreWidths();
    Guard(QString(), [&] {
        ordersGrid_->grid()->filterBar()->setCustomizeButtonVisible(false);
        workspace_->setStatement(OrdersWorkspace::kResetStatementText);
        ordersGrid_->grid()->filtering().clear();
        ordersGrid_->searchBar()->setText(QString());
        ordersGrid_->grid()->sortBy(QString());
    });
    workspace_->ResetDB();
}

bool WorkspaceView::isGroupingEnabled() const
{
    return ordersGrid_->grid()->grouping().isEnabled();
}

void WorkspaceView::toggleGrouping()
{
    if (isGroupingEnabled()) {
        ordersGrid_->ShowDefaultColumns();
        port_.setStatus(kGroupingDisabled);
    } else {
        ordersGrid_->EnableColumnGrouping();
        port_.setStatus(kGroupingEnabled);
    }
}

bool WorkspaceView::isAutoSizeOn() const
{
    return ordersGrid_->grid()->columns().autoWidth();
}

void WorkspaceView::toggleAutoSize()
{
    const bool on = !isAutoSizeOn();
    ordersGrid_->grid()->columns().setAutoWidth(on);
    itemsGrid_->grid()->columns().setAutoWidth(on);
    port_.setStatus(on ? kAutoSizeEnabled : kAutoSizeDisabled);
}

void WorkspaceView::setEditMode(bool down)
{
    editMode_->setChecked(down);
    ordersGrid_->grid()->setReadOnly(!down);
    itemsGrid_->grid()->setReadOnly(!down);
}

void WorkspaceView::setProgramFolder(const QString& root)
{
    savedViews_->setProgramFolder(root);
    QTimer::singleShot(0, savedViews_, &SavedViewsMenu::restoreLast);
}

void WorkspaceView::buildSearchIndex(OrdersSource source)
{
    DataModule& data = workspace_->data();
    if (indexDeclined_[int(source)] || workspace_->searchIndexReady(source) || !data.isConnected())
        return;
    QProgressDialog progress(kBuildingSearchIndex, QStringLiteral("Cancel"), 0, 1000, ordersGrid_->window());
    progress.setObjectName(QStringLiteral("searchIndexProgress"));
    progress.setWindowTitle(QStringLiteral("Pelmora"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    bool built = false;
    QSqlDatabase db = data.database();
    Guard(QStringLiteral(" method: BuildSearchIndex"), [&] {
        built = OrderSearch(source).build(db, [&](qint64 done, qint64 total) {
            progress.setValue(total > 0 ? int(done * 1000 / total) : 1000);
            return !progress.wasCanceled();
        });
    });
    progress.close();
    if (!built) {
        indexDeclined_[int(source)] = true;
        return;
    }
    workspace_->searchIndexBuilt(source);
}

void WorkspaceView::registerLayout(toolkit::LayoutStore& store)
{
    store.add(
        kGridComponent, [this](QSettings& s) { ordersGrid_->saveLayout(s); },
        [this](const QSettings& s) { ordersGrid_->restoreLayout(s); });
    store.add(
        kInspectorComponent, [this](QSettings& s) { inspector_->saveLayout(s); },
        [this](const QSettings& s) { inspector_->restoreLayout(s); });
    store.add(
        kEditModeComponent, [this](QSettings& s) { s.setValue(QStringLiteral("Down"), editMode_->isChecked()); },
        [this](const QSettings& s) {
            if (s.contains(QStringLiteral("Down")))
                setEditMode(s.value(QStringLiteral("Down")).toBool());
        });
}

} // namespace pelmora
