#pragma once

#include "workspace/OrdersWorkspace.h"

#include <QObject>

class QAbstractItemView;
class QAction;
#include <QPointer>

namespace pelmora
{

class DataModule;
class UserPort;
class OrderInspector;
class OrdersGrid;
class ItemsGrid;
class SavedViewsMenu;
class TriageCommands;

namespace toolkit
{
class LayoutStore;
}

// The orders workspace on screen: the inspector, the orders grid (with the chart) and the
// items grid over one OrdersWorkspace, and the commands "Reset", "Grouping", "Auto-size" and
// "Edit mode".
// The widgets are children of `host` until a window places them in its areas.
class WorkspaceView : public QObject
{
    Q_OBJECT
  public:
    static inline const QString kGroupingDisabled = QStringLiteral("Column Grouping disabled ");
    static inline const QString kGroupingEnabled = QStringLiteral("Column Grouping enabled");
    static inline const QString kAutoSizeDisabled = QStringLiteral("Column auto-sizing disabled");
    static inline const QString kAutoSizeEnabled = QStringLiteral("Column auto-sizing enabled");
    static inline const QString kEditModeOn = QStringLiteral("Edit mode on");
    static inline const QString kEditModeOff = QStringLiteral("Edit mode off");
    static inline const QString kBuildingSearchIndex = QStringLiteral("Preparing the orders search...");

    // Layout store components.
    static inline const QString kGridComponent = QStringLiteral("OrdersGrid");
    static inline const QString kInspectorComponent = QStringLiteral("InspectorOrders4");
    static inline const QString kEditModeComponent = QStringLiteral("EditMode");

    WorkspaceView(DataModule& data, UserPort& port, QWidget* host);
    ~WorkspaceView() override;

    OrdersWorkspace& workspace() { return *workspace_; }
    OrderInspector* inspector() const { return inspector_; }
    OrdersGrid* ordersGrid() const { return ordersGrid_; }
    ItemsGrid* itemsGrid() const;
    SavedViewsMenu* savedViews() const { return savedViews_; }
    // The program folder whose settings keep the saved views; the view used last comes back
    // once start-up has finished.
    void setProgramFolder(const QString& root);
    // "Set status", "Tick/Clear Selected", "Undo" and "Redo" for the orders grid.
    TriageCommands* triage() const { return triage_; }

    // The next or previous order of the grid's filter becomes current (J/K, Ctrl+Down/Up while
    // the inspector or the items grid has the focus). False at either end.
    bool stepOrder(int step);

    // "Reset": nothing unless Orders holds a row; otherwise the default statement, the default
    // columns, no filter, and ResetDB. Errors of the first steps reach the caller.
    void reset();
    // "Grouping": decided by the grid's grouping setting, not by the button.
    void toggleGrouping();
    bool isGroupingEnabled() const;
    // "Auto-size": decided by the orders grid's column auto-width; switches both grids.
    void toggleAutoSize();
    bool isAutoSizeOn() const;
    // "Edit mode", a check-style command that starts down, on a button beside the orders grid's
    // tabs: while down, the cells of both grids are edited in place; while up, the grids only show
    // and move (the inspector still edits). Its "Down" state is a layout property.
    QAction* editModeAction() const { return editMode_; }
    void setEditMode(bool down);

    // Builds the search index of a data set, with progress and Cancel; a cancelled or failed build
    // leaves that data set searched by a scan for the rest of the run.
    void buildSearchIndex(OrdersSource source);

    // Registers the grid's and the inspector's layout properties.
    void registerLayout(toolkit::LayoutStore& store);

  signals:
    // "Reset" releases the "Grouping" button.
    void groupingButtonReleased();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // The inspector's view and the items grid's.
    QList<QAbstractItemView*> detailViews() const;

    UserPort& port_;
    QPointer<OrdersWorkspace> workspace_;
    QPointer<OrderInspector> inspector_;
    QPointer<OrdersGrid> ordersGrid_;
    QPointer<ItemsGrid> itemsGrid_;
    SavedViewsMenu* savedViews_ = nullptr;
    QAction* editMode_ = nullptr;
    bool indexDeclined_[2] = {false, false};
    TriageCommands* triage_ = nullptr;
};

} // namespace pelmora
