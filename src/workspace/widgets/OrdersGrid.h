#pragma once

#include <QList>
#include <QPointer>
#include <QWidget>
#include <functional>

class QAbstractItemModel;
class QMenu;
class QSettings;
class QLabel;
class QAbstractItemView;
class QTabWidget;

namespace pelmora
{

class OrdersWorkspace;
class OrderSearchBar;
class SalesChart;

namespace toolkit
{
class DataGrid;
class SqlGroupModel;
} // namespace toolkit

// The orders grid with its two tabs, "Orders" and "Sales Chart", bound to DataSourceOrders:
// the 48 order columns with their editors, the colouring rule, the navigator (whose delete
// cascades and whose refresh runs ResetDB), New cleared when editing starts, StatusChanged from
// the Status column's editor, and the grid's filter installed through the filter translation.
class OrdersGrid : public QWidget
{
    Q_OBJECT
  public:
    static inline const QString kOrdersTab = QStringLiteral("Orders");
    static inline const QString kChartTab = QStringLiteral("Sales Chart");

    explicit OrdersGrid(OrdersWorkspace& workspace, QWidget* parent = nullptr);
    ~OrdersGrid() override;

    toolkit::DataGrid* grid() const { return grid_; }
    SalesChart* chart() const { return chart_; }
    QTabWidget* tabs() const { return tabs_; }
    OrderSearchBar* searchBar() const { return searchBar_; }

    // Grouping off and the box hidden; every column hidden and ungrouped; the default set shown.
    void ShowDefaultColumns();
    // Grouping on, the box shown, columns movable.
    void EnableColumnGrouping();

    static inline const QString kNoMatch = QStringLiteral("No orders match the filter");
    static inline const QString kClearFilter = QStringLiteral("Clear filter and search");
    // "N orders", or "N of M orders" under a filter or search.
    static QString countText(int shown, int total, bool narrowed);
    // The grid's filter and the search box cleared: every order shown again.
    void clearFilterAndSearch();
    QLabel* noMatchNote() const { return noMatch_; }
    // The orders the merchant selected (Shift/Ctrl-click, Shift+arrows), by row identity, in the
    // grid's order; the current order when no row is selected.
    QList<qint64> selectedKeys() const;
    // What the rows' context menu offers.
    void setContextMenuFiller(std::function<void(QMenu*)> filler) { contextMenu_ = std::move(filler); }

    // Where errors that nothing else handles go (a filter the engine refuses).
    void setErrorHandler(std::function<void(const QString&)> handler) { onError_ = std::move(handler); }

    // The layout properties: the grid's Height, Left, Top and Width, and each column's Visible
    // and Width.
    void saveLayout(QSettings& settings) const;
    void restoreLayout(const QSettings& settings);

  private:
    void bindModel();
    bool editingStarts(const QModelIndex& index);
    void deleteCurrent();
    void installFilter(const QString& text);
    void watchGroupModel();
    void refreshStyleColumns(const QAbstractItemModel* model);
    void fail(const QString& message);
    void showCount();
    void placeNoMatchNote();
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showContextMenu(QAbstractItemView* view, const QPoint& at);

    OrdersWorkspace& workspace_;
    QTabWidget* tabs_ = nullptr;
    OrderSearchBar* searchBar_ = nullptr;
    QLabel* noMatch_ = nullptr;
    toolkit::DataGrid* grid_ = nullptr;
    SalesChart* chart_ = nullptr;
    QPointer<toolkit::SqlGroupModel> groupModel_;
    bool flatStale_ = false;
    bool quiet_ = false;
    const QAbstractItemModel* styledModel_ = nullptr;
    int newColumn_ = -1;
    int statusColumn_ = -1;
    std::function<void(const QString&)> onError_;
    std::function<void(QMenu*)> contextMenu_;
};

} // namespace pelmora
