#pragma once

#include "toolkit/widgets/CellStyle.h"
#include "toolkit/widgets/GridColumn.h"
#include "toolkit/widgets/GridFilter.h"
#include "toolkit/widgets/RecordNavigator.h"

#include <QList>
#include <QPointer>
#include <QStringList>
#include <QVariantMap>
#include <QWidget>

#include <functional>
#include <memory>

class QAbstractItemModel;
class QAbstractItemView;
class QHeaderView;
class QMenu;
class QSettings;
class QTableView;
class QTreeView;

namespace pelmora::toolkit
{

class CellEditorDelegate;
class FilterBar;
class GroupByBox;
class HeaderFilterPopup;

// A data-bound grid: an optional group-by box, the rows (a table, or a tree of groups while
// grouped), an optional filter bar and an optional record navigator. Columns are described
// by GridColumn and matched to the model's columns by field name (a SQL model's column name,
// else the model's horizontal header text), without regard to letter case.
//
// Works with any table model; with a SqlTableModel (or QSqlTableModel) it also offers the
// header filter values, the filter handed to the data set and grouping from the database.
// Rows have one fixed height (the merchant may resize a row); nothing is ever sized to the
// contents of every row, so a grid over a million rows stays instant.
class DataGrid : public QWidget
{
    Q_OBJECT

  public:
    // Asked before a data cell goes into editing (an editor opens, a check box toggles); return
    // false to cancel. The callback may change the row (clear a flag, post it): the cell is
    // looked up again afterwards. While grouped, the index is the grouping model's record row
    // (same columns as the data model).
    using EditingStartCallback = std::function<bool(const QModelIndex& index)>;
    // Installs the grid's filter text on the data set ("" when the filter is empty or switched
    // off). Without one, the grid filters a SqlTableModel or QSqlTableModel itself with the
    // SQL form of its conditions.
    using FilterInstaller = std::function<void(const QString& expression)>;

    explicit DataGrid(QWidget* parent = nullptr);
    ~DataGrid() override;

    // --- data and columns ---
    void setModel(QAbstractItemModel* model);
    QAbstractItemModel* model() const;
    void setColumns(const QList<GridColumn>& columns);
    QList<GridColumn> columns() const;
    const GridColumn* column(const QString& field) const;
    // The model column of a field (-1 when the model has none).
    int modelColumn(const QString& field) const;
    QString fieldAt(int modelColumn) const;

    void setColumnVisible(const QString& field, bool visible);
    bool isColumnVisible(const QString& field) const;
    void setColumnWidth(const QString& field, int width);
    int columnWidth(const QString& field) const;
    void hideAllColumns();
    // Fields in their shown order (visible ones only).
    QStringList visibleColumns() const;

    // --- parts ---
    QTableView* tableView() const;
    QTreeView* groupView() const;
    // The view the merchant works in now: the table, or the tree while grouped.
    QAbstractItemView* currentView() const;
    CellEditorDelegate* delegate() const;
    RecordNavigator* navigator() const;
    FilterBar* filterBar() const;
    GroupByBox* groupByBox() const;

    void setNavigatorVisible(bool visible);
    bool isNavigatorVisible() const;
    void setNavigatorButtons(const QList<RecordNavigator::Button>& buttons);

    // --- behaviour ---
    void setCellStyleCallback(CellStyleCallback callback);
    void setEditingStartCallback(EditingStartCallback callback);
    void setSelectionBackground(const QColor& color);
    void setReadOnly(bool readOnly);
    bool isReadOnly() const;
    void setRowHeight(int pixels);
    int rowHeight() const;
    void setRowResizingAllowed(bool allowed);
    void setColumnMovingAllowed(bool allowed);
    // Column auto-width: the visible columns share the grid's width in the proportion of
    // their widths (no horizontal scroll bar).
    void setColumnAutoWidth(bool on);
    bool columnAutoWidth() const;
    // Fits a column to its caption and to the rows in view (never to every row).
    void autoSizeColumn(const QString& field);
    void autoSizeColumns();
    // Gives the columns back the widths the column list set.
    void restoreColumnWidths();
    // The header's check list of columns and the auto-size actions.
    void setColumnCustomizationAllowed(bool allowed);
    QMenu* createColumnMenu(int modelColumn, QWidget* parent);

    // --- current row ---
    int currentRow() const; // the data model's row (-1 on a group row or none)
    void setCurrentRow(int row);
    QModelIndex currentIndex() const; // an index of the data model

    // --- grouping ---
    void setGroupingEnabled(bool enabled); // column grouping allowed (drags into the box)
    bool isGroupingEnabled() const;
    void setGroupByBoxVisible(bool visible);
    bool isGroupByBoxVisible() const;
    void setGroupedColumns(const QStringList& fields);
    QStringList groupedColumns() const;
    void groupByColumn(const QString& field, int level = -1);
    void ungroupColumn(const QString& field);
    void ungroupAll();
    void expandAllGroups();
    void collapseAllGroups();

    // --- filtering ---
    void setFilteringEnabled(bool enabled); // the header filter buttons
    bool isFilteringEnabled() const;
    const GridFilter& filter() const;
    void setFilter(const GridFilter& filter);
    // The condition of one column, as its header drop-down sets it (an empty one clears it).
    void setColumnFilter(const QString& field, const FilterCondition& condition);
    // The text handed to the data set: the filter's expression, "" when empty or switched off.
    QString filterText() const;
    void clearFilter();
    void setFilterActive(bool active);
    void setFilterInstaller(FilterInstaller installer);
    // Ask the header filter values of a column (default: distinct values from the model's
    // table, or from the rows the model holds).
    void setFilterValueProvider(std::function<QVariantList(const QString& field)> provider);
    QVariantList filterValues(const QString& field) const;
    // Opens a column's filter drop-down under its header (returned for tests; it closes itself).
    HeaderFilterPopup* showHeaderFilter(const QString& field);
    void showFilterBuilder();

    // --- layout properties (column widths, visibility and order; the grid's geometry) ---
    QVariantMap layoutProperties() const;
    void setLayoutProperties(const QVariantMap& properties);
    void saveLayout(QSettings& settings, const QString& group) const;
    void restoreLayout(QSettings& settings, const QString& group);

  signals:
    void focusedRowChanged(int row);
    // The value in a cell editor changed by the merchant's hand, before it is posted.
    void editorValueChanged(const QString& field, const QModelIndex& index, const QVariant& value);
    // The filter text changed (already installed on the data set when this fires).
    void filterExpressionChanged(const QString& expression);
    void groupingChanged(const QStringList& fields);
    void columnAutoWidthChanged(bool on);
    void linkActivated(const QString& field, const QModelIndex& index);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    struct Private;
    std::unique_ptr<Private> d;

    void rebuildColumnMap();
    QString readFieldName(int modelColumn) const;
    void applyColumns();
    void fitColumns();
    void showColumnWidths();
    void onCurrentChanged();
    void settleCurrent();
    void selectInTable(int row, int column);
    bool selectInTree(const QVariant& key);
    QVariant keyOfRow(int row) const;
    int rowOfKey(const QVariant& key) const;
    void onSectionResized(int logical, int oldSize, int newSize);
    void onHeaderMenu(QHeaderView* header, const QPoint& pos);
    void applyFilter();
    void rebuildGroups();
    bool prepareGroupModel();
    void placeTreeDecoration();
    GridColumn describeField(const QString& field) const;
    const GridColumn* describe(const QModelIndex& index) const;
    QModelIndex toDataIndex(const QModelIndex& viewIndex) const;
};

} // namespace pelmora::toolkit
