#pragma once

#include "toolkit/widgets/CellStyle.h"
#include "toolkit/widgets/GridColumnLayout.h"
#include "toolkit/widgets/GridColumnMenu.h"
#include "toolkit/widgets/GridCursor.h"
#include "toolkit/widgets/GridFiltering.h"
#include "toolkit/widgets/GridGrouping.h"
#include "toolkit/widgets/RecordNavigator.h"

#include <QWidget>

#include <functional>
#include <memory>

class QAbstractItemModel;
class QAbstractItemView;
class QTableView;
class QTreeView;

namespace pelmora::toolkit
{

class CellEditorDelegate;
class FilterBar;
class GroupByBox;

// A data-bound grid: an optional group-by box, the rows (a table, or a tree of groups while
// grouped), an optional filter bar and an optional record navigator. It is a composition of
// parts with their own state, reached through it:
//   columns()   the column descriptions and the layout (GridColumnLayout),
//   columnMenu() the header's menu of fitting, auto-width and the column check list (GridColumnMenu),
//   filtering() the filter and its header drop-downs (GridFiltering),
//   grouping()  the group-by box and the grouped tree (GridGrouping),
//   cursor()    the current record through every change of the view (GridCursor),
// and the navigator follows the view shown. Further parts join the same way: sorting goes through
// the SQL model (SqlModel::setSort) and the cursor keeps the record across it; a selection of
// rows is the views' selection models; a row count reads the model the cursor follows. Works with any table model; with
// a SQL model (SqlModel) it also offers the header filter values, the filter handed to the data set and grouping from
// the database. Rows have one fixed height (the merchant may resize a row); nothing is ever sized to the contents of
// every row, so a grid over a million rows stays instant.
class DataGrid : public QWidget
{
    Q_OBJECT

  public:
    // Asked before a data cell goes into editing (an editor opens, a check box toggles); return
    // false to cancel. The callback may change the row (clear a flag, post it): the cell is
    // looked up again afterwards. While grouped, the index is the grouping model's record row
    // (same columns as the data model).
    using EditingStartCallback = std::function<bool(const QModelIndex& index)>;

    explicit DataGrid(QWidget* parent = nullptr);
    ~DataGrid() override;

    void setModel(QAbstractItemModel* model);
    QAbstractItemModel* model() const;

    GridColumnLayout& columns() const;
    GridColumnMenu& columnMenu() const;
    GridFiltering& filtering() const;
    GridGrouping& grouping() const;
    GridCursor& cursor() const;

    QTableView* tableView() const;
    QTreeView* groupView() const;
    // The view the merchant works in now: the table, or the tree while grouped.
    QAbstractItemView* currentView() const;
    RecordNavigator* navigator() const;
    FilterBar* filterBar() const;
    GroupByBox* groupByBox() const;

    void setCellStyleCallback(CellStyleCallback callback);
    void setEditingStartCallback(EditingStartCallback callback);
    void setSelectionBackground(const QColor& color);
    // Sorting by the headers: a click on a column's caption sorts by it ascending, a second
    // click descending, a third returns to the default sort. The sort is the SQL model's
    // (ORDER BY); while grouped, the rows are sorted inside their groups. A sort arrow shows it.
    void setDefaultSort(const QString& field, Qt::SortOrder order);
    // Sorts by a column ("" for the default sort).
    void sortBy(const QString& field, Qt::SortOrder order = Qt::AscendingOrder);
    QString sortField() const;
    Qt::SortOrder sortOrder() const;

    // Marks where these words occur in the cells' text (a search's words); empty: none.
    void setHighlightedWords(const QStringList& words);
    QStringList highlightedWords() const;
    // No cell goes into editing (the rows are only shown and moved through).
    void setReadOnly(bool readOnly);
    bool isReadOnly() const;

  signals:
    // The value in a cell editor changed by the merchant's hand, before it is posted.
    void editorValueChanged(const QString& field, const QModelIndex& index, const QVariant& value);
    void linkActivated(const QString& field, const QModelIndex& index);
    // The rows were sorted anew by the merchant ("" for the default sort).
    void sortChanged(const QString& field, Qt::SortOrder order);
    // A failure of the grouped rows or of a drop-down list's lookup (the data set's own failures
    // are for its owner to report).
    void error(const QString& message);

  private:
    struct Private;
    std::unique_ptr<Private> d;

    void buildViews();
    void headerClicked(int logical);
    void showSortIndicator();
    void bindDelegate(CellEditorDelegate* delegate);
    QModelIndex toDataIndex(const QModelIndex& viewIndex) const;
};

} // namespace pelmora::toolkit
